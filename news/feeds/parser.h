// One answer of a feed server turned into a TFeed. The format comes from the answer itself,
// never from the address: RSS 2.0 and 0.9x, RSS 1.0 (RDF), Atom 1.0 (with xml:base) and JSON
// Feed 1.0 and 1.1. Everything else, an HTML page above all, is "not a feed".
#pragma once

#include "news/feeds/item.h"

#include <string_view>

namespace news::feeds {

// body: the answer's bytes as they came; feedUrl: where they came from (relative links are
// resolved against it); contentType: the Content-Type header, for its charset. Never throws.
// Entities declared in a DOCTYPE are never expanded and nothing outside the body is read.
TFeed ParseFeed(std::string_view body, std::string_view feedUrl, std::string_view contentType = {});

// Which format the body is in (None when it is not a feed that parses).
TFeedFormat DetectFeedFormat(std::string_view body, std::string_view contentType = {});

} // namespace news::feeds
