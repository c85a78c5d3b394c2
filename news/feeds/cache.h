// What one source remembers between requests and across restarts: its last good items and
// its fetch state (ETag, Last-Modified, the earliest time it may be asked again). Here only
// the bytes of that record and the rules that fill it; where the file lives and when it is
// written belongs to the refresh cycle.
#pragma once

#include "news/feeds/item.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace news::feeds {

struct TSourceCache {
    std::string Url;
    // The source's name, as the label of its items.
    std::string Name;
    std::vector<TFeedItem> Items;
    std::string ETag;
    std::string LastModified;
    // Not to be asked before this time (0: any time).
    TUnixTime NextRequest = 0;
};

// The record's bytes (JSON).
std::string SaveSourceCache(const TSourceCache& cache);
// The record back from its bytes; nullopt for anything that is not a whole, sound record.
// Items and texts are bounded again as a feed's are.
std::optional<TSourceCache> LoadSourceCache(std::string_view bytes);

// The record's file name: a fingerprint of the address, so any address makes a safe name.
std::string SourceCacheFileName(std::string_view url);

// A source is never asked again sooner than it asks for, nor told to wait more than a day.
constexpr TUnixTime MaxRequestDelay = 24 * 60 * 60;

// When the source may next be asked, given an answer's status and its Retry-After and
// Cache-Control headers (empty when absent): Retry-After (seconds or an HTTP date) counts on
// 429 and 503, max-age on 2xx and 304; otherwise, or when the values say nothing usable, now.
TUnixTime NextRequestTime(int status, std::string_view retryAfter, std::string_view cacheControl,
                          TUnixTime now);

// "Mini Pelikora/<version>".
std::string UserAgent();

using THeaders = std::vector<std::pair<std::string, std::string>>;

// The header lines a request for the source carries: User-Agent and Accept always, and
// If-None-Match and If-Modified-Since from what the last answer told. A stored value that could
// not stand in a header line (a line break, an absurd length) is left out.
THeaders RequestHeaders(const TSourceCache* cache);

// The value of a header in a block of raw response headers (the last response's, when
// redirects put several in one block); empty when it is absent.
std::string HeaderValue(std::string_view rawHeaders, std::string_view name);

} // namespace news::feeds
