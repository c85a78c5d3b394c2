// display/x11/ is the real screen, the only room that includes Xlib; the program, mpsend, the
// x11 tests and the x11 benchmark link it. Read this file, then x11_internal.h (the state its
// sources share) and x11_display.cpp.
//
// The real screen: a display backend over an X server (Xlib). Layered surfaces are 32-bit ARGB
// windows without decorations whose input (and, without a compositing manager, visible) shape
// follows the presented alpha; input, activation, the session end and the system tray all come
// in through the one connection. Start with Open.
#pragma once

#include "platform/display.h"

#include <memory>
#include <string>

namespace platform {

struct TX11Options {
    bool UseShm = true; // MIT-SHM for frames when the server offers it
};

class TX11Display : public TDisplay {
public:
    // Connects to the named display ($DISPLAY when empty); null when no server answers.
    static std::unique_ptr<TX11Display> Open(const std::string& name = {},
                                             const TX11Options& options = {});
    ~TX11Display() override;
    TX11Display(const TX11Display&) = delete;
    TX11Display& operator=(const TX11Display&) = delete;

    // Facts for tests and the benchmark.
    bool UsingShm() const;
    bool Compositing() const; // a compositing manager owns the screen's selection
    bool Connected() const;   // false once the server connection was lost
    // The X id of a surface (0 when the window has none), so tests can aim real input at it.
    unsigned long NativeWindow(HWND window) const;
    // The primary monitor's work area.
    TRect WorkArea();
    // The X id of a docked tray icon window, 0 when not docked.
    unsigned long NativeTrayWindow(HWND owner, UINT id) const;

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

    struct TImpl;

private:
    explicit TX11Display(std::unique_ptr<TImpl> impl);
    std::unique_ptr<TImpl> Impl;
};

} // namespace platform
