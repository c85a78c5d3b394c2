// Finding the feeds a web page announces, so that a page's address can stand for its feed.
#pragma once

#include "news/feeds/item.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace news::feeds {

// Only the start of a page is searched, up to the end of its head: the announcements sit
// there, and the HTML parser's cost grows with the square of the nesting depth.
constexpr std::size_t MaxDiscoveryBytes = 2u * 1024u * 1024u;
constexpr std::size_t MaxDiscoveryTags = 2048;

struct TDiscoveredFeed {
    std::string Url; // absolute http or https
    std::string Title;
    TFeedFormat Format = TFeedFormat::None;
};

// Every <link rel="alternate"> of an RSS, RSS 1.0, Atom or JSON Feed type in document order,
// its address resolved against the page's <base href> and pageUrl, each address once.
std::vector<TDiscoveredFeed> DiscoverFeeds(std::string_view html, std::string_view pageUrl,
                                           std::string_view contentType = {});

} // namespace news::feeds
