// Feeds as publishers really write them, and answers that only pretend to be feeds.
#include "news/feeds/dates.h"
#include "news/feeds/discovery.h"
#include "news/feeds/parser.h"
#include "news/feeds/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/scratch.h"

namespace {

using namespace news::feeds;

const std::string FeedUrl = "https://haber.example/rss/sondakika.xml";

constexpr auto& Utc = UnixTimeOf;

struct TExpected {
    std::string Title;
    std::string Summary;
    std::string Link;
    std::optional<TUnixTime> Date;
    std::string Id; // "*" when it is a fingerprint
};

struct TFeedCase {
    const char* Name;
    std::string Body;
    TFeedFormat Format;
    std::string Title;
    std::vector<TExpected> Items;
    std::string ContentType = {};
};

void Check(const TFeedCase& c) {
    SCOPED_TRACE(c.Name);
    TFeed feed = ParseFeed(c.Body, FeedUrl, c.ContentType);
    ASSERT_EQ(feed.Status, TFeedStatus::Ok);
    EXPECT_EQ(feed.Format, c.Format);
    EXPECT_EQ(feed.Title, c.Title);
    EXPECT_FALSE(feed.Truncated);
    ASSERT_EQ(feed.Items.size(), c.Items.size());
    for (std::size_t i = 0; i < c.Items.size(); ++i) {
        SCOPED_TRACE(i);
        const TFeedItem& got = feed.Items[i];
        const TExpected& want = c.Items[i];
        EXPECT_EQ(got.Title, want.Title);
        EXPECT_EQ(got.Summary, want.Summary);
        EXPECT_EQ(got.Link, want.Link);
        EXPECT_EQ(got.Date, want.Date);
        if (want.Id == "*")
            EXPECT_EQ(got.Id.substr(0, 2), "h:");
        else
            EXPECT_EQ(got.Id, want.Id);
        EXPECT_TRUE(got.Label.empty());
    }
}

TEST(ParseFeed, PublishersShapes) {
    const TFeedCase cases[] = {
        {"RSS 2.0 of a Turkish broadcaster: CDATA, HTML descriptions, numeric guids",
         R"(<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0" xmlns:atom="http://www.w3.org/2005/Atom">
 <channel><title><![CDATA[Haber Ajansı - Son Dakika]]></title>
  <atom:link href="https://haber.example/rss/sondakika.xml" rel="self"/>
  <item><title><![CDATA[Merkez Bankası faiz kararını açıkladı]]></title>
   <link>https://haber.example/ekonomi/faiz-karari-1001.html</link>
   <description><![CDATA[<img src="https://img.example/1.jpg" /><p>Politika faizi <b>yüzde 42,5</b>'te sabit.</p>]]></description>
   <pubDate>Fri, 14 Mar 2025 17:42:10 +0300</pubDate><guid isPermaLink="false">1001</guid></item>
  <item><title>Deprem: &lt;b&gt;4,2&lt;/b&gt; büyüklüğünde &amp;quot;sarsıntı&amp;quot;</title>
   <link>https://haber.example/gundem/deprem-1002.html</link>
   <description>Deprem: &lt;b&gt;4,2&lt;/b&gt; büyüklüğünde &amp;quot;sarsıntı&amp;quot;</description>
   <pubDate>Fri, 14 Mar 2025 14:30:00 GMT</pubDate><guid isPermaLink="false">1002</guid></item>
 </channel></rss>)",
         TFeedFormat::Rss,
         "Haber Ajans\xC4\xB1 - Son Dakika",
         {{"Merkez Bankas\xC4\xB1 faiz karar\xC4\xB1n\xC4\xB1 a\xC3\xA7\xC4\xB1klad\xC4\xB1",
           "Politika faizi y\xC3\xBCzde 42,5'te sabit.",
           "https://haber.example/ekonomi/faiz-karari-1001.html", Utc(2025, 3, 14, 14, 42, 10),
           "1001"},
          // The description only repeats the headline, so it is dropped.
          {"Deprem: 4,2 b\xC3\xBCy\xC3\xBCkl\xC3\xBC\xC4\x9F\xC3\xBCnde \"sars\xC4\xB1nt\xC4\xB1\"",
           "", "https://haber.example/gundem/deprem-1002.html", Utc(2025, 3, 14, 14, 30, 0),
           "1002"}}},
        {"RSS without dates, with relative links, permalink guids and no links at all",
         R"(<rss version="2.0"><channel><title>Yerel &amp; Bölge</title>
  <item><title>Göreli bağlantı</title><link>/yerel/haber-7.html</link></item>
  <item><title>Bağlantısız, guid kalıcı</title><guid>https://haber.example/kalici/8</guid></item>
  <item><title>Kalıcı olmayan guid</title><guid isPermaLink="false">https://haber.example/x/9</guid></item>
  <item><title>Hiçbir şey</title><description>Sadece metin</description></item>
  <item><title>Betik bağlantısı</title><link>javascript:alert(document.cookie)</link><pubDate>not a date</pubDate></item>
  <item><description></description></item>
</channel></rss>)",
         TFeedFormat::Rss,
         "Yerel & B\xC3\xB6lge",
         {{"G\xC3\xB6reli ba\xC4\x9Flant\xC4\xB1", "", "https://haber.example/yerel/haber-7.html",
           std::nullopt, "https://haber.example/yerel/haber-7.html"},
          {"Bağlantısız, guid kalıcı", "", "https://haber.example/kalici/8", std::nullopt,
           "https://haber.example/kalici/8"},
          {"Kalıcı olmayan guid", "", "", std::nullopt, "https://haber.example/x/9"},
          {"Hiçbir şey", "Sadece metin", "", std::nullopt, "*"},
          {"Betik ba\xC4\x9Flant\xC4\xB1s\xC4\xB1", "", "", std::nullopt, "*"}}},
        {"RSS with Dublin Core dates and content:encoded under unusual prefixes",
         R"(<rss version="2.0" xmlns:d="http://purl.org/dc/elements/1.1/" xmlns:c="http://purl.org/rss/1.0/modules/content/">
<channel><title>Blog</title>
 <item><title>Yazı</title><link>https://blog.example/1</link><d:date>2025-03-14T10:00:00+03:00</d:date>
  <c:encoded><![CDATA[<p>Uzun <em>içerik</em> burada.</p>]]></c:encoded></item>
</channel></rss>)",
         TFeedFormat::Rss,
         "Blog",
         {{"Yaz\xC4\xB1", "Uzun içerik burada.", "https://blog.example/1",
           Utc(2025, 3, 14, 7, 0, 0), "https://blog.example/1"}}},
        {"RSS 0.91 with the Netscape DOCTYPE and its HTML entities",
         R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<!DOCTYPE rss PUBLIC "-//Netscape Communications//DTD RSS 0.91//EN" "http://my.netscape.com/publish/formats/rss-0.91.dtd">
<rss version="0.91"><channel><title>Caf&eacute;</title>
<item><title>Cr)"
         "\xE8"
         R"(me &amp; caf&eacute;</title><link>http://old.example/1</link></item>
</channel></rss>)",
         TFeedFormat::Rss,
         "Caf\xC3\xA9",
         {{"Cr\xC3\xA8me & caf\xC3\xA9", "", "http://old.example/1", std::nullopt,
           "http://old.example/1"}}},
        {"RSS 1.0 (RDF) with items beside the channel",
         R"(<?xml version="1.0"?>
<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns="http://purl.org/rss/1.0/" xmlns:dc="http://purl.org/dc/elements/1.1/">
 <channel rdf:about="https://rdf.example/"><title>RDF Haber</title></channel>
 <item rdf:about="https://rdf.example/a"><title>Birinci</title><link>https://rdf.example/a</link>
  <description>İlk haber</description><dc:date>2025-03-14T12:00:00Z</dc:date></item>
 <item rdf:about="urn:x:2"><title>İkinci</title><link>b</link></item>
</rdf:RDF>)",
         TFeedFormat::Rdf,
         "RDF Haber",
         {{"Birinci", "\xC4\xB0lk haber", "https://rdf.example/a", Utc(2025, 3, 14, 12, 0, 0),
           "https://rdf.example/a"},
          {"\xC4\xB0kinci", "", "https://haber.example/rss/b", std::nullopt, "urn:x:2"}}},
        {"Atom with xml:base, several links, text types and the older date names",
         R"(<?xml version="1.0" encoding="utf-8"?>
<feed xmlns="http://www.w3.org/2005/Atom" xml:base="https://atom.example/news/">
 <title type="html">Atom &amp;amp; Haber</title><link rel="self" href="/feed.atom"/>
 <entry><title type="text">a &lt; b ama &lt;b&gt; değil</title>
  <link rel="enclosure" href="/media/1.mp3"/><link rel="alternate" type="application/pdf" href="1.pdf"/>
  <link href="2025/haber-1.html"/><id>tag:atom.example,2025:1</id>
  <updated>2025-03-14T15:00:00Z</updated><published>2025-03-14T13:00:00+01:00</published>
  <summary type="xhtml"><div xmlns="http://www.w3.org/1999/xhtml"><p>Özet <b>kalın</b></p></div></summary></entry>
 <entry xml:base="/other/"><title>İkinci</title><link rel="alternate" href="./2.html"/>
  <id>urn:uuid:1225c695-cfb8-4ebb-aaaa-80da344efa6a</id><modified>2025-03-14T11:00:00Z</modified>
  <content type="html">&lt;p&gt;İçerik&lt;/p&gt;</content></entry>
</feed>)",
         TFeedFormat::Atom,
         "Atom & Haber",
         {{"a < b ama <b> de\xC4\x9Fil", "\xC3\x96zet kal\xC4\xB1n",
           "https://atom.example/news/2025/haber-1.html", Utc(2025, 3, 14, 12, 0, 0),
           "tag:atom.example,2025:1"},
          {"\xC4\xB0kinci", "İçerik", "https://atom.example/other/2.html",
           Utc(2025, 3, 14, 11, 0, 0), "urn:uuid:1225c695-cfb8-4ebb-aaaa-80da344efa6a"}}},
        {"JSON Feed 1.1 with numeric ids, relative urls and a title-less item",
         R"({"version": "https://jsonfeed.org/version/1.1", "title": "JSON Haber",
 "items": [
  {"id": 77, "title": "Birinci", "url": "/j/77", "content_html": "<p>HTML <i>içerik</i></p>",
   "date_published": "2025-03-14T10:00:00+03:00"},
  {"id": "78", "content_text": "Başlıksız bir not", "external_url": "https://dis.example/78",
   "date_modified": "2025-03-14T08:00:00Z"},
  {"id": "79", "title": "Özetli", "summary": "Kısa özet", "content_text": "Uzun metin"},
  "not an item", {"id": "80"}
 ]})",
         TFeedFormat::JsonFeed,
         "JSON Haber",
         {{"Birinci", "HTML içerik", "https://haber.example/j/77", Utc(2025, 3, 14, 7, 0, 0), "77"},
          {"Ba\xC5\x9Fl\xC4\xB1ks\xC4\xB1z bir not", "", "https://dis.example/78",
           Utc(2025, 3, 14, 8, 0, 0), "78"},
          {"\xC3\x96zetli", "K\xC4\xB1sa \xC3\xB6zet", "", std::nullopt, "79"}}},
        {"JSON Feed 1.0 without a title takes the host",
         R"({"version":"https://jsonfeed.org/version/1","items":[{"id":"a","title":"T"}]})",
         TFeedFormat::JsonFeed,
         "haber.example",
         {{"T", "", "", std::nullopt, "a"}}},
        {"windows-1254 RSS declared only in the header",
         "<rss><channel><title>T\xFCrk\xE7"
         "e</title><item><title>\xD0\xDD\xDE \xF0\xFD\xFE"
         "</title><guid>g</guid></item></channel></rss>",
         TFeedFormat::Rss,
         "Türkçe",
         {{"\xC4\x9E\xC4\xB0\xC5\x9E \xC4\x9F\xC4\xB1\xC5\x9F", "", "", std::nullopt, "g"}},
         "application/rss+xml; charset=windows-1254"},
    };
    for (const TFeedCase& c : cases)
        Check(c);
}

TEST(ParseFeed, LongTextsAreCutAtAWord) {
    std::string words, other;
    while (words.size() < 5000) {
        words += "kelime ";
        other += "c\xC3\xBCmle kelime ";
    }
    std::string body = "<rss><channel><title>" + words + "</title><item><title>" + words +
                       "</title><description>" + other + "</description></item></channel></rss>";
    TFeed feed = ParseFeed(body, FeedUrl);
    ASSERT_EQ(feed.Items.size(), 1u);
    struct Case {
        std::string text;
        const std::string& source;
        std::size_t max;
    } cases[] = {{feed.Title, words, MaxTitleChars},
                 {feed.Items[0].Title, words, MaxTitleChars},
                 {feed.Items[0].Summary, other, MaxSummaryChars}};
    const std::string ellipsis = "\xE2\x80\xA6";
    for (const auto& c : cases) {
        ASSERT_GT(c.text.size(), ellipsis.size());
        ASSERT_EQ(c.text.substr(c.text.size() - ellipsis.size()), ellipsis);
        std::string head = c.text.substr(0, c.text.size() - ellipsis.size());
        EXPECT_EQ(c.source.compare(0, head.size(), head), 0) << c.text;
        EXPECT_EQ(c.source[head.size()], ' ') << c.text;
        EXPECT_LE(CharCount(c.text), c.max);
        EXPECT_GT(CharCount(c.text), c.max - 12);
    }
}

std::string ManyRssItems(std::size_t n) {
    std::string body = "<rss><channel><title>Many</title>";
    for (std::size_t i = 0; i < n; ++i)
        body += "<item><title>t" + std::to_string(i) + "</title><guid>" + std::to_string(i) +
                "</guid></item>";
    return body + "</channel></rss>";
}

std::string ManyJsonItems(std::size_t n) {
    std::string body = R"({"version":"https://jsonfeed.org/version/1.1","items":[)";
    for (std::size_t i = 0; i < n; ++i)
        body += (i ? "," : "") + std::string(R"({"id":")") + std::to_string(i) + R"(","title":"t)" +
                std::to_string(i) + "\"}";
    return body + "]}";
}

// Whatever a server sends, the outcome is one of the four statuses, in bounded time and memory,
// and nothing outside the answer is ever read.
TEST(ParseFeed, HostileAnswers) {
    const testsupport::TTempDir scratch;
    const std::string secret = scratch.File("secret");
    testsupport::WriteBytes(secret, "TOP-SECRET-CONTENT");
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY lol \"lol\">";
    for (int i = 1; i <= 9; ++i) {
        std::string prev = i == 1 ? "lol" : "lol" + std::to_string(i - 1);
        std::string value;
        for (int k = 0; k < 10; ++k)
            value += "&" + prev + ";";
        laughs += "<!ENTITY lol" + std::to_string(i) + " \"" + value + "\">";
    }
    laughs += "]><rss><channel><title>&lol9;</title><item><title>&lol9;</title></item>"
              "</channel></rss>";
    std::string xxe = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY xxe SYSTEM \"file://" +
                      secret +
                      "\">]><rss><channel><title>&xxe;</title><item><title>a &xxe;"
                      "</title><description>&xxe;</description></item></channel></rss>";
    std::string externalDtd = "<?xml version=\"1.0\"?><!DOCTYPE rss SYSTEM \"file://" + secret +
                              "\"><rss><channel><item><title>x</title></item>"
                              "</channel></rss>";
    std::string deepJson =
        R"({"version":"https://jsonfeed.org/version/1","items":[)" + std::string(100000, '[');
    std::string controls = "<rss><channel><title>a\x01"
                           "b</title><item><title>x\x02y\x7F"
                           "</title><description>\xC2\x80"
                           "c\x1B"
                           "d</description></item>"
                           "</channel></rss>";
    struct Case {
        const char* name;
        std::string body;
        TFeedStatus status;
        std::size_t items;
        bool truncated = false;
    } cases[] = {
        {"an HTML page",
         "<!DOCTYPE html><html><head><title>Ana sayfa</title></head><body><p>Merhaba"
         "<br></body></html>",
         TFeedStatus::NotAFeed, 0},
        {"XHTML that parses", "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body/></html>",
         TFeedStatus::NotAFeed, 0},
        {"nothing", "", TFeedStatus::NotAFeed, 0},
        {"whitespace", " \r\n\t", TFeedStatus::NotAFeed, 0},
        {"garbage", "\x89PNG\r\n\x1a\n\x00\x00", TFeedStatus::NotAFeed, 0},
        {"JSON that is not a feed", R"({"posts":[{"title":"x"}]})", TFeedStatus::NotAFeed, 0},
        {"a JSON array", "[1,2,3]", TFeedStatus::NotAFeed, 0},
        {"broken JSON", "{\"a\":", TFeedStatus::NotAFeed, 0},
        {"broken JSON Feed", R"({"version":"https://jsonfeed.org/version/1.1","items":[{"id":)",
         TFeedStatus::Malformed, 0},
        {"JSON Feed without items", R"({"version":"https://jsonfeed.org/version/1.1"})",
         TFeedStatus::Malformed, 0},
        {"deeply nested JSON", deepJson, TFeedStatus::Malformed, 0},
        {"truncated RSS", ManyRssItems(3).substr(0, 80), TFeedStatus::Malformed, 0},
        {"mismatched tags", "<rss><channel><item><title>x</item></channel></rss>",
         TFeedStatus::Malformed, 0},
        {"billion laughs", laughs, TFeedStatus::Ok, 1},
        {"external entity", xxe, TFeedStatus::Ok, 1},
        {"external DTD", externalDtd, TFeedStatus::Ok, 1},
        {"control characters", controls, TFeedStatus::Ok, 1},
        {"100 000 RSS items", ManyRssItems(100000), TFeedStatus::Ok, MaxFeedItems, true},
        {"100 000 JSON items", ManyJsonItems(100000), TFeedStatus::Ok, MaxFeedItems, true},
        {"over 16 MiB", std::string(MaxFeedBytes + 1, ' '), TFeedStatus::TooLarge, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFeed feed = ParseFeed(c.body, FeedUrl);
        EXPECT_EQ(feed.Status, c.status);
        EXPECT_EQ(feed.Items.size(), c.items);
        EXPECT_EQ(feed.Truncated, c.truncated);
        for (const TFeedItem& item : feed.Items) {
            for (const std::string* text : std::vector<const std::string*>{
                     &feed.Title, &item.Title, &item.Summary, &item.Id}) {
                EXPECT_EQ(text->find("TOP-SECRET"), std::string::npos);
                EXPECT_LE(CharCount(*text), 600u);
                for (unsigned char ch : *text)
                    EXPECT_GE(ch, 0x20);
                EXPECT_EQ(text->find("\xC2\x80"), std::string::npos);
            }
        }
    }
    TFeed controlled = ParseFeed(controls, FeedUrl);
    ASSERT_EQ(controlled.Items.size(), 1u);
    EXPECT_EQ(controlled.Title, "ab");
    EXPECT_EQ(controlled.Items[0].Title, "xy");
    EXPECT_EQ(controlled.Items[0].Summary, "cd");
    EXPECT_EQ(ParseFeed(xxe, FeedUrl).Items[0].Title, "a &xxe;");

    // A 1 MB headline still parses into a bounded one, and the items after it survive.
    std::string longTitle = "<rss><channel><item><title>" + std::string(1 << 20, 'x') +
                            "</title></item><item><title>after</title></item></channel></rss>";
    TFeed bounded = ParseFeed(longTitle, FeedUrl);
    ASSERT_EQ(bounded.Items.size(), 2u);
    EXPECT_EQ(CharCount(bounded.Items[0].Title), MaxTitleChars);
    EXPECT_EQ(bounded.Items[1].Title, "after");

    // Broken UTF-8 inside a feed that declares none is repaired, not fatal.
    TFeed repaired = ParseFeed("<rss><channel><item><title>a\xFF"
                               "b</title></item></channel></rss>",
                               FeedUrl);
    ASSERT_EQ(repaired.Items.size(), 1u);
    EXPECT_EQ(repaired.Items[0].Title, "a\xEF\xBF\xBD"
                                       "b");
}

TEST(ParseFeed, FormatComesFromTheAnswerNotTheAddress) {
    EXPECT_EQ(
        DetectFeedFormat("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>x</title></feed>"),
        TFeedFormat::Atom);
    EXPECT_EQ(DetectFeedFormat(ManyJsonItems(1)), TFeedFormat::JsonFeed);
    EXPECT_EQ(DetectFeedFormat("\xEF\xBB\xBF  \n<rss><channel/></rss>"), TFeedFormat::Rss);
    EXPECT_EQ(DetectFeedFormat("<html><body>rss</body></html>"), TFeedFormat::None);
    TFeed fromRssAddress = ParseFeed(ManyJsonItems(2), "https://x.example/feed.rss");
    EXPECT_EQ(fromRssAddress.Format, TFeedFormat::JsonFeed);
    EXPECT_EQ(fromRssAddress.Items.size(), 2u);
}

TEST(DiscoverFeeds, AnnouncedFeedsInDocumentOrder) {
    const std::string page = R"html(<!DOCTYPE html>
<html><head>
<link rel="stylesheet" type="text/css" href="/s.css">
<link rel="alternate" type="application/rss+xml" title="Son Dakika &amp; Gündem" href="rss/son.xml">
<link rel="ALTERNATE home" type="Application/Atom+XML; charset=utf-8" href="https://atom.example/a.atom">
<link rel="alternate" type="application/json" href="/wp-json/wp/v2/posts/1">
<link rel="alternate" type="application/feed+json" href="//cdn.example/feed.json">
<link rel="alternate" type="application/rss+xml" href="javascript:alert(1)">
<link rel="alternate" type="application/rss+xml" href="/base/rss/son.xml">
<link rel="alternate" hreflang="en" href="/en/">
<base href="https://site.example/base/">
<link rel="alternate" type="application/rdf+xml" href="rdf">
</head><body><link rel="alternate" type="application/rss+xml" href="/in-body"></body></html>)html";
    std::vector<TDiscoveredFeed> feeds = DiscoverFeeds(page, "https://site.example/page.html");
    ASSERT_EQ(feeds.size(), 4u);
    EXPECT_EQ(feeds[0].Url, "https://site.example/base/rss/son.xml");
    EXPECT_EQ(feeds[0].Title, "Son Dakika & G\xC3\xBCndem");
    EXPECT_EQ(feeds[0].Format, TFeedFormat::Rss);
    EXPECT_EQ(feeds[1].Url, "https://atom.example/a.atom");
    EXPECT_EQ(feeds[1].Format, TFeedFormat::Atom);
    EXPECT_EQ(feeds[2].Url, "https://cdn.example/feed.json");
    EXPECT_EQ(feeds[2].Format, TFeedFormat::JsonFeed);
    EXPECT_EQ(feeds[3].Url, "https://site.example/base/rdf");
    EXPECT_EQ(feeds[3].Format, TFeedFormat::Rdf);

    EXPECT_TRUE(DiscoverFeeds("<html><body>no feeds</body></html>", "https://x.example/").empty());
    EXPECT_TRUE(DiscoverFeeds("\xFF\xFE garbage <link", "https://x.example/").empty());

    // Nesting deep enough to stall an HTML5 tree builder for minutes is cut short.
    std::string deep = "<html><head>";
    for (int i = 0; i < 100000; ++i)
        deep += "<div>";
    deep += "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/late\">";
    EXPECT_TRUE(DiscoverFeeds(deep, "https://x.example/").empty());
}

} // namespace
