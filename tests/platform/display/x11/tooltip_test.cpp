// The tooltip class on an X server: the tip shows on screen after the hover time.
#include "tests/platform/shell/tooltip_scene.h"
#include "x11_fixture.h"

using namespace platform;
using namespace tooltiptest;
using namespace x11test;

namespace {

class X11Tooltip : public TX11Test {};

TEST_F(X11Tooltip, TipShowsOnScreenAfterTheHoverTime) {
    Start();
    Answer = u"İpucu";
    Asked = 0;
    TScene s(100, 100);
    Settle(200);
    ASSERT_TRUE(Xdotool({"mousemove", "250", "150"}));
    Settle(100);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
    ASSERT_TRUE(Until([&] { return GetTipWindow(s.Tooltip) != 0; }, 3000));
    TRect r;
    GetWindowRect(GetTipWindow(s.Tooltip), &r);
    EXPECT_TRUE(Until([&] { return Near(Server->Pixel(r.Left + 2, r.Top + 2), 0xFFFFE1); }))
        << std::hex << Server->Pixel(r.Left + 2, r.Top + 2);
    ASSERT_TRUE(Xdotool({"click", "1"}));
    EXPECT_TRUE(Until([&] { return GetTipWindow(s.Tooltip) == 0; }));
}

} // namespace
