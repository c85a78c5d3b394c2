// The scene of the tooltip tests, on either screen: an owner window with a tool child, and a
// tooltip window that asks the owner for the text each time.
#pragma once

#include "platform/shell/tooltip_service.h"
#include "platform/window_manager.h"
#include "tests/platform/card_frame.h"

#include <string>

namespace tooltiptest {

using namespace platform;
using platformtest::TCardFrame;

inline std::u16string Answer; // what the owner gives for the tip text
inline int Asked = 0;

inline LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* info = reinterpret_cast<TNmTtDispInfo*>(lParam);
        if (info->hdr.code == TTN_GETDISPINFO) {
            ++Asked;
            info->lpszText = Answer.empty() ? nullptr : Answer.data();
            SendMessage(info->hdr.hwndFrom, TTM_SETMAXTIPWIDTH, 0, 300);
        }
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

struct TScene {
    HWND Owner = 0, Tool = 0, Tooltip = 0;

    TScene(int x, int y) {
        InitCommonControls();
        platformtest::RegisterProc(u"tipowner", OwnerProc);
        Owner = platformtest::ShowCard(u"tipowner", x, y, TCardFrame(200, 150, 0), 255, SW_SHOWNA);
        Tool = CreateWindowEx(0, u"tipowner", u"", WS_CHILD | WS_VISIBLE, 100, 0, 100, 150, Owner,
                              1, nullptr);
        Tooltip = CreateWindowEx(WS_EX_TOPMOST, TOOLTIPS_CLASS, u"",
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_NOFADE, 0, 0, 0, 0,
                                 0, 0, nullptr);
        TToolInfo info{sizeof(TToolInfo), TTF_IDISHWND | TTF_SUBCLASS, Owner, Tool, {}, 0,
                       TextCallback()};
        SendMessage(Tooltip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&info));
    }
};

} // namespace tooltiptest
