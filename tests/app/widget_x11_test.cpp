// The real executable on its own X server, for what the end-to-end scenarios do not reach: it
// stays on a monitor the user can see, and every ending signal saves and ends it cleanly. (The
// last news shown at once, the refresh, the second launch and the close message from another
// program are end-to-end scenarios.) It also follows the desktop's scale while it runs.
#include <gtest/gtest.h>

#include "isolated_home.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "settings/options.h"
#include "settings/unicode.h"
#include "tests/support/scratch.h"
#include "tests/support/xserver.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

using testsupport::ReadBytes;

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    return x11test::PumpUntil(done, timeoutMs,
                              [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
}

class WidgetOnX : public testing::Test {
protected:
    void SetUp() override {
        Dir = apptest::MakeIsolatedHome("mp-x11-test", DataFolder);
        ASSERT_FALSE(Dir.empty());
        Server = std::make_unique<x11test::TXServer>();
        ASSERT_TRUE(Server->Ok()) << Server->Error();
    }

    void TearDown() override {
        if (Widget > 0) {
            kill(Widget, SIGKILL);
            waitpid(Widget, nullptr, 0);
        }
        Server.reset();
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }

    // A feed server on a free loopback port; the widget's options point every server at it.
    void StartFeed(const std::vector<std::string>& extra) {
        std::vector<std::string> argv = {"python3", MP_FEEDSERVER, "--port",
                                         "0",       "--port-file", Dir + "/port"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        ASSERT_GT(Server->Spawn(argv), 0);
        ASSERT_TRUE(WaitUntil([&] { return !ReadBytes(Dir + "/port").empty(); }, 10000));
        Host = "127.0.0.1:" + std::to_string(std::stoi(ReadBytes(Dir + "/port")));
        PointServers();
    }

    // Every server at Host (the default refuses at once), and the position when one is given.
    void PointServers(std::optional<std::pair<int, int>> At = std::nullopt) {
        TOptions options(Utf8ToWide(DataFolder + "/options.ini"));
        for (const char16_t* key : {u"news", u"version", u"links"})
            options.WriteString(u"server", key, Utf8ToWide(Host));
        if (At) {
            options.WriteLeft(At->first);
            options.WriteTop(At->second);
        }
        ASSERT_TRUE(options.UpdateFile());
    }

    // Ends the widget with SIGTERM and returns the position it saved.
    std::pair<int, int> Stop() {
        kill(Widget, SIGTERM);
        EXPECT_EQ(WaitExit(Widget, 10000), 0);
        Widget = -1;
        TOptions saved(Utf8ToWide(DataFolder + "/options.ini"));
        return {saved.ReadLeft(), saved.ReadTop()};
    }

    // The widget with its own process handle, so its exit status can be read.
    pid_t Launch() {
        std::string display = "DISPLAY=" + Server->Name();
        std::vector<char*> env;
        // The scale comes from the test's X server alone.
        for (char** e = environ; *e != nullptr; ++e)
            if (std::string(*e).rfind("DISPLAY=", 0) != 0 &&
                std::string(*e).rfind("GDK_SCALE=", 0) != 0)
                env.push_back(*e);
        env.push_back(display.data());
        env.push_back(nullptr);
        std::string exe = MP_EXECUTABLE;
        char* argv[] = {exe.data(), nullptr};
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, env.data()), 0);
        return pid;
    }

    // Exit code, or -1 when the process did not end in time (or not by exiting).
    static int WaitExit(pid_t pid, int timeoutMs) {
        int status = 0;
        const bool ended =
            WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Where the server shows the widget's window of that size; (-1, -1) while it shows none.
    std::pair<int, int> WidgetPosition(int width = 475, int height = 350) {
        Display* dpy = Server->Connection();
        XSync(dpy, False);
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        std::pair<int, int> found{-1, -1};
        if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count) == 0)
            return found;
        for (unsigned int i = 0; i < count; ++i) {
            XClassHint hint{};
            XWindowAttributes a{};
            if (XGetWindowAttributes(dpy, children[i], &a) == 0 || a.map_state != IsViewable ||
                a.width != width || a.height != height ||
                XGetClassHint(dpy, children[i], &hint) == 0)
                continue;
            if (std::string(hint.res_name) == "minipelikora")
                found = {a.x, a.y};
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        if (children != nullptr)
            XFree(children);
        return found;
    }

    std::string Dir, DataFolder;
    std::string Host = "127.0.0.1:1";
    std::unique_ptr<x11test::TXServer> Server;
    pid_t Widget = -1;
};

// A wide screen split into two monitors by hand (RandR 1.5), with no window manager.
TEST_F(WidgetOnX, StaysOnAMonitorFromStartUpAndWhenItsMonitorIsRemoved) {
    x11test::TServerOptions wide;
    wide.Width = 2560;
    Server = std::make_unique<x11test::TXServer>(wide);
    ASSERT_TRUE(Server->Ok()) << Server->Error();
    ASSERT_EQ(Server->Run({"xrandr", "--setmonitor", "left", "1280/338x1024/270+0+0", "screen"}),
              0);
    ASSERT_EQ(Server->Run({"xrandr", "--setmonitor", "right", "1280/338x1024/270+1280+0", "none"}),
              0);
    using TAt = std::pair<int, int>;
    const auto shownAt = [&](TAt At) {
        return WaitUntil([&] { return WidgetPosition() == At; }, 5000);
    };

    // A position far off every monitor (X itself would wrap it to a place in 16 bits) comes up
    // wholly on the nearest monitor, and is saved so.
    PointServers(TAt{-99999999, 99999999});
    Widget = Launch();
    ASSERT_GT(Widget, 0);
    EXPECT_TRUE(shownAt({0, 1024 - 350}))
        << WidgetPosition().first << "," << WidgetPosition().second;
    EXPECT_EQ(Stop(), (TAt{0, 1024 - 350}));

    // Its monitor goes away: it takes the same place on the one that is left.
    PointServers(TAt{1280 + 400, 300});
    Widget = Launch();
    ASSERT_GT(Widget, 0);
    ASSERT_TRUE(shownAt({1680, 300})) << WidgetPosition().first << "," << WidgetPosition().second;
    ASSERT_EQ(Server->Run({"xrandr", "--delmonitor", "right"}), 0);
    EXPECT_TRUE(shownAt({400, 300})) << WidgetPosition().first << "," << WidgetPosition().second;
    EXPECT_EQ(Stop(), (TAt{400, 300}));
}

// An XSETTINGS blob (least significant byte first) of integer settings.
std::vector<unsigned char> SettingsBlob(const std::vector<std::pair<std::string, int>>& values) {
    std::vector<unsigned char> b;
    const auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    b.insert(b.end(), {0, 0, 0, 0});
    u32(1);
    u32(static_cast<std::uint32_t>(values.size()));
    for (const auto& [name, value] : values) {
        b.insert(b.end(), {0, 0, static_cast<unsigned char>(name.size()), 0});
        b.insert(b.end(), name.begin(), name.end());
        while (b.size() % 4 != 0)
            b.push_back(0);
        u32(0);
        u32(static_cast<std::uint32_t>(value));
    }
    return b;
}

// The header's last row and the white body, as the screen shows them with the widget's own
// constant alpha (252 once faded in).
bool DarkRed(unsigned long p) {
    return (p >> 16) >= 0x60 && (p >> 16) <= 0x80 && (p & 0xFFFF) < 0x1010;
}
bool White(unsigned long p) {
    return p <= 0xFFFFFF && (p >> 16) >= 0xF0 && (p >> 8 & 0xFF) >= 0xF0 && (p & 0xFF) >= 0xF0;
}

// The desktop's scale changes under the running widget: first the resources (as xrdb writes
// them), then a settings manager that publishes Xft/DPI beside Gdk/WindowScalingFactor, as
// GNOME does. The window takes the device size of each scale and keeps its top-left corner,
// and the card's edges stay sharp: the header's last row meets the white body from one device
// row to the next, at 1x as at 2x.
TEST_F(WidgetOnX, FollowsTheDesktopScaleInPlace) {
    Display* dpy = Server->Connection();
    const Window root = DefaultRootWindow(dpy);
    XDeleteProperty(dpy, root, XA_RESOURCE_MANAGER);
    using TAt = std::pair<int, int>;
    const TAt corner{101, 77};
    PointServers(corner);
    const auto placed = [&](int w, int h) {
        return WaitUntil([&] { return WidgetPosition(w, h) == corner; }, 5000);
    };
    Widget = Launch();
    ASSERT_GT(Widget, 0);
    ASSERT_TRUE(placed(475, 350));
    // The header's last row is 60, the body's first 61 (the skin's rows).
    const auto at = [&](int X, int Row) {
        return Server->Pixel(corner.first + X, corner.second + Row);
    };
    EXPECT_TRUE(WaitUntil([&] { return DarkRed(at(300, 60)); }, 3000));
    EXPECT_TRUE(White(at(300, 61)));

    const std::string resources = "Xft.antialias:\t1\nXft.dpi:\t192\n";
    XChangeProperty(dpy, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
    XFlush(dpy);
    ASSERT_TRUE(placed(950, 700)) << "not resized to 2x in place";
    EXPECT_TRUE(WaitUntil([&] { return DarkRed(at(600, 121)) && White(at(600, 122)); }, 3000))
        << std::hex << at(600, 121) << " " << at(600, 122);
    EXPECT_TRUE(DarkRed(at(600, 120)));
    EXPECT_TRUE(White(at(600, 123)));

    // A settings manager comes: its Xft/DPI of 96 wins over the resources, and its scaling
    // factor of 2 is not applied on top.
    const Atom settingsAtom = XInternAtom(dpy, "_XSETTINGS_SETTINGS", False);
    const Window manager = XCreateSimpleWindow(dpy, root, 0, 0, 1, 1, 0, 0, 0);
    const auto publish = [&](int dpi) {
        const auto blob = SettingsBlob({{"Gdk/WindowScalingFactor", 2}, {"Xft/DPI", dpi * 1024}});
        XChangeProperty(dpy, manager, settingsAtom, settingsAtom, 8, PropModeReplace, blob.data(),
                        static_cast<int>(blob.size()));
        XFlush(dpy);
    };
    publish(96);
    XSetSelectionOwner(dpy, XInternAtom(dpy, "_XSETTINGS_S0", False), manager, CurrentTime);
    XFlush(dpy);
    EXPECT_TRUE(placed(475, 350)) << "the manager's 96 DPI did not win";
    publish(144);
    EXPECT_TRUE(placed(713, 525)) << "no 1.5x from the manager's change";

    // The options keep the place in the screen's pixels.
    EXPECT_EQ(Stop(), corner);
}

TEST_F(WidgetOnX, EachEndingSignalSavesAndEndsWithCodeZero) {
    StartFeed({});
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        // The lock went with the process before: every launch runs.
        Widget = Launch();
        ASSERT_GT(Widget, 0);
        ASSERT_TRUE(WaitUntil([&] { return WidgetPosition().first >= 0; }, 30000))
            << "no window shown";
        EXPECT_EQ(waitpid(Widget, nullptr, WNOHANG), 0);
        fs::remove(DataFolder + "/options.ini");
        kill(Widget, signal);
        EXPECT_EQ(WaitExit(Widget, 10000), 0);
        Widget = -1;
        EXPECT_TRUE(fs::exists(DataFolder + "/options.ini"));
        // The widget writes its own part only: the servers it read at the start are not put
        // back into a file that no longer names them.
        EXPECT_EQ(
            TOptions(Utf8ToWide(DataFolder + "/options.ini")).ReadString(u"server", u"news", u""),
            u"");
        PointServers();
    }
}

} // namespace
