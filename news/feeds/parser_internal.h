// What the XML and the JSON readers share: the finishing of items and texts.
#pragma once

#include "news/feeds/item.h"

#include <string>
#include <string_view>

namespace news::feeds::detail {

// The fields of an item as the feed wrote them, before they become a TFeedItem.
struct TRawItem {
    std::string Id;
    std::string Title;
    bool TitleIsHtml = true;
    std::string Summary;
    bool SummaryIsHtml = true;
    std::string Link; // already resolved where the format has its own base
    std::string Date;
};

// Cleans and bounds the texts, checks the link, reads the date and settles the identity.
// Returns false for an item with nothing to show.
bool FinishItem(const TRawItem& raw, std::string_view base, TFeedItem& item);

// The feed's title, bounded; the host of its address when it has none.
std::string FeedTitle(std::string_view title, bool isHtml, std::string_view feedUrl);

TFeed ParseXmlFeed(const std::string& text, std::string_view feedUrl);
TFeed ParseJsonFeed(const std::string& text, std::string_view feedUrl);

} // namespace news::feeds::detail
