// The notification area: icons docked into the desktop's tray for (owner, id). Input on an icon
// arrives as callbackMessage posted to the owner with WParam = id and LParam = the pointer
// message (WM_LBUTTONDOWN, WM_RBUTTONUP, ...); the icon's tip shows after the hover time. Window
// thread only.
#pragma once

#include "platform/window_manager.h"

#include <string>

namespace platform {

// Adding fails when no tray takes the icon now, yet it is kept until deleted and docks when a
// tray appears.
bool TrayAddIcon(HWND owner, UINT id, UINT callbackMessage, const TFrameView& icon,
                 const std::u16string& tip);
bool TrayModifyIcon(HWND owner, UINT id, const TFrameView& icon, const std::u16string& tip);
bool TrayDeleteIcon(HWND owner, UINT id);
// The window showing the tip of the icon under the pointer, 0 while none shows (for tests).
HWND GetTrayTipWindow();

} // namespace platform
