// Default message processing: what a window gets for the messages its own procedure leaves.
#include "platform/wm/wm_internal.h"

#include <algorithm>

namespace platform {
namespace wm {

LRESULT StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // A label without the notify style is see-through to the pointer.
    if (msg == WM_NCHITTEST && !(GetWindowLong(hwnd, GWL_STYLE) & SS_NOTIFY)) {
        return HTTRANSPARENT;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
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
    case WM_SETICON:
        return static_cast<LRESULT>(SetWindowIcon(*w, wParam, static_cast<HICON>(lParam)));
    case WM_GETICON:
        return static_cast<LRESULT>(WindowIcon(*w, wParam));
    default:
        return 0;
    }
}

} // namespace platform
