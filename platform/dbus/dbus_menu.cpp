// com.canonical.dbusmenu for the item: one root (id 0) whose children are the popup menu's
// items, numbered from 1 in their order. Choosing one posts its command to the menu's owner,
// as the popup menu does.
#include "platform/dbus/dbus_menu.h"

#include "platform/dbus/dbus_internal.h"
#include "platform/window_manager.h"

namespace platform::dbus {

namespace {

constexpr const char* MenuInterface = "com.canonical.dbusmenu";

constexpr const char* MenuXml = R"xml(<node>
  <interface name="com.canonical.dbusmenu">
    <property name="Version" type="u" access="read"/>
    <property name="TextDirection" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="IconThemePath" type="as" access="read"/>
    <method name="GetLayout">
      <arg type="i" name="parentId" direction="in"/>
      <arg type="i" name="recursionDepth" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="u" name="revision" direction="out"/>
      <arg type="(ia{sv}av)" name="layout" direction="out"/>
    </method>
    <method name="GetGroupProperties">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="a(ia{sv})" name="properties" direction="out"/>
    </method>
    <method name="GetProperty">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="name" direction="in"/>
      <arg type="v" name="value" direction="out"/>
    </method>
    <method name="Event">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="eventId" direction="in"/>
      <arg type="v" name="data" direction="in"/>
      <arg type="u" name="timestamp" direction="in"/>
    </method>
    <method name="EventGroup">
      <arg type="a(isvu)" name="events" direction="in"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <method name="AboutToShow">
      <arg type="i" name="id" direction="in"/>
      <arg type="b" name="needUpdate" direction="out"/>
    </method>
    <method name="AboutToShowGroup">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="ai" name="updatesNeeded" direction="out"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <signal name="ItemsPropertiesUpdated">
      <arg type="a(ia{sv})" name="updatedProps"/>
      <arg type="a(ias)" name="removedProps"/>
    </signal>
    <signal name="LayoutUpdated">
      <arg type="u" name="revision"/>
      <arg type="i" name="parent"/>
    </signal>
    <signal name="ItemActivationRequested">
      <arg type="i" name="id"/>
      <arg type="u" name="timestamp"/>
    </signal>
  </interface>
</node>)xml";

struct TMenuState {
    std::vector<TNotifierMenuItem> Items;
    HWND Owner = 0;
    guint Revision = 1;
    GDBusConnection* Bus = nullptr;
    guint Object = 0;
    GDBusNodeInfo* Info = nullptr;
};

TMenuState& Menu() {
    static auto* state = new TMenuState;
    return *state;
}

bool SameItems(const std::vector<TNotifierMenuItem>& a, const std::vector<TNotifierMenuItem>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].Command != b[i].Command || a[i].Text != b[i].Text ||
            a[i].Enabled != b[i].Enabled || a[i].Separator != b[i].Separator) {
            return false;
        }
    }
    return true;
}

const TNotifierMenuItem* ItemOf(gint32 id) {
    const auto& items = Menu().Items;
    if (id < 1 || static_cast<std::size_t>(id) > items.size()) {
        return nullptr;
    }
    return &items[static_cast<std::size_t>(id - 1)];
}

bool Wanted(const std::vector<std::string>& names, const char* name) {
    if (names.empty()) {
        return true;
    }
    for (const auto& n : names) {
        if (n == name) {
            return true;
        }
    }
    return false;
}

// The a{sv} of one item (id 0 is the root), limited to the names asked for.
GVariant* Properties(gint32 id, const std::vector<std::string>& names) {
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE("a{sv}"));
    if (id == 0) {
        if (Wanted(names, "children-display")) {
            g_variant_builder_add(&b, "{sv}", "children-display", g_variant_new_string("submenu"));
        }
        return g_variant_builder_end(&b);
    }
    const TNotifierMenuItem* item = ItemOf(id);
    if (item == nullptr) {
        return g_variant_builder_end(&b);
    }
    if (item->Separator) {
        if (Wanted(names, "type")) {
            g_variant_builder_add(&b, "{sv}", "type", g_variant_new_string("separator"));
        }
        return g_variant_builder_end(&b);
    }
    if (Wanted(names, "type")) {
        g_variant_builder_add(&b, "{sv}", "type", g_variant_new_string("standard"));
    }
    if (Wanted(names, "label")) {
        g_variant_builder_add(&b, "{sv}", "label",
                              g_variant_new_string(MenuLabel(item->Text).c_str()));
    }
    if (Wanted(names, "enabled")) {
        g_variant_builder_add(&b, "{sv}", "enabled", g_variant_new_boolean(item->Enabled));
    }
    if (Wanted(names, "visible")) {
        g_variant_builder_add(&b, "{sv}", "visible", g_variant_new_boolean(TRUE));
    }
    const std::vector<std::string> keys = MenuShortcut(item->Text);
    if (!keys.empty() && Wanted(names, "shortcut")) {
        GVariantBuilder combo;
        g_variant_builder_init(&combo, G_VARIANT_TYPE("as"));
        for (const auto& key : keys) {
            g_variant_builder_add(&combo, "s", key.c_str());
        }
        GVariantBuilder all;
        g_variant_builder_init(&all, G_VARIANT_TYPE("aas"));
        g_variant_builder_add_value(&all, g_variant_builder_end(&combo));
        g_variant_builder_add(&b, "{sv}", "shortcut", g_variant_builder_end(&all));
    }
    return g_variant_builder_end(&b);
}

GVariant* Layout(gint32 id, gint32 depth, const std::vector<std::string>& names) {
    GVariantBuilder children;
    g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
    if (id == 0 && depth != 0) {
        for (std::size_t i = 0; i < Menu().Items.size(); ++i) {
            g_variant_builder_add(
                &children, "v",
                Layout(static_cast<gint32>(i + 1), depth > 0 ? depth - 1 : depth, names));
        }
    }
    return g_variant_new("(i@a{sv}@av)", id, Properties(id, names),
                         g_variant_builder_end(&children));
}

std::vector<std::string> Names(GVariantIter* iter) {
    std::vector<std::string> names;
    const gchar* name = nullptr;
    while (g_variant_iter_next(iter, "&s", &name)) {
        names.emplace_back(name);
    }
    return names;
}

bool KnownId(gint32 id) {
    return id == 0 || ItemOf(id) != nullptr;
}

// "clicked" on an item runs its command; other events (opened, closed, hovered) need nothing.
void Event(gint32 id, const char* event) {
    const TNotifierMenuItem* item = ItemOf(id);
    if (item != nullptr && !item->Separator && item->Enabled && std::string(event) == "clicked") {
        PostMessage(Menu().Owner, WM_COMMAND, item->Command, 0);
    }
}

void ReturnUnknownId(GDBusMethodInvocation* invocation, gint32 id) {
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                          "Unknown menu item %d", id);
}

void MenuMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                GVariant* parameters, GDBusMethodInvocation* invocation, gpointer) {
    const std::string name = method;
    if (name == "GetLayout") {
        gint32 parent = 0, depth = 0;
        GVariantIter* iter = nullptr;
        g_variant_get(parameters, "(iias)", &parent, &depth, &iter);
        const std::vector<std::string> names = Names(iter);
        g_variant_iter_free(iter);
        if (!KnownId(parent)) {
            ReturnUnknownId(invocation, parent);
            return;
        }
        g_dbus_method_invocation_return_value(
            invocation,
            g_variant_new("(u@(ia{sv}av))", Menu().Revision, Layout(parent, depth, names)));
    } else if (name == "GetGroupProperties") {
        GVariantIter* ids = nullptr;
        GVariantIter* iter = nullptr;
        g_variant_get(parameters, "(aias)", &ids, &iter);
        const std::vector<std::string> names = Names(iter);
        g_variant_iter_free(iter);
        GVariantBuilder b;
        g_variant_builder_init(&b, G_VARIANT_TYPE("a(ia{sv})"));
        gint32 id = 0;
        while (g_variant_iter_next(ids, "i", &id)) {
            if (KnownId(id)) {
                g_variant_builder_add(&b, "(i@a{sv})", id, Properties(id, names));
            }
        }
        g_variant_iter_free(ids);
        g_dbus_method_invocation_return_value(
            invocation, g_variant_new("(@a(ia{sv}))", g_variant_builder_end(&b)));
    } else if (name == "GetProperty") {
        gint32 id = 0;
        const gchar* property = nullptr;
        g_variant_get(parameters, "(i&s)", &id, &property);
        GVariant* all = Properties(id, {property});
        GVariant* value = g_variant_lookup_value(all, property, nullptr);
        g_variant_unref(g_variant_ref_sink(all));
        if (value == nullptr) {
            ReturnUnknownId(invocation, id);
            return;
        }
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
        g_variant_unref(value);
    } else if (name == "Event") {
        gint32 id = 0;
        const gchar* event = nullptr;
        GVariant* data = nullptr;
        guint32 timestamp = 0;
        g_variant_get(parameters, "(i&svu)", &id, &event, &data, &timestamp);
        g_variant_unref(data);
        if (!KnownId(id)) {
            ReturnUnknownId(invocation, id);
            return;
        }
        Event(id, event);
        g_dbus_method_invocation_return_value(invocation, nullptr);
    } else if (name == "EventGroup") {
        GVariantIter* events = nullptr;
        g_variant_get(parameters, "(a(isvu))", &events);
        GVariantBuilder errors;
        g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
        gint32 id = 0;
        const gchar* event = nullptr;
        GVariant* data = nullptr;
        guint32 timestamp = 0;
        while (g_variant_iter_next(events, "(i&svu)", &id, &event, &data, &timestamp)) {
            g_variant_unref(data);
            if (KnownId(id)) {
                Event(id, event);
            } else {
                g_variant_builder_add(&errors, "i", id);
            }
        }
        g_variant_iter_free(events);
        g_dbus_method_invocation_return_value(
            invocation, g_variant_new("(@ai)", g_variant_builder_end(&errors)));
    } else if (name == "AboutToShow") {
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", FALSE));
    } else if (name == "AboutToShowGroup") {
        g_dbus_method_invocation_return_value(
            invocation,
            g_variant_new("(@ai@ai)", g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0),
                          g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0)));
    } else {
        g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                              "No method %s", method);
    }
}

GVariant* MenuProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* property, GError** error, gpointer) {
    const std::string name = property;
    if (name == "Version")
        return g_variant_new_uint32(3);
    if (name == "TextDirection")
        return g_variant_new_string("ltr");
    if (name == "Status")
        return g_variant_new_string("normal");
    if (name == "IconThemePath")
        return g_variant_new_strv(nullptr, 0);
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "No property %s", property);
    return nullptr;
}

} // namespace

std::string MenuLabel(const std::u16string& text) {
    std::u16string label;
    for (std::size_t i = 0; i < text.size() && text[i] != u'\t'; ++i) {
        const char16_t c = text[i];
        if (c == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                label += u'&';
                ++i;
            } else if (i + 1 < text.size() && text[i + 1] != u'\t') {
                label += u'_';
            }
        } else if (c == u'_') {
            label += u"__";
        } else {
            label += c;
        }
    }
    return Utf8(label);
}

std::vector<std::string> MenuShortcut(const std::u16string& text) {
    const std::size_t tab = text.find(u'\t');
    std::vector<std::string> keys;
    if (tab == std::u16string::npos) {
        return keys;
    }
    const std::string shortcut = Utf8(text.substr(tab + 1));
    std::size_t start = 0;
    while (start <= shortcut.size()) {
        std::size_t plus = shortcut.find('+', start);
        if (plus == start && plus + 1 == shortcut.size()) {
            plus = std::string::npos; // a key that is the plus sign itself
        }
        std::string key =
            shortcut.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        if (key == "Ctrl") {
            key = "Control";
        }
        if (!key.empty()) {
            keys.push_back(key);
        }
        if (plus == std::string::npos) {
            break;
        }
        start = plus + 1;
    }
    return keys;
}

bool ExportMenu(GDBusConnection* bus) {
    TMenuState& m = Menu();
    if (m.Object != 0) {
        return true;
    }
    static const GDBusInterfaceVTable vtable = {MenuMethod, MenuProperty, nullptr, {}};
    m.Info = g_dbus_node_info_new_for_xml(MenuXml, nullptr);
    if (m.Info == nullptr) {
        return false;
    }
    m.Object = g_dbus_connection_register_object(bus, MenuPath, m.Info->interfaces[0], &vtable,
                                                 nullptr, nullptr, nullptr);
    if (m.Object == 0) {
        g_dbus_node_info_unref(m.Info);
        m.Info = nullptr;
        return false;
    }
    m.Bus = bus;
    return true;
}

void UnexportMenu(GDBusConnection* bus) {
    TMenuState& m = Menu();
    if (m.Object != 0 && bus != nullptr) {
        g_dbus_connection_unregister_object(bus, m.Object);
    }
    m.Object = 0;
    m.Bus = nullptr;
    if (m.Info != nullptr) {
        g_dbus_node_info_unref(m.Info);
        m.Info = nullptr;
    }
}

void SetMenu(const std::vector<TNotifierMenuItem>& items, HWND owner) {
    TMenuState& m = Menu();
    m.Owner = owner;
    if (SameItems(items, m.Items)) {
        return;
    }
    m.Items = items;
    ++m.Revision;
    if (m.Object != 0 && m.Bus != nullptr) {
        g_dbus_connection_emit_signal(m.Bus, nullptr, MenuPath, MenuInterface, "LayoutUpdated",
                                      g_variant_new("(ui)", m.Revision, 0), nullptr);
    }
}

} // namespace platform::dbus
