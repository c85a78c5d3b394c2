// Who has the capture, the focus and the activation; hover tracking requests; key state and
// cursors.
#include "platform/wm/wm_internal.h"

namespace platform {
namespace wm {

void ActivateWindow(HWND top, WPARAM how, bool askDisplay) {
    auto& s = State();
    if (top == s.Active) {
        return;
    }
    TWnd* t = Find(top);
    if (top && (!t || t->IsChild())) {
        return;
    }
    const HWND old = s.Active;
    s.Active = top;
    if (old && Find(old)) {
        SendMessage(old, WM_ACTIVATE, WA_INACTIVE, static_cast<LPARAM>(top));
    }
    if (s.Focus && (!Find(s.Focus) || (old && InSubtree(old, s.Focus)))) {
        const HWND lost = s.Focus;
        s.Focus = 0;
        SendMessage(lost, WM_KILLFOCUS, 0, 0);
    }
    t = Find(top);
    if (!t || s.Active != top) {
        return;
    }
    LinkTopLevel(*t, HWND_TOP);
    if (askDisplay) {
        Display().RaiseSurface(top);
        Display().ActivateSurface(top);
    }
    SendMessage(top, WM_ACTIVATE, how, static_cast<LPARAM>(old));
}

void ForgetWindowInput(HWND hwnd) {
    auto& s = State();
    auto gone = [&](HWND h) { return h && (h == hwnd || InSubtree(hwnd, h)); };
    if (gone(s.Capture)) {
        s.Capture = 0;
        Display().GrabPointer(0);
    }
    if (gone(s.Focus)) {
        s.Focus = 0;
    }
    if (gone(s.Tracking.Window)) {
        s.Tracking = TTracking{};
    }
    if (gone(s.Active)) {
        s.Active = 0;
    }
    if (gone(s.UnderPointer)) {
        s.UnderPointer = 0;
    }
    if (gone(s.LastPress.Window)) {
        s.LastPress = TLastPress{};
    }
}

} // namespace wm

using namespace wm;

HWND SetCapture(HWND hwnd) {
    auto& s = State();
    if (hwnd && !Find(hwnd)) {
        return 0;
    }
    const HWND old = s.Capture;
    s.Capture = hwnd;
    Display().GrabPointer(hwnd ? Root(hwnd) : 0);
    if (old && old != hwnd && Find(old)) {
        SendMessage(old, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(hwnd));
    }
    return old;
}

bool ReleaseCapture() {
    auto& s = State();
    const HWND old = s.Capture;
    if (!old) {
        return true;
    }
    s.Capture = 0;
    Display().GrabPointer(0);
    if (Find(old)) {
        SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    }
    return true;
}

HWND GetCapture() {
    return State().Capture;
}

HWND SetFocus(HWND hwnd) {
    auto& s = State();
    if (hwnd) {
        TWnd* w = Find(hwnd);
        if (!w || w->Destroying) {
            return 0;
        }
        const HWND top = Root(hwnd);
        if (top != s.Active) {
            ActivateWindow(top, WA_ACTIVE, true);
        }
        if (!Find(hwnd)) {
            return 0;
        }
    }
    const HWND old = s.Focus;
    if (old == hwnd) {
        return old;
    }
    s.Focus = hwnd;
    if (old && Find(old)) {
        SendMessage(old, WM_KILLFOCUS, hwnd, 0);
    }
    if (hwnd && s.Focus == hwnd && Find(hwnd)) {
        SendMessage(hwnd, WM_SETFOCUS, old, 0);
    }
    return old;
}

HWND GetFocus() {
    return State().Focus;
}

HWND GetActiveWindow() {
    return State().Active;
}

HWND SetActiveWindow(HWND hwnd) {
    const HWND old = State().Active;
    if (hwnd && !Find(hwnd)) {
        return 0;
    }
    ActivateWindow(hwnd ? Root(hwnd) : 0, WA_ACTIVE, true);
    return old;
}

bool SetForegroundWindow(HWND hwnd) {
    if (!Find(hwnd)) {
        return false;
    }
    SetActiveWindow(hwnd);
    return true;
}

bool TrackMouseEvent(TTrackMouseEvent* tme) {
    auto& s = State();
    if (!tme) {
        return false;
    }
    if (tme->dwFlags & TME_QUERY) {
        tme->dwFlags = s.Tracking.Flags;
        tme->hwndTrack = s.Tracking.Window;
        tme->dwHoverTime = s.Tracking.HoverTime;
        return true;
    }
    if (!Find(tme->hwndTrack)) {
        return false;
    }
    const DWORD wanted = tme->dwFlags & (TME_HOVER | TME_LEAVE);
    if (tme->dwFlags & TME_CANCEL) {
        if (s.Tracking.Window == tme->hwndTrack) {
            s.Tracking.Flags &= ~wanted;
            if (s.Tracking.Flags == 0) {
                s.Tracking = TTracking{};
            }
        }
        return true;
    }
    if (s.UnderPointer != tme->hwndTrack) {
        // Asked for a window the pointer is not over: it has left already.
        if (wanted & TME_LEAVE) {
            PostMessage(tme->hwndTrack, WM_MOUSELEAVE, 0, 0);
        }
        return true;
    }
    if (s.Tracking.Window != tme->hwndTrack) {
        s.Tracking = TTracking{};
        s.Tracking.Window = tme->hwndTrack;
    }
    s.Tracking.Flags |= wanted;
    if (wanted & TME_HOVER) {
        s.Tracking.HoverTime =
            tme->dwHoverTime == HOVER_DEFAULT ? Display().HoverTime() : tme->dwHoverTime;
        s.Tracking.HoverDue = Display().Now() + s.Tracking.HoverTime;
        s.Tracking.Anchor = s.Pointer;
    }
    return true;
}

short GetKeyState(int virtualKey) {
    const auto key = State().Keys[static_cast<std::size_t>(virtualKey) & 0xFF];
    return static_cast<short>(((key & 0x80) ? 0x8000 : 0) | (key & 0x01));
}

bool GetCursorPos(TPoint* point) {
    if (!point) {
        return false;
    }
    // The position of the input handled last, so a handler sees where its own message happened
    // even when newer input is already waiting.
    auto& s = State();
    *point = s.PointerKnown ? s.Pointer : Display().PointerPosition();
    return true;
}

HWND WindowFromPoint(TPoint screen) {
    LRESULT hit = HTNOWHERE;
    return HitTest(screen, 0, &hit);
}

HCURSOR LoadCursor(HINSTANCE, int cursorId) {
    switch (cursorId) {
    case IDC_ARROW:
    case IDC_IBEAM:
    case IDC_WAIT:
    case IDC_CROSS:
    case IDC_UPARROW:
    case IDC_SIZE:
    case IDC_ICON:
    case IDC_SIZENWSE:
    case IDC_SIZENESW:
    case IDC_SIZEWE:
    case IDC_SIZENS:
    case IDC_SIZEALL:
    case IDC_NO:
    case IDC_HAND:
    case IDC_APPSTARTING:
    case IDC_HELP:
        return static_cast<HCURSOR>(cursorId);
    default:
        return 0;
    }
}

HCURSOR SetCursor(HCURSOR cursor) {
    auto& s = State();
    const HCURSOR old = s.Cursor;
    s.Cursor = cursor;
    if (cursor && cursor != old) {
        Display().SetCursorShape(static_cast<int>(cursor));
    }
    return old;
}

HCURSOR GetCursor() {
    return State().Cursor;
}

bool DestroyCursor(HCURSOR) {
    return true;
} // shared cursors are never freed

} // namespace platform
