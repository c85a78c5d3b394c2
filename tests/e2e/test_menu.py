"""The popup menu and what its commands show: the options view with its check boxes, the
about view with the icon's reflection, and the busy state of a manual refresh."""

import os
import unittest

import harness as h

SHEET_X, SHEET_Y = h.OPTIONS_SHEET
BOX = [(SHEET_X + 40, SHEET_Y + 20 + h.CHECKBOX_STEP * k) for k in range(4)]
STARTUP, ALWAYSTOP, SHOWTRAY, AUTOSCALE = range(4)
ABOUT_X, ABOUT_Y = h.ABOUT_SHEET
ICON = (ABOUT_X + 35, ABOUT_Y + 35, 64, 64)
REFLECTION = (ABOUT_X + 35, ABOUT_Y + 99, 64, 21)


class Menu(unittest.TestCase):
    def setUp(self):
        self.s = h.Session(self)
        self.w = self.s.start_widget()
        self.s.wait_news()
        self.idle = self.s.settled_shot()

    def box(self, shot, k):
        # The middle of the box only: the sheet around it is translucent over the list.
        return self.w.shot_region(shot, (BOX[k][0] + 5, BOX[k][1] + 5, 10, 10))

    def test_options_view_and_check_boxes(self):
        s, w = self.s, self.w
        w.menu(h.MENU_OPTIONS)
        shot = s.settled_shot()
        sheet = (SHEET_X, SHEET_Y + 40, 300, 100)
        self.assertTrue(w.shot_region(shot, sheet) != w.shot_region(self.idle, sheet), "the options sheet did not slide in")
        # A fresh account has every option on, so the four boxes look alike.
        boxes = [self.box(shot, k) for k in range(4)]
        self.assertEqual(len(set(boxes)), 1)

        w.click((BOX[ALWAYSTOP][0] + 10, BOX[ALWAYSTOP][1] + 10))
        opts = h.poll(lambda: s.options().get("options", {}).get("alwaystop") == "0"
                      and s.options(), 10, "alwaystop=0 in options.ini")
        self.assertEqual(opts["options"].get("autoscale"), "1")
        shot = s.settled_shot()
        self.assertNotEqual(self.box(shot, ALWAYSTOP), boxes[STARTUP])
        self.assertEqual(self.box(shot, AUTOSCALE), boxes[STARTUP])
        unchecked = self.box(shot, ALWAYSTOP)

        # The startup box starts checked because the first run wrote the autostart entry; the
        # first click unchecks it and removes the entry, the second checks it and writes it.
        self.assertTrue(os.path.exists(s.autostart))
        w.click((BOX[STARTUP][0] + 10, BOX[STARTUP][1] + 10))
        h.poll(lambda: s.options()["options"].get("startup") == "0", 10, "startup=0")
        self.assertEqual(self.box(s.settled_shot(), STARTUP), unchecked)
        self.assertFalse(os.path.exists(s.autostart))
        w.click((BOX[STARTUP][0] + 10, BOX[STARTUP][1] + 10))
        h.poll(lambda: os.path.exists(s.autostart), 10, "the autostart entry")
        with open(s.autostart, encoding="utf-8") as f:
            entry = f.read()
        self.assertIn("[Desktop Entry]", entry)
        self.assertTrue(f'"{os.path.realpath(h.APP)}"' in entry or f'"{h.APP}"' in entry,
                        f"the entry does not start the quoted program: {entry}")
        self.assertEqual(s.options()["options"].get("startup"), "1")
        # The server section the tests wrote survives the widget's own writes.
        self.assertEqual(s.options()["server"]["news"], f"127.0.0.1:{s.port}")

        # The menu toggles the view shut again.
        w.menu(h.MENU_OPTIONS)
        shot = s.settled_shot()
        self.assertEqual(w.shot_region(shot, h.LIST_AREA), w.shot_region(self.idle, h.LIST_AREA))

    def test_about_view_shows_the_icon_and_its_reflection(self):
        s, w = self.s, self.w
        w.menu(h.MENU_ABOUT)
        shot = s.settled_shot()
        icon = [w.pixel(shot, (ICON[0] + dx, ICON[1] + dy))
                for dy in range(ICON[3]) for dx in range(ICON[2])]
        refl = [w.pixel(shot, (REFLECTION[0] + dx, REFLECTION[1] + dy))
                for dy in range(REFLECTION[3]) for dx in range(REFLECTION[2])]
        sheet = w.pixel(shot, (REFLECTION[0] + 32, REFLECTION[1] + REFLECTION[3] + 12))
        self.assertGreater(sum(not h.near(p, sheet, 6) for p in icon), 1000, "no icon")
        marked = sum(not h.near(p, sheet, 6) for p in refl)
        self.assertGreater(marked, 150, "no reflection under the icon")
        # The reflection fades out downwards: its top row carries more of the icon.
        top = sum(not h.near(w.pixel(shot, (REFLECTION[0] + dx, REFLECTION[1] + 1)), sheet, 6)
                  for dx in range(64))
        bottom = sum(not h.near(w.pixel(shot, (REFLECTION[0] + dx, REFLECTION[1] + 20)),
                                sheet, 6) for dx in range(64))
        self.assertGreater(top, bottom)

        # Options while about is open: the about sheet leaves, the options sheet arrives.
        w.menu(h.MENU_OPTIONS)
        shot = s.settled_shot()
        self.assertEqual(len({self.box(shot, k) for k in range(4)}), 1)
        self.assertTrue(self.box(shot, 0) != self.box(self.idle, 0), "no options sheet")

    def test_update_shows_the_busy_state_while_the_server_is_slow(self):
        s, w = self.s, self.w
        idle = w.shot_region(self.idle, h.THROBBER_AREA)
        asked = s.feed_stats()["news"]
        s.feed_control(hold=1, target="news")
        w.menu(h.MENU_UPDATE)
        s.wait_feed_requests("news", asked + 1, timeout=10)
        h.poll(lambda: w.shot_region(s.screenshot(), h.THROBBER_AREA) != idle, 5,
               "the busy indicator")
        # A second Update while the first is out is dropped, and the busy state stays on.
        w.menu(h.MENU_UPDATE)
        self.assertNotEqual(w.shot_region(s.screenshot(), h.THROBBER_AREA), idle,
                            "the busy state ended while the answer was still held back")
        s.feed_control(hold=0, release=1, target="news")
        h.poll(lambda: w.shot_region(s.screenshot(), h.THROBBER_AREA) == idle, 20,
               "the busy state to end")
        self.assertEqual(s.feed_stats()["news"], asked + 1)
        self.assertTrue(w.alive())


if __name__ == "__main__":
    h.main()
