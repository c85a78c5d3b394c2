"""The card's edges on desktops that blend nothing or that draw shadows of their own: without a
compositing manager the card is drawn over the wallpaper (following the widget when it moves and
the wallpaper when it changes); under a compositor that shadows windows no dark box stands
around the invisible margin, neither at full size nor behind the shrunk picture."""

import os
import unittest

import harness as h

GRIP = (300, 40)      # the header band: background, not the list
SHADOW = (18, 175)    # the card's own soft shadow, left of its edge; alpha 71 of 255
SHADOW_KEEP = (255 - 71) / 255
OUTSIDE = (-8, 175)   # left of the window, where a compositor's shadow would fall
SMALL_W, SMALL_H = 119, 87


def write_tile(path, w=13, h_=11):
    """A small wallpaper tile whose neighbouring pixels all differ, so a picture put together
    one pixel off shows."""
    rows = bytearray()
    for y in range(h_):
        for x in range(w):
            rows += bytes((40 + 15 * x, 60 + 13 * y, 120 + 5 * (x + y)))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h_) + bytes(rows))


def shaded(p, keep):
    return tuple(round(c * keep) for c in p)


class CardEdges(unittest.TestCase):
    def assert_over(self, w, shot, under):
        """The margin shows exactly what lies under it, the shadow a darkening of it."""
        for p in h.MARGIN:
            sx, sy = w.at(p)
            self.assertEqual(w.pixel(shot, p), under(sx, sy), f"margin at {p}")
        sx, sy = w.at(SHADOW)
        expected = shaded(under(sx, sy), SHADOW_KEEP)
        self.assertTrue(h.near(w.pixel(shot, SHADOW), expected, 3),
                        f"shadow {w.pixel(shot, SHADOW)}, expected about {expected}")

    def test_without_a_compositor_the_card_sits_on_the_wallpaper(self):
        s = h.Session(self, wm=True, compositor=False)
        tile = os.path.join(s.tmp, "tile.ppm")
        write_tile(tile)
        s.run(["hsetroot", "-tile", tile])
        wallpaper = s.screenshot()
        self.assertNotEqual(wallpaper.pixel(0, 0), wallpaper.pixel(1, 0))

        w = s.start_widget()
        s.wait_news()
        self.assert_over(w, s.settled_shot(), wallpaper.pixel)

        # Dragged elsewhere, the card is put together over the wallpaper of its new place.
        x0, y0 = w.origin()
        gx, gy = w.at(GRIP)
        s.move_to(gx, gy)
        s.xdo("mousedown", "1")
        for i in range(1, 7):
            s.move_to(gx + 61 * i // 6, gy + 37 * i // 6)
        s.xdo("mouseup", "1")
        h.poll(lambda: w.origin() == (x0 + 61, y0 + 37), 10, "the dragged window")
        self.assert_over(w, s.settled_shot(), wallpaper.pixel)

        # A new wallpaper shows under the card at once.
        s.run(["hsetroot", "-solid", "#c08040"])
        h.poll(lambda: w.pixel(s.screenshot(), h.MARGIN[0]) == (0xC0, 0x80, 0x40), 10,
               "the new wallpaper in the margin")
        self.assert_over(w, s.settled_shot(), lambda x, y: (0xC0, 0x80, 0x40))
        self.assertTrue(w.alive())

    def test_a_shadowing_compositor_leaves_no_dark_box(self):
        s = h.Session(self, wm=True, compositor="shadows")
        w = s.start_widget()
        s.wait_news()
        shot = s.settled_shot()
        for p in h.MARGIN + [OUTSIDE]:
            self.assertTrue(h.near(w.pixel(shot, p), h.ROOT_COLOUR, 3),
                            f"dark box at {p}: {w.pixel(shot, p)}")
        self.assertTrue(h.near(w.pixel(shot, SHADOW), shaded(h.ROOT_COLOUR, SHADOW_KEEP), 3))

        # Shrunk into its corner, the picture leaves nothing behind in the rest of the window.
        s.activate_other_window()

        def shrunk():
            shot = s.settled_shot()
            return shot if h.is_red(w.pixel(shot, (300 * SMALL_W // 475, 40 * SMALL_H // 350))) else None
        shot = h.poll(shrunk, 10, "the picture shrunk to the top-left")
        for p in [(237, 200), (SMALL_W + 20, SMALL_H // 2), (SMALL_W // 2, SMALL_H + 20),
                  (470, 345), OUTSIDE]:
            self.assertTrue(h.near(w.pixel(shot, p), h.ROOT_COLOUR, 3),
                            f"dark box behind the small picture at {p}: {w.pixel(shot, p)}")


if __name__ == "__main__":
    h.main()
