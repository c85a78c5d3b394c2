// The program's own icons: icon resources decoded into HICON handles. The handles, their pixels
// and WM_SETICON belong to the window manager (window_manager.h); the tray and the main window
// show them. Window thread only.
#pragma once

#include "platform/window_manager.h"

namespace platform {

// The program's icon resource.
constexpr int IDI_PROGRAM = 101;

// The icon resource decoded from its PNG; 0 when the program has no such icon or the bytes do
// not decode.
HICON LoadIcon(HINSTANCE instance, int resourceId);
// The same icon with its picture drawn for every size the program carries (the program's mark at
// the icon theme's sizes, 16 to 128), so a small tray or a window list shows the picture made
// for its pixels rather than the big one reduced; as LoadIcon for an icon without such pictures.
HICON LoadIconSizes(HINSTANCE instance, int resourceId, bool everySize = true);

} // namespace platform
