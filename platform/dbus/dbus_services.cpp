// The buses and the GLib context on the window thread. Connections are made asynchronously, so
// a bus that hangs never holds up the widget; the logind subscription lives here too.
#include "platform/dbus/dbus_services.h"

#include "platform/dbus/dbus_internal.h"
#include "platform/sys/utf.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace platform {
namespace dbus {

namespace {

constexpr const char* LogindName = "org.freedesktop.login1";
constexpr const char* LogindPath = "/org/freedesktop/login1";
constexpr const char* LogindManager = "org.freedesktop.login1.Manager";

// The session bus the desktop started for us, never one started on demand (an autolaunched bus
// has no watcher on it, and would outlive the widget).
std::string SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        address != nullptr && address[0] != '\0') {
        return address;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        return {};
    }
    const std::string path = std::string(runtime) + "/bus";
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) {
        return {};
    }
    gchar* escaped = g_dbus_address_escape_value(path.c_str());
    std::string address = std::string("unix:path=") + escaped;
    g_free(escaped);
    return address;
}

void OnPrepareForSleep(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                       GVariant* parameters, gpointer) {
    gboolean starting = TRUE;
    if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) {
        g_variant_get(parameters, "(b)", &starting);
    }
    if (!starting) {
        PostResumeNotice();
    }
}

void OnSessionClosed(GDBusConnection* connection, gboolean, GError*, gpointer) {
    TServices& s = Services();
    if (s.Session != connection) {
        return;
    }
    g_signal_handler_disconnect(s.Session, s.SessionClosedHandler);
    s.SessionClosedHandler = 0;
    NotifierSessionGone();
    g_object_unref(s.Session);
    s.Session = nullptr;
}

void OnSessionConnected(GObject*, GAsyncResult* result, gpointer) {
    GError* error = nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_finish(result, &error);
    TServices& s = Services();
    if (connection == nullptr) {
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        g_error_free(error);
        if (!cancelled) {
            NotifierSessionGone();
        }
        return;
    }
    if (!s.Running) {
        g_object_unref(connection);
        return;
    }
    s.Session = connection;
    g_dbus_connection_set_exit_on_close(connection, FALSE);
    s.SessionClosedHandler =
        g_signal_connect(connection, "closed", G_CALLBACK(OnSessionClosed), nullptr);
    NotifierSessionReady(connection);
}

void OnSystemConnected(GObject*, GAsyncResult* result, gpointer) {
    GError* error = nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_finish(result, &error);
    TServices& s = Services();
    if (connection == nullptr) {
        g_error_free(error);
        return;
    }
    if (!s.Running) {
        g_object_unref(connection);
        return;
    }
    s.System = connection;
    g_dbus_connection_set_exit_on_close(connection, FALSE);
    s.SleepSubscription = g_dbus_connection_signal_subscribe(
        connection, LogindName, LogindManager, "PrepareForSleep", LogindPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, OnPrepareForSleep, nullptr, nullptr);
}

constexpr auto BusFlags = static_cast<GDBusConnectionFlags>(
    G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);

} // namespace

TServices& Services() {
    // Lives for the whole run, as the window manager's state does.
    static auto* services = new TServices;
    return *services;
}

std::string Utf8(const std::u16string& text) {
    return Utf16ToUtf8(text);
}

int TGLibWaitSource::Prepare(std::vector<TWaitFd>& fds) {
    FPrepared = true;
    const bool ready = g_main_context_prepare(Context, &FPriority) != FALSE;
    gint timeout = -1;
    if (FPoll.empty()) {
        FPoll.resize(4);
    }
    for (;;) {
        const gint n = g_main_context_query(Context, FPriority, &timeout, FPoll.data(),
                                            static_cast<gint>(FPoll.size()));
        if (static_cast<std::size_t>(n) <= FPoll.size()) {
            FPoll.resize(static_cast<std::size_t>(n));
            break;
        }
        FPoll.resize(static_cast<std::size_t>(n));
    }
    for (const GPollFD& p : FPoll) {
        fds.push_back(TWaitFd{p.fd, static_cast<short>(p.events), 0});
    }
    return ready ? 0 : timeout;
}

void TGLibWaitSource::Dispatch(const TWaitFd* fds, std::size_t count) {
    if (!FPrepared) {
        return;
    }
    FPrepared = false;
    for (std::size_t i = 0; i < FPoll.size() && i < count; ++i) {
        FPoll[i].revents = static_cast<gushort>(fds[i].Ready);
    }
    if (g_main_context_check(Context, FPriority, FPoll.data(), static_cast<gint>(FPoll.size()))) {
        g_main_context_dispatch(Context);
    }
    // The next Prepare asks again for the full set.
    FPoll.resize(std::max<std::size_t>(FPoll.size(), 4));
}

} // namespace dbus

using namespace dbus;

void StartDBusServices() {
    TServices& s = Services();
    if (s.Running) {
        return;
    }
    s.Running = true;
    NotifierStarting();
    s.Source.Context = g_main_context_new();
    g_main_context_acquire(s.Source.Context);
    // Every callback of the connections made from here on is dispatched in this context, which
    // only the window thread iterates.
    g_main_context_push_thread_default(s.Source.Context);
    AddWaitSource(&s.Source);
    s.Cancel = g_cancellable_new();

    const std::string session = SessionBusAddress();
    if (session.empty()) {
        NotifierSessionGone();
    } else {
        g_dbus_connection_new_for_address(session.c_str(), BusFlags, nullptr, s.Cancel,
                                          OnSessionConnected, nullptr);
    }
    if (gchar* system = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr)) {
        g_dbus_connection_new_for_address(system, BusFlags, nullptr, s.Cancel, OnSystemConnected,
                                          nullptr);
        g_free(system);
    }
}

void StopDBusServices() {
    TServices& s = Services();
    if (!s.Running) {
        return;
    }
    NotifierSessionGone();
    s.Running = false;
    g_cancellable_cancel(s.Cancel);
    if (s.Session != nullptr) {
        g_signal_handler_disconnect(s.Session, s.SessionClosedHandler);
        s.SessionClosedHandler = 0;
        g_dbus_connection_flush_sync(s.Session, nullptr, nullptr);
        g_dbus_connection_close_sync(s.Session, nullptr, nullptr);
        g_object_unref(s.Session);
        s.Session = nullptr;
    }
    if (s.System != nullptr) {
        g_dbus_connection_signal_unsubscribe(s.System, s.SleepSubscription);
        s.SleepSubscription = 0;
        g_dbus_connection_close_sync(s.System, nullptr, nullptr);
        g_object_unref(s.System);
        s.System = nullptr;
    }
    // Cancelled operations and closed connections report once more; let them, so nothing of
    // theirs is left behind.
    while (g_main_context_iteration(s.Source.Context, FALSE)) {
    }
    RemoveWaitSource(&s.Source);
    g_object_unref(s.Cancel);
    s.Cancel = nullptr;
    g_main_context_pop_thread_default(s.Source.Context);
    g_main_context_release(s.Source.Context);
    g_main_context_unref(s.Source.Context);
    s.Source.Context = nullptr;
}

bool DBusServicesRunning() {
    return Services().Running;
}

} // namespace platform
