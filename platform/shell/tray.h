// The notification area: icons shown for (owner, id), as a StatusNotifierItem where a host on the
// session bus shows those (dbus/status_notifier.h), docked into the screen's own tray otherwise;
// never both. Input on an icon arrives as callbackMessage posted to the owner with WParam = id
// and LParam = the pointer message (WM_LBUTTONDOWN, WM_RBUTTONUP, ...); the icon's tip shows
// after the hover time (or as the host shows tips). Window thread only.
#pragma once

#include "platform/window_manager.h"

#include <string>
#include <vector>

namespace platform {

// Adding fails when nothing takes the icon now, yet it is kept until deleted and shows when a
// tray or a host appears. The icon may come drawn at several sizes (GetIconFrames): each place
// shows the picture drawn for its size where there is one (see BestPictureFor).
bool TrayAddIcon(HWND owner, UINT id, UINT callbackMessage, const std::vector<TFrameView>& icon,
                 const std::u16string& tip);
bool TrayAddIcon(HWND owner, UINT id, UINT callbackMessage, const TFrameView& icon,
                 const std::u16string& tip);
bool TrayModifyIcon(HWND owner, UINT id, const std::vector<TFrameView>& icon,
                    const std::u16string& tip);
bool TrayModifyIcon(HWND owner, UINT id, const TFrameView& icon, const std::u16string& tip);
bool TrayDeleteIcon(HWND owner, UINT id);
// The menu a host that draws menus itself shows for the icon (the items of menu, read now); a
// choice there posts WM_COMMAND with the item's command to menuOwner. 0 removes it.
bool TraySetMenu(HWND owner, UINT id, HMENU menu, HWND menuOwner);
// Where the last pointer action on the icon happened, when the host said so (a host's menu
// request carries the point its menu belongs at); false otherwise.
bool TrayGetEventPoint(HWND owner, UINT id, TPoint* point);
// The pictures a host is given for an icon: these sizes, each the icon's own picture of that size
// or, where it has none, drawn from the best one.
constexpr int TrayPictureSizes[] = {16, 22, 24, 32, 48, 64};
// The window showing the tip of the icon under the pointer, 0 while none shows (for tests).
HWND GetTrayTipWindow();

} // namespace platform
