#include "elements/textconv.h"

#include <gtest/gtest.h>

using namespace elements;

TEST(Utf8ToUtf16, DecodesAndReplacesMalformedSequences) {
    EXPECT_EQ(Utf8ToUtf16("abc"), u"abc");
    EXPECT_EQ(Utf8ToUtf16("\xC3\xB1"), u"ñ");
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82\xAC"), u"€");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD");     // overlong NUL
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD"); // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82x"), u"\uFFFDx");
}

TEST(Utf16ToUtf8, RoundTripsAndReplacesUnpairedSurrogates) {
    for (const std::u16string& s : {std::u16string(u"abc"), std::u16string(u"Başlık ñ €"),
                                    std::u16string(u"\U0001F600x"), std::u16string()})
        EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(s)), s);
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'a'}), "\xEF\xBF\xBD"
                                                         "a");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xDC00}), "a\xEF\xBF\xBD");
}
