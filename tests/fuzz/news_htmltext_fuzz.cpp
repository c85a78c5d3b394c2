// Any markup becomes clean, collapsed, bounded UTF-8; cutting keeps it whole; feed discovery on
// any page yields only web addresses.
#include "fuzz_check.h"
#include "news/feeds/charset.h"
#include "news/feeds/discovery.h"
#include "news/feeds/text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace news::feeds;
    std::string_view html(reinterpret_cast<const char*>(data), size);
    std::string text = HtmlToText(html);
    Check(IsValidUtf8(text));
    Check(text.size() <= 3 * MaxHtmlInput);
    Check(text.find("  ") == std::string::npos);
    Check(text.empty() || (text.front() != ' ' && text.back() != ' '));
    for (unsigned char c : text)
        Check(c >= 0x20 && c != 0x7F);
    Check(CleanText(text) == text);

    std::size_t max = size == 0 ? 0 : data[0] % 64;
    std::string cut = CutText(text, max);
    Check(IsValidUtf8(cut));
    Check(CharCount(cut) <= max);
    Check(CharCount(text) > max || cut == text);

    for (const TDiscoveredFeed& feed : DiscoverFeeds(html, "https://fuzz.example/a/page.html")) {
        Check(feed.Url.rfind("http://", 0) == 0 || feed.Url.rfind("https://", 0) == 0);
        Check(feed.Format != TFeedFormat::None);
        Check(IsValidUtf8(feed.Title));
    }
    return 0;
}
