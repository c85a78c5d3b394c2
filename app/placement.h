// Where the widget may stand: somewhere the user can see it on one of the monitors. The rules
// are plain functions of the monitors, so any desk can be tried without a screen; the main
// window applies them at start-up and whenever the monitors or their work areas change.
#pragma once

#include "platform/types.h"

#include <vector>

namespace app {

// Window stays where it is while at least half of it lies in the monitors' work areas.
// Otherwise it moves into the work area of the monitor that holds most of it (the nearest one
// when it is on none), wholly inside where that is big enough: to the same relative place it had
// in Home (the work area that held it before, when it mostly did), else to the nearest such
// place.
platform::TPoint KeepOnScreen(const platform::TRect& Window,
                              const std::vector<platform::TMonitor>& Monitors,
                              const platform::TRect* Home = nullptr);

// A position read from the options file, which may hold any number, made one the user can see.
platform::TPoint PlaceStoredPosition(int Left, int Top, int Width, int Height,
                                     const std::vector<platform::TMonitor>& Monitors);

} // namespace app
