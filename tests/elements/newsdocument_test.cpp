#include "elements/newsdocument.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "elements/textconv.h"
#include "news/feed.h"
#include "tests/support/fifo_watchdog.h"
#include "tests/support/scratch.h"

using namespace elements;

namespace {

const std::string Header = "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\r\n<r>\r\n";

std::string Item(const std::string& i, const std::string& si, const std::string& t,
                 const std::string& s, const std::string& u) {
    return "  <n i=\"" + i + "\" si=\"" + si + "\" t=\"" + t + "\" s=\"" + s +
           "\" cd=\"01.01.2024\" u=\"" + u + "\" />\r\n";
}

std::string Doc(const std::string& items) {
    return Header + items + "</r>";
}

TElementList Preloaded() {
    TElementList items;
    items.push_back(std::make_unique<TElement>());
    items.back()->Id = "old";
    return items;
}

} // namespace

TEST(ReadNewsDocument, ReadsEveryAttributeByName) {
    TElementList items;
    ASSERT_TRUE(ReadNewsText(Doc(Item("17", "24927412", "Ba&#351;l&#305;k &amp; &quot;x&quot;",
                                      "\xC3\x96zet", "http%3A%2F%2Fh%2Fa+b%2Fc") +
                                 "  <n t=\"only a title\" />\r\n"),
                             items));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->Id, "17");
    EXPECT_EQ(items[0]->Section, "24927412");
    EXPECT_EQ(items[0]->Title, u"Başlık & \"x\"");
    EXPECT_EQ(items[0]->Summary, u"Özet");
    EXPECT_EQ(items[0]->Link, "http://h/a b/c");
    EXPECT_EQ(items[0]->Date, "");
    // Missing attributes give empty fields.
    EXPECT_EQ(items[1]->Title, u"only a title");
    EXPECT_EQ(items[1]->Link, "");
    EXPECT_EQ(items[1]->Section, "");
}

TEST(ReadNewsDocument, WrapsTitlesAtFiftyAndSummariesAtSixtyColumns) {
    std::string words;
    for (int i = 0; i < 30; ++i)
        words += "abcd ";
    TElementList items;
    ASSERT_TRUE(ReadNewsText(Doc(Item("1", "", words, words, "")), items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->Title.find(u"\r\n"), 50u);
    EXPECT_EQ(items[0]->Summary.find(u"\r\n"), 60u);
}

TEST(ReadNewsDocument, ADocumentWithoutItemsEmptiesTheList) {
    auto items = Preloaded();
    ASSERT_TRUE(ReadNewsText(Doc(""), items));
    EXPECT_TRUE(items.empty());
    // Items under another root are not news items.
    items = Preloaded();
    ASSERT_TRUE(ReadNewsText("<x><n t=\"a\"/></x>", items));
    EXPECT_TRUE(items.empty());
}

TEST(ReadNewsDocument, ABrokenDocumentKeepsTheItems) {
    for (const std::string& broken : {std::string(), Header + "  <n t=\"a\" ",
                                      std::string("<r><n></r>"), std::string("\x01")}) {
        auto items = Preloaded();
        EXPECT_FALSE(ReadNewsText(broken, items));
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0]->Id, "old");
    }
}

TEST(ReadNewsDocument, ABadLinkEscapeStopsReadingButKeepsEarlierItems) {
    auto items = Preloaded();
    ASSERT_TRUE(ReadNewsText(Doc(Item("1", "", "a", "", "ok") + Item("2", "", "b", "", "bad%G1") +
                                 Item("3", "", "c", "", "ok")),
                             items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->Id, "1");
    items = Preloaded();
    ASSERT_TRUE(ReadNewsText(Doc(Item("1", "", "a", "", "end%4")), items));
    EXPECT_TRUE(items.empty());
}

TEST(ReadNewsDocument, LoadsFromAFileAndLeavesItemsWhenTheFileIsMissing) {
    const testsupport::TTempDir scratch;
    const std::string path = scratch.File("news_\xC3\xBC.xml");
    testsupport::WriteBytes(path, Doc(Item("9", "", "t", "s", "")));
    TElementList items;
    EXPECT_TRUE(ReadNewsDocument(Utf8ToUtf16(path), items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->Id, "9");
    std::remove(path.c_str());
    EXPECT_FALSE(ReadNewsDocument(Utf8ToUtf16(path), items));
    EXPECT_EQ(items.size(), 1u);
}

// A server can send one record with a headline or summary of any length. What the list keeps
// of it is cut to what the card shows, at the edge of a whole character, so that wrapping and
// laying it out cost the same small amount whatever arrived.
TEST(ReadNewsDocument, HostileRecordsAreCutToWhatTheCardShows) {
    struct Pattern {
        const char* name;
        std::string unit; // repeated to fill the field
        bool cluster;     // the unit is one character on screen and must stay whole
    } patterns[] = {
        {"letters without a break", "x", false},
        {"markup characters", "<&\"'>", false},
        {"two-byte letters", "\xC4\x9F", false},                          // ğ
        {"characters outside the basic plane", "\xF0\x9F\x98\x80", true}, // a surrogate pair
        {"letters with combining marks", "e\xCC\x81", true},              // e + U+0301
        {"flags", "\xF0\x9F\x87\xB9\xF0\x9F\x87\xB7", true},              // two regional indicators
    };
    for (const auto& p : patterns) {
        // A leading letter moves every unit off the even positions the cut might favour.
        std::string field = "x";
        while (field.size() < 200000)
            field += p.unit;
        // Records as the news server would send them, until the answer holds 16 MiB.
        std::string answer;
        for (int i = 0; answer.size() < (16u << 20); ++i)
            answer += std::to_string(i) + "|x|" + field + "|" + field + "|y|d|u|L" +
                      std::string(news::RecordSeparator);
        TElementList items;
        ASSERT_TRUE(ReadNewsText(news::ConvertNews(answer), items)) << p.name;
        ASSERT_FALSE(items.empty()) << p.name;
        const std::u16string whole = Utf8ToUtf16(field);
        const std::size_t unit = Utf8ToUtf16(p.unit).size();
        for (const auto& item : items) {
            for (const auto* text : {&item->Title, &item->Summary}) {
                std::u16string plain;
                for (char16_t c : *text)
                    if (c != u'\r' && c != u'\n')
                        plain += c;
                const std::size_t limit = text == &item->Title ? MaxTitleChars : MaxSummaryChars;
                ASSERT_LE(plain.size(), 2 * limit + 1) << p.name;
                ASSERT_FALSE(plain.empty()) << p.name;
                ASSERT_EQ(plain.back(), u'\u2026') << p.name;
                plain.pop_back();
                EXPECT_GE(plain.size(), limit / 2) << p.name;
                EXPECT_EQ(whole.compare(0, plain.size(), plain), 0) << p.name;
                if (p.cluster) {
                    EXPECT_EQ((plain.size() - 1) % unit, 0u) << p.name << ": cut inside a unit";
                }
            }
        }
    }
}

TEST(ReadNewsDocument, KeepsAtMostTheItemsTheListCanShow) {
    std::string many;
    for (int i = 0; i < 100000; ++i)
        many += "<n t=\"a\"/>";
    TElementList items;
    ASSERT_TRUE(ReadNewsText(Doc(many), items));
    EXPECT_EQ(items.size(), news::MaxNewsItems);
}

// A document beyond the size the widget ever writes is not read at all, and neither is
// anything that is not a regular file: a FIFO in its place would block the read for ever.
TEST(ReadNewsDocument, OnlyRegularFilesOfASaneSizeAreRead) {
    const testsupport::TTempDir scratch;
    ASSERT_FALSE(scratch.Path().empty());
    const std::string& dir = scratch.Path();
    const std::string big = scratch.File("big.xml");
    const std::string filler(news::MaxNewsDocumentBytes, ' ');
    testsupport::WriteBytes(big, Doc(Item("1", "", "t", "s", "") + filler));
    const std::string fifo = scratch.File("fifo.xml");
    ASSERT_TRUE(testsupport::MakeFifo(fifo));
    for (const std::string& path : {big, fifo, dir}) {
        auto items = Preloaded();
        testsupport::TFifoWatchdog watchdog({fifo});
        EXPECT_FALSE(ReadNewsDocument(Utf8ToUtf16(path), items)) << path;
        EXPECT_FALSE(watchdog.Stop()) << path << " blocked the reader";
        ASSERT_EQ(items.size(), 1u) << path;
        EXPECT_EQ(items[0]->Id, "old");
    }
}

TEST(SectionIndex, MatchesTheTableExactly) {
    EXPECT_EQ(SectionIndex("24927681"), 0);
    EXPECT_EQ(SectionIndex("24928019"), 11);
    EXPECT_EQ(SectionIndex("25042599"), 6);
    EXPECT_EQ(SectionIndex(" 24927681"), -1);
    EXPECT_EQ(SectionIndex("2492768"), -1);
    EXPECT_EQ(SectionIndex(""), -1);
}
