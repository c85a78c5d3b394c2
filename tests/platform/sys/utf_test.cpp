#include "platform/sys/utf.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace platform;

TEST(Utf8, DecodesTurkishAndAstralAndReplacesBrokenBytes) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"ğĞüÜşŞıİöÖçÇ", u"ğĞüÜşŞıİöÖçÇ"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {std::string("a\xFF") + "b", u"a\uFFFDb"},
        {"\xC4", u"\uFFFD"},                     // cut short
        {"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // encoded surrogate
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(Utf8ToUtf16(in, TUtf8Replacement::EachByte), out) << in;
}

// The three rules differ only in how many bytes of a broken sequence one U+FFFD covers.
TEST(Utf8, ReplacementRulesCoverBrokenSequencesDifferently) {
    struct Case {
        std::string in;
        std::u16string eachByte, maximalSubpart, wholeSequence;
    } cases[] = {
        {"\xE2\x82x", u"\uFFFD\uFFFDx", u"\uFFFDx", u"\uFFFDx"},   // cut short
        {"\xC0\x80", u"\uFFFD\uFFFD", u"\uFFFD\uFFFD", u"\uFFFD"}, // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", u"\uFFFD\uFFFD\uFFFD", u"\uFFFD"},
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", u"\uFFFD\uFFFD\uFFFD\uFFFD",
         u"\uFFFD"}, // past U+10FFFF
        {"\xF0\x9F\x98", u"\uFFFD\uFFFD\uFFFD", u"\uFFFD", u"\uFFFD"},
        {"\xF0\x9F\x98\x80\xBF", u"\U0001F600\uFFFD", u"\U0001F600\uFFFD", u"\U0001F600\uFFFD"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3), std::u16string(u"a\0b", 3),
         std::u16string(u"a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.in, TUtf8Replacement::EachByte), c.eachByte) << c.in;
        EXPECT_EQ(Utf8ToUtf16(c.in, TUtf8Replacement::MaximalSubpart), c.maximalSubpart) << c.in;
        EXPECT_EQ(Utf8ToUtf16(c.in, TUtf8Replacement::WholeSequence), c.wholeSequence) << c.in;
    }
}

TEST(Utf16, EncodesPairsAndReplacesUnpairedSurrogates) {
    EXPECT_EQ(Utf16ToUtf8(u"ağ\U0001F600"), "a\xC4\x9F\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, 0xD800}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, 0xD800, 0xDC00}), "\xEF\xBF\xBD\xF0\x90\x80\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
}
