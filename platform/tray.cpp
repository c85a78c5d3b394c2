// The notification-area icons as the window manager sees them: the program's requests go to the
// display's tray, input on an icon comes back as the icon's callback message (double clicks are
// made here, as the desktop's shell makes them), and the tip text shows after the hover time.
#include "platform/tooltip_service.h"
#include "platform/wm_internal.h"

#include <cstdlib>

namespace platform {
namespace wm {
namespace {

constexpr int TRAY_TIP_WIDTH = 300;

void HideTrayTip() {
    auto& p = State().TrayPointer;
    p.TipDue = 0;
    if (p.TipWindow != 0) {
        const HWND tip = p.TipWindow;
        p.TipWindow = 0;
        DestroyWindow(tip);
    }
}

void ForgetHovered(const TTrayKey& key) {
    auto& p = State().TrayPointer;
    if (p.Hovered == key) {
        HideTrayTip();
        p.Hovered = TTrayKey{0, 0};
    }
    if (p.Pressed == key) {
        p.PressMessage = 0;
    }
}

// Turns a press into a double click when it repeats the last press on the same icon soon enough
// and close enough; a third press starts a new pair.
UINT PressMessage(const TInputEvent& e, UINT down) {
    auto& p = State().TrayPointer;
    const TTrayKey key{e.Window, e.Id};
    const TPoint box = Display().DoubleClickSize();
    if (p.PressMessage == down && p.Pressed == key &&
        e.Time - p.PressTime <= Display().DoubleClickTime() &&
        std::abs(e.Point.X - p.PressPoint.X) <= box.X / 2 &&
        std::abs(e.Point.Y - p.PressPoint.Y) <= box.Y / 2) {
        p.PressMessage = 0;
        return down + 2;
    }
    p.Pressed = key;
    p.PressMessage = down;
    p.PressTime = e.Time;
    p.PressPoint = e.Point;
    return down;
}

} // namespace

void TrayInput(const TInputEvent& e) {
    auto& s = State();
    auto& p = s.TrayPointer;
    const TTrayKey key{e.Window, e.Id};
    if (e.Kind == TInputKind::TrayLeave) {
        if (p.Hovered == key) {
            HideTrayTip();
            p.Hovered = TTrayKey{0, 0};
        }
        return;
    }
    auto it = s.TrayIcons.find(key);
    if (it == s.TrayIcons.end()) {
        return;
    }
    const UINT callback = it->second.Callback;
    if (p.Hovered != key) {
        HideTrayTip();
        p.Hovered = key;
        p.Suppressed = false;
        p.TipDue = e.Time + Display().HoverTime(); // from when the pointer came
    }
    p.Point = e.Point;
    UINT mouse = WM_MOUSEMOVE;
    if (e.Kind != TInputKind::TrayMove) {
        HideTrayTip();
        p.Suppressed = true;
        const UINT down = e.Button == TMouseButton::Right    ? WM_RBUTTONDOWN
                          : e.Button == TMouseButton::Middle ? WM_MBUTTONDOWN
                                                             : WM_LBUTTONDOWN;
        mouse = e.Kind == TInputKind::TrayButtonUp ? down + 1 : PressMessage(e, down);
    }
    PostMessage(e.Window, callback, e.Id, static_cast<LPARAM>(mouse));
}

void CheckTrayTip() {
    auto& s = State();
    auto& p = s.TrayPointer;
    if (p.TipDue == 0 || Display().Now() < p.TipDue) {
        return;
    }
    p.TipDue = 0;
    auto it = s.TrayIcons.find(p.Hovered);
    if (it == s.TrayIcons.end() || p.Suppressed || p.TipWindow != 0) {
        return;
    }
    p.TipWindow = ShowTipWindow(it->second.Tip, p.Point, TRAY_TIP_WIDTH);
}

void ForgetTray(HWND hwnd) {
    auto& s = State();
    if (s.TrayPointer.TipWindow == hwnd) {
        s.TrayPointer.TipWindow = 0;
    }
    for (auto it = s.TrayIcons.begin(); it != s.TrayIcons.end();) {
        if (it->first.first == hwnd) {
            const TTrayKey key = it->first;
            it = s.TrayIcons.erase(it);
            Display().UndockTrayIcon(key.first, key.second);
            ForgetHovered(key);
        } else {
            ++it;
        }
    }
}

} // namespace wm

using namespace wm;

bool TrayAddIcon(HWND owner, UINT id, UINT callbackMessage, const TFrameView& icon,
                 const std::u16string& tip) {
    auto& s = State();
    if (!Find(owner) || s.TrayIcons.count({owner, id}) != 0) {
        return false;
    }
    // Kept even when no tray takes it now: the display may dock it into a tray that appears
    // later, and its input must then find the callback.
    s.TrayIcons[{owner, id}] = TTrayEntry{callbackMessage, tip};
    return Display().DockTrayIcon(owner, id, icon, tip);
}

bool TrayModifyIcon(HWND owner, UINT id, const TFrameView& icon, const std::u16string& tip) {
    auto& s = State();
    auto it = s.TrayIcons.find({owner, id});
    if (it == s.TrayIcons.end()) {
        return false;
    }
    auto& p = s.TrayPointer;
    if (it->second.Tip != tip) {
        it->second.Tip = tip;
        // A tip on screen shows the new text at once.
        if (p.TipWindow != 0 && p.Hovered == TTrayKey{owner, id}) {
            HideTrayTip();
            p.TipWindow = ShowTipWindow(tip, p.Point, TRAY_TIP_WIDTH);
        }
    }
    return Display().DockTrayIcon(owner, id, icon, tip);
}

bool TrayDeleteIcon(HWND owner, UINT id) {
    auto& s = State();
    if (s.TrayIcons.erase({owner, id}) == 0) {
        return false;
    }
    ForgetHovered({owner, id});
    Display().UndockTrayIcon(owner, id);
    return true;
}

HWND GetTrayTipWindow() {
    return State().TrayPointer.TipWindow;
}

} // namespace platform
