"""Sources added and removed as a person does, on the real widget: links dragged from a source
that speaks XDND as a browser does (a page advertising two feeds, words that are no link, a
source that never hands its data over, a drag over the shrunk card), a link pasted with xclip
and Ctrl+V, and the command line with and without a running widget, racing the widget's own
save."""

import json
import os
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET

import harness as h
from autoscale_probe import SMALL_H, SMALL_W, grown, shrunk

sys.path.insert(0, os.path.join(h.SOURCE_DIR, "tools", "feed"))
import sample_news  # noqa: E402

XDND = os.environ.get("MP_E2E_XDND", "")
# The forms of a link Firefox offers, more than three, so they go through XdndTypeList.
BROWSER_TYPES = ["text/x-moz-url", "text/x-moz-url-data", "text/x-moz-url-desc",
                 "text/uri-list", "text/_moz_htmlcontext", "text/html", "UTF8_STRING",
                 "text/plain"]


def feeds(s):
    return list(s.options().get("feeds", {}).values())


def labels(s):
    doc = s.news_bytes()
    return {n.attrib["si"] for n in ET.fromstring(doc).iter("n")} if doc else set()


class Sources(unittest.TestCase):
    def drag(self, s, points, text, types=("text/x-moz-url",), window=None, never_answer=False):
        argv = [XDND]
        for t in types:
            argv += ["--type", t]
        if window:
            argv += ["--window", str(window)]
        if never_answer:
            argv.append("--never-answer")
        argv += [f"{x},{y}" for x, y in points] + [text]
        return json.loads(s.run(argv, timeout=30).stdout)

    def cli(self, s, *args, display=True, check_code=None):
        env = dict(s.env)
        if not display:
            env.pop("DISPLAY", None)
        r = subprocess.run([h.APP, *args], env=env, capture_output=True, timeout=60,
                           stdin=subprocess.DEVNULL)
        if check_code is not None:
            self.assertEqual(r.returncode, check_code, r.stderr.decode(errors="replace"))
        return r

    def test_links_dropped_and_pasted_on_the_card(self):
        s = h.Session(self, wm=True)
        base = f"http://127.0.0.1:{s.port}"
        w = s.start_widget()
        s.wait_news()
        h.poll(lambda: grown(w), 10, "the full-size widget")
        inside = w.at((200, 150))

        # Words are no link: the drop is taken, then reported as failed, and nothing is added.
        r = self.drag(s, [inside], "Son dakika: deprem", types=["text/plain"])
        self.assertEqual(r["statuses"], [[1, 1]])
        self.assertTrue(r["finished"])
        self.assertFalse(r["accepted"])
        self.assertEqual(feeds(s), [])

        # Sent straight to the window, a position over its transparent margin is refused and
        # one over the card accepted. The front page's first advertised feed is added; of the
        # browser's many forms the widget reads the URI list.
        r = self.drag(s, [w.at(h.MARGIN[0]), inside], f"{base}/page", types=BROWSER_TYPES,
                      window=w.wid)
        self.assertEqual(r["statuses"], [[0, 0], [1, 1]])
        self.assertEqual(r["requested"], "text/uri-list")
        self.assertTrue(r["accepted"])
        h.poll(lambda: feeds(s) == [f"{base}/feed/rss"], 15, "the RSS feed in options.ini")
        # Five seconds later the refresh brings its headlines, labelled with its name.
        h.poll(lambda: sample_news.FEED_TITLES["rss"] in labels(s), 20, "the feed's headlines")

        # A source that never hands its data over: the widget gives up, says so to the source,
        # and goes on.
        r = self.drag(s, [inside], f"{base}/feed/atom", never_answer=True)
        self.assertTrue(r["dropped"])
        self.assertEqual(r["requested"], "text/x-moz-url")
        self.assertTrue(r["finished"])
        self.assertFalse(r["accepted"])
        self.assertTrue(2000 <= r["ms"] <= 8000, r["ms"])
        self.assertEqual(feeds(s), [f"{base}/feed/rss"])
        self.assertTrue(w.alive())

        # Pasted: xclip holds the clipboard, Ctrl+V on the card takes it.
        clip = os.path.join(s.tmp, "clip.txt")
        with open(clip, "w") as f:
            f.write(f"{base}/feed/atom\n")
        s.spawn("xclip", ["xclip", "-selection", "clipboard", "-quiet", clip])
        h.poll(lambda: s.run(["xclip", "-selection", "clipboard", "-o"], check=False).stdout,
               10, "the clipboard")
        w.click((200, 40))
        s.xdo("key", "--clearmodifiers", "ctrl+v")
        h.poll(lambda: feeds(s) == [f"{base}/feed/rss", f"{base}/feed/atom"], 15,
               "the pasted feed in options.ini")

        # Shrunk while another window is active, the card grows back under a drag that comes
        # over its small picture, and the drop lands on the full card.
        s.activate_other_window()
        h.poll(lambda: shrunk(w, (0, 0)), 10, "the picture shrunk to the top-left")
        r = self.drag(s, [w.at((SMALL_W // 2, SMALL_H // 2)), w.at((300, 250))],
                      f"{base}/feed/json")
        self.assertEqual(r["target"], w.wid)
        self.assertEqual(r["statuses"], [[1, 1], [1, 1]])
        self.assertTrue(r["accepted"])
        h.poll(lambda: grown(w), 10, "the picture grown back")
        h.poll(lambda: len(feeds(s)) == 3, 15, "the JSON feed in options.ini")
        self.assertTrue(w.alive())

    def test_command_line_with_and_without_the_widget(self):
        s = h.Session(self)
        base = f"http://127.0.0.1:{s.port}"

        # No display at all: the file verbs work, the widget's do not.
        r = self.cli(s, "--list-feeds", display=False, check_code=0)
        self.assertEqual(r.stdout, b"")  # the alarm server alone
        r = self.cli(s, "--add-feed", f"{base}/", display=False, check_code=0)
        self.assertIn(b"added " + sample_news.FEED_TITLES["rss"].encode(), r.stdout)
        r = self.cli(s, "--list-feeds", display=False, check_code=0)
        self.assertEqual(r.stdout.decode(),
                         f"{base}/feed/rss\t{sample_news.FEED_TITLES['rss']}\n")
        r = self.cli(s, "--refresh", display=False, check_code=1)
        self.assertEqual(r.stderr.count(b"\n"), 1)
        r = self.cli(s, "--add-feed", "gopher://x", display=False, check_code=2)
        self.assertTrue(r.stderr.startswith(b"usage: minipelikora --add-feed URL"))
        self.cli(s, "--quit", check_code=1)  # a display, but no widget on it

        # With the widget: what the command line adds shows in the list, --refresh asks again.
        s.write_options(f"[general]\nleft=100\ntop=120\n\n[feeds]\n1={base}/feed/rss\n")
        w = s.start_widget()
        s.wait_news()
        self.cli(s, "--add-feed", f"{base}/feed/atom", check_code=0)
        h.poll(lambda: sample_news.FEED_TITLES["atom"] in labels(s), 20,
               "the Atom feed's headlines")
        asked = s.feed_stats()["news"]
        self.cli(s, "--refresh", check_code=0)
        s.wait_feed_requests("news", asked + 1, timeout=15)

        # Two --add-feed at the moment the widget saves its position and options on --quit:
        # each writer takes the file as the others left it, so nothing is lost. The file lost
        # its [general] section behind the widget's back, so only the widget's save brings it.
        opts = s.options()
        with open(os.path.join(s.data_dir, "options.ini"), "wb") as f:
            f.write(h.utf16_ini(f"[server]\nnews={opts['server']['news']}\n\n[feeds]\n" +
                                "".join(f"{k}={v}\n" for k, v in opts["feeds"].items())))
        env = dict(s.env)
        racers = [subprocess.Popen([h.APP, "--add-feed", f"{base}/feed/json?n={n}"], env=env,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   stdin=subprocess.DEVNULL) for n in (1, 2)]
        self.cli(s, "--quit", check_code=0)
        for p in racers:
            out, err = p.communicate(timeout=60)
            self.assertEqual(p.returncode, 0, err)
        self.assertEqual(s.wait_exit(w.proc, 20), 0)
        after = s.options()
        listed = feeds(s)
        self.assertEqual(listed[:2], [f"{base}/feed/rss", f"{base}/feed/atom"])
        self.assertEqual(sorted(listed[2:]), [f"{base}/feed/json?n=1", f"{base}/feed/json?n=2"])
        self.assertEqual((after["general"]["left"], after["general"]["top"]), ("100", "120"))
        self.assertEqual(after["server"]["news"], opts["server"]["news"])

        # Exported and imported again into an empty list, the same feeds come back.
        opml = os.path.join(s.tmp, "feeds.opml")
        self.cli(s, "--export-opml", opml, display=False, check_code=0)
        for url in feeds(s):
            self.cli(s, "--remove-feed", url, display=False, check_code=0)
        self.assertEqual(feeds(s), [])
        r = self.cli(s, "--import-opml", opml, display=False, check_code=0)
        self.assertIn(b"added 4 feeds", r.stdout)
        self.assertEqual(len(feeds(s)), 4)


if __name__ == "__main__":
    h.main()
