#include "platform/sys/working_set.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace platform {

namespace {

// One mapping as smaps describes it, with what decides whether its pages may go.
struct TMapping {
    std::uintptr_t Start = 0, End = 0;
    bool Writable = true;
    bool File = false;
    bool Known = false; // every field below was read
    std::size_t Rss = 0, Anonymous = 0;
    bool Special = true; // locked, device memory or memory the kernel maps itself
    bool SeenRss = false, SeenAnonymous = false;
};

bool StartsWith(std::string_view Text, std::string_view Prefix) {
    return Text.substr(0, Prefix.size()) == Prefix;
}

// "55d0c1a2b000-55d0c1a4c000 r-xp 00002000 08:01 1234   /usr/lib/libx.so"
bool ParseHeader(std::string_view Line, TMapping& M) {
    const std::string text(Line);
    char* end = nullptr;
    M.Start = std::strtoull(text.c_str(), &end, 16);
    if (end == nullptr || *end != '-')
        return false;
    const char* rest = end + 1;
    M.End = std::strtoull(rest, &end, 16);
    if (end == rest || *end != ' ' || M.End <= M.Start)
        return false;
    const std::string_view perms = Line.substr(static_cast<std::size_t>(end + 1 - text.c_str()));
    if (perms.size() < 4)
        return false;
    // An unreadable mapping counts as writable: it holds no pages to give back.
    M.Writable = perms[0] != 'r' || perms[1] != '-';
    // The path is the sixth field; pseudo files of the kernel and device files do not count.
    std::size_t pos = 0;
    for (int field = 0; field < 5 && pos != std::string_view::npos; ++field) {
        pos = Line.find(' ', pos);
        if (pos != std::string_view::npos)
            pos = Line.find_first_not_of(' ', pos);
    }
    const std::string_view path =
        pos == std::string_view::npos ? std::string_view() : Line.substr(pos);
    M.File = StartsWith(path, "/") && !StartsWith(path, "/dev/") && !StartsWith(path, "/memfd:") &&
             !StartsWith(path, "/SYSV");
    return true;
}

bool ParseKilobytes(std::string_view Line, std::string_view Key, std::size_t& Value, bool& Seen) {
    if (!StartsWith(Line, Key))
        return false;
    const std::string number(Line.substr(Key.size()));
    char* end = nullptr;
    const unsigned long long v = std::strtoull(number.c_str(), &end, 10);
    if (end != number.c_str()) {
        Value = static_cast<std::size_t>(v);
        Seen = true;
    }
    return true;
}

void ReadField(std::string_view Line, TMapping& M) {
    if (ParseKilobytes(Line, "Rss:", M.Rss, M.SeenRss) ||
        ParseKilobytes(Line, "Anonymous:", M.Anonymous, M.SeenAnonymous))
        return;
    if (StartsWith(Line, "VmFlags:")) {
        const std::string flags = " " + std::string(Line.substr(8)) + " ";
        M.Special =
            flags.find(" lo ") != std::string::npos || flags.find(" io ") != std::string::npos ||
            flags.find(" pf ") != std::string::npos || flags.find(" dd ") != std::string::npos;
        // VmFlags closes a mapping's block.
        M.Known = M.SeenRss && M.SeenAnonymous;
    }
}

// Only pages that the file can give again: a page this process wrote (a relocation, say) is an
// anonymous copy, and one of those makes the whole mapping stay. A dirty page of the file
// itself (a program just rebuilt) is the page cache's and safe to let go.
bool Releasable(const TMapping& M) {
    return M.Known && M.File && !M.Writable && !M.Special && M.Rss > 0 && M.Anonymous == 0;
}

bool IsHeader(std::string_view Line) {
    const std::size_t dash = Line.find('-');
    const std::size_t space = Line.find(' ');
    return dash != std::string_view::npos && space != std::string_view::npos && dash < space &&
           Line.find(':') > space;
}

} // namespace

TReleasedPages ReleaseFileMappings(std::string_view Smaps) {
    TReleasedPages released;
    TMapping current;
    bool inMapping = false;
    const auto finish = [&] {
        // The pages of files the process only reads stay in the page cache; the next touch
        // maps them again. Mappings are changed by the window thread alone, the caller, so
        // none of these ranges can have been replaced since smaps was read.
        if (inMapping && Releasable(current) &&
            madvise(reinterpret_cast<void*>(current.Start), current.End - current.Start,
                    MADV_DONTNEED) == 0) {
            ++released.Mappings;
            released.Kilobytes += current.Rss;
        }
        inMapping = false;
    };
    std::size_t begin = 0;
    while (begin < Smaps.size()) {
        std::size_t end = Smaps.find('\n', begin);
        if (end == std::string_view::npos)
            end = Smaps.size();
        const std::string_view line = Smaps.substr(begin, end - begin);
        begin = end + 1;
        if (IsHeader(line)) {
            finish();
            current = TMapping();
            inMapping = ParseHeader(line, current);
        } else if (inMapping) {
            ReadField(line, current);
            if (StartsWith(line, "VmFlags:"))
                finish();
        }
    }
    // A block cut off before its VmFlags line is never complete, so it is left alone.
    return released;
}

TReleasedPages ReleaseFileMappings() {
    std::ifstream in("/proc/self/smaps", std::ios::binary);
    const std::string smaps((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ReleaseFileMappings(smaps);
}

} // namespace platform
