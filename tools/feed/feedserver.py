#!/usr/bin/env python3
"""Demo feed server for Mini Pelikora: serves the news feed and the version document on
loopback, with switchable failure modes so tests and the demo can drive the widget.

  GET /HashtableControl.aspx?...   the news answer (any query is accepted)
  GET /minipelikora.xml            <data><version>...</version></data>
  GET /feed/rss                    standard feed: RSS 2.0 in UTF-8
  GET /feed/rss-1254               the same RSS 2.0 in windows-1254 (declared in the XML
                                   declaration and the Content-Type header)
  GET /feed/atom                   standard feed: Atom 1.0 (links relative to its xml:base)
  GET /feed/json                   standard feed: JSON Feed 1.1
  GET / and GET /page              a web page that advertises the RSS feed, then the Atom feed
                                   (<link rel="alternate">), as a news site's front page does
  GET /page/plain                  a web page that advertises no feed
  GET /control?key=value&...       change behaviour at run time; answers the state as JSON
  GET /stats                       JSON request counters and the recent request log

The standard feeds carry other stories than the news answer, a third of the sample each, and
answer like a well-kept publisher: an ETag and Last-Modified on every answer and 304 Not
Modified to a matching If-None-Match (or, without one, If-Modified-Since); a gzip body when
Accept-Encoding allows it. Query flags on a feed path: throttle=SECONDS answers 429 Too Many
Requests with that Retry-After; maxage=SECONDS adds Cache-Control: max-age.

Control keys: mode=normal|slow|fail|empty|error|stall (target=news|version|all, default
all), feedmode=the same modes for the standard feeds, delay=SECONDS (for slow), hold=1|0
(requests to the target wait for a release before their mode applies), release=1 (lets go of
every request held or slowed at that moment), rotate=N
(each news answer moves the list on by N items, 0 = off), items=N (serve only the first N
items, 0 = all, the feeds included), throttle=SECONDS (every feed answers 429 with that
Retry-After, 0 = off), version=TEXT, reset=1 (back to the start-up settings, counters cleared;
applied before the other keys).
"""

import argparse
import copy
import datetime
import email.utils
import gzip
import hashlib
import json
import os
import select
import signal
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from xml.sax.saxutils import escape

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sample_news  # noqa: E402

NEWS_PATH = "/hashtablecontrol.aspx"
FEED_PATHS = {"/feed/rss": ("rss", "utf-8"), "/feed/rss-1254": ("rss", "windows-1254"),
              "/feed/atom": ("atom", "utf-8"), "/feed/json": ("json", "utf-8")}
VERSION_PATH = "/minipelikora.xml"
PAGE_PATHS = ("/", "/page")
PLAIN_PAGE_PATH = "/page/plain"
MODES = ("normal", "slow", "fail", "empty", "error", "stall")
TARGETS = ("news", "version")
LOG_LENGTH = 100

ERROR_PAGE = (b"<!DOCTYPE html>\r\n<html><head><title>Runtime Error</title></head>\r\n"
              b"<body><h1>Server Error in '/' Application.</h1>\r\n"
              b"<p>An unhandled exception occurred during the execution of the current web "
              b"request.</p></body></html>\r\n")


class Feed:
    """Behaviour settings and counters, shared by all request threads."""

    def __init__(self, settings):
        self.lock = threading.Lock()
        self.stopping = threading.Event()
        # Set by a release; each request holds the gate that was current when it came.
        self.gate = threading.Event()
        self.initial = settings
        self.records = sample_news.records(settings.get("copies", 1))
        self._reset()

    def _reset(self):
        self.settings = copy.deepcopy(self.initial)
        self.offset = 0
        self.stats = {"news": 0, "version": 0, "feeds": 0, "not_modified": 0, "control": 0,
                      "pages": 0, "other": 0, "log": []}

    def count(self, kind, request_line):
        with self.lock:
            self.stats[kind] += 1
            if kind == "not_modified":
                return None
            self.stats["log"] = (self.stats["log"] + [request_line])[-LOG_LENGTH:]
            return {**copy.deepcopy(self.settings), "gate": self.gate}

    def snapshot(self):
        with self.lock:
            return {**copy.deepcopy(self.settings), "offset": self.offset}

    def stats_json(self):
        with self.lock:
            return json.dumps(self.stats, ensure_ascii=False)

    def apply(self, query):
        """Applies control keys all or nothing; returns an error text or None."""
        with self.lock:
            reset = query.get("reset") == "1"
            new = copy.deepcopy(self.initial if reset else self.settings)
            targets = TARGETS
            if "target" in query:
                if query["target"] not in TARGETS + ("all",):
                    return f"unknown target {query['target']!r}"
                targets = TARGETS if query["target"] == "all" else (query["target"],)
            if "mode" in query:
                if query["mode"] not in MODES:
                    return f"unknown mode {query['mode']!r}"
                for t in targets:
                    new["mode"][t] = query["mode"]
            if "hold" in query:
                if query["hold"] not in ("0", "1"):
                    return "hold must be 0 or 1"
                for t in targets:
                    new["hold"][t] = query["hold"] == "1"
            if "feedmode" in query:
                if query["feedmode"] not in MODES:
                    return f"unknown mode {query['feedmode']!r}"
                new["feedmode"] = query["feedmode"]
            for key in ("delay", "rotate", "items", "throttle"):
                if key in query:
                    try:
                        value = float(query[key]) if key == "delay" else int(query[key])
                    except ValueError:
                        value = -1
                    if value < 0:
                        return f"{key} must be a number of at least 0"
                    new[key] = value
            if "version" in query:
                new["version"] = query["version"]
            if query.get("release") == "1":
                self.gate.set()
                self.gate = threading.Event()
            if reset:
                self._reset()
            if new["rotate"] != self.settings["rotate"] or new["items"] != self.settings["items"]:
                self.offset = 0
            self.settings = new
            return None

    def news_body(self):
        with self.lock:
            shown = self.records[self.offset:] + self.records[:self.offset]
            self.offset = (self.offset + self.settings["rotate"]) % len(self.records)
            limit = self.settings["items"]
        return sample_news.encode(shown[:limit] if limit else shown)

    def feed_items(self, fmt):
        with self.lock:
            limit = self.settings["items"]
        items = sample_news.feed_items(fmt)
        return items[:limit] if limit else items

    @staticmethod
    def version_body(version):
        return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<data>\r\n"
                f"  <version>{escape(version)}</version>\r\n</data>\r\n").encode("utf-8")


def rss_body(items, charset):
    parts = [f'<?xml version="1.0" encoding="{charset}"?>\n<rss version="2.0">\n<channel>\n'
             f"<title>{escape(sample_news.FEED_TITLES['rss'])}</title>\n"
             f"<link>{sample_news.FEED_HOST}/</link>\n"]
    for item in items:
        parts.append("<item>"
                     f"<title><![CDATA[{item['title']}]]></title>"
                     f"<link>{escape(item['link'])}</link>"
                     f"<description>{escape(item['summary'])}</description>"
                     f"<pubDate>{email.utils.format_datetime(item['date'])}</pubDate>"
                     f"<guid>{escape(item['id'])}</guid>"
                     "</item>\n")
    parts.append("</channel>\n</rss>\n")
    return "".join(parts).encode(charset)


def atom_body(items):
    newest = max((i["date"] for i in items), default=sample_news.FEED_NEWEST)
    parts = ['<?xml version="1.0" encoding="utf-8"?>\n'
             f'<feed xmlns="http://www.w3.org/2005/Atom" xml:base="{sample_news.FEED_HOST}/">\n'
             f"<title>{escape(sample_news.FEED_TITLES['atom'])}</title>\n"
             f"<id>{sample_news.FEED_HOST}/atom</id>\n"
             f"<updated>{newest.isoformat()}</updated>\n"]
    for item in items:
        parts.append("<entry>"
                     f"<title>{escape(item['title'])}</title>"
                     f'<link rel="alternate" type="text/html" href="{escape(item["link"][1:])}"/>'
                     f"<id>{escape(item['id'])}</id>"
                     f"<updated>{item['date'].isoformat()}</updated>"
                     f'<summary type="html">{escape(item["summary"])}</summary>'
                     "</entry>\n")
    parts.append("</feed>\n")
    return "".join(parts).encode("utf-8")


def json_body(items):
    utc = datetime.timezone.utc
    feed = {
        "version": "https://jsonfeed.org/version/1.1",
        "title": sample_news.FEED_TITLES["json"],
        "home_page_url": sample_news.FEED_HOST + "/",
        "items": [{
            "id": item["id"],
            "url": sample_news.FEED_HOST + item["link"],
            "title": item["title"],
            "content_html": item["summary"],
            "date_published": item["date"].astimezone(utc).isoformat().replace("+00:00", "Z"),
        } for item in items],
    }
    return json.dumps(feed, ensure_ascii=False, indent=1).encode("utf-8")


FEED_TYPES = {"rss": "application/rss+xml", "atom": "application/atom+xml",
              "json": "application/feed+json"}


def page_body(advertise):
    """A small front page; with advertise, its head announces the RSS and Atom feeds."""
    links = ""
    if advertise:
        links = ("<link rel=\"alternate\" type=\"application/rss+xml\" "
                 f"title=\"{escape(sample_news.FEED_TITLES['rss'])}\" href=\"/feed/rss\">\n"
                 "<link rel=\"alternate\" type=\"application/atom+xml\" "
                 f"title=\"{escape(sample_news.FEED_TITLES['atom'])}\" href=\"/feed/atom\">\n")
    return ("<!DOCTYPE html>\n<html lang=\"tr\"><head><meta charset=\"utf-8\">\n"
            "<title>Pelikora Haber</title>\n" + links +
            "</head><body><h1>Pelikora Haber</h1>\n"
            "<p>Son dakika haberleri için kaynağımızı okuyucunuza ekleyin.</p>\n"
            "</body></html>\n").encode("utf-8")


def feed_answer(fmt, charset, items):
    """Body, Content-Type and Last-Modified of one feed answer."""
    if fmt == "rss":
        body = rss_body(items, charset)
    elif fmt == "atom":
        body = atom_body(items)
    else:
        body = json_body(items)
    newest = max((i["date"] for i in items), default=sample_news.FEED_NEWEST)
    return (body, f"{FEED_TYPES[fmt]}; charset={charset}",
            email.utils.format_datetime(newest.astimezone(datetime.timezone.utc), usegmt=True))


def accepts_gzip(header):
    for part in (header or "").split(","):
        name, _, params = part.strip().partition(";")
        if name.strip().lower() in ("gzip", "x-gzip", "*"):
            q = params.strip()
            return not (q.startswith("q=") and float(q[2:] or 0) == 0)
    return False


def etag_matches(header, etag):
    if header is None:
        return False
    tags = [t.strip() for t in header.split(",")]
    return "*" in tags or any(t.removeprefix("W/") == etag for t in tags)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FeedServer/1.0"
    feed = None  # set by main

    def log_message(self, format, *args):
        pass  # tests read /stats; a chatty stderr only hides real failures

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        path = url.path.lower()
        if path == NEWS_PATH:
            settings = self.feed.count("news", self.requestline)
            self.serve(settings, "news", "text/plain; charset=utf-8", self.feed.news_body)
        elif path == VERSION_PATH:
            settings = self.feed.count("version", self.requestline)
            self.serve(settings, "version", "text/xml; charset=utf-8",
                       lambda: Feed.version_body(settings["version"]))
        elif path in FEED_PATHS:
            settings = self.feed.count("feeds", self.requestline)
            query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
            self.serve_feed(settings, query, *FEED_PATHS[path])
        elif path in PAGE_PATHS or path == PLAIN_PAGE_PATH:
            self.feed.count("pages", self.requestline)
            self.reply(200, "text/html; charset=utf-8", page_body(path != PLAIN_PAGE_PATH))
        elif path == "/control":
            self.feed.count("control", self.requestline)
            query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
            error = self.feed.apply(query)
            if error:
                self.reply(400, "text/plain; charset=utf-8", error.encode("utf-8") + b"\n")
            else:
                self.reply_json(json.dumps(self.feed.snapshot()))
        elif path == "/stats":
            self.feed.count("other", self.requestline)
            self.reply_json(self.feed.stats_json())
        else:
            self.feed.count("other", self.requestline)
            self.reply(404, "text/plain; charset=utf-8", b"not found\n")

    def serve_feed(self, settings, query, fmt, charset):
        throttle = query.get("throttle", settings["throttle"])
        try:
            throttle = int(throttle)
        except ValueError:
            throttle = 0
        if throttle > 0:
            body = b"Too many requests; come back later.\n"
            self.send_response(429)
            self.send_header("Content-Type", "text/plain; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Retry-After", str(throttle))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)
            self.close_connection = True
            return
        items = self.feed.feed_items(fmt)
        body, content_type, last_modified = feed_answer(fmt, charset, items)
        if settings["feedmode"] != "normal":
            self.serve(settings, None, content_type, lambda: body, settings["feedmode"])
            return
        etag = '"' + hashlib.sha1(body).hexdigest()[:16] + '"'
        extra = [("ETag", etag), ("Last-Modified", last_modified)]
        if "maxage" in query and query["maxage"].isdigit():
            extra.append(("Cache-Control", f"max-age={query['maxage']}"))
        if_none_match = self.headers.get("If-None-Match")
        since = self.headers.get("If-Modified-Since")
        fresh = etag_matches(if_none_match, etag)
        if if_none_match is None and since:
            try:
                fresh = email.utils.parsedate_to_datetime(since) >= \
                    email.utils.parsedate_to_datetime(last_modified)
            except (TypeError, ValueError):
                fresh = False
        if fresh:
            self.feed.count("not_modified", self.requestline)
            self.send_response(304)
            for name, value in extra:
                self.send_header(name, value)
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            return
        if accepts_gzip(self.headers.get("Accept-Encoding")):
            body = gzip.compress(body, mtime=0)
            extra += [("Content-Encoding", "gzip"), ("Vary", "Accept-Encoding")]
        self.reply(200, content_type, body, extra)

    def serve(self, settings, target, content_type, make_body, mode=None):
        mode = mode or settings["mode"][target]
        if target and settings["hold"][target] and self.hold(float("inf"), settings["gate"]):
            self.close_connection = True
            return
        if mode == "fail":
            self.close_connection = True
        elif mode == "empty":
            self.reply(200, content_type, b"")
        elif mode == "error":
            self.reply(500, "text/html; charset=utf-8", ERROR_PAGE)
        elif mode == "stall":
            self.stall(content_type, make_body())
        else:
            if mode == "slow" and self.hold(settings["delay"], settings["gate"]):
                self.close_connection = True
                return
            self.reply(200, content_type, make_body())

    def hold(self, delay, gate):
        """Waits out a slow answer's delay or its release; True when the server stops first."""
        deadline = time.monotonic() + delay
        while not gate.is_set():
            left = deadline - time.monotonic()
            if left <= 0:
                break
            if self.feed.stopping.wait(min(left, 0.05)):
                return True
        return self.feed.stopping.is_set()

    def reply_json(self, text):
        self.reply(200, "application/json; charset=utf-8", text.encode("utf-8") + b"\n")

    def reply(self, status, content_type, body, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        if not any(name == "Cache-Control" for name, _ in extra):
            self.send_header("Cache-Control", "no-cache")
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def stall(self, content_type, body):
        """Promises the whole body, sends half, then waits for the client or the stop."""
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:len(body) // 2])
        self.wfile.flush()
        self.close_connection = True
        while not self.feed.stopping.is_set():
            readable, _, _ = select.select([self.connection], [], [], 0.2)
            if readable:
                try:
                    if not self.connection.recv(4096):
                        return  # the client gave up
                except OSError:
                    return


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # A client that hangs up mid-answer is normal here (timeouts, stalls).
        if not isinstance(sys.exc_info()[1], (ConnectionError, socket.timeout)):
            super().handle_error(request, client_address)


def parse_args(argv):
    p = argparse.ArgumentParser(description="Demo news feed and version server on 127.0.0.1.")
    p.add_argument("--port", type=int, default=8080, help="port to listen on; 0 picks a free one")
    p.add_argument("--port-file", help="write the port number to this file once listening")
    p.add_argument("--version", default="1.0", help="version in /minipelikora.xml")
    p.add_argument("--mode", choices=MODES, default="normal", help="start-up behaviour")
    p.add_argument("--target", choices=TARGETS + ("all",), default="all",
                   help="which endpoint --mode applies to")
    p.add_argument("--delay", type=float, default=5.0, help="seconds of delay in slow mode")
    p.add_argument("--rotate", type=int, default=0, help="items to rotate per news answer")
    p.add_argument("--items", type=int, default=0, help="serve only the first N items")
    p.add_argument("--copies", type=int, default=1,
                   help="serve the news items this many times over, each copy with its own ids")
    args = p.parse_args(argv)
    for name in ("delay", "rotate", "items"):
        if getattr(args, name) < 0:
            p.error(f"--{name} must be at least 0")
    if args.copies < 1:
        p.error("--copies must be at least 1")
    return args


def main(argv=None):
    args = parse_args(argv)
    targets = TARGETS if args.target == "all" else (args.target,)
    settings = {
        "mode": {t: (args.mode if t in targets else "normal") for t in TARGETS},
        "hold": {t: False for t in TARGETS},
        "delay": args.delay, "rotate": args.rotate, "items": args.items,
        "version": args.version, "feedmode": "normal", "throttle": 0, "copies": args.copies,
    }
    feed = Feed(settings)
    Handler.feed = feed
    try:
        server = Server(("127.0.0.1", args.port), Handler)
    except OSError as e:
        print(f"feedserver: cannot listen on 127.0.0.1:{args.port}: {e.strerror}", file=sys.stderr)
        return 1
    port = server.server_address[1]
    if args.port_file:
        # Written whole under another name first, so a reader never sees a partial number.
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(f"{port}\n")
        os.replace(tmp, args.port_file)
    print(f"listening on {port}", flush=True)

    def stop(signum, frame):
        feed.stopping.set()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2})
    serving.start()
    while not feed.stopping.wait(0.5):
        pass
    server.shutdown()
    serving.join()
    server.server_close()
    if args.port_file:
        try:
            os.remove(args.port_file)
        except OSError:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
