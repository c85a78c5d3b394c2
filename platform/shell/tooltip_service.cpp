#include "platform/shell/tooltip_service.h"
#include "platform/shell/painting.h"
#include "platform/window_manager.h"

#include <algorithm>
#include <map>
#include <vector>

namespace platform {

namespace {

constexpr const char16_t* TIP_CLASS = u"tooltips_tip";
constexpr UINT TIMER_SHOW = 1;
constexpr COLORREF DEFAULT_BACK = 0x00E1FFFF; // the pale yellow of info tips
constexpr COLORREF DEFAULT_TEXT = 0x00000000;
constexpr int PAD_X = 5;
constexpr int PAD_Y = 3;
constexpr int BELOW_POINTER = 20;
constexpr std::uint32_t TIP_FRAME = 0xFF767676u;

struct TTool {
    HWND Window = 0;
    HWND Owner = 0;
    LPARAM Param = 0;
};

struct TTooltip {
    std::vector<TTool> Tools;
    COLORREF Back = DEFAULT_BACK;
    COLORREF Text = DEFAULT_TEXT;
    int MaxWidth = -1;
    HWND Hovered = 0;        // the tool under the pointer
    bool Suppressed = false; // a press hides the tip until the pointer enters a tool again
    HWND Tip = 0;            // the window showing the text, while shown
};

std::map<HWND, TTooltip>& Tooltips() {
    static std::map<HWND, TTooltip> tooltips;
    return tooltips;
}

TTooltip* FindTooltip(HWND hwnd) {
    auto it = Tooltips().find(hwnd);
    return it == Tooltips().end() ? nullptr : &it->second;
}

std::uint32_t ToArgb(COLORREF c) {
    return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

void Hide(TTooltip& t) {
    if (t.Tip != 0) {
        const HWND tip = t.Tip;
        t.Tip = 0;
        DestroyWindow(tip);
    }
}

// Asks the owner for the text of the tool, as the notification has it answered.
std::u16string AskText(HWND tooltip, const TTool& tool) {
    TNmTtDispInfo info;
    info.hdr.hwndFrom = tooltip;
    info.hdr.idFrom = tool.Window;
    info.hdr.code = TTN_GETDISPINFO;
    info.uFlags = TTF_IDISHWND;
    info.lParam = tool.Param;
    SendMessage(tool.Owner, WM_NOTIFY, tool.Window, reinterpret_cast<LPARAM>(&info));
    if (info.lpszText != nullptr && info.lpszText != TextCallback()) {
        return std::u16string(info.lpszText);
    }
    info.szText[79] = 0;
    return std::u16string(info.szText);
}

LRESULT TipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCHITTEST) {
        return HTTRANSPARENT; // the tip never takes the pointer from what lies below
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

void RegisterTipClass() {
    TWndClass tip;
    if (!GetClassInfo(0, TIP_CLASS, &tip)) {
        tip.lpfnWndProc = TipProc;
        tip.lpszClassName = TIP_CLASS;
        RegisterClass(tip);
    }
}

// Below the point, or above it when the screen ends first; never past the screen's sides.
HWND CreateTip(const std::u16string& text, TPoint at, int maxWidth, COLORREF back, COLORREF fore) {
    RegisterTipClass();
    TPaintBuffer probe(1, 1);
    const TPoint size =
        TPaintBuffer::Measure(probe.Layout(TMnemonicText{text, -1}, maxWidth).get());
    const int w = size.X + 2 * PAD_X, h = size.Y + 2 * PAD_Y;
    int x = at.X, y = at.Y + BELOW_POINTER;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    x = std::max(0, std::min(x, sw - w));
    if (y + h > sh) {
        y = std::max(0, at.Y - h - 2);
    }
    const HWND tip =
        CreateWindowEx(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                       TIP_CLASS, u"", WS_POPUP, x, y, w, h, 0, 0, nullptr);
    if (tip == 0) {
        return 0;
    }
    TPaintBuffer pic(w, h);
    pic.Fill(TRect{0, 0, w, h}, ToArgb(back));
    pic.Frame(TRect{0, 0, w, h}, TIP_FRAME);
    TPangoLayoutPtr layout = pic.Layout(TMnemonicText{text, -1}, maxWidth);
    pic.Text(layout.get(), PAD_X, PAD_Y, ToArgb(fore));
    pic.Present(tip);
    ShowWindow(tip, SW_SHOWNA);
    return tip;
}

void Show(HWND tooltip, TTooltip& t, const TTool& tool) {
    Hide(t);
    const std::u16string text = AskText(tooltip, tool);
    // The owner may have changed the tooltip (width, colours) or dropped it while answering.
    TTooltip* again = FindTooltip(tooltip);
    if (again == nullptr || text.empty() || !IsWindow(tool.Window)) {
        return;
    }
    TPoint at;
    GetCursorPos(&at);
    again->Tip = CreateTip(text, at, again->MaxWidth, again->Back, again->Text);
}

const TTool* ToolOf(const TTooltip& t, HWND hwnd) {
    for (const TTool& tool : t.Tools) {
        if (tool.Window == hwnd) {
            return &tool;
        }
    }
    return nullptr;
}

void Watch(const TMsg& msg) {
    for (auto& [tooltip, t] : Tooltips()) {
        switch (msg.message) {
        case WM_MOUSEMOVE: {
            const TTool* tool = ToolOf(t, msg.hwnd);
            const HWND now = tool ? tool->Window : 0;
            if (now == t.Hovered) {
                break;
            }
            Hide(t);
            t.Hovered = now;
            t.Suppressed = false;
            if (now != 0) {
                UINT hover = 400;
                SystemParametersInfo(SPI_GETMOUSEHOVERTIME, 0, &hover, 0);
                SetTimer(tooltip, TIMER_SHOW, hover);
            } else {
                KillTimer(tooltip, TIMER_SHOW);
            }
            break;
        }
        case WM_MOUSELEAVE:
            if (msg.hwnd == t.Hovered) {
                Hide(t);
                KillTimer(tooltip, TIMER_SHOW);
                t.Hovered = 0;
            }
            break;
        case WM_MOUSEHOVER:
            break;
        default: // presses, releases, double clicks, the wheel
            if (msg.message != WM_LBUTTONUP && msg.message != WM_RBUTTONUP &&
                msg.message != WM_MBUTTONUP) {
                Hide(t);
                KillTimer(tooltip, TIMER_SHOW);
                t.Suppressed = t.Hovered != 0;
            }
            break;
        }
    }
}

void RemoveTool(TTooltip& t, HWND window) {
    t.Tools.erase(std::remove_if(t.Tools.begin(), t.Tools.end(),
                                 [&](const TTool& tool) { return tool.Window == window; }),
                  t.Tools.end());
    if (t.Hovered == window) {
        Hide(t);
        t.Hovered = 0;
    }
}

LRESULT TooltipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        Tooltips()[hwnd] = TTooltip{};
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    TTooltip* t = FindTooltip(hwnd);
    if (t == nullptr) {
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    const auto* info = reinterpret_cast<const TToolInfo*>(lParam);
    switch (msg) {
    case TTM_ADDTOOL:
        if (info == nullptr || !(info->uFlags & TTF_IDISHWND) || !IsWindow(info->uId)) {
            return 0;
        }
        RemoveTool(*t, info->uId);
        t->Tools.push_back(TTool{info->uId, info->hwnd, info->lParam});
        return 1;
    case TTM_DELTOOL:
        if (info != nullptr) {
            RemoveTool(*t, info->uId);
        }
        return 0;
    case TTM_UPDATETIPTEXT:
        // Shown tips ask again; hidden ones ask when they next appear anyway.
        if (info != nullptr && t->Tip != 0 && t->Hovered == info->uId) {
            if (const TTool* tool = ToolOf(*t, info->uId)) {
                const TTool copy = *tool;
                Show(hwnd, *t, copy);
            }
        }
        return 0;
    case TTM_SETMAXTIPWIDTH: {
        const int old = t->MaxWidth;
        t->MaxWidth = static_cast<int>(lParam);
        return old;
    }
    case TTM_GETMAXTIPWIDTH:
        return t->MaxWidth;
    case TTM_SETTIPBKCOLOR:
        t->Back = static_cast<COLORREF>(wParam);
        return 0;
    case TTM_SETTIPTEXTCOLOR:
        t->Text = static_cast<COLORREF>(wParam);
        return 0;
    case TTM_GETTIPBKCOLOR:
        return static_cast<LRESULT>(t->Back);
    case TTM_GETTIPTEXTCOLOR:
        return static_cast<LRESULT>(t->Text);
    case TTM_POP:
        Hide(*t);
        return 0;
    case WM_TIMER:
        if (wParam == TIMER_SHOW) {
            KillTimer(hwnd, TIMER_SHOW);
            const TTool* tool = ToolOf(*t, t->Hovered);
            if (tool != nullptr && !t->Suppressed && IsWindowVisible(tool->Window)) {
                const TTool copy = *tool;
                Show(hwnd, *t, copy);
            }
            return 0;
        }
        break;
    case WM_DESTROY:
        Hide(*t);
        break;
    case WM_NCDESTROY:
        Tooltips().erase(hwnd);
        break;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void InitCommonControls() {
    TWndClass wc;
    if (!GetClassInfo(0, TOOLTIPS_CLASS, &wc)) {
        wc.lpfnWndProc = TooltipProc;
        wc.lpszClassName = TOOLTIPS_CLASS;
        wc.style = CS_GLOBALCLASS;
        RegisterClass(wc);
    }
    RegisterTipClass();
    SetPointerObserver(Watch);
}

HWND ShowTipWindow(const std::u16string& text, TPoint at, int maxWidth) {
    return text.empty() ? 0 : CreateTip(text, at, maxWidth, DEFAULT_BACK, DEFAULT_TEXT);
}

HWND GetTipWindow(HWND tooltip) {
    const TTooltip* t = FindTooltip(tooltip);
    return t ? t->Tip : 0;
}

} // namespace platform
