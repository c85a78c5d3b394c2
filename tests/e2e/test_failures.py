"""A feed that fails in the ways servers do: down, empty, an error page, a stalled answer.
The widget keeps running, its busy state ends, and news.xml changes only when a good (2xx,
non-empty) answer arrived."""

import re
import unittest

import harness as h


def items(doc):
    return re.findall(rb"<n [^>]*/>", doc)


class Failures(unittest.TestCase):
    def setUp(self):
        self.s = h.Session(self)
        self.w = self.s.start_widget()
        self.good = self.s.wait_news()
        self.idle = self.s.settled_shot()
        self.idle_busy = self.w.shot_region(self.idle, h.THROBBER_AREA)

    def refresh(self, release=True):
        """Update from the menu with the feed holding the request until the busy state shows;
        then lets the feed answer (in its mode) unless release is False."""
        s, w = self.s, self.w
        asked = s.feed_stats()["news"]
        s.feed_control(hold=1, target="news")
        w.menu(h.MENU_UPDATE)
        s.wait_feed_requests("news", asked + 1, timeout=10)
        h.poll(lambda: w.shot_region(s.screenshot(), h.THROBBER_AREA) != self.idle_busy, 10,
               "the busy state")
        if release:
            s.feed_control(hold=0, release=1, target="news")

    def wait_not_busy(self, timeout):
        h.poll(lambda: self.w.shot_region(self.s.screenshot(), h.THROBBER_AREA) == self.idle_busy,
               timeout, "the busy state to end")

    def test_empty_answer_and_error_page(self):
        s = self.s
        s.feed_control(mode="empty", target="news")
        self.refresh()
        self.wait_not_busy(10)
        self.assertEqual(s.news_bytes(), self.good)

        # An error page (status 500 with an HTML body) is a failed refresh, not news: the
        # document and the list stay as they were.
        s.feed_control(mode="error", target="news")
        self.refresh()
        self.wait_not_busy(10)
        self.assertEqual(s.news_bytes(), self.good)
        self.assertEqual(self.w.shot_region(s.settled_shot(), h.LIST_AREA),
                         self.w.shot_region(self.idle, h.LIST_AREA))
        self.assertTrue(self.w.alive())

        # A good answer afterwards is taken as before.
        s.feed_control(mode="normal", target="news", items=5)
        self.refresh()
        h.poll(lambda: len(items(s.news_bytes() or b"")) == 5, 10, "the next news")

    def test_server_down(self):
        s, w = self.s, self.w
        # The server goes away while it holds the request: the connection drops unanswered,
        # and the busy state must not stay on.
        self.refresh(release=False)
        s.stop_feed()
        self.wait_not_busy(15)
        self.assertEqual(s.news_bytes(), self.good)
        self.assertTrue(w.alive())
        self.assertEqual(w.shot_region(s.settled_shot(), h.LIST_AREA),
                         w.shot_region(self.idle, h.LIST_AREA))

    def test_connection_closed_without_answer(self):
        s = self.s
        s.feed_control(mode="fail", target="news")
        self.refresh()
        self.wait_not_busy(15)
        self.assertEqual(s.news_bytes(), self.good)
        self.assertTrue(self.w.alive())

    def test_stalled_answer(self):
        s = self.s
        s.feed_control(mode="stall", target="news")
        self.refresh()
        # The answer stops halfway and the connection stays open; the widget gives up on
        # it after its stall limit and must not stay busy.
        self.wait_not_busy(60)
        self.assertTrue(self.w.alive())
        after = s.news_bytes()
        # Only whole items of the served list may show: a cut-off last item would be
        # corrupted news.
        good_items = set(items(self.good))
        self.assertTrue(set(items(after)) <= good_items,
                        "news.xml holds items that the feed never served whole")
        # The widget still takes a good answer afterwards.
        s.feed_control(mode="normal", target="news")
        self.refresh()
        h.poll(lambda: s.news_bytes() == self.good, 15, "the news back")


if __name__ == "__main__":
    h.main()
