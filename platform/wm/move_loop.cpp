// The interactive move of SC_MOVE: a modal loop that owns the pointer and the keys until the
// left button goes up.
#include "platform/wm/wm_internal.h"

namespace platform {
namespace wm {

// Follows the pointer until the left button is released (Escape puts the window back), with the
// queue served meanwhile; every step goes through WM_MOVING and WM_WINDOWPOSCHANGING, so the
// window can adjust where it lands.
void RunMoveLoop(HWND hwnd) {
    auto& s = State();
    TWnd* w = Find(hwnd);
    if (!w || !(s.Buttons & MK_LBUTTON)) {
        return;
    }
    const TPoint start = s.Pointer;
    const TRect startRect = w->Rect;
    SetCapture(hwnd);
    SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
    auto step = [&](TPoint to) {
        TRect r = startRect;
        r.Left += to.X - start.X;
        r.Right += to.X - start.X;
        r.Top += to.Y - start.Y;
        r.Bottom += to.Y - start.Y;
        SendMessage(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
        SetWindowPos(hwnd, 0, r.Left, r.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    bool done = false;
    while (!done && Find(hwnd)) {
        TInputEvent e;
        if (PullRaw(e)) {
            ApplyModifiers(e.Modifiers);
            switch (e.Kind) {
            case TInputKind::PointerMove:
                s.Pointer = e.Point;
                step(e.Point);
                break;
            case TInputKind::ButtonUp:
            case TInputKind::ButtonDown: {
                const bool down = e.Kind == TInputKind::ButtonDown;
                const WPARAM flag = e.Button == TMouseButton::Left    ? MK_LBUTTON
                                    : e.Button == TMouseButton::Right ? MK_RBUTTON
                                                                      : MK_MBUTTON;
                s.Buttons = down ? (s.Buttons | flag) : (s.Buttons & ~flag);
                const UINT vk = e.Button == TMouseButton::Left    ? VK_LBUTTON
                                : e.Button == TMouseButton::Right ? VK_RBUTTON
                                                                  : VK_MBUTTON;
                s.Keys[vk] =
                    static_cast<std::uint8_t>(down ? (s.Keys[vk] | 0x80) : (s.Keys[vk] & ~0x80));
                if (!down && e.Button == TMouseButton::Left) {
                    if (e.Point != s.Pointer) {
                        s.Pointer = e.Point;
                        step(e.Point);
                    }
                    done = true;
                }
                break;
            }
            case TInputKind::KeyDown:
                if (e.Key == VK_ESCAPE) {
                    SetWindowPos(hwnd, 0, startRect.Left, startRect.Top, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                    done = true;
                }
                break;
            case TInputKind::KeyUp:
            case TInputKind::Wheel:
                break; // swallowed by the move, as the pointer and keys belong to it
            default:
                ProcessRawEvent(e);
                break;
            }
            continue;
        }
        TMsg msg;
        if (Retrieve(&msg, 0, 0, 0, true, false)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
            continue;
        }
        WaitForWork();
    }
    if (s.Capture == hwnd) {
        ReleaseCapture();
    }
    if (Find(hwnd)) {
        SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
    }
}

} // namespace wm
} // namespace platform
