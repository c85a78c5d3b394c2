// The monitors of an X screen and what panels leave free of each. The server names the monitors
// (RandR); the work areas come from what the window manager publishes and from the space docks
// reserve, which this file combines without a server, so the rules can be tested alone.
#pragma once

#include "platform/types.h"

#include <vector>

namespace platform {

// Space a dock reserves along the screen's edges (_NET_WM_STRUT_PARTIAL): the thickness at each
// edge of the whole screen and, for each, the span along that edge (inclusive ends). A plain
// _NET_WM_STRUT spans whole edges.
struct TX11Strut {
    long Left = 0, Right = 0, Top = 0, Bottom = 0;
    long LeftStartY = 0, LeftEndY = 0, RightStartY = 0, RightEndY = 0;
    long TopStartX = 0, TopEndX = 0, BottomStartX = 0, BottomEndX = 0;
};

// What the desktop publishes about free space, all in root coordinates.
struct TX11Panels {
    TRect Screen;                    // the root window
    bool HasWorkArea = false;        // _NET_WORKAREA of the current desktop was there
    TRect WorkArea;                  // one rectangle for the whole desktop
    std::vector<TRect> MonitorAreas; // per-monitor work areas, where a window manager gives them
    std::vector<TX11Strut> Struts;
};

// Sets each monitor's Work from its Bounds: the per-monitor area that lies within it when one
// is published; else the desktop's work area cut to the monitor, less the docks' space whose
// inner edge falls on this monitor. Never empty: a monitor left with nothing keeps its bounds.
void ApplyPanels(std::vector<TMonitor>& monitors, const TX11Panels& panels);

} // namespace platform
