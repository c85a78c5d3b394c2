"""One widget per session: simultaneous launches leave one process, and the private close
message sent from another program fades it out and ends it cleanly."""

import time
import unittest

import harness as h


class SingleInstance(unittest.TestCase):
    def test_ten_launches_leave_one_and_external_close_fades_it_out(self):
        s = h.Session(self)
        procs = [s.start_widget(name=f"widget-{i}", wait=False) for i in range(10)]

        def settled():
            running = [p for p in procs if p.poll() is None]
            return running if len(running) == 1 else None
        running = h.poll(settled, 30, "all but one launch to end")
        for p in procs:
            if p is not running[0]:
                self.assertEqual(p.returncode, 0)
        w = h.Widget(s, running[0], s.window_of(running[0]))
        s.wait_news()
        # Another launch while it runs also ends at once, silently.
        late = s.start_widget(name="widget-late", wait=False)
        self.assertEqual(s.wait_exit(late, 10), 0)
        self.assertEqual(len(s.windows_of(late)), 0)

        x, y = w.at(h.BODY_WHITE[0])
        watch = s.watch_pixel(x, y, 4000)
        time.sleep(0.3)
        r = s.send_message(5939)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(s.wait_exit(w.proc, 15), 0)
        samples = watch.result()
        colours = [c for _, c in samples]
        self.assertTrue(h.is_white(colours[0]), samples[:3])
        self.assertTrue(h.near(colours[-1], h.ROOT_COLOUR, 4), samples[-3:])
        self.assertGreaterEqual(len(set(colours[1:-1])), 5, f"no gradual fade-out: {samples}")
        # It saved where it stood (centred on first start) and kept the servers it was given.
        opts = s.options()
        self.assertEqual(int(opts["general"]["left"]), (h.SCREEN_W - h.WIN_W) // 2)
        self.assertEqual(opts["server"]["news"], f"127.0.0.1:{s.port}")

        # The lock died with the process: the next launch runs.
        again = s.start_widget(name="widget-again")
        self.assertTrue(again.alive())


if __name__ == "__main__":
    h.main()
