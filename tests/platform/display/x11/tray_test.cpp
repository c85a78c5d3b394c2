// The tray icon on a real X server with trayer: docking into a tray that starts late or
// restarts, the tip over the icon, and clicks and double clicks from real input.
#include "platform/shell/icons.h"
#include "platform/shell/tray.h"
#include "tests/widgets/desktop_scene.h"
#include "widgets/trayicon.h"
#include "x11_fixture.h"

#include <X11/Xlib.h>

#include <cstdlib>

using namespace platform;
using namespace widgets;
using namespace x11test;

namespace {

class X11Tray : public TX11Test {
protected:
    void Show(TTrayIcon& tray) {
        tray.SetIcon(LoadIcon(0, 101));
        tray.HandleNeeded();
        tray.SetHintText(u"Mini Pelikora");
        tray.SetVisibleTray(true);
    }
    unsigned long IconWindow(TTrayIcon& tray) {
        return X->NativeTrayWindow(tray.WindowHandle(), tray.Record().uID);
    }
    // In the tray host, viewable, at a usable size.
    bool Embedded(unsigned long icon) {
        ::Display* d = Server->Connection();
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        XSync(d, False);
        if (icon == 0 || !XQueryTree(d, icon, &root, &parent, &children, &n))
            return false;
        if (children != nullptr)
            XFree(children);
        XWindowAttributes a;
        return parent != root && XGetWindowAttributes(d, icon, &a) && a.width >= 16 &&
               a.map_state == IsViewable;
    }
    bool WaitDocked(TTrayIcon& tray) {
        return Until([&] { return Embedded(IconWindow(tray)); }, 10000);
    }
    TPoint Centre(unsigned long icon) {
        ::Display* d = Server->Connection();
        int x = 0, y = 0;
        ::Window child = 0;
        XTranslateCoordinates(d, icon, DefaultRootWindow(d), 8, 8, &x, &y, &child);
        return TPoint{x, y};
    }
    bool MoveTo(TPoint p) {
        return Xdotool({"mousemove", std::to_string(p.X), std::to_string(p.Y)});
    }
};

TEST_F(X11Tray, IconDocksIntoATrayThatStartsLaterAndAgainAfterARestart) {
    Start();
    TTrayIcon tray(nullptr);
    Show(tray);
    EXPECT_EQ(IconWindow(tray), 0u) << "no tray yet";
    ASSERT_TRUE(Server->StartTray());
    ASSERT_TRUE(WaitDocked(tray));

    Server->StopTray();
    ASSERT_TRUE(Until([&] { return IconWindow(tray) == 0; }))
        << "the icon waits once its tray is gone";
    ASSERT_TRUE(Server->StartTray());
    ASSERT_TRUE(WaitDocked(tray)) << "and docks into the next one";

    // Input on the new icon still reaches the program.
    int clicks = 0;
    tray.OnClick = [&](TObject*) { ++clicks; };
    ASSERT_TRUE(MoveTo(Centre(IconWindow(tray))));
    ASSERT_TRUE(Xdotool({"click", "1"}));
    EXPECT_TRUE(Until([&] { return clicks == 1; }));
}

TEST_F(X11Tray, TipShowsOverTheIconAndGoesWhenThePointerLeaves) {
    Start(Servers::Tray());
    TTrayIcon tray(nullptr);
    Show(tray);
    ASSERT_TRUE(WaitDocked(tray));
    const TPoint at = Centre(IconWindow(tray));
    ASSERT_TRUE(MoveTo(at));
    ASSERT_TRUE(Until([] { return GetTrayTipWindow() != 0; }));
    const unsigned long xid = X->NativeWindow(GetTrayTipWindow());
    ASSERT_NE(xid, 0u);
    ::Display* d = Server->Connection();
    XWindowAttributes a;
    ASSERT_TRUE(Until([&] {
        XSync(d, False);
        return XGetWindowAttributes(d, xid, &a) && a.map_state == IsViewable;
    }));
    EXPECT_TRUE(a.override_redirect);
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(d, xid, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    EXPECT_GT(y, at.Y) << "below the pointer";
    EXPECT_LT(y, at.Y + 40);
    EXPECT_LE(std::abs(x - at.X), 2);
    // On screen in the info tips' pale yellow.
    EXPECT_TRUE(Until([&] { return Near(Server->Pixel(x + 2, y + 2), 0xFFFFE1); }))
        << std::hex << Server->Pixel(x + 2, y + 2);

    ASSERT_TRUE(MoveTo(TPoint{600, 600}));
    EXPECT_TRUE(Until([] { return GetTrayTipWindow() == 0; }));
}

// What X adds to the tray's input: real buttons with the keys held, and the server's times, by
// which two quick clicks pair into a double click. (The pairing rules are the window manager's.)
TEST_F(X11Tray, RealClicksArriveWithButtonsAndKeysAndQuickOnesPair) {
    Start(Servers::Tray());
    TTrayIcon tray(nullptr);
    desktoptest::TTrayLog log;
    log.Attach(tray);
    std::vector<std::string>& events = log.Events;
    Show(tray);
    ASSERT_NE(IconWindow(tray), 0u);
    ASSERT_TRUE(WaitDocked(tray));
    ASSERT_TRUE(MoveTo(Centre(IconWindow(tray))));
    struct TStep {
        std::vector<std::string> Input, Events;
    };
    const TStep steps[] = {
        {{"click", "3"}, {"down2", "up2"}},
        {{"click", "1"}, {"down1", "click", "up1"}},
        {{"keydown", "ctrl", "click", "3", "keyup", "ctrl"}, {"down10", "up10"}},
        {{"sleep", "1", "click", "--repeat", "2", "--delay", "40", "1"},
         {"down1", "click", "up1", "dbl", "up1"}},
    };
    for (const auto& step : steps) {
        events.clear();
        ASSERT_TRUE(Xdotool(step.Input));
        ASSERT_TRUE(Until([&] { return events.size() == step.Events.size(); }));
        EXPECT_EQ(events, step.Events);
    }
    EXPECT_TRUE(Embedded(IconWindow(tray)));
}

} // namespace
