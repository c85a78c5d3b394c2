"""A private X desktop for one end-to-end test: Xvfb with an optional window manager,
compositing manager and tray host, a fresh home, processes started in their own process groups
and killed with them when the test ends, input through xdotool and screenshots read as plain
RGB. The widget's own side (its feed, files and windows) is harness.py.

Waiting is always polling against a deadline, never a bare sleep.
"""

import os
import random
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

XPROBE = os.environ.get("MP_E2E_XPROBE", "")

SCREEN_W, SCREEN_H = 1024, 768
DOUBLE_CLICK_GAP = 0.8  # seconds; longer than any double-click time the desktop may set
ROOT_COLOUR = (46, 92, 138)  # a desktop blue no skin pixel has


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
        m = re.match(rb"P6\s+(?:#[^\n]*\n\s*)*(\d+)\s+(?:#[^\n]*\n\s*)*(\d+)\s+"
                     rb"(?:#[^\n]*\n\s*)*255\s", blob)
        if not m:
            raise ValueError("not an 8-bit binary PPM")
        w, h = int(m.group(1)), int(m.group(2))
        return cls(w, h, blob[m.end():m.end() + 3 * w * h])

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def region(self, x, y, w, h):
        """The raw bytes of a rectangle, for comparing two shots of the same place."""
        starts = (3 * (yy * self.width + x) for yy in range(y, y + h))
        return Pixels(b"".join(self.data[i:i + 3 * w] for i in starts))

    def count(self, x, y, w, h, predicate):
        return sum(1 for yy in range(y, y + h) for xx in range(x, x + w)
                   if predicate(self.pixel(xx, yy)))


def near(a, b, tol=12):
    return all(abs(p - q) <= tol for p, q in zip(a, b))


def read_file(path, mode="r"):
    """A file's content (text read leniently), or None while there is no such file."""
    try:
        with open(path, mode, errors=None if "b" in mode else "replace") as f:
            return f.read()
    except FileNotFoundError:
        return None



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



class Desktop:
    """One isolated X desktop with its own home folders, for one test."""

    def __init__(self, test, *, wm=False, compositor=True, tray=False,
                 screen=(SCREEN_W, SCREEN_H)):
        self.test = test
        self.procs = []   # (name, Popen), stopped in reverse order
        self.tmp = tempfile.mkdtemp(prefix="mp-e2e-")
        test.addCleanup(self.close)
        self.logs = os.path.join(self.tmp, "logs")
        self.home = os.path.join(self.tmp, "home")
        self.bin = os.path.join(self.tmp, "bin")
        for d in (self.logs, self.home, self.bin):
            os.makedirs(d)
        self.data_home = os.path.join(self.home, ".local", "share")
        self.config_home = os.path.join(self.home, ".config")
        self.runtime_dir = os.path.join(self.tmp, "run")
        os.makedirs(self.runtime_dir, mode=0o700)
        self.screen = screen
        self.display = None
        self.env = self._base_env()
        self.start_x(wm=wm, compositor=compositor, tray=tray)

    # ---- environment -------------------------------------------------------------------

    def _base_env(self):
        env = {k: v for k, v in os.environ.items()
               if k in ("PATH", "LANG", "LC_ALL", "TZ", "ASAN_OPTIONS", "UBSAN_OPTIONS",
                        "LSAN_OPTIONS", "MINIPELIKORA_NETWORK_GUARD")}
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
        # SIGTERM first, then SIGKILL for the stragglers of the group as well.
        for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 5)):
            if sig == signal.SIGTERM and p.poll() is not None:
                continue
            try:
                os.killpg(p.pid, sig)
            except ProcessLookupError:
                pass
            try:
                p.wait(wait)
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
        return read_file(os.path.join(self.logs, f"{name}.log")) or ""

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
            # "shadows": the compositor also draws a soft shadow around every window it can.
            self.spawn("xcompmgr", ["xcompmgr"] + (["-c"] if compositor == "shadows" else []))
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

    def activate_other_window(self, geometry="+20+650", title="other"):
        """Starts a small ordinary client window and clicks into it, so the widget loses the
        activation."""
        self.spawn(f"xmessage-{title}", ["xmessage", "-name", title, "-title", title, "-geometry",
                                         geometry, "-buttons", "ok", "andere pencere"])

        def find():
            ids = self.xdo("search", "--name", f"^{title}$", check=False).stdout.split()
            return int(ids[0]) if ids else None
        wid = poll(find, 15, f"the window {title}")
        self.click(*[v + 10 for v in self.window_origin(wid)])
        return wid

    # ---- windows and input --------------------------------------------------------------

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

    def window_icon_sizes(self, wid):
        """The sizes of the pictures in a window's _NET_WM_ICON, in order."""
        r = self.run([XPROBE, "icons", str(wid)], check=False)
        return [tuple(int(v) for v in line.split("x"))
                for line in r.stdout.decode().split()] if r.returncode == 0 else []


class PixelWatch:
    def __init__(self, session, x, y, duration_ms):
        self.proc = session.spawn(f"watch-{x}-{y}", [XPROBE, "watch", str(x), str(y),
                                                     str(duration_ms)], stdout=subprocess.PIPE)
        self.duration = duration_ms / 1000.0

    def result(self):
        out, _ = self.proc.communicate(timeout=self.duration + 20)
        rows = ([int(v) for v in line.split()] for line in out.decode().splitlines())
        return [(t, (r, g, b)) for t, r, g, b in rows]


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


