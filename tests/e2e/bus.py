"""The session bus side of the tray scenarios (run under dbus-run-session): the desktop's
watcher and host as a separate process (sni_watcher.py) that can be stopped and started again,
and the calls a host makes on the widget's StatusNotifierItem and its dbusmenu.
"""

import os
import struct
import sys
import zlib

from gi.repository import Gio, GLib

import harness as h

WATCHER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sni_watcher.py")
ITEM_PATH = "/StatusNotifierItem"
ITEM_IFACE = "org.kde.StatusNotifierItem"
MENU_IFACE = "com.canonical.dbusmenu"


class Bus:
    """The test's own connection to the private session bus, which also stands in for the
    system bus (the widget is told so), so a fake logind can speak on it."""

    def __init__(self, session):
        self.s = session
        self.address = os.environ.get("DBUS_SESSION_BUS_ADDRESS", "")
        if not self.address:
            raise AssertionError("no session bus: run the scenario under dbus-run-session")
        session.env["DBUS_SESSION_BUS_ADDRESS"] = self.address
        session.env["DBUS_SYSTEM_BUS_ADDRESS"] = self.address
        self.conn = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        self.watchers = 0
        if os.environ.get("MP_E2E_DBUS_MONITOR"):
            session.spawn("dbus-monitor", ["dbus-monitor", "--session"])

    # ---- the watcher -------------------------------------------------------------------

    def start_watcher(self, host=True):
        self.watchers += 1
        name = f"watcher-{self.watchers}"
        argv = [sys.executable, WATCHER] + ([] if host else ["--no-host"])
        p = self.s.spawn(name, argv)
        h.poll(lambda: "ready" in self.events(name), 15, f"{name} to own its name")
        return name, p

    def events(self, name):
        return self.s.log_text(name).splitlines()

    def stop_watcher(self, p):
        self.s.kill_group(p)

    def wait_registered(self, name, timeout=15):
        def found():
            return next((line.split(" ", 1)[1] for line in self.events(name)
                         if line.startswith("registered ")), None)
        return h.poll(found, timeout, f"an item registered with {name}")

    # ---- calls a host makes ------------------------------------------------------------

    def call(self, service, path, iface, method, args=None, reply=None):
        v = self.conn.call_sync(service, path, iface, method, args,
                                GLib.VariantType.new(reply) if reply else None,
                                Gio.DBusCallFlags.NONE, 5000, None)
        return v.unpack() if v is not None else None

    def prop(self, service, name, iface=ITEM_IFACE, path=ITEM_PATH):
        return self.call(service, path, "org.freedesktop.DBus.Properties", "Get",
                         GLib.Variant("(ss)", (iface, name)), "(v)")[0]

    def item(self, service, method, *args):
        sig = "(is)" if method == "Scroll" else "(ii)"
        return self.call(service, ITEM_PATH, ITEM_IFACE, method, GLib.Variant(sig, args))

    def menu_path(self, service):
        return self.prop(service, "Menu")

    def layout(self, service):
        return self.call(service, self.menu_path(service), MENU_IFACE, "GetLayout",
                         GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))")

    def menu_event(self, service, item_id, event="clicked"):
        return self.call(service, self.menu_path(service), MENU_IFACE, "Event",
                         GLib.Variant("(isvu)", (item_id, event, GLib.Variant("i", 0), 0)))

    def owner(self, service):
        try:
            return self.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                             "org.freedesktop.DBus", "GetNameOwner",
                             GLib.Variant("(s)", (service,)), "(s)")[0]
        except GLib.Error:
            return None

    # ---- a fake logind -----------------------------------------------------------------

    def resume_from_sleep(self):
        """logind's announcement that the machine went to sleep and woke again."""
        self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                  "RequestName", GLib.Variant("(su)", ("org.freedesktop.login1", 0)), "(u)")
        for going in (True, False):
            self.conn.emit_signal(None, "/org/freedesktop/login1",
                                  "org.freedesktop.login1.Manager", "PrepareForSleep",
                                  GLib.Variant("(b)", (going,)))
        self.conn.flush_sync(None)


def png_rgba(path):
    """Width, height and the straight RGBA bytes of an 8-bit RGBA PNG without interlacing."""
    with open(path, "rb") as f:
        blob = f.read()
    pos, idat, w, hgt = 8, b"", 0, 0
    while pos < len(blob):
        length, kind = struct.unpack(">I4s", blob[pos:pos + 8])
        data = blob[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            w, hgt, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", data)
            if (depth, colour, interlace) != (8, 6, 0):
                raise ValueError("not an 8-bit RGBA PNG")
        elif kind == b"IDAT":
            idat += data
        pos += 12 + length
    raw, stride, out, prev = zlib.decompress(idat), w * 4, bytearray(), bytearray(w * 4)
    for y in range(hgt):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        out += line
        prev = line
    return w, hgt, bytes(out)
