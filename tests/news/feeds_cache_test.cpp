// What a source keeps between requests, how it asks, and which sources a fresh install reads.
#include "news/feeds/cache.h"
#include "news/feeds/dates.h"
#include "news/feeds/sources.h"
#include "news/feeds/text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/scratch.h"

namespace {

using namespace news::feeds;

TSourceCache Sample() {
    TSourceCache cache;
    cache.Url = "https://haber.example/rss?a=1&b=\xC4\x9F";
    cache.Name = "Haber \"Ajans\xC4\xB1\"";
    cache.ETag = "W/\"5e-abc\"";
    cache.LastModified = "Fri, 14 Mar 2025 14:00:00 GMT";
    cache.NextRequest = 1741961000;
    TFeedItem dated;
    dated.Id = "tag:haber.example,2025:1";
    dated.Title = "Ba\xC5\x9Fl\xC4\xB1k \\ \"quoted\"";
    dated.Summary = "\xC3\x96zet";
    dated.Link = "https://haber.example/1";
    dated.Date = 1741963330;
    TFeedItem alarm;
    alarm.Id = "501";
    alarm.Title = "bytes \xFF as they came";
    alarm.Label = "24927681";
    // Without a guid the link is the identity, and links may be far longer than guids.
    TFeedItem linked;
    linked.Link = "https://haber.example/" + std::string(1500, 'a');
    linked.Id = linked.Link;
    linked.Title = "linked";
    cache.Items = {dated, alarm, linked};
    return cache;
}

TEST(SourceCache, RoundTripKeepsEverything) {
    TSourceCache cache = Sample();
    std::optional<TSourceCache> back = LoadSourceCache(SaveSourceCache(cache));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Url, cache.Url);
    EXPECT_EQ(back->Name, cache.Name);
    EXPECT_EQ(back->ETag, cache.ETag);
    EXPECT_EQ(back->LastModified, cache.LastModified);
    EXPECT_EQ(back->NextRequest, cache.NextRequest);
    ASSERT_EQ(back->Items.size(), 3u);
    const TFeedItem& a = back->Items[0];
    EXPECT_EQ(a.Id, cache.Items[0].Id);
    EXPECT_EQ(a.Title, cache.Items[0].Title);
    EXPECT_EQ(a.Summary, cache.Items[0].Summary);
    EXPECT_EQ(a.Link, cache.Items[0].Link);
    EXPECT_EQ(a.Date, cache.Items[0].Date);
    const TFeedItem& b = back->Items[1];
    EXPECT_EQ(b.Title, "bytes \xEF\xBF\xBD as they came");
    EXPECT_EQ(b.Label, "24927681");
    EXPECT_FALSE(b.Date);
    EXPECT_EQ(back->Items[2].Id, cache.Items[2].Id);
    // Saving what was loaded gives the same bytes: nothing drifts across restarts.
    EXPECT_EQ(SaveSourceCache(*back), SaveSourceCache(*LoadSourceCache(SaveSourceCache(*back))));
}

TEST(SourceCache, AnythingButASoundRecordIsRefused) {
    const std::string good = SaveSourceCache(Sample());
    // Every cut-off version of a good file, as a crash while writing would leave it.
    for (std::size_t n = 0; n < good.size(); ++n)
        ASSERT_FALSE(LoadSourceCache(good.substr(0, n))) << n;
    const char* bad[] = {
        "[]",
        "null",
        R"({"format":2,"url":"u","items":[]})",
        R"({"format":1,"items":[]})",
        R"({"format":1,"url":5,"items":[]})",
        R"({"format":1,"url":"u","items":{}})",
        R"({"format":1,"url":"u","items":[7]})",
        R"({"format":1,"url":"u","items":[],"nextRequest":"soon"})",
        "\xFF\xFE{}",
    };
    for (const char* text : bad)
        EXPECT_FALSE(LoadSourceCache(text)) << text;
    EXPECT_FALSE(LoadSourceCache(std::string(MaxFeedBytes + 1, ' ')));

    // A sound record with oversized contents is bounded as a feed would be.
    std::string huge = R"({"format":1,"url":"u","items":[)";
    for (std::size_t i = 0; i < MaxFeedItems + 50; ++i)
        huge += (i ? "," : "") + std::string(R"({"title":")") + std::string(5000, 'x') + "\"}";
    huge += "]}";
    std::optional<TSourceCache> bounded = LoadSourceCache(huge);
    ASSERT_TRUE(bounded);
    EXPECT_EQ(bounded->Items.size(), MaxFeedItems);
    EXPECT_EQ(CharCount(bounded->Items[0].Title), MaxTitleChars);
}

// Sixteen lower-case hexadecimal digits and ".json".
bool IsSafeName(const std::string& name) {
    if (name.size() != 21 || name.substr(16) != ".json")
        return false;
    for (std::size_t i = 0; i < 16; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])) || std::isupper(name[i]))
            return false;
    return true;
}

// Digits, possibly separated by single dots.
bool IsVersion(const std::string& text) {
    bool digit = false;
    for (char c : text) {
        if (c == '.' && !digit)
            return false;
        digit = c != '.';
        if (digit && !std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return digit;
}

TEST(SourceCache, FileNamesAreSafeAndDistinct) {
    std::string a = SourceCacheFileName("https://haber.example/rss");
    EXPECT_TRUE(IsSafeName(a)) << a;
    EXPECT_EQ(a, SourceCacheFileName("https://haber.example/rss"));
    EXPECT_NE(a, SourceCacheFileName("https://haber.example/rss2"));
    std::string odd = SourceCacheFileName("../../etc/passwd\n/\\:*?\"<>|");
    EXPECT_TRUE(IsSafeName(odd)) << odd;
}

TEST(SourceCache, NextRequestTime) {
    const TUnixTime now = UnixTimeOf(2025, 3, 14, 12, 0, 0);
    struct Case {
        int status;
        const char* retryAfter;
        const char* cacheControl;
        TUnixTime wait;
    } cases[] = {
        {429, "120", "", 120},
        {503, " 30 ", "", 30},
        {429, "Fri, 14 Mar 2025 13:00:00 GMT", "", 3600},
        {503, "Friday, 14-Mar-25 12:10:00 GMT", "", 600},
        {429, "Fri, 14 Mar 2025 11:00:00 GMT", "", 0},
        {429, "", "", 0},
        {429, "soon", "max-age=300", 0},
        {429, "-5", "", 0},
        {429, "99999999999999999999", "", MaxRequestDelay},
        {200, "", "max-age=300", 300},
        {200, "", "public, max-age=\"60\", must-revalidate", 60},
        {304, "", "MAX-AGE = 600", 600},
        {204, "", "max-age=31536000", MaxRequestDelay},
        {200, "", "no-cache, max-age=600", 0},
        {200, "", "max-age=-1", 0},
        {200, "", "s-maxage=600", 0},
        {200, "120", "", 0},
        {500, "120", "max-age=300", 0},
        {404, "", "max-age=300", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextRequestTime(c.status, c.retryAfter, c.cacheControl, now), now + c.wait)
            << c.status << " " << c.retryAfter << " " << c.cacheControl;
}

TEST(SourceCache, RequestHeaders) {
    THeaders plain = RequestHeaders(nullptr);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[0].first, "User-Agent");
    const std::string product = "Mini Pelikora/";
    EXPECT_EQ(plain[0].second.substr(0, product.size()), product);
    EXPECT_TRUE(IsVersion(plain[0].second.substr(product.size()))) << plain[0].second;
    EXPECT_EQ(plain[1].first, "Accept");

    TSourceCache cache = Sample();
    THeaders conditional = RequestHeaders(&cache);
    ASSERT_EQ(conditional.size(), 4u);
    EXPECT_EQ(conditional[2], (std::pair<std::string, std::string>("If-None-Match", cache.ETag)));
    EXPECT_EQ(conditional[3],
              (std::pair<std::string, std::string>("If-Modified-Since", cache.LastModified)));

    // A stored value must never add header lines of its own.
    cache.ETag = "\"x\"\r\nCookie: stolen=1";
    cache.LastModified = std::string(2000, 'x');
    EXPECT_EQ(RequestHeaders(&cache).size(), 2u);
}

TEST(SourceCache, HeaderValueOfTheLastResponse) {
    const std::string raw = "HTTP/1.1 301 Moved Permanently\r\nLocation: /new\r\nETag: \"old\"\r\n"
                            "\r\nHTTP/1.1 200 OK\r\nContent-Type: application/rss+xml; "
                            "charset=windows-1254\r\netag:  \"new\" \r\nCache-Control: public\r\n"
                            "cache-control: max-age=60\r\n\r\n";
    EXPECT_EQ(HeaderValue(raw, "ETag"), "\"new\"");
    EXPECT_EQ(HeaderValue(raw, "content-type"), "application/rss+xml; charset=windows-1254");
    EXPECT_EQ(HeaderValue(raw, "Cache-Control"), "public, max-age=60");
    EXPECT_EQ(HeaderValue(raw, "Location"), "");
    EXPECT_EQ(HeaderValue("", "ETag"), "");
}

TEST(DefaultSources, BuiltInListUnlessReplaced) {
    unsetenv(DefaultSourcesVariable);
    std::vector<std::string> builtIn = DefaultSources();
    EXPECT_EQ(builtIn, BuiltInSources());
    ASSERT_EQ(builtIn.size(), 3u);
    for (const std::string& url : builtIn)
        EXPECT_EQ(url.rfind("https://", 0), 0u) << url;

    const testsupport::TTempDir scratch;
    ASSERT_FALSE(scratch.Path().empty());
    const std::string name = scratch.File("sources");
    testsupport::WriteBytes(name, "# loopback only\n\nhttp://127.0.0.1:8080/rss\n  \t\n"
                                  "javascript:alert(1)\nhttp://127.0.0.1:8080/atom  \r\n");
    setenv(DefaultSourcesVariable, name.c_str(), 1);
    EXPECT_EQ(DefaultSources(), (std::vector<std::string>{"http://127.0.0.1:8080/rss",
                                                          "http://127.0.0.1:8080/atom"}));
    std::remove(name.c_str());
    // A replacement that cannot be read means no sources, never the public ones.
    EXPECT_TRUE(DefaultSources().empty());
    unsetenv(DefaultSourcesVariable);
}

} // namespace
