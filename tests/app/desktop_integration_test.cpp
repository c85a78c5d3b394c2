// The autostart entry, the queue drain and the window timer.
#include "app_fixture.h"

#include "app/wintimer.h"

namespace app_test {
namespace {

using namespace platform;

// Reads one Exec argument back as a launcher does: the string escapes of the file first,
// then the quoting, then the doubled percent signs.
std::string UnquoteExec(const std::string& value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char n = value[++i];
            unescaped += n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : n == 's' ? ' ' : n;
        } else {
            unescaped += value[i];
        }
    }
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

TEST(ExecQuoting, EveryPathSurvivesTheLaunchersRules) {
    const std::string paths[] = {
        "/opt/Mini Pelikora/minipelikora",
        "/home/a\"b/mp",
        "/srv/back\\slash/mp",
        "/srv/$HOME/mp",
        "/srv/100%/%u/mp",
        "/srv/`id`/mp",
        "/srv/tab\there/new\nline",
        "/srv/çalışma/mp",
    };
    for (const auto& path : paths) {
        const std::string quoted = app::QuoteExecArgument(path);
        EXPECT_EQ(quoted.find('\n'), std::string::npos);
        EXPECT_EQ(UnquoteExec(quoted), path) << quoted;
    }
    EXPECT_EQ(app::QuoteExecArgument("/a b/c"), "\"/a b/c\"");
    EXPECT_EQ(app::QuoteExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
    EXPECT_EQ(app::QuoteExecArgument("/a%b"), "\"/a%%b\"");
}

TEST_F(AppTest, AutostartEntryIsWrittenAndRemovedQuietly) {
    const std::string entry = Dir + "/config/autostart/Mini Pelikora.desktop";
    EXPECT_EQ(app::AutostartEntryPath(), entry);
    EXPECT_TRUE(app::SetStartWithSystem(false, "/x")); // nothing there: a quiet no-op
    ASSERT_TRUE(app::SetStartWithSystem(true, "/opt/Mini Pelikora/minipelikora"));
    const std::string text = ReadFile(entry);
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nName=Mini Pelikora\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=\"/opt/Mini Pelikora/minipelikora\"\n"), std::string::npos);
    EXPECT_TRUE(app::SetStartWithSystem(false, "/x"));
    EXPECT_FALSE(fs::exists(entry));
    // Without a known program there is nothing to start: no entry is written.
    EXPECT_FALSE(app::SetStartWithSystem(true, ""));
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
    Screen->Advance(600);
    Pump();
    EXPECT_EQ(ticks, 0);
    Screen->Advance(400);
    Pump();
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
