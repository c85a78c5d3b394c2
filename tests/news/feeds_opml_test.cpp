// Subscription lists as other readers write them, and lists that try to hurt the reader.
#include "news/feeds/opml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch.h"

namespace {

using namespace news::feeds;

struct TOpmlCase {
    const char* Name;
    std::string Text;
    TOpmlStatus Status;
    std::vector<std::string> Urls;
    std::size_t Duplicates = 0;
    std::size_t Refused = 0;
};

// The addresses a case expects, in order.
template <class... T> std::vector<std::string> Urls(T... Url) {
    return {Url...};
}

std::string Opml(const std::string& Body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><opml version=\"2.0\"><head><title>x</title>"
           "</head><body>" +
           Body + "</body></opml>";
}

TEST(Opml, ListsAreReadFlatWithDuplicatesAndOtherSchemesCounted) {
    const std::vector<TOpmlCase> cases = {
        {"flat, in document order",
         Opml(R"(<outline text="A" type="rss" xmlUrl="https://a.example/rss"/>
                 <outline text="B" type="rss" xmlUrl="http://b.example/atom.xml"/>)"),
         TOpmlStatus::Ok, Urls("https://a.example/rss", "http://b.example/atom.xml")},
        {"folders nest; their feeds come out in order, the folders themselves do not",
         Opml(R"(<outline text="Haber"><outline text="Gündem">
                   <outline text="A" xmlUrl="https://a.example/rss"/></outline>
                   <outline text="B" xmlUrl="https://b.example/rss"/></outline>
                 <outline text="C" xmlUrl="https://c.example/rss"/>)"),
         TOpmlStatus::Ok,
         Urls("https://a.example/rss", "https://b.example/rss", "https://c.example/rss")},
        {"the same feed in two folders is taken once",
         Opml(R"(<outline text="1"><outline xmlUrl="https://a.example/rss"/></outline>
                 <outline text="2"><outline xmlUrl="https://a.example/rss"/></outline>)"),
         TOpmlStatus::Ok, Urls("https://a.example/rss"), 1},
        {"other schemes, relative and empty addresses are refused and counted",
         Opml(R"x(<outline xmlUrl="file:///etc/passwd"/><outline xmlUrl="javascript:alert(1)"/>
                 <outline xmlUrl="feed/rss"/><outline xmlUrl=""/><outline xmlUrl="ftp://x.example/f"/>
                 <outline xmlUrl="HTTPS://d.example/rss"/>)x"),
         TOpmlStatus::Ok, Urls("https://d.example/rss"), 0, 5},
        {"attribute names in another case, as some readers write them",
         Opml(R"(<outline TEXT="A" xmlurl="https://a.example/rss"/>)"), TOpmlStatus::Ok,
         Urls("https://a.example/rss")},
        {"OPML 1.0 without a head",
         "<opml version=\"1.0\"><body><outline xmlUrl=\"http://e.example/\"/></body></opml>",
         TOpmlStatus::Ok, Urls("http://e.example/")},
        {"an empty list", Opml(""), TOpmlStatus::Ok, Urls()},
        {"an RSS feed is not a list of feeds",
         "<rss version=\"2.0\"><channel><title>x</title></channel></rss>", TOpmlStatus::NotOpml,
         Urls()},
        {"broken XML", "<opml><body><outline xmlUrl=\"http://a.example/\"></body>",
         TOpmlStatus::Malformed, Urls()},
        {"nothing at all", "", TOpmlStatus::Malformed, Urls()},
        {"an entity declared in the DOCTYPE is never expanded",
         "<?xml version=\"1.0\"?><!DOCTYPE opml [<!ENTITY feed \"http://evil.example/rss\">]>" +
             Opml(R"(<outline xmlUrl="&feed;"/>)").substr(38),
         TOpmlStatus::Ok, Urls(), 0, 1},
    };
    for (const TOpmlCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TOpmlList list = ReadOpml(c.Text);
        EXPECT_EQ(list.Status, c.Status);
        std::vector<std::string> urls;
        for (const TOpmlFeed& feed : list.Feeds)
            urls.push_back(feed.Url);
        EXPECT_EQ(urls, c.Urls);
        EXPECT_EQ(list.Duplicates, c.Duplicates);
        EXPECT_EQ(list.Refused, c.Refused);
    }
}

TEST(Opml, WrittenListReadsBackTheSameFeedsAndNames) {
    const std::vector<TOpmlFeed> feeds = {
        {"https://haber.example/rss?kategori=spor&sayfa=1", "Spor & Gündem <Son> \"Dakika\""},
        {"http://127.0.0.1:8080/feed/atom", "Pelikora Atom Haberleri"},
        {"https://nameless.example/feed.json", ""},
    };
    const std::string text = WriteOpml(feeds, "Mini Pelikora");
    EXPECT_NE(text.find("<opml version=\"2.0\">"), std::string::npos);
    const TOpmlList back = ReadOpml(text);
    ASSERT_EQ(back.Status, TOpmlStatus::Ok);
    ASSERT_EQ(back.Feeds.size(), feeds.size());
    for (std::size_t i = 0; i < feeds.size(); ++i) {
        EXPECT_EQ(back.Feeds[i].Url, feeds[i].Url);
        // A feed without a name is written under its host, so every outline has a text.
        EXPECT_EQ(back.Feeds[i].Title,
                  feeds[i].Title.empty() ? "nameless.example" : feeds[i].Title);
    }
}

TEST(Opml, HostileListsCostLittleAndReadNothingOutside) {
    // An external entity naming a file on this machine: its content must never come in.
    const testsupport::TTempDir scratch;
    const std::string path = scratch.File("secret");
    testsupport::WriteBytes(path, "http://secret.example/rss");
    ASSERT_EQ(testsupport::ReadBytes(path), "http://secret.example/rss");
    const TOpmlList external = ReadOpml(
        std::string("<?xml version=\"1.0\"?><!DOCTYPE opml [<!ENTITY x SYSTEM \"file://") + path +
        "\">]><opml version=\"2.0\"><body><outline title=\"&x;\" xmlUrl=\"&x;\"/>"
        "<outline title=\"ok\" xmlUrl=\"https://ok.example/rss\"/></body></opml>");
    ASSERT_EQ(external.Status, TOpmlStatus::Ok);
    ASSERT_EQ(external.Feeds.size(), 1u);
    EXPECT_EQ(external.Feeds[0].Url, "https://ok.example/rss");
    EXPECT_EQ(external.Refused, 1u);

    // A billion laughs stays a few references that are never expanded.
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE opml [<!ENTITY l0 \"ha\">";
    for (int i = 1; i <= 9; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            laughs += "&l" + std::to_string(i - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><opml><body><outline title=\"&l9;\" xmlUrl=\"https://a.example/rss\"/></body>"
              "</opml>";
    const TOpmlList bomb = ReadOpml(laughs);
    ASSERT_EQ(bomb.Status, TOpmlStatus::Ok);
    ASSERT_EQ(bomb.Feeds.size(), 1u);
    EXPECT_LT(bomb.Feeds[0].Title.size(), 100u);

    // Folders nested two hundred thousand deep: no stack is spent on the depth.
    const int depth = 200000;
    std::string deep = "<opml><body>";
    for (int i = 0; i < depth; ++i)
        deep += "<outline>";
    deep += "<outline xmlUrl=\"https://deep.example/rss\"/>";
    for (int i = 0; i < depth; ++i)
        deep += "</outline>";
    deep += "</body></opml>";
    const TOpmlList nested = ReadOpml(deep);
    ASSERT_EQ(nested.Status, TOpmlStatus::Ok);
    ASSERT_EQ(nested.Feeds.size(), 1u);
    EXPECT_EQ(nested.Feeds[0].Url, "https://deep.example/rss");

    // A list past the size a list can have is refused unread.
    std::string huge = Opml("");
    huge.insert(huge.size() - 14, std::string(MaxOpmlBytes, ' '));
    EXPECT_EQ(ReadOpml(huge).Status, TOpmlStatus::TooLarge);
}

} // namespace
