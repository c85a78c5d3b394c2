// All sources' items in one list, and that list written as the local news document the news
// list reads. Used only when standard feeds are among the sources: with the alarm server
// alone, the document stays what ConvertNews makes of its answer.
#pragma once

#include "news/feeds/item.h"

#include <string>
#include <string_view>
#include <vector>

namespace news::feeds {

// One source's share of the list.
struct TSourceItems {
    // The source's address, or any text that tells it from the others: identities that are
    // only unique within one feed (a bare "1234" guid) are compared within it alone.
    std::string Key;
    // The source's name: the label of its items that carry none of their own.
    std::string Name;
    std::vector<TFeedItem> Items;
};

// The alarm server's answer as items: each record's section is its label, its date is read as
// Istanbul time, and its fields are otherwise kept as they came.
std::vector<TFeedItem> AlarmItems(std::string_view answer);
// The key the alarm server's items are compared under.
constexpr const char* AlarmSourceKey = "alarm:";

struct TMergedItem {
    TFeedItem Item;
    // What the list shows beside the headline (si).
    std::string Label;
    // Written as i: the alarm's own id, or a fingerprint of a feed item's identity.
    std::string Id;
};

// Items of all sources, each identity once (its first appearance in source order wins), the
// dated ones newest first, then the undated ones in source and feed order; at most limit.
std::vector<TMergedItem> MergeSources(const std::vector<TSourceItems>& sources,
                                      std::size_t limit = MaxListItems);

// The local news document for a merged list: the same frame, elements and attributes as the
// alarm's document; cd is the item's date as DD.MM.YYYY HH:MM:SS in local time (empty when it
// has none), u its link encoded as the alarm's links are.
std::string WriteNewsDocument(const std::vector<TMergedItem>& items);

// A source's name cut to fit beside a headline.
std::string SourceLabel(std::string_view name);

} // namespace news::feeds
