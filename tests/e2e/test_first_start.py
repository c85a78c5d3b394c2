"""First start on a fresh account: the widget fades in centred on the work area with its icon,
shows the feed's news within seconds, draws its skin, and keeps exactly the document the
feed's answer makes (worked out by the harness's own reference)."""

import os
import unittest

import harness as h


def fade_steps(samples, start, end):
    """Distinct colours seen strictly between the first and the last one of a fade."""
    colours = [c for _, c in samples]
    if not colours or not h.near(colours[0], start, 4) or not h.near(colours[-1], end, 8):
        return None
    return len({c for c in colours[1:-1]})


class FirstStart(unittest.TestCase):
    def test_fades_in_centred_and_shows_the_news(self):
        s = h.Session(self, wm=True)
        # The widget is not there yet; its first position is the centre of the work area
        # (the whole screen here: the window manager reserves no panels).
        cx, cy = (h.SCREEN_W - h.WIN_W) // 2, (h.SCREEN_H - h.WIN_H) // 2
        body = h.BODY_WHITE[0]
        watch = s.watch_pixel(cx + body[0], cy + body[1], 6000)
        w = s.start_widget()
        self.assertEqual(s.geometry(w.wid), (cx, cy, h.WIN_W, h.WIN_H))
        # The program's mark as drawn for each size, for the desktop's taskbar and switcher.
        self.assertEqual(s.window_icon_sizes(w.wid),
                         [(n, n) for n in (16, 22, 24, 32, 48, 64, 128)])

        samples = watch.result()
        steps = fade_steps(samples, h.ROOT_COLOUR, (255, 255, 255))
        self.assertIsNotNone(steps, f"desktop to white body expected, saw {samples[:3]}..."
                                    f"{samples[-3:]}")
        self.assertGreaterEqual(steps, 5, f"no gradual fade-in: {samples}")
        reds = [c[0] for _, c in samples]
        self.assertEqual(reds, sorted(reds), "the fade-in went backwards")

        news = s.wait_news(timeout=15)
        self.assertEqual(news, h.reference_news(s.served_answer()))

        shot = h.poll(lambda: self._drawn_list(s, w), 10, "headlines in the list")
        for p in h.HEADER_RED:
            self.assertTrue(h.is_red(w.pixel(shot, p)), f"header at {p}: {w.pixel(shot, p)}")
        for p in h.BODY_WHITE:
            self.assertTrue(h.is_white(w.pixel(shot, p)), f"body at {p}: {w.pixel(shot, p)}")
        for p in h.MARGIN:
            self.assertTrue(h.near(w.pixel(shot, p), h.ROOT_COLOUR, 3),
                            f"margin at {p} is not transparent: {w.pixel(shot, p)}")
        self.assertTrue(w.alive())

    @staticmethod
    def _drawn_list(s, w):
        """A settled screenshot once the list area holds dark blue headline text."""
        x, y = w.origin()
        lx, ly, lw, lh = h.LIST_AREA
        shot = s.settled_shot(region=(x + lx, y + ly, lw, lh))
        headline = shot.count(x + lx, y + ly, lw, lh,
                              lambda p: p[2] >= 100 and p[0] <= 90 and p[2] - p[0] >= 60)
        return shot if headline >= 200 else None

    def test_last_news_shown_before_the_feed_answers(self):
        s = h.Session(self)
        # A document from an earlier run, as the widget would have written it.
        old = h.reference_news(s.served_answer())
        s.feed_control(mode="slow", target="news", delay=30)
        os.makedirs(s.data_dir, exist_ok=True)
        with open(s.news_path(), "wb") as f:
            f.write(old)
        w = s.start_widget()
        h.poll(lambda: self._drawn_list(s, w), 10, "the stored headlines")
        # The widget's request is held for 30 s, so what shows came from the stored file.
        self.assertEqual(s.news_bytes(), old)
        self.assertTrue(w.alive())


if __name__ == "__main__":
    h.main()
