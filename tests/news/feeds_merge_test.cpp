// The merged list and the document it becomes, read back by the news list's own reader.
#include "news/feed.h"
#include "news/feeds/dates.h"
#include "news/feeds/merge.h"

#include "elements/content.h"
#include "elements/newsdocument.h"
#include "elements/textconv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

using namespace news::feeds;

constexpr auto& Utc = UnixTimeOf;

TFeedItem Item(const std::string& id, const std::string& title, std::optional<TUnixTime> date) {
    TFeedItem item;
    item.Id = id;
    item.Title = title;
    item.Summary = "summary of " + title;
    item.Link = "https://haber.example/" + title;
    item.Date = date;
    return item;
}

std::vector<std::string> Titles(const std::vector<TMergedItem>& merged) {
    std::vector<std::string> out;
    for (const TMergedItem& m : merged)
        out.push_back(m.Item.Title);
    return out;
}

const std::string Sep = "\xC3\xB1";

std::string Record(const std::string& i, const std::string& t, const std::string& cd,
                   const std::string& label) {
    return i + "|x|" + t + "|s " + t + "|y|" + cd + "|http://alarm.example/" + t + "|" + label;
}

TEST(MergeSources, OneListNewestFirstEachIdentityOnce) {
    // Alarm dates are Istanbul wall-clock time (UTC+3): 17:10 there is 14:10 UTC.
    std::string answer = Record("501", "alarm-1410", "14.03.2025 17:10:00", "Son Dakika 24927681") +
                         Sep + Record("502", "alarm-undated", "soon", "24927412") + Sep +
                         Record("501", "alarm-duplicate", "14.03.2025 17:50:00", "24927681");
    std::vector<TSourceItems> sources = {
        {AlarmSourceKey, "Alarm", AlarmItems(answer)},
        {"https://a.example/rss",
         "Kaynak A",
         {Item("1", "a-1420", Utc(2025, 3, 14, 14, 20, 0)), Item("2", "a-undated", std::nullopt),
          Item("1", "a-same-guid-again", Utc(2025, 3, 14, 15, 0, 0)),
          Item("https://shared.example/story", "a-shared", Utc(2025, 3, 14, 13, 0, 0))}},
        {"https://b.example/atom",
         "Kaynak B",
         // "1" here is another story than A's "1"; the shared address is the same story.
         {Item("1", "b-1400", Utc(2025, 3, 14, 14, 0, 0)),
          Item("https://shared.example/story", "b-shared", Utc(2025, 3, 14, 16, 0, 0)),
          Item("3", "b-undated", std::nullopt), Item("4", "b-1410", Utc(2025, 3, 14, 14, 10, 0))}},
    };
    std::vector<TMergedItem> merged = MergeSources(sources);
    EXPECT_EQ(Titles(merged),
              (std::vector<std::string>{"a-1420", "alarm-1410", "b-1410", "b-1400", "a-shared",
                                        "alarm-undated", "a-undated", "b-undated"}));
    std::vector<std::string> labels;
    for (const TMergedItem& m : merged)
        labels.push_back(m.Label);
    EXPECT_EQ(labels, (std::vector<std::string>{"Kaynak A", "24927681", "Kaynak B", "Kaynak B",
                                                "Kaynak A", "24927412", "Kaynak A", "Kaynak B"}));
    EXPECT_EQ(merged[1].Id, "501");
    EXPECT_EQ(merged[0].Id.size(), 16u);
    EXPECT_NE(merged[0].Id, merged[3].Id);

    // At most a hundred, and they are the newest.
    std::vector<TFeedItem> many;
    for (int i = 0; i < 150; ++i)
        many.push_back(Item(std::to_string(i), "n" + std::to_string(i), Utc(2025, 1, 1, 0, i, 0)));
    std::vector<TMergedItem> capped = MergeSources({{"https://c.example/", "C", many}});
    ASSERT_EQ(capped.size(), MaxListItems);
    EXPECT_EQ(capped.front().Item.Title, "n149");
    EXPECT_EQ(capped.back().Item.Title, "n50");
}

class TLocalZone : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "Europe/Istanbul", 1);
        tzset();
    }
    void TearDown() override {
        unsetenv("TZ");
        tzset();
    }
};

// With the alarm server alone the document is ConvertNews's; merged, the alarm's fields keep
// their bytes and only cd moves to the local clock.
TEST_F(TLocalZone, AlarmItemsKeepTheirFieldsInTheMergedDocument) {
    std::string answer = "7|x|A & \"B\"|<s>|y|14.03.2025 17:42:10|a b/c|Son Dakika: Spor" + Sep +
                         "8|x|ğüş|\x01|y|bad date|http://x/?a=1&b=2|24927681";
    std::string alone = news::ConvertNews(answer);
    std::string merged =
        WriteNewsDocument(MergeSources({{AlarmSourceKey, "Alarm", AlarmItems(answer)}}));
    std::string expected = alone;
    // The only difference: the undated record's cd is empty rather than its unreadable text.
    std::string::size_type at = expected.find("cd=\"bad date\"");
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, 13, "cd=\"\"");
    EXPECT_EQ(merged, expected);
}

TEST_F(TLocalZone, TheNewsListReadsTheMergedDocument) {
    TFeedItem feedItem = Item("g1", "Feed & \"headline\"", Utc(2025, 3, 14, 14, 42, 10));
    feedItem.Link = "https://haber.example/a b?x=1&y=\xC4\x9F";
    feedItem.Summary = "\xC3\x96zet <b>";
    std::vector<TSourceItems> sources = {
        {AlarmSourceKey, "Alarm",
         AlarmItems(Record("9", "alarm", "14.03.2025 16:00:00", "Son Dakika 24927681"))},
        {"https://a.example/rss", "Uzun Bir Haber Kaynağı Adı Burada", {feedItem}},
    };
    std::string doc = WriteNewsDocument(MergeSources(sources));
    EXPECT_EQ(doc.substr(0, news::NewsDocumentHead().size()), news::NewsDocumentHead());

    elements::TElementList items;
    ASSERT_TRUE(elements::ReadNewsText(doc, items));
    ASSERT_EQ(items.size(), 2u);
    const elements::TElement& feed = *items[0];
    EXPECT_EQ(feed.Title, elements::Utf8ToUtf16("Feed & \"headline\""));
    EXPECT_EQ(feed.Link, feedItem.Link);
    EXPECT_EQ(feed.Section, "Uzun Bir Haber\xE2\x80\xA6");
    // A label that is no section number is shown as it stands.
    EXPECT_EQ(elements::TContentEx::LabelText(feed), elements::Utf8ToUtf16(feed.Section));
    EXPECT_NE(doc.find("cd=\"14.03.2025 17:42:10\""), std::string::npos);

    const elements::TElement& alarm = *items[1];
    EXPECT_EQ(alarm.Section, "24927681");
    EXPECT_EQ(alarm.Id, "9");
    EXPECT_EQ(elements::TContentEx::LabelText(alarm), elements::TContentEx::SectionName(alarm));
}

} // namespace
