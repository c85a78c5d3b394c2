// Any answer, in any declared charset, gives one of the parser's outcomes; the items it yields
// are bounded, clean UTF-8 with web links only, survive the per-source record unchanged, and
// make a news document that parses with one element per merged item.
#include "fuzz_check.h"
#include "news/feeds/cache.h"
#include "news/feeds/charset.h"
#include "news/feeds/merge.h"
#include "news/feeds/parser.h"
#include "news/feeds/text.h"

#include <pugixml.hpp>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using fuzz::Check;

using namespace news::feeds;

void CheckText(const std::string& text, std::size_t maxChars) {
    Check(IsValidUtf8(text));
    Check(CharCount(text) <= maxChars);
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        Check(c >= 0x20 && c != 0x7F);
        // C1 controls are U+0080..U+009F: C2 80..C2 9F.
        Check(
            !(c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F));
    }
    Check(text.empty() || (text.front() != ' ' && text.back() != ' '));
}

bool IsWebLink(const std::string& link) {
    return link.rfind("http://", 0) == 0 || link.rfind("https://", 0) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const ContentTypes[] = {
        "",
        "application/rss+xml; charset=windows-1254",
        "text/xml; charset=ISO-8859-9",
        "application/json; charset=utf-8",
        "text/xml; charset=utf-16",
        "text/xml; charset=latin1",
    };
    if (size == 0)
        return 0;
    std::string_view contentType = ContentTypes[data[0] % 6];
    std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);

    TFeed feed = ParseFeed(body, "https://fuzz.example/dir/feed.xml", contentType);
    if (feed.Status != TFeedStatus::Ok) {
        Check(feed.Items.empty() && feed.Format == TFeedFormat::None);
        return 0;
    }
    Check(feed.Format != TFeedFormat::None);
    Check(feed.Items.size() <= MaxFeedItems);
    CheckText(feed.Title, MaxTitleChars);
    for (const TFeedItem& item : feed.Items) {
        CheckText(item.Title, MaxTitleChars);
        Check(!item.Title.empty());
        CheckText(item.Summary, MaxSummaryChars);
        Check(!item.Id.empty() && IsValidUtf8(item.Id));
        Check(item.Link.empty() || IsWebLink(item.Link));
        Check(item.Label.empty());
    }

    TSourceCache cache;
    cache.Url = "https://fuzz.example/dir/feed.xml";
    cache.Name = feed.Title;
    cache.Items = feed.Items;
    std::string saved = SaveSourceCache(cache);
    std::optional<TSourceCache> loaded = LoadSourceCache(saved);
    Check(loaded.has_value() && SaveSourceCache(*loaded) == saved);

    std::vector<TMergedItem> merged = MergeSources({{cache.Url, feed.Title, feed.Items}});
    Check(merged.size() <= MaxListItems && merged.size() <= feed.Items.size());
    std::string doc = WriteNewsDocument(merged);
    pugi::xml_document xml;
    Check(static_cast<bool>(xml.load_buffer(doc.data(), doc.size())));
    Check(xml.select_nodes("/r/n").size() == merged.size());
    return 0;
}
