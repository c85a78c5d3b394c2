// The program's own icons: icon resources decoded into HICON handles. The handles, their pixels
// and WM_SETICON belong to the window manager (window_manager.h); the tray and the main window
// show them. Window thread only.
#pragma once

#include "platform/window_manager.h"

namespace platform {

// The icon resource decoded from its PNG; 0 when the program has no such icon or the bytes do
// not decode.
HICON LoadIcon(HINSTANCE instance, int resourceId);

} // namespace platform
