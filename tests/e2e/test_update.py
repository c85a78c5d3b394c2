"""The update check: a newer version on the version server brings up the Yes/No prompt, and
Yes opens the download link; the same version brings up nothing."""

import os
import unittest

import harness as h

BOX_TITLE = "^Mini Pelikora$"
# The prompt's buttons sit at its bottom right: Yes, then No, 80x26 with 8 between, 16 from
# the right edge and centred in a 50-pixel strip.
YES_FROM_RIGHT, BUTTON_FROM_BOTTOM = 16 + 88 + 88 - 8 - 40, 25


def children(pid):
    """The processes pid has started and not yet reaped (a zombie still counts)."""
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/stat") as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
        if parent == pid:
            found.append(int(entry))
    return found


class UpdateCheck(unittest.TestCase):
    def prompt(self, s, w, timeout):
        def find():
            r = s.xdo("search", "--all", "--pid", w.proc.pid, "--name", BOX_TITLE, check=False)
            for wid in (int(x) for x in r.stdout.split()):
                if s.is_viewable(wid):
                    return wid
            return None
        return h.poll(find, timeout, "the update prompt")

    def start_with_news_held(self, version):
        """Starts the widget with the news answer held back until the version answer has reached
        the widget; returns once the news that came after it is written. The version's fetch
        helper is reaped by its worker right before the worker posts the answer, and the news is
        let go only after that, so the window thread takes the version answer first (a prompt
        would be open by the time the news is written: the box shows before it serves the
        queue)."""
        s = h.Session(self, feed_args=("--version", version))
        s.feed_control(hold=1, target="news")
        w = s.start_widget()
        s.wait_feed_requests("version", 1)
        s.wait_feed_requests("news", 1)
        h.poll(lambda: len(children(w.proc.pid)) == 1, 20, "the version helper to be reaped")
        s.feed_control(hold=0, release=1, target="news")
        s.wait_news()
        return s, w

    def test_newer_version_prompts_and_yes_opens_the_download_page(self):
        s, w = self.start_with_news_held("1.1")
        box = self.prompt(s, w, 15)
        x, y, width, height = s.geometry(box)
        self.assertEqual(s.opened_links(), [])
        s.click(x + width - YES_FROM_RIGHT, y + height - BUTTON_FROM_BOTTOM)
        opened = h.poll(s.opened_links, 10, "the download link")
        self.assertEqual(opened, [f"http://127.0.0.1:{s.port}/?linkid=7951"])
        h.poll(lambda: not s.is_viewable(box), 10, "the prompt to close")
        self.assertTrue(w.alive())

    def test_same_version_asks_nothing(self):
        s, w = self.start_with_news_held("1.0")
        r = s.xdo("search", "--all", "--pid", w.proc.pid, "--name", BOX_TITLE, check=False)
        self.assertEqual([x for x in r.stdout.split() if s.is_viewable(int(x))], [])

if __name__ == "__main__":
    h.main()
