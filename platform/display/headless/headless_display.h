// display/headless/ is the screen of the tests and the window manager's default, all in this
// file and its source.
//
// An in-memory screen for tests: its monitors, work areas and clock are set by the test, input is
// injected as if a user produced it, and every presented frame is kept for inspection. Time
// moves only when the test advances it, when the program sleeps, or when the window manager
// waits for a deadline with nothing else to do (so a five-minute timer fires at once).
#pragma once

#include "platform/display.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

class THeadlessDisplay : public TDisplay {
public:
    // A copy of one presented frame.
    struct TFrame {
        HWND Window = 0;
        TRect Bounds;
        std::uint8_t Alpha = 255;
        int Width = 0;
        int Height = 0;
        std::vector<std::uint32_t> Pixels; // Width * Height, rows top-down
        std::uint32_t Pixel(int x, int y) const {
            return Pixels[static_cast<std::size_t>(y) * Width + x];
        }
    };
    // One picture of a surface's icon, rows top-down without padding.
    struct TIconImage {
        int Width = 0;
        int Height = 0;
        std::vector<std::uint32_t> Pixels;
    };
    struct TSurface {
        TSurfaceParams Params;
        TRect Bounds;
        bool Visible = false;
        bool Topmost = false;
        std::uint8_t Alpha = 255;
        int Raises = 0;
        std::vector<TIconImage> Icon; // as last set
    };
    struct TTrayIcon {
        HWND Owner = 0;
        UINT Id = 0;
        int Width = 0; // of the picture shown in the tray's slot
        int Height = 0;
        std::u16string Tip;
    };
    // The side of the tray's square slots, in pixels.
    static constexpr int TraySlot = 22;

    THeadlessDisplay();
    ~THeadlessDisplay() override;
    THeadlessDisplay(const THeadlessDisplay&) = delete;
    THeadlessDisplay& operator=(const THeadlessDisplay&) = delete;

    // Settings. A change of the monitors or of a work area is reported as the X11 screen
    // reports it (a DisplayChange or WorkAreaChange event); setting what is already there is
    // no change.
    void SetScreenSize(int width, int height); // one monitor, its work area the whole of it
    // The work area of the monitor that holds most of area (the primary one when none does).
    void SetWorkArea(const TRect& area);
    // The screen then reaches around all of them. An empty list leaves the monitors as they are.
    void SetMonitors(const std::vector<TMonitor>& monitors);
    // The primary monitor's work area.
    TRect WorkArea();
    void SetTime(std::uint64_t ms);
    void Advance(std::uint64_t ms);
    // The machine slept for ms: BootTime moves on, the monotonic clock does not.
    void Suspend(std::uint64_t ms);
    // When false, a wait for a deadline blocks for real until input or a post arrives.
    void SetAutoAdvance(bool on);
    void SetDoubleClickTime(DWORD ms);
    void SetHoverTime(DWORD ms);
    // The desktop's scale factor; a new one is reported as a ScaleChange event. Frames then
    // arrive drawn at its whole factor; coordinates stay logical.
    void SetScale(double scale);
    // Without a tray, icons wait and dock when it becomes available.
    void SetTrayAvailable(bool available);

    // Input, queued for the window manager in this order. Positions are screen coordinates.
    void MovePointer(int x, int y);
    void PressButton(TMouseButton button = TMouseButton::Left);
    void ReleaseButton(TMouseButton button = TMouseButton::Left);
    void Click(int x, int y, TMouseButton button = TMouseButton::Left); // move, press, release
    void Wheel(int delta);                                              // 120 per notch
    void KeyDown(UINT virtualKey, const std::u16string& text = {});
    void KeyUp(UINT virtualKey);
    void LeaveScreen();             // the pointer went to something that is not ours
    void ActivateOther();           // another program's window took the activation
    void RequestClose(HWND window); // as the close button or Alt+F4 of the desktop does
    void EndSession();
    void TrayButton(HWND owner, UINT id, TMouseButton button, bool down);
    void TrayMove(HWND owner, UINT id, int x, int y); // also moves the pointer there
    void TrayLeave(HWND owner, UINT id);
    // Another program's drag over a surface: it comes over the point, then drops Text there
    // (empty Text: what was dropped held no link). Reported only for surfaces that accept drops.
    void DragEnter(HWND window, int x, int y);
    void Drop(HWND window, int x, int y, const std::u16string& text);
    // What the clipboard holds for the next requests (nullopt: no text; the answer is empty).
    void SetClipboardText(std::optional<std::u16string> text);
    int ClipboardRequests() const;

    // What the program did.
    std::vector<TFrame> Frames() const;
    std::size_t FrameCount() const;
    TFrame LastFrame(HWND window) const; // empty frame when none was presented
    bool HasSurface(HWND window) const;
    TSurface Surface(HWND window) const;
    std::vector<HWND> ActivationRequests() const;
    HWND ActiveSurface() const;
    int CursorShape() const;
    HWND PointerGrab() const;
    std::vector<TTrayIcon> TrayIcons() const;
    void ClearFrames();

    // TDisplay.
    bool CreateSurface(const TSurfaceParams& params) override;
    void DestroySurface(HWND window) override;
    void MoveSurface(HWND window, const TRect& bounds) override;
    TPoint SurfaceOrigin(HWND window) override;
    void ShowSurface(HWND window, bool visible) override;
    void SetSurfaceTopmost(HWND window, bool topmost) override;
    void RaiseSurface(HWND window) override;
    void ActivateSurface(HWND window) override;
    bool PresentFrame(HWND window, const TRect& bounds, const TFrameView& frame,
                      std::uint8_t alpha) override;
    void SetSurfaceAlpha(HWND window, std::uint8_t alpha) override;
    void GrabPointer(HWND window) override;
    void SetSurfaceIcon(HWND window, const std::vector<TFrameView>& images) override;
    bool NextEvent(TInputEvent& event) override;
    void Wait(std::optional<std::uint64_t> deadline, TWaitExtras* extras) override;
    void Wake() override;
    TRect ScreenRect() override;
    double Scale() override;
    std::vector<TMonitor> Monitors() override;
    TPoint PointerPosition() override;
    DWORD DoubleClickTime() override;
    TPoint DoubleClickSize() override;
    DWORD HoverTime() override;
    void SetCursorShape(int cursorId) override;
    std::uint64_t Now() override;
    std::uint64_t BootTime() override;
    void Sleep(DWORD ms) override;
    bool DockTrayIcon(HWND owner, UINT id, const std::vector<TFrameView>& icon,
                      const std::u16string& tip) override;
    void UndockTrayIcon(HWND owner, UINT id) override;
    void RequestClipboardText(HWND window) override;

private:
    void PushTransfer(TInputKind kind, HWND window, TPoint point, std::u16string text);

    void Push(TInputEvent event); // caller holds Lock
    void NotifyLocked();          // wakes a wait in either form; caller holds Lock
    // A wait that also watches other services' descriptors, for real.
    void WaitWithExtras(std::optional<std::uint64_t> deadline, TWaitExtras& extras);
    std::uint32_t ModifiersLocked() const;
    // Takes the new monitors and reports what changed; caller holds Lock.
    void ChangeMonitorsLocked(std::vector<TMonitor> monitors);

    mutable std::mutex Lock;
    std::condition_variable Signal;
    std::deque<TInputEvent> Events;
    bool Woken = false;
    bool AutoAdvance = true;
    std::uint64_t Clock = 0;
    std::uint64_t Slept = 0;
    int WakeFd = -1; // signalled with the condition, for waits that poll descriptors
    TRect Screen{0, 0, 1280, 1024};
    std::vector<TMonitor> Screens{TMonitor{Screen, Screen, true}};
    TPoint Pointer;
    DWORD DoubleClick = 500;
    DWORD Hover = 400;
    double DesktopScale = 1;
    int Cursor = 32512;
    HWND Grab = 0;
    HWND Active = 0;
    bool TrayAvailable = true;
    bool Shift = false, Control = false, Alt = false;
    std::map<HWND, TSurface> Surfaces;
    std::vector<TFrame> Captured;
    std::vector<HWND> Activations;
    std::map<std::pair<HWND, UINT>, TTrayIcon> Tray;
    std::map<std::pair<HWND, UINT>, TTrayIcon> TrayWaiting;
    std::optional<std::u16string> Clipboard;
    int ClipboardAsked = 0;
};

// Installs a fresh headless display (which also forgets all windows) and returns it; the window
// manager owns it until the next installation. Part of the window manager (platform_wm), whose
// default screen this is.
THeadlessDisplay& InstallHeadlessDisplay();

} // namespace platform
