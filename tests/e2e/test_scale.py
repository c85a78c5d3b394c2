"""The widget on a desktop scaled to 2x: its window has twice the size, and a click at twice a
point of the 1x card reaches the element that point reaches at 1x (a headline, the menu's rows,
a check box of the options view)."""

import unittest

import harness as h

S = 2


def scaled(point):
    return point[0] * S, point[1] * S


class Scaled(unittest.TestCase):
    def test_clicks_reach_the_same_elements_as_at_1x(self):
        s = h.Session(self, screen=(2048, 1536))
        s.env["GDK_SCALE"] = str(S)
        p = s.start_widget(wait=False)

        def window():
            for wid in s.windows_of(p):
                g = s.geometry(wid)
                if g and g[2:] == (h.WIN_W * S, h.WIN_H * S) and s.is_viewable(wid):
                    return wid
            return None
        w = h.Widget(s, p, h.poll(window, 20, "the widget's window at twice the size"))
        s.wait_news()
        s.settled_shot()

        # The first headline's text, near the list's top-left corner.
        w.click(scaled((h.LIST_AREA[0] + 20, h.LIST_AREA[1] + 8)))
        links = h.poll(s.opened_links, 10, "a link opened by the headline")
        self.assertEqual(len(links), 1)
        self.assertTrue(links[0].startswith("http"), links)

        # The menu opens where the header is right-clicked, and its rows are where they are
        # drawn: the second opens the options view, whose second box turns "always on top" off.
        s.click(*w.at(scaled(h.MENU_AT)), button=3)
        x, y, _, height = h.poll(w.popup, 10, "the popup menu")
        self.assertGreaterEqual(height, 4 * h.MENU_ROW_H * S)
        row = h.MENU_OPTIONS
        s.click(x + 40 * S, y + S * (h.MENU_BORDER + h.MENU_ROW_H * row + h.MENU_ROW_H // 2))
        h.poll(lambda: w.popup() is None, 10, "the popup menu to close")
        s.settled_shot()
        box = (h.OPTIONS_SHEET[0] + 50, h.OPTIONS_SHEET[1] + 30 + h.CHECKBOX_STEP)
        w.click(scaled(box))
        h.poll(lambda: s.options().get("options", {}).get("alwaystop") == "0", 10,
               "alwaystop=0 in options.ini")
        self.assertEqual(s.options()["options"].get("autoscale"), "1")
        self.assertTrue(w.alive())


if __name__ == "__main__":
    h.main()
