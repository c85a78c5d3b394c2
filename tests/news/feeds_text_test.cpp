// The small parsers under every feed: dates, charsets, HTML to text, cutting, links.
#include "news/feeds/charset.h"
#include "news/feeds/dates.h"
#include "news/feeds/text.h"
#include "news/feeds/url.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace {

using namespace news::feeds;

constexpr auto& Utc = UnixTimeOf;

constexpr TUnixTime Hour = 3600;

// Runs a block with TZ set, restoring the old zone (or its absence) afterwards.
struct TZoneScope {
    explicit TZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            Old = old;
        Set(zone);
    }
    ~TZoneScope() { Set(Old ? Old->c_str() : nullptr); }
    static void Set(const char* zone) {
        zone ? setenv("TZ", zone, 1) : unsetenv("TZ");
        tzset();
    }
    std::optional<std::string> Old;
};

TEST(FeedDates, CivilTimeMatchesKnownInstants) {
    EXPECT_EQ(Utc(1970, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(Utc(2000, 1, 1, 0, 0, 0), 946684800);
    EXPECT_EQ(Utc(1994, 11, 6, 8, 49, 37), 784111777);
    EXPECT_EQ(Utc(2024, 2, 29, 12, 0, 0), 1709208000);
    EXPECT_EQ(Utc(1969, 12, 31, 23, 59, 59), -1);
}

TEST(FeedDates, Table) {
    const TUnixTime base = Utc(2002, 9, 7, 0, 0, 1);
    const TUnixTime rfc850 = Utc(1994, 11, 6, 8, 49, 37);
    struct Case {
        const char* text;
        std::optional<TUnixTime> time;
    } cases[] = {
        // RFC 822 and its zones
        {"Sat, 07 Sep 2002 00:00:01 GMT", base},
        {"Sat, 07 Sep 2002 00:00:01 UT", base},
        {"Sat, 07 Sep 2002 00:00:01 UTC", base},
        {"Sat, 07 Sep 2002 00:00:01 Z", base},
        {"Sat, 07 Sep 2002 00:00:01 +0000", base},
        {"Sat, 07 Sep 2002 00:00:01", base},
        {"Sat, 07 Sep 2002 00:00:01 +0300", base - 3 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 +03:00", base - 3 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 -0530", base + 5 * Hour + 1800},
        {"Sat, 07 Sep 2002 00:00:01 EST", base + 5 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 EDT", base + 4 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 CST", base + 6 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 CDT", base + 5 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 MST", base + 7 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 MDT", base + 6 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 PST", base + 8 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 pdt", base + 7 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 A", base - 1 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 M", base - 12 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 N", base + 1 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 Y", base + 12 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 TRT", base - 3 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 GMT+3", base - 3 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 +0300 (TRT)", base - 3 * Hour},
        {"Sat, 07 Sep 2002 00:00:01 XYZT", base},
        // what publishers make of it
        {"07 Sep 2002 00:00:01 GMT", base},
        {"Sat, 7 Sep 2002 00:00 GMT", base - 1},
        {"Sat, 07 Sep 02 00:00:01 GMT", base},
        {"Saturday, 07 September 2002 00:00:01 GMT", base},
        {"  Sat,07 Sep 2002 00:00:01 GMT\n", base},
        {"Sat, 07 Sep 2002 00:00:01.250 GMT", base},
        {"Sat, 07 Sep 2002 00:00:01+0300", base - 3 * Hour},
        {"Cmt, 07 Eyl 2002 00:00:01 +0300", base - 3 * Hour},
        {"14 Şub 2025 10:00:00 GMT", Utc(2025, 2, 14, 10, 0, 0)},
        {"14 Ağu 2025 10:00:00 GMT", Utc(2025, 8, 14, 10, 0, 0)},
        {"Sunday, 06-Nov-94 08:49:37 GMT", rfc850},
        {"Sun Nov  6 08:49:37 1994", rfc850},
        {"01 Jan 49 00:00:00 GMT", Utc(2049, 1, 1, 0, 0, 0)},
        {"01 Jan 50 00:00:00 GMT", Utc(1950, 1, 1, 0, 0, 0)},
        {"Thu, 29 Feb 2024 12:00:00 GMT", Utc(2024, 2, 29, 12, 0, 0)},
        {"Sat, 31 Dec 2016 23:59:60 GMT", Utc(2016, 12, 31, 23, 59, 59)},
        // RFC 3339
        {"2002-09-07T00:00:01Z", base},
        {"2002-09-07t00:00:01z", base},
        {"2002-09-07T00:00:01.123456Z", base},
        {"2002-09-07T03:00:01+03:00", base},
        {"2002-09-06T19:00:01-0500", base},
        {"2002-09-07 00:00:01", base},
        {"2002-09-07T00:00Z", base - 1},
        {"2002-09-07", base - 1},
        // not dates
        {"", std::nullopt},
        {"yesterday", std::nullopt},
        {"Thu, 29 Feb 2023 12:00:00 GMT", std::nullopt},
        {"32 Jan 2024 00:00:00 GMT", std::nullopt},
        {"Sat, 07 Sep 2002 25:00:01 GMT", std::nullopt},
        {"Sat, 07 Sep 2002 00:61:01 GMT", std::nullopt},
        {"Sat, 07 Foo 2002 00:00:01 GMT", std::nullopt},
        {"Sat, 07 Sep 2002 00:00:01 +9900", std::nullopt},
        {"Sat, 07 Sep 20022 00:00:01 GMT", std::nullopt},
        {"2002-13-07T00:00:01Z", std::nullopt},
        {"2002-09-07T00:00:01+25:00", std::nullopt},
        {"2002-09-07X00:00:01", std::nullopt},
        {"2002-09-07T00:00:01 garbage", std::nullopt},
        {"99999-09-07T00:00:01Z", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseFeedDate(c.text), c.time) << c.text;
}

TEST(FeedDates, AlarmDatesAreIstanbulTimeWhateverTheLocalZone) {
    TZoneScope zone("America/New_York");
    struct Case {
        const char* text;
        std::optional<TUnixTime> time;
    } cases[] = {
        {"14.03.2025 17:42:10", Utc(2025, 3, 14, 14, 42, 10)},
        // Istanbul kept summer time until 2016: the zone's history counts, not a fixed +3.
        {"01.07.2015 12:00:00", Utc(2015, 7, 1, 9, 0, 0)},
        {"01.01.2015 12:00:00", Utc(2015, 1, 1, 10, 0, 0)},
        {" 14.03.2025 17:42:10 ", Utc(2025, 3, 14, 14, 42, 10)},
        {"14.3.2025 17:42:10", std::nullopt},
        {"2025-03-14 17:42:10", std::nullopt},
        {"31.02.2025 10:00:00", std::nullopt},
        {"14.03.2025 17:42", std::nullopt},
        {"14.03.2025 17:42:10x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseAlarmDate(c.text), c.time) << c.text;
}

TEST(FeedDates, DocumentDatesAreWrittenInLocalTime) {
    const TUnixTime t = Utc(2025, 3, 14, 14, 42, 10);
    TZoneScope zone("UTC");
    EXPECT_EQ(FormatAlarmDate(t), "14.03.2025 14:42:10");
    TZoneScope::Set("Europe/Istanbul");
    EXPECT_EQ(FormatAlarmDate(t), "14.03.2025 17:42:10");
    EXPECT_EQ(ParseAlarmDate(FormatAlarmDate(t)), t);
    TZoneScope::Set("America/Los_Angeles");
    EXPECT_EQ(FormatAlarmDate(Utc(2025, 1, 1, 5, 0, 0)), "31.12.2024 21:00:00");
}

std::string Utf16(const std::u16string& text, bool bigEndian, bool bom) {
    std::string out = !bom ? "" : bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

TEST(FeedCharsets, Table) {
    const std::string prolog1254 = "<?xml version=\"1.0\" encoding=\"windows-1254\"?>";
    const std::string prolog88599 = "<?xml version='1.0' encoding='ISO-8859-9'?>";
    const std::string prologUtf8 = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
    struct Case {
        const char* name;
        std::string body;
        std::string contentType;
        std::string text;
    } cases[] = {
        {"plain UTF-8", "<a>\xC4\x9F</a>", "", "<a>\xC4\x9F</a>"},
        {"UTF-8 byte order mark is dropped", "\xEF\xBB\xBF<a>\xC4\x9F</a>", "", "<a>\xC4\x9F</a>"},
        {"UTF-16LE with mark", Utf16(u"<a>\u011F\u20AC</a>", false, true), "",
         "<a>\xC4\x9F\xE2\x82\xAC</a>"},
        {"UTF-16BE with mark", Utf16(u"<a>\u011F</a>", true, true), "", "<a>\xC4\x9F</a>"},
        {"UTF-16LE without mark, seen from <?", Utf16(u"<?xml?><a>\u0130</a>", false, false), "",
         "<?xml?><a>\xC4\xB0</a>"},
        {"ISO-8859-9 in the prolog", prolog88599 + "<a>\xF0\xFD\xFE\xDD</a>", "",
         prolog88599 + "<a>\xC4\x9F\xC4\xB1\xC5\x9F\xC4\xB0</a>"},
        {"windows-1254 in the header", "<a>\x80 \xF0</a>", "text/xml; charset=windows-1254",
         "<a>\xE2\x82\xAC \xC4\x9F</a>"},
        {"quoted header charset", "<a>\xFD</a>", "application/rss+xml; charset=\"ISO-8859-9\"",
         "<a>\xC4\xB1</a>"},
        {"ISO-8859-1 in the header", "<a>\xE9</a>", "text/xml;charset=iso-8859-1",
         "<a>\xC3\xA9</a>"},
        {"windows-1252 in the prolog",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\x93hi\x94", "",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\xE2\x80\x9Chi\xE2\x80\x9D"},
        {"header says Latin-1 over a UTF-8 body declared UTF-8: the bytes decide",
         prologUtf8 + "<a>\xC4\x9F</a>", "text/xml; charset=ISO-8859-1",
         prologUtf8 + "<a>\xC4\x9F</a>"},
        {"header says UTF-8 over windows-1254 bytes declared so: the bytes decide",
         prolog1254 + "<a>\xF0</a>", "text/xml; charset=utf-8", prolog1254 + "<a>\xC4\x9F</a>"},
        {"two legacy declarations: the header wins", prolog1254 + "\xF0",
         "text/xml; charset=ISO-8859-1", prolog1254 + "\xC3\xB0"},
        {"a UTF-16 declaration readable as ASCII is a lie",
         "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>", "text/xml; charset=utf-16",
         "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>"},
        {"ISO-8859-1 labels hold windows-1252 quotes",
         "\x93"
         "al\xFDnt\xFD"
         "\x94",
         "text/xml; charset=ISO-8859-1", "“alýntý”"},
        {"ISO-8859-9 labels hold windows-1254 quotes", prolog88599 + "\x93\xFD\x94", "",
         prolog88599 + "\xE2\x80\x9C\xC4\xB1\xE2\x80\x9D"},
        {"US-ASCII labels over UTF-8 bytes", "<a>\xC4\x9F</a>", "text/xml; charset=us-ascii",
         "<a>\xC4\x9F</a>"},
        {"unknown charset falls back to UTF-8", "a\xC4\x9F", "text/xml; charset=x-nonsense",
         "a\xC4\x9F"},
        {"broken UTF-8 is repaired",
         "a\xFF"
         "b\xC4",
         "",
         "a\xEF\xBF\xBD"
         "b\xEF\xBF\xBD"},
        {"overlong and surrogate forms are repaired", "\xC0\xAF|\xED\xA0\x80", "",
         "\xEF\xBF\xBD\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        std::string text = ToUtf8(c.body, c.contentType);
        EXPECT_EQ(text, c.text) << c.name;
        EXPECT_TRUE(IsValidUtf8(text)) << c.name;
    }
}

TEST(FeedCharsets, ContentTypeParameter) {
    EXPECT_EQ(ContentTypeCharset("text/xml; charset=UTF-8"), "UTF-8");
    EXPECT_EQ(ContentTypeCharset("text/xml;CHARSET = \"latin5\" ; q=1"), "latin5");
    EXPECT_EQ(ContentTypeCharset("text/xml; x=\"charset=no\"; charset=iso-8859-9"), "iso-8859-9");
    EXPECT_EQ(ContentTypeCharset("text/xml"), "");
    EXPECT_EQ(ContentTypeCharset("charset=utf-8"), "");
}

TEST(FeedText, HtmlToText) {
    struct Case {
        std::string html;
        std::string text;
    } cases[] = {
        {"<p>Hello <b>world</b></p><p>Next</p>", "Hello world Next"},
        {"a<br>b<br/>c", "a b c"},
        {"in<b>line</b>s stay whole", "inlines stay whole"},
        {"Fish &amp; chips&nbsp;&hellip; &ouml;&#x11F;&#287;",
         "Fish & chips \xE2\x80\xA6 \xC3\xB6\xC4\x9F\xC4\x9F"},
        {"&copy 2024 &notin; &not_an_entity; &lol9;",
         "\xC2\xA9 2024 \xE2\x88\x89 \xC2\xAC_an_entity; &lol9;"},
        {"x &lt;b&gt;y&lt;/b&gt;", "x <b>y</b>"},
        {"<div><b>unclosed <i>tags", "unclosed tags"},
        {"</p></div>stray closers<p", "stray closers"},
        {"<script>alert(1)</script>Text<style>p{color:red}</style><noscript>x</noscript>", "Text"},
        {"<img src=\"x.jpg\" alt=\"picture\">caption<!-- note -->", "caption"},
        {"  many \n\t spaces\xC2\xA0\xE2\x80\x83here  ", "many spaces here"},
        {"a\x01"
         "b\x7F c\xC2\x85"
         "d\xC2\x9F"
         "e",
         "ab c de"},
        {"bad \xFF byte", "bad \xEF\xBF\xBD byte"},
        {"non\xEF\xBF\xBE"
         "character",
         "noncharacter"},
        {"5 < 6 and AT&T", "5 < 6 and AT&T"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmlToText(c.html), c.text) << c.html;
}

TEST(FeedText, DeepAndHugeMarkupStaysBounded) {
    std::string nested;
    for (std::size_t i = 0; i < MaxHtmlTags / 2; ++i)
        nested += "<div><span>";
    EXPECT_EQ(HtmlToText(nested + "core"), "core");
    // Past the tag limit the rest is not read: an HTML5 tree builder needs seconds for a few
    // thousand nested elements.
    std::string deep;
    for (int i = 0; i < 12000; ++i)
        deep += "<div>";
    EXPECT_EQ(HtmlToText("head " + deep + "core"), "head");

    std::string huge(10 * MaxHtmlInput, 'a');
    huge.insert(0, "<b>x</b> ");
    std::string text = HtmlToText(huge);
    EXPECT_LE(text.size(), MaxHtmlInput);
    EXPECT_EQ(text.substr(0, 3), "x a");
}

TEST(FeedText, CutText) {
    struct Case {
        std::string text;
        std::size_t max;
        std::string cut;
    } cases[] = {
        {"short", 10, "short"},
        {"exactly ten", 11, "exactly ten"},
        {"one two three four", 12, "one two\xE2\x80\xA6"},
        {"abc def", 4, "abc\xE2\x80\xA6"},
        {"abcdefghijklmnop", 6, "abcde\xE2\x80\xA6"},
        {"a bcdefghijklmnop", 8, "a bcdef\xE2\x80\xA6"},
        {"\xC4\x9F\xC4\x9F\xC4\x9F\xC4\x9F\xC4\x9F\xC4\x9F", 5,
         "\xC4\x9F\xC4\x9F\xC4\x9F\xC4\x9F\xE2\x80\xA6"},
        {"anything", 0, ""},
    };
    for (const auto& c : cases) {
        std::string cut = CutText(c.text, c.max);
        EXPECT_EQ(cut, c.cut) << c.text << " / " << c.max;
        EXPECT_LE(CharCount(cut), c.max);
        EXPECT_TRUE(IsValidUtf8(cut));
    }
}

TEST(FeedLinks, ResolvesAsRfc3986Says) {
    const std::string base = "http://a/b/c/d;p?q";
    struct Case {
        const char* ref;
        const char* url;
    } cases[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {"g?y#s", "http://a/b/c/g?y#s"},
        {";x", "http://a/b/c/;x"},
        {"g;x?y#s", "http://a/b/c/g;x?y#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../", "http://a/"},
        {"../../g", "http://a/g"},
        {"../../../g", "http://a/g"},
        {"../../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {".g", "http://a/b/c/.g"},
        {"g..", "http://a/b/c/g.."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"./g/.", "http://a/b/c/g/"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},
        {"g?y/../x", "http://a/b/c/g?y/../x"},
        {"g#s/./x", "http://a/b/c/g#s/./x"},
        {"g#s/../x", "http://a/b/c/g#s/../x"},
        {"http:g", "http:g"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveUrl(base, c.ref), c.url) << c.ref;
}

TEST(FeedLinks, OnlyWebPagesAreLinks) {
    const std::string feed = "https://haber.example/rss/son.xml";
    struct Case {
        std::string base;
        std::string ref;
        std::string link;
    } cases[] = {
        {feed, "https://haber.example/a?b=1&c=2#x", "https://haber.example/a?b=1&c=2#x"},
        {feed, "/gundem/haber-1.html", "https://haber.example/gundem/haber-1.html"},
        {feed, "haber 2.html", "https://haber.example/rss/haber%202.html"},
        {feed, "//cdn.example/x", "https://cdn.example/x"},
        {feed, "HTTP://Haber.Example/X", "http://Haber.Example/X"},
        {feed, " \n https://haber.example/a\tb\r\n ", "https://haber.example/ab"},
        {feed, "https://haber.example/\xC4\x9F\"<>", "https://haber.example/%C4%9F%22%3C%3E"},
        {feed, "javascript:alert(1)", ""},
        {feed, "JavaScript:alert(1)", ""},
        {feed, "data:text/html,<b>x</b>", ""},
        {feed, "mailto:editor@haber.example", ""},
        {feed, "file:///etc/passwd", ""},
        {feed, "ftp://haber.example/x", ""},
        {feed, "http:///no-host", ""},
        {feed, "https://", ""},
        {feed, "https://haber.example/\x01", ""},
        {feed, "", ""},
        {"", "/relative/without/base", ""},
        {feed, "https://haber.example/" + std::string(3000, 'a'), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebLink(c.base, c.ref), c.link) << c.ref;
    EXPECT_EQ(UrlHost("https://user:pw@Haber.Example:8443/x"), "haber.example");
    EXPECT_EQ(UrlHost("http://[::1]:80/"), "[::1]");
    EXPECT_EQ(UrlHost("/no/host"), "");
}

} // namespace
