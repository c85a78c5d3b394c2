#!/usr/bin/env python3
"""Drives the demo feed server as a subprocess over loopback HTTP."""

import gzip
import http.client
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "feedserver.py")
NEWS = ("/HashtableControl.aspx?UniqueID=5a1c07d3e82b964f10ac7e35d2b891"
        "&SelectedSections=-1%2C2%2C3%2C4%2C5%2C6%2C12%2C13%2C14%2C27%2C28%2C29%2C30%2C342%2C"
        "&rand=2147483647")
SECTION_IDS = ["24927681", "24927412", "24927361", "24928011", "24927532", "24927482",
               "25042599", "24928008", "24928015", "24996390", "24927997", "24928019"]


def start(*args):
    proc = subprocess.Popen([sys.executable, SERVER, "--port", "0", *args],
                            stdout=subprocess.PIPE, text=True)
    match = re.fullmatch(r"listening on (\d+)\n", proc.stdout.readline())
    if not match:
        proc.kill()
        raise RuntimeError("feed server did not report its port")
    return proc, int(match.group(1))


def stop(proc):
    proc.send_signal(signal.SIGTERM)
    code = proc.wait(timeout=10)
    proc.stdout.close()
    return code


def get(port, path, timeout=5):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
    try:
        conn.request("GET", path)
        resp = conn.getresponse()
        return resp.status, resp.read()
    finally:
        conn.close()


def fetch(port, path, headers=None):
    """Status, headers (lower-case names) and raw body of one request."""
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
    try:
        conn.request("GET", path, headers=headers or {})
        resp = conn.getresponse()
        return resp.status, {k.lower(): v for k, v in resp.getheaders()}, resp.read()
    finally:
        conn.close()


ATOM = "{http://www.w3.org/2005/Atom}"


def feed_titles(fmt, body):
    """Feed title and item titles of one standard feed answer."""
    if fmt == "json":
        doc = json.loads(body)
        return doc["title"], [item["title"] for item in doc["items"]]
    root = ET.fromstring(body)
    if fmt == "atom":
        return (root.findtext(ATOM + "title"),
                [e.findtext(ATOM + "title") for e in root.findall(ATOM + "entry")])
    return (root.findtext("channel/title"),
            [i.findtext("title") for i in root.findall("channel/item")])


def section_of(label):
    """The widget's reading of the label field: text 11 bytes past "Son Dakika", if any."""
    at = label.find(b"Son Dakika")
    return label if at < 0 else label[at + 11:]


class FeedServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.proc, cls.port = start()

    @classmethod
    def tearDownClass(cls):
        stop(cls.proc)

    def setUp(self):
        self.control("reset=1")

    def control(self, query):
        status, body = get(self.port, "/control?" + query)
        self.assertEqual(status, 200, body)
        return json.loads(body)

    def news(self):
        status, body = get(self.port, NEWS)
        self.assertEqual(status, 200)
        return body

    def ids(self):
        return [r.split(b"|")[0] for r in self.news().split(b"\xc3\xb1")]

    def test_records_have_the_fields_the_widget_reads(self):
        body = self.news()
        text = body.decode("utf-8")  # raises on invalid UTF-8
        records = body.split(b"\xc3\xb1")
        self.assertTrue(25 <= len(records) <= 40, len(records))
        self.assertEqual(text.count("\u00f1"), len(records) - 1)
        seen_ids, sections = set(), set()
        for record in records:
            fields = record.split(b"|")
            self.assertEqual(len(fields), 8, record)
            item_id, _, title, summary, _, date, link, label = fields
            self.assertRegex(item_id, rb"^\d+$")
            self.assertNotIn(item_id, seen_ids)
            seen_ids.add(item_id)
            self.assertTrue(title and summary)
            self.assertRegex(date, rb"^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d$")
            self.assertRegex(link, rb"^http://haber\.pelikora\.example/\S+$")
            section = section_of(label).decode()
            self.assertIn(section, SECTION_IDS, label)
            sections.add(section)
        self.assertEqual(sections, set(SECTION_IDS))
        titles = [r.split(b"|")[2].decode() for r in records]
        self.assertTrue(any(len(t) > 100 for t in titles))
        for char in ('"', "&", "'"):
            self.assertTrue(any(char in t for t in titles), char)
        for char in "ğüşıİöç":
            self.assertIn(char, text)

    def test_any_query_gets_the_same_news(self):
        full = self.news()
        for path in ("/HashtableControl.aspx", "/hashtablecontrol.aspx?x=1&rand=5"):
            self.assertEqual(get(self.port, path), (200, full))
        self.assertEqual(get(self.port, "/nothing")[0], 404)

    def test_version_document(self):
        def version():
            status, body = get(self.port, "/minipelikora.xml")
            self.assertEqual(status, 200)
            return ET.fromstring(body).findtext("version")

        self.assertEqual(version(), "1.0")
        self.control("version=1.1")
        self.assertEqual(version(), "1.1")
        self.control("version=%3C2%26")
        self.assertEqual(version(), "<2&")

    def test_failure_modes(self):
        self.control("mode=empty")
        self.assertEqual(get(self.port, NEWS), (200, b""))
        self.control("mode=error")
        status, body = get(self.port, NEWS)
        self.assertEqual(status, 500)
        self.assertIn(b"<html>", body)
        self.assertNotIn(b"\xc3\xb1", body)
        self.control("mode=fail")
        with self.assertRaises(http.client.RemoteDisconnected):
            get(self.port, NEWS)
        self.control("mode=normal")
        self.assertGreater(len(self.news()), 1000)

    def test_target_limits_a_mode_to_one_endpoint(self):
        self.control("mode=error&target=version")
        self.assertEqual(get(self.port, "/minipelikora.xml")[0], 500)
        self.assertGreater(len(self.news()), 1000)

    def test_slow_mode_holds_the_answer_back(self):
        self.control("mode=slow&delay=3")
        with self.assertRaises(socket.timeout):
            get(self.port, NEWS, timeout=0.3)
        self.control("delay=0.1")
        self.assertGreater(len(self.news()), 1000)
        # A release answers a held request at once, however long its delay.
        self.control("delay=600")
        asked = json.loads(get(self.port, "/stats")[1])["news"]
        held = []
        t = threading.Thread(target=lambda: held.append(get(self.port, NEWS, timeout=60)))
        t.start()
        deadline = time.monotonic() + 20
        while (json.loads(get(self.port, "/stats")[1])["news"] == asked
               and time.monotonic() < deadline):
            time.sleep(0.05)
        self.control("release=1")
        t.join(30)
        self.assertEqual(held[0][0], 200)

    def test_stall_sends_part_and_keeps_serving_others(self):
        full = self.news()
        self.control("mode=stall&target=news")
        with socket.create_connection(("127.0.0.1", self.port), timeout=0.5) as sock:
            sock.sendall(f"GET {NEWS} HTTP/1.1\r\nHost: x\r\n\r\n".encode())
            received = b""
            with self.assertRaises(socket.timeout):
                while True:
                    chunk = sock.recv(65536)
                    self.assertTrue(chunk, "stalled answer was closed")
                    received += chunk
            head, _, body = received.partition(b"\r\n\r\n")
            self.assertIn(f"Content-Length: {len(full)}".encode(), head)
            self.assertTrue(0 < len(body) < len(full))
            self.assertTrue(full.startswith(body))
            # The stalled request must not block the others.
            self.assertEqual(get(self.port, "/minipelikora.xml")[0], 200)

    def test_rotation_and_item_limit(self):
        first = self.ids()
        self.assertEqual(self.ids(), first)
        self.control("rotate=1")
        a, b = self.ids(), self.ids()
        self.assertEqual(a, first)
        self.assertEqual(b, first[1:] + first[:1])
        self.control("rotate=0&items=3")
        self.assertEqual(self.ids(), first[:3])

    def test_stats_count_every_news_and_version_request(self):
        self.news()
        self.control("mode=fail&target=news")
        with self.assertRaises(http.client.RemoteDisconnected):
            get(self.port, NEWS)
        get(self.port, "/minipelikora.xml")
        stats = json.loads(get(self.port, "/stats")[1])
        self.assertEqual((stats["news"], stats["version"]), (2, 1))
        self.assertIn("GET " + NEWS + " HTTP/1.1", stats["log"])
        self.control("reset=1")
        stats = json.loads(get(self.port, "/stats")[1])
        self.assertEqual((stats["news"], stats["version"]), (0, 0))

    def test_bad_control_changes_nothing(self):
        before = self.control("mode=empty")
        for query in ("mode=bogus", "delay=-1", "rotate=x", "target=all&mode=slow&items=-2",
                      "target=nowhere&mode=normal"):
            self.assertEqual(get(self.port, "/control?" + query)[0], 400, query)
        self.assertEqual(self.control(""), before)


class StandardFeedTest(unittest.TestCase):
    PATHS = {"rss": "/feed/rss", "atom": "/feed/atom", "json": "/feed/json"}

    @classmethod
    def setUpClass(cls):
        cls.proc, cls.port = start()

    @classmethod
    def tearDownClass(cls):
        stop(cls.proc)

    def setUp(self):
        self.assertEqual(get(self.port, "/control?reset=1")[0], 200)

    def test_three_formats_share_out_the_stories_and_1254_says_the_same(self):
        seen = []
        news_body = get(self.port, NEWS)[1].decode("utf-8")
        for fmt, path in self.PATHS.items():
            status, headers, body = fetch(self.port, path)
            self.assertEqual(status, 200, path)
            self.assertIn("charset=utf-8", headers["content-type"])
            title, items = feed_titles(fmt, body)
            self.assertEqual(title, {"rss": "Pelikora RSS Haber", "atom": "Pelikora Atom Haber",
                                     "json": "Pelikora JSON Haber"}[fmt])
            self.assertGreaterEqual(len(items), 3)
            seen += items
            for item in items:
                self.assertNotIn(item, news_body)  # other stories than the alarm's
        self.assertEqual(len(seen), len(set(seen)))
        self.assertEqual(len(seen), 12)

        status, headers, legacy = fetch(self.port, "/feed/rss-1254")
        self.assertEqual(status, 200)
        self.assertIn("charset=windows-1254", headers["content-type"])
        self.assertTrue(legacy.startswith(b'<?xml version="1.0" encoding="windows-1254"?>'))
        with self.assertRaises(UnicodeDecodeError):
            legacy.decode("utf-8")
        self.assertIn("ş".encode("cp1254"), legacy)
        self.assertEqual(feed_titles("rss", legacy),
                         feed_titles("rss", fetch(self.port, "/feed/rss")[2]))

    def test_front_page_advertises_the_rss_then_the_atom_feed(self):
        for path in ("/", "/page"):
            status, headers, body = fetch(self.port, path)
            self.assertEqual(status, 200)
            self.assertIn("text/html", headers["content-type"])
            links = re.findall(r'<link rel="alternate" type="([^"]+)" title="[^"]*" '
                               r'href="([^"]+)">', body.decode("utf-8"))
            self.assertEqual(links, [("application/rss+xml", "/feed/rss"),
                                     ("application/atom+xml", "/feed/atom")])
        status, _, plain = fetch(self.port, "/page/plain")
        self.assertEqual(status, 200)
        self.assertNotIn(b"alternate", plain)

    def test_etag_and_last_modified_answer_304(self):
        status, headers, body = fetch(self.port, "/feed/atom")
        etag, modified = headers["etag"], headers["last-modified"]
        self.assertRegex(etag, r'^"[0-9a-f]{16}"$')
        for conditional in ({"If-None-Match": etag}, {"If-None-Match": f'"x", W/{etag}'},
                            {"If-Modified-Since": modified}):
            status, headers, again = fetch(self.port, "/feed/atom", conditional)
            self.assertEqual((status, again), (304, b""), conditional)
            self.assertEqual(headers["etag"], etag)
        for stale in ({"If-None-Match": '"other"'},
                      {"If-Modified-Since": "Mon, 01 Jan 2024 00:00:00 GMT"},
                      {"If-None-Match": '"other"', "If-Modified-Since": modified}):
            self.assertEqual(fetch(self.port, "/feed/atom", stale)[::2], (200, body), stale)
        # Another representation has another tag.
        self.assertNotEqual(fetch(self.port, "/feed/rss-1254")[1]["etag"],
                            fetch(self.port, "/feed/rss")[1]["etag"])
        stats = json.loads(get(self.port, "/stats")[1])
        self.assertEqual(stats["not_modified"], 3)
        self.assertEqual(stats["feeds"], 9)

    def test_gzip_only_when_asked(self):
        plain = fetch(self.port, "/feed/json")[2]
        status, headers, packed = fetch(self.port, "/feed/json",
                                        {"Accept-Encoding": "deflate, gzip"})
        self.assertEqual(headers.get("content-encoding"), "gzip")
        self.assertEqual(int(headers["content-length"]), len(packed))
        self.assertEqual(gzip.decompress(packed), plain)
        for header in ("gzip;q=0", "identity", "br"):
            status, headers, body = fetch(self.port, "/feed/json", {"Accept-Encoding": header})
            self.assertNotIn("content-encoding", headers, header)
            self.assertEqual(body, plain, header)

    def test_throttling_failures_and_limits(self):
        status, headers, _ = fetch(self.port, "/feed/rss?throttle=120")
        self.assertEqual((status, headers["retry-after"]), (429, "120"))
        self.assertEqual(fetch(self.port, "/feed/rss?maxage=300")[1]["cache-control"],
                         "max-age=300")
        self.assertEqual(get(self.port, "/control?throttle=7")[0], 200)
        for path in list(self.PATHS.values()) + ["/feed/rss-1254"]:
            status, headers, _ = fetch(self.port, path)
            self.assertEqual((status, headers["retry-after"]), (429, "7"), path)
        self.assertGreater(len(self.news_answer()), 1000)  # the alarm is not throttled
        self.assertEqual(get(self.port, "/control?throttle=0&feedmode=error")[0], 200)
        self.assertEqual(fetch(self.port, "/feed/atom")[0], 500)
        self.assertEqual(get(self.port, "/control?feedmode=normal&items=1")[0], 200)
        for fmt, path in self.PATHS.items():
            self.assertEqual(len(feed_titles(fmt, fetch(self.port, path)[2])[1]), 1, path)
        self.assertEqual(get(self.port, "/control?feedmode=bogus")[0], 400)

    def news_answer(self):
        return get(self.port, NEWS)[1]


class StartUpTest(unittest.TestCase):
    def test_flags_set_the_start_and_reset_state_and_sigterm_ends_a_stall(self):
        with tempfile.TemporaryDirectory() as tmp:
            port_file = os.path.join(tmp, "port")
            proc, port = start("--port-file", port_file, "--version", "2.0",
                               "--mode", "stall", "--target", "version", "--items", "2")
            try:
                with open(port_file) as f:
                    self.assertEqual(int(f.read()), port)
                status, body = get(port, "/control?version=3.0&mode=normal&reset=1")
                self.assertEqual(json.loads(body)["version"], "3.0")
                self.assertEqual(json.loads(body)["mode"], {"news": "normal", "version": "normal"})
                get(port, "/control?reset=1")
                status, body = get(port, NEWS)
                self.assertEqual(body.count(b"\xc3\xb1"), 1)
                sock = socket.create_connection(("127.0.0.1", port), timeout=5)
                sock.sendall(b"GET /minipelikora.xml HTTP/1.1\r\nHost: x\r\n\r\n")
                self.assertIn(b"200 OK", sock.recv(65536))
            finally:
                code = stop(proc)
            self.assertEqual(code, 0)
            # The stalled answer is closed by the stop, not left hanging.
            while sock.recv(65536):
                pass
            sock.close()
            self.assertFalse(os.path.exists(port_file))


if __name__ == "__main__":
    unittest.main()
