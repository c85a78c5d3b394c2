// Feeds arbitrary bytes to the INI reader and the string-list text splitting, then checks that
// whatever the store holds (after a few random edits) survives UpdateFile and a fresh read.
#include "fuzz_check.h"
#include "settings/hashedlist.h"
#include "settings/inifile.h"
#include "settings/unicode.h"
#include "settings/wstrings.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace {

using fuzz::Check;
using fuzz::Wide;

using TSnapshot = std::vector<std::pair<std::u16string, std::vector<std::u16string>>>;

std::vector<std::u16string> LinesOf(const TWStrings& List) {
    std::vector<std::u16string> out;
    for (int i = 0; i < List.Count(); ++i)
        out.push_back(List.Get(i));
    return out;
}

TSnapshot Snapshot(const TWMemIniFile& Ini) {
    TSnapshot out;
    const TWHashedStringList& sections = Ini.Sections();
    for (int i = 0; i < sections.Count(); ++i)
        out.emplace_back(sections.Get(i), LinesOf(*static_cast<TWStrings*>(sections.GetObject(i))));
    return out;
}

// A header line cannot carry line breaks or U+0000, and the reader trims its ends.
bool StorableSection(const std::u16string& Name) {
    for (char16_t c : Name)
        if (c == u'\r' || c == u'\n' || c == u'\0')
            return false;
    return Name.empty() || (Name.front() > u' ' && Name.back() > u' ');
}

bool HasNul(const std::u16string& S) {
    return S.find(u'\0') != std::u16string::npos;
}

const std::string& ScratchFile() {
    static const std::string path = [] {
        char pattern[] = "/dev/shm/mpini-XXXXXX";
        char* dir = ::mkdtemp(pattern);
        if (!dir) {
            char fallback[] = "/tmp/mpini-XXXXXX";
            dir = ::mkdtemp(fallback);
        }
        Check(dir != nullptr, "scratch folder");
        std::string folder = dir;
        static std::string cleanupFile = folder + "/options.ini";
        static std::string cleanupCopy = folder + "/options.ini.bad";
        static std::string cleanupDir = folder;
        std::atexit([] {
            ::unlink(cleanupFile.c_str());
            ::unlink(cleanupCopy.c_str());
            ::rmdir(cleanupDir.c_str());
        });
        return folder + "/options.ini";
    }();
    return path;
}

void CheckSplitting(const std::string& Bytes) {
    std::istringstream in(Bytes);
    TWStringList split;
    split.LoadFromStream(in);
    for (int i = 0; i < split.Count(); ++i) {
        const std::u16string s = split.Get(i);
        Check(s.find_first_of(std::u16string(u"\r\n\0", 3)) == std::u16string::npos,
              "a split line holds a break");
    }
    TWStringList again;
    again.SetTextStr(split.GetTextStr());
    Check(LinesOf(again) == LinesOf(split), "text of the lines splits into the same lines");

    // The hashed answers must be the last entry the plain comparison calls equal.
    if (split.Count() > 48)
        return;
    TWHashedStringList hashed;
    hashed.Assign(split);
    for (int i = 0; i < split.Count(); ++i) {
        const std::u16string s = split.Get(i);
        int expected = -1;
        for (int j = 0; j < split.Count(); ++j)
            if (split.CompareStrings(split.Get(j), s) == 0)
                expected = j;
        Check(hashed.IndexOf(s) == expected, "hashed IndexOf agrees with comparison");
        const std::u16string name = split.GetName(i);
        if (split.Get(i).find(u'=') == std::u16string::npos)
            continue;
        int expectedName = -1;
        for (int j = 0; j < split.Count(); ++j)
            if (split.Get(j).find(u'=') != std::u16string::npos &&
                split.CompareStrings(split.GetName(j), name) == 0)
                expectedName = j;
        Check(hashed.IndexOfName(name) == expectedName, "hashed IndexOfName agrees");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider fdp(Data, Size);
    struct TEdit {
        int Kind;
        std::u16string Section, Key, Value;
    };
    std::vector<TEdit> edits(fdp.ConsumeIntegralInRange<int>(0, 6));
    for (TEdit& e : edits) {
        e.Kind = fdp.ConsumeIntegralInRange<int>(0, 3);
        e.Section = Wide(fdp.ConsumeRandomLengthString(24));
        e.Key = Wide(fdp.ConsumeRandomLengthString(24));
        e.Value = Wide(fdp.ConsumeRandomLengthString(48));
    }
    const std::string file = fdp.ConsumeRemainingBytesAsString();

    CheckSplitting(file);

    const std::string& path = ScratchFile();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    Check(out != nullptr, "scratch file");
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);

    const std::u16string widePath = Utf8ToWide(path);
    TWMemIniFile ini(widePath);
    for (const TEdit& e : edits) {
        switch (e.Kind) {
        case 0:
        case 1:
            if (StorableSection(e.Section) && !HasNul(e.Key) && !HasNul(e.Value))
                ini.WriteString(e.Section, e.Key, e.Value);
            break;
        case 2:
            ini.DeleteKey(e.Section, e.Key);
            break;
        default:
            ini.EraseSection(e.Section);
            break;
        }
        (void)ini.ReadString(e.Section, e.Key, u"");
        (void)ini.ReadInteger(e.Section, e.Key, 0);
    }

    const TSnapshot before = Snapshot(ini);
    const bool keeps = ini.KeepsOldFile();
    Check(ini.UpdateFile(), "UpdateFile succeeds on a scratch file");
    // A file the store could not understand is kept, byte for byte, beside the new one.
    const std::string copy = path + ".bad";
    if (keeps) {
        std::FILE* in = std::fopen(copy.c_str(), "rb");
        Check(in != nullptr, "an unreadable file was replaced without a copy");
        std::string kept;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
            kept.append(buffer, n);
        std::fclose(in);
        Check(kept == file, "the kept copy differs from the file");
    }
    ::unlink(copy.c_str());
    TWMemIniFile back(widePath);
    Check(Snapshot(back) == before, "written file reads back to the same sections and lines");
    return 0;
}
