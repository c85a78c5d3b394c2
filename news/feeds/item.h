// One news item as every source gives it, and the bounds that keep a hostile or broken feed
// from costing more than a few hundred items of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace news::feeds {

// Seconds since 1970-01-01 00:00 UTC.
using TUnixTime = std::int64_t;

// Answers above this are refused unread.
constexpr std::size_t MaxFeedBytes = 16u * 1024u * 1024u;
// Reading stops after this many items of one feed.
constexpr std::size_t MaxFeedItems = 200;
// The merged list never holds more.
constexpr std::size_t MaxListItems = 100;
// Texts are cut (at a word, with an ellipsis) to this many characters: a headline wraps to at
// most four lines of the list, a summary to about four.
constexpr std::size_t MaxTitleChars = 200;
constexpr std::size_t MaxSummaryChars = 240;
// A source's name as its items' label; longer ones would run into the headline.
constexpr std::size_t MaxLabelChars = 20;

struct TFeedItem {
    // What tells this item apart from the others of its source: the feed's guid or id, else
    // the link, else a hash of title and date.
    std::string Id;
    // UTF-8 plain text, bounded.
    std::string Title;
    std::string Summary;
    // An absolute http or https address, or empty when the item has no usable link.
    std::string Link;
    std::optional<TUnixTime> Date;
    // The item's own label; empty for feed items, which are labelled with their source's name.
    // The alarm server's records carry their section here.
    std::string Label;
};

enum class TFeedFormat { None, Rss, Rdf, Atom, JsonFeed };

enum class TFeedStatus {
    Ok,        // a feed; Items may still be empty
    NotAFeed,  // an HTML page, an unrelated document, garbage or nothing at all
    Malformed, // looks like a feed but does not parse
    TooLarge,  // more than MaxFeedBytes
};

struct TFeed {
    TFeedStatus Status = TFeedStatus::NotAFeed;
    TFeedFormat Format = TFeedFormat::None;
    // The feed's own title (the source's name); the host of the feed's address when it has none.
    std::string Title;
    std::vector<TFeedItem> Items;
    // Reading stopped at MaxFeedItems.
    bool Truncated = false;
};

} // namespace news::feeds
