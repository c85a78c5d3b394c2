"""Closing from the menu: the widget fades out, its tray icon leaves the tray, options.ini
keeps the position and the options, and the process ends with 0."""

import unittest

import harness as h

SHEET_X, SHEET_Y = h.OPTIONS_SHEET
SHOWTRAY_BOX = (SHEET_X + 40 + 10, SHEET_Y + 20 + 2 * h.CHECKBOX_STEP + 10)
AUTOSCALE_BOX = (SHEET_X + 40 + 10, SHEET_Y + 20 + 3 * h.CHECKBOX_STEP + 10)


class Close(unittest.TestCase):
    def test_close_from_the_menu(self):
        s = h.Session(self, tray=True)
        s.write_options("[general]\nleft=100\ntop=120\n")
        w = s.start_widget()
        s.wait_news()
        h.poll(s.tray_has_icon, 10, "the tray icon")

        # The tray check box takes the icon out of the tray and puts it back.
        w.menu(h.MENU_OPTIONS)
        s.settled_shot()
        w.click(SHOWTRAY_BOX)
        h.poll(lambda: not s.tray_has_icon(), 10, "the tray icon to leave")
        w.click(SHOWTRAY_BOX)
        h.poll(s.tray_has_icon, 10, "the tray icon to come back")
        w.click(AUTOSCALE_BOX)
        h.poll(lambda: s.options()["options"].get("autoscale") == "0", 10, "autoscale=0")
        w.menu(h.MENU_OPTIONS)
        s.settled_shot()

        x, y = w.at(h.BODY_WHITE[0])
        watch = s.watch_pixel(x, y, 4000)
        w.menu(h.MENU_CLOSE)
        self.assertEqual(s.wait_exit(w.proc, 15), 0)
        samples = watch.result()
        colours = [c for _, c in samples]
        self.assertTrue(h.near(colours[-1], h.ROOT_COLOUR, 4), samples[-3:])
        self.assertGreaterEqual(len(set(colours[1:-1])), 5, f"no gradual fade-out: {samples}")
        self.assertFalse(s.tray_has_icon())
        self.assertTrue(s.selection_owner("_NET_SYSTEM_TRAY_S0") != 0, "the tray host died")

        opts = s.options()
        self.assertEqual((opts["general"]["left"], opts["general"]["top"]), ("100", "120"))
        self.assertEqual(opts["options"], {"alwaystop": "1", "autoscale": "0", "showtray": "1",
                                           "startup": "1"})
        self.assertEqual(opts["server"]["version"], f"127.0.0.1:{s.port}")


if __name__ == "__main__":
    h.main()
