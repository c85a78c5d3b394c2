"""The widget's side of the end-to-end scenarios: a feed server on loopback, the widget's
folders in a fresh home, the real minipelikora on the private desktop of desktop.py, and the
skin's landmarks to check its pictures against.
"""

import json
import os
import subprocess
import sys
import unittest
import urllib.request

# The scenarios reach the desktop's constants and helpers through this module too.
from desktop import ROOT_COLOUR, SCREEN_H, SCREEN_W, Desktop, near, poll, read_file  # noqa: F401

APP = os.environ.get("MP_APP", "")
SOURCE_DIR = os.environ.get(
    "MP_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
MPSEND = os.environ.get("MP_E2E_MPSEND", "")
FEEDSERVER = os.path.join(SOURCE_DIR, "tools", "feed", "feedserver.py")

def reference_news(answer):
    """The local news document for an alarm answer, worked out here rather than by the program:
    records split at U+00F1, fields at "|", items of eight or more fields, markup escaped, XML's
    forbidden controls blanked, the link URL-encoded. The fixtures stay far below the size caps,
    which this leaves out."""
    if not answer:
        return b""
    def text(v):
        v = v.split(b"\0")[0]
        v = v.replace(b"&", b"&amp;").replace(b"<", b"&lt;").replace(b">", b"&gt;")
        v = v.replace(b'"', b"&quot;")
        return bytes(b if b >= 0x20 or b in b"\t\n\r" else 0x20 for b in v)
    def url(v):
        keep = b"*@._-$!'()"
        return b"".join(bytes([b]) if chr(b).isalnum() and b < 0x80 or b in keep else
                        b"+" if b == 0x20 else b"%%%02X" % b for b in v.split(b"\0")[0])
    out = b"\xef\xbb\xbf<?xml version='1.0' encoding='UTF-8'?>\r\n<r>\r\n"
    for record in answer.split("\u00f1".encode()):
        fields = record.split(b"|")
        if fields and fields[-1] == b"":
            fields.pop()
        if len(fields) < 8:
            continue
        label = fields[7]
        if b"Son Dakika" in label:
            label = label[label.index(b"Son Dakika") + len(b"Son Dakika") + 1:]
        out += (b'  <n i="%s" si="%s" t="%s" s="%s" cd="%s" u="%s" />\r\n'
                % (text(fields[0]), text(label), text(fields[2]), text(fields[3]),
                   text(fields[5]), url(fields[6])))
    return out + b"</r>"


WIN_W, WIN_H = 475, 350
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


def is_red(p):
    return p[0] >= 90 and p[1] <= 40 and p[2] <= 40


def is_white(p):
    return min(p) >= 235


def utf16_ini(text):
    return b"\xff\xfe" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-16-le")


def parse_ini(blob):
    """Sections of an options file written by the widget (UTF-16LE with a byte order mark)."""
    text = blob[2:].decode("utf-16-le") if blob.startswith(b"\xff\xfe") else blob.decode("utf-8")
    sections, current = {}, None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].lower(), {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key.strip().lower()] = value.strip()
    return sections


class Session(Desktop):
    """One isolated desktop with its own feed server and the widget's folders, for one test."""

    def __init__(self, test, *, wm=False, compositor=True, tray=False, feed_args=(),
                 write_options=True, screen=(SCREEN_W, SCREEN_H)):
        super().__init__(test, wm=wm, compositor=compositor, tray=tray, screen=screen)
        self.opener_log = os.path.join(self.tmp, "opened.txt")
        self.data_dir = os.path.join(self.data_home, DATA_SUBDIR)
        self.autostart = os.path.join(self.config_home, "autostart", AUTOSTART_NAME)
        self._write_opener_stub()
        self.port = self.start_feed(*feed_args)
        # The built-in feeds are public hosts: a widget started without sources of its own
        # reads this loopback list instead.
        self.default_feeds = os.path.join(self.tmp, "default-feeds.txt")
        with open(self.default_feeds, "w") as f:
            f.write(f"http://127.0.0.1:{self.port}/feed/rss\n")
        self.env["MINIPELIKORA_DEFAULT_FEEDS"] = self.default_feeds
        if write_options:
            self.write_options()

    # ---- links -------------------------------------------------------------------------

    def _write_opener_stub(self):
        # Links must never reach a real browser; the stub records what would have opened.
        stub = os.path.join(self.bin, "xdg-open")
        with open(stub, "w") as f:
            f.write("#!/bin/sh\n"
                    f"printf '%s\\n' \"$*\" >> '{self.opener_log}'\n")
        os.chmod(stub, 0o755)

    def opened_links(self):
        return [line for line in (read_file(self.opener_log) or "").split("\n") if line.strip()]

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
        return read_file(self.news_path(), "rb")

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

    def send_message(self, number):
        """Sends a private message to the running widget from another process."""
        return self.run([MPSEND, str(number)], check=False)


# Popup menu rows: 22 pixels high under a 2-pixel border, the first row at the pointer.
MENU_ROW_H, MENU_BORDER = 22, 2
MENU_ABOUT, MENU_OPTIONS, MENU_UPDATE, MENU_CLOSE = range(4)
MENU_AT = (330, 40)  # a right click on the header band, far from the screen's bottom edge
# The throbber alone: the footer's text beside it may show a new time after a refresh.
THROBBER_AREA = (26, 301, 18, 18)


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
        return shot.region(*self.at(box[:2]), box[2], box[3])

    def pixel(self, shot, point):
        return shot.pixel(*self.at(point))

    def alive(self):
        return self.proc.poll() is None


def main():
    unittest.main(verbosity=2)
