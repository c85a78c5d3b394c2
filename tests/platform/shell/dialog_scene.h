// The scene of the popup-menu and message-box tests, on either screen: an owner window that logs
// the commands it gets and can run code from its timer inside the modal loops, and the program's
// menu.
#pragma once

#include "platform/shell/message_box.h"
#include "platform/shell/painting.h"
#include "platform/shell/popup_menu.h"
#include "platform/window_manager.h"
#include "tests/platform/card_frame.h"

#include <functional>
#include <vector>

namespace dialogtest {

using namespace platform;
using platformtest::TCardFrame;

constexpr UINT ID_ABOUT = 40000, ID_OPTIONS = 40003, ID_UPDATE = 40007, ID_CLOSE = 40005;
constexpr int ROW = 22, TOP = 2; // row height and frame of the painted menu
// The update question's box: Yes and No with the information icon, above every window.
constexpr UINT YES_NO_BOX = MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST;

inline std::vector<TMsg> OwnerSeen;
inline std::function<void()> OnTick; // runs inside the modal loops, from the owner's timer

inline LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && OnTick) {
        OnTick();
        return 0;
    }
    if (msg == WM_COMMAND || msg == WM_USER + 1)
        OwnerSeen.push_back(TMsg{hwnd, msg, wParam, lParam, 0, {}});
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

// The program's menu: one popup, "Dosya", with four commands.
inline HMENU BuildMenu() {
    const HMENU bar = CreateMenu();
    const HMENU file = CreatePopupMenu();
    AppendMenu(file, MF_STRING, ID_ABOUT, u"&Hakkında");
    AppendMenu(file, MF_STRING, ID_OPTIONS, u"&Seçenekler");
    AppendMenu(file, MF_STRING, ID_UPDATE, u"&Güncelle");
    AppendMenu(file, MF_STRING, ID_CLOSE, u"&Kapat\tAlt+F4");
    AppendMenu(bar, MF_POPUP, file, u"Dosya");
    return bar;
}

inline HWND MakeOwner(int x, int y) {
    platformtest::RegisterProc(u"x11owner", OwnerProc);
    return platformtest::ShowCard(u"x11owner", x, y, TCardFrame(200, 150, 0));
}

inline UINT PostedCommand() {
    TMsg msg;
    UINT command = 0;
    while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_COMMAND)
            command = static_cast<UINT>(msg.wParam);
        DispatchMessage(&msg);
    }
    return command;
}

} // namespace dialogtest
