// The desktop's scale factor on X11: read from the environment, the XSETTINGS manager and the
// root window's resources (see DesktopScale for the order), followed while the program runs, and
// the conversion between the screen's pixels and the logical ones the window manager uses.
#include "platform/display/x11/x11_internal.h"
#include "platform/display/x11/x11_settings.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>

#include <cmath>
#include <cstdlib>

namespace platform {

namespace {

int Floor(int v, double scale) {
    return static_cast<int>(std::floor(v / scale));
}

int Round(int v, double scale) {
    return static_cast<int>(std::lround(v * scale));
}

std::optional<std::string> RootResources(::Display* dpy, ::Window root) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, root, XA_RESOURCE_MANAGER, 0, 1 << 16, False, XA_STRING, &type,
                           &format, &count, &after, &data) != Success ||
        data == nullptr) {
        return std::nullopt;
    }
    std::string text(reinterpret_cast<const char*>(data), format == 8 ? count : 0);
    XFree(data);
    return text;
}

} // namespace

void TX11Display::TImpl::ReadScale(bool report) {
    if (Dead) {
        return;
    }
    // The manager's window is where its settings change; a new manager is heard of through
    // the selection's owner notices.
    const ::Window owner = XGetSelectionOwner(Dpy, Atoms.XSettingsSelection);
    if (owner != SettingsOwner) {
        SettingsOwner = owner;
        if (owner != 0) {
            XSelectInput(Dpy, owner, PropertyChangeMask);
        }
    }
    TScaleSources sources;
    if (const char* env = std::getenv("GDK_SCALE")) {
        sources.GdkScale = env;
    }
    ReadSettings(sources.XSettings);
    sources.ResourceManager = RootResources(Dpy, Root);
    const double now = DesktopScale(sources);
    if (now == Scale) {
        return;
    }
    Scale = now;
    if (report) {
        TInputEvent out;
        out.Kind = TInputKind::ScaleChange;
        Push(out);
    }
}

bool TX11Display::TImpl::WatchScale(XEvent& ev) {
    if (XFixes && ev.type == XFixesEventBase + XFixesSelectionNotify) {
        const auto& notice = reinterpret_cast<const XFixesSelectionNotifyEvent&>(ev);
        if (notice.selection != Atoms.XSettingsSelection) {
            return false;
        }
    } else if (ev.type == PropertyNotify && ev.xproperty.window == Root &&
               ev.xproperty.atom == XA_RESOURCE_MANAGER) {
        // Also seen by the other watchers of the root window; nothing else reads this one.
    } else if (ev.type == PropertyNotify && ev.xproperty.window == SettingsOwner &&
               SettingsOwner != 0 && ev.xproperty.atom == Atoms.XSettingsSettings) {
    } else {
        return false;
    }
    ReadScale(true);
    return true;
}

TPoint TX11Display::TImpl::ToLogical(TPoint device) const {
    return TPoint{Floor(device.X, Scale), Floor(device.Y, Scale)};
}

TRect TX11Display::TImpl::ToLogical(const TRect& device) const {
    return TRect{Floor(device.Left, Scale), Floor(device.Top, Scale), Floor(device.Right, Scale),
                 Floor(device.Bottom, Scale)};
}

TRect TX11Display::TImpl::ToDevice(const TRect& logical, const TRect& current) const {
    const int left =
        Floor(current.Left, Scale) == logical.Left ? current.Left : Round(logical.Left, Scale);
    const int top =
        Floor(current.Top, Scale) == logical.Top ? current.Top : Round(logical.Top, Scale);
    return TRect{left, top, left + Round(logical.Width(), Scale),
                 top + Round(logical.Height(), Scale)};
}

TRect TX11Display::TImpl::ToDevice(const TRect& logical) const {
    const int left = Round(logical.Left, Scale), top = Round(logical.Top, Scale);
    return TRect{left, top, left + Round(logical.Width(), Scale),
                 top + Round(logical.Height(), Scale)};
}

TPoint TX11Display::SurfaceOrigin(HWND window) {
    const TX11Surface* s = Impl->Find(window);
    return s != nullptr ? Impl->ToLogical(s->Origin) : TPoint{};
}

double TX11Display::Scale() {
    return Impl->Scale;
}

} // namespace platform
