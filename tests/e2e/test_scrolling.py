"""Moving through the list with the wheel, the keys and the thumb, and opening a headline."""

import re
import unittest
import urllib.parse

import harness as h

THUMB_X = h.SCROLLER_X - 30 + 1 + 9      # middle of the thumb, viewport-relative
LIST_POINT = (200, 180)                  # a point over the list for the wheel


class Scrolling(unittest.TestCase):
    def setUp(self):
        self.s = h.Session(self)
        self.w = self.s.start_widget()
        self.s.wait_news()
        self.first = h.poll(self._list_drawn, 15, "the headlines")

    def _list_drawn(self):
        shot = self.s.settled_shot()
        x, y = self.w.origin()
        lx, ly, lw, lh = h.LIST_AREA
        blue = shot.count(x + lx, y + ly, lw, lh,
                          lambda p: p[2] >= 100 and p[0] <= 90 and p[2] - p[0] >= 60)
        return shot if blue >= 200 else None

    def list_pixels(self, shot):
        return self.w.shot_region(shot, h.LIST_AREA)

    def changed_after(self, action, before):
        action()
        shot = self.s.settled_shot()
        self.assertTrue(self.list_pixels(shot) != self.list_pixels(before), "the list did not move")
        return shot

    def test_wheel_keys_and_thumb_move_the_list(self):
        s, w = self.s, self.w
        x, y = w.at(LIST_POINT)
        s.move_to(x, y)
        after_wheel = self.changed_after(lambda: s.xdo("click", "--repeat", "3", "5"),
                                         self.first)
        # Back up with the wheel: three notches each way return to the first picture.
        s.xdo("click", "--repeat", "3", "4")
        self.assertEqual(self.list_pixels(s.settled_shot()), self.list_pixels(self.first))

        # A press on the thumb gives it the keyboard focus without scrolling.
        w.click((THUMB_X + 30, h.VIEWPORT[1] + 10))
        self.assertEqual(self.list_pixels(s.settled_shot()), self.list_pixels(self.first))
        page = self.changed_after(lambda: s.xdo("key", "Next"), self.first)
        self.assertNotEqual(self.list_pixels(page), self.list_pixels(after_wheel))
        end = self.changed_after(lambda: s.xdo("key", "End"), page)
        # At the end, Page Down has nowhere to go.
        s.xdo("key", "Next")
        self.assertEqual(self.list_pixels(s.settled_shot()), self.list_pixels(end))
        home = self.changed_after(lambda: s.xdo("key", "Home"), end)
        self.assertEqual(self.list_pixels(home), self.list_pixels(self.first))

        # Dragging the thumb down by 60 pixels moves the list; the thumb follows the pointer.
        gx, gy = w.at((THUMB_X + 30, h.VIEWPORT[1] + 20))
        s.move_to(gx, gy)
        s.xdo("mousedown", "1")
        for step in range(1, 7):
            s.move_to(gx, gy + 10 * step)
        s.xdo("mouseup", "1")
        dragged = s.settled_shot()
        self.assertNotEqual(self.list_pixels(dragged), self.list_pixels(home))
        self.assertNotEqual(w.shot_region(dragged, (h.SCROLLER_X - 0, h.VIEWPORT[1], 20, 213)),
                            w.shot_region(home, (h.SCROLLER_X - 0, h.VIEWPORT[1], 20, 213)))
        self.assertEqual(s.opened_links(), [], "scrolling opened a link")
        self.assertTrue(w.alive())

    def test_clicking_a_headline_opens_its_link(self):
        s, w = self.s, self.w
        doc = s.news_bytes().decode("utf-8-sig")
        first = re.search(r'<n [^>]*\bu="([^"]*)"', doc)
        self.assertIsNotNone(first)
        link = urllib.parse.unquote_plus(first.group(1).replace("&amp;", "&"))
        # The first headline starts at the list's top-left corner.
        w.click((h.LIST_AREA[0] + 12, h.LIST_AREA[1] + 7))
        opened = h.poll(s.opened_links, 10, "the opener to run")
        self.assertEqual(opened, [link])
        self.assertTrue(link.startswith("http://"))


class ClickUnderAWindowManager(unittest.TestCase):
    def test_headline_click_opens_the_link_with_a_window_manager_running(self):
        s = h.Session(self, wm=True)
        w = s.start_widget()
        s.wait_news()
        s.settled_shot()
        w.click((h.LIST_AREA[0] + 12, h.LIST_AREA[1] + 7))
        opened = h.poll(s.opened_links, 10, "the opener to run")
        self.assertEqual(len(opened), 1)


if __name__ == "__main__":
    h.main()
