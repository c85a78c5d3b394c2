#include "news/feed.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>

namespace {

using namespace news;
namespace fs = std::filesystem;

const std::string Head = "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\r\n<r>\r\n";
const std::string Sep = "\xC3\xB1";

std::string Record(const std::string& i, const std::string& t, const std::string& s,
                   const std::string& cd, const std::string& u, const std::string& label) {
    return i + "|x|" + t + "|" + s + "|y|" + cd + "|" + u + "|" + label;
}

std::string Line(const std::string& i, const std::string& si, const std::string& t,
                 const std::string& s, const std::string& cd, const std::string& u) {
    return "  <n i=\"" + i + "\" si=\"" + si + "\" t=\"" + t + "\" s=\"" + s + "\" cd=\"" + cd +
           "\" u=\"" + u + "\" />\r\n";
}

TEST(NewsRequest, PathCarriesClientSectionsAndFixedRand) {
    EXPECT_EQ(NewsRequestPath(),
              "/HashtableControl.aspx?UniqueID=5a1c07d3e82b964f10ac7e35d2b891&SelectedSections="
              "-1%2C2%2C3%2C4%2C5%2C6%2C12%2C13%2C14%2C27%2C28%2C29%2C30%2C342%2C&rand=2147483647");
}

TEST(ConvertNews, EmptyAnswerGivesEmptyDocument) {
    EXPECT_EQ(ConvertNews(""), "");
}

TEST(ConvertNews, OneRecordIsWrittenByteForByte) {
    std::string answer = Record("17", "Head", "Sum", "2024-01-02", "a b/c", "Son Dakika: Spor");
    EXPECT_EQ(ConvertNews(answer),
              Head + Line("17", " Spor", "Head", "Sum", "2024-01-02", "a+b%2Fc") + "</r>");
}

TEST(ConvertNews, RecordSplitting) {
    std::string a = Record("1", "A", "a", "d", "u", "L");
    std::string b = Record("2", "B", "b", "d", "u", "M");
    std::string lineA = Line("1", "L", "A", "a", "d", "u");
    std::string lineB = Line("2", "M", "B", "b", "d", "u");
    struct Case {
        const char* name;
        std::string answer;
        std::string items;
    } cases[] = {
        {"two records in order", a + Sep + b, lineA + lineB},
        {"trailing separator adds nothing", a + Sep + b + Sep, lineA + lineB},
        {"empty record between separators", a + Sep + Sep + b, lineA + lineB},
        {"leading separator", Sep + a, lineA},
        {"seven fields are skipped", "1|x|T|S|y|d|u" + Sep + b, lineB},
        {"empty eighth field before a final bar is dropped", "1|x|T|S|y|d|u||" + Sep + b,
         Line("1", "", "T", "S", "d", "u") + lineB},
        {"eighth field empty and record ends in bar", "1|x|T|S|y|d|u|", ""},
        {"fields past the eighth are ignored", a + "|extra|more", lineA},
        {"only separators", Sep + Sep, ""},
        {"lone bar", "|", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConvertNews(c.answer), Head + c.items + "</r>") << c.name;
}

TEST(ConvertNews, ErrorPageGivesDocumentWithoutItems) {
    EXPECT_EQ(ConvertNews("<html><body>404 Not Found</body></html>"), Head + "</r>");
}

TEST(ConvertNews, ShortLabel) {
    struct Case {
        std::string field;
        std::string si;
    } cases[] = {
        {"Son Dakika: Ekonomi", " Ekonomi"},
        {"Son Dakika", ""},
        {"Son Dakika:", ""},
        {"Son DakikaX", ""},
        {"Gundem", "Gundem"},
        {"xx Son Dakika-Dunya", "Dunya"},
        {"son dakika: kucuk", "son dakika: kucuk"},
    };
    for (const auto& c : cases) {
        std::string doc = ConvertNews(Record("1", "t", "s", "d", "u", c.field));
        EXPECT_EQ(doc, Head + Line("1", c.si, "t", "s", "d", "u") + "</r>") << c.field;
    }
}

TEST(ConvertNews, HeadlineAndSummaryAreEscaped) {
    std::string doc = ConvertNews(Record("1", "A & \"B\"", "<x> 'y'", "d", "u", "L"));
    EXPECT_NE(doc.find("t=\"A &amp; &quot;B&quot;\""), std::string::npos);
    EXPECT_NE(doc.find("s=\"&lt;x&gt; 'y'\""), std::string::npos);
}

// Identifier, label and date come from the same untrusted answer as the headline; a quote or
// "<" in them must not break the document for every other item.
TEST(ConvertNews, EveryAttributeStaysWellFormed) {
    std::string doc = ConvertNews(Record("7\"<", "t", "s", "a&b\"", "u", "Son Dakika: <Spor>\"") +
                                  Sep + Record("8", "second", "s", "d", "u", "L"));
    pugi::xml_document xml;
    ASSERT_TRUE(xml.load_string(doc.c_str()));
    auto items = xml.select_nodes("/r/n");
    ASSERT_EQ(items.size(), 2u);
    pugi::xml_node first = items.first().node();
    EXPECT_STREQ(first.attribute("i").value(), "7\"<");
    EXPECT_STREQ(first.attribute("si").value(), " <Spor>\"");
    EXPECT_STREQ(first.attribute("cd").value(), "a&b\"");
    EXPECT_STREQ(items[1].node().attribute("t").value(), "second");
}

TEST(ConvertNews, ControlBytesBecomeSpaces) {
    std::string doc = ConvertNews(Record("1\x01", "a\x02z", "b\x1f\tc", "\x0b", "u\x03", "L\x0c"));
    EXPECT_EQ(doc, Head + Line("1 ", "L ", "a z", "b \tc", " ", "u%03") + "</r>");
}

TEST(ConvertNews, Utf8PassesThroughAndInvalidBytesStillParse) {
    std::string turkish = "\xC4\x9F\xC3\xBC\xC5\x9F"; // ğüş
    std::string broken = "\xFF\xC3(\xE2\x82";
    std::string doc = ConvertNews(Record("1", turkish, broken, "d", turkish, "L"));
    EXPECT_NE(doc.find("t=\"" + turkish + "\""), std::string::npos);
    EXPECT_NE(doc.find("u=\"%C4%9F%C3%BC%C5%9F\""), std::string::npos);
    pugi::xml_document xml;
    ASSERT_TRUE(xml.load_buffer(doc.data(), doc.size()));
    EXPECT_EQ(xml.select_nodes("/r/n").size(), 1u);
}

TEST(ConvertNews, NulEndsAFieldButNotTheDocument) {
    std::string answer = Record("1", std::string("ab\0cd", 5), "s", "d", "u", "L") + Sep +
                         Record("2", "t", "s", "d", "u", "L");
    std::string doc = ConvertNews(answer);
    EXPECT_EQ(doc.find('\0'), std::string::npos);
    EXPECT_NE(doc.find("t=\"ab\" "), std::string::npos);
    EXPECT_NE(doc.find("i=\"2\""), std::string::npos);
}

// However many records an answer holds and however large they are, the document stays within
// what the list reads: at most MaxNewsItems items and MaxNewsDocumentBytes bytes. The records
// that fit are converted exactly as before.
TEST(ConvertNews, TheDocumentIsCappedInItemsAndSize) {
    std::string tiny;
    for (int i = 0; i < 1000000; ++i)
        tiny += "1|x|t|s|y|d|u|L" + Sep;
    std::string huge;
    std::string markup;
    for (int i = 0; i < 80000; ++i)
        markup += "<&\"'>";
    for (int i = 0; huge.size() < (16u << 20); ++i)
        huge += Record(std::to_string(i), markup, markup, "d", markup, "L") + Sep;
    for (const std::string* answer : {&tiny, &huge}) {
        const std::string doc = ConvertNews(*answer);
        EXPECT_LE(doc.size(), MaxNewsDocumentBytes);
        pugi::xml_document xml;
        ASSERT_TRUE(xml.load_buffer(doc.data(), doc.size()));
        const auto items = xml.select_nodes("/r/n");
        EXPECT_GE(items.size(), 1u);
        EXPECT_LE(items.size(), MaxNewsItems);
    }
    // Exactly at the cap nothing is lost, and the kept records are those that came first.
    std::string answer, expected;
    for (std::size_t i = 0; i <= MaxNewsItems; ++i) {
        answer += Record(std::to_string(i), "t", "s", "d", "u", "L") + Sep;
        if (i < MaxNewsItems)
            expected += Line(std::to_string(i), "L", "t", "s", "d", "u");
    }
    // Compared as a whole; a mismatch of this size is not worth printing.
    EXPECT_TRUE(ConvertNews(answer) == Head + expected + "</r>");
}

TEST(Encodings, EncodeMarkup) {
    EXPECT_EQ(EncodeMarkup("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e'f");
    EXPECT_EQ(EncodeMarkup("\xC3\xB1\x7F"), "\xC3\xB1\x7F");
    EXPECT_EQ(EncodeMarkup(std::string("ab\0&", 4)), "ab");
}

TEST(Encodings, EncodeUrl) {
    struct Case {
        std::string in;
        std::string out;
    } cases[] = {
        {"", ""},
        {"abc", "abc"},
        {" ", "+"},
        {"AZaz09*@._-$!'()", "AZaz09*@._-$!'()"},
        {":/&+%", "%3A%2F%26%2B%25"},
        {"\xC3\xB1", "%C3%B1"},
        {"\x01\x7F\xFF", "%01%7F%FF"},
        {"http://x.y/?a=1&b=2", "http%3A%2F%2Fx.y%2F%3Fa%3D1%26b%3D2"},
        {std::string("a\0b", 3), "a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeUrl(c.in), c.out) << c.in;
}

TEST(Encodings, DecodeUrl) {
    struct Case {
        std::string in;
        std::string out;
    } cases[] = {
        {"", ""},
        {"a+b%2Fc", "a b/c"},
        {"%c3%B1", "\xC3\xB1"},
        {"%%", "%"},
        {"100%%25", "100%25"},
        {"%00x", std::string("\0x", 2)},
        {std::string("a%41\0%G", 7), "aA"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeUrl(c.in), c.out) << c.in;
}

TEST(Encodings, DecodeUrlErrorsNameTheOffendingPosition) {
    struct Case {
        std::string in;
        bool convertError;
        std::string message;
    } cases[] = {
        {"%G1", true, "Invalid URL encoded character (%G1) at position 1"},
        {"ab%4x", true, "Invalid URL encoded character (%4x) at position 3"},
        {"abc%4", false, "Error decoding URL style (%XX) encoded string at position 4"},
        {"%", false, "Error decoding URL style (%XX) encoded string at position 1"},
    };
    for (const auto& c : cases) {
        try {
            DecodeUrl(c.in);
            ADD_FAILURE() << "no error for " << c.in;
        } catch (const EConvertError& e) {
            EXPECT_TRUE(c.convertError) << c.in;
            EXPECT_EQ(e.what(), c.message);
        } catch (const EWebBrokerException& e) {
            EXPECT_FALSE(c.convertError) << c.in;
            EXPECT_EQ(e.what(), c.message);
        }
    }
}

TEST(Encodings, DecodeReversesEncodeForEveryByte) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(DecodeUrl(EncodeUrl(all)), all);
}

class NewsFile : public ::testing::Test {
protected:
    static std::string Read(const fs::path& p) { return testsupport::ReadBytes(p); }
    size_t Entries() const { return Scratch.Entries().size(); }

    testsupport::TTempDir Scratch;
    const fs::path Folder = Scratch.Path();
};

TEST_F(NewsFile, PathIsInsideTheDataFolder) {
    EXPECT_EQ(NewsFilePath("/home/u/.local/share/M"), "/home/u/.local/share/M/news.xml");
    EXPECT_EQ(NewsFilePath("/data/"), "/data/news.xml");
}

TEST_F(NewsFile, SaveReplacesTheFileAndLeavesNothingElse) {
    std::string path = NewsFilePath(Folder.string());
    ASSERT_TRUE(SaveTextFile(path, "first, longer content"));
    std::string doc = ConvertNews(Record("1", "t", "s", "d", "u", "L"));
    ASSERT_TRUE(SaveTextFile(path, doc));
    EXPECT_EQ(Read(path), doc);
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(NewsFile, FailedSaveKeepsTheLastGoodDocument) {
    std::string path = NewsFilePath(Folder.string());
    ASSERT_TRUE(SaveTextFile(path, "good"));
    // A directory where the new file should go makes the final rename fail.
    std::string blocked = (Folder / "sub").string();
    fs::create_directories(blocked);
    EXPECT_FALSE(SaveTextFile(blocked, "new"));
    EXPECT_FALSE(SaveTextFile((Folder / "missing" / "news.xml").string(), "new"));
    EXPECT_EQ(Read(path), "good");
    EXPECT_EQ(Entries(), 2u); // news.xml and sub, no temporary file
}

} // namespace
