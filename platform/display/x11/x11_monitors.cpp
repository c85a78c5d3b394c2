// The monitors of the X11 backend: RandR 1.5 names them, the window manager's hints and the
// docks' struts give each its work area, and a change of either is reported as an event.
#include "platform/display/x11/x11_monitors.h"
#include "platform/display/x11/x11_internal.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <string>

namespace platform {

namespace {

bool Empty(const TRect& r) {
    return r.Right <= r.Left || r.Bottom <= r.Top;
}

TRect Intersect(const TRect& a, const TRect& b) {
    return TRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                 std::min(a.Bottom, b.Bottom)};
}

long long Area(const TRect& r) {
    return Empty(r) ? 0 : static_cast<long long>(r.Width()) * r.Height();
}

// Whether the inclusive span [start, end] meets [from, to).
bool Meets(long start, long end, int from, int to) {
    return start < to && end >= from;
}

// 32-bit items of a property (Xlib hands them out as longs); false when it is missing or of
// another type.
bool ReadLongs(::Display* dpy, ::Window window, Atom property, Atom type, long most,
               std::vector<long>& out) {
    out.clear();
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, window, property, 0, most, False, type, &actual, &format, &count,
                           &after, &data) != Success ||
        data == nullptr) {
        return false;
    }
    if (actual == type && format == 32) {
        const auto* values = reinterpret_cast<const long*>(data);
        out.assign(values, values + count);
    }
    XFree(data);
    return !out.empty();
}

// Rectangles given as x, y, width, height quadruples; those without area are left out.
std::vector<TRect> Quadruples(const std::vector<long>& v, std::size_t first, std::size_t count) {
    std::vector<TRect> out;
    for (std::size_t i = first; i + 3 < v.size() && out.size() < count; i += 4) {
        // Coordinates beyond what an X screen can hold are refused rather than wrapped.
        const auto fits = [](long n) { return n >= -32768 && n <= 65535; };
        if (!fits(v[i]) || !fits(v[i + 1]) || !fits(v[i + 2]) || !fits(v[i + 3])) {
            continue;
        }
        const int x = static_cast<int>(v[i]), y = static_cast<int>(v[i + 1]);
        const TRect r{x, y, x + static_cast<int>(v[i + 2]), y + static_cast<int>(v[i + 3])};
        if (!Empty(r)) {
            out.push_back(r);
        }
    }
    return out;
}

} // namespace

void ApplyPanels(std::vector<TMonitor>& monitors, const TX11Panels& panels) {
    const TRect& screen = panels.Screen;
    for (TMonitor& m : monitors) {
        const TRect& b = m.Bounds;
        const TRect* published = nullptr;
        for (const TRect& area : panels.MonitorAreas) {
            if (Intersect(area, b) == area && (!published || Area(area) > Area(*published))) {
                published = &area;
            }
        }
        if (published) {
            m.Work = *published;
            continue;
        }
        TRect work = b;
        if (panels.HasWorkArea && !Empty(Intersect(b, panels.WorkArea))) {
            work = Intersect(b, panels.WorkArea);
        }
        // A strut is measured from the edge of the whole screen; it belongs to the monitor its
        // inner edge falls on, so a panel at the edge between two monitors takes from one only.
        for (const TX11Strut& s : panels.Struts) {
            const long left = static_cast<long>(screen.Left) + s.Left;
            if (s.Left > 0 && b.Left < left && left <= b.Right &&
                Meets(s.LeftStartY, s.LeftEndY, b.Top, b.Bottom)) {
                work.Left = std::max(work.Left, static_cast<int>(left));
            }
            const long right = static_cast<long>(screen.Right) - s.Right;
            if (s.Right > 0 && b.Left <= right && right < b.Right &&
                Meets(s.RightStartY, s.RightEndY, b.Top, b.Bottom)) {
                work.Right = std::min(work.Right, static_cast<int>(right));
            }
            const long top = static_cast<long>(screen.Top) + s.Top;
            if (s.Top > 0 && b.Top < top && top <= b.Bottom &&
                Meets(s.TopStartX, s.TopEndX, b.Left, b.Right)) {
                work.Top = std::max(work.Top, static_cast<int>(top));
            }
            const long bottom = static_cast<long>(screen.Bottom) - s.Bottom;
            if (s.Bottom > 0 && b.Top <= bottom && bottom < b.Bottom &&
                Meets(s.BottomStartX, s.BottomEndX, b.Left, b.Right)) {
                work.Bottom = std::min(work.Bottom, static_cast<int>(bottom));
            }
        }
        m.Work = Empty(work) ? b : work;
    }
}

void TX11Display::TImpl::OpenMonitors() {
    const char* names[] = {"_NET_CLIENT_LIST", "_NET_WM_STRUT_PARTIAL", "_NET_WM_STRUT"};
    Atom atoms[3] = {0, 0, 0};
    XInternAtoms(Dpy, const_cast<char**>(names), 3, False, atoms);
    ClientListAtom = atoms[0];
    StrutPartialAtom = atoms[1];
    StrutAtom = atoms[2];
    int errorBase = 0, major = 0, minor = 0;
    if (XRRQueryExtension(Dpy, &RandREventBase, &errorBase) != 0 &&
        XRRQueryVersion(Dpy, &major, &minor) != 0 && (major > 1 || (major == 1 && minor >= 5))) {
        RandR = true;
        XRRSelectInput(Dpy, Root,
                       RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask |
                           RROutputChangeNotifyMask);
    }
    KnownMonitors = ReadMonitors();
}

std::vector<TMonitor> TX11Display::TImpl::ReadMonitors() {
    if (Dead) {
        return {TMonitor{TRect{}, TRect{}, true}};
    }
    const TRect screen{0, 0, DisplayWidth(Dpy, Screen), DisplayHeight(Dpy, Screen)};
    std::vector<TMonitor> monitors;
    if (RandR) {
        int count = 0;
        XRRMonitorInfo* info = XRRGetMonitors(Dpy, Root, True, &count);
        for (int i = 0; info != nullptr && i < count; ++i) {
            const TRect bounds{info[i].x, info[i].y, info[i].x + info[i].width,
                               info[i].y + info[i].height};
            if (!Empty(bounds)) {
                monitors.push_back(TMonitor{bounds, bounds, info[i].primary != 0});
            }
        }
        if (info != nullptr) {
            XRRFreeMonitors(info);
        }
    }
    if (monitors.empty()) {
        monitors.push_back(TMonitor{screen, screen, true});
    }

    // Read afresh every time: panels come, go and change size while we run.
    TX11Panels panels;
    panels.Screen = screen;
    std::vector<long> values;
    long desktop = 0;
    if (ReadLongs(Dpy, Root, Atoms.NetCurrentDesktop, XA_CARDINAL, 1, values) && values[0] >= 0) {
        desktop = values[0];
    }
    if (ReadLongs(Dpy, Root, Atoms.NetWorkArea, XA_CARDINAL, 1024, values)) {
        const auto wanted = static_cast<std::size_t>(desktop);
        const std::size_t index = wanted < values.size() / 4 ? wanted : 0;
        const auto areas = Quadruples(values, index * 4, 1);
        if (!areas.empty()) {
            panels.HasWorkArea = true;
            panels.WorkArea = areas.front();
        }
    }
    if (desktop != GtkWorkAreasDesktop) {
        const std::string name = "_GTK_WORKAREAS_D" + std::to_string(desktop);
        GtkWorkAreasAtom = XInternAtom(Dpy, name.c_str(), False);
        GtkWorkAreasDesktop = desktop;
    }
    if (ReadLongs(Dpy, Root, GtkWorkAreasAtom, XA_CARDINAL, 1024, values)) {
        panels.MonitorAreas = Quadruples(values, 0, values.size() / 4);
    }

    panels.Struts = DockStruts();
    ApplyPanels(monitors, panels);
    return monitors;
}

const std::vector<TX11Strut>& TX11Display::TImpl::DockStruts() {
    // A window manager's client list says when windows come and go, and it publishes a new work
    // area when a dock changes its strut, so the docks found are kept until one of those
    // notices. Without one, the root's mapped children are looked at every time.
    std::vector<long> values;
    const bool managed = ReadLongs(Dpy, Root, ClientListAtom, XA_WINDOW, 4096, values);
    if (managed && StrutsKnown) {
        return Struts;
    }
    std::vector<::Window> clients;
    if (managed) {
        for (long v : values) {
            clients.push_back(static_cast<::Window>(static_cast<unsigned long>(v)));
        }
    } else {
        ::Window root = 0, parent = 0;
        ::Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(Dpy, Root, &root, &parent, &children, &count) != 0 && children != nullptr) {
            clients.assign(children, children + count);
            XFree(children);
        }
    }
    Struts.clear();
    for (::Window w : clients) {
        if (FindByXid(w) != nullptr) {
            continue;
        }
        TX11Strut s;
        if (ReadLongs(Dpy, w, StrutPartialAtom, XA_CARDINAL, 12, values) && values.size() >= 12) {
            s = TX11Strut{values[0], values[1], values[2], values[3], values[4],  values[5],
                          values[6], values[7], values[8], values[9], values[10], values[11]};
        } else if (ReadLongs(Dpy, w, StrutAtom, XA_CARDINAL, 4, values) && values.size() >= 4) {
            // Whole edges, however large the screen grows.
            constexpr long whole = 1L << 30;
            s = TX11Strut{values[0], values[1], values[2], values[3], 0, whole,
                          0,         whole,     0,         whole,     0, whole};
        } else {
            continue;
        }
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(Dpy, w, &attributes) == 0 ||
            (!managed && attributes.map_state != IsViewable)) {
            continue;
        }
        // A strut that changes later is heard of, without losing what else we watch there.
        XSelectInput(Dpy, w, attributes.your_event_mask | PropertyChangeMask);
        Struts.push_back(s);
    }
    StrutsKnown = managed;
    return Struts;
}

bool TX11Display::TImpl::WatchScreen(XEvent& ev) {
    if (RandR && (ev.type == RandREventBase + RRScreenChangeNotify ||
                  ev.type == RandREventBase + RRNotify)) {
        XRRUpdateConfiguration(&ev);
    } else if (ev.type == ConfigureNotify && ev.xconfigure.window == Root) {
        // Sent for a new screen size, and the only notice some servers give of a monitor set by
        // hand.
        XRRUpdateConfiguration(&ev);
    } else if (ev.type == PropertyNotify && ev.xproperty.window == Root) {
        const Atom a = ev.xproperty.atom;
        if (a != Atoms.NetWorkArea && a != Atoms.NetCurrentDesktop && a != ClientListAtom &&
            a != GtkWorkAreasAtom) {
            return false;
        }
        StrutsKnown = false;
    } else if (ev.type == PropertyNotify &&
               (ev.xproperty.atom == StrutPartialAtom || ev.xproperty.atom == StrutAtom)) {
        StrutsKnown = false;
    } else {
        return false;
    }
    std::vector<TMonitor> now = ReadMonitors();
    bool moved = now.size() != KnownMonitors.size();
    bool panels = false;
    for (std::size_t i = 0; !moved && i < now.size(); ++i) {
        moved =
            now[i].Bounds != KnownMonitors[i].Bounds || now[i].Primary != KnownMonitors[i].Primary;
        panels = panels || now[i].Work != KnownMonitors[i].Work;
    }
    KnownMonitors = std::move(now);
    if (moved || panels) {
        TInputEvent out;
        out.Kind = moved ? TInputKind::DisplayChange : TInputKind::WorkAreaChange;
        Push(out);
    }
    return true;
}

std::vector<TMonitor> TX11Display::Monitors() {
    std::vector<TMonitor> monitors = Impl->ReadMonitors();
    for (TMonitor& m : monitors) {
        m.Bounds = Impl->ToLogical(m.Bounds);
        m.Work = Impl->ToLogical(m.Work);
    }
    return monitors;
}

TRect TX11Display::WorkArea() {
    const auto monitors = Monitors();
    for (const auto& m : monitors) {
        if (m.Primary) {
            return m.Work;
        }
    }
    return monitors.front().Work;
}

} // namespace platform
