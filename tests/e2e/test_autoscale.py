"""Automatic scaling: another window taking the activation shrinks the widget's picture into
the corner of its quarter of the work area; activating the widget grows it back."""

import unittest

import harness as h

from autoscale_probe import SMALL_H, SMALL_W, grown, shrunk


class AutoScale(unittest.TestCase):
    def shrunk(self, w, corner_origin):
        return shrunk(w, corner_origin)

    def grown(self, w):
        return grown(w)

    def test_shrinks_on_deactivation_and_grows_on_a_click(self):
        s = h.Session(self, wm=True)
        w = s.start_widget()
        s.wait_news()
        h.poll(lambda: self.grown(w), 10, "the full-size widget")
        # Centred on a 1024x768 work area the widget's top-left point lies in the upper-left
        # quarter, so the picture goes to the window's top-left corner.
        s.activate_other_window()
        h.poll(lambda: self.shrunk(w, (0, 0)), 10, "the picture shrunk to the top-left")
        self.assertEqual(s.geometry(w.wid)[2:], (h.WIN_W, h.WIN_H))  # the window keeps its size

        w.click((SMALL_W // 2, SMALL_H // 2))
        h.poll(lambda: self.grown(w), 10, "the picture grown back")
        self.assertTrue(w.alive())

    def test_lower_right_quarter_shrinks_into_the_bottom_right_corner(self):
        s = h.Session(self, wm=True)
        s.write_options("[general]\nleft=540\ntop=400\n")
        w = s.start_widget()
        s.wait_news()
        self.assertEqual(w.origin(), (540, 400))
        h.poll(lambda: self.grown(w), 10, "the full-size widget")
        s.activate_other_window("+20+20")
        h.poll(lambda: self.shrunk(w, (h.WIN_W - SMALL_W, h.WIN_H - SMALL_H)), 10,
               "the picture shrunk to the bottom-right")

    def test_switched_off_the_widget_keeps_its_size(self):
        s = h.Session(self, wm=True)
        s.write_options("[options]\nautoscale=0\n")
        w = s.start_widget()
        s.wait_news()
        h.poll(lambda: self.grown(w), 10, "the full-size widget")
        other = s.activate_other_window()
        h.poll(lambda: s.xdo("getactivewindow").stdout.strip() == str(other).encode(), 10,
               "the other window active")
        self.assertIsNotNone(self.grown(w))


if __name__ == "__main__":
    h.main()
