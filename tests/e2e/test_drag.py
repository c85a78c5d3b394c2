"""Dragging the widget by its background, snapping to the work-area edges, and the position
coming back after a restart."""

import unittest

import harness as h

GRIP = (300, 40)  # the header band: background, not the list


class Drag(unittest.TestCase):
    def drag(self, w, dx, dy, steps=8):
        s = w.s
        x, y = w.at(GRIP)
        s.move_to(x, y)
        s.xdo("mousedown", "1")
        for i in range(1, steps + 1):
            s.move_to(x + dx * i // steps, y + dy * i // steps)
        s.xdo("mouseup", "1")

    def wait_origin(self, w, expected):
        return h.poll(lambda: w.origin() == expected, 10, f"the window at {expected}")

    def test_drag_snaps_and_the_position_survives_a_restart(self):
        s = h.Session(self)
        w = s.start_widget()
        s.wait_news()
        x0, y0 = w.origin()

        self.drag(w, 100, 50)
        self.wait_origin(w, (x0 + 100, y0 + 50))

        # Dropped 5 pixels short of the right edge: it lands on the edge.
        x1, y1 = w.origin()
        self.drag(w, (h.SCREEN_W - h.WIN_W - 5) - x1, 0)
        self.wait_origin(w, (h.SCREEN_W - h.WIN_W, y1))
        # Dropped 8 pixels short of the top edge: it stays where it was dropped.
        x2, y2 = w.origin()
        self.drag(w, 0, 8 - y2)
        self.wait_origin(w, (x2, 8))
        # Within 7 pixels of the top: it lands on the top edge.
        self.drag(w, 0, -3)
        self.wait_origin(w, (x2, 0))
        final = w.origin()

        w.menu(h.MENU_CLOSE)
        self.assertEqual(s.wait_exit(w.proc), 0)
        opts = s.options()["general"]
        self.assertEqual((int(opts["left"]), int(opts["top"])), final)

        again = s.start_widget(name="widget-again")
        self.assertEqual(again.origin(), final)
        self.assertTrue(again.alive())


if __name__ == "__main__":
    h.main()
