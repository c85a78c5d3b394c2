#include "news/version.h"

#include <gtest/gtest.h>

namespace {

using news::IsNewerVersion;
using news::ReadVersion;

TEST(ReadVersion, TakesTheTextOfDataVersion) {
    struct Case {
        const char* name;
        std::string document;
        std::string version;
    } cases[] = {
        {"plain", "<data><version>1.1</version></data>", "1.1"},
        {"declaration, siblings and padding",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<data>\r\n  <url>x</url>\r\n"
         "  <version>\r\n    2.0\r\n  </version>\r\n</data>",
         "2.0"},
        {"first of two", "<data><version>3</version><version>4</version></data>", "3"},
        {"nested text", "<data><version>1.<b>5</b></version></data>", "1.5"},
        {"cdata", "<data><version><![CDATA[1.2]]></version></data>", "1.2"},
        {"no version element", "<data><release>1.1</release></data>", ""},
        {"version not under data", "<root><version>1.1</version></root>", ""},
        {"deeper version only", "<data><x><version>1.1</version></x></data>", ""},
        {"not xml", "<html><body>Not found</html>", ""},
        {"plain text", "version 2.0", ""},
        {"empty element", "<data><version/></data>", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadVersion(c.document), c.version) << c.name;
}

TEST(IsNewerVersion, ComparesBytesWithPrefixSmaller) {
    for (const char* newer : {"1.1", "2.0", "1.0.1", "10.0", "1.00", "1.0a", "\xC3\xA7"})
        EXPECT_TRUE(IsNewerVersion(newer)) << newer;
    for (const char* notNewer : {"1.0", "0.9", "1", "", "0.99", "1-0", " 2.0"})
        EXPECT_FALSE(IsNewerVersion(notNewer)) << notNewer;
}

} // namespace
