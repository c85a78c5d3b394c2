// The tooltip window class ("tooltips_class32"): tools are windows registered with it; when the
// pointer rests on one for the hover time it asks the tool's owner for the text (a get-display-
// info notification), shows it near the pointer, wrapped at the maximum tip width, and hides it
// when the pointer leaves or a button is pressed. Window thread only.
#pragma once

#include "platform/messages.h"

namespace platform {

constexpr const char16_t* TOOLTIPS_CLASS = u"tooltips_class32";

constexpr UINT TTM_SETTIPBKCOLOR = WM_USER + 19;
constexpr UINT TTM_SETTIPTEXTCOLOR = WM_USER + 20;
constexpr UINT TTM_GETTIPBKCOLOR = WM_USER + 22;
constexpr UINT TTM_GETTIPTEXTCOLOR = WM_USER + 23;
constexpr UINT TTM_SETMAXTIPWIDTH = WM_USER + 24;
constexpr UINT TTM_GETMAXTIPWIDTH = WM_USER + 25;
constexpr UINT TTM_POP = WM_USER + 28;
constexpr UINT TTM_ADDTOOL = WM_USER + 50;
constexpr UINT TTM_DELTOOL = WM_USER + 51;
constexpr UINT TTM_UPDATETIPTEXT = WM_USER + 57;

constexpr UINT TTF_IDISHWND = 0x0001;
constexpr UINT TTF_SUBCLASS = 0x0010;

constexpr DWORD TTS_ALWAYSTIP = 0x01;
constexpr DWORD TTS_NOPREFIX = 0x02;
constexpr DWORD TTS_NOFADE = 0x20;

constexpr UINT TTN_GETDISPINFO = static_cast<UINT>(-530);

// Colours of the plain-window side: 0x00BBGGRR.
using COLORREF = DWORD;

struct TNmHdr {
    HWND hwndFrom = 0;
    std::uintptr_t idFrom = 0;
    UINT code = 0;
};

struct TToolInfo {
    UINT cbSize = sizeof(TToolInfo);
    UINT uFlags = 0;
    HWND hwnd = 0;          // the owner, which answers the text requests
    std::uintptr_t uId = 0; // with TTF_IDISHWND, the tool window itself
    TRect rect;
    HINSTANCE hinst = 0;
    char16_t* lpszText = nullptr; // TextCallback(): ask the owner each time
    LPARAM lParam = 0;
};

struct TNmTtDispInfo {
    TNmHdr hdr;
    char16_t* lpszText = nullptr; // the answer: points to text that outlives the request
    char16_t szText[80] = {};     // or the text copied here
    HINSTANCE hinst = 0;
    UINT uFlags = 0;
    LPARAM lParam = 0;
};

inline char16_t* TextCallback() {
    return reinterpret_cast<char16_t*>(static_cast<std::intptr_t>(-1));
}

// Registers the tooltip class; more calls do nothing.
void InitCommonControls();

// A tip window in the default look near a screen point, for tips that no tooltip window owns
// (the tray icon's); the caller destroys it. 0 for an empty text.
HWND ShowTipWindow(const std::u16string& text, TPoint at, int maxWidth);

// The window a tooltip shows its tip in (0 while hidden), for tests.
HWND GetTipWindow(HWND tooltip);

} // namespace platform
