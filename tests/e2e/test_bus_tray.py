"""The tray on today's desktops, on a private session bus (run under dbus-run-session): a
watcher with a host, modelled on a panel that shows StatusNotifierItems and draws their menus
from dbusmenu, sees the widget's item register, reads its properties and menu, and acts on it;
without such a host the icon docks into the screen's own tray (trayer), never in both."""

import os
import unittest

import bus as b
import harness as h
from autoscale_probe import grown, shrunk

SHEET_X, SHEET_Y = h.OPTIONS_SHEET
SHOWTRAY_BOX = (SHEET_X + 40 + 10, SHEET_Y + 20 + 2 * h.CHECKBOX_STEP + 10)
ICON_PNG = os.path.join(h.SOURCE_DIR, "resources", "images", "icon101.png")
SIZES = [16, 22, 24, 32, 48, 64]


class TrayOnTheBus(unittest.TestCase):
    def check_pixmaps(self, pixmaps):
        self.assertEqual([(pw, ph) for pw, ph, _ in pixmaps], [(n, n) for n in SIZES])
        for pw, ph, data in pixmaps:
            self.assertEqual(len(data), pw * ph * 4)
        # The full-size picture is the icon itself, straight ARGB in network byte order.
        iw, ih, rgba = b.png_rgba(ICON_PNG)
        self.assertEqual((iw, ih), (64, 64))
        argb = bytes(pixmaps[-1][2])
        opaque = 0
        for i in range(iw * ih):
            r, g, bl, a = rgba[4 * i:4 * i + 4]
            self.assertEqual(argb[4 * i], a, f"alpha of pixel {i}")
            if a >= 128:
                got = argb[4 * i + 1:4 * i + 4]
                self.assertTrue(all(abs(x - y) <= 2 for x, y in zip(got, (r, g, bl))),
                                f"pixel {i}: {tuple(got)} for {(r, g, bl)}")
                opaque += 1
        self.assertGreater(opaque, 64 * 64 // 4)
        # Smaller pictures are drawn from it, not left empty.
        small = bytes(pixmaps[0][2])
        self.assertGreater(sum(1 for i in range(0, len(small), 4) if small[i] == 255), 16 * 16 // 4)

    def test_item_registers_acts_and_follows_the_watcher(self):
        s = h.Session(self, wm=True, tray=True)
        bus = b.Bus(s)
        watcher, watcher_proc = bus.start_watcher()
        w = s.start_widget()
        service = bus.wait_registered(watcher)
        self.assertEqual(service, f"org.kde.StatusNotifierItem-{w.proc.pid}-1")
        s.wait_news()

        props = {n: bus.prop(service, n)
                 for n in ("Category", "Id", "Title", "Status", "ItemIsMenu", "Menu")}
        self.assertEqual(props, {"Category": "ApplicationStatus", "Id": "minipelikora",
                                 "Title": "Mini Pelikora", "Status": "Active",
                                 "ItemIsMenu": False, "Menu": "/MenuBar"})
        self.assertEqual(bus.prop(service, "ToolTip")[2], "Mini Pelikora")
        self.check_pixmaps(bus.prop(service, "IconPixmap"))
        # Never in both places.
        self.assertFalse(s.tray_has_icon())

        # The menu as a host draws it: the popup menu's items, access keys and shortcut.
        _, (root, root_props, children) = bus.layout(service)
        self.assertEqual((root, root_props), (0, {"children-display": "submenu"}))
        self.assertEqual([c[1]["label"] for c in children],
                         ["_Hakkında", "_Seçenekler", "_Güncelle", "_Kapat"])
        self.assertEqual(children[3][1].get("shortcut"), [["Alt", "F4"]])
        self.assertTrue(all(c[1]["enabled"] for c in children))

        # ContextMenu opens the widget's own menu where the host asks.
        bus.item(service, "ContextMenu", 200, 150)
        menu = h.poll(w.popup, 10, "the popup menu")
        self.assertEqual(menu[:2], (200, 150))
        s.click(900, 700)
        h.poll(lambda: w.popup() is None, 10, "the popup menu to close")

        # Activate, like a left click on the icon, brings the shrunk widget back.
        h.poll(lambda: grown(w), 10, "the full-size widget")
        s.activate_other_window()
        h.poll(lambda: shrunk(w, (0, 0)), 10, "the picture shrunk")
        bus.item(service, "SecondaryActivate", 0, 0)
        bus.item(service, "Scroll", 120, "vertical")
        self.assertIsNotNone(shrunk(w, (0, 0)), "middle click and scroll do nothing")
        bus.item(service, "Activate", 0, 0)
        h.poll(lambda: grown(w), 10, "the picture grown back")

        # logind says the machine woke up: the news is asked for again without the poll.
        asked = s.feed_stats()["news"]
        bus.resume_from_sleep()
        s.wait_feed_requests("news", asked + 1, timeout=30)

        # The panel restarts: the item registers with the new watcher.
        bus.stop_watcher(watcher_proc)
        watcher, watcher_proc = bus.start_watcher()
        self.assertEqual(bus.wait_registered(watcher), service)
        self.assertFalse(s.tray_has_icon())

        # "Show tray icon" off takes the item off the bus, and not into the screen's tray.
        w.menu(h.MENU_OPTIONS)
        s.settled_shot()
        w.click(SHOWTRAY_BOX)
        h.poll(lambda: f"unregistered {service}" in bus.events(watcher), 10, "the item to go")
        self.assertIsNone(bus.owner(service))
        self.assertFalse(s.tray_has_icon())
        w.click(SHOWTRAY_BOX)
        h.poll(lambda: bus.events(watcher).count(f"registered {service}") == 2, 10,
               "the item back")
        w.menu(h.MENU_OPTIONS)

        # Choosing "Kapat" in the host's menu closes the widget as the popup menu does.
        bus.menu_event(service, children[3][0])
        self.assertEqual(s.wait_exit(w.proc, 20), 0)
        self.assertFalse(s.tray_has_icon())

    def test_without_a_host_the_icon_docks_in_the_screens_tray(self):
        s = h.Session(self, tray=True)
        bus = b.Bus(s)
        w = s.start_widget()
        h.poll(s.tray_has_icon, 15, "the icon in the screen's tray (no watcher)")
        service = f"org.kde.StatusNotifierItem-{w.proc.pid}-1"

        # A watcher whose panel shows no items changes nothing.
        watcher, watcher_proc = bus.start_watcher(host=False)
        s.wait_news()
        self.assertFalse(any(e.startswith("registered") for e in bus.events(watcher)))
        self.assertTrue(s.tray_has_icon())
        bus.stop_watcher(watcher_proc)

        # A watcher with a host takes the icon over from the screen's tray.
        watcher, watcher_proc = bus.start_watcher()
        self.assertEqual(bus.wait_registered(watcher), service)
        h.poll(lambda: not s.tray_has_icon(), 10, "the icon to leave the screen's tray")

        # The host goes for good: the icon docks on the screen again and the item leaves.
        bus.stop_watcher(watcher_proc)
        h.poll(s.tray_has_icon, 15, "the icon back in the screen's tray")
        h.poll(lambda: bus.owner(service) is None, 10, "the item's name released")
        self.assertTrue(w.alive())
        s.send_message(5939)
        self.assertEqual(s.wait_exit(w.proc, 20), 0)


if __name__ == "__main__":
    h.main()
