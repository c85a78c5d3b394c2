// Turning the display's raw input into window messages: hit testing, capture, double clicks,
// hover and leave tracking, keys, focus, activation, cursors, and the screen's changes.
#include "platform/wm/wm_internal.h"

#include <cmath>
#include <cstdlib>
#include <tuple>
#include <unordered_set>

namespace platform {
namespace wm {
namespace {

// WM_DISPLAYCHANGE carries the colour depth; every surface of ours is 32-bit.
constexpr WPARAM DISPLAY_BITS_PER_PIXEL = 32;

bool Down(UINT vk) {
    return (State().Keys[vk & 0xFF] & 0x80) != 0;
}

void SetKey(UINT vk, bool down) {
    auto& key = State().Keys[vk & 0xFF];
    if (down && !(key & 0x80)) {
        key ^= 0x01;
    }
    key = static_cast<std::uint8_t>(down ? (key | 0x80) : (key & ~0x80));
}

// Where the presented alpha is 0 a layered window lets the pointer through.
bool TakesInputAt(const TWnd& top, TPoint screen) {
    if (!(top.ExStyle & WS_EX_LAYERED)) {
        return true;
    }
    if (top.Presented) {
        const int x = screen.X - top.Rect.Left;
        const int y = screen.Y - top.Rect.Top;
        if (x < 0 || y < 0 || x >= top.MaskWidth || y >= top.MaskHeight) {
            return false;
        }
        return top.ConstantAlpha != 0 &&
               top.AlphaMask[static_cast<std::size_t>(y) * top.MaskWidth + x] != 0;
    }
    return top.AttributesSet && top.ConstantAlpha != 0;
}

// The deepest visible window under a point of a top-level window; a disabled child hands the
// point to its parent.
HWND DeepestAt(HWND top, TPoint screen, const std::unordered_set<HWND>& skip) {
    TWnd* w = Find(top);
    int x = screen.X - w->Rect.Left;
    int y = screen.Y - w->Rect.Top;
    for (;;) {
        TWnd* next = nullptr;
        for (HWND child : w->Children) {
            TWnd* c = Find(child);
            if (c && (c->Style & WS_VISIBLE) && !skip.count(child) && c->Rect.Contains(x, y)) {
                next = c;
                break;
            }
        }
        if (!next || (next->Style & WS_DISABLED)) {
            return w->Handle;
        }
        x -= next->Rect.Left;
        y -= next->Rect.Top;
        w = next;
    }
}

TPoint ToClient(HWND hwnd, TPoint screen) {
    const TPoint origin = ClientOrigin(hwnd);
    return TPoint{screen.X - origin.X, screen.Y - origin.Y};
}

LPARAM ClientLParam(HWND hwnd, TPoint screen) {
    const TPoint p = ToClient(hwnd, screen);
    return MakeLParam(p.X, p.Y);
}

void LeaveIfElsewhere(HWND under) {
    auto& s = State();
    s.UnderPointer = under;
    if (s.Tracking.Window && s.Tracking.Window != under) {
        if (s.Tracking.Flags & TME_LEAVE) {
            PostMessage(s.Tracking.Window, WM_MOUSELEAVE, 0, 0);
        }
        s.Tracking = TTracking{};
    }
}

void PointerMoved(TPoint point, HWND hint) {
    auto& s = State();
    const bool same = s.PointerKnown && point == s.Pointer;
    s.Pointer = point;
    s.PointerKnown = true;
    LRESULT hit = HTNOWHERE;
    const HWND under = HitTest(point, hint, &hit);
    LeaveIfElsewhere(under);
    if (s.Tracking.Window && (s.Tracking.Flags & TME_HOVER)) {
        // Small jitter keeps the rest going; a real move starts the hover time again.
        int width = 4;
        int height = 4;
        SystemParametersInfo(SPI_GETMOUSEHOVERWIDTH, 0, &width, 0);
        SystemParametersInfo(SPI_GETMOUSEHOVERHEIGHT, 0, &height, 0);
        if (std::abs(point.X - s.Tracking.Anchor.X) > width / 2 ||
            std::abs(point.Y - s.Tracking.Anchor.Y) > height / 2) {
            s.Tracking.Anchor = point;
            s.Tracking.HoverDue = Display().Now() + s.Tracking.HoverTime;
        }
    }
    if (same) {
        return;
    }
    const HWND target = s.Capture ? s.Capture : under;
    if (!target) {
        return;
    }
    if (!s.Capture) {
        SendMessage(target, WM_SETCURSOR, target, MakeLParam(static_cast<int>(hit), WM_MOUSEMOVE));
        if (!Find(target)) {
            return;
        }
    }
    PostInput(target, WM_MOUSEMOVE, KeyFlags(), ClientLParam(target, point));
}

void Button(const TInputEvent& e, bool down) {
    auto& s = State();
    if (!s.PointerKnown || e.Point != s.Pointer) {
        PointerMoved(e.Point, e.Window);
    }
    UINT base = WM_LBUTTONDOWN;
    WPARAM flag = MK_LBUTTON;
    UINT vk = VK_LBUTTON;
    if (e.Button == TMouseButton::Right) {
        base = WM_RBUTTONDOWN;
        flag = MK_RBUTTON;
        vk = VK_RBUTTON;
    } else if (e.Button == TMouseButton::Middle) {
        base = WM_MBUTTONDOWN;
        flag = MK_MBUTTON;
        vk = VK_MBUTTON;
    }
    s.Buttons = down ? (s.Buttons | flag) : (s.Buttons & ~flag);
    SetKey(vk, down);

    LRESULT hit = HTCLIENT;
    const HWND target = s.Capture ? s.Capture : HitTest(e.Point, e.Window, &hit);
    if (!target) {
        if (down) {
            s.LastPress.Valid = false;
        }
        return;
    }
    UINT msg = down ? base : base + 1;
    if (down) {
        bool eat = false;
        if (!s.Capture) {
            const HWND top = Root(target);
            TWnd* t = Find(top);
            if (t && top != s.Active && !(t->ExStyle & WS_EX_NOACTIVATE)) {
                const LRESULT answer = SendMessage(target, WM_MOUSEACTIVATE, top,
                                                   MakeLParam(static_cast<int>(hit), msg));
                if (answer != MA_NOACTIVATE && answer != MA_NOACTIVATEANDEAT && Find(top)) {
                    ActivateWindow(top, WA_CLICKACTIVE, true);
                }
                eat = answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT;
            }
            if (!Find(target)) {
                return;
            }
            SendMessage(target, WM_SETCURSOR, target, MakeLParam(static_cast<int>(hit), msg));
            if (!Find(target)) {
                return;
            }
        }
        TWnd* w = Find(target);
        const TPoint box = Display().DoubleClickSize();
        const auto& last = s.LastPress;
        if ((w->ClassStyle & CS_DBLCLKS) && last.Valid && last.Window == target &&
            last.Message == base && e.Time - last.Time <= Display().DoubleClickTime() &&
            std::abs(e.Point.X - last.Point.X) <= box.X / 2 &&
            std::abs(e.Point.Y - last.Point.Y) <= box.Y / 2) {
            msg = base + 2;
            s.LastPress.Valid = false; // a third press starts a new pair
        } else {
            s.LastPress = TLastPress{true, target, base, e.Time, e.Point};
        }
        if (eat) {
            return;
        }
    }
    PostInput(target, msg, KeyFlags(), ClientLParam(target, e.Point));
}

void Wheel(const TInputEvent& e) {
    auto& s = State();
    LRESULT hit = HTNOWHERE;
    const HWND target = s.Focus ? s.Focus : HitTest(e.Point, e.Window, &hit);
    if (!target) {
        return;
    }
    const int delta = std::max(-32768, std::min(32767, e.WheelDelta));
    const WPARAM wParam =
        (KeyFlags() & 0xFFFF) | (static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16);
    PostInput(target, WM_MOUSEWHEEL, wParam, MakeLParam(e.Point.X, e.Point.Y));
}

void Key(const TInputEvent& e, bool down) {
    auto& s = State();
    const UINT vk = e.Key & 0xFF;
    const bool wasDown = Down(vk);
    ApplyModifiers(e.Modifiers);
    SetKey(vk, down);
    const HWND target = s.Focus ? s.Focus : s.Active;
    if (!target) {
        return;
    }
    const bool alt = Down(VK_MENU);
    const bool system = (alt && !Down(VK_CONTROL)) || vk == VK_F10;
    LPARAM lParam = 1;
    if (alt) {
        lParam |= KEY_CONTEXT_ALT;
    }
    if (down) {
        lParam |= wasDown ? KEY_PREVIOUS_DOWN : 0;
        PostInput(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lParam, e.Text);
    } else {
        lParam |= KEY_PREVIOUS_DOWN | KEY_TRANSITION_UP;
        PostInput(target, system ? WM_SYSKEYUP : WM_KEYUP, vk, lParam);
    }
}

// Drops and the clipboard's answer go to the top-level window they concern, and only to one that
// asked for drops; the text lives on the stack while the window handles it.
void Transfer(const TInputEvent& e) {
    TWnd* w = Find(e.Window);
    if (!w || w->IsChild() || w->Destroying || !(w->ExStyle & WS_EX_ACCEPTFILES)) {
        return;
    }
    if (e.Kind == TInputKind::DragEnter) {
        SendMessage(e.Window, WM_DRAGENTER, 0, MakeLParam(e.Point.X, e.Point.Y));
        return;
    }
    TDroppedText dropped;
    dropped.Text = e.Text;
    dropped.FromClipboard = e.Kind == TInputKind::ClipboardText;
    dropped.Point = e.Point;
    SendMessage(e.Window, WM_DROPTEXT, 0, reinterpret_cast<LPARAM>(&dropped));
}

// Every top-level window hears of a screen change, as the desktop tells all of them.
void TellTopLevels(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto tops = State().TopLevels;
    for (HWND top : tops) {
        if (TWnd* w = Find(top); w && !w->Destroying) {
            SendMessage(top, message, wParam, lParam);
        }
    }
}

// Every top-level window hears of the new scale with the place that keeps its top-left corner
// where it is on the screen; the windows that do not act on it keep their logical place.
void ScaleChanged() {
    const double now = Display().Scale();
    if (now == State().Scale || now <= 0) {
        return;
    }
    State().Scale = now;
    const auto dpi = static_cast<UINT>(std::lround(now * USER_DEFAULT_SCREEN_DPI));
    const auto tops = State().TopLevels;
    for (HWND top : tops) {
        TWnd* w = Find(top);
        if (!w || w->Destroying) {
            continue;
        }
        const TPoint at = Display().SurfaceOrigin(top);
        TRect suggested{at.X, at.Y, at.X + w->Rect.Width(), at.Y + w->Rect.Height()};
        SendMessage(top, WM_DPICHANGED,
                    static_cast<WPARAM>(MakeLParam(static_cast<int>(dpi), static_cast<int>(dpi))),
                    reinterpret_cast<LPARAM>(&suggested));
    }
}

void EndSession() {
    const auto tops = State().TopLevels;
    bool ending = true;
    for (HWND top : tops) {
        if (Find(top) && SendMessage(top, WM_QUERYENDSESSION, 0, 0) == 0) {
            ending = false;
            break;
        }
    }
    for (HWND top : tops) {
        if (Find(top)) {
            SendMessage(top, WM_ENDSESSION, ending ? 1 : 0, 0);
        }
    }
}

} // namespace

WPARAM KeyFlags() {
    WPARAM flags = State().Buttons;
    if (Down(VK_SHIFT)) {
        flags |= MK_SHIFT;
    }
    if (Down(VK_CONTROL)) {
        flags |= MK_CONTROL;
    }
    return flags;
}

void ApplyModifiers(std::uint32_t modifiers) {
    SetKey(VK_SHIFT, (modifiers & MOD_SHIFT) != 0);
    SetKey(VK_CONTROL, (modifiers & MOD_CONTROL) != 0);
    SetKey(VK_MENU, (modifiers & MOD_ALT) != 0);
    if ((modifiers & MOD_BUTTONS) == 0) {
        return;
    }
    auto& s = State();
    s.Buttons = 0;
    for (auto [mod, mk, vk] :
         {std::tuple<std::uint32_t, WPARAM, UINT>{MOD_LBUTTON, MK_LBUTTON, VK_LBUTTON},
          {MOD_RBUTTON, MK_RBUTTON, VK_RBUTTON},
          {MOD_MBUTTON, MK_MBUTTON, VK_MBUTTON}}) {
        const bool held = (modifiers & mod) != 0;
        s.Buttons |= held ? mk : 0;
        SetKey(vk, held);
    }
}

HWND HitTest(TPoint screen, HWND surfaceHint, LRESULT* hit) {
    auto& s = State();
    std::unordered_set<HWND> skip;
    // Each round either answers or skips one more see-through window, so this ends.
    for (std::size_t round = 0; round <= s.Windows.size(); ++round) {
        std::vector<HWND> tops = s.TopLevels;
        TWnd* hinted = Find(surfaceHint);
        if (hinted && !hinted->IsChild()) {
            tops.assign(1, surfaceHint);
        }
        HWND found = 0;
        for (HWND top : tops) {
            TWnd* t = Find(top);
            if (!t || t->Destroying || !(t->Style & WS_VISIBLE) || skip.count(top) ||
                !t->Rect.Contains(screen.X, screen.Y) || !TakesInputAt(*t, screen)) {
                continue;
            }
            if (t->Style & WS_DISABLED) {
                *hit = HTERROR;
                return 0;
            }
            found = DeepestAt(top, screen, skip);
            break;
        }
        if (!found) {
            *hit = HTNOWHERE;
            return 0;
        }
        const LRESULT code = SendMessage(found, WM_NCHITTEST, 0, MakeLParam(screen.X, screen.Y));
        if (!Find(found)) {
            continue;
        }
        if (code == HTTRANSPARENT) {
            skip.insert(found);
            continue;
        }
        *hit = code;
        return found;
    }
    *hit = HTNOWHERE;
    return 0;
}

void ProcessRawEvent(const TInputEvent& e) {
    auto& s = State();
    if (e.Kind != TInputKind::KeyDown && e.Kind != TInputKind::KeyUp) {
        ApplyModifiers(e.Modifiers);
    }
    switch (e.Kind) {
    case TInputKind::PointerMove:
        PointerMoved(e.Point, e.Window);
        break;
    case TInputKind::ButtonDown:
    case TInputKind::ButtonUp:
        Button(e, e.Kind == TInputKind::ButtonDown);
        break;
    case TInputKind::Wheel:
        Wheel(e);
        break;
    case TInputKind::KeyDown:
    case TInputKind::KeyUp:
        Key(e, e.Kind == TInputKind::KeyDown);
        break;
    case TInputKind::PointerLeave:
        s.PointerKnown = false;
        LeaveIfElsewhere(0);
        break;
    case TInputKind::Activated:
        if (TWnd* w = Find(e.Window); w && !w->IsChild() && !w->Destroying) {
            ActivateWindow(e.Window, WA_ACTIVE, false);
        }
        break;
    case TInputKind::Deactivated:
        ActivateWindow(0, WA_INACTIVE, false);
        break;
    case TInputKind::CloseRequest:
        if (Find(e.Window)) {
            PostInput(e.Window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        break;
    case TInputKind::EndSession:
        EndSession();
        break;
    case TInputKind::DisplayChange: {
        const TRect screen = Display().ScreenRect();
        TellTopLevels(WM_DISPLAYCHANGE, DISPLAY_BITS_PER_PIXEL,
                      MakeLParam(screen.Width(), screen.Height()));
        break;
    }
    case TInputKind::WorkAreaChange:
        TellTopLevels(WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        break;
    case TInputKind::ScaleChange:
        ScaleChanged();
        break;
    case TInputKind::TrayButtonDown:
    case TInputKind::TrayButtonUp:
    case TInputKind::TrayMove:
    case TInputKind::TrayLeave:
        if (auto& tray = State().Tray; tray.Input) {
            tray.Input(e);
        }
        break;
    case TInputKind::DragEnter:
    case TInputKind::Drop:
    case TInputKind::ClipboardText:
        Transfer(e);
        break;
    }
}

void CheckHover() {
    auto& s = State();
    if (s.Tray.Check) {
        s.Tray.Check();
    }
    auto& t = s.Tracking;
    if (!t.Window || !(t.Flags & TME_HOVER) || Display().Now() < t.HoverDue) {
        return;
    }
    PostMessage(t.Window, WM_MOUSEHOVER, KeyFlags(), ClientLParam(t.Window, s.Pointer));
    t.Flags &= ~TME_HOVER;
    if (t.Flags == 0) {
        t = TTracking{};
    }
}

} // namespace wm

bool RequestClipboardText(HWND hwnd) {
    using namespace wm;
    TWnd* w = Find(Root(hwnd));
    if (!w || w->Destroying) {
        return false;
    }
    Display().RequestClipboardText(w->Handle);
    return true;
}

} // namespace platform
