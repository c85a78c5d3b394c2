"""Started before its X server answers (a slow session start, an X server started on demand):
with DISPLAY set the widget keeps trying, backing off, and comes up once a server appears; it
gives up with exit code 1 and its message when none does in time; with DISPLAY unset it ends
at once. The limit (30 s) is shortened through the environment."""

import time
import unittest

import harness as h
from desktop import free_display

MESSAGE = "cannot open the X display"


class DisplayWait(unittest.TestCase):
    def run_widget(self, s, name, env):
        p = s.spawn(name, [h.APP], env=env, cwd=s.tmp)
        return p

    def test_waits_for_the_server_and_gives_up_in_time(self):
        s = h.Session(self)
        late = free_display()
        base = dict(s.env, MINIPELIKORA_DISPLAY_WAIT_MS="1500")

        unset = {k: v for k, v in base.items() if k != "DISPLAY"}
        start = time.monotonic()
        p = self.run_widget(s, "unset", unset)
        self.assertEqual(s.wait_exit(p, 10), 1)
        self.assertLess(time.monotonic() - start, 1.4, "no DISPLAY: no waiting")
        self.assertIn(MESSAGE, s.log_text("unset"))

        start = time.monotonic()
        p = self.run_widget(s, "nobody", dict(base, DISPLAY=f":{late}"))
        self.assertEqual(s.wait_exit(p, 15), 1)
        self.assertGreaterEqual(time.monotonic() - start, 1.4, "gave up before the limit")
        self.assertIn(MESSAGE, s.log_text("nobody"))

        env = dict(base, DISPLAY=f":{late}", MINIPELIKORA_DISPLAY_WAIT_MS="20000")
        p = self.run_widget(s, "widget", env)
        time.sleep(1.0)
        self.assertIsNone(p.poll(), "the widget ended instead of waiting")
        s.spawn("xvfb-late", ["Xvfb", f":{late}", "-screen", "0", "1024x768x24", "-nolisten",
                              "tcp", "-noreset", "-nocursor"])
        s.env["DISPLAY"] = f":{late}"
        w = h.Widget(s, p, s.window_of(p, timeout=25))
        self.assertTrue(w.alive())
        self.assertNotIn(MESSAGE, s.log_text("widget"))
        s.send_message(5939)
        self.assertEqual(s.wait_exit(p, 20), 0)


if __name__ == "__main__":
    h.main()
