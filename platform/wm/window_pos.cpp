// Showing, enabling, moving, sizing and stacking windows, and their coordinates.
#include "platform/wm/wm_internal.h"

#include <algorithm>

namespace platform {
namespace wm {
namespace {

// Applies the z-order part of a position change; true when the order changed.
bool Restack(TWnd& w, HWND insertAfter) {
    if (!w.IsChild()) {
        const auto before = State().TopLevels;
        const DWORD oldEx = w.ExStyle;
        if (insertAfter == HWND_TOPMOST) {
            w.ExStyle |= WS_EX_TOPMOST;
        } else if (insertAfter == HWND_NOTOPMOST || insertAfter == HWND_BOTTOM) {
            w.ExStyle &= ~WS_EX_TOPMOST;
        }
        LinkTopLevel(w, insertAfter);
        if ((oldEx ^ w.ExStyle) & WS_EX_TOPMOST) {
            Display().SetSurfaceTopmost(w.Handle, (w.ExStyle & WS_EX_TOPMOST) != 0);
        }
        const bool changed = before != State().TopLevels || oldEx != w.ExStyle;
        if (changed && State().TopLevels.front() == w.Handle) {
            Display().RaiseSurface(w.Handle);
        }
        return changed;
    }
    auto& list = Siblings(w);
    const auto before = list;
    list.erase(std::remove(list.begin(), list.end(), w.Handle), list.end());
    auto pos = list.begin();
    if (insertAfter == HWND_BOTTOM) {
        pos = list.end();
    } else if (insertAfter != HWND_TOP && insertAfter != HWND_TOPMOST &&
               insertAfter != HWND_NOTOPMOST) {
        auto it = std::find(list.begin(), list.end(), insertAfter);
        if (it == list.end()) {
            // An unknown sibling leaves the order as it was.
            list = before;
            return false;
        }
        pos = it + 1;
    }
    list.insert(pos, w.Handle);
    return before != list;
}

// The next visible top-level window to take the activation from one that goes away.
HWND NextActivatable(HWND leaving) {
    for (HWND top : State().TopLevels) {
        TWnd* t = Find(top);
        if (top != leaving && t && !t->Destroying && (t->Style & WS_VISIBLE) &&
            !(t->Style & WS_DISABLED) && !(t->ExStyle & WS_EX_NOACTIVATE)) {
            return top;
        }
    }
    return 0;
}

void AfterHide(HWND hwnd) {
    auto& s = State();
    TWnd* w = Find(hwnd);
    if (!w) {
        return;
    }
    if (s.Capture && InSubtree(hwnd, s.Capture)) {
        ReleaseCapture();
    }
    if (w->IsChild()) {
        if (s.Focus && InSubtree(hwnd, s.Focus)) {
            SetFocus(w->Parent);
        }
    } else if (s.Active == hwnd) {
        ActivateWindow(NextActivatable(hwnd), WA_ACTIVE, true);
    }
}

} // namespace
} // namespace wm

using namespace wm;

bool ShowWindow(HWND hwnd, int command) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return false;
    }
    const bool wasVisible = (w->Style & WS_VISIBLE) != 0;
    const bool show = command != SW_HIDE;
    if (show == wasVisible) {
        return wasVisible;
    }
    SendMessage(hwnd, WM_SHOWWINDOW, show ? 1 : 0, 0);
    UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
    flags |= show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
    if (!show || command == SW_SHOWNA || command == SW_SHOWNOACTIVATE ||
        command == SW_SHOWMINNOACTIVE) {
        flags |= SWP_NOACTIVATE;
    }
    SetWindowPos(hwnd, 0, 0, 0, 0, 0, flags);
    return wasVisible;
}

bool IsWindowVisible(HWND hwnd) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return false;
    }
    for (; w; w = w->IsChild() ? Find(w->Parent) : nullptr) {
        if (!(w->Style & WS_VISIBLE)) {
            return false;
        }
    }
    return true;
}

bool EnableWindow(HWND hwnd, bool enable) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return false;
    }
    const bool wasDisabled = (w->Style & WS_DISABLED) != 0;
    if (wasDisabled == !enable) {
        return wasDisabled;
    }
    if (enable) {
        w->Style &= ~WS_DISABLED;
    } else {
        w->Style |= WS_DISABLED;
        auto& s = State();
        if (s.Focus && InSubtree(hwnd, s.Focus)) {
            SetFocus(0);
        }
        if (s.Capture && InSubtree(hwnd, s.Capture)) {
            ReleaseCapture();
        }
    }
    SendMessage(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
    return wasDisabled;
}

bool IsWindowEnabled(HWND hwnd) {
    TWnd* w = Find(hwnd);
    return w && !(w->Style & WS_DISABLED);
}

bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return false;
    }
    TWindowPos wp{hwnd, insertAfter, x, y, cx, cy, flags};
    if (flags & SWP_NOMOVE) {
        wp.x = w->Rect.Left;
        wp.y = w->Rect.Top;
    }
    if (flags & SWP_NOSIZE) {
        wp.cx = w->Rect.Width();
        wp.cy = w->Rect.Height();
    }
    if (!(flags & SWP_NOSENDCHANGING)) {
        // The handler may rewrite the record; what it leaves is what happens.
        SendMessage(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
        w = Find(hwnd);
        if (!w) {
            return false;
        }
    }

    TRect rect = w->Rect;
    if (!(wp.flags & SWP_NOMOVE)) {
        rect = TRect{wp.x, wp.y, wp.x + rect.Width(), wp.y + rect.Height()};
    }
    if (!(wp.flags & SWP_NOSIZE)) {
        rect.Right = rect.Left + std::max(0, wp.cx);
        rect.Bottom = rect.Top + std::max(0, wp.cy);
    }
    const bool moved = rect.Left != w->Rect.Left || rect.Top != w->Rect.Top;
    const bool sized = rect.Width() != w->Rect.Width() || rect.Height() != w->Rect.Height();
    w->Rect = rect;
    const bool restacked = !(wp.flags & SWP_NOZORDER) && Restack(*w, wp.hwndInsertAfter);
    const bool wasVisible = (w->Style & WS_VISIBLE) != 0;
    bool shown = false;
    bool hidden = false;
    if ((wp.flags & SWP_SHOWWINDOW) && !wasVisible) {
        w->Style |= WS_VISIBLE;
        shown = true;
    } else if ((wp.flags & SWP_HIDEWINDOW) && wasVisible) {
        w->Style &= ~WS_VISIBLE;
        hidden = true;
    }

    if (!w->IsChild()) {
        auto& display = Display();
        if (moved || sized) {
            display.MoveSurface(hwnd, rect);
        }
        if (shown || hidden) {
            display.ShowSurface(hwnd, shown);
        }
    }
    if (hidden) {
        AfterHide(hwnd);
        w = Find(hwnd);
        if (!w) {
            return true;
        }
    }
    if (!w->IsChild() && !(wp.flags & SWP_NOACTIVATE) && (w->Style & WS_VISIBLE) &&
        !(w->ExStyle & WS_EX_NOACTIVATE) && !w->Destroying) {
        ActivateWindow(hwnd, WA_ACTIVE, true);
        w = Find(hwnd);
        if (!w) {
            return true;
        }
    }

    if (moved || sized || restacked || shown || hidden || (wp.flags & SWP_FRAMECHANGED)) {
        TWindowPos done = wp;
        done.x = rect.Left;
        done.y = rect.Top;
        done.cx = rect.Width();
        done.cy = rect.Height();
        done.flags = wp.flags & ~(SWP_NOMOVE | SWP_NOSIZE);
        if (!moved) {
            done.flags |= SWP_NOMOVE;
        }
        if (!sized) {
            done.flags |= SWP_NOSIZE;
        }
        SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));
    }
    return true;
}

bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint) {
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!repaint) {
        flags |= SWP_NOREDRAW;
    }
    return SetWindowPos(hwnd, 0, x, y, width, height, flags);
}

bool GetWindowRect(HWND hwnd, TRect* rect) {
    TWnd* w = Find(hwnd);
    if (!w || !rect) {
        return false;
    }
    const TPoint origin = ClientOrigin(hwnd);
    *rect = TRect{origin.X, origin.Y, origin.X + w->Rect.Width(), origin.Y + w->Rect.Height()};
    return true;
}

bool GetClientRect(HWND hwnd, TRect* rect) {
    TWnd* w = Find(hwnd);
    if (!w || !rect) {
        return false;
    }
    *rect = TRect{0, 0, w->Rect.Width(), w->Rect.Height()};
    return true;
}

bool ClientToScreen(HWND hwnd, TPoint* point) {
    if (!Find(hwnd) || !point) {
        return false;
    }
    const TPoint origin = ClientOrigin(hwnd);
    point->X += origin.X;
    point->Y += origin.Y;
    return true;
}

bool ScreenToClient(HWND hwnd, TPoint* point) {
    if (!Find(hwnd) || !point) {
        return false;
    }
    const TPoint origin = ClientOrigin(hwnd);
    point->X -= origin.X;
    point->Y -= origin.Y;
    return true;
}

int MapWindowPoints(HWND from, HWND to, TPoint* points, int count) {
    if ((from && !Find(from)) || (to && !Find(to))) {
        return 0;
    }
    const TPoint a = from ? ClientOrigin(from) : TPoint{};
    const TPoint b = to ? ClientOrigin(to) : TPoint{};
    const int dx = a.X - b.X;
    const int dy = a.Y - b.Y;
    for (int i = 0; i < count; ++i) {
        points[i].X += dx;
        points[i].Y += dy;
    }
    return static_cast<int>(static_cast<std::uint16_t>(dx)) |
           (static_cast<int>(static_cast<std::uint16_t>(dy)) << 16);
}

HWND ChildWindowFromPoint(HWND parent, TPoint client) {
    TWnd* w = Find(parent);
    if (!w || client.X < 0 || client.Y < 0 || client.X >= w->Rect.Width() ||
        client.Y >= w->Rect.Height()) {
        return 0;
    }
    for (HWND child : w->Children) {
        TWnd* c = Find(child);
        if (c && c->Rect.Contains(client.X, client.Y)) {
            return child;
        }
    }
    return parent;
}

} // namespace platform
