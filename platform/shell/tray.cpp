// The notification area: the program's requests go to the display's tray, input on an icon comes
// back as the icon's callback message (double clicks are made here, as the desktop's shell makes
// them), and the tip text shows after the hover time. The window manager hands over the tray's
// input and its timing through the hooks installed with the first icon.
#include "platform/shell/tray.h"

#include "platform/shell/tooltip_service.h"
#include "platform/wm/tray_hooks.h"

#include <cstdlib>
#include <map>
#include <utility>

namespace platform {
namespace {

constexpr int TRAY_TIP_WIDTH = 300;

// A tray icon the program asked for, docked or waiting for a tray to appear.
using TTrayKey = std::pair<HWND, UINT>;
struct TTrayEntry {
    UINT Callback = 0;
    std::u16string Tip;
};

// The pointer over the tray icons: the tip shown after the hover time, and the last press for
// double clicks.
struct TTrayPointer {
    TTrayKey Hovered{0, 0};
    TPoint Point;
    std::uint64_t TipDue = 0; // 0 when no tip is waiting
    bool Suppressed = false;  // a press hides the tip until the pointer comes back
    HWND TipWindow = 0;
    TTrayKey Pressed{0, 0};
    UINT PressMessage = 0; // 0 when the next press cannot complete a double click
    std::uint64_t PressTime = 0;
    TPoint PressPoint;
};

struct TTrayState {
    std::map<TTrayKey, TTrayEntry> TrayIcons;
    TTrayPointer TrayPointer;
};

TTrayState& State() {
    // Lives for the whole run, as the window manager's own state does, so that no window
    // destroyed late finds it gone.
    static auto* state = new TTrayState;
    return *state;
}

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

// Icons of a dead owner; the tip window when it is the one dying.
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

std::optional<std::uint64_t> TipDeadline() {
    const std::uint64_t due = State().TrayPointer.TipDue;
    return due != 0 ? std::optional<std::uint64_t>(due) : std::nullopt;
}

void ForgetAll() {
    State() = TTrayState{};
}

// Until the first icon the tray has nothing to hear about.
void HookIntoWindowManager() {
    static bool hooked = false;
    if (hooked) {
        return;
    }
    hooked = true;
    TTrayHooks hooks;
    hooks.Input = TrayInput;
    hooks.Check = CheckTrayTip;
    hooks.Deadline = TipDeadline;
    hooks.WindowGone = ForgetTray;
    hooks.Reset = ForgetAll;
    SetTrayHooks(hooks);
}

} // namespace

bool TrayAddIcon(HWND owner, UINT id, UINT callbackMessage, const TFrameView& icon,
                 const std::u16string& tip) {
    auto& s = State();
    if (!IsWindow(owner) || s.TrayIcons.count({owner, id}) != 0) {
        return false;
    }
    HookIntoWindowManager();
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
