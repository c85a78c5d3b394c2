#include "elements/newsdocument.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "elements/textconv.h"

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
    const std::string path =
        ::testing::TempDir() + "news_\xC3\xBC_" + std::to_string(::getpid()) + ".xml";
    {
        std::ofstream f(path, std::ios::binary);
        f << Doc(Item("9", "", "t", "s", ""));
    }
    TElementList items;
    EXPECT_TRUE(ReadNewsDocument(Utf8ToUtf16(path), items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->Id, "9");
    std::remove(path.c_str());
    EXPECT_FALSE(ReadNewsDocument(Utf8ToUtf16(path), items));
    EXPECT_EQ(items.size(), 1u);
}

TEST(SectionIndex, MatchesTheTableExactly) {
    EXPECT_EQ(SectionIndex("24927681"), 0);
    EXPECT_EQ(SectionIndex("24928019"), 11);
    EXPECT_EQ(SectionIndex("25042599"), 6);
    EXPECT_EQ(SectionIndex(" 24927681"), -1);
    EXPECT_EQ(SectionIndex("2492768"), -1);
    EXPECT_EQ(SectionIndex(""), -1);
}
