"""Shared machinery of the end-to-end scenarios: a private X server, window manager,
compositor and tray host, a feed server on loopback, a fresh home for the widget, the real
minipelikora, input through xdotool and screenshots read as plain RGB.

Every process is started in its own process group and killed with it when the test ends,
whatever way it ends. Waiting is always polling against a deadline, never a bare sleep.
"""

import json
import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

APP = os.environ.get("MP_APP", "")
SOURCE_DIR = os.environ.get(
    "MP_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
CONVERT = os.environ.get("MP_E2E_CONVERT", "")
XPROBE = os.environ.get("MP_E2E_XPROBE", "")
MPSEND = os.environ.get("MP_E2E_MPSEND", "")
FEEDSERVER = os.path.join(SOURCE_DIR, "tools", "feed", "feedserver.py")

SCREEN_W, SCREEN_H = 1024, 768
WIN_W, WIN_H = 475, 350
DOUBLE_CLICK_GAP = 0.8  # seconds; longer than any double-click time the desktop may set
ROOT_COLOUR = (46, 92, 138)  # a desktop blue no skin pixel has
DATA_SUBDIR = os.path.join("Marvolt", "Mini Pelikora")
AUTOSTART_NAME = "Mini Pelikora.desktop"

# Skin landmarks in window coordinates: the red header band, the white body beside the list
# and under it, and the fully transparent margin around the frame.
HEADER_RED = [(300, 35), (400, 45)]
BODY_WHITE = [(24, 150), (237, 292)]
MARGIN = [(4, 4), (470, 175), (237, 345)]

# Element geometry (window coordinates) from the layout of the main window.
VIEWPORT = (30, 75, 415, 213)           # x, y, w, h of the news list's frame
LIST_AREA = (30, 75, 390, 213)
SCROLLER_X = 30 + 395                   # left of the scroll track
OPTIONS_SHEET = (35, 61)                # the open options sheet inside the window
CHECKBOX_STEP = 28
ABOUT_SHEET = (35 + 25, 61)             # the about picture inside its slider


def poll(probe, timeout, what, interval=0.1):
    """Calls probe until it returns something truthy; fails the test after timeout seconds."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        try:
            last = probe()
        except (OSError, subprocess.SubprocessError, ValueError) as e:
            last = None
            error = e
        else:
            error = None
            if last:
                return last
        if time.monotonic() >= deadline:
            detail = f" (last error: {error})" if error else ""
            raise AssertionError(f"timed out after {timeout}s waiting for {what}{detail}")
        time.sleep(interval)


class Pixels(bytes):
    """Raw RGB bytes of a screen area; a failed comparison names them instead of dumping them."""

    def __repr__(self):
        return f"<{len(self) // 3} pixels, digest {hash(bytes(self)) & 0xFFFFFF:06x}>"


class Image:
    """An RGB screenshot of the whole screen."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @classmethod
    def from_ppm(cls, blob):
        fields, pos = [], 0
        while len(fields) < 4:
            while blob[pos:pos + 1].isspace():
                pos += 1
            if blob[pos:pos + 1] == b"#":
                pos = blob.index(b"\n", pos) + 1
                continue
            end = pos
            while not blob[end:end + 1].isspace():
                end += 1
            fields.append(blob[pos:end])
            pos = end
        pos += 1
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError("not an 8-bit binary PPM")
        w, h = int(fields[1]), int(fields[2])
        return cls(w, h, blob[pos:pos + 3 * w * h])

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def region(self, x, y, w, h):
        """The raw bytes of a rectangle, for comparing two shots of the same place."""
        rows = []
        for yy in range(y, y + h):
            i = 3 * (yy * self.width + x)
            rows.append(self.data[i:i + 3 * w])
        return Pixels(b"".join(rows))

    def count(self, x, y, w, h, predicate):
        n = 0
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                if predicate(self.pixel(xx, yy)):
                    n += 1
        return n


def near(a, b, tol=12):
    return all(abs(p - q) <= tol for p, q in zip(a, b))


def is_red(p):
    return p[0] >= 90 and p[1] <= 40 and p[2] <= 40


def is_white(p):
    return min(p) >= 235


def is_text_dark(p):
    return max(p) <= 160 and not is_red(p)


def free_display():
    """A display number whose socket is free in the abstract namespace and in the file
    system: other X servers on the machine may share our network namespace."""
    for _ in range(200):
        n = random.randint(200, 5000)
        if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
            continue
        s = socket.socket(socket.AF_UNIX)
        try:
            s.bind(f"\0/tmp/.X11-unix/X{n}")
        except OSError:
            continue
        finally:
            s.close()
        return n
    raise RuntimeError("no free X display number")


def utf16_ini(text):
    return b"\xff\xfe" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-16-le")


def parse_ini(blob):
    """Sections of an options file written by the widget (UTF-16LE with a byte order mark)."""
    if blob.startswith(b"\xff\xfe"):
        text = blob[2:].decode("utf-16-le")
    else:
        text = blob.decode("utf-8")
    sections, current = {}, None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].lower(), {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key.strip().lower()] = value.strip()
    return sections


class Session:
    """One isolated desktop with its own feed server, for one test."""

    def __init__(self, test, *, wm=False, compositor=True, tray=False, feed_args=(),
                 write_options=True, screen=(SCREEN_W, SCREEN_H)):
        self.test = test
        self.procs = []   # (name, Popen), stopped in reverse order
        self.tmp = tempfile.mkdtemp(prefix="mp-e2e-")
        test.addCleanup(self.close)
        self.logs = os.path.join(self.tmp, "logs")
        self.home = os.path.join(self.tmp, "home")
        self.bin = os.path.join(self.tmp, "bin")
        self.opener_log = os.path.join(self.tmp, "opened.txt")
        for d in (self.logs, self.home, self.bin):
            os.makedirs(d)
        self.data_home = os.path.join(self.home, ".local", "share")
        self.config_home = os.path.join(self.home, ".config")
        self.runtime_dir = os.path.join(self.tmp, "run")
        os.makedirs(self.runtime_dir, mode=0o700)
        self.data_dir = os.path.join(self.data_home, DATA_SUBDIR)
        self.autostart = os.path.join(self.config_home, "autostart", AUTOSTART_NAME)
        self.screen = screen
        self._write_opener_stub()
        self.display = None
        self.env = self._base_env()
        self.start_x(wm=wm, compositor=compositor, tray=tray)
        self.port = self.start_feed(*feed_args)
        if write_options:
            self.write_options()

    # ---- environment -------------------------------------------------------------------

    def _base_env(self):
        env = {k: v for k, v in os.environ.items()
               if k in ("PATH", "LANG", "LC_ALL", "TZ", "ASAN_OPTIONS", "UBSAN_OPTIONS",
                        "LSAN_OPTIONS")}
        env.update({
            "HOME": self.home,
            "XDG_DATA_HOME": self.data_home,
            "XDG_CONFIG_HOME": self.config_home,
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_RUNTIME_DIR": self.runtime_dir,
            "PATH": self.bin + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin"),
            "NO_AT_BRIDGE": "1",
        })
        env.setdefault("LANG", "C.UTF-8")
        return env

    def _write_opener_stub(self):
        # Links must never reach a real browser; the stub records what would have opened.
        stub = os.path.join(self.bin, "xdg-open")
        with open(stub, "w") as f:
            f.write("#!/bin/sh\n"
                    f"printf '%s\\n' \"$*\" >> '{self.opener_log}'\n")
        os.chmod(stub, 0o755)

    def opened_links(self):
        try:
            with open(self.opener_log) as f:
                return [line.rstrip("\n") for line in f if line.strip()]
        except FileNotFoundError:
            return []

    # ---- processes ---------------------------------------------------------------------

    def spawn(self, name, argv, env=None, **kwargs):
        out = open(os.path.join(self.logs, f"{name}.log"), "ab")
        try:
            p = subprocess.Popen(argv, env=env or self.env, stdin=subprocess.DEVNULL,
                                 stdout=kwargs.pop("stdout", out), stderr=out,
                                 start_new_session=True, **kwargs)
        finally:
            out.close()
        self.procs.append((name, p))
        return p

    def run(self, argv, timeout=20, check=True):
        r = subprocess.run(argv, env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                           timeout=timeout)
        if check and r.returncode != 0:
            raise AssertionError(f"{argv[0]} failed ({r.returncode}): "
                                 f"{r.stderr.decode(errors='replace').strip()}")
        return r

    @staticmethod
    def kill_group(p, grace=3.0):
        if p.poll() is None:
            try:
                os.killpg(p.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                p.wait(grace)
            except subprocess.TimeoutExpired:
                pass
        try:
            os.killpg(p.pid, signal.SIGKILL)  # stragglers of the group as well
        except ProcessLookupError:
            pass
        try:
            p.wait(5)
        except subprocess.TimeoutExpired:
            pass

    def close(self):
        for _, p in reversed(self.procs):
            self.kill_group(p)
        self.procs.clear()
        if os.environ.get("MP_E2E_KEEP"):
            sys.stderr.write(f"kept {self.tmp}\n")
        else:
            shutil.rmtree(self.tmp, ignore_errors=True)

    def log_text(self, name):
        try:
            with open(os.path.join(self.logs, f"{name}.log"), errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    # ---- the desktop -------------------------------------------------------------------

    def start_x(self, wm, compositor, tray):
        w, h = self.screen
        for _ in range(5):
            n = free_display()
            xvfb = self.spawn(f"xvfb-{n}", ["Xvfb", f":{n}", "-screen", "0", f"{w}x{h}x24",
                                            "-nolisten", "tcp", "-noreset", "-nocursor"])
            self.env["DISPLAY"] = f":{n}"
            try:
                poll(lambda: xvfb.poll() is not None or
                     self.run(["xdpyinfo"], timeout=5, check=False).returncode == 0,
                     15, "the X server")
            except AssertionError:
                xvfb.poll()
            if xvfb.poll() is None:
                self.display = n
                break
            self.procs.remove((f"xvfb-{n}", xvfb))
        else:
            raise AssertionError("Xvfb did not start")
        # A root pixmap rather than xsetroot -solid: the compositing manager paints the
        # published root pixmap as the desktop (otherwise it paints grey).
        colour = "%02x%02x%02x" % ROOT_COLOUR
        self.run([XPROBE, "backdrop", colour, colour])
        if wm:
            rc = os.path.join(self.tmp, "openbox-rc.xml")
            with open(rc, "w") as f:
                f.write(OPENBOX_RC)
            self.spawn("openbox", ["openbox", "--config-file", rc, "--sm-disable"])
            poll(lambda: b"_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False).stdout,
                15, "the window manager")
        if compositor:
            self.spawn("xcompmgr", ["xcompmgr"])
            poll(lambda: self.selection_owner("_NET_WM_CM_S0"), 15, "the compositing manager")
        if tray:
            self.spawn("trayer", ["trayer", "--edge", "bottom", "--align", "right",
                                  "--widthtype", "pixel", "--width", "200", "--height", "32",
                                  "--SetDockType", "true", "--SetPartialStrut", "true",
                                  "--transparent", "false", "--tint", "0x404040"])
            poll(lambda: self.selection_owner("_NET_SYSTEM_TRAY_S0"), 15, "the tray host")

    def selection_owner(self, name):
        r = self.run([XPROBE, "owner", name], check=False)
        return int(r.stdout.strip() or 0) if r.returncode == 0 else 0

    def tray_has_icon(self):
        """Whether a window of ours sits inside the tray host's window tree."""
        r = self.run(["xwininfo", "-root", "-tree"], check=False)
        lines = r.stdout.decode(errors="replace").splitlines()
        inside, depth = False, None
        for line in lines:
            indent = len(line) - len(line.lstrip())
            if inside and indent <= depth:
                inside = False
            if not inside and '"trayer"' in line.lower():
                inside, depth = True, indent
            elif inside and '"minipelikora"' in line.lower():
                return True
        return False

    def xdo(self, *args, check=True):
        return self.run(["xdotool", *[str(a) for a in args]], check=check)

    def screenshot(self):
        r = self.run(["import", "-window", "root", "-depth", "8", "ppm:-"], timeout=20)
        return Image.from_ppm(r.stdout)

    def save_screenshot(self, name):
        """Keeps a picture for a failing test's report when MP_E2E_KEEP is set."""
        path = os.path.join(self.tmp, f"{name}.png")
        self.run(["import", "-window", "root", path], check=False)
        return path

    def start_other_window(self, title="other", geometry="+40+40"):
        """A small ordinary client window the window manager can activate."""
        p = self.spawn(f"xmessage-{title}", ["xmessage", "-name", title, "-title", title,
                                             "-geometry", geometry, "-buttons", "ok",
                                             "andere pencere"])
        wid = poll(lambda: self._find(["--name", f"^{title}$"]), 15, f"the window {title}")
        return p, wid

    def _find(self, args):
        r = self.xdo("search", *args, check=False)
        ids = [int(x) for x in r.stdout.split()]
        return ids[0] if ids else None

    # ---- the feed ----------------------------------------------------------------------

    def start_feed(self, *args):
        port_file = os.path.join(self.tmp, "feed.port")
        self.feed = self.spawn("feed", [sys.executable, FEEDSERVER, "--port", "0",
                                        "--port-file", port_file, *args])

        def read_port():
            with open(port_file) as f:
                return int(f.read().strip() or 0)
        return poll(read_port, 15, "the feed server's port")

    def feed_get(self, path, timeout=10):
        with urllib.request.urlopen(f"http://127.0.0.1:{self.port}{path}", timeout=timeout) as r:
            return r.read()

    def feed_control(self, **keys):
        query = "&".join(f"{k}={v}" for k, v in keys.items())
        return json.loads(self.feed_get(f"/control?{query}"))

    def feed_stats(self):
        return json.loads(self.feed_get("/stats"))

    def served_answer(self):
        """The news answer as the feed serves it now (the count includes this request)."""
        return self.feed_get("/HashtableControl.aspx?UniqueID=e2e&SelectedSections=&rand=1")

    def stop_feed(self):
        self.kill_group(self.feed)

    # ---- the widget's files ------------------------------------------------------------

    def write_options(self, extra=""):
        os.makedirs(self.data_dir, exist_ok=True)
        host = f"127.0.0.1:{self.port}"
        text = (f"[server]\nnews={host}\nversion={host}\nlinks={host}\n\n" + extra)
        with open(os.path.join(self.data_dir, "options.ini"), "wb") as f:
            f.write(utf16_ini(text))

    def options(self):
        with open(os.path.join(self.data_dir, "options.ini"), "rb") as f:
            return parse_ini(f.read())

    def news_path(self):
        return os.path.join(self.data_dir, "news.xml")

    def news_bytes(self):
        try:
            with open(self.news_path(), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def convert(self, answer):
        r = subprocess.run([CONVERT], input=answer, capture_output=True, timeout=20)
        if r.returncode != 0:
            raise AssertionError("the converter failed")
        return r.stdout

    # ---- the widget --------------------------------------------------------------------

    def start_widget(self, name="widget", wait=True):
        if not APP or not os.access(APP, os.X_OK):
            raise AssertionError(f"minipelikora not found (MP_APP={APP!r})")
        p = self.spawn(name, [APP], cwd=self.tmp)
        if not wait:
            return p
        return Widget(self, p, self.window_of(p))

    def windows_of(self, p):
        r = self.xdo("search", "--all", "--pid", p.pid, "--name", "^minipelikora$", check=False)
        return [int(x) for x in r.stdout.split()]

    def window_of(self, p, timeout=20):
        def find():
            if p.poll() is not None:
                raise AssertionError(f"minipelikora ended early with {p.returncode}: "
                                     f"{self.log_text('widget')[-2000:]}")
            for wid in self.windows_of(p):
                g = self.geometry(wid)
                if g and g[2:] == (WIN_W, WIN_H) and self.is_viewable(wid):
                    return wid
            return None
        return poll(find, timeout, "the widget's window")

    def geometry(self, wid):
        r = self.xdo("getwindowgeometry", "--shell", wid, check=False)
        if r.returncode != 0:
            return None
        v = dict(line.split("=", 1) for line in r.stdout.decode().split() if "=" in line)
        return (int(v["X"]), int(v["Y"]), int(v["WIDTH"]), int(v["HEIGHT"]))

    def is_viewable(self, wid):
        r = self.run(["xwininfo", "-id", str(wid)], check=False)
        return r.returncode == 0 and b"IsViewable" in r.stdout

    def window_origin(self, wid):
        g = self.geometry(wid)
        return g[0], g[1]

    def move_to(self, x, y):
        # --sync waits for the pointer to move, which never happens when it is already there.
        here = self.xdo("getmouselocation", "--shell").stdout.decode()
        v = dict(line.split("=", 1) for line in here.split() if "=" in line)
        if (int(v["X"]), int(v["Y"])) != (x, y):
            self.xdo("mousemove", "--sync", x, y)

    def click(self, x, y, button=1):
        # Two clicks on one spot within the double-click time would make a double click.
        last = getattr(self, "_last_click", None)
        if last and last[0] == (x, y, button):
            time.sleep(max(0.0, last[1] + DOUBLE_CLICK_GAP - time.monotonic()))
        self.move_to(x, y)
        self.xdo("click", button)
        self._last_click = ((x, y, button), time.monotonic())

    def wait_news(self, timeout=20):
        return poll(self.news_bytes, timeout, "news.xml")

    def wait_feed_requests(self, kind, count, timeout=20):
        return poll(lambda: self.feed_stats()[kind] >= count, timeout,
                    f"{count} {kind} request(s) at the feed server")

    def wait_exit(self, p, timeout=20):
        try:
            return p.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"minipelikora still running after {timeout}s")

    def settled_shot(self, timeout=10, region=None, interval=0.25):
        """A screenshot taken once two consecutive ones agree (animations have ended)."""
        box = region or (0, 0, self.screen[0], self.screen[1])
        prev = self.screenshot()
        deadline = time.monotonic() + timeout
        while True:
            time.sleep(interval)
            shot = self.screenshot()
            if shot.region(*box) == prev.region(*box):
                return shot
            if time.monotonic() >= deadline:
                raise AssertionError("the screen did not settle")
            prev = shot

    def watch_pixel(self, x, y, duration_ms):
        """Starts sampling one screen pixel; call .result() on the returned object later."""
        return PixelWatch(self, x, y, duration_ms)

    def send_message(self, number):
        """Sends a private message to the running widget from another process."""
        return self.run([MPSEND, str(number)], check=False)


class PixelWatch:
    def __init__(self, session, x, y, duration_ms):
        self.proc = session.spawn(f"watch-{x}-{y}", [XPROBE, "watch", str(x), str(y),
                                                     str(duration_ms)], stdout=subprocess.PIPE)
        self.duration = duration_ms / 1000.0

    def result(self):
        out, _ = self.proc.communicate(timeout=self.duration + 20)
        samples = []
        for line in out.decode().splitlines():
            t, r, g, b = (int(v) for v in line.split())
            samples.append((t, (r, g, b)))
        return samples


def desktop_point(origin, point):
    return origin[0] + point[0], origin[1] + point[1]


# A plain openbox set-up: focus follows clicks, new windows are focused, no decorations are
# forced on the widget, and no desktop margins so the work area is the whole screen. Like
# openbox's own defaults, nothing is bound to a plain press in the "Frame" context: such a
# binding grabs the button on the frame and keeps every left click from the client.
OPENBOX_RC = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
  <keyboard></keyboard>
  <mouse><dragThreshold>1</dragThreshold><doubleClickTime>500</doubleClickTime>
    <context name="Client"><mousebind button="Left" action="Press">
      <action name="Focus"/><action name="Raise"/></mousebind>
      <mousebind button="Right" action="Press"><action name="Focus"/></mousebind></context>
  </mouse>
</openbox_config>
"""


# Popup menu rows: 22 pixels high under a 2-pixel border, the first row at the pointer.
MENU_ROW_H, MENU_BORDER = 22, 2
MENU_ABOUT, MENU_OPTIONS, MENU_UPDATE, MENU_CLOSE = range(4)
MENU_AT = (330, 40)  # a right click on the header band, far from the screen's bottom edge
BUSY_AREA = (26, 299, 140, 22)  # throbber and "Güncelleniyor..." on the footer band


class Widget:
    """The running minipelikora and its main window."""

    def __init__(self, session, proc, wid):
        self.s, self.proc, self.wid = session, proc, wid

    def origin(self):
        return self.s.window_origin(self.wid)

    def at(self, point):
        x, y = self.origin()
        return x + point[0], y + point[1]

    def click(self, point, button=1):
        self.s.click(*self.at(point), button=button)

    def popup(self):
        """The geometry of the widget's open popup menu (four rows), or None."""
        r = self.s.xdo("search", "--all", "--onlyvisible", "--pid", self.proc.pid, "--name", "",
                       check=False)
        for wid in (int(v) for v in r.stdout.split()):
            g = self.s.geometry(wid) if wid != self.wid else None
            if g and g[3] >= 4 * MENU_ROW_H and g[2:] != (WIN_W, WIN_H):
                return g
        return None

    def menu(self, row, at=MENU_AT):
        """Right click, then pick a row of the popup menu with the mouse."""
        self.s.click(*self.at(at), button=3)
        x, y, _, _ = poll(self.popup, 10, "the popup menu")
        self.s.click(x + 40, y + MENU_BORDER + MENU_ROW_H * row + MENU_ROW_H // 2)
        poll(lambda: self.popup() is None, 10, "the popup menu to close")

    def shot_region(self, shot, box):
        x, y = self.origin()
        return shot.region(x + box[0], y + box[1], box[2], box[3])

    def pixel(self, shot, point):
        x, y = self.origin()
        return shot.pixel(x + point[0], y + point[1])

    def alive(self):
        return self.proc.poll() is None


def main():
    unittest.main(verbosity=2)
