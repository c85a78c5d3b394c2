// The item's menu as com.canonical.dbusmenu at MenuPath: the popup menu's items with their texts,
// access keys and shortcuts, for hosts that draw the menu themselves. Private to dbus/.
#pragma once

#include "platform/dbus/status_notifier.h"

#include <gio/gio.h>

#include <string>
#include <vector>

namespace platform::dbus {

constexpr const char* MenuPath = "/MenuBar";

bool ExportMenu(GDBusConnection* bus);
void UnexportMenu(GDBusConnection* bus);
// The items to show and the window their commands go to; a change is announced to the hosts.
void SetMenu(const std::vector<TNotifierMenuItem>& items, HWND owner);

// The label of a menu text as dbusmenu writes it: '_' before the access key (a literal '_'
// doubled), the shortcut after the tab cut off; and that shortcut as its keys ("Alt", "F4").
std::string MenuLabel(const std::u16string& text);
std::vector<std::string> MenuShortcut(const std::u16string& text);

} // namespace platform::dbus
