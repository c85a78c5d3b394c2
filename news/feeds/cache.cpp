#include "news/feeds/cache.h"

#include "news/feeds/dates.h"
#include "news/feeds/hash.h"
#include "news/feeds/text.h"
#include "news/feeds/url.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>

#ifndef MP_PRODUCT_VERSION
#define MP_PRODUCT_VERSION "0"
#endif

namespace news::feeds {

namespace {

using nlohmann::json;

constexpr int RecordFormat = 1;
constexpr std::size_t MaxHeaderValue = 1024;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool IsHeaderSafe(std::string_view value) {
    if (value.empty() || value.size() > MaxHeaderValue)
        return false;
    for (unsigned char c : value)
        if ((c < 0x20 && c != '\t') || c == 0x7F)
            return false;
    return true;
}

// Non-negative decimal seconds, saturating instead of overflowing.
std::optional<TUnixTime> Seconds(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.size() > 32)
        return std::nullopt;
    TUnixTime value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = std::min<TUnixTime>(value * 10 + (c - '0'), 1000000000000LL);
    }
    return value;
}

std::optional<TUnixTime> MaxAge(std::string_view cacheControl) {
    bool noCache = false;
    std::optional<TUnixTime> age;
    while (!cacheControl.empty()) {
        std::size_t comma = cacheControl.find(',');
        std::string_view directive = Trim(cacheControl.substr(0, comma));
        cacheControl =
            comma == std::string_view::npos ? std::string_view() : cacheControl.substr(comma + 1);
        std::size_t eq = directive.find('=');
        std::string_view name = Trim(directive.substr(0, eq));
        if (SameNoCase(name, "no-cache") || SameNoCase(name, "no-store"))
            noCache = true;
        if (SameNoCase(name, "max-age") && eq != std::string_view::npos) {
            std::string_view value = Trim(directive.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (auto seconds = Seconds(value); seconds && !age)
                age = seconds;
        }
    }
    return noCache ? std::nullopt : age;
}

std::string BoundedText(const json& object, const char* key, std::size_t maxChars) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_string())
        return {};
    return CutText(it->get<std::string>(), maxChars);
}

} // namespace

std::string SaveSourceCache(const TSourceCache& cache) {
    json items = json::array();
    for (const TFeedItem& item : cache.Items) {
        json entry = {{"id", item.Id},
                      {"title", item.Title},
                      {"summary", item.Summary},
                      {"link", item.Link},
                      {"label", item.Label}};
        entry["date"] = item.Date ? json(*item.Date) : json();
        items.push_back(std::move(entry));
    }
    json record = {{"format", RecordFormat},
                   {"url", cache.Url},
                   {"name", cache.Name},
                   {"etag", cache.ETag},
                   {"lastModified", cache.LastModified},
                   {"nextRequest", cache.NextRequest},
                   {"items", std::move(items)}};
    // Texts from the alarm server are bytes as they came; broken UTF-8 becomes U+FFFD here
    // rather than refusing to save.
    return record.dump(1, ' ', false, json::error_handler_t::replace);
}

std::optional<TSourceCache> LoadSourceCache(std::string_view bytes) {
    if (bytes.size() > MaxFeedBytes)
        return std::nullopt;
    json record = json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (record.is_discarded() || !record.is_object())
        return std::nullopt;
    auto format = record.find("format");
    auto url = record.find("url");
    auto items = record.find("items");
    auto next = record.find("nextRequest");
    if (format == record.end() || *format != RecordFormat || url == record.end() ||
        !url->is_string() || items == record.end() || !items->is_array() ||
        (next != record.end() && !next->is_number_integer()))
        return std::nullopt;
    TSourceCache cache;
    cache.Url = url->get<std::string>();
    cache.Name = BoundedText(record, "name", MaxTitleChars);
    cache.ETag = BoundedText(record, "etag", MaxHeaderValue);
    cache.LastModified = BoundedText(record, "lastModified", MaxHeaderValue);
    if (next != record.end())
        cache.NextRequest = next->get<TUnixTime>();
    for (const json& entry : *items) {
        if (cache.Items.size() == MaxFeedItems)
            break;
        if (!entry.is_object())
            return std::nullopt;
        TFeedItem item;
        // An identity may be the item's link.
        item.Id = BoundedText(entry, "id", MaxLinkBytes);
        item.Title = BoundedText(entry, "title", MaxTitleChars);
        item.Summary = BoundedText(entry, "summary", MaxSummaryChars);
        item.Link = BoundedText(entry, "link", MaxLinkBytes);
        item.Label = BoundedText(entry, "label", MaxTitleChars);
        auto date = entry.find("date");
        if (date != entry.end() && date->is_number_integer())
            item.Date = date->get<TUnixTime>();
        cache.Items.push_back(std::move(item));
    }
    return cache;
}

std::string SourceCacheFileName(std::string_view url) {
    return FingerprintHex(url) + ".json";
}

TUnixTime NextRequestTime(int status, std::string_view retryAfter, std::string_view cacheControl,
                          TUnixTime now) {
    std::optional<TUnixTime> wait;
    if (status == 429 || status == 503) {
        if (auto seconds = Seconds(retryAfter))
            wait = *seconds;
        else if (auto when = ParseRfc822Date(retryAfter))
            wait = std::max<TUnixTime>(*when - now, 0);
    } else if ((status >= 200 && status < 300) || status == 304) {
        wait = MaxAge(cacheControl);
    }
    if (!wait)
        return now;
    return now + std::min(*wait, MaxRequestDelay);
}

std::string UserAgent() {
    return std::string("Mini Pelikora/") + MP_PRODUCT_VERSION;
}

THeaders RequestHeaders(const TSourceCache* cache) {
    THeaders headers{
        {"User-Agent", UserAgent()},
        {"Accept", "application/rss+xml, application/atom+xml, application/feed+json, "
                   "application/xml;q=0.9, text/xml;q=0.9, */*;q=0.8"},
    };
    if (cache && IsHeaderSafe(cache->ETag))
        headers.emplace_back("If-None-Match", cache->ETag);
    if (cache && IsHeaderSafe(cache->LastModified))
        headers.emplace_back("If-Modified-Since", cache->LastModified);
    return headers;
}

std::string HeaderValue(std::string_view rawHeaders, std::string_view name) {
    // Only the last response's block counts: earlier ones belong to redirects.
    std::size_t start = 0;
    for (std::size_t at = 0; (at = rawHeaders.find("HTTP/", at)) != std::string_view::npos; ++at)
        if (at == 0 || rawHeaders[at - 1] == '\n')
            start = at;
    std::string_view block = rawHeaders.substr(start);
    std::string value;
    bool found = false;
    while (!block.empty()) {
        std::size_t eol = block.find('\n');
        std::string_view line = block.substr(0, eol);
        block = eol == std::string_view::npos ? std::string_view() : block.substr(eol + 1);
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || !SameNoCase(Trim(line.substr(0, colon)), name))
            continue;
        // Repeated fields join with a comma, as HTTP says they may.
        if (found)
            value += ", ";
        value += Trim(line.substr(colon + 1));
        found = true;
    }
    return value;
}

} // namespace news::feeds
