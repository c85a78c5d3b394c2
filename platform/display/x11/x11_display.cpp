#include "platform/display/x11/x11_internal.h"
#include "platform/sys/utf.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

namespace platform {

namespace {

// Xlib's default error handler ends the process; requests aimed at windows another client just
// destroyed (tray hosts, focus targets) are normal here, so errors are only counted.
int LastXError = 0;
unsigned long XErrorCount = 0;

int CountXError(::Display*, XErrorEvent* error) {
    LastXError = error->error_code;
    ++XErrorCount;
    return 0;
}

int QuietIOError(::Display*) {
    return 0;
}

// Called when the server connection is gone. Returning keeps the process alive: the backend
// reports the end of the session so the program can save and leave in order.
void MarkConnectionLost(::Display*, void* impl) {
    static_cast<TX11Display::TImpl*>(impl)->Dead = true;
}

constexpr long MWM_HINTS_DECORATIONS = 1L << 1;
constexpr long NET_WM_STATE_REMOVE = 0;
constexpr long NET_WM_STATE_ADD = 1;
constexpr long SOURCE_PAGER = 2;

void SetSizeHints(::Display* dpy, ::Window xid, const TRect& bounds) {
    XSizeHints hints{};
    // User position: window managers keep the place the program chose instead of placing it.
    hints.flags = USPosition | PPosition | USSize | PSize | PMinSize | PMaxSize;
    hints.x = bounds.Left;
    hints.y = bounds.Top;
    hints.width = hints.min_width = hints.max_width = std::max(1, bounds.Width());
    hints.height = hints.min_height = hints.max_height = std::max(1, bounds.Height());
    XSetWMNormalHints(dpy, xid, &hints);
}

// The size the server has for the window: a layered window is one row short until mapped.
TRect ServerBounds(const TX11Surface& s) {
    TRect b = s.Bounds;
    if (s.ShortUntilMapped) {
        b.Bottom -= 1;
    }
    return b;
}

} // namespace

unsigned long X11ErrorCount() {
    return XErrorCount;
}

std::uint64_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

std::unique_ptr<TX11Display> TX11Display::Open(const std::string& name,
                                               const TX11Options& options) {
    ::Display* dpy = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (dpy == nullptr) {
        return nullptr;
    }
    XSetErrorHandler(CountXError);
    XSetIOErrorHandler(QuietIOError);

    auto impl = std::make_unique<TImpl>();
    TImpl& x = *impl;
    x.Options = options;
    x.Dpy = dpy;
    x.Screen = DefaultScreen(dpy);
    x.Root = RootWindow(dpy, x.Screen);
    XSetIOErrorExitHandler(dpy, MarkConnectionLost, impl.get());
    x.WakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);

    const std::string cm = "_NET_WM_CM_S" + std::to_string(x.Screen);
    const std::string xs = "_XSETTINGS_S" + std::to_string(x.Screen);
    const std::string tray = "_NET_SYSTEM_TRAY_S" + std::to_string(x.Screen);
    const char* names[] = {"WM_PROTOCOLS",
                           "WM_DELETE_WINDOW",
                           "_NET_WM_PING",
                           "_MOTIF_WM_HINTS",
                           "_NET_WM_STATE",
                           "_NET_WM_STATE_ABOVE",
                           "_NET_WM_STATE_SKIP_TASKBAR",
                           "_NET_WM_STATE_SKIP_PAGER",
                           "_NET_WM_WINDOW_TYPE",
                           "_NET_WM_WINDOW_TYPE_UTILITY",
                           "_NET_WM_WINDOW_TYPE_DIALOG",
                           "_NET_WM_WINDOW_TYPE_POPUP_MENU",
                           "_NET_WM_WINDOW_TYPE_TOOLTIP",
                           "_NET_WM_NAME",
                           "UTF8_STRING",
                           "_NET_WM_PID",
                           "_NET_ACTIVE_WINDOW",
                           "_NET_WORKAREA",
                           "_NET_CURRENT_DESKTOP",
                           "_NET_WM_WINDOW_OPACITY",
                           "_NET_SUPPORTING_WM_CHECK",
                           cm.c_str(),
                           xs.c_str(),
                           "_XSETTINGS_SETTINGS",
                           tray.c_str(),
                           "_NET_SYSTEM_TRAY_OPCODE",
                           "_NET_SYSTEM_TRAY_VISUAL",
                           "_XEMBED_INFO",
                           "_XEMBED",
                           "MANAGER",
                           "_NET_WM_ICON",
                           "_XROOTPMAP_ID",
                           "ESETROOT_PMAP_ID",
                           "_COMPTON_SHADOW"};
    constexpr int count = sizeof(names) / sizeof(names[0]);
    static_assert(sizeof(TX11Atoms) == count * sizeof(Atom), "one name per atom");
    XInternAtoms(dpy, const_cast<char**>(names), count, False, reinterpret_cast<Atom*>(&x.Atoms));
    x.InitTransfers();

    XVisualInfo info{};
    if (XMatchVisualInfo(dpy, x.Screen, 32, TrueColor, &info) != 0) {
        x.SurfaceVisual = info.visual;
        x.SurfaceDepth = 32;
    } else {
        x.SurfaceVisual = DefaultVisual(dpy, x.Screen);
        x.SurfaceDepth = DefaultDepth(dpy, x.Screen);
    }
    x.SurfaceColormap = XCreateColormap(dpy, x.Root, x.SurfaceVisual, AllocNone);
    Pixmap probe = XCreatePixmap(dpy, x.Root, 1, 1, static_cast<unsigned>(x.SurfaceDepth));
    x.SurfaceGc = XCreateGC(dpy, probe, 0, nullptr);
    XFreePixmap(dpy, probe);

    int shapeEvent = 0, shapeError = 0;
    x.Shape = XShapeQueryExtension(dpy, &shapeEvent, &shapeError) != 0;
    x.ShmAvailable = options.UseShm && XShmQueryExtension(dpy) != 0;
    int fixesError = 0;
    x.XFixes = XFixesQueryExtension(dpy, &x.XFixesEventBase, &fixesError) != 0;
    if (x.XFixes) {
        int major = 0, minor = 0;
        XFixesQueryVersion(dpy, &major, &minor);
        for (Atom selection : {x.Atoms.NetCmSelection, x.Atoms.XSettingsSelection}) {
            XFixesSelectSelectionInput(dpy, x.Root, selection,
                                       XFixesSetSelectionOwnerNotifyMask |
                                           XFixesSelectionWindowDestroyNotifyMask |
                                           XFixesSelectionClientCloseNotifyMask);
        }
    }
    // Key repeat then arrives as repeated presses without releases in between.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(dpy, True, &supported);
    XSelectInput(dpy, x.Root, PropertyChangeMask | StructureNotifyMask);
    x.ReadScale(false);
    x.ReadDesktopPicture();
    x.OpenMonitors();
    x.UpdateCompositing();
    XFlush(dpy);
    return std::unique_ptr<TX11Display>(new TX11Display(std::move(impl)));
}

TX11Display::TX11Display(std::unique_ptr<TImpl> impl) : Impl(std::move(impl)) {}

TX11Display::~TX11Display() = default;

TX11Display::TImpl::~TImpl() {
    if (WakeFd >= 0) {
        close(WakeFd);
    }
    if (Dpy == nullptr) {
        return;
    }
    if (Dead) {
        // Nothing can be sent any more; only our side is freed. Xlib knows the connection
        // broke and closes it without talking to the server.
        if (Image != nullptr) {
            if (ShmAvailable && Image->data != nullptr) {
                shmdt(ShmInfo.shmaddr);
            }
            Image->data = nullptr;
            XDestroyImage(Image);
        }
        XFreeGC(Dpy, SurfaceGc);
        XCloseDisplay(Dpy);
        return;
    }
    for (auto& icon : TrayIcons) {
        DestroyTrayIcon(icon);
    }
    for (auto& entry : Surfaces) {
        if (entry.second.Backing != 0) {
            XFreePixmap(Dpy, entry.second.Backing);
        }
        XDestroyWindow(Dpy, entry.second.Xid);
    }
    FreeImage();
    for (auto& c : Cursors) {
        XFreeCursor(Dpy, c.second);
    }
    XFreeGC(Dpy, SurfaceGc);
    XFreeColormap(Dpy, SurfaceColormap);
    XCloseDisplay(Dpy);
}

bool TX11Display::UsingShm() const {
    return Impl->ShmAvailable;
}
bool TX11Display::Compositing() const {
    return Impl->Compositing;
}
bool TX11Display::Connected() const {
    return !Impl->Dead;
}

unsigned long TX11Display::NativeWindow(HWND window) const {
    TX11Surface* s = Impl->Find(window);
    return s != nullptr ? s->Xid : 0;
}

TX11Surface* TX11Display::TImpl::Find(HWND window) {
    auto it = Surfaces.find(window);
    return it == Surfaces.end() ? nullptr : &it->second;
}

TX11Surface* TX11Display::TImpl::FindByXid(::Window xid) {
    auto it = ByXid.find(xid);
    return it == ByXid.end() ? nullptr : Find(it->second);
}

void TX11Display::TImpl::UpdateCompositing() {
    const bool now = XGetSelectionOwner(Dpy, Atoms.NetCmSelection) != 0;
    if (now == Compositing) {
        return;
    }
    Compositing = now;
    // Blended by the compositor or put together over the desktop picture by us: each layered
    // picture is presented again the other way, over the desktop picture where the window
    // manager has the window now.
    for (auto& entry : Surfaces) {
        TX11Surface& s = entry.second;
        if (!s.HasFrame) {
            continue;
        }
        if (!Compositing && s.Mapped) {
            ::Window child = 0;
            XTranslateCoordinates(Dpy, s.Xid, Root, 0, 0, &s.Origin.X, &s.Origin.Y, &child);
        }
        Present(s);
    }
}

void TX11Display::TImpl::MapIfReady(TX11Surface& s) {
    // A layered window has nothing to show before its first frame; mapping it earlier would
    // flash an undefined picture.
    if (s.WantVisible && !s.Mapped && (!s.Layered || s.HasFrame)) {
        XMapRaised(Dpy, s.Xid);
        s.Mapped = true;
    }
}

// Some compositing managers decide whether a window gets a drop shadow of their own when it is
// first configured, before they know it has an alpha channel, and keep that decision until the
// window's size changes: our transparent margin then shows as a dark box. A layered window
// (other than a menu or a tip, whose shadow would be right) is therefore created one row short
// and takes its real size only once it is on screen, which makes them decide again, knowing its
// visual.
void TX11Display::TImpl::WindowMapped(TX11Surface& s) {
    s.Viewable = true;
    if (s.ShortUntilMapped) {
        s.ShortUntilMapped = false;
        SetSizeHints(Dpy, s.Xid, s.Bounds);
        XResizeWindow(Dpy, s.Xid, static_cast<unsigned>(std::max(1, s.Bounds.Width())),
                      static_cast<unsigned>(std::max(1, s.Bounds.Height())));
        XFlush(Dpy);
    }
    if (s.ActivatePending) {
        Activate(s);
    }
}

void TX11Display::TImpl::SendNetWmState(TX11Surface& s, Atom state, bool add) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = s.Xid;
    ev.xclient.message_type = Atoms.NetWmState;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = add ? NET_WM_STATE_ADD : NET_WM_STATE_REMOVE;
    ev.xclient.data.l[1] = static_cast<long>(state);
    ev.xclient.data.l[3] = SOURCE_PAGER;
    XSendEvent(Dpy, Root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
}

bool TX11Display::CreateSurface(const TSurfaceParams& params) {
    TImpl& x = *Impl;
    if (x.Dead || params.Window == 0 || x.Find(params.Window) != nullptr) {
        return false;
    }
    TX11Surface s;
    s.Window = params.Window;
    s.Bounds = x.ToDevice(params.Bounds);
    s.Layered = params.Layered;
    s.Popup = params.Popup;
    s.Topmost = params.Topmost;
    s.Origin = TPoint{s.Bounds.Left, s.Bounds.Top};
    s.ShortUntilMapped = params.Layered && !params.Popup && s.Bounds.Height() > 1;
    const TRect created = ServerBounds(s);

    XSetWindowAttributes a{};
    a.colormap = x.SurfaceColormap;
    a.border_pixel = 0;
    a.background_pixmap = None;
    a.override_redirect = params.Popup ? True : False;
    a.bit_gravity = NorthWestGravity;
    a.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask |
                   ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                   LeaveWindowMask | FocusChangeMask;
    const unsigned long mask =
        CWColormap | CWBorderPixel | CWBackPixmap | CWOverrideRedirect | CWBitGravity | CWEventMask;
    s.Xid = XCreateWindow(x.Dpy, x.Root, created.Left, created.Top,
                          static_cast<unsigned>(std::max(1, created.Width())),
                          static_cast<unsigned>(std::max(1, created.Height())), 0, x.SurfaceDepth,
                          InputOutput, x.SurfaceVisual, mask, &a);
    if (s.Xid == 0) {
        return false;
    }

    const std::string title = Utf16ToUtf8(params.Title);
    XClassHint classHint{const_cast<char*>(X11ResourceName), const_cast<char*>(X11ResourceClass)};
    XWMHints wmHints{};
    wmHints.flags = InputHint | StateHint;
    wmHints.input = params.Popup ? False : True;
    wmHints.initial_state = NormalState;
    Xutf8SetWMProperties(x.Dpy, s.Xid, title.c_str(), title.c_str(), nullptr, 0, nullptr, &wmHints,
                         &classHint);
    SetSizeHints(x.Dpy, s.Xid, created);
    XChangeProperty(x.Dpy, s.Xid, x.Atoms.NetWmName, x.Atoms.Utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    const long motif[5] = {MWM_HINTS_DECORATIONS, 0, 0, 0, 0};
    XChangeProperty(x.Dpy, s.Xid, x.Atoms.MotifWmHints, x.Atoms.MotifWmHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);
    const Atom type = params.Popup        ? x.Atoms.NetWmWindowTypePopupMenu
                      : params.ToolWindow ? x.Atoms.NetWmWindowTypeUtility
                                          : x.Atoms.NetWmWindowTypeDialog;
    XChangeProperty(x.Dpy, s.Xid, x.Atoms.NetWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&type), 1);
    std::vector<Atom> states;
    if (params.ToolWindow) {
        states.push_back(x.Atoms.NetWmStateSkipTaskbar);
        states.push_back(x.Atoms.NetWmStateSkipPager);
    }
    if (params.Topmost) {
        states.push_back(x.Atoms.NetWmStateAbove);
    }
    XChangeProperty(x.Dpy, s.Xid, x.Atoms.NetWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states.data()),
                    static_cast<int>(states.size()));
    Atom protocols[2] = {x.Atoms.WmDeleteWindow, x.Atoms.NetWmPing};
    XSetWMProtocols(x.Dpy, s.Xid, protocols, 2);
    const long pid = static_cast<long>(getpid());
    XChangeProperty(x.Dpy, s.Xid, x.Atoms.NetWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    if (params.Layered) {
        // The picture brings its own shadow; compositors that honour this draw none of theirs.
        const long noShadow = 0;
        XChangeProperty(x.Dpy, s.Xid, x.Atoms.ComptonShadow, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&noShadow), 1);
    }
    if (x.CursorId != 0) {
        XDefineCursor(x.Dpy, s.Xid, x.CursorFor(x.CursorId));
    }
    if (params.AcceptDrops && !params.Popup) {
        x.MarkDropTarget(s);
    }
    x.ByXid[s.Xid] = s.Window;
    x.Surfaces[s.Window] = std::move(s);
    XFlush(x.Dpy);
    return true;
}

void TX11Display::DestroySurface(HWND window) {
    TImpl& x = *Impl;
    TX11Surface* s = x.Find(window);
    if (s == nullptr) {
        return;
    }
    if (!x.Dead) {
        if (x.Grab == window) {
            XUngrabPointer(x.Dpy, CurrentTime);
            XUngrabKeyboard(x.Dpy, CurrentTime);
            x.Grab = 0;
        }
        if (s->Backing != 0) {
            XFreePixmap(x.Dpy, s->Backing);
        }
        XDestroyWindow(x.Dpy, s->Xid);
        XFlush(x.Dpy);
    }
    if (x.Active == window) {
        x.Active = 0;
    }
    x.ByXid.erase(s->Xid);
    x.Surfaces.erase(window);
}

void TX11Display::MoveSurface(HWND window, const TRect& bounds) {
    TImpl& x = *Impl;
    TX11Surface* s = x.Find(window);
    if (s == nullptr || x.Dead) {
        return;
    }
    const TPoint before = s->Origin;
    x.Move(*s, bounds);
    if (s->Origin != before && x.FollowsDesktopPicture(*s)) {
        x.Present(*s);
    }
}

void TX11Display::TImpl::Move(TX11Surface& s, const TRect& logical) {
    const TRect bounds = ToDevice(logical, s.Bounds);
    if (bounds == s.Bounds) {
        return;
    }
    const bool resized = bounds.Width() != s.Bounds.Width() || bounds.Height() != s.Bounds.Height();
    s.Bounds = bounds;
    s.Origin = TPoint{bounds.Left, bounds.Top};
    const TRect server = ServerBounds(s);
    if (resized) {
        SetSizeHints(Dpy, s.Xid, server);
    }
    XMoveResizeWindow(Dpy, s.Xid, server.Left, server.Top,
                      static_cast<unsigned>(std::max(1, server.Width())),
                      static_cast<unsigned>(std::max(1, server.Height())));
    XFlush(Dpy);
}

void TX11Display::ShowSurface(HWND window, bool visible) {
    TImpl& x = *Impl;
    TX11Surface* s = x.Find(window);
    if (s == nullptr || x.Dead) {
        return;
    }
    s->WantVisible = visible;
    if (visible) {
        x.MapIfReady(*s);
    } else if (s->Mapped) {
        if (s->Popup) {
            XUnmapWindow(x.Dpy, s->Xid);
        } else {
            XWithdrawWindow(x.Dpy, s->Xid, x.Screen);
        }
        s->Mapped = false;
        s->Viewable = false;
        s->ActivatePending = false;
        if (s->Layered && !s->Popup && s->Bounds.Height() > 1) {
            // Mapped again, it is a new window to the compositing manager (see WindowMapped).
            s->ShortUntilMapped = true;
            const TRect server = ServerBounds(*s);
            SetSizeHints(x.Dpy, s->Xid, server);
            XResizeWindow(x.Dpy, s->Xid, static_cast<unsigned>(std::max(1, server.Width())),
                          static_cast<unsigned>(server.Height()));
        }
    }
    XFlush(x.Dpy);
}

void TX11Display::SetSurfaceTopmost(HWND window, bool topmost) {
    TImpl& x = *Impl;
    TX11Surface* s = x.Find(window);
    if (s == nullptr || x.Dead || s->Topmost == topmost) {
        return;
    }
    s->Topmost = topmost;
    if (s->Mapped && !s->Popup) {
        x.SendNetWmState(*s, x.Atoms.NetWmStateAbove, topmost);
    } else {
        // Before mapping the window manager reads the property itself.
        std::vector<Atom> states;
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(x.Dpy, s->Xid, x.Atoms.NetWmState, 0, 32, False, XA_ATOM, &type,
                               &format, &count, &after, &data) == Success &&
            data != nullptr) {
            const auto* atoms = reinterpret_cast<const Atom*>(data);
            for (unsigned long i = 0; i < count; ++i) {
                if (atoms[i] != x.Atoms.NetWmStateAbove) {
                    states.push_back(atoms[i]);
                }
            }
            XFree(data);
        }
        if (topmost) {
            states.push_back(x.Atoms.NetWmStateAbove);
        }
        XChangeProperty(x.Dpy, s->Xid, x.Atoms.NetWmState, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(states.data()),
                        static_cast<int>(states.size()));
    }
    XFlush(x.Dpy);
}

void TX11Display::RaiseSurface(HWND window) {
    TImpl& x = *Impl;
    TX11Surface* s = x.Find(window);
    if (s == nullptr || x.Dead) {
        return;
    }
    XRaiseWindow(x.Dpy, s->Xid);
    XFlush(x.Dpy);
}

void TX11Display::ActivateSurface(HWND window) {
    TImpl& x = *Impl;
    TX11Surface* s = x.Find(window);
    if (s == nullptr || x.Dead) {
        return;
    }
    // A window manager ignores requests for windows it has not taken on yet.
    if (!s->Viewable) {
        s->ActivatePending = true;
        return;
    }
    x.Activate(*s);
}

void TX11Display::TImpl::Activate(TX11Surface& s) {
    s.ActivatePending = false;
    const std::string wmSelection = "WM_S" + std::to_string(Screen);
    if (XGetSelectionOwner(Dpy, XInternAtom(Dpy, wmSelection.c_str(), False)) != 0) {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = s.Xid;
        ev.xclient.message_type = Atoms.NetActiveWindow;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = SOURCE_PAGER;
        ev.xclient.data.l[1] = CurrentTime;
        XSendEvent(Dpy, Root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    } else {
        // Without a window manager nobody else hands out the focus.
        XRaiseWindow(Dpy, s.Xid);
        XSetInputFocus(Dpy, s.Xid, RevertToParent, CurrentTime);
    }
    XFlush(Dpy);
}

void TX11Display::GrabPointer(HWND window) {
    TImpl& x = *Impl;
    if (x.Dead) {
        return;
    }
    if (window == 0) {
        if (x.Grab != 0) {
            XUngrabPointer(x.Dpy, CurrentTime);
            XUngrabKeyboard(x.Dpy, CurrentTime);
            XFlush(x.Dpy);
        }
        x.Grab = 0;
        return;
    }
    TX11Surface* s = x.Find(window);
    if (s == nullptr || !s->Mapped) {
        return;
    }
    // Owner events: presses on our other surfaces still name them; everything else comes to the
    // grabbing surface, which is what capture and the move loop need.
    const unsigned mask =
        ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask;
    XGrabPointer(x.Dpy, s->Xid, True, mask, GrabModeAsync, GrabModeAsync, None,
                 x.CursorId != 0 ? x.CursorFor(x.CursorId) : None, CurrentTime);
    if (s->Popup) {
        // Menus and tips cannot take the focus, so their keys are grabbed with the pointer.
        XGrabKeyboard(x.Dpy, s->Xid, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    }
    x.Grab = window;
    XFlush(x.Dpy);
}

bool TX11Display::NextEvent(TInputEvent& event) {
    TImpl& x = *Impl;
    if (!x.Dead) {
        x.CheckTransferTimeouts();
    }
    while (x.Pending.empty() && !x.Dead && XPending(x.Dpy) > 0) {
        XEvent ev;
        XNextEvent(x.Dpy, &ev);
        x.Translate(ev);
    }
    if (x.Dead && !x.EndSessionReported) {
        x.EndSessionReported = true;
        TInputEvent end;
        end.Kind = TInputKind::EndSession;
        end.Time = Now();
        x.Pending.push_back(end);
    }
    if (x.Pending.empty()) {
        return false;
    }
    event = std::move(x.Pending.front());
    x.Pending.pop_front();
    return true;
}

void TX11Display::Wait(std::optional<std::uint64_t> deadline, TWaitExtras* extras) {
    TImpl& x = *Impl;
    if (extras != nullptr) {
        for (TWaitFd& f : extras->Fds) {
            f.Ready = 0;
        }
    }
    if (!x.Pending.empty() || (x.Dead && !x.EndSessionReported)) {
        return;
    }
    int xfd = -1;
    if (!x.Dead) {
        XFlush(x.Dpy);
        if (XEventsQueued(x.Dpy, QueuedAlready) > 0) {
            return;
        }
        xfd = ConnectionNumber(x.Dpy);
    }
    std::vector<pollfd> fds = {{xfd, POLLIN, 0}, {x.WakeFd, POLLIN, 0}};
    int timeout = -1;
    if (deadline) {
        const std::uint64_t now = Now();
        const std::uint64_t left = *deadline > now ? *deadline - now : 0;
        timeout = static_cast<int>(std::min<std::uint64_t>(left, INT_MAX));
    }
    // Another client's data that does not come in time is given up on when it is due.
    if (const auto due = x.Dead ? std::nullopt : x.TransferDeadline()) {
        const std::uint64_t now = Now();
        const int left =
            static_cast<int>(std::min<std::uint64_t>(*due > now ? *due - now : 0, INT_MAX));
        if (timeout < 0 || left < timeout) {
            timeout = left;
        }
    }
    if (extras != nullptr) {
        for (const TWaitFd& f : extras->Fds) {
            fds.push_back(pollfd{f.Fd, f.Events, 0});
        }
        if (extras->RealTimeout >= 0 && (timeout < 0 || extras->RealTimeout < timeout)) {
            timeout = extras->RealTimeout;
        }
    }
    int n = 0;
    do {
        n = poll(fds.data(), fds.size(), timeout);
    } while (n < 0 && errno == EINTR);
    if (n > 0 && (fds[1].revents & POLLIN) != 0) {
        std::uint64_t value = 0;
        while (read(x.WakeFd, &value, sizeof value) > 0) {
        }
    }
    if (n > 0 && extras != nullptr) {
        for (std::size_t i = 0; i < extras->Fds.size(); ++i) {
            extras->Fds[i].Ready = fds[i + 2].revents;
        }
    }
    if (n > 0 && (fds[0].revents & (POLLHUP | POLLERR)) != 0 && !x.Dead) {
        // Let Xlib notice the broken connection, which marks the session as ended.
        XPending(x.Dpy);
    }
}

void TX11Display::Wake() {
    const std::uint64_t one = 1;
    ssize_t written = write(Impl->WakeFd, &one, sizeof one);
    (void)written; // a full counter already wakes the loop
}

std::uint64_t TX11Display::Now() {
    return MonotonicMs();
}

std::uint64_t TX11Display::BootTime() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

void TX11Display::Sleep(DWORD ms) {
    if (!Impl->Dead) {
        XFlush(Impl->Dpy);
    }
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

} // namespace platform
