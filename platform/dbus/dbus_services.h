// dbus/ is the desktop's message buses, the only room that includes GIO. It serves the
// notification area's StatusNotifierItem with its menu (status_notifier.h, used by shell/tray)
// on the session bus, and hears the machine go to sleep and wake on the system bus. Everything
// runs on the window thread: the connections' wakeups join the window manager's one wait
// (wm/service_hooks.h). Read this file, then dbus_internal.h and dbus_services.cpp.
#pragma once

namespace platform {

// Connects to the session bus (the StatusNotifierItem) and the system bus (logind's sleep and
// resume), without blocking: a bus that is not there is simply not used. No session bus is ever
// started on the program's behalf. Window thread only; call once the display is installed.
void StartDBusServices();
// Leaves both buses and frees what the services hold; the tray then docks on the screen.
void StopDBusServices();
bool DBusServicesRunning();

} // namespace platform
