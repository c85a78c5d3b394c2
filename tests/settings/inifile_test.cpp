#include "settings/inifile.h"

#include "settings_test_util.h"
#include "tests/support/fifo_watchdog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Strings = std::vector<std::u16string>;

// Writes Text (UTF-16LE with the byte order mark) and opens a store on it.
struct TIniOnFile {
    TTempDir Dir;
    std::u16string Path = Dir.WideFile("options.ini");

    std::unique_ptr<TWMemIniFile> Open(const std::u16string& Text) {
        WriteBytes(Dir.File("options.ini"), Utf16Le(Text));
        return std::make_unique<TWMemIniFile>(Path);
    }
    std::unique_ptr<TWMemIniFile> Reopen() { return std::make_unique<TWMemIniFile>(Path); }
    std::string Bytes() const { return ReadBytes(Dir.File("options.ini")); }
};

// Only sections and their keys are written back, each section closed by an empty line;
// comments, blanks and lines before the first section are dropped; nothing at all leaves only
// the byte order mark.
TEST(IniFileFormat, OnlySectionsAndKeysAreWrittenBack) {
    TIniOnFile f;
    auto ini = f.Open(u"; nothing but a comment\r\n");
    ASSERT_TRUE(ini->UpdateFile());
    EXPECT_EQ(f.Bytes(), "\xFF\xFE");
    ini->WriteString(u"general", u"left", u"12");
    ASSERT_TRUE(ini->UpdateFile());
    EXPECT_EQ(f.Bytes(), Utf16Le(u"[general]\r\nleft=12\r\n\r\n"));
    ini = f.Open(u"stray=1\r\n; note\r\n\r\n  [ a ]  \r\n  k  =  v  \r\n;x=1\r\n\r\n[b]\r\n");
    ASSERT_TRUE(ini->UpdateFile());
    EXPECT_EQ(f.Bytes(), Utf16Le(u"[a]\r\nk=v\r\n\r\n[b]\r\n\r\n"));
}

TEST(IniEscapes, ControlCharactersAndBackslashesRoundTrip) {
    TIniOnFile f;
    auto ini = f.Open(u"");
    const std::u16string value = u"a\\b\rc\nd\te\\";
    ini->WriteString(u"s", u"k", value);
    ASSERT_TRUE(ini->UpdateFile());
    EXPECT_EQ(f.Bytes(), Utf16Le(u"[s]\r\nk=a\\\\b\\rc\\nd\\te\\\\\r\n\r\n"));
    EXPECT_EQ(f.Reopen()->ReadString(u"s", u"k", u"?"), value);
}

TEST(IniEscapes, HandWrittenBackslashes) {
    struct Case {
        const char16_t *Line, *Value;
    };
    const Case cases[] = {
        {u"k=a\\qb", u"ab"},                            // unknown pair vanishes whole
        {u"k=ab\\", u"ab"},                             // a backslash at the end vanishes
        {u"k=a\\\\qb", u"a\\qb"},                       // a doubled backslash is one backslash
        {u"k=\\n\\r\\t", u"\n\r\t"}, {u"k\\x=v", u"v"}, // escapes in keys are decoded too
    };
    for (const Case& c : cases) {
        TIniOnFile f;
        auto ini = f.Open(std::u16string(u"[s]\r\n") + c.Line + u"\r\n");
        EXPECT_EQ(ini->ReadString(u"s", u"k", u"?"), c.Value) << U8(c.Line);
    }
}

// Stored lines the plain escapes would let the reader trim, skip or take for a header keep
// their exact text through a write and a new read.
TEST(IniEscapes, EveryStoredLineReadsBackUnchanged) {
    struct Case {
        const char16_t *Key, *Value;
    };
    const Case cases[] = {
        {u"k", u"  padded  "}, {u" k ", u"v"},       {u"[x", u"y]"}, {u";k", u"v"},
        {u"k", u""},           {u"", u"only value"}, {u"k", u" "},   {u"k", u"\x01tail\x1f"},
    };
    TIniOnFile f;
    auto ini = f.Open(u"");
    for (const Case& c : cases)
        ini->WriteString(u"s", c.Key, c.Value);
    ini->WriteString(u"after", u"k", u"v");
    ASSERT_TRUE(ini->UpdateFile());
    auto back = f.Reopen();
    TWStringList written, read;
    ini->ReadSectionValues(u"s", written);
    back->ReadSectionValues(u"s", read);
    EXPECT_EQ(Lines(read), Lines(written));
    EXPECT_EQ(back->ReadString(u"s", u"k", u"?"), u"\x01tail\x1f");
    TWStringList sections;
    back->ReadSections(sections);
    EXPECT_EQ(Lines(sections), (Strings{u"s", u"after"}));
}

TEST(IniEscapes, PlainLinesAreWrittenWithoutGuards) {
    EXPECT_EQ(EscapeIniLine(u"left=274"), u"left=274");
    EXPECT_EQ(EscapeIniLine(u"a b=c d"), u"a b=c d");
    EXPECT_EQ(EscapeIniLine(u"k= v"), u"k=\\_ v");
    EXPECT_EQ(EscapeIniLine(std::u16string(u"k=a\0b", 5)), u"k=ab");
}

TEST(IniLookups, SectionsAndKeysIgnoreCase) {
    TIniOnFile f;
    auto ini = f.Open(u"[General]\r\nLeft=5\r\n[Ayarlar]\r\nÇağrı=evet\r\nStraße=lang\r\n");
    EXPECT_EQ(ini->ReadString(u"GENERAL", u"left", u"?"), u"5");
    EXPECT_EQ(ini->ReadString(u"ayarlar", u"ÇAĞRI", u"?"), u"evet");
    // The value follows the stored key even when the asked key upper-cases to another length.
    EXPECT_EQ(ini->ReadString(u"AYARLAR", u"STRASSE", u"?"), u"lang");
    EXPECT_EQ(ini->ReadString(u"general", u"right", u"?"), u"?");
    EXPECT_EQ(ini->ReadString(u"missing", u"left", u"?"), u"?");
}

TEST(IniLookups, WritingReplacesInPlaceWithTheCallersCase) {
    TIniOnFile f;
    auto ini = f.Open(u"[s]\r\nLeft=1\r\nTop=2\r\n");
    ini->WriteString(u"S", u"LEFT", u"3");
    TWStringList lines;
    ini->ReadSectionValues(u"s", lines);
    EXPECT_EQ(Lines(lines), (Strings{u"LEFT=3", u"Top=2"}));
}

TEST(IniLookups, LineWithoutEqualsSurvivesButIsNoKey) {
    TIniOnFile f;
    auto ini = f.Open(u"[s]\r\nloose\r\nk=v\r\n");
    EXPECT_EQ(ini->ReadString(u"s", u"loose", u"?"), u"?");
    TWStringList names;
    ini->ReadSection(u"s", names);
    EXPECT_EQ(Lines(names), (Strings{u"", u"k"}));
    ASSERT_TRUE(ini->UpdateFile());
    EXPECT_EQ(f.Bytes(), Utf16Le(u"[s]\r\nloose\r\nk=v\r\n\r\n"));
}

TEST(IniDuplicateSections, LaterSectionWinsUntilErased) {
    TIniOnFile f;
    auto ini = f.Open(u"[a]\r\nk=1\r\n[A]\r\nk=2\r\n");
    EXPECT_EQ(ini->ReadString(u"a", u"k", u"?"), u"2");
    ini->WriteString(u"a", u"k", u"3");
    ASSERT_TRUE(ini->UpdateFile());
    EXPECT_EQ(f.Bytes(), Utf16Le(u"[a]\r\nk=1\r\n\r\n[A]\r\nk=3\r\n\r\n"));
    ini->EraseSection(u"a");
    EXPECT_EQ(ini->ReadString(u"a", u"k", u"?"), u"1");
    ini->EraseSection(u"a");
    EXPECT_EQ(ini->Sections().Count(), 0);
}

TEST(IniEditing, DeleteKeyEraseSectionAndListings) {
    TIniOnFile f;
    auto ini = f.Open(u"[one]\r\na=1\r\nb=2\r\n[two]\r\nc=3\r\n");
    ini->DeleteKey(u"one", u"A");
    ini->DeleteKey(u"one", u"missing");
    ini->DeleteKey(u"missing", u"b");
    TWStringList list;
    ini->ReadSectionValues(u"one", list);
    EXPECT_EQ(Lines(list), (Strings{u"b=2"}));
    ini->ReadSectionValues(u"nowhere", list);
    EXPECT_EQ(list.Count(), 0);
    ini->EraseSection(u"ONE");
    ini->ReadSections(list);
    EXPECT_EQ(Lines(list), (Strings{u"two"}));
    EXPECT_EQ(list.GetObject(0), ini->Sections().GetObject(0));
}

TEST(IniIntegers, ConversionTable) {
    struct Case {
        const char16_t* Text;
        int Expected;
    };
    const int def = -77;
    const Case cases[] = {
        {u"0x1F", 31},
        {u"0X1f", 31},
        {u"0x", def},
        {u"12abc", def},
        {u"", def},
        {u"-5", -5},
        {u"+7", 7},
        {u"$10", 16},
        {u"-$10", -16},
        {u"007", 7},
        {u"2147483647", 2147483647},
        {u"2147483648", def},
        {u"-2147483648", -2147483647 - 1},
        {u"-2147483649", def},
        {u"0xffffffff", -1},
        {u"0x100000000", def},
        {u"0x-5", def},
        {u"-0x5", def},
        {u"1 2", def},
        {u"٣", def}, // digits of other scripts are not numbers here
    };
    TIniOnFile f;
    auto ini = f.Open(u"");
    for (const Case& c : cases) {
        ini->WriteString(u"n", u"v", c.Text);
        EXPECT_EQ(ini->ReadInteger(u"n", u"v", def), c.Expected) << U8(c.Text);
    }
    EXPECT_EQ(ini->ReadInteger(u"n", u"absent", def), def);
}

TEST(IniIntegers, WrittenNumbersReadBack) {
    TIniOnFile f;
    auto ini = f.Open(u"");
    for (int v : {0, 1, -1, 274, -2147483647 - 1, 2147483647}) {
        ini->WriteInteger(u"n", u"dec", v);
        ini->WriteHexInteger(u"n", u"hex", v);
        EXPECT_EQ(ini->ReadInteger(u"n", u"dec", 5), v);
        EXPECT_EQ(ini->ReadInteger(u"n", u"hex", 5), v);
    }
    ini->WriteHexInteger(u"n", u"hex", 255);
    EXPECT_EQ(ini->ReadString(u"n", u"hex", u""), u"0x000000ff");
    ini->WriteInteger(u"n", u"dec", -1234567);
    EXPECT_EQ(ini->ReadString(u"n", u"dec", u""), u"-1234567");
}

TEST(IniBooleans, StoredAsDigitsReadAsIntegers) {
    TIniOnFile f;
    auto ini = f.Open(u"[b]\r\nzero=0\r\ntwo=2\r\nword=yes\r\n");
    EXPECT_FALSE(ini->ReadBool(u"b", u"zero", true));
    EXPECT_TRUE(ini->ReadBool(u"b", u"two", false));
    EXPECT_TRUE(ini->ReadBool(u"b", u"word", true));
    EXPECT_FALSE(ini->ReadBool(u"b", u"word", false));
    EXPECT_FALSE(ini->ReadBool(u"b", u"absent", false));
    ini->WriteBool(u"b", u"zero", true);
    ini->WriteBool(u"b", u"two", false);
    EXPECT_EQ(ini->ReadString(u"b", u"zero", u""), u"1");
    EXPECT_EQ(ini->ReadString(u"b", u"two", u""), u"0");
}

TEST(IniLoading, MissingOrUnnamedFileGivesAnEmptyStoreAndLoadingDiscardsChanges) {
    TTempDir dir;
    TWMemIniFile missing(dir.WideFile("absent.ini"));
    EXPECT_EQ(missing.Sections().Count(), 0);
    TWMemIniFile unnamed(u"");
    unnamed.WriteString(u"s", u"k", u"v");
    EXPECT_FALSE(unnamed.UpdateFile());
    EXPECT_EQ(dir.Entries().size(), 0u);

    // Loading again discards what was not saved.
    TIniOnFile f;
    auto ini = f.Open(u"[s]\r\nk=file\r\n");
    ini->WriteString(u"s", u"k", u"memory");
    ini->WriteString(u"t", u"x", u"1");
    ini->LoadValues();
    EXPECT_EQ(ini->ReadString(u"s", u"k", u"?"), u"file");
    EXPECT_EQ(ini->Sections().Count(), 1);
}

// ---- replacing the file ----

TEST(IniUpdateFile, VanishedFolderReportsFailure) {
    auto dir = std::make_unique<TTempDir>();
    TWMemIniFile ini(dir->WideFile("options.ini"));
    ini.WriteString(u"s", u"k", u"v");
    dir.reset();
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_EQ(ini.ReadString(u"s", u"k", u"?"), u"v");
}

// A write that runs out of room (here a file-size limit, which binds even for root) must leave
// the previous file whole and no temporary file behind.
TEST(IniUpdateFile, FailedWriteKeepsTheOldFile) {
    TIniOnFile f;
    auto ini = f.Open(u"[general]\r\nleft=1\r\n");
    const std::string before = f.Bytes();
    ini->WriteString(u"general", u"big", std::u16string(40000, u'x'));

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = ini->UpdateFile();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(f.Bytes(), before);
    EXPECT_EQ(f.Dir.Entries(), (std::vector<std::string>{"options.ini"}));
    EXPECT_TRUE(ini->UpdateFile());
    EXPECT_EQ(f.Reopen()->ReadString(u"general", u"big", u"").size(), 40000u);
}

TEST(IniUpdateFile, KeepsPermissionsAndFollowsLinks) {
    TIniOnFile f;
    auto ini = f.Open(u"[s]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(f.Dir.File("options.ini").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("options.ini", f.Dir.File("link.ini").c_str()), 0);
    TWMemIniFile viaLink(f.Dir.WideFile("link.ini"));
    viaLink.WriteString(u"s", u"k", u"2");
    ASSERT_TRUE(viaLink.UpdateFile());
    struct stat st {};
    ASSERT_EQ(::lstat(f.Dir.File("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(f.Dir.File("options.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(f.Reopen()->ReadString(u"s", u"k", u"?"), u"2");
}

TEST(IniUpdateFile, DirectoryInThePlaceOfTheFileIsLeftAlone) {
    TTempDir dir;
    std::filesystem::create_directory(dir.File("options.ini"));
    TWMemIniFile ini(dir.WideFile("options.ini"));
    ini.WriteString(u"s", u"k", u"v");
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("options.ini")));
    EXPECT_EQ(dir.Entries().size(), 1u);
}

// ---- encodings and files the store cannot understand ----

// People edit options.ini in text editors, which save UTF-8 (with or without a mark, with LF
// or CR LF). Every form reads alike, and the file is written back in the widget's UTF-16LE.
TEST(IniEncodings, Utf8AndUtf16FilesReadAlike) {
    const std::u16string text =
        u"[server]\r\nnews=haber.örnek.test:8080\r\n[general]\r\nleft=5\r\n";
    const std::string utf8 = WideToUtf8(text);
    std::string lfOnly = utf8, bigEndian = Utf16Le(text);
    lfOnly.erase(std::remove(lfOnly.begin(), lfOnly.end(), '\r'), lfOnly.end());
    for (std::size_t i = 0; i < bigEndian.size(); i += 2)
        std::swap(bigEndian[i], bigEndian[i + 1]);
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"UTF-16LE with its mark", Utf16Le(text)},
        {"UTF-16LE without a mark", Utf16Le(text, false)},
        {"UTF-16BE with its mark", bigEndian},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + utf8},
        {"UTF-8 without a mark", utf8},
        {"UTF-8 with LF line ends", lfOnly},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        WriteBytes(dir.File("options.ini"), c.bytes);
        TWMemIniFile ini(dir.WideFile("options.ini"));
        EXPECT_EQ(U8(ini.ReadString(u"server", u"news", u"?")), "haber.örnek.test:8080") << c.name;
        EXPECT_EQ(ini.ReadInteger(u"general", u"left", 0), 5) << c.name;
        ini.WriteInteger(u"general", u"left", 6);
        ASSERT_TRUE(ini.UpdateFile()) << c.name;
        EXPECT_EQ(ReadBytes(dir.File("options.ini")),
                  Utf16Le(u"[server]\r\nnews=haber.örnek.test:8080\r\n\r\n[general]\r\nleft=6\r\n"
                          u"\r\n"))
            << c.name;
        // Understood, so nothing else is kept.
        EXPECT_EQ(dir.Entries().size(), 1u) << c.name;
    }
}

// A file that exists but cannot be understood may hold what the user typed; it is kept beside
// the new one under the name options.ini.bad (then .bad.2, .bad.3 ...) before the first write.
TEST(IniEncodings, AFileThatCannotBeUnderstoodIsKeptBesideBeforeItIsReplaced) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"a legacy 8-bit encoding", "[server]\r\nnews=haber.\xFE\xF0rnek\r\n"},
        {"keys without a section", "left=5\r\ntop=7\r\n"},
        {"binary", std::string("\x00\x01\x02\xFF\xFE\x00\x9C", 7)},
        {"too large to be settings", std::string(8u << 20, 'a')},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        WriteBytes(dir.File("options.ini"), c.bytes);
        TWMemIniFile ini(dir.WideFile("options.ini"));
        ini.WriteString(u"general", u"left", u"1");
        ASSERT_TRUE(ini.UpdateFile()) << c.name;
        EXPECT_EQ(ReadBytes(dir.File("options.ini.bad")), c.bytes) << c.name;
        // Whatever could be read stays in the store and goes into the new file.
        EXPECT_EQ(TWMemIniFile(dir.WideFile("options.ini")).ReadString(u"general", u"left", u""),
                  u"1")
            << c.name;
        // Once replaced by a file the store wrote, later writes keep no further copies.
        ini.WriteString(u"general", u"left", u"2");
        ASSERT_TRUE(ini.UpdateFile()) << c.name;
        EXPECT_EQ(dir.Entries().size(), 2u) << c.name;
        // A second unreadable file does not take the place of the first copy.
        WriteBytes(dir.File("options.ini"), c.bytes + "2");
        TWMemIniFile again(dir.WideFile("options.ini"));
        ASSERT_TRUE(again.UpdateFile()) << c.name;
        EXPECT_EQ(ReadBytes(dir.File("options.ini.bad")), c.bytes) << c.name;
        EXPECT_EQ(ReadBytes(dir.File("options.ini.bad.2")), c.bytes + "2") << c.name;
    }
}

// A FIFO where the settings should be must neither block the reader nor be replaced, and a file
// the user made read-only is left as it is: both report failure and the store keeps its values.
TEST(IniUpdateFile, FifosAndReadOnlyFilesAreLeftAlone) {
    TTempDir dir;
    const std::string fifo = dir.File("options.ini");
    ASSERT_TRUE(testsupport::MakeFifo(fifo));
    {
        testsupport::TFifoWatchdog watchdog({fifo});
        TWMemIniFile ini(dir.WideFile("options.ini"));
        EXPECT_FALSE(watchdog.Stop()) << "the reader blocked on the FIFO";
        EXPECT_EQ(ini.Sections().Count(), 0);
        ini.WriteString(u"s", u"k", u"v");
        EXPECT_FALSE(ini.UpdateFile());
        struct stat st {};
        ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
        EXPECT_EQ(dir.Entries().size(), 1u);
    }

    TTempDir other;
    const std::string path = other.File("options.ini");
    WriteBytes(path, Utf16Le(u"[s]\r\nk=1\r\n"));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    TWMemIniFile ini(other.WideFile("options.ini"));
    ini.WriteString(u"s", u"k", u"2");
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_EQ(ReadBytes(path), Utf16Le(u"[s]\r\nk=1\r\n"));
    EXPECT_EQ(ini.ReadString(u"s", u"k", u"?"), u"2");
    EXPECT_EQ(other.Entries().size(), 1u);
}

} // namespace
