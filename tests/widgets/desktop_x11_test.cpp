// The toolkit's desktop classes on an X server: a control clicked for real and the work area as a
// window manager publishes it. (The tray icon on X is tested with the X tray.)
#include "desktop_scene.h"
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
