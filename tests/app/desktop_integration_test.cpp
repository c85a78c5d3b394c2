// The autostart entry, the queue drain and the window timer.
#include "app_fixture.h"

#include "app/wintimer.h"

#include <unistd.h>

#include <cstdio>
#include <optional>
#include <sstream>

namespace app_test {
namespace {

using namespace platform;

// The string escapes of a desktop entry's value, undone.
std::string UnescapeString(const std::string& value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char n = value[++i];
            text += n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : n == 's' ? ' ' : n;
        } else {
            text += value[i];
        }
    }
    return text;
}

// Reads one Exec argument back as a launcher does: the string escapes of the file first,
// then the quoting, then the doubled percent signs.
std::string UnquoteExec(const std::string& value) {
    const std::string unescaped = UnescapeString(value);
    std::string arg;
    EXPECT_TRUE(unescaped.size() >= 2 && unescaped.front() == '"' && unescaped.back() == '"');
    for (std::size_t i = 1; i + 1 < unescaped.size(); ++i) {
        char c = unescaped[i];
        if (c == '\\') {
            c = unescaped[++i];
            EXPECT_NE(std::string("\"`$\\").find(c), std::string::npos) << "stray escape";
        } else {
            EXPECT_EQ(std::string("\"`$").find(c), std::string::npos) << "unescaped " << c;
        }
        if (c == '%') {
            EXPECT_EQ(unescaped[i + 1], '%');
            ++i;
        }
        arg += c;
    }
    return arg;
}

// The value of Key in an entry's text; nullopt when the key is missing or given twice.
std::optional<std::string> EntryValue(const std::string& text, const std::string& key) {
    std::optional<std::string> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key + "=", 0) != 0)
            continue;
        if (found)
            return std::nullopt;
        found = line.substr(key.size() + 1);
    }
    return found;
}

const std::string OddPaths[] = {
    "/usr/bin/minipelikora", "/opt/Mini Pelikora/minipelikora",
    "/home/a\"b/mp",         "/srv/back\\slash/mp",
    "/srv/$HOME/mp",         "/srv/100%/%u/mp",
    "/srv/`id`/mp",          "/srv/tab\there/new\nline",
    "/srv/çalışma/mp",
};

TEST(ExecQuoting, EveryPathSurvivesTheLaunchersRules) {
    for (const auto& path : OddPaths) {
        const std::string quoted = app::QuoteExecArgument(path);
        EXPECT_EQ(quoted.find('\n'), std::string::npos);
        EXPECT_EQ(UnquoteExec(quoted), path) << quoted;
    }
    EXPECT_EQ(app::QuoteExecArgument("/a b/c"), "\"/a b/c\"");
    EXPECT_EQ(app::QuoteExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
    EXPECT_EQ(app::QuoteExecArgument("/a%b"), "\"/a%%b\"");
}

// An upgrade replaces the file of a running program; the path it was installed at still
// names the program.
TEST(ExecutablePath, IsTheRealPathOfTheRunningFileEvenAfterItWasReplaced) {
    EXPECT_EQ(app::ExecutablePath(), fs::canonical("/proc/self/exe").string());

    const testsupport::TTempDir dir;
    const std::string odd = dir.File("really (deleted)");
    WriteBytes(odd, "");
    const struct {
        std::string Link, Expected;
    } cases[] = {
        {"/usr/bin/minipelikora (deleted)", "/usr/bin/minipelikora"},
        {"/opt/Mini Pelikora/minipelikora (deleted)", "/opt/Mini Pelikora/minipelikora"},
        {"/usr/bin/minipelikora", "/usr/bin/minipelikora"},
        {odd, odd}, // an existing file of that name is what runs
        {" (deleted)", " (deleted)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app::ExecutableFromProcLink(c.Link), c.Expected) << c.Link;
}

// The entry a launcher reads: it starts the program at its path, carries TryExec with the same
// path (so a removed program leaves an entry the desktop skips), and passes the desktop's own
// validator whatever the path holds.
TEST_F(AppTest, AutostartEntryStartsTheProgramAndIsSkippedOnceItIsGone) {
    const std::string entry = Dir + "/config/autostart/Mini Pelikora.desktop";
    EXPECT_EQ(app::AutostartEntryPath(), entry);
    EXPECT_TRUE(app::SetStartWithSystem(false, "/x")); // nothing there: a quiet no-op
    const bool validator = std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0;
    for (const auto& path : OddPaths) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(app::SetStartWithSystem(true, path));
        const std::string text = ReadBytes(entry);
        EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
        EXPECT_EQ(EntryValue(text, "Type"), "Application");
        EXPECT_EQ(EntryValue(text, "Name"), "Mini Pelikora");
        const auto exec = EntryValue(text, "Exec");
        const auto tryExec = EntryValue(text, "TryExec");
        ASSERT_TRUE(exec && tryExec);
        EXPECT_EQ(UnquoteExec(*exec), path);
        EXPECT_EQ(UnescapeString(*tryExec), path);
        if (validator) {
            FILE* out = popen(("desktop-file-validate '" + entry + "' 2>&1").c_str(), "r");
            ASSERT_NE(out, nullptr);
            std::string report;
            for (char buffer[256]; std::fgets(buffer, sizeof buffer, out) != nullptr;)
                report += buffer;
            EXPECT_EQ(pclose(out), 0) << report;
            EXPECT_EQ(report, "");
        }
    }
    if (!validator)
        std::puts("desktop-file-validate is not installed: the entries were not validated");

    // A path the system could not tell, or a relative one, writes nothing: the last entry stays.
    const std::string before = ReadBytes(entry);
    EXPECT_FALSE(app::SetStartWithSystem(true, ""));
    EXPECT_FALSE(app::SetStartWithSystem(true, "minipelikora"));
    EXPECT_EQ(ReadBytes(entry), before);

    EXPECT_TRUE(app::SetStartWithSystem(false, "/x"));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(fs::is_empty(Dir + "/config/autostart")); // no temporary file left behind

    // A relative XDG_CONFIG_HOME is not a base folder; the home's .config is.
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(app::AutostartFolder(), Dir + "/home/.config/autostart");
}

TEST_F(AppTest, ProcessMessagesServesTheQueueAndKeepsAQuitForTheMainLoop) {
    auto& window = Start();
    int commands = 0;
    window.OnMouseDown = [&](widgets::TObject*, int, int, int) { ++commands; };
    PostMessage(Handle, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostQuitMessage(3);
    PostMessage(Handle, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    app::ProcessMessages();
    EXPECT_EQ(commands, 2);
    int code = -1;
    EXPECT_TRUE(QuitPosted(&code));
    EXPECT_EQ(code, 3);
}

// The idle trim runs every ten seconds all day; it walks the heap only when something was
// allocated or freed since it last did.
TEST_F(AppTest, TheTrimWalksTheHeapOnlyWhenItChanged) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator reports no heap shape to compare";
#endif
    app::TrimWorkingSet();
    const int walked = app::TrimWorkCount();
    app::TrimWorkingSet();
    app::TrimWorkingSet();
    const int unchanged = app::TrimWorkCount();
    auto kept = std::make_unique<std::vector<std::string>>(2000, std::string(100, 'x'));
    app::TrimWorkingSet();
    const int grown = app::TrimWorkCount();
    kept.reset();
    app::TrimWorkingSet();
    EXPECT_EQ(unchanged, walked);
    EXPECT_EQ(grown, walked + 1);
    EXPECT_EQ(app::TrimWorkCount(), walked + 2);
}

TEST_F(AppTest, WinTimerStartsAndStopsOnlyOnALiveWindow) {
    widgets::TWindowEx window(nullptr);
    window.HandleNeeded();
    app::TWinTimer timer(window.WindowHandle(), 77, 1000);
    EXPECT_FALSE(timer.Enabled());
    timer.SetEnabled(true);
    int ticks = 0;
    window.OnTimer = [&](widgets::TObject*, UINT id) { ticks += id == 77 ? 1 : 0; };
    // A stop and a start begin a fresh full interval.
    Screen->Advance(600);
    timer.Stop();
    timer.Start();
    Elapse(600);
    EXPECT_EQ(ticks, 0);
    Elapse(400);
    EXPECT_EQ(ticks, 1);

    app::TWinTimer dead(0x7FFFFFF0, 5, 100);
    dead.Start();
    EXPECT_FALSE(dead.Enabled());
    DestroyWindow(window.WindowHandle());
    timer.Stop(); // the window is gone: nothing to stop, the state stays
    EXPECT_TRUE(timer.Enabled());
}

} // namespace
} // namespace app_test
