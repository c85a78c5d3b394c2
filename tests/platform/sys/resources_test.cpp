#include "platform/sys/resources.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iconv.h>
#include <string>
#include <utility>

using namespace platform;

TEST(StringTable, KnownIdsGiveTheirTextsAndUnknownIdsTheEmptyText) {
    const std::pair<UINT, std::u16string> cases[] = {
        {100, u"Mini Pelikora"},
        {103, u"Kapat"},
        {104, u"Oturum açıldığında otomatik olarak başlat."},
        {105, u"Pencereyi her zaman en üstte tut."},
        {106, u"Sistem Tepsisinde program simgesini göster."},
        {107, u"Otomatik boyutlandırmayı etkinleştir."},
        {108, u"Mini Pelikora"},
        {200, u"\"%s\" için yeni sürüm hazır. İndirmek ister misiniz?"},
        {301, u"Güncelleniyor..."},
    };
    for (const auto& [id, text] : cases)
        EXPECT_EQ(LoadStr(id), text) << id;
    for (UINT id : {0u, 99u, 109u, 412u, 5000u})
        EXPECT_EQ(LoadStr(id), u"") << id;
}

namespace {

// UTF-16 to UTF-8 through the C library's iconv, so the comparison below does not go through
// the program's own conversion.
std::string Utf8(const std::u16string& text) {
    const bool little = *reinterpret_cast<const unsigned char*>(u"\x0001") == 1;
    const iconv_t cd = iconv_open("UTF-8", little ? "UTF-16LE" : "UTF-16BE");
    std::string in(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    std::string out(text.size() * 3, '\0');
    char *from = in.data(), *to = out.data();
    std::size_t left = in.size(), room = out.size();
    const bool ok = cd != reinterpret_cast<iconv_t>(-1) &&
                    iconv(cd, &from, &left, &to, &room) != static_cast<std::size_t>(-1);
    if (cd != reinterpret_cast<iconv_t>(-1))
        iconv_close(cd);
    out.resize(out.size() - room);
    return ok ? out : "(iconv failed)";
}

} // namespace

TEST(StringTable, EveryLineOfTheSourceFileIsCompiledInUnchanged) {
    std::ifstream file(MP_STRINGS_FILE);
    ASSERT_TRUE(file) << MP_STRINGS_FILE;
    int entries = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        std::string want;
        for (std::size_t i = tab + 1; i < line.size(); ++i) {
            if (line[i] != '\\' || i + 1 == line.size()) {
                want += line[i];
                continue;
            }
            const char e = line[++i];
            want += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
        const UINT id = static_cast<UINT>(std::stoul(line.substr(0, tab)));
        EXPECT_EQ(Utf8(LoadStr(id)), want) << id;
        ++entries;
    }
    EXPECT_GE(entries, 30);
}

TEST(StringTable, AboutTextHasFourCrLfLinesAndSectionLabelsAreAllPresent) {
    const std::u16string about = LoadStr(101);
    EXPECT_EQ(about.rfind(u"s ü r ü m   1 . 0\r\n", 0), 0u);
    EXPECT_NE(about.find(u"\r\n\r\nBu programın ilgili kurumlarla bir ilişkisi yoktur."),
              std::u16string::npos);
    std::size_t breaks = 0;
    for (std::size_t i = about.find(u"\r\n"); i != std::u16string::npos;
         i = about.find(u"\r\n", i + 2))
        ++breaks;
    EXPECT_EQ(breaks, 3u);
    EXPECT_NE(LoadStr(102).find(u' '), std::u16string::npos);
    for (UINT id = 400; id <= 411; ++id)
        EXPECT_FALSE(LoadStr(id).empty()) << id;
    EXPECT_EQ(LoadStr(400), u"Gündem");
}

TEST(StringTable, ParserHandlesEscapesCommentsAndMalformedLines) {
    const auto t = ParseStringTable("# comment\n"
                                    "1\ta\\tb\\\\c\\r\\n\r\n"
                                    "\n"
                                    "2 no tab here\n"
                                    "x3\tnot a number\n"
                                    "4\t\n"
                                    "5\tlast wins\n"
                                    "5\tşimdi");
    EXPECT_EQ(t.size(), 3u);
    EXPECT_EQ(t.at(1), u"a\tb\\c\r\n");
    EXPECT_EQ(t.at(4), u"");
    EXPECT_EQ(t.at(5), u"şimdi");
}

TEST(StringTable, TextsAreCutToTheBufferLessItsTerminator) {
    const std::string longText(3000, 'a');
    auto t = ParseStringTable("7\t" + longText);
    EXPECT_EQ(t.at(7).size(), StringBufferSize - 1);
    // A surrogate pair straddling the cut is dropped whole.
    const std::string pairAtEnd = std::string(StringBufferSize - 2, 'a') + "\xF0\x9F\x98\x80";
    t = ParseStringTable("8\t" + pairAtEnd);
    EXPECT_EQ(t.at(8), std::u16string(StringBufferSize - 2, u'a'));
}

TEST(MenuResource, PopupDosyaWithItsFourCommandsInOrder) {
    const auto menu = LoadMenuResource(101);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->Caption, u"Dosya");
    ASSERT_EQ(menu->Items.size(), 4u);
    const TMenuItemResource want[] = {{40000, u"&Hakkında"},
                                      {40003, u"&Seçenekler"},
                                      {40007, u"&Güncelle"},
                                      {40005, u"&Kapat\tAlt+F4"}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(menu->Items[i].Id, want[i].Id) << i;
        EXPECT_EQ(menu->Items[i].Text, want[i].Text) << i;
    }
    EXPECT_FALSE(LoadMenuResource(102));
}

TEST(MenuResource, ParserKeepsOnlyTheFirstPopupAndNeedsOne) {
    EXPECT_FALSE(ParseMenu("1\torphan item\n"));
    const auto m = ParseMenu("popup\tA\n1\tone\nbad line\npopup\tB\n2\ttwo\n");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Caption, u"A");
    ASSERT_EQ(m->Items.size(), 1u);
    EXPECT_EQ(m->Items[0].Id, 1u);
}

TEST(OtherResources, VersionIconPicturesAndFontAliases) {
    const TVersionInfo v = LoadVersionInfo();
    EXPECT_EQ(v.FileVersion, u"1.0.0.0");
    EXPECT_EQ(v.ProductVersion, u"1.0.0.0");
    EXPECT_EQ(v.ProductName, u"Mini Pelikora");

    const auto icon = LoadIconResource(101);
    EXPECT_EQ(icon.substr(1, 3), "PNG");
    for (int id = 5000; id <= 5011; ++id)
        EXPECT_EQ(LoadPngResource(id).substr(1, 3), "PNG") << id;
    EXPECT_THROW(LoadPngResource(4999), EResNotFound);
    EXPECT_THROW(LoadIconResource(102), EResNotFound);

    const auto conf = FindResourceFile("fonts.conf");
    ASSERT_TRUE(conf);
    EXPECT_NE(conf->find("Trebuchet MS"), std::string_view::npos);
    EXPECT_EQ(conf->data()[conf->size()], '\0'); // handed to fontconfig as a C string
    EXPECT_FALSE(FindResourceFile("missing.txt"));
}
