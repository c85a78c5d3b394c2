// The seam between the window manager and a screen. A display backend owns top-level surfaces,
// reports raw input in screen coordinates, knows the screen's facts and keeps the clock; it does
// no routing and knows nothing of child windows, which live only in the window manager.
#pragma once

#include "platform/types.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What the window manager asks for when a top-level window gets its surface.
struct TSurfaceParams {
    HWND Window = 0;
    TRect Bounds;
    bool Topmost = false;
    bool ToolWindow = false;  // no taskbar entry
    bool Layered = false;     // per-pixel alpha frames will be presented
    bool Popup = false;       // menus and tips: never activated, outside the desktop's stacking
    bool AcceptDrops = false; // other programs may drop links on it
    std::u16string Title;
};

// A borrowed view of premultiplied ARGB32 pixels (one native-endian 0xAARRGGBB word per pixel,
// rows top-down, Stride in bytes).
struct TFrameView {
    const std::uint32_t* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    int Stride = 0;
    std::uint32_t Pixel(int x, int y) const {
        return *reinterpret_cast<const std::uint32_t*>(
            reinterpret_cast<const std::uint8_t*>(Pixels) +
            static_cast<std::ptrdiff_t>(y) * Stride + static_cast<std::ptrdiff_t>(x) * 4);
    }
};

// Of an icon drawn at several sizes, the picture to show in a square of `size` pixels: the one of
// that size, else the smallest bigger one (to be scaled down), else the biggest; -1 for none.
inline int BestPictureFor(const std::vector<TFrameView>& pictures, int size) {
    int best = -1;
    for (int i = 0; i < static_cast<int>(pictures.size()); ++i) {
        const int side = std::min(pictures[i].Width, pictures[i].Height);
        if (pictures[i].Pixels == nullptr || side <= 0) {
            continue;
        }
        if (best < 0) {
            best = i;
            continue;
        }
        const int had = std::min(pictures[best].Width, pictures[best].Height);
        const bool fits = side >= size, fitted = had >= size;
        if ((fits && (!fitted || side < had)) || (!fits && !fitted && side > had)) {
            best = i;
        }
    }
    return best;
}

enum class TMouseButton { Left = 1, Right = 2, Middle = 3 };

// Modifier bits every input event carries, as the backend saw them when it happened.
constexpr std::uint32_t MOD_SHIFT = 0x1;
constexpr std::uint32_t MOD_CONTROL = 0x2;
constexpr std::uint32_t MOD_ALT = 0x4;
// A backend that knows which buttons were held before a pointer event sets MOD_BUTTONS with them,
// so a press whose release went to another program is not taken as still held.
constexpr std::uint32_t MOD_BUTTONS = 0x100;
constexpr std::uint32_t MOD_LBUTTON = 0x200;
constexpr std::uint32_t MOD_RBUTTON = 0x400;
constexpr std::uint32_t MOD_MBUTTON = 0x800;

enum class TInputKind {
    PointerMove,    // Point
    ButtonDown,     // Point, Button
    ButtonUp,       // Point, Button
    Wheel,          // Point, WheelDelta (120 per notch, positive away from the user)
    KeyDown,        // Key (virtual key code), Text (what the key types; may be empty)
    KeyUp,          // Key
    PointerLeave,   // the pointer left all of our surfaces
    Activated,      // Window (ours) became the active surface
    Deactivated,    // our active surface lost the activation to something that is not ours
    CloseRequest,   // Window: the user asked the surface to close
    EndSession,     // the session is ending
    TrayButtonDown, // Window, Id of a docked icon; Button, Point
    TrayButtonUp,   // Window, Id; Button, Point
    TrayMove,       // Window, Id; Point
    TrayLeave,      // Window, Id: the pointer left the icon
    DragEnter,      // Window, Point: another program's drag came over a surface that accepts drops
    Drop,           // Window, Point, Text: the link dropped there (empty: nothing usable came)
    ClipboardText,  // Window, Text: the answer to RequestClipboardText (empty: no text came)
    DisplayChange,  // monitors came, went, moved or changed size
    WorkAreaChange, // panels changed what they leave free of the monitors
    ScaleChange,    // the desktop's scale factor changed (Scale tells the new one)
};

// A descriptor of another service on the window thread (a D-Bus connection) that a wait
// watches as well. Events and Ready carry poll's bits.
struct TWaitFd {
    int Fd = -1;
    short Events = 0;
    short Ready = 0;
};

// What a wait watches besides input, wakes and the deadline.
struct TWaitExtras {
    std::vector<TWaitFd> Fds;
    // Real milliseconds after which the wait ends, whatever the display's clock says; -1 for
    // none. The services keep their own timeouts in real time.
    int RealTimeout = -1;
};

struct TInputEvent {
    TInputKind Kind = TInputKind::PointerMove;
    std::uint64_t Time = 0; // clock milliseconds
    TPoint Point;           // screen coordinates
    TMouseButton Button = TMouseButton::Left;
    int WheelDelta = 0;
    UINT Key = 0;
    std::u16string Text;
    std::uint32_t Modifiers = 0;
    // The surface the event concerns. For pointer events: the surface under the pointer (not a
    // grabbing one), which then alone is hit-tested; 0 lets the window manager search them all.
    HWND Window = 0;
    UINT Id = 0;
};

// The desktop scales the program supports: 1 to 3 in quarter steps. Pictures are drawn at a
// whole factor: the scale when it is whole, else the next whole one.
constexpr double MinScale = 1;
constexpr double MaxScale = 3;
inline int RenderScaleFor(double scale) {
    const int whole = static_cast<int>(scale);
    const int factor = scale > whole ? whole + 1 : whole;
    return factor < 1                            ? 1
           : factor > static_cast<int>(MaxScale) ? static_cast<int>(MaxScale)
                                                 : factor;
}

// Coordinates crossing this seam are logical pixels: the screen's pixels divided by the
// desktop's scale factor (Scale), so that the layers above keep the skin's 96-DPI geometry on
// any screen. A presented frame is the exception: it holds device pixels, drawn at a whole
// factor of its logical bounds, and the backend fits it to the screen's pixels.
class TDisplay {
public:
    virtual ~TDisplay() = default;

    // Top-level surfaces, keyed by the window's handle.
    virtual bool CreateSurface(const TSurfaceParams& params) = 0;
    virtual void DestroySurface(HWND window) = 0;
    virtual void MoveSurface(HWND window, const TRect& bounds) = 0;
    // Where the surface's top-left corner is, in logical pixels at the scale in force now (after
    // a scale change: where it stands on the screen, which a move there keeps exactly).
    virtual TPoint SurfaceOrigin(HWND window) = 0;
    virtual void ShowSurface(HWND window, bool visible) = 0;
    virtual void SetSurfaceTopmost(HWND window, bool topmost) = 0;
    virtual void RaiseSurface(HWND window) = 0;
    // Asks for the input focus of the screen; the answer comes back as an Activated event or
    // not at all.
    virtual void ActivateSurface(HWND window) = 0;
    // Replaces the whole image of a layered surface at once and derives its input region from the
    // pixels whose alpha is not 0. The frame is bounds' size times a whole factor (the one the
    // picture was drawn at); a factor that is not the screen's is reduced smoothly to it. False
    // leaves the previous image.
    virtual bool PresentFrame(HWND window, const TRect& bounds, const TFrameView& frame,
                              std::uint8_t alpha) = 0;
    // Constant alpha of a surface painted without per-pixel alpha.
    virtual void SetSurfaceAlpha(HWND window, std::uint8_t alpha) = 0;
    // Routes every pointer event to us until released with 0 (capture and the move loop).
    virtual void GrabPointer(HWND window) = 0;
    // The pictures the desktop may show for the surface (taskbar, switcher), each premultiplied
    // ARGB32 and of its own size; none removes them.
    virtual void SetSurfaceIcon(HWND window, const std::vector<TFrameView>& images) = 0;

    // Raw input in arrival order; false when nothing is pending.
    virtual bool NextEvent(TInputEvent& event) = 0;
    // Blocks until input is pending, Wake was called, or the clock reaches the deadline; with
    // extras also until one of their descriptors is ready (Ready filled in) or their real
    // timeout has passed. A Wake that comes before the wait makes the next wait return at once.
    virtual void Wait(std::optional<std::uint64_t> deadline, TWaitExtras* extras = nullptr) = 0;
    // Safe from any thread, as is Now.
    virtual void Wake() = 0;

    // Screen facts.
    virtual TRect ScreenRect() = 0;
    // The desktop's scale factor: 1 at 96 DPI, 2 on a 200 % desktop, possibly fractional
    // (quarter steps from 1 to 3).
    virtual double Scale() = 0;
    // Read afresh on every call; never none (the whole screen when nothing more is known). A
    // change is reported as a DisplayChange or WorkAreaChange event.
    virtual std::vector<TMonitor> Monitors() = 0;
    virtual TPoint PointerPosition() = 0;
    virtual DWORD DoubleClickTime() = 0;
    virtual TPoint DoubleClickSize() = 0; // width and height of the box two clicks must share
    virtual DWORD HoverTime() = 0;
    virtual void SetCursorShape(int cursorId) = 0; // one of the IDC_ ids

    // The clock: monotonic milliseconds and a sleep on the same time line.
    virtual std::uint64_t Now() = 0;
    // Milliseconds on a clock that, unlike Now, keeps running while the machine sleeps: the two
    // drift apart by exactly the time spent asleep.
    virtual std::uint64_t BootTime() = 0;
    virtual void Sleep(DWORD ms) = 0;

    // Other programs' data. A drop is only reported for a surface made with AcceptDrops, and only
    // where its input region is. The clipboard's text is asked for on behalf of a surface and
    // always answered with a ClipboardText event, empty when none came in time.
    virtual void RequestClipboardText(HWND window) = 0;

    // The tray: false when the icon is not docked now. A backend that can watch for a tray
    // keeps the icon and docks it when one appears (or comes back), until it is undocked.
    // The icon comes drawn at one or more sizes; the backend shows BestPictureFor its slot.
    virtual bool DockTrayIcon(HWND owner, UINT id, const std::vector<TFrameView>& icon,
                              const std::u16string& tip) = 0;
    virtual void UndockTrayIcon(HWND owner, UINT id) = 0;
};

// Installs the backend every window-manager call talks to. Installing forgets every window,
// timer, queued message and input state of the previous backend without sending any message;
// classes and atoms are kept. Without an installed backend the first use installs a headless one.
void SetDisplay(std::unique_ptr<TDisplay> display);
TDisplay& Display();

} // namespace platform
