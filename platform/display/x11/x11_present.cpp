// Frames on screen: the staging image (shared memory when the server offers it), the backing
// pixmap that answers exposures, and the shape regions taken from the frame's alpha.
#include "platform/display/x11/x11_internal.h"
#include "platform/display/x11/x11_shape.h"
#include "platform/gfx/owners.h"

#include <X11/Xatom.h>
#include <X11/extensions/shape.h>

#include <climits>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace platform {

bool TX11Display::TImpl::EnsureImage(int width, int height) {
    if (Image != nullptr && width <= ImageWidth && height <= ImageHeight) {
        return true;
    }
    width = std::max(width, ImageWidth);
    height = std::max(height, ImageHeight);
    FreeImage();
    const auto depth = static_cast<unsigned>(SurfaceDepth);
    if (ShmAvailable) {
        Image = XShmCreateImage(Dpy, SurfaceVisual, depth, ZPixmap, nullptr, &ShmInfo,
                                static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (Image != nullptr) {
            const auto bytes = static_cast<std::size_t>(Image->bytes_per_line) * height;
            ShmInfo.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
            void* at = ShmInfo.shmid >= 0 ? shmat(ShmInfo.shmid, nullptr, 0) : nullptr;
            bool ok = at != nullptr && at != reinterpret_cast<void*>(-1);
            if (ok) {
                ShmInfo.shmaddr = Image->data = static_cast<char*>(at);
                ShmInfo.readOnly = True;
                const unsigned long before = X11ErrorCount();
                XShmAttach(Dpy, &ShmInfo);
                XSync(Dpy, False);
                ok = X11ErrorCount() == before;
                if (!ok) {
                    shmdt(at);
                }
            }
            if (ShmInfo.shmid >= 0) {
                // Marked for removal now, so the segment goes away with us even after a crash.
                shmctl(ShmInfo.shmid, IPC_RMID, nullptr);
            }
            if (ok) {
                ImageWidth = width;
                ImageHeight = height;
                return true;
            }
            Image->data = nullptr;
            XDestroyImage(Image);
            Image = nullptr;
        }
        // A remote server or a refused segment: plain uploads from now on.
        ShmAvailable = false;
    }
    PlainBuffer.assign(static_cast<std::size_t>(width) * height, 0);
    Image = XCreateImage(Dpy, SurfaceVisual, depth, ZPixmap, 0,
                         reinterpret_cast<char*>(PlainBuffer.data()), static_cast<unsigned>(width),
                         static_cast<unsigned>(height), 32, width * 4);
    if (Image == nullptr) {
        PlainBuffer.clear();
        return false;
    }
    ImageWidth = width;
    ImageHeight = height;
    return true;
}

void TX11Display::TImpl::FreeImage() {
    if (Image == nullptr) {
        return;
    }
    if (ShmAvailable && Image->data != nullptr) {
        XShmDetach(Dpy, &ShmInfo);
        XSync(Dpy, False);
        shmdt(ShmInfo.shmaddr);
    }
    Image->data = nullptr; // the pixels belong to us, not to XDestroyImage
    XDestroyImage(Image);
    Image = nullptr;
    PlainBuffer.clear();
    ImageWidth = ImageHeight = 0;
}

namespace {

// Without a compositing manager the window is cut to the pixels at least this opaque: where less
// of the picture is left, what it adds to the desktop picture no longer shows.
constexpr std::uint32_t BackdropShapeAlpha = 8;

// A premultiplied pixel over an opaque one: the result is opaque.
std::uint32_t Over(std::uint32_t top, std::uint32_t under) {
    const std::uint32_t keep = 255 - (top >> 24);
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t c =
            ((top >> shift) & 0xFF) + (((under >> shift) & 0xFF) * keep + 127) / 255;
        out |= std::min<std::uint32_t>(c, 255) << shift;
    }
    return out;
}

// The frame resampled to width x height. A picture drawn at the next whole factor of the scale is
// never more than twice the screen's size, so a bilinear filter reads every one of its pixels and
// reduces it smoothly, at a fraction of the cost of a wider filter.
std::vector<std::uint32_t> FitFrame(const TFrameView& frame, int width, int height) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * height, 0);
    const TCairoSurfacePtr source(cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(frame.Pixels)),
        CAIRO_FORMAT_ARGB32, frame.Width, frame.Height, frame.Stride));
    const TCairoSurfacePtr target(
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(out.data()),
                                            CAIRO_FORMAT_ARGB32, width, height, width * 4));
    const TCairoPtr cr(cairo_create(target.get()));
    cairo_scale(cr.get(), static_cast<double>(width) / frame.Width,
                static_cast<double>(height) / frame.Height);
    cairo_set_source_surface(cr.get(), source.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(cairo_get_source(cr.get()), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    cairo_surface_flush(target.get());
    return out;
}

std::vector<XRectangle> ToXRectangles(const std::vector<TRect>& rects) {
    std::vector<XRectangle> xr;
    xr.reserve(rects.size());
    for (const TRect& r : rects) {
        xr.push_back(XRectangle{static_cast<short>(r.Left), static_cast<short>(r.Top),
                                static_cast<unsigned short>(r.Width()),
                                static_cast<unsigned short>(r.Height())});
    }
    return xr;
}

} // namespace

void TX11Display::TImpl::ApplyShapes(TX11Surface& s, const std::vector<TRect>& input,
                                     const std::vector<TRect>& bounding) {
    if (!Shape) {
        return;
    }
    if (!s.HasShape || input != s.Shape) {
        const auto xr = ToXRectangles(input);
        XShapeCombineRectangles(Dpy, s.Xid, ShapeInput, 0, 0, const_cast<XRectangle*>(xr.data()),
                                static_cast<int>(xr.size()), ShapeSet, YXBanded);
        s.Shape = input;
        s.HasShape = true;
    }
    // The window ends where its picture does, also for a compositing manager: what it adds
    // around a window (a shadow, a blur) then follows the card and not the invisible margin.
    if (!s.BoundingSet || bounding != s.Bounding) {
        const auto xr = ToXRectangles(bounding);
        XShapeCombineRectangles(Dpy, s.Xid, ShapeBounding, 0, 0, const_cast<XRectangle*>(xr.data()),
                                static_cast<int>(xr.size()), ShapeSet, YXBanded);
        s.Bounding = bounding;
        s.BoundingSet = true;
    }
}

void TX11Display::TImpl::Redraw(TX11Surface& s, int x, int y, int w, int h) {
    if (s.Backing != 0 && s.Mapped) {
        XCopyArea(Dpy, s.Backing, s.Xid, SurfaceGc, x, y, static_cast<unsigned>(w),
                  static_cast<unsigned>(h), x, y);
    }
}

void TX11Display::TImpl::Present(TX11Surface& s) {
    const int w = s.FrameWidth, h = s.FrameHeight;
    if (Dead || s.Frame.empty() || !EnsureImage(w, h)) {
        return;
    }
    const TFrameView frame{s.Frame.data(), w, h, w * 4};
    // Without a compositing manager nothing blends the alpha, so the picture is put together
    // over the desktop picture here, as a compositor would have shown it.
    const bool over =
        s.Layered && !Compositing &&
        ReadBackdrop(s, TRect{s.Origin.X, s.Origin.Y, s.Origin.X + w, s.Origin.Y + h});
    auto* dst = reinterpret_cast<std::uint8_t*>(Image->data);
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) *
                                                               Image->bytes_per_line);
        const std::uint32_t* in = s.Frame.data() + static_cast<std::ptrdiff_t>(y) * w;
        if (!over) {
            std::memcpy(out, in, static_cast<std::size_t>(w) * 4);
            continue;
        }
        const std::uint32_t* under = s.Backdrop.data() + static_cast<std::ptrdiff_t>(y) * w;
        for (int i = 0; i < w; ++i) {
            out[i] = Over(in[i], under[i]);
        }
    }
    if (s.Backing == 0 || s.BackingWidth != w || s.BackingHeight != h) {
        if (s.Backing != 0) {
            XFreePixmap(Dpy, s.Backing);
        }
        s.Backing = XCreatePixmap(Dpy, s.Xid, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                  static_cast<unsigned>(SurfaceDepth));
        s.BackingWidth = w;
        s.BackingHeight = h;
    }
    if (ShmAvailable) {
        XShmPutImage(Dpy, s.Backing, SurfaceGc, Image, 0, 0, 0, 0, static_cast<unsigned>(w),
                     static_cast<unsigned>(h), False);
    } else {
        XPutImage(Dpy, s.Backing, SurfaceGc, Image, 0, 0, 0, 0, static_cast<unsigned>(w),
                  static_cast<unsigned>(h));
    }
    // Input goes wherever the picture is not fully transparent. Without a compositor the window
    // shows no more than that either; over the desktop picture it may end a little inside,
    // where the picture is too faint to matter, so less of the desktop picture stands over
    // other windows.
    std::vector<TRect> input = AlphaMaskRects(frame);
    std::vector<TRect> bounding = over ? AlphaMaskRects(frame, BackdropShapeAlpha) : input;
    if (s.Layered) {
        ApplyShapes(s, input, bounding);
    }
    s.HasFrame = true;
    Redraw(s, 0, 0, w, h);
    MapIfReady(s);
    if (ShmAvailable) {
        // The next frame reuses the segment; the server must have read this one first.
        XSync(Dpy, False);
    } else {
        XFlush(Dpy);
    }
}

bool TX11Display::TImpl::FollowsDesktopPicture(const TX11Surface& s) const {
    return s.Layered && s.HasFrame && !Compositing && DesktopPicture != 0;
}

void TX11Display::TImpl::SurfaceMoved(TX11Surface& s, TPoint origin) {
    if (origin == s.Origin) {
        return;
    }
    s.Origin = origin;
    if (FollowsDesktopPicture(s)) {
        Present(s);
    }
}

bool TX11Display::PresentFrame(HWND window, const TRect& bounds, const TFrameView& frame,
                               std::uint8_t alpha) {
    TImpl& x = *Impl;
    TX11Surface* s = x.Find(window);
    if (s == nullptr || x.Dead || frame.Pixels == nullptr || frame.Width <= 0 ||
        frame.Height <= 0 || frame.Stride < frame.Width * 4 || frame.Width > SHRT_MAX ||
        frame.Height > SHRT_MAX) {
        return false;
    }
    // The screen's size of the window; a picture drawn at another factor (the next whole one
    // of a fractional scale, or one drawn before the scale changed) is reduced to it smoothly.
    const TRect device = x.ToDevice(bounds, s->Bounds);
    const int w = std::max(1, device.Width()), h = std::max(1, device.Height());
    std::vector<std::uint32_t> fitted;
    TFrameView view = frame;
    if (frame.Width != w || frame.Height != h) {
        fitted = FitFrame(frame, w, h);
        view = TFrameView{fitted.data(), w, h, w * 4};
    }
    s->Frame.resize(static_cast<std::size_t>(w) * h);
    s->FrameWidth = w;
    s->FrameHeight = h;
    const auto* src = reinterpret_cast<const std::uint8_t*>(view.Pixels);
    for (int y = 0; y < h; ++y) {
        std::uint32_t* out = s->Frame.data() + static_cast<std::ptrdiff_t>(y) * w;
        const auto* in = reinterpret_cast<const std::uint32_t*>(
            src + static_cast<std::ptrdiff_t>(y) * view.Stride);
        if (alpha == 255) {
            std::memcpy(out, in, static_cast<std::size_t>(w) * 4);
            continue;
        }
        // Premultiplied pixels scale as a whole: every channel times alpha / 255.
        for (int i = 0; i < w; ++i) {
            const std::uint32_t p = in[i];
            const std::uint32_t rb = (p & 0x00FF00FFu) * alpha + 0x00800080u;
            const std::uint32_t ag = ((p >> 8) & 0x00FF00FFu) * alpha + 0x00800080u;
            out[i] = (((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu) |
                     ((ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u);
        }
    }
    x.Move(*s, bounds);
    x.Present(*s);
    return !x.Dead;
}

void TX11Display::SetSurfaceAlpha(HWND window, std::uint8_t alpha) {
    TImpl& x = *Impl;
    TX11Surface* s = x.Find(window);
    if (s == nullptr || x.Dead) {
        return;
    }
    if (alpha == 255) {
        XDeleteProperty(x.Dpy, s->Xid, x.Atoms.NetWmWindowOpacity);
    } else {
        const unsigned long value = 0x01010101ul * alpha;
        XChangeProperty(x.Dpy, s->Xid, x.Atoms.NetWmWindowOpacity, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
    }
    XFlush(x.Dpy);
}

} // namespace platform
