// The StatusNotifierItem on the session bus: the watcher followed by its name owner, the item and
// its properties at /StatusNotifierItem, and the item's name. The menu's interface is in
// dbus_menu.cpp.
#include "platform/dbus/status_notifier.h"

#include "platform/dbus/dbus_internal.h"
#include "platform/dbus/dbus_menu.h"
#include "platform/sys/resources.h"
#include "platform/window_manager.h"

#include <unistd.h>

#include <optional>
#include <string>

namespace platform {
namespace dbus {

namespace {

constexpr const char* WatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* WatcherPath = "/StatusNotifierWatcher";
constexpr const char* WatcherInterface = "org.kde.StatusNotifierWatcher";
constexpr const char* ItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* ItemPath = "/StatusNotifierItem";
// Replies that take longer than this count as no answer; the tray then docks on the screen.
constexpr int CallTimeoutMs = 5000;
// A watcher that goes away is often restarting (a panel reloading); the item waits this long for
// it before the screen's tray takes the icon.
constexpr guint VanishGraceMs = 2000;

constexpr const char* ItemXml = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionMovieName" type="s" access="read"/>
    <property name="IconThemePath" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewAttentionIcon"/>
    <signal name="NewOverlayIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
  </interface>
</node>)xml";

struct TIconCopy {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels; // premultiplied, rows without padding
};

struct TNotifier {
    TNotifierHost Host = TNotifierHost::Unknown;
    void (*Observer)() = nullptr;

    GDBusConnection* Bus = nullptr; // the session, borrowed from TServices
    GCancellable* Calls = nullptr;
    guint WatcherWatch = 0;
    guint HostSignals[2] = {0, 0};
    bool WatcherSeen = false;
    std::string WatcherOwner;   // the unique name of the watcher seen now
    std::string RegisteredWith; // the watcher the item was registered with (or is being)
    guint GraceTimer = 0;

    // The item.
    bool Wanted = false;
    HWND Owner = 0;
    UINT Id = 0;
    UINT Callback = 0;
    std::vector<TIconCopy> Icons;
    std::u16string Tip;
    std::string Name;
    guint NameOwner = 0;
    bool NameOwned = false;
    guint ItemObject = 0;
    GDBusNodeInfo* ItemInfo = nullptr;
    std::optional<TPoint> EventPoint;
};

TNotifier& State() {
    static auto* state = new TNotifier;
    return *state;
}

void RemoveSource(guint id) {
    if (GSource* source = g_main_context_find_source_by_id(g_main_context_get_thread_default(), id))
        g_source_destroy(source);
}

void SetHost(TNotifierHost host) {
    TNotifier& n = State();
    if (n.Host == host) {
        return;
    }
    n.Host = host;
    if (n.Observer) {
        n.Observer();
    }
}

// ---- the watcher ------------------------------------------------------------------------------

void OnRegistered(GObject* source, GAsyncResult* result, gpointer) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (reply != nullptr) {
        g_variant_unref(reply);
        return;
    }
    const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
    g_error_free(error);
    // A watcher that refuses the item shows nothing of it: the screen's tray takes over.
    if (!cancelled) {
        State().RegisteredWith.clear();
        SetHost(TNotifierHost::Absent);
    }
}

// Registration needs the item's name on the bus and a watcher that reported a host.
void TryRegister() {
    TNotifier& n = State();
    if (!n.Wanted || !n.NameOwned || !n.WatcherSeen || n.Host != TNotifierHost::Present ||
        n.Bus == nullptr || n.RegisteredWith == n.WatcherOwner) {
        return;
    }
    // Once per watcher: its start and its host's arrival both lead here.
    n.RegisteredWith = n.WatcherOwner;
    g_dbus_connection_call(n.Bus, WatcherName, WatcherPath, WatcherInterface,
                           "RegisterStatusNotifierItem", g_variant_new("(s)", n.Name.c_str()),
                           nullptr, G_DBUS_CALL_FLAGS_NONE, CallTimeoutMs, n.Calls, OnRegistered,
                           nullptr);
}

void OnHostRead(GObject* source, GAsyncResult* result, gpointer) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (reply == nullptr) {
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        g_error_free(error);
        if (!cancelled) {
            SetHost(TNotifierHost::Absent);
        }
        return;
    }
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    const bool host = g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) &&
                      g_variant_get_boolean(value) != FALSE;
    g_variant_unref(value);
    g_variant_unref(reply);
    if (!State().WatcherSeen) {
        return; // the answer of a watcher that has gone since
    }
    SetHost(host ? TNotifierHost::Present : TNotifierHost::Absent);
    TryRegister();
}

void ReadHost() {
    TNotifier& n = State();
    if (n.Bus == nullptr || !n.WatcherSeen) {
        return;
    }
    g_dbus_connection_call(
        n.Bus, WatcherName, WatcherPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", WatcherInterface, "IsStatusNotifierHostRegistered"),
        G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, CallTimeoutMs, n.Calls, OnHostRead, nullptr);
}

void OnHostSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                  GVariant*, gpointer) {
    ReadHost();
}

gboolean OnGraceOver(gpointer) {
    TNotifier& n = State();
    n.GraceTimer = 0;
    if (!n.WatcherSeen) {
        SetHost(TNotifierHost::Absent);
    }
    return G_SOURCE_REMOVE;
}

void OnWatcherAppeared(GDBusConnection*, const gchar*, const gchar* owner, gpointer) {
    TNotifier& n = State();
    n.WatcherOwner = owner;
    if (n.GraceTimer != 0) {
        RemoveSource(n.GraceTimer);
        n.GraceTimer = 0;
    }
    n.WatcherSeen = true;
    // A new watcher knows nothing of us: the item registers again once it answers.
    ReadHost();
}

void OnWatcherVanished(GDBusConnection*, const gchar*, gpointer) {
    TNotifier& n = State();
    n.WatcherSeen = false;
    n.WatcherOwner.clear();
    n.RegisteredWith.clear();
    if (n.Host != TNotifierHost::Present) {
        SetHost(TNotifierHost::Absent);
    } else if (n.GraceTimer == 0) {
        // Attached to the services' context, not GLib's global one, which nobody iterates.
        GSource* timer = g_timeout_source_new(VanishGraceMs);
        g_source_set_callback(timer, OnGraceOver, nullptr, nullptr);
        n.GraceTimer = g_source_attach(timer, g_main_context_get_thread_default());
        g_source_unref(timer);
    }
}

// ---- the item ---------------------------------------------------------------------------------

GVariant* Pixmaps(const std::vector<TIconCopy>& icons) {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a(iiay)"));
    for (const TIconCopy& icon : icons) {
        // Straight ARGB32 in network byte order: A, R, G, B.
        std::vector<guint8> bytes;
        bytes.reserve(icon.Pixels.size() * 4);
        for (const std::uint32_t p : icon.Pixels) {
            const std::uint32_t a = p >> 24;
            auto straight = [a](std::uint32_t c) -> guint8 {
                return static_cast<guint8>(
                    a == 0 ? 0 : std::min<std::uint32_t>(255, (c * 255 + a / 2) / a));
            };
            bytes.push_back(static_cast<guint8>(a));
            bytes.push_back(straight((p >> 16) & 0xFF));
            bytes.push_back(straight((p >> 8) & 0xFF));
            bytes.push_back(straight(p & 0xFF));
        }
        g_variant_builder_add(
            &builder, "(ii@ay)", icon.Width, icon.Height,
            g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(), bytes.size(), 1));
    }
    return g_variant_builder_end(&builder);
}

GVariant* NoPixmaps() {
    return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0);
}

GVariant* ItemProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* property, GError** error, gpointer) {
    TNotifier& n = State();
    const std::string name = property;
    if (name == "Category")
        return g_variant_new_string("ApplicationStatus");
    if (name == "Id")
        return g_variant_new_string(Utf8(LoadVersionInfo().InternalName).c_str());
    if (name == "Title")
        return g_variant_new_string(Utf8(LoadVersionInfo().ProductName).c_str());
    if (name == "Status")
        return g_variant_new_string("Active");
    if (name == "WindowId")
        return g_variant_new_int32(0);
    if (name == "IconPixmap")
        return Pixmaps(n.Icons);
    if (name == "OverlayIconPixmap" || name == "AttentionIconPixmap")
        return NoPixmaps();
    if (name == "IconName" || name == "OverlayIconName" || name == "AttentionIconName" ||
        name == "AttentionMovieName" || name == "IconThemePath")
        return g_variant_new_string("");
    if (name == "ToolTip")
        return g_variant_new("(s@a(iiay)ss)", "", NoPixmaps(), Utf8(n.Tip).c_str(), "");
    if (name == "ItemIsMenu")
        return g_variant_new_boolean(FALSE);
    if (name == "Menu")
        return g_variant_new_object_path(MenuPath);
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "No property %s", property);
    return nullptr;
}

// A host's pointer action, delivered as the icon's own click would be.
void PostClick(UINT down) {
    TNotifier& n = State();
    PostMessage(n.Owner, n.Callback, n.Id, static_cast<LPARAM>(down));
    PostMessage(n.Owner, n.Callback, n.Id, static_cast<LPARAM>(down + 1));
}

void ItemMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                GVariant* parameters, GDBusMethodInvocation* invocation, gpointer) {
    TNotifier& n = State();
    const std::string name = method;
    if (name == "Activate" || name == "ContextMenu" || name == "SecondaryActivate") {
        gint32 x = 0, y = 0;
        g_variant_get(parameters, "(ii)", &x, &y);
        // Hosts that know no position send 0, 0; the pointer's position serves then.
        if (x != 0 || y != 0) {
            n.EventPoint = TPoint{x, y};
        } else {
            n.EventPoint.reset();
        }
        PostClick(name == "Activate"      ? WM_LBUTTONDOWN
                  : name == "ContextMenu" ? WM_RBUTTONDOWN
                                          : WM_MBUTTONDOWN);
    }
    // Scroll does nothing.
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

void Emit(const char* signal, GVariant* parameters = nullptr) {
    TNotifier& n = State();
    if (n.Bus != nullptr && n.ItemObject != 0) {
        g_dbus_connection_emit_signal(n.Bus, nullptr, ItemPath, ItemInterface, signal, parameters,
                                      nullptr);
    } else if (parameters != nullptr) {
        g_variant_unref(g_variant_ref_sink(parameters));
    }
}

void OnNameAcquired(GDBusConnection*, const gchar*, gpointer) {
    State().NameOwned = true;
    TryRegister();
}

void OnNameLost(GDBusConnection*, const gchar*, gpointer) {
    State().NameOwned = false;
    State().RegisteredWith.clear();
}

void Unexport() {
    TNotifier& n = State();
    if (n.NameOwner != 0) {
        g_bus_unown_name(n.NameOwner);
        n.NameOwner = 0;
    }
    n.NameOwned = false;
    n.RegisteredWith.clear();
    if (n.Bus != nullptr && n.ItemObject != 0) {
        g_dbus_connection_unregister_object(n.Bus, n.ItemObject);
    }
    n.ItemObject = 0;
    UnexportMenu(n.Bus);
    if (n.ItemInfo != nullptr) {
        g_dbus_node_info_unref(n.ItemInfo);
        n.ItemInfo = nullptr;
    }
}

bool Export() {
    TNotifier& n = State();
    if (n.ItemObject != 0) {
        return true;
    }
    static const GDBusInterfaceVTable vtable = {ItemMethod, ItemProperty, nullptr, {}};
    n.ItemInfo = g_dbus_node_info_new_for_xml(ItemXml, nullptr);
    if (n.ItemInfo == nullptr) {
        return false;
    }
    n.ItemObject = g_dbus_connection_register_object(n.Bus, ItemPath, n.ItemInfo->interfaces[0],
                                                     &vtable, nullptr, nullptr, nullptr);
    if (n.ItemObject == 0 || !ExportMenu(n.Bus)) {
        Unexport();
        return false;
    }
    // The name the hosts know items by: the process and the item's number.
    n.Name = "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-1";
    n.NameOwner = g_bus_own_name_on_connection(n.Bus, n.Name.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE,
                                               OnNameAcquired, OnNameLost, nullptr, nullptr);
    return true;
}

} // namespace

void NotifierStarting() {
    State().Host = TNotifierHost::Unknown;
}

void NotifierSessionReady(GDBusConnection* session) {
    TNotifier& n = State();
    n.Bus = session;
    n.Calls = g_cancellable_new();
    for (int i = 0; i < 2; ++i) {
        n.HostSignals[i] = g_dbus_connection_signal_subscribe(
            session, WatcherName, WatcherInterface,
            i == 0 ? "StatusNotifierHostRegistered" : "StatusNotifierHostUnregistered", WatcherPath,
            nullptr, G_DBUS_SIGNAL_FLAGS_NONE, OnHostSignal, nullptr, nullptr);
    }
    n.WatcherWatch =
        g_bus_watch_name_on_connection(session, WatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                       OnWatcherAppeared, OnWatcherVanished, nullptr, nullptr);
}

void NotifierSessionGone() {
    TNotifier& n = State();
    if (n.Bus != nullptr) {
        g_cancellable_cancel(n.Calls);
        g_object_unref(n.Calls);
        n.Calls = nullptr;
        for (guint& id : n.HostSignals) {
            g_dbus_connection_signal_unsubscribe(n.Bus, id);
            id = 0;
        }
        g_bus_unwatch_name(n.WatcherWatch);
        n.WatcherWatch = 0;
        Unexport();
        n.Bus = nullptr;
    }
    if (n.GraceTimer != 0) {
        RemoveSource(n.GraceTimer);
        n.GraceTimer = 0;
    }
    n.WatcherSeen = false;
    SetHost(TNotifierHost::Absent);
}

} // namespace dbus

using namespace dbus;

TNotifierHost NotifierHost() {
    // Without the services nothing is asked, so nothing is waited for.
    return Services().Running ? State().Host : TNotifierHost::Absent;
}

void SetNotifierHostObserver(void (*observer)()) {
    State().Observer = observer;
}

bool ShowNotifierItem(const TNotifierItemData& data) {
    TNotifier& n = State();
    if (n.Bus == nullptr) {
        return false;
    }
    std::vector<TIconCopy> icons;
    for (const TFrameView& f : data.Icons) {
        if (f.Pixels == nullptr || f.Width <= 0 || f.Height <= 0 || f.Stride < f.Width * 4) {
            continue;
        }
        TIconCopy copy{f.Width, f.Height, {}};
        copy.Pixels.reserve(static_cast<std::size_t>(f.Width) * f.Height);
        for (int y = 0; y < f.Height; ++y) {
            for (int x = 0; x < f.Width; ++x) {
                copy.Pixels.push_back(f.Pixel(x, y));
            }
        }
        icons.push_back(std::move(copy));
    }
    const bool other = n.Wanted && (n.Owner != data.Owner || n.Id != data.Id);
    const bool iconChanged = other || icons.size() != n.Icons.size() ||
                             !std::equal(icons.begin(), icons.end(), n.Icons.begin(),
                                         [](const TIconCopy& a, const TIconCopy& b) {
                                             return a.Width == b.Width && a.Pixels == b.Pixels;
                                         });
    const bool tipChanged = other || data.Tip != n.Tip;
    n.Wanted = true;
    n.Owner = data.Owner;
    n.Id = data.Id;
    n.Callback = data.Callback;
    n.Icons = std::move(icons);
    n.Tip = data.Tip;
    if (other) {
        n.EventPoint.reset();
    }
    SetMenu(data.Menu, data.MenuOwner);
    if (n.ItemObject == 0) {
        if (!Export()) {
            n.Wanted = false;
            return false;
        }
        return true;
    }
    if (iconChanged) {
        Emit("NewIcon");
    }
    if (tipChanged) {
        Emit("NewToolTip");
    }
    return true;
}

void HideNotifierItem() {
    TNotifier& n = State();
    n.Wanted = false;
    n.EventPoint.reset();
    Unexport();
}

bool NotifierItemShown(HWND owner, UINT id) {
    const TNotifier& n = State();
    return n.Wanted && n.ItemObject != 0 && n.Owner == owner && n.Id == id;
}

bool NotifierEventPoint(HWND owner, UINT id, TPoint* point) {
    const TNotifier& n = State();
    if (!n.Wanted || n.Owner != owner || n.Id != id || !n.EventPoint || point == nullptr) {
        return false;
    }
    *point = *n.EventPoint;
    return true;
}

} // namespace platform
