// The toolkit's desktop classes on an X server: a control clicked for real, the tray icon docked
// into a real tray, and the work area as a window manager publishes it.
#include "desktop_scene.h"
#include "platform/shell/icons.h"
#include "tests/platform/display/x11/x11_fixture.h"
#include "widgets/desktop.h"
#include "widgets/windowex.h"

#include <X11/Xlib.h>

using namespace platform;
using namespace widgets;
using namespace desktoptest;
using namespace x11test;

namespace {

class X11Widgets : public TX11Test {};

TEST_F(X11Widgets, RealClickOnAControlFiresItsOnClick) {
    Start();
    TWindowEx window(nullptr);
    window.SetLeft(100);
    window.SetTop(100);
    window.SetSize(200, 200);
    window.Show();
    TBlock& block = *window.Make<TBlock>();
    block.SetParent(&window);
    block.SetLeft(50);
    block.SetTop(50);
    block.SetSize(60, 40);
    block.Show();
    int clicks = 0;
    block.OnClick = [&](TObject*, int keys, int x, int y) {
        ++clicks;
        EXPECT_EQ(keys & MK_LBUTTON, MK_LBUTTON); // the released button's flag
        EXPECT_EQ(x, 10);
        EXPECT_EQ(y, 15);
    };
    window.Update();
    Settle(200);
    ASSERT_TRUE(Xdotool({"mousemove", "5", "5", "mousemove", "160", "165", "click", "1"}));
    EXPECT_TRUE(Until([&] { return clicks == 1; }));
}

TEST_F(X11Widgets, TrayIconDocksIntoTheTrayAndItsClicksBecomeEvents) {
    Start(Servers::Tray());
    TTrayIcon tray(nullptr);
    TTrayLog log;
    log.Attach(tray);
    tray.SetIcon(LoadIcon(0, 101));
    ASSERT_NE(tray.Icon(), 0u);
    tray.HandleNeeded();
    tray.SetHintText(u"Mini Pelikora");
    tray.SetVisibleTray(true);
    const unsigned long icon = X->NativeTrayWindow(tray.WindowHandle(), tray.Record().uID);
    ASSERT_NE(icon, 0u);
    ::Display* d = Server->Connection();
    // Embedded: the tray host becomes its parent and gives it a usable size.
    auto embedded = [&] {
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        XSync(d, False);
        if (!XQueryTree(d, icon, &root, &parent, &children, &n)) {
            return false;
        }
        if (children != nullptr) {
            XFree(children);
        }
        XWindowAttributes a;
        return parent != root && XGetWindowAttributes(d, icon, &a) && a.width >= 16 &&
               a.map_state == IsViewable;
    };
    ASSERT_TRUE(Until(embedded, 5000));
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(d, icon, DefaultRootWindow(d), 8, 8, &x, &y, &child);
    ASSERT_TRUE(Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "3"}));
    ASSERT_TRUE(Until([&] { return log.Events.size() == 2; }));
    EXPECT_EQ(log.Events, (std::vector<std::string>{"down2", "up2"}));
    log.Events.clear();
    ASSERT_TRUE(Xdotool({"click", "1"}));
    ASSERT_TRUE(Until([&] { return log.Events.size() == 3; }));
    EXPECT_EQ(log.Events, (std::vector<std::string>{"down1", "click", "up1"}));
    log.Events.clear();
    ASSERT_TRUE(Xdotool({"keydown", "ctrl", "click", "3", "keyup", "ctrl"}));
    ASSERT_TRUE(Until([&] { return log.Events.size() == 2; }));
    EXPECT_EQ(log.Events, (std::vector<std::string>{"down10", "up10"}));
}

TEST_F(X11Widgets, DesktopWorkAreaFollowsTheWindowManager) {
    Start(Servers::Manager());
    TDesktop desktop;
    TRect r;
    ASSERT_TRUE(desktop.WorkArea(r));
    EXPECT_EQ(r, (TRect{0, 0, 1280, 1024}));
    Server->AddDock(40);
    EXPECT_TRUE(Until([&] {
        return desktop.WorkArea(r) && r == TRect{0, 40, 1280, 1024};
    })) << r.Top;
}

} // namespace
