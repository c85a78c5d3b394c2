// Private state of dbus/, shared by its sources and by nothing else: the GLib main context the
// window thread iterates, the two bus connections, and the hand-over between the bus side and
// the notifier item.
#pragma once

#include "platform/wm/service_hooks.h"

#include <gio/gio.h>

#include <string>
#include <vector>

namespace platform::dbus {

// The GLib main context as a source of the window thread's wait: its descriptors (GDBus's
// worker thread wakes it through one of them) and its timeouts join the display's poll, and
// whatever became ready is dispatched right after, on the window thread.
class TGLibWaitSource : public TWaitSource {
public:
    int Prepare(std::vector<TWaitFd>& fds) override;
    void Dispatch(const TWaitFd* fds, std::size_t count) override;

    GMainContext* Context = nullptr;

private:
    std::vector<GPollFD> FPoll;
    gint FPriority = 0;
    bool FPrepared = false;
};

struct TServices {
    bool Running = false;
    TGLibWaitSource Source;
    GCancellable* Cancel = nullptr;
    GDBusConnection* Session = nullptr;
    GDBusConnection* System = nullptr;
    guint SessionClosedHandler = 0;
    guint SleepSubscription = 0;
};

TServices& Services();

// status_notifier.cpp: the services start asking; the session bus came; it went (or never came).
void NotifierStarting();
void NotifierSessionReady(GDBusConnection* session);
void NotifierSessionGone();

// The UTF-8 of a UTF-16 text.
std::string Utf8(const std::u16string& text);

} // namespace platform::dbus
