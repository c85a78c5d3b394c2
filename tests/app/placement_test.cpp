// Where the widget stands on a desk of one or two monitors: the rules that keep it in view, and
// the main window applying them at start-up, while it is dragged, when its picture shrinks, and
// when the monitors or their work areas change under it.
#include "app_fixture.h"

#include "app/placement.h"

#include <climits>
#include <ostream>

namespace platform {
// Failures show the point, not its bytes.
inline void PrintTo(const TPoint& P, std::ostream* Out) {
    *Out << "(" << P.X << ", " << P.Y << ")";
}
} // namespace platform

namespace app_test {
namespace {

using namespace platform;

// A 1920 x 1080 primary monitor with a 40-pixel panel along its bottom, and a 1280 x 1024 one
// to its right without panels.
const TMonitor Left{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true};
const TMonitor Right{{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}, false};
const std::vector<TMonitor> TwoMonitors{Left, Right};
// A laptop screen with a 30-pixel panel, and a screen smaller than the widget.
const std::vector<TMonitor> Laptop{{{0, 0, 1280, 800}, {0, 0, 1280, 770}, true}};
const std::vector<TMonitor> Tiny{{{0, 0, 400, 300}, {0, 0, 400, 300}, true}};

TRect At(int X, int Y) {
    return TRect{X, Y, X + 475, Y + 350};
}

TEST(Placement, TheWidgetIsKeptWhereTheUserCanSeeIt) {
    const TRect rightWork = Right.Work;
    const TRect leftWork = Left.Work;
    struct TCase {
        const char* Name;
        std::vector<TMonitor> Monitors;
        TRect Window;
        const TRect* Home;
        TPoint Want;
    };
    const TCase cases[] = {
        {"wholly on a monitor", TwoMonitors, At(100, 100), nullptr, {100, 100}},
        {"across the edge between monitors", TwoMonitors, At(1700, 100), nullptr, {1700, 100}},
        {"60 % on screen stays", TwoMonitors, At(3200 - 285, 100), nullptr, {2915, 100}},
        {"40 % on screen comes in", TwoMonitors, At(3200 - 190, 100), nullptr, {2725, 100}},
        {"hanging below the shorter monitor", TwoMonitors, At(2000, 900), nullptr, {2000, 674}},
        {"mostly under the panel", TwoMonitors, At(300, 950), nullptr, {300, 690}},
        {"far off to the upper right", TwoMonitors, At(5000, -3000), nullptr, {2725, 0}},
        {"far off to the left", TwoMonitors, At(-2000, 500), nullptr, {0, 500}},
        // Its monitor is gone: the same place in proportion on the one that is left.
        {"the right monitor unplugged", {Left}, At(2320, 300), &rightWork, {718, 307}},
        {"a home it had already left", {Left}, At(2320, 300), &leftWork, {1445, 300}},
        {"a monitor smaller than the widget", Tiny, At(1000, 1000), nullptr, {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(app::KeepOnScreen(c.Window, c.Monitors, c.Home), c.Want);
    }
}

TEST(Placement, AnyStoredNumberEndsWhollyInsideAWorkArea) {
    struct TCase {
        int Left, Top;
        std::vector<TMonitor> Monitors;
        TPoint Want;
    };
    const TCase cases[] = {
        {-99999999, 99999999, Laptop, {0, 420}},
        {INT_MIN, INT_MAX, Laptop, {0, 420}},
        {INT_MAX, INT_MIN, Laptop, {805, 0}},
        {INT_MAX, INT_MAX, TwoMonitors, {2725, 674}},
        {INT_MIN, INT_MIN, TwoMonitors, {0, 0}},
        {5000, 300, TwoMonitors, {2725, 300}},
        // Partly off but mostly in view: applied as it is.
        {-100, 300, Laptop, {-100, 300}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Left) + "," + std::to_string(c.Top));
        EXPECT_EQ(app::PlaceStoredPosition(c.Left, c.Top, 475, 350, c.Monitors), c.Want);
    }
}

class Desk : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        PointServersAt("127.0.0.1:1");
    }

    TPoint Position() const { return TPoint{Window->Left(), Window->Top()}; }
    // Where the screen itself shows the window, not only what the window believes.
    TPoint Shown() const {
        const TRect b = Screen->Surface(Handle).Bounds;
        return TPoint{b.Left, b.Top};
    }
};

// The original left a stored position as it was, which could put the widget out of reach for
// good; now it comes back inside the work area and is saved so.
TEST_F(Desk, AStoredPositionOffTheScreenIsBroughtBackAndSavedSane) {
    Screen->SetMonitors(Laptop);
    struct TCase {
        int Left, Top;
        TPoint Want;
    };
    const TCase cases[] = {
        {-99999999, 99999999, {0, 420}},
        {INT_MAX, INT_MIN, {805, 0}},
        {1500, 300, {805, 300}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Left) + "," + std::to_string(c.Top));
        StartAt(c.Left, c.Top);
        EXPECT_EQ(Position(), c.Want);
        EXPECT_EQ(Shown(), c.Want);
        SendMessage(Handle, WM_QUERYENDSESSION, 0, 0);
        const TOptions saved = Saved();
        EXPECT_EQ(saved.ReadLeft(), c.Want.X);
        EXPECT_EQ(saved.ReadTop(), c.Want.Y);
        Desktop.reset();
    }
}

TEST_F(Desk, EachMonitorsEdgesSnapIncludingTheOneBetweenThem) {
    Screen->SetMonitors(TwoMonitors);
    Start();
    struct TCase {
        const char* Name;
        int X, Y;
        TPoint Want;
    };
    const TCase cases[] = {
        {"5 short of the left monitor's right edge", 1440, 300, {1445, 300}},
        {"5 past it, mostly still on the left", 1450, 300, {1445, 300}},
        {"5 into the right monitor", 1925, 300, {1920, 300}},
        {"5 short of it, mostly on the right", 1915, 300, {1920, 300}},
        {"across the edge, far from it", 1645, 300, {1645, 300}},
        {"the left monitor's panel", 300, 693, {300, 690}},
        {"the same height on the right monitor, which has no panel", 2300, 693, {2300, 693}},
        {"the right monitor's own bottom", 2300, 677, {2300, 674}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        MoveTo(c.X, c.Y);
        EXPECT_EQ(Position(), c.Want);
    }
}

TEST_F(Desk, TheSmallPictureTakesItsCornerFromTheMonitorItIsOn) {
    Screen->SetMonitors(TwoMonitors);
    Start();
    RunStartUp();
    struct TCase {
        int X, Y, Corner;
    };
    // The right monitor's work area is 1280 x 1024: halves of 640 and 512 from its corner.
    const TCase cases[] = {
        {1920 + 100, 100, 0},
        {1920 + 100, 600, 1},
        {1920 + 700, 100, 2},
        {1920 + 700, 600, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.X) + "," + std::to_string(c.Y));
        MoveTo(c.X, c.Y);
        Deactivate();
        EXPECT_TRUE(Probe().Scaler().Scaled());
        EXPECT_EQ(Probe().Corner(), c.Corner);
    }
}

TEST_F(Desk, MonitorsAndPanelsChangingUnderTheWidget) {
    Screen->SetMonitors(TwoMonitors);
    StartAt(2320, 300);
    ASSERT_EQ(Position(), (TPoint{2320, 300}));

    // The right monitor is unplugged: the widget takes the same place in proportion on the
    // left one.
    Screen->SetMonitors({Left});
    Pump();
    EXPECT_EQ(Position(), (TPoint{718, 307}));
    EXPECT_EQ(Shown(), (TPoint{718, 307}));

    // A panel grows over most of it: back inside what is left, in proportion again.
    Screen->SetWorkArea({0, 0, 1920, 400});
    Pump();
    EXPECT_EQ(Position(), (TPoint{718, 22}));

    // A panel that leaves most of it in view, and a monitor coming back, move nothing.
    Screen->SetWorkArea({0, 0, 1920, 300});
    Screen->SetMonitors(TwoMonitors);
    Pump();
    EXPECT_EQ(Position(), (TPoint{718, 22}));
}

} // namespace
} // namespace app_test
