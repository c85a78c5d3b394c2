// JSON Feed 1.0 and 1.1 through nlohmann-json. Items past MaxFeedItems are skipped while
// parsing, so a feed of a hundred thousand items costs no more memory than its text.
#include "news/feeds/parser_internal.h"

#include <nlohmann/json.hpp>

#include <string>

namespace news::feeds::detail {

namespace {

using nlohmann::json;

// Deeper nesting than any feed needs is taken as an attack on the parser.
constexpr int MaxDepth = 64;

struct ETooDeep {};

bool IsJsonFeedVersion(const json& version) {
    if (!version.is_string())
        return false;
    const std::string& v = version.get_ref<const std::string&>();
    return v.rfind("https://jsonfeed.org/version/", 0) == 0 ||
           v.rfind("http://jsonfeed.org/version/", 0) == 0;
}

std::string Str(const json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end())
        return {};
    if (it->is_string())
        return it->get<std::string>();
    // Some generators write numeric ids.
    if (it->is_number_integer() || it->is_number_unsigned())
        return it->dump();
    return {};
}

bool ReadItem(const json& entry, std::string_view feedUrl, TFeedItem& item) {
    if (!entry.is_object())
        return false;
    TRawItem raw;
    raw.Id = Str(entry, "id");
    raw.Title = Str(entry, "title");
    raw.TitleIsHtml = false;
    raw.Summary = Str(entry, "summary");
    raw.SummaryIsHtml = false;
    if (raw.Summary.empty())
        raw.Summary = Str(entry, "content_text");
    if (raw.Summary.empty()) {
        raw.Summary = Str(entry, "content_html");
        raw.SummaryIsHtml = true;
    }
    raw.Link = Str(entry, "url");
    if (raw.Link.empty())
        raw.Link = Str(entry, "external_url");
    raw.Date = Str(entry, "date_published");
    if (raw.Date.empty())
        raw.Date = Str(entry, "date_modified");
    return FinishItem(raw, feedUrl, item);
}

} // namespace

TFeed ParseJsonFeed(const std::string& text, std::string_view feedUrl) {
    TFeed feed;
    std::string topKey;
    std::size_t seen = 0;
    bool truncated = false;
    auto keep = [&](int depth, json::parse_event_t event, json& parsed) {
        if (depth > MaxDepth)
            throw ETooDeep();
        if (event == json::parse_event_t::key && depth == 1)
            topKey = parsed.is_string() ? parsed.get<std::string>() : std::string();
        if (event == json::parse_event_t::object_start && depth == 2 && topKey == "items") {
            if (seen == MaxFeedItems) {
                truncated = true;
                return false;
            }
            ++seen;
        }
        return true;
    };
    json doc;
    try {
        doc = json::parse(text, keep, false);
    } catch (const ETooDeep&) {
        feed.Status = TFeedStatus::Malformed;
        return feed;
    }
    if (doc.is_discarded()) {
        // Broken JSON that names itself a JSON Feed is a broken feed; other garbage is not one.
        feed.Status = text.find("jsonfeed.org/version/") != std::string::npos
                          ? TFeedStatus::Malformed
                          : TFeedStatus::NotAFeed;
        return feed;
    }
    if (!doc.is_object() || !IsJsonFeedVersion(doc.value("version", json())))
        return feed;
    auto items = doc.find("items");
    if (items == doc.end() || !items->is_array()) {
        feed.Status = TFeedStatus::Malformed;
        return feed;
    }
    feed.Status = TFeedStatus::Ok;
    feed.Format = TFeedFormat::JsonFeed;
    feed.Truncated = truncated;
    feed.Title = FeedTitle(Str(doc, "title"), false, feedUrl);
    for (const json& entry : *items) {
        if (feed.Items.size() == MaxFeedItems)
            break;
        TFeedItem item;
        if (ReadItem(entry, feedUrl, item))
            feed.Items.push_back(std::move(item));
    }
    return feed;
}

} // namespace news::feeds::detail
