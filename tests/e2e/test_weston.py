"""A smoke run under a Wayland compositor through XWayland, as on most GNOME and KDE desktops
today: Debian's weston with its headless back-end starts XWayland for the widget, which maps with
a 32-bit visual, takes real (XTEST) clicks and closes with 0.

What weston 10 and its XWayland do differently, and so what is not asserted: weston's window
manager places X windows itself (the widget's own position is not kept: its frame goes where the
shell puts it); the headless back-end has no seat, and XWayland ends on an XTEST pointer motion
without one, so the clicks land where the pointer starts, the output's centre (the output is made
one frame large, which puts the frame at the origin); there is no tray of either kind (no XEmbed
tray, no StatusNotifierWatcher); and the XWayland root window holds no picture of what is shown,
so no pixels are compared.
"""

import os
import re
import unittest

import harness as h

WESTON_START = 20  # seconds for weston and XWayland to come up
# weston frames an X window with a 32-pixel margin; an output of one frame's size holds it at the
# origin, whatever the shell's placement would choose.
FRAME = 32
OUTPUT = (h.WIN_W + 2 * FRAME - 1, h.WIN_H + 2 * FRAME)


class WestonSession(h.Session):
    """A session whose X server is XWayland under a headless weston instead of Xvfb."""

    def start_x(self, wm, compositor, tray):
        self.weston_runtime = os.path.join(self.tmp, "weston-run")
        os.makedirs(self.weston_runtime, mode=0o700)
        log = os.path.join(self.logs, "weston-own.log")
        env = dict(self.env, XDG_RUNTIME_DIR=self.weston_runtime)
        env.pop("DISPLAY", None)
        self.spawn("weston", ["weston", "--backend=headless-backend.so", "--xwayland",
                              "--socket=wayland-mp", "--idle-time=0", f"--width={OUTPUT[0]}",
                              f"--height={OUTPUT[1]}", f"--log={log}"], env=env)

        def listening():
            try:
                with open(log) as f:
                    m = re.search(r"xserver listening on display (:\d+)", f.read())
            except FileNotFoundError:
                return None
            return m.group(1) if m else None
        # weston cannot start: a failure, never a skip.
        self.env["DISPLAY"] = h.poll(listening, WESTON_START, "weston's XWayland display")
        self.display = int(self.env["DISPLAY"][1:])
        h.poll(lambda: self.run(["xdpyinfo"], timeout=10, check=False).returncode == 0,
               WESTON_START, "XWayland to answer")


def shell_values(text):
    return dict(line.split("=", 1) for line in text.split() if "=" in line)


class Weston(unittest.TestCase):
    def test_maps_takes_clicks_and_closes(self):
        s = WestonSession(self)
        self.assertIn("XTEST", s.run(["xdpyinfo"]).stdout.decode())
        w = s.start_widget()
        info = s.run(["xwininfo", "-id", str(w.wid)]).stdout.decode()
        self.assertRegex(info, r"Depth: 32\b")
        self.assertIn("IsViewable", info)
        s.wait_news()

        # Where the pointer starts, in the widget's own coordinates: inside the news list.
        x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
        y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
        pointer = shell_values(s.xdo("getmouselocation", "--shell").stdout.decode())
        px, py = int(pointer["X"]), int(pointer["Y"])
        lx, ly, lw, lh = h.LIST_AREA
        self.assertTrue(lx <= px - x < lx + lw and ly <= py - y < ly + lh,
                        f"the pointer at {(px, py)} is not over the list of the widget at {(x, y)}")

        # A right click opens the widget's own menu at the pointer; its access key "k" chooses
        # "&Kapat", which closes the widget.
        s.xdo("click", 3)
        menu = h.poll(w.popup, 10, "the popup menu")
        self.assertEqual(menu[:2], (px, py))
        s.xdo("key", "k")
        self.assertEqual(s.wait_exit(w.proc, 20), 0)
        self.assertNotIn("Segmentation fault", s.log_text("weston"))


if __name__ == "__main__":
    h.main()
