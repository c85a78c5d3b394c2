// Private state of the X11 backend, shared by its source files (connection, surfaces, input,
// screen facts, tray). Only the x11_*.cpp files include this header.
#pragma once

#include "platform/display/x11/x11_display.h"
#include "platform/display/x11/x11_monitors.h"
#include "platform/display/x11/x11_settings.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <deque>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {

// Atoms the backend names, interned once at start.
struct TX11Atoms {
    Atom WmProtocols, WmDeleteWindow, NetWmPing, MotifWmHints, NetWmState, NetWmStateAbove,
        NetWmStateSkipTaskbar, NetWmStateSkipPager, NetWmWindowType, NetWmWindowTypeUtility,
        NetWmWindowTypeDialog, NetWmWindowTypePopupMenu, NetWmWindowTypeTooltip, NetWmName,
        Utf8String, NetWmPid, NetActiveWindow, NetWorkArea, NetCurrentDesktop, NetWmWindowOpacity,
        NetSupportingWmCheck, NetCmSelection, XSettingsSelection, XSettingsSettings, TraySelection,
        TrayOpcode, TrayVisual, XEmbedInfo, XEmbed, Manager, NetWmIcon, XRootPmapId, EsetrootPmapId,
        ComptonShadow;
};

// Atoms of drag and drop and the clipboard (x11_dnd.cpp), in the order of their names there.
struct TX11TransferAtoms {
    Atom XdndAware, XdndEnter, XdndPosition, XdndStatus, XdndLeave, XdndDrop, XdndFinished,
        XdndSelection, XdndTypeList, XdndActionCopy, UriList, MozUrl, TextPlainUtf8, TextPlain,
        Clipboard, Incr, DropProperty, ClipboardProperty;
};

// The drag another client is making over one of our surfaces.
struct TX11Drag {
    ::Window Source = 0; // 0: no drag
    HWND Target = 0;
    ::Window TargetXid = 0;
    long Version = 0;
    Atom Type = 0;         // the format the link is read from; None when none will do
    TPoint Point;          // the last position, in screen coordinates
    bool Reported = false; // DragEnter was reported
    bool Accepted = false; // the last status accepted the drop
    bool Dropped = false;  // the data was asked for and has not come yet
    std::uint64_t Deadline = 0;
};

struct TX11ClipboardRequest {
    HWND Window = 0; // 0: none in flight
    std::uint64_t Deadline = 0;
};

// How long another client may take to hand its data over before it is given up on.
constexpr std::uint64_t TransferTimeoutMs = 3000;

// WM_CLASS of every window of ours; external senders find the widget by it.
constexpr const char* X11ResourceName = "minipelikora";
constexpr const char* X11ResourceClass = "Minipelikora";

struct TX11Surface {
    HWND Window = 0;
    ::Window Xid = 0;
    TRect Bounds;
    bool Layered = false;
    bool Popup = false; // override-redirect: menus, tips
    bool Topmost = false;
    bool WantVisible = false;
    bool Mapped = false;
    bool Viewable = false; // the server reported the map (a window manager may delay it)
    bool HasFrame = false;
    bool ActivatePending = false; // asked to activate before it could be mapped
    Pixmap Backing = 0;
    int BackingWidth = 0;
    int BackingHeight = 0;
    // The last frame as presented: premultiplied, its constant alpha already applied. Kept so
    // the picture can be put together again over a new desktop picture or place.
    std::vector<std::uint32_t> Frame;
    int FrameWidth = 0;
    int FrameHeight = 0;
    TPoint Origin; // where the server has the window's top-left corner on the screen
    // Layered windows stay one row short until the server has mapped them (see MapIfReady).
    bool ShortUntilMapped = false;
    std::vector<TRect> Shape;    // last input shape, to skip unchanged masks
    std::vector<TRect> Bounding; // last bounding shape
    bool HasShape = false;
    bool BoundingSet = false;
    bool AcceptDrops = false;
    // The part of the desktop picture under the window, opaque 0xFFRRGGBB, while it is valid
    // for BackdropSource at BackdropArea.
    Pixmap BackdropSource = 0;
    TRect BackdropArea;
    std::vector<std::uint32_t> Backdrop;
};

struct TX11TrayIcon {
    HWND Owner = 0;
    UINT Id = 0;
    ::Window Xid = 0; // 0 while waiting for a tray
    Visual* IconVisual = nullptr;
    int Depth = 0;
    Colormap Map = 0;
    int Width = 0;
    int Height = 0;
    // The icon as given, at each of its sizes, premultiplied ARGB32.
    struct TPicture {
        int Width = 0;
        int Height = 0;
        std::vector<std::uint32_t> Pixels;
    };
    std::vector<TPicture> Pictures;
    int IconWidth = 0; // of its smallest picture, the size it asks the tray for
    int IconHeight = 0;
    std::u16string Tip;
};

struct TX11Display::TImpl {
    TX11Options Options;
    ::Display* Dpy = nullptr;
    int Screen = 0;
    ::Window Root = 0;
    TX11Atoms Atoms{};
    bool Dead = false;
    bool EndSessionReported = false;
    int WakeFd = -1;

    // The visual every surface uses: 32-bit ARGB when the server has one.
    Visual* SurfaceVisual = nullptr;
    int SurfaceDepth = 24;
    Colormap SurfaceColormap = 0;
    GC SurfaceGc = nullptr;

    bool ShmAvailable = false;
    XShmSegmentInfo ShmInfo{};
    XImage* Image = nullptr; // staging image for frames, grown on demand
    int ImageWidth = 0;
    int ImageHeight = 0;
    std::vector<std::uint32_t> PlainBuffer; // pixels behind Image when SHM is off

    bool Compositing = false;
    // The picture the desktop draws behind every window (the root's published background
    // pixmap), 0 when none is published.
    Pixmap DesktopPicture = 0;
    bool XFixes = false;
    int XFixesEventBase = 0;
    bool Shape = false;

    std::map<HWND, TX11Surface> Surfaces;
    std::map<::Window, HWND> ByXid;
    std::deque<TInputEvent> Pending;
    HWND Active = 0;
    HWND Grab = 0;
    int CursorId = 0;
    std::map<int, Cursor> Cursors;

    std::vector<TX11TrayIcon> TrayIcons;

    TX11TransferAtoms TransferAtoms{};
    TX11Drag Drag;
    TX11ClipboardRequest Clipboard;
    Time LastUserTime = 0; // of the last key or button press, for selection requests
    bool RandR = false;    // 1.5 or later: monitors
    int RandREventBase = 0;
    Atom ClientListAtom = 0, StrutPartialAtom = 0, StrutAtom = 0;
    Atom GtkWorkAreasAtom = 0; // per-monitor work areas of the desktop below
    long GtkWorkAreasDesktop = -1;
    std::vector<TMonitor> KnownMonitors; // as last reported, to tell what a notice changed
    std::vector<TX11Strut> Struts;       // the docks' reserved space
    bool StrutsKnown = false;            // Struts holds until the next notice
    double Scale = 1;                    // the desktop's, as last read
    ::Window SettingsOwner = 0;          // the XSETTINGS manager's window we listen to

    ~TImpl();

    // x11_display.cpp
    TX11Surface* Find(HWND window);
    TX11Surface* FindByXid(::Window xid);
    void UpdateCompositing();
    bool EnsureImage(int width, int height);
    void FreeImage();
    void MapIfReady(TX11Surface& s);
    void WindowMapped(TX11Surface& s);
    // Asks the server (and the window manager) for the logical bounds; the picture is not
    // presented.
    void Move(TX11Surface& s, const TRect& logical);
    void SendNetWmState(TX11Surface& s, Atom state, bool add);
    void Redraw(TX11Surface& s, int x, int y, int w, int h);
    void Activate(TX11Surface& s);

    // x11_present.cpp
    // Puts the surface's kept frame on screen: as it is where a compositing manager blends it,
    // otherwise over the desktop picture when one is published; then the shapes.
    void Present(TX11Surface& s);
    void ApplyShapes(TX11Surface& s, const std::vector<TRect>& input,
                     const std::vector<TRect>& bounding);
    // The window manager reports the window at origin on the screen.
    void SurfaceMoved(TX11Surface& s, TPoint origin);
    // A picture that is put together over the desktop picture, which must follow its place.
    bool FollowsDesktopPicture(const TX11Surface& s) const;

    // x11_backdrop.cpp
    void ReadDesktopPicture();
    // Fills s.Backdrop for the screen area the frame covers; false when there is no desktop
    // picture to read.
    bool ReadBackdrop(TX11Surface& s, const TRect& area);

    // x11_input.cpp
    void Translate(XEvent& ev);
    void Push(TInputEvent ev);
    void SetActive(HWND window);
    void CheckActiveProperty();

    // x11_screen.cpp
    Cursor CursorFor(int cursorId);
    bool ReadSetting(const char* name, std::int32_t& value);
    // Every setting the XSETTINGS manager publishes; false when none runs.
    bool ReadSettings(TXSettings& settings);

    // x11_monitors.cpp
    void OpenMonitors();
    std::vector<TMonitor> ReadMonitors();
    const std::vector<TX11Strut>& DockStruts();
    // Follows monitor and work-area changes (reported as events); true when ev was one.
    bool WatchScreen(XEvent& ev);

    // x11_scale.cpp
    // Reads the desktop's scale afresh; a change is reported as a ScaleChange event.
    void ReadScale(bool report);
    // Follows the settings manager and the resources; true when ev was one of their notices.
    bool WatchScale(XEvent& ev);
    // Screen pixels to logical ones and back. A surface keeps its place on the screen while the
    // logical place asked for is still the one it stands on.
    TPoint ToLogical(TPoint device) const;
    TRect ToLogical(const TRect& device) const;
    TRect ToDevice(const TRect& logical, const TRect& current) const;
    TRect ToDevice(const TRect& logical) const;

    // x11_tray.cpp
    bool HandleTrayEvent(XEvent& ev);
    void DrawTrayIcon(TX11TrayIcon& icon);
    void DestroyTrayIcon(TX11TrayIcon& icon);
    bool Embed(TX11TrayIcon& icon); // a window for the icon, handed to the tray; false without one
    void DockWaitingIcons();
    void LeaveTrayIcon(const TX11TrayIcon& icon);

    // x11_dnd.cpp
    void InitTransfers();
    void MarkDropTarget(TX11Surface& s);
    // Drag-and-drop messages and selection answers; true when the event was one of them.
    bool HandleTransferEvent(XEvent& ev);
    void TakeSelection(const XSelectionEvent& ev);
    Atom PreferredType(const std::vector<Atom>& offered) const;
    std::u16string DecodeLink(Atom type, std::string_view bytes) const;
    bool DropPointInside(const TX11Surface& s, int rootX, int rootY);
    void SendToSource(::Window source, Atom type, long l1, long l2, long l3, long l4);
    void FinishDrop(bool accepted);
    // When the data a drop or the clipboard request waits for is given up on.
    std::optional<std::uint64_t> TransferDeadline() const;
    void CheckTransferTimeouts();
};

std::uint64_t MonotonicMs();
// Protocol errors seen so far on any connection (they are counted, never fatal).
unsigned long X11ErrorCount();
// Shift, Ctrl and Alt of an X event's state as the backend reports them.
std::uint32_t ModifiersOf(unsigned state);

} // namespace platform
