// The work area of each monitor from what an X desktop publishes: the window manager's one
// rectangle, its per-monitor rectangles, and the space docks reserve.
#include "platform/display/x11/x11_monitors.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

namespace platform {
// Failures show the rectangle, not its bytes.
inline void PrintTo(const TRect& R, std::ostream* Out) {
    *Out << "{" << R.Left << ", " << R.Top << ", " << R.Right << ", " << R.Bottom << "}";
}
} // namespace platform

using namespace platform;

namespace {

// A 1920 x 1080 monitor with a shorter 1280 x 1024 one to its right.
const TRect LeftBounds{0, 0, 1920, 1080};
const TRect RightBounds{1920, 0, 3200, 1024};

using TRects = std::vector<TRect>;
using TStruts = std::vector<TX11Strut>;

TRect R(int left, int top, int right, int bottom) {
    return TRect{left, top, right, bottom};
}

// The one dock of a case, its twelve numbers in the order _NET_WM_STRUT_PARTIAL lists them: the
// thickness at each edge (left, right, top, bottom), then the span along each edge.
TStruts Bottom(long thickness, long fromX, long toX) {
    return {{0, 0, 0, thickness, 0, 0, 0, 0, 0, 0, fromX, toX}};
}
TStruts LeftEdge(long thickness) {
    return {{thickness, 0, 0, 0, 0, 1079, 0, 0, 0, 0, 0, 0}};
}
TStruts Top(long thickness) {
    return {{0, 0, thickness, 0, 0, 0, 0, 0, 0, 3199, 0, 0}};
}

TEST(MonitorWorkAreas, EachMonitorLosesOnlyThePanelsOnIt) {
    // The work areas wanted on each monitor, from what is published (nothing, when left out).
    struct TCase {
        const char* Name;
        TRect Left, Right;
        TStruts Struts = {};
        std::optional<TRect> WorkArea = {};
        TRects MonitorAreas = {};
    };
    const TRect desk = R(0, 0, 3200, 1040), leftShort = R(0, 0, 1920, 1040);
    const TCase cases[] = {
        {"nothing published", LeftBounds, RightBounds},
        {"one desktop rectangle, cut to each monitor", leftShort, RightBounds, {}, desk},
        {"a rectangle from before the right monitor came", leftShort, RightBounds, {}, leftShort},
        {"a panel along the left monitor's bottom", leftShort, RightBounds, Bottom(40, 0, 1919)},
        // Struts count from the whole screen's edge: 1080 - 86 = 994 on the shorter monitor.
        {"a panel along the shorter monitor's bottom", LeftBounds, R(1920, 0, 3200, 994),
         Bottom(86, 1920, 3199)},
        {"a panel at the edge between them belongs to the one it lies on", LeftBounds,
         R(1968, 0, 3200, 1024), LeftEdge(1920 + 48)},
        {"a bar across the top of both", R(0, 30, 1920, 1080), R(1920, 30, 3200, 1024), Top(30)},
        {"the desktop rectangle and a strut agree", leftShort, RightBounds, Bottom(40, 0, 1919),
         desk},
        {"per-monitor rectangles win", leftShort, R(1920, 25, 3200, 1024), Top(30),
         R(0, 0, 3200, 900), TRects{R(1920, 25, 3200, 1024), leftShort}},
        {"an area that fits no monitor", LeftBounds, RightBounds, {}, {}, {R(1000, 0, 2500, 1000)}},
        // Nonsense from a client never leaves a monitor without a work area.
        {"a strut thicker than the screen", LeftBounds, RightBounds, Bottom(100000, 0, 3199)},
        {"a strut that covers a whole monitor", LeftBounds, RightBounds, LeftEdge(1920)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<TMonitor> monitors{{LeftBounds, {}, true}, {RightBounds, {}, false}};
        ApplyPanels(monitors, {R(0, 0, 3200, 1080), c.WorkArea.has_value(),
                               c.WorkArea.value_or(TRect{}), c.MonitorAreas, c.Struts});
        EXPECT_EQ(monitors[0].Work, c.Left);
        EXPECT_EQ(monitors[1].Work, c.Right);
        EXPECT_EQ(monitors[0].Bounds, LeftBounds);
    }
}

} // namespace
