"""A StatusNotifierWatcher with a host, as a desktop's panel runs them, for the tray scenarios.

Owns org.kde.StatusNotifierWatcher on the session bus, answers IsStatusNotifierHostRegistered
(true unless --no-host), accepts item registrations and prints one line per event on stdout
("ready", "registered <service>", "unregistered <service>"), flushed at once. Items that leave the
bus are dropped, as real watchers drop them. Runs until killed.
"""

import argparse
import sys

from gi.repository import Gio, GLib

NAME = "org.kde.StatusNotifierWatcher"
PATH = "/StatusNotifierWatcher"
XML = """<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
  <signal name="StatusNotifierHostUnregistered"/>
</interface></node>"""


def say(line):
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--no-host", action="store_true")
    args = parser.parse_args()
    items = {}  # service -> the bus name whose going drops it
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    info = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]

    def emit(signal, params=None):
        bus.emit_signal(None, PATH, NAME, signal, params)

    def on_owner_changed(_c, _s, _p, _i, _sig, params, _u):
        name, _old, new = params.unpack()
        if new:
            return
        for service, owner in list(items.items()):
            if owner == name:
                del items[service]
                say(f"unregistered {service}")
                emit("StatusNotifierItemUnregistered", GLib.Variant("(s)", (service,)))

    def method(_c, sender, _p, _i, name, params, invocation):
        if name == "RegisterStatusNotifierItem":
            service = params.unpack()[0]
            # A path alone names an object of the sender.
            owner = sender if service.startswith("/") else service
            items[service] = owner
            say(f"registered {service}")
            emit("StatusNotifierItemRegistered", GLib.Variant("(s)", (service,)))
        invocation.return_value(None)

    def prop(_c, _s, _p, _i, name):
        if name == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", sorted(items))
        if name == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", not args.no_host)
        return GLib.Variant("i", 0)

    bus.register_object(PATH, info, method, prop, None)
    bus.signal_subscribe("org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
                         "/org/freedesktop/DBus", None, Gio.DBusSignalFlags.NONE,
                         on_owner_changed, None)
    loop = GLib.MainLoop()

    def acquired(*_):
        if not args.no_host:
            emit("StatusNotifierHostRegistered")
        say("ready")

    Gio.bus_own_name_on_connection(bus, NAME, Gio.BusNameOwnerFlags.NONE, acquired,
                                   lambda *_: loop.quit())
    loop.run()


if __name__ == "__main__":
    main()
