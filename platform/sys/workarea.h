// The monitors of the screen and the work area of each (what panels leave free), as the window
// thread sees them, and the choice of the monitor that holds a window.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace platform {

// The monitors from the installed source, never none: without a source, one 1024 x 768 screen.
std::vector<TMonitor> GetMonitors();
// The monitor the desktop calls primary (the first one when it names none).
TMonitor GetPrimaryMonitor();
// The primary monitor's work area.
TRect GetWorkArea();
// The monitor that holds most of Rect, or, when Rect lies on none, the one nearest to it.
TMonitor MonitorFromRect(const TRect& Rect);

// The same choice over a given list: the index of the monitor whose bounds hold most of Rect,
// else of the one nearest to it (the first of equals wins). Monitors must not be empty.
std::size_t ChooseMonitor(const std::vector<TMonitor>& Monitors, const TRect& Rect);

// Display backends (and tests) install where the monitors come from; an empty function restores
// the default. Window thread only.
void SetMonitorSource(std::function<std::vector<TMonitor>()> Source);
// A source of one screen that starts at the origin and reaches the right and bottom of the given
// work area, with that work area.
void SetWorkAreaSource(std::function<TRect()> Source);

} // namespace platform
