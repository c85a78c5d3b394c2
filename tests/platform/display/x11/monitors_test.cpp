// The work area of each monitor from what an X desktop publishes: the window manager's one
// rectangle, its per-monitor rectangles, and the space docks reserve.
#include "platform/display/x11/x11_monitors.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
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

TX11Strut Bottom(long thickness, long fromX, long toX) {
    TX11Strut s;
    s.Bottom = thickness;
    s.BottomStartX = fromX;
    s.BottomEndX = toX;
    return s;
}

TX11Strut LeftEdge(long thickness) {
    TX11Strut s;
    s.Left = thickness;
    s.LeftStartY = 0;
    s.LeftEndY = 1079;
    return s;
}

TX11Strut Top(long thickness) {
    TX11Strut s;
    s.Top = thickness;
    s.TopStartX = 0;
    s.TopEndX = 3199;
    return s;
}

TEST(MonitorWorkAreas, EachMonitorLosesOnlyThePanelsOnIt) {
    struct TCase {
        const char* Name;
        bool HasWorkArea;
        TRect WorkArea;
        std::vector<TRect> MonitorAreas;
        std::vector<TX11Strut> Struts;
        TRect Left, Right;
    };
    const TCase cases[] = {
        {"nothing published", false, {}, {}, {}, LeftBounds, RightBounds},
        {"one desktop rectangle, cut to each monitor",
         true,
         {0, 0, 3200, 1040},
         {},
         {},
         {0, 0, 1920, 1040},
         RightBounds},
        {"a rectangle from before the right monitor came",
         true,
         {0, 0, 1920, 1040},
         {},
         {},
         {0, 0, 1920, 1040},
         RightBounds},
        {"a panel along the left monitor's bottom",
         false,
         {},
         {},
         {Bottom(40, 0, 1919)},
         {0, 0, 1920, 1040},
         RightBounds},
        // Struts count from the whole screen's edge: 1080 - 86 = 994 on the shorter monitor.
        {"a panel along the shorter monitor's bottom",
         false,
         {},
         {},
         {Bottom(86, 1920, 3199)},
         LeftBounds,
         {1920, 0, 3200, 994}},
        {"a panel at the edge between them belongs to the one it lies on",
         false,
         {},
         {},
         {LeftEdge(1920 + 48)},
         LeftBounds,
         {1968, 0, 3200, 1024}},
        {"a bar across the top of both",
         false,
         {},
         {},
         {Top(30)},
         {0, 30, 1920, 1080},
         {1920, 30, 3200, 1024}},
        {"the desktop rectangle and a strut agree",
         true,
         {0, 0, 3200, 1040},
         {},
         {Bottom(40, 0, 1919)},
         {0, 0, 1920, 1040},
         RightBounds},
        {"per-monitor rectangles win",
         true,
         {0, 0, 3200, 900},
         {{1920, 25, 3200, 1024}, {0, 0, 1920, 1040}},
         {Top(30)},
         {0, 0, 1920, 1040},
         {1920, 25, 3200, 1024}},
        {"a per-monitor rectangle that fits no monitor is not used",
         false,
         {},
         {{1000, 0, 2500, 1000}},
         {},
         LeftBounds,
         RightBounds},
        // Nonsense from a client never leaves a monitor without a work area.
        {"a strut thicker than the screen",
         false,
         {},
         {},
         {Bottom(100000, 0, 3199)},
         LeftBounds,
         RightBounds},
        {"a strut that covers a whole monitor",
         false,
         {},
         {},
         {LeftEdge(1920)},
         LeftBounds,
         RightBounds},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<TMonitor> monitors{{LeftBounds, {}, true}, {RightBounds, {}, false}};
        TX11Panels panels;
        panels.Screen = TRect{0, 0, 3200, 1080};
        panels.HasWorkArea = c.HasWorkArea;
        panels.WorkArea = c.WorkArea;
        panels.MonitorAreas = c.MonitorAreas;
        panels.Struts = c.Struts;
        ApplyPanels(monitors, panels);
        EXPECT_EQ(monitors[0].Work, c.Left);
        EXPECT_EQ(monitors[1].Work, c.Right);
        EXPECT_EQ(monitors[0].Bounds, LeftBounds);
    }
}

} // namespace
