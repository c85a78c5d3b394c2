"""What the screen shows of the widget's automatic scaling, shared by the scenarios that shrink
it and bring it back."""

import harness as h

SMALL_W, SMALL_H = 119, 87  # the settled picture at a quarter of the size


def shrunk(w, corner_origin):
    """The settled screen when it shows the small picture at corner_origin (window
    coordinates) and nothing of the full-size body, else None."""
    shot = w.s.settled_shot()
    body = w.pixel(shot, (237, 200))
    cx, cy = corner_origin
    red = sum(h.is_red(w.pixel(shot, (cx + dx, cy + dy)))
              for dx in range(0, SMALL_W, 4) for dy in range(0, SMALL_H, 4))
    return shot if h.near(body, h.ROOT_COLOUR, 3) and red > 20 else None


def grown(w):
    shot = w.s.settled_shot()
    return shot if all(h.is_white(w.pixel(shot, p)) for p in h.BODY_WHITE) else None
