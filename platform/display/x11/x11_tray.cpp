// The notification-area icon over the freedesktop system-tray protocol: the icon is a small
// window of ours that the tray host embeds (XEmbed); presses on it come back as tray input.
#include "platform/display/x11/x11_internal.h"
#include "platform/gfx/owners.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xrender.h>

#include <algorithm>

namespace platform {

namespace {

constexpr long SYSTEM_TRAY_REQUEST_DOCK = 0;
constexpr long XEMBED_VERSION = 0;
constexpr long XEMBED_MAPPED = 1;
// Hosts that honour size hints otherwise shrink an icon window to almost nothing.
constexpr int MIN_ICON_SIZE = 16;

TX11TrayIcon* FindIcon(std::vector<TX11TrayIcon>& icons, ::Window xid) {
    for (auto& icon : icons) {
        if (icon.Xid == xid) {
            return &icon;
        }
    }
    return nullptr;
}

} // namespace

unsigned long TX11Display::NativeTrayWindow(HWND owner, UINT id) const {
    for (const auto& icon : Impl->TrayIcons) {
        if (icon.Owner == owner && icon.Id == id) {
            return icon.Xid;
        }
    }
    return 0;
}

bool TX11Display::TImpl::HandleTrayEvent(XEvent& ev) {
    // A tray announces itself on the root window when it starts (or starts again).
    if (ev.type == ClientMessage && ev.xclient.window == Root &&
        ev.xclient.message_type == Atoms.Manager &&
        static_cast<Atom>(ev.xclient.data.l[1]) == Atoms.TraySelection) {
        DockWaitingIcons();
        return true;
    }
    TX11TrayIcon* icon = FindIcon(TrayIcons, ev.xany.window);
    if (icon == nullptr) {
        return false;
    }
    TInputEvent out;
    out.Window = icon->Owner;
    out.Id = icon->Id;
    switch (ev.type) {
    case DestroyNotify:
        // The tray took the icon window down with it.
        if (ev.xdestroywindow.window == icon->Xid) {
            icon->Xid = 0;
            DestroyTrayIcon(*icon);
            LeaveTrayIcon(*icon);
            DockWaitingIcons();
        }
        break;
    case ReparentNotify:
        // Back on the root window: the tray is gone. The window waits, hidden, for the next one.
        if (ev.xreparent.parent == Root) {
            DestroyTrayIcon(*icon);
            LeaveTrayIcon(*icon);
            DockWaitingIcons();
        }
        break;
    case EnterNotify:
        out.Kind = TInputKind::TrayMove;
        out.Point = TPoint{ev.xcrossing.x_root, ev.xcrossing.y_root};
        out.Modifiers = ModifiersOf(ev.xcrossing.state);
        Push(out);
        break;
    case LeaveNotify:
        if (ev.xcrossing.detail != NotifyInferior) {
            LeaveTrayIcon(*icon);
        }
        break;
    case ConfigureNotify:
        if (ev.xconfigure.width != icon->Width || ev.xconfigure.height != icon->Height) {
            icon->Width = ev.xconfigure.width;
            icon->Height = ev.xconfigure.height;
            DrawTrayIcon(*icon);
        }
        break;
    case Expose:
        if (ev.xexpose.count == 0) {
            DrawTrayIcon(*icon);
        }
        break;
    case ButtonPress:
    case ButtonRelease:
        if (ev.xbutton.button < 1 || ev.xbutton.button > 3) {
            break;
        }
        out.Kind = ev.type == ButtonPress ? TInputKind::TrayButtonDown : TInputKind::TrayButtonUp;
        out.Button = ev.xbutton.button == 1   ? TMouseButton::Left
                     : ev.xbutton.button == 2 ? TMouseButton::Middle
                                              : TMouseButton::Right;
        out.Point = TPoint{ev.xbutton.x_root, ev.xbutton.y_root};
        // The keyboard belongs to another program here; the press itself tells the modifiers.
        out.Modifiers = ModifiersOf(ev.xbutton.state);
        Push(out);
        break;
    case MotionNotify:
        out.Kind = TInputKind::TrayMove;
        out.Point = TPoint{ev.xmotion.x_root, ev.xmotion.y_root};
        out.Modifiers = ModifiersOf(ev.xmotion.state);
        Push(out);
        break;
    default:
        break;
    }
    return true;
}

void TX11Display::TImpl::DrawTrayIcon(TX11TrayIcon& icon) {
    std::vector<TFrameView> views;
    for (auto& p : icon.Pictures) {
        views.push_back(TFrameView{p.Pixels.data(), p.Width, p.Height, p.Width * 4});
    }
    const int shown = BestPictureFor(views, std::min(icon.Width, icon.Height));
    if (Dead || icon.Width <= 0 || icon.Height <= 0 || shown < 0) {
        return;
    }
    TX11TrayIcon::TPicture& picture = icon.Pictures[static_cast<std::size_t>(shown)];
    const int w = icon.Width, h = icon.Height;
    // The picture drawn for the slot's size, or scaled into it keeping its proportions, centred.
    std::vector<std::uint32_t> scaled(static_cast<std::size_t>(w) * h, 0);
    {
        const TCairoSurfacePtr src(cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(picture.Pixels.data()), CAIRO_FORMAT_ARGB32,
            picture.Width, picture.Height, picture.Width * 4));
        const TCairoSurfacePtr dst(cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(scaled.data()), CAIRO_FORMAT_ARGB32, w, h, w * 4));
        const TCairoPtr cr(cairo_create(dst.get()));
        const double scale = std::min(static_cast<double>(w) / picture.Width,
                                      static_cast<double>(h) / picture.Height);
        cairo_translate(cr.get(), (w - picture.Width * scale) / 2,
                        (h - picture.Height * scale) / 2);
        cairo_scale(cr.get(), scale, scale);
        cairo_set_source_surface(cr.get(), src.get(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
        cairo_paint(cr.get());
    }

    // Composite over what the host shows behind the icon (its background or, with an ARGB
    // visual, transparency), so the icon's soft edges blend.
    if (SurfaceDepth != 32) {
        return;
    }
    Pixmap pixmap =
        XCreatePixmap(Dpy, icon.Xid, static_cast<unsigned>(w), static_cast<unsigned>(h), 32);
    XImage* image =
        XCreateImage(Dpy, SurfaceVisual, 32, ZPixmap, 0, reinterpret_cast<char*>(scaled.data()),
                     static_cast<unsigned>(w), static_cast<unsigned>(h), 32, w * 4);
    if (image == nullptr) {
        XFreePixmap(Dpy, pixmap);
        return;
    }
    XPutImage(Dpy, pixmap, SurfaceGc, image, 0, 0, 0, 0, static_cast<unsigned>(w),
              static_cast<unsigned>(h));
    image->data = nullptr;
    XDestroyImage(image);
    XRenderPictFormat* argb = XRenderFindStandardFormat(Dpy, PictStandardARGB32);
    XRenderPictFormat* target = XRenderFindVisualFormat(Dpy, icon.IconVisual);
    if (argb != nullptr && target != nullptr) {
        Picture from = XRenderCreatePicture(Dpy, pixmap, argb, 0, nullptr);
        Picture to = XRenderCreatePicture(Dpy, icon.Xid, target, 0, nullptr);
        XClearArea(Dpy, icon.Xid, 0, 0, 0, 0, False);
        XRenderComposite(Dpy, PictOpOver, from, 0, to, 0, 0, 0, 0, 0, 0, static_cast<unsigned>(w),
                         static_cast<unsigned>(h));
        XRenderFreePicture(Dpy, from);
        XRenderFreePicture(Dpy, to);
    }
    XFreePixmap(Dpy, pixmap);
    XFlush(Dpy);
}

void TX11Display::TImpl::DestroyTrayIcon(TX11TrayIcon& icon) {
    if (!Dead) {
        if (icon.Xid != 0) {
            XDestroyWindow(Dpy, icon.Xid);
        }
        if (icon.Map != 0) {
            XFreeColormap(Dpy, icon.Map);
        }
        XFlush(Dpy);
    }
    icon.Xid = 0;
    icon.Map = 0;
}

void TX11Display::TImpl::LeaveTrayIcon(const TX11TrayIcon& icon) {
    TInputEvent out;
    out.Kind = TInputKind::TrayLeave;
    out.Window = icon.Owner;
    out.Id = icon.Id;
    Push(out);
}

void TX11Display::TImpl::DockWaitingIcons() {
    for (auto& icon : TrayIcons) {
        if (icon.Xid == 0) {
            Embed(icon);
        }
    }
}

bool TX11Display::TImpl::Embed(TX11TrayIcon& icon) {
    const ::Window host = XGetSelectionOwner(Dpy, Atoms.TraySelection);
    if (Dead || host == 0) {
        return false;
    }
    // The host may name the visual its icons should use (an ARGB one for real transparency).
    icon.IconVisual = DefaultVisual(Dpy, Screen);
    icon.Depth = DefaultDepth(Dpy, Screen);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(Dpy, host, Atoms.TrayVisual, 0, 1, False, XA_VISUALID, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
        if (count == 1 && format == 32) {
            XVisualInfo templ{};
            templ.visualid = static_cast<VisualID>(*reinterpret_cast<unsigned long*>(data));
            int n = 0;
            XVisualInfo* found = XGetVisualInfo(Dpy, VisualIDMask, &templ, &n);
            if (found != nullptr && n > 0) {
                icon.IconVisual = found[0].visual;
                icon.Depth = found[0].depth;
            }
            if (found != nullptr) {
                XFree(found);
            }
        }
        XFree(data);
    }
    XSetWindowAttributes a{};
    unsigned long mask = CWEventMask | CWBorderPixel;
    a.border_pixel = 0;
    a.event_mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                   LeaveWindowMask | ExposureMask | StructureNotifyMask;
    if (icon.IconVisual != DefaultVisual(Dpy, Screen)) {
        icon.Map = XCreateColormap(Dpy, Root, icon.IconVisual, AllocNone);
        a.colormap = icon.Map;
        mask |= CWColormap;
    }
    if (icon.Depth == 32) {
        a.background_pixel = 0;
        mask |= CWBackPixel;
    } else {
        a.background_pixmap = ParentRelative;
        mask |= CWBackPixmap;
    }
    const int size = std::max(MIN_ICON_SIZE, std::min(icon.IconWidth, icon.IconHeight));
    icon.Xid =
        XCreateWindow(Dpy, Root, 0, 0, static_cast<unsigned>(size), static_cast<unsigned>(size), 0,
                      icon.Depth, InputOutput, icon.IconVisual, mask, &a);
    icon.Width = icon.Height = size;
    XSizeHints hints{};
    hints.flags = PMinSize | PBaseSize;
    hints.min_width = hints.min_height = MIN_ICON_SIZE;
    hints.base_width = hints.base_height = size;
    XSetWMNormalHints(Dpy, icon.Xid, &hints);
    XClassHint classHint{const_cast<char*>(X11ResourceName), const_cast<char*>(X11ResourceClass)};
    XSetClassHint(Dpy, icon.Xid, &classHint);
    const long info[2] = {XEMBED_VERSION, XEMBED_MAPPED};
    XChangeProperty(Dpy, icon.Xid, Atoms.XEmbedInfo, Atoms.XEmbedInfo, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(info), 2);

    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = host;
    ev.xclient.message_type = Atoms.TrayOpcode;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = CurrentTime;
    ev.xclient.data.l[1] = SYSTEM_TRAY_REQUEST_DOCK;
    ev.xclient.data.l[2] = static_cast<long>(icon.Xid);
    XSendEvent(Dpy, host, False, NoEventMask, &ev);
    XSync(Dpy, False);
    return true;
}

bool TX11Display::DockTrayIcon(HWND owner, UINT id, const std::vector<TFrameView>& frames,
                               const std::u16string& tip) {
    TImpl& x = *Impl;
    std::vector<TX11TrayIcon::TPicture> pictures;
    for (const TFrameView& f : frames) {
        if (f.Pixels == nullptr || f.Width <= 0 || f.Height <= 0 || f.Stride < f.Width * 4) {
            continue;
        }
        TX11TrayIcon::TPicture p;
        p.Width = f.Width;
        p.Height = f.Height;
        p.Pixels.reserve(static_cast<std::size_t>(f.Width) * f.Height);
        for (int y = 0; y < f.Height; ++y) {
            for (int i = 0; i < f.Width; ++i) {
                p.Pixels.push_back(f.Pixel(i, y));
            }
        }
        pictures.push_back(std::move(p));
    }
    if (x.Dead || pictures.empty()) {
        return false;
    }
    std::sort(pictures.begin(), pictures.end(), [](const auto& a, const auto& b) {
        return std::min(a.Width, a.Height) < std::min(b.Width, b.Height);
    });
    TX11TrayIcon* icon = nullptr;
    for (auto& i : x.TrayIcons) {
        if (i.Owner == owner && i.Id == id) {
            icon = &i;
        }
    }
    if (icon == nullptr) {
        x.TrayIcons.emplace_back();
        icon = &x.TrayIcons.back();
        icon->Owner = owner;
        icon->Id = id;
    }
    icon->Tip = tip;
    icon->IconWidth = pictures.front().Width;
    icon->IconHeight = pictures.front().Height;
    icon->Pictures = std::move(pictures);
    if (icon->Xid != 0) {
        x.DrawTrayIcon(*icon);
        return true;
    }
    // Without a tray the icon waits for one to announce itself.
    return x.Embed(*icon);
}

void TX11Display::UndockTrayIcon(HWND owner, UINT id) {
    TImpl& x = *Impl;
    for (auto it = x.TrayIcons.begin(); it != x.TrayIcons.end(); ++it) {
        if (it->Owner == owner && it->Id == id) {
            x.DestroyTrayIcon(*it);
            x.TrayIcons.erase(it);
            return;
        }
    }
}

} // namespace platform
