#include "app/desktop_integration.h"

#include "elements/linkopener.h"
#include "platform/sys/atomic_file.h"
#include "platform/sys/working_set.h"
#include "platform/window_manager.h"

#include <malloc.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string_view>
#include <system_error>

namespace app {

namespace {

int Trims = 0;
int TrimsDone = 0;

// What the heap looked like after the last trim; an unchanged heap has nothing new to give
// back, and walking it again would only wake its pages.
struct THeapShape {
    std::size_t Arena = 0, InUse = 0, Mapped = 0, FreeChunks = 0;
    bool operator==(const THeapShape& o) const {
        return Arena == o.Arena && InUse == o.InUse && Mapped == o.Mapped &&
               FreeChunks == o.FreeChunks;
    }
};
THeapShape LastTrimmed;

THeapShape HeapShape() {
    const struct mallinfo2 info = mallinfo2();
    return {info.arena, info.uordblks, info.hblkhd, info.ordblks};
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return {};
}

} // namespace

std::string ExecutablePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : ExecutableFromProcLink(path.string());
}

std::string ExecutableFromProcLink(const std::string& Link) {
    constexpr std::string_view deleted = " (deleted)";
    if (Link.size() > deleted.size() &&
        Link.compare(Link.size() - deleted.size(), deleted.size(), deleted) == 0) {
        // A file whose name really ends so is taken as it is.
        std::error_code ec;
        if (!std::filesystem::exists(Link, ec))
            return Link.substr(0, Link.size() - deleted.size());
    }
    return Link;
}

std::string XdgBaseFolder(const char* Variable, const char* Fallback) {
    // Relative values are ignored, as the base-directory rules ask.
    if (const char* value = std::getenv(Variable); value != nullptr && value[0] == '/')
        return value;
    return HomeFolder() + Fallback;
}

std::string AutostartFolder() {
    return XdgBaseFolder("XDG_CONFIG_HOME", "/.config") + "/autostart";
}

std::string AutostartEntryPath() {
    return AutostartFolder() + "/" + AutostartName + ".desktop";
}

std::string DesktopStringValue(const std::string& Text) {
    std::string value;
    for (char c : Text) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\r':
            value += "\\r";
            break;
        case '\t':
            value += "\\t";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string QuoteExecArgument(const std::string& Argument) {
    std::string quoted = "\"";
    for (char c : Argument) {
        switch (c) {
        case '"':
        case '`':
        case '$':
        case '\\':
            quoted += '\\';
            quoted += c;
            break;
        case '%':
            quoted += "%%";
            break;
        default:
            quoted += c;
        }
    }
    quoted += '"';
    // The Exec key is a string value, so its own escapes apply on top of the quoting.
    return DesktopStringValue(quoted);
}

std::string AutostartEntryText(const std::string& Executable) {
    return std::string("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=") +
           AutostartName + "\nTryExec=" + DesktopStringValue(Executable) +
           "\nExec=" + QuoteExecArgument(Executable) +
           "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

bool SetStartWithSystem(bool On, const std::string& Executable) {
    const std::string entry = AutostartEntryPath();
    if (!On) {
        if (std::remove(entry.c_str()) == 0)
            return true;
        return errno == ENOENT;
    }
    // An entry that starts nothing, or starts whatever a relative name finds, is worse than
    // none.
    if (Executable.empty() || Executable.front() != '/')
        return false;
    std::error_code ec;
    std::filesystem::create_directories(AutostartFolder(), ec);
    return platform::WriteFileAtomically(entry, AutostartEntryText(Executable));
}

bool StartsWithSystem(const std::string& Executable) {
    // Entries are a few lines; anything far larger, or not a regular file, is not one of ours.
    constexpr std::size_t MaxEntryBytes = 64 * 1024;
    std::string text;
    if (Executable.empty() ||
        platform::ReadRegularFile(AutostartEntryPath(), text, MaxEntryBytes) !=
            platform::TReadResult::Read)
        return false;
    // The command is compared as this program writes it.
    std::string wanted;
    std::istringstream ours(AutostartEntryText(Executable));
    for (std::string line; std::getline(ours, line);)
        if (line.rfind("Exec=", 0) == 0)
            wanted = line;
    bool inEntry = false, starts = false, off = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry)
            continue;
        if (line.rfind("Exec=", 0) == 0)
            starts = line == wanted;
        else if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            off = true;
    }
    return starts && !off;
}

std::function<void(const std::string& Url)> LinkOpener = [](const std::string& Url) {
    elements::OpenInBrowser(Url);
};

void OpenLink(const std::string& Url) {
    if (LinkOpener)
        LinkOpener(Url);
}

void UseOneHeap() {
    mallopt(M_ARENA_MAX, 1);
}

void TrimWorkingSet() {
    if (!(HeapShape() == LastTrimmed)) {
        // First, so the heap also gives back what reading the mappings took.
        platform::ReleaseFileMappings();
        malloc_trim(0);
        LastTrimmed = HeapShape();
        ++TrimsDone;
    }
    ++Trims;
    ProcessMessages();
}

int TrimCount() {
    return Trims;
}

int TrimWorkCount() {
    return TrimsDone;
}

void ProcessMessages() {
    platform::TMsg msg;
    bool quit = false;
    int exitCode = 0;
    while (platform::PeekMessage(&msg, 0, 0, 0, platform::PM_REMOVE)) {
        if (msg.message == platform::WM_QUIT) {
            quit = true;
            exitCode = static_cast<int>(msg.wParam);
            continue;
        }
        platform::TranslateMessage(&msg);
        platform::DispatchMessage(&msg);
    }
    if (quit)
        platform::PostQuitMessage(exitCode);
}

} // namespace app
