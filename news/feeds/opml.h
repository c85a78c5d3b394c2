// OPML subscription lists, the form in which feed readers hand each other their sources: read
// into a flat list of feed addresses, and written as OPML 2.0.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace news::feeds {

// A subscription list is a few hundred kilobytes at the most; larger files are refused unread.
constexpr std::size_t MaxOpmlBytes = 4u * 1024u * 1024u;

struct TOpmlFeed {
    std::string Url; // absolute http or https
    std::string Title;
};

enum class TOpmlStatus {
    Ok,
    TooLarge,
    Malformed, // not well-formed XML
    NotOpml,   // XML, but its root is not <opml>
};

struct TOpmlList {
    TOpmlStatus Status = TOpmlStatus::NotOpml;
    // Every outline's xmlUrl in document order, however deep the outlines nest, each address
    // once.
    std::vector<TOpmlFeed> Feeds;
    std::size_t Duplicates = 0; // outlines naming an address already listed above them
    std::size_t Refused = 0;    // xmlUrl values that are not http or https addresses
};

// A DOCTYPE is skipped: no entity it declares is ever expanded and nothing outside the text is
// read. Never throws.
TOpmlList ReadOpml(std::string_view text);

// An OPML 2.0 document (UTF-8) of one flat body, an outline of type "rss" per feed.
std::string WriteOpml(const std::vector<TOpmlFeed>& feeds, std::string_view title);

} // namespace news::feeds
