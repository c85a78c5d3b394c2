#include "elements/wrap.h"

#include <gtest/gtest.h>

#include <vector>

using namespace elements;

namespace {

std::vector<std::u16string> SplitLines(const std::u16string& s) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = s.find(u"\r\n", start);
        if (at == std::u16string::npos) {
            lines.push_back(s.substr(start));
            return lines;
        }
        lines.push_back(s.substr(start, at - start));
        start = at + 2;
    }
}

std::u16string Repeat(const std::u16string& word, int n) {
    std::u16string s;
    for (int i = 0; i < n; ++i)
        s += word;
    return s;
}

} // namespace

TEST(WrapText, HeadlineOfShortWordsBreaksAfterItsSpacesWithinFiftyColumns) {
    // 30 words of "abc " = 120 characters.
    const std::u16string headline = Repeat(u"abc ", 30);
    ASSERT_EQ(headline.size(), 120u);
    const auto lines = SplitLines(WrapNewsText(headline, 50));
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 50u) << i;
        if (i + 1 < lines.size()) {
            EXPECT_EQ(lines[i].back(), u' ') << i;
        }
    }
    // 12 words fit exactly (48 characters); the 13th would end at column 52.
    EXPECT_EQ(lines[0], Repeat(u"abc ", 12));
    EXPECT_EQ(lines[1], Repeat(u"abc ", 12));
    EXPECT_EQ(lines[2], Repeat(u"abc ", 6));
}

TEST(WrapText, NothingIsLostOrReorderedByWrapping) {
    const std::u16string text =
        u"Son dakika: Ankara'da 3.5 büyüklüğünde deprem-sarsıntı hissedildi.\tAyrıntılar "
        u"gelecek saatlerde netleşecek, yetkililer açıklama yaptı.";
    const std::u16string wrapped = WrapNewsText(text, 20);
    std::u16string joined;
    for (const auto& l : SplitLines(wrapped)) {
        EXPECT_LE(l.size(), 20u) << std::string(l.begin(), l.end());
        joined += l;
    }
    EXPECT_EQ(joined, text);
}

TEST(WrapText, WordsWithoutBreakCharactersAreNeverSplit) {
    const std::u16string word = Repeat(u"x", 130);
    EXPECT_EQ(WrapNewsText(word, 50), word);
    // A long word after a short one moves to its own line and stays whole.
    EXPECT_EQ(WrapNewsText(u"ab " + word, 50), u"ab \r\n" + word);
}

TEST(WrapText, BreakCharactersStayAtTheEndOfTheirLine) {
    struct Case {
        std::u16string in;
        int col;
        std::u16string out;
    } cases[] = {
        {u"aaaa-bbbb", 6, u"aaaa-\r\nbbbb"},
        {u"aaaa.bbbb", 6, u"aaaa.\r\nbbbb"},
        {u"aaaa\tbbbb", 6, u"aaaa\t\r\nbbbb"},
        {u"aaaa bbbb", 6, u"aaaa \r\nbbbb"},
        {u"short", 50, u"short"},
        {u"", 50, u""},
        // Exactly at the limit: no break needed.
        {u"aaaa bbbb", 9, u"aaaa bbbb"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WrapNewsText(c.in, c.col), c.out) << c.col;
}

TEST(WrapText, ExistingLineBreaksAreKeptAndRestartTheColumn) {
    EXPECT_EQ(WrapNewsText(u"ab\r\ncd", 50), u"ab\r\ncd");
    // After the kept break the count starts again, so "cccc dddd" fits on its own line.
    EXPECT_EQ(WrapNewsText(u"aa bb\r\ncccc dddd", 9), u"aa bb\r\ncccc dddd");
    EXPECT_EQ(WrapNewsText(u"aa\r\n\r\nbb", 50), u"aa\r\n\r\nbb");
}

TEST(WrapText, TextBetweenBarsIsNeverBroken) {
    const std::u16string quoted = u"|aaa bbb ccc ddd|";
    EXPECT_EQ(WrapNewsText(quoted, 5), quoted);
    EXPECT_EQ(WrapNewsText(u"xx |a b| yy", 4), u"xx \r\n|a b| \r\nyy");
}

TEST(WrapText, ColumnsCountCharactersNotBytes) {
    // Twelve two-byte Turkish letters per word still wrap at the character count.
    const std::u16string word = u"çğıöşüÇĞİÖŞÜ";
    const std::u16string text = word + u" " + word;
    EXPECT_EQ(WrapNewsText(text, 13), word + u" \r\n" + word);
    EXPECT_EQ(WrapNewsText(text, 25), text);
    // A character outside the basic plane is one column.
    const std::u16string emoji = u"\U0001F600\U0001F600 ab";
    EXPECT_EQ(WrapNewsText(emoji, 5), emoji);
}

// Wrapping runs on the window thread for every item of every load, so no text may make it
// slower than a fixed amount per character: runs of break characters, spaces, quotes and line
// breaks are the shapes that used to cost the square of their length.
TEST(WrapText, WorkIsLinearWhateverTheTextHolds) {
    const std::u16string units[] = {
        u"x",
        u".",
        u" ",
        u"- ",
        u"<&\"'>",
        u"a.",
        u"\r\n",
        u"|",
        u"ab |",
        u". \r\n",
        Repeat(u"x", 49) + u" ",
        u"|" + Repeat(u" ", 70) + u"|",
        u"\r",
    };
    for (const auto& unit : units) {
        for (std::size_t size : {1u << 10, 1u << 13, 1u << 16}) {
            std::u16string text;
            while (text.size() < size)
                text += unit;
            for (int columns : {1, 50, 60}) {
                std::size_t steps = 0;
                const std::u16string wrapped = WrapNewsText(text, columns, &steps);
                EXPECT_LE(steps, 4 * text.size() + 4)
                    << "unit \"" << std::string(unit.begin(), unit.end()) << "\", " << text.size()
                    << " characters, " << columns << " columns";
                // Wrapping only ever adds line breaks.
                EXPECT_GE(wrapped.size(), text.size());
            }
        }
    }
}
