"""Three sources at once, all on loopback: the alarm server, an RSS 2.0 feed served in
windows-1254 and an Atom feed. One scenario over several steps: the merged list with each
source's label, a 304 that keeps the feeds' items, and failing feeds that keep their items
across a restart of the widget."""

import datetime
import os
import sys
import unittest
import xml.etree.ElementTree as ET

import harness as h

sys.path.insert(0, os.path.join(h.SOURCE_DIR, "tools", "feed"))
import sample_news  # noqa: E402

RSS_NAME = sample_news.FEED_TITLES["rss"]
ATOM_NAME = sample_news.FEED_TITLES["atom"]


def items(doc):
    return [n.attrib for n in ET.fromstring(doc).iter("n")]


def when(item):
    return datetime.datetime.strptime(item["cd"], "%d.%m.%Y %H:%M:%S")


class Feeds(unittest.TestCase):
    def test_three_sources_merge_and_keep_their_items(self):
        s = h.Session(self)
        base = f"http://127.0.0.1:{s.port}"
        s.write_options(f"[feeds]\n1={base}/feed/rss-1254\n2={base}/feed/atom\n")
        w = s.start_widget()

        # Merged newest first; the feeds' items carry their feed's name, the alarm's their
        # sections; the windows-1254 headlines arrive as the Turkish they were.
        doc = items(s.wait_news())
        alarm = items(h.reference_news(s.served_answer()))
        by_label = {}
        for item in doc:
            by_label.setdefault(item["si"], []).append(item["t"])
        self.assertEqual(by_label.get(RSS_NAME),
                         [i["title"] for i in sample_news.feed_items("rss")])
        self.assertEqual(by_label.get(ATOM_NAME),
                         [i["title"] for i in sample_news.feed_items("atom")])
        self.assertEqual(len(doc), len(alarm) + 8)
        self.assertEqual({i["t"] for i in doc if i["si"] not in (RSS_NAME, ATOM_NAME)},
                         {i["t"] for i in alarm})
        dates = [when(i) for i in doc]
        self.assertEqual(dates, sorted(dates, reverse=True))
        self.assertNotIn(doc[0]["si"], (RSS_NAME, ATOM_NAME))  # the alarm's newest is newest

        # The labels are drawn at the right edge of the list, grey on white.
        x, y = w.origin()
        lx, ly, lw, _ = h.LIST_AREA
        shot = h.poll(lambda: s.settled_shot(), 10, "a settled screen")
        grey = shot.count(x + lx + lw - 110, y + ly, 100, 20,
                          lambda p: 60 <= p[0] <= 200 and abs(p[0] - p[2]) <= 12)
        self.assertGreater(grey, 20, "no label ink at the right of the first headline")

        # Asked again, both feeds answer 304 Not Modified to the widget's validators, and their
        # items stay.
        before = s.feed_stats()
        w.menu(h.MENU_UPDATE)
        s.wait_feed_requests("feeds", before["feeds"] + 2, timeout=15)
        h.poll(lambda: s.feed_stats()["not_modified"] >= before["not_modified"] + 2, 10,
               "two 304 answers")
        h.poll(lambda: items(s.news_bytes()) == doc, 10, "the same merged list")

        # The feeds fail (status 500) from now on. The widget closes, its news.xml is gone, and
        # at the next start the feeds' items come back from their records beside the alarm's.
        s.feed_control(feedmode="error")
        w.menu(h.MENU_CLOSE)
        self.assertEqual(s.wait_exit(w.proc, 15), 0)
        records = os.listdir(os.path.join(s.data_dir, "sources"))
        self.assertEqual(len([r for r in records if r.endswith(".json")]), 3, records)
        os.remove(s.news_path())
        asked = s.feed_stats()["feeds"]
        w = s.start_widget("widget-again")
        again = items(s.wait_news())
        self.assertGreaterEqual(s.feed_stats()["feeds"], asked + 2)
        self.assertEqual(again, doc)
        self.assertTrue(w.alive())


if __name__ == "__main__":
    h.main()
