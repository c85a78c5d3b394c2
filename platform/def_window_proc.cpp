// Default message processing, the interactive move loop, layered windows and the screen
// facts.
#include "platform/wm_internal.h"
#include "platform/workarea.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace wm {

LRESULT StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // A label without the notify style is see-through to the pointer.
    if (msg == WM_NCHITTEST && !(GetWindowLong(hwnd, GWL_STYLE) & SS_NOTIFY)) {
        return HTTRANSPARENT;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

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
        Display().Wait(NextDeadline());
    }
    if (s.Capture == hwnd) {
        ReleaseCapture();
    }
    if (Find(hwnd)) {
        SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
    }
}

} // namespace wm

using namespace wm;

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    const HWND parent = w->IsChild() ? w->Parent : 0;
    switch (msg) {
    case WM_NCCREATE:
        return 1;
    case WM_SETTEXT:
        w->Text = lParam ? reinterpret_cast<const char16_t*>(lParam) : u"";
        return 1;
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<char16_t*>(lParam);
        if (!buffer || wParam == 0) {
            return 0;
        }
        const std::size_t n = std::min<std::size_t>(wParam - 1, w->Text.size());
        std::copy_n(w->Text.data(), n, buffer);
        buffer[n] = u'\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->Text.size());
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_QUERYENDSESSION:
        return 1;
    case WM_SYSCOMMAND:
        switch (wParam & SC_MASK) {
        case SC_MOVE:
            RunMoveLoop(hwnd);
            break;
        case SC_CLOSE:
            SendMessage(hwnd, WM_CLOSE, 0, 0);
            break;
        default:
            break;
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & KEY_CONTEXT_ALT)) {
            SendMessage(Root(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return 0;
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
        // Unanswered, they belong to the parent.
        return parent ? SendMessage(parent, msg, wParam, lParam) : 0;
    case WM_RBUTTONUP: {
        TPoint p{GetXLParam(lParam), GetYLParam(lParam)};
        ClientToScreen(hwnd, &p);
        SendMessage(hwnd, WM_CONTEXTMENU, hwnd, MakeLParam(p.X, p.Y));
        return 0;
    }
    case WM_SETCURSOR:
        // Parents choose first; the window under the pointer falls back to its class cursor.
        if (parent && SendMessage(parent, WM_SETCURSOR, wParam, lParam)) {
            return 1;
        }
        if (static_cast<HWND>(wParam) == hwnd) {
            if (static_cast<LRESULT>(static_cast<std::int16_t>(LoWord(lParam))) == HTCLIENT) {
                if (TWnd* cur = Find(hwnd); cur && cur->ClassCursor) {
                    SetCursor(cur->ClassCursor);
                }
            } else {
                SetCursor(LoadCursor(0, IDC_ARROW));
            }
        }
        return 0;
    case WM_MOUSEACTIVATE:
        if (parent) {
            if (const LRESULT answer = SendMessage(parent, msg, wParam, lParam)) {
                return answer;
            }
        }
        return MA_ACTIVATE;
    case WM_ACTIVATE:
        if (LoWord(wParam) != WA_INACTIVE) {
            SetFocus(hwnd);
        }
        return 0;
    case WM_NCHITTEST: {
        TRect r;
        GetWindowRect(hwnd, &r);
        return r.Contains(GetXLParam(lParam), GetYLParam(lParam)) ? HTCLIENT : HTNOWHERE;
    }
    case WM_WINDOWPOSCHANGED: {
        const auto* wp = reinterpret_cast<const TWindowPos*>(lParam);
        if (!wp) {
            return 0;
        }
        if (!(wp->flags & SWP_NOMOVE)) {
            SendMessage(hwnd, WM_MOVE, 0, MakeLParam(wp->x, wp->y));
        }
        if (!(wp->flags & SWP_NOSIZE) && Find(hwnd)) {
            SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MakeLParam(wp->cx, wp->cy));
        }
        return 0;
    }
    case WM_CANCELMODE:
        if (State().Capture == hwnd) {
            ReleaseCapture();
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return 0;
    }
}

bool UpdateLayeredWindow(HWND hwnd, const TPoint* position, int width, int height,
                         const std::uint32_t* pixels, int stride, std::uint8_t alpha, DWORD flags) {
    TWnd* w = Find(hwnd);
    if (!w || w->IsChild() || !(w->ExStyle & WS_EX_LAYERED) || !pixels || width <= 0 ||
        height <= 0 || stride < width * 4) {
        return false;
    }
    const TPoint at = position ? *position : TPoint{w->Rect.Left, w->Rect.Top};
    if (at.X != w->Rect.Left || at.Y != w->Rect.Top || width != w->Rect.Width() ||
        height != w->Rect.Height()) {
        SetWindowPos(hwnd, 0, at.X, at.Y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        w = Find(hwnd);
        if (!w) {
            return false;
        }
    }
    const TFrameView frame{pixels, width, height, stride};
    const TRect bounds{w->Rect.Left, w->Rect.Top, w->Rect.Left + width, w->Rect.Top + height};
    const std::uint8_t constant = (flags & ULW_ALPHA) ? alpha : 255;
    if (!Display().PresentFrame(hwnd, bounds, frame, constant)) {
        return false;
    }
    w->AlphaMask.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            w->AlphaMask[static_cast<std::size_t>(y) * width + x] =
                (flags & ULW_OPAQUE) ? 255 : static_cast<std::uint8_t>(frame.Pixel(x, y) >> 24);
        }
    }
    w->MaskWidth = width;
    w->MaskHeight = height;
    w->ConstantAlpha = constant;
    w->Presented = true;
    return true;
}

bool SetLayeredWindowAttributes(HWND hwnd, DWORD, std::uint8_t alpha, DWORD flags) {
    TWnd* w = Find(hwnd);
    if (!w || !(w->ExStyle & WS_EX_LAYERED)) {
        return false;
    }
    if (flags & LWA_ALPHA) {
        w->ConstantAlpha = alpha;
        w->AttributesSet = true;
        if (!w->IsChild()) {
            Display().SetSurfaceAlpha(hwnd, alpha);
        }
    }
    return true;
}

DWORD GetTickCount() {
    return static_cast<DWORD>(Display().Now());
}

void Sleep(DWORD ms) {
    Display().Sleep(ms);
}

UINT GetDoubleClickTime() {
    return Display().DoubleClickTime();
}

int GetSystemMetrics(int index) {
    auto& display = Display();
    switch (index) {
    case SM_CXSCREEN:
        return display.ScreenRect().Width();
    case SM_CYSCREEN:
        return display.ScreenRect().Height();
    case SM_CXDOUBLECLK:
        return display.DoubleClickSize().X;
    case SM_CYDOUBLECLK:
        return display.DoubleClickSize().Y;
    default:
        return 0;
    }
}

bool SystemParametersInfo(UINT action, UINT, void* out, UINT) {
    if (!out) {
        return false;
    }
    switch (action) {
    case SPI_GETWORKAREA: {
        const TRect area = GetWorkArea();
        std::memcpy(out, &area, sizeof area);
        return true;
    }
    case SPI_GETMOUSEHOVERTIME: {
        const UINT time = Display().HoverTime();
        std::memcpy(out, &time, sizeof time);
        return true;
    }
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT: {
        const UINT size = 4;
        std::memcpy(out, &size, sizeof size);
        return true;
    }
    default:
        return false;
    }
}

} // namespace platform
