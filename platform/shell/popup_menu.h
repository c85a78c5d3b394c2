// Popup menus: menus built item by item (or from the program's menu resource) and shown with
// TrackPopupMenuEx, which paints the menu itself, follows the mouse and the keyboard, and
// returns once the menu closes, serving the queue meanwhile. Window thread only.
#pragma once

#include "platform/messages.h"

#include <string>

namespace platform {

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_VERTICAL = 0x0040;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU CreateMenu();
// The program's menu resource as a menu with its one popup; 0 when there is no such menu.
HMENU LoadMenu(HINSTANCE instance, int resourceId);
HMENU CreatePopupMenu();
// With MF_POPUP the item opens idOrSubmenu, a menu that then belongs to this one.
bool AppendMenu(HMENU menu, UINT flags, std::uintptr_t idOrSubmenu, const std::u16string& text);
bool DestroyMenu(HMENU menu); // with its submenus
bool IsMenu(HMENU menu);
int GetMenuItemCount(HMENU menu);             // -1 for no menu
UINT GetMenuItemID(HMENU menu, int position); // 0xFFFFFFFF for a submenu or a bad position
HMENU GetSubMenu(HMENU menu, int position);
// The text of an item (with its '&' and tab) by position or command; empty when there is none.
std::u16string GetMenuString(HMENU menu, UINT item, UINT flags);
// The MF_ flags of an item by position or command; 0xFFFFFFFF when there is none.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);

// Shows the menu with its top-left corner at the screen point (moved to stay on the screen)
// and returns when it closes. The chosen command is posted to the owner as WM_COMMAND, or with
// TPM_RETURNCMD returned instead; 0 when nothing was chosen. Without TPM_RETURNCMD the result
// is nonzero when the menu could be shown.
LRESULT TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, void* reserved);

// The open menu's window, 0 when no menu is open; lets tests aim at it.
HWND GetOpenMenuWindow();

} // namespace platform
