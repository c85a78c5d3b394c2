// The notification area: each icon the program asks for is shown by a StatusNotifierItem when a
// host on the session bus shows those, and docked into the display's tray otherwise; it moves
// between the two as hosts come and go. Input on a docked icon comes back as the icon's callback
// message (double clicks are made here, as the desktop's shell makes them), and its tip shows
// after the hover time; an item's host reports its own clicks and shows its own tips. The window
// manager hands over the tray's input and its timing through the hooks installed with the first
// icon.
#include "platform/shell/tray.h"

#include "platform/dbus/status_notifier.h"
#include "platform/gfx/owners.h"
#include "platform/shell/popup_menu.h"
#include "platform/shell/tooltip_service.h"
#include "platform/wm/tray_hooks.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr int TRAY_TIP_WIDTH = 300;

// A tray icon the program asked for, docked or waiting for a tray to appear.
using TTrayKey = std::pair<HWND, UINT>;
enum class TShownBy { Nothing, Notifier, Screen };
struct TTrayEntry {
    UINT Callback = 0;
    std::u16string Tip;
    // The icon as given, at each of its sizes, kept so it can move between the screen's tray and
    // a host.
    struct TPicture {
        int Width = 0;
        int Height = 0;
        std::vector<std::uint32_t> Pixels;
    };
    std::vector<TPicture> Pictures;
    std::vector<TNotifierMenuItem> Menu;
    HWND MenuOwner = 0;
    TShownBy ShownBy = TShownBy::Nothing;
    std::vector<TFrameView> Views() const {
        std::vector<TFrameView> views;
        for (const TPicture& p : Pictures) {
            views.push_back(TFrameView{p.Pixels.data(), p.Width, p.Height, p.Width * 4});
        }
        return views;
    }
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

// One picture of the icon at size x size: its own of that size, else its best one drawn with a
// smooth filter and centred.
std::vector<std::uint32_t> Picture(const TTrayEntry& entry, int size) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(size) * size, 0);
    const int best = BestPictureFor(entry.Views(), size);
    if (best < 0) {
        return out;
    }
    const TTrayEntry::TPicture& e = entry.Pictures[static_cast<std::size_t>(best)];
    if (e.Width == size && e.Height == size) {
        return e.Pixels;
    }
    std::vector<std::uint32_t> source = e.Pixels;
    const TCairoSurfacePtr src(
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(source.data()),
                                            CAIRO_FORMAT_ARGB32, e.Width, e.Height, e.Width * 4));
    const TCairoSurfacePtr dst(cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(out.data()), CAIRO_FORMAT_ARGB32, size, size, size * 4));
    const TCairoPtr cr(cairo_create(dst.get()));
    const double scale =
        std::min(static_cast<double>(size) / e.Width, static_cast<double>(size) / e.Height);
    cairo_translate(cr.get(), (size - e.Width * scale) / 2, (size - e.Height * scale) / 2);
    cairo_scale(cr.get(), scale, scale);
    cairo_set_source_surface(cr.get(), src.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_BEST);
    cairo_paint(cr.get());
    cairo_surface_flush(dst.get());
    return out;
}

bool ShowAsItem(const TTrayKey& key, const TTrayEntry& e) {
    std::vector<std::vector<std::uint32_t>> pictures;
    TNotifierItemData data;
    data.Owner = key.first;
    data.Id = key.second;
    data.Callback = e.Callback;
    data.Tip = e.Tip;
    data.Menu = e.Menu;
    data.MenuOwner = e.MenuOwner;
    if (!e.Pictures.empty()) {
        for (const int size : TrayPictureSizes) {
            pictures.push_back(Picture(e, size));
            data.Icons.push_back(TFrameView{pictures.back().data(), size, size, size * 4});
        }
    }
    return ShowNotifierItem(data);
}

// Shows one icon where it belongs now: as the bus's item while a host shows items (one item per
// process: further icons dock on the screen), docked on the screen while none does, and nowhere
// yet while the bus is still asked. Never in both places.
bool Present(const TTrayKey& key, TTrayEntry& e) {
    const TNotifierHost host = NotifierHost();
    bool itemTaken = false;
    for (const auto& [k, other] : State().TrayIcons) {
        itemTaken = itemTaken || (k != key && other.ShownBy == TShownBy::Notifier);
    }
    if (host == TNotifierHost::Present && !itemTaken) {
        if (e.ShownBy == TShownBy::Screen) {
            Display().UndockTrayIcon(key.first, key.second);
            e.ShownBy = TShownBy::Nothing;
        }
        if (ShowAsItem(key, e)) {
            e.ShownBy = TShownBy::Notifier;
            return true;
        }
    } else if (host == TNotifierHost::Unknown && e.ShownBy != TShownBy::Screen) {
        if (e.ShownBy == TShownBy::Notifier) {
            return ShowAsItem(key, e);
        }
        return false;
    }
    if (e.ShownBy == TShownBy::Notifier) {
        HideNotifierItem();
    }
    e.ShownBy = TShownBy::Screen;
    return Display().DockTrayIcon(key.first, key.second, e.Views(), e.Tip);
}

void Withdraw(const TTrayKey& key, TTrayEntry& e) {
    if (e.ShownBy == TShownBy::Notifier) {
        HideNotifierItem();
    } else if (e.ShownBy == TShownBy::Screen) {
        Display().UndockTrayIcon(key.first, key.second);
    }
    e.ShownBy = TShownBy::Nothing;
}

// A host came or went: every icon moves to where it belongs now.
void HostChanged() {
    auto& icons = State().TrayIcons;
    // The one item first leaves, so another icon may take its place.
    for (auto& [key, e] : icons) {
        if (e.ShownBy == TShownBy::Notifier && NotifierHost() != TNotifierHost::Present) {
            Present(key, e);
        }
    }
    for (auto& [key, e] : icons) {
        Present(key, e);
    }
    HideTrayTip();
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
            Withdraw(key, it->second);
            it = s.TrayIcons.erase(it);
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
    for (auto& [key, e] : State().TrayIcons) {
        if (e.ShownBy == TShownBy::Notifier) {
            HideNotifierItem();
        }
    }
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
    SetNotifierHostObserver(HostChanged);
}

void KeepIcon(TTrayEntry& e, const std::vector<TFrameView>& icon) {
    e.Pictures.clear();
    for (const TFrameView& f : icon) {
        if (f.Pixels == nullptr || f.Width <= 0 || f.Height <= 0 || f.Stride < f.Width * 4) {
            continue;
        }
        TTrayEntry::TPicture p;
        p.Width = f.Width;
        p.Height = f.Height;
        p.Pixels.reserve(static_cast<std::size_t>(f.Width) * f.Height);
        for (int y = 0; y < f.Height; ++y) {
            for (int x = 0; x < f.Width; ++x) {
                p.Pixels.push_back(f.Pixel(x, y));
            }
        }
        e.Pictures.push_back(std::move(p));
    }
}

} // namespace

bool TrayAddIcon(HWND owner, UINT id, UINT callbackMessage, const TFrameView& icon,
                 const std::u16string& tip) {
    return TrayAddIcon(owner, id, callbackMessage, std::vector<TFrameView>{icon}, tip);
}

bool TrayModifyIcon(HWND owner, UINT id, const TFrameView& icon, const std::u16string& tip) {
    return TrayModifyIcon(owner, id, std::vector<TFrameView>{icon}, tip);
}

bool TrayAddIcon(HWND owner, UINT id, UINT callbackMessage, const std::vector<TFrameView>& icon,
                 const std::u16string& tip) {
    auto& s = State();
    if (!IsWindow(owner) || s.TrayIcons.count({owner, id}) != 0) {
        return false;
    }
    HookIntoWindowManager();
    // Kept even when nothing takes it now: a tray or a host may appear later, and its input must
    // then find the callback.
    TTrayEntry& e = s.TrayIcons[{owner, id}];
    e.Callback = callbackMessage;
    e.Tip = tip;
    KeepIcon(e, icon);
    return Present({owner, id}, e);
}

bool TrayModifyIcon(HWND owner, UINT id, const std::vector<TFrameView>& icon,
                    const std::u16string& tip) {
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
    KeepIcon(it->second, icon);
    return Present(it->first, it->second);
}

bool TrayDeleteIcon(HWND owner, UINT id) {
    auto& s = State();
    auto it = s.TrayIcons.find({owner, id});
    if (it == s.TrayIcons.end()) {
        return false;
    }
    Withdraw(it->first, it->second);
    s.TrayIcons.erase(it);
    ForgetHovered({owner, id});
    return true;
}

bool TraySetMenu(HWND owner, UINT id, HMENU menu, HWND menuOwner) {
    auto& s = State();
    auto it = s.TrayIcons.find({owner, id});
    if (it == s.TrayIcons.end()) {
        return false;
    }
    std::vector<TNotifierMenuItem> items;
    const int count = IsMenu(menu) ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        const UINT flags = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (flags & MF_POPUP) {
            continue; // the program's tray menu has no submenus; a host gets the plain items
        }
        TNotifierMenuItem item;
        item.Separator = (flags & MF_SEPARATOR) != 0;
        item.Enabled = (flags & (MF_GRAYED | MF_DISABLED)) == 0;
        item.Command = GetMenuItemID(menu, i);
        item.Text = GetMenuString(menu, static_cast<UINT>(i), MF_BYPOSITION);
        items.push_back(std::move(item));
    }
    TTrayEntry& e = it->second;
    e.Menu = std::move(items);
    e.MenuOwner = menuOwner;
    if (e.ShownBy == TShownBy::Notifier) {
        ShowAsItem(it->first, e);
    }
    return true;
}

bool TrayGetEventPoint(HWND owner, UINT id, TPoint* point) {
    return NotifierEventPoint(owner, id, point);
}

HWND GetTrayTipWindow() {
    return State().TrayPointer.TipWindow;
}

} // namespace platform
