// The StatusNotifierItem: the notification-area icon of today's desktops, exported on the session
// bus with its menu (com.canonical.dbusmenu) and registered with the desktop's
// StatusNotifierWatcher. shell/tray.cpp decides between it and the screen's own tray: it asks
// whether a host shows such items and is told when that changes. Window thread only.
#pragma once

#include "platform/display.h"

#include <string>
#include <vector>

namespace platform {

enum class TNotifierHost {
    Unknown, // still asking (the bus connection or the watcher's answer is on its way)
    Present, // a watcher runs and reports a host that shows the items
    Absent,  // no bus, no watcher, or a watcher without a host
};

TNotifierHost NotifierHost();
// Called (on the window thread, from the wait) whenever NotifierHost changes; null removes it.
void SetNotifierHostObserver(void (*observer)());

struct TNotifierMenuItem {
    UINT Command = 0;
    std::u16string Text; // '&' marks the access key; a tab separates the shortcut text
    bool Enabled = true;
    bool Separator = false;
};

// What the one item shows and where its input goes. Pointer actions arrive as Callback posted
// to Owner with WParam = Id and LParam = the mouse message (Activate: a left click, ContextMenu:
// a right click, SecondaryActivate: a middle click); menu choices arrive as WM_COMMAND posted to
// MenuOwner.
struct TNotifierItemData {
    HWND Owner = 0;
    UINT Id = 0;
    UINT Callback = 0;
    std::vector<TFrameView> Icons; // premultiplied ARGB32, one per size; copied
    std::u16string Tip;
    std::vector<TNotifierMenuItem> Menu;
    HWND MenuOwner = 0;
};

// Exports (or updates) the item and registers it with the watcher; false when the session bus
// cannot carry it now. One item per process: a second owner replaces the first.
bool ShowNotifierItem(const TNotifierItemData& data);
void HideNotifierItem();
bool NotifierItemShown(HWND owner, UINT id);
// The screen point the host gave with the last pointer action on the item; false when it gave
// none (hosts that send 0, 0) or no action came yet.
bool NotifierEventPoint(HWND owner, UINT id, TPoint* point);

} // namespace platform
