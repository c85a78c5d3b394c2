// The in-memory screen. Everything is behind one lock, since posts from worker threads wake it.
#include "platform/display/headless/headless_display.h"

#include "platform/messages.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>

namespace platform {

THeadlessDisplay::THeadlessDisplay() : WakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

THeadlessDisplay::~THeadlessDisplay() {
    if (WakeFd >= 0) {
        close(WakeFd);
    }
}

void THeadlessDisplay::NotifyLocked() {
    Signal.notify_all();
    if (WakeFd >= 0) {
        const std::uint64_t one = 1;
        const ssize_t written = write(WakeFd, &one, sizeof one);
        (void)written; // a full counter wakes the poll as well
    }
}

void THeadlessDisplay::ChangeMonitorsLocked(std::vector<TMonitor> monitors) {
    bool moved = monitors.size() != Screens.size();
    bool panels = false;
    for (std::size_t i = 0; !moved && i < monitors.size(); ++i) {
        moved =
            monitors[i].Bounds != Screens[i].Bounds || monitors[i].Primary != Screens[i].Primary;
        panels = panels || monitors[i].Work != Screens[i].Work;
    }
    Screens = std::move(monitors);
    Screen = Screens.front().Bounds;
    for (const auto& m : Screens) {
        Screen.Left = std::min(Screen.Left, m.Bounds.Left);
        Screen.Top = std::min(Screen.Top, m.Bounds.Top);
        Screen.Right = std::max(Screen.Right, m.Bounds.Right);
        Screen.Bottom = std::max(Screen.Bottom, m.Bounds.Bottom);
    }
    if (moved || panels) {
        TInputEvent e;
        e.Kind = moved ? TInputKind::DisplayChange : TInputKind::WorkAreaChange;
        Push(std::move(e));
    }
}

void THeadlessDisplay::SetScreenSize(int width, int height) {
    std::lock_guard<std::mutex> guard(Lock);
    const TRect whole{0, 0, width, height};
    ChangeMonitorsLocked({TMonitor{whole, whole, true}});
}

void THeadlessDisplay::SetWorkArea(const TRect& area) {
    std::lock_guard<std::mutex> guard(Lock);
    std::vector<TMonitor> monitors = Screens;
    std::size_t holder = monitors.size();
    long long most = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const TRect& b = monitors[i].Bounds;
        const long long w =
            std::max(0, std::min(area.Right, b.Right) - std::max(area.Left, b.Left));
        const long long h =
            std::max(0, std::min(area.Bottom, b.Bottom) - std::max(area.Top, b.Top));
        if (w * h > most) {
            most = w * h;
            holder = i;
        }
    }
    for (std::size_t i = 0; holder == monitors.size() && i < monitors.size(); ++i) {
        if (monitors[i].Primary) {
            holder = i;
        }
    }
    monitors[holder == monitors.size() ? 0 : holder].Work = area;
    ChangeMonitorsLocked(std::move(monitors));
}

void THeadlessDisplay::SetMonitors(const std::vector<TMonitor>& monitors) {
    std::lock_guard<std::mutex> guard(Lock);
    if (!monitors.empty()) {
        ChangeMonitorsLocked(monitors);
    }
}

TRect THeadlessDisplay::WorkArea() {
    std::lock_guard<std::mutex> guard(Lock);
    for (const auto& m : Screens) {
        if (m.Primary) {
            return m.Work;
        }
    }
    return Screens.front().Work;
}

void THeadlessDisplay::SetTime(std::uint64_t ms) {
    std::lock_guard<std::mutex> guard(Lock);
    Clock = ms;
    NotifyLocked();
}

void THeadlessDisplay::Advance(std::uint64_t ms) {
    std::lock_guard<std::mutex> guard(Lock);
    Clock += ms;
    NotifyLocked();
}

void THeadlessDisplay::Suspend(std::uint64_t ms) {
    std::lock_guard<std::mutex> guard(Lock);
    Slept += ms;
    NotifyLocked();
}

void THeadlessDisplay::SetAutoAdvance(bool on) {
    std::lock_guard<std::mutex> guard(Lock);
    AutoAdvance = on;
}

void THeadlessDisplay::SetScale(double scale) {
    std::lock_guard<std::mutex> guard(Lock);
    if (scale == DesktopScale || scale <= 0) {
        return;
    }
    // The surfaces stay where they are on the screen, which is elsewhere in logical pixels.
    for (auto& entry : Surfaces) {
        TRect& b = entry.second.Bounds;
        const int left = static_cast<int>(std::floor(b.Left * DesktopScale / scale));
        const int top = static_cast<int>(std::floor(b.Top * DesktopScale / scale));
        b = TRect{left, top, left + b.Width(), top + b.Height()};
    }
    DesktopScale = scale;
    TInputEvent event;
    event.Kind = TInputKind::ScaleChange;
    Push(event);
}

TPoint THeadlessDisplay::SurfaceOrigin(HWND window) {
    std::lock_guard<std::mutex> guard(Lock);
    auto it = Surfaces.find(window);
    return it != Surfaces.end() ? TPoint{it->second.Bounds.Left, it->second.Bounds.Top} : TPoint{};
}

double THeadlessDisplay::Scale() {
    std::lock_guard<std::mutex> guard(Lock);
    return DesktopScale;
}

void THeadlessDisplay::SetDoubleClickTime(DWORD ms) {
    std::lock_guard<std::mutex> guard(Lock);
    DoubleClick = ms;
}

void THeadlessDisplay::SetHoverTime(DWORD ms) {
    std::lock_guard<std::mutex> guard(Lock);
    Hover = ms;
}

void THeadlessDisplay::SetTrayAvailable(bool available) {
    std::lock_guard<std::mutex> guard(Lock);
    TrayAvailable = available;
    // A tray that goes away hands its icons back to wait for the next one.
    auto& from = available ? TrayWaiting : Tray;
    auto& to = available ? Tray : TrayWaiting;
    to.insert(from.begin(), from.end());
    from.clear();
}

std::uint32_t THeadlessDisplay::ModifiersLocked() const {
    return (Shift ? MOD_SHIFT : 0) | (Control ? MOD_CONTROL : 0) | (Alt ? MOD_ALT : 0);
}

void THeadlessDisplay::Push(TInputEvent event) {
    event.Time = Clock;
    event.Modifiers = ModifiersLocked();
    Events.push_back(std::move(event));
    NotifyLocked();
}

void THeadlessDisplay::MovePointer(int x, int y) {
    std::lock_guard<std::mutex> guard(Lock);
    Pointer = TPoint{x, y};
    TInputEvent e;
    e.Kind = TInputKind::PointerMove;
    e.Point = Pointer;
    Push(std::move(e));
}

void THeadlessDisplay::PressButton(TMouseButton button) {
    std::lock_guard<std::mutex> guard(Lock);
    TInputEvent e;
    e.Kind = TInputKind::ButtonDown;
    e.Point = Pointer;
    e.Button = button;
    Push(std::move(e));
}

void THeadlessDisplay::ReleaseButton(TMouseButton button) {
    std::lock_guard<std::mutex> guard(Lock);
    TInputEvent e;
    e.Kind = TInputKind::ButtonUp;
    e.Point = Pointer;
    e.Button = button;
    Push(std::move(e));
}

void THeadlessDisplay::Click(int x, int y, TMouseButton button) {
    MovePointer(x, y);
    PressButton(button);
    ReleaseButton(button);
}

void THeadlessDisplay::Wheel(int delta) {
    std::lock_guard<std::mutex> guard(Lock);
    TInputEvent e;
    e.Kind = TInputKind::Wheel;
    e.Point = Pointer;
    e.WheelDelta = delta;
    Push(std::move(e));
}

namespace {

void TrackModifier(UINT vk, bool down, bool& shift, bool& control, bool& alt) {
    switch (vk) {
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT:
        shift = down;
        break;
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL:
        control = down;
        break;
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
        alt = down;
        break;
    default:
        break;
    }
}

} // namespace

void THeadlessDisplay::KeyDown(UINT virtualKey, const std::u16string& text) {
    std::lock_guard<std::mutex> guard(Lock);
    TrackModifier(virtualKey, true, Shift, Control, Alt);
    TInputEvent e;
    e.Kind = TInputKind::KeyDown;
    e.Point = Pointer;
    e.Key = virtualKey;
    e.Text = text;
    Push(std::move(e));
}

void THeadlessDisplay::KeyUp(UINT virtualKey) {
    std::lock_guard<std::mutex> guard(Lock);
    TrackModifier(virtualKey, false, Shift, Control, Alt);
    TInputEvent e;
    e.Kind = TInputKind::KeyUp;
    e.Point = Pointer;
    e.Key = virtualKey;
    Push(std::move(e));
}

void THeadlessDisplay::LeaveScreen() {
    std::lock_guard<std::mutex> guard(Lock);
    TInputEvent e;
    e.Kind = TInputKind::PointerLeave;
    Push(std::move(e));
}

void THeadlessDisplay::ActivateOther() {
    std::lock_guard<std::mutex> guard(Lock);
    Active = 0;
    TInputEvent e;
    e.Kind = TInputKind::Deactivated;
    Push(std::move(e));
}

void THeadlessDisplay::RequestClose(HWND window) {
    std::lock_guard<std::mutex> guard(Lock);
    TInputEvent e;
    e.Kind = TInputKind::CloseRequest;
    e.Window = window;
    Push(std::move(e));
}

void THeadlessDisplay::EndSession() {
    std::lock_guard<std::mutex> guard(Lock);
    TInputEvent e;
    e.Kind = TInputKind::EndSession;
    Push(std::move(e));
}

void THeadlessDisplay::TrayButton(HWND owner, UINT id, TMouseButton button, bool down) {
    std::lock_guard<std::mutex> guard(Lock);
    TInputEvent e;
    e.Kind = down ? TInputKind::TrayButtonDown : TInputKind::TrayButtonUp;
    e.Window = owner;
    e.Id = id;
    e.Button = button;
    e.Point = Pointer;
    Push(std::move(e));
}

void THeadlessDisplay::TrayMove(HWND owner, UINT id, int x, int y) {
    std::lock_guard<std::mutex> guard(Lock);
    Pointer = TPoint{x, y};
    TInputEvent e;
    e.Kind = TInputKind::TrayMove;
    e.Window = owner;
    e.Id = id;
    e.Point = Pointer;
    Push(std::move(e));
}

void THeadlessDisplay::TrayLeave(HWND owner, UINT id) {
    std::lock_guard<std::mutex> guard(Lock);
    TInputEvent e;
    e.Kind = TInputKind::TrayLeave;
    e.Window = owner;
    e.Id = id;
    e.Point = Pointer;
    Push(std::move(e));
}

// Only where the surface accepts drops, as a real screen tells only such windows of a drag.
void THeadlessDisplay::PushTransfer(TInputKind kind, HWND window, TPoint point,
                                    std::u16string text) {
    std::lock_guard<std::mutex> guard(Lock);
    auto it = Surfaces.find(window);
    if (it == Surfaces.end() || !it->second.Params.AcceptDrops)
        return;
    TInputEvent e;
    e.Kind = kind;
    e.Window = window;
    e.Point = point;
    e.Text = std::move(text);
    Push(std::move(e));
}

void THeadlessDisplay::DragEnter(HWND window, int x, int y) {
    PushTransfer(TInputKind::DragEnter, window, TPoint{x, y}, {});
}

void THeadlessDisplay::Drop(HWND window, int x, int y, const std::u16string& text) {
    PushTransfer(TInputKind::Drop, window, TPoint{x, y}, text);
}

void THeadlessDisplay::SetClipboardText(std::optional<std::u16string> text) {
    std::lock_guard<std::mutex> guard(Lock);
    Clipboard = std::move(text);
}

int THeadlessDisplay::ClipboardRequests() const {
    std::lock_guard<std::mutex> guard(Lock);
    return ClipboardAsked;
}

void THeadlessDisplay::RequestClipboardText(HWND window) {
    std::u16string text;
    {
        std::lock_guard<std::mutex> guard(Lock);
        ++ClipboardAsked;
        text = Clipboard.value_or(std::u16string());
    }
    PushTransfer(TInputKind::ClipboardText, window, TPoint{}, std::move(text));
}

std::vector<THeadlessDisplay::TFrame> THeadlessDisplay::Frames() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Captured;
}

std::size_t THeadlessDisplay::FrameCount() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Captured.size();
}

THeadlessDisplay::TFrame THeadlessDisplay::LastFrame(HWND window) const {
    std::lock_guard<std::mutex> guard(Lock);
    for (auto it = Captured.rbegin(); it != Captured.rend(); ++it) {
        if (it->Window == window) {
            return *it;
        }
    }
    return TFrame{};
}

bool THeadlessDisplay::HasSurface(HWND window) const {
    std::lock_guard<std::mutex> guard(Lock);
    return Surfaces.count(window) != 0;
}

THeadlessDisplay::TSurface THeadlessDisplay::Surface(HWND window) const {
    std::lock_guard<std::mutex> guard(Lock);
    auto it = Surfaces.find(window);
    return it == Surfaces.end() ? TSurface{} : it->second;
}

std::vector<HWND> THeadlessDisplay::ActivationRequests() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Activations;
}

HWND THeadlessDisplay::ActiveSurface() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Active;
}

int THeadlessDisplay::CursorShape() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Cursor;
}

HWND THeadlessDisplay::PointerGrab() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Grab;
}

std::vector<THeadlessDisplay::TTrayIcon> THeadlessDisplay::TrayIcons() const {
    std::lock_guard<std::mutex> guard(Lock);
    std::vector<TTrayIcon> icons;
    for (const auto& [key, icon] : Tray) {
        icons.push_back(icon);
    }
    return icons;
}

void THeadlessDisplay::ClearFrames() {
    std::lock_guard<std::mutex> guard(Lock);
    Captured.clear();
}

bool THeadlessDisplay::CreateSurface(const TSurfaceParams& params) {
    std::lock_guard<std::mutex> guard(Lock);
    TSurface surface;
    surface.Params = params;
    surface.Bounds = params.Bounds;
    surface.Topmost = params.Topmost;
    Surfaces[params.Window] = surface;
    return true;
}

void THeadlessDisplay::DestroySurface(HWND window) {
    std::lock_guard<std::mutex> guard(Lock);
    Surfaces.erase(window);
    if (Active == window) {
        Active = 0;
    }
    if (Grab == window) {
        Grab = 0;
    }
}

void THeadlessDisplay::MoveSurface(HWND window, const TRect& bounds) {
    std::lock_guard<std::mutex> guard(Lock);
    auto it = Surfaces.find(window);
    if (it != Surfaces.end()) {
        it->second.Bounds = bounds;
    }
}

void THeadlessDisplay::ShowSurface(HWND window, bool visible) {
    std::lock_guard<std::mutex> guard(Lock);
    auto it = Surfaces.find(window);
    if (it != Surfaces.end()) {
        it->second.Visible = visible;
    }
}

void THeadlessDisplay::SetSurfaceTopmost(HWND window, bool topmost) {
    std::lock_guard<std::mutex> guard(Lock);
    auto it = Surfaces.find(window);
    if (it != Surfaces.end()) {
        it->second.Topmost = topmost;
    }
}

void THeadlessDisplay::RaiseSurface(HWND window) {
    std::lock_guard<std::mutex> guard(Lock);
    auto it = Surfaces.find(window);
    if (it != Surfaces.end()) {
        ++it->second.Raises;
    }
}

void THeadlessDisplay::ActivateSurface(HWND window) {
    std::lock_guard<std::mutex> guard(Lock);
    Activations.push_back(window);
    Active = window;
}

bool THeadlessDisplay::PresentFrame(HWND window, const TRect& bounds, const TFrameView& frame,
                                    std::uint8_t alpha) {
    if (!frame.Pixels || frame.Width <= 0 || frame.Height <= 0 || frame.Stride < frame.Width * 4) {
        return false;
    }
    TFrame copy;
    copy.Window = window;
    copy.Bounds = bounds;
    copy.Alpha = alpha;
    copy.Width = frame.Width;
    copy.Height = frame.Height;
    copy.Pixels.reserve(static_cast<std::size_t>(frame.Width) * frame.Height);
    for (int y = 0; y < frame.Height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            reinterpret_cast<const std::uint8_t*>(frame.Pixels) +
            static_cast<std::ptrdiff_t>(y) * frame.Stride);
        copy.Pixels.insert(copy.Pixels.end(), row, row + frame.Width);
    }
    std::lock_guard<std::mutex> guard(Lock);
    auto it = Surfaces.find(window);
    if (it == Surfaces.end()) {
        return false;
    }
    it->second.Bounds = bounds;
    it->second.Alpha = alpha;
    Captured.push_back(std::move(copy));
    return true;
}

void THeadlessDisplay::SetSurfaceAlpha(HWND window, std::uint8_t alpha) {
    std::lock_guard<std::mutex> guard(Lock);
    auto it = Surfaces.find(window);
    if (it != Surfaces.end()) {
        it->second.Alpha = alpha;
    }
}

void THeadlessDisplay::GrabPointer(HWND window) {
    std::lock_guard<std::mutex> guard(Lock);
    Grab = window;
}

void THeadlessDisplay::SetSurfaceIcon(HWND window, const std::vector<TFrameView>& images) {
    std::vector<TIconImage> icon;
    for (const TFrameView& image : images) {
        TIconImage copy;
        copy.Width = image.Width;
        copy.Height = image.Height;
        for (int y = 0; y < image.Height; ++y) {
            for (int x = 0; x < image.Width; ++x) {
                copy.Pixels.push_back(image.Pixel(x, y));
            }
        }
        icon.push_back(std::move(copy));
    }
    std::lock_guard<std::mutex> guard(Lock);
    auto it = Surfaces.find(window);
    if (it != Surfaces.end()) {
        it->second.Icon = std::move(icon);
    }
}

bool THeadlessDisplay::NextEvent(TInputEvent& event) {
    std::lock_guard<std::mutex> guard(Lock);
    if (Events.empty()) {
        return false;
    }
    event = std::move(Events.front());
    Events.pop_front();
    return true;
}

void THeadlessDisplay::Wait(std::optional<std::uint64_t> deadline, TWaitExtras* extras) {
    if (extras != nullptr && (!extras->Fds.empty() || extras->RealTimeout >= 0)) {
        WaitWithExtras(deadline, *extras);
        return;
    }
    std::unique_lock<std::mutex> lock(Lock);
    auto ready = [&] { return !Events.empty() || Woken || (deadline && Clock >= *deadline); };
    if (!ready() && deadline && AutoAdvance) {
        Clock = *deadline; // nothing else can happen before the deadline, so skip to it
    }
    Signal.wait(lock, ready);
    Woken = false;
}

namespace {

// Polls the extras' descriptors (and the wake descriptor first) for at most timeout ms.
bool PollExtras(int wakeFd, TWaitExtras& extras, int timeout) {
    std::vector<pollfd> fds;
    fds.push_back(pollfd{wakeFd, POLLIN, 0});
    for (const TWaitFd& f : extras.Fds) {
        fds.push_back(pollfd{f.Fd, f.Events, 0});
    }
    int n = 0;
    do {
        n = poll(fds.data(), fds.size(), timeout);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        return false;
    }
    if ((fds[0].revents & POLLIN) != 0) {
        std::uint64_t value = 0;
        while (read(wakeFd, &value, sizeof value) > 0) {
        }
    }
    bool ready = false;
    for (std::size_t i = 0; i < extras.Fds.size(); ++i) {
        extras.Fds[i].Ready = fds[i + 1].revents;
        ready = ready || fds[i + 1].revents != 0;
    }
    return ready;
}

} // namespace

// The clock still skips to the deadline when nothing is pending, but only after the services'
// descriptors were seen idle; without a deadline the wait blocks for real.
void THeadlessDisplay::WaitWithExtras(std::optional<std::uint64_t> deadline, TWaitExtras& extras) {
    for (TWaitFd& f : extras.Fds) {
        f.Ready = 0;
    }
    auto ready = [&] { return !Events.empty() || Woken || (deadline && Clock >= *deadline); };
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(Lock);
            if (ready()) {
                Woken = false;
                PollExtras(WakeFd, extras, 0);
                return;
            }
        }
        if (PollExtras(WakeFd, extras, 0) || extras.RealTimeout == 0) {
            return;
        }
        int timeout = -1;
        {
            std::lock_guard<std::mutex> guard(Lock);
            if (deadline && AutoAdvance) {
                Clock = *deadline;
                return;
            }
        }
        if (extras.RealTimeout > 0) {
            const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count();
            if (spent >= extras.RealTimeout) {
                return;
            }
            timeout = static_cast<int>(extras.RealTimeout - spent);
        }
        if (PollExtras(WakeFd, extras, timeout)) {
            return;
        }
    }
}

void THeadlessDisplay::Wake() {
    std::lock_guard<std::mutex> guard(Lock);
    Woken = true;
    NotifyLocked();
}

TRect THeadlessDisplay::ScreenRect() {
    std::lock_guard<std::mutex> guard(Lock);
    return Screen;
}

std::vector<TMonitor> THeadlessDisplay::Monitors() {
    std::lock_guard<std::mutex> guard(Lock);
    return Screens;
}

TPoint THeadlessDisplay::PointerPosition() {
    std::lock_guard<std::mutex> guard(Lock);
    return Pointer;
}

DWORD THeadlessDisplay::DoubleClickTime() {
    std::lock_guard<std::mutex> guard(Lock);
    return DoubleClick;
}

TPoint THeadlessDisplay::DoubleClickSize() {
    return TPoint{4, 4};
}

DWORD THeadlessDisplay::HoverTime() {
    std::lock_guard<std::mutex> guard(Lock);
    return Hover;
}

void THeadlessDisplay::SetCursorShape(int cursorId) {
    std::lock_guard<std::mutex> guard(Lock);
    Cursor = cursorId;
}

std::uint64_t THeadlessDisplay::Now() {
    std::lock_guard<std::mutex> guard(Lock);
    return Clock;
}

std::uint64_t THeadlessDisplay::BootTime() {
    std::lock_guard<std::mutex> guard(Lock);
    return Clock + Slept;
}

void THeadlessDisplay::Sleep(DWORD ms) {
    Advance(ms);
}

bool THeadlessDisplay::DockTrayIcon(HWND owner, UINT id, const std::vector<TFrameView>& icon,
                                    const std::u16string& tip) {
    std::lock_guard<std::mutex> guard(Lock);
    // The picture a slot of the tray's size shows.
    const int shown = BestPictureFor(icon, TraySlot);
    TTrayIcon entry{owner, id, 0, 0, tip};
    if (shown >= 0) {
        entry.Width = icon[static_cast<std::size_t>(shown)].Width;
        entry.Height = icon[static_cast<std::size_t>(shown)].Height;
    }
    if (!TrayAvailable) {
        TrayWaiting[{owner, id}] = entry;
        return false;
    }
    Tray[{owner, id}] = entry;
    return true;
}

void THeadlessDisplay::UndockTrayIcon(HWND owner, UINT id) {
    std::lock_guard<std::mutex> guard(Lock);
    Tray.erase({owner, id});
    TrayWaiting.erase({owner, id});
}

} // namespace platform
