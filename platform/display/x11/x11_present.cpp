// Frames on screen: the staging image (shared memory when the server offers it), the backing
// pixmap that answers exposures, and the shape regions taken from the frame's alpha.
#include "platform/display/x11/x11_internal.h"
#include "platform/display/x11/x11_shape.h"

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

void TX11Display::TImpl::ApplyShapes(TX11Surface& s, const std::vector<TRect>& rects,
                                     bool changed) {
    if (!Shape) {
        return;
    }
    std::vector<XRectangle> xr;
    auto build = [&] {
        if (!xr.empty() || rects.empty()) {
            return;
        }
        xr.reserve(rects.size());
        for (const TRect& r : rects) {
            xr.push_back(XRectangle{static_cast<short>(r.Left), static_cast<short>(r.Top),
                                    static_cast<unsigned short>(r.Width()),
                                    static_cast<unsigned short>(r.Height())});
        }
    };
    if (changed || !s.HasShape) {
        build();
        XShapeCombineRectangles(Dpy, s.Xid, ShapeInput, 0, 0, xr.data(),
                                static_cast<int>(xr.size()), ShapeSet, YXBanded);
        s.Shape = rects;
        s.HasShape = true;
    }
    // Without a compositor the alpha is not blended, so the transparent margin must be cut away
    // or it shows black.
    const bool bounding = s.Layered && !Compositing;
    if (bounding && (changed || !s.BoundingSet)) {
        build();
        XShapeCombineRectangles(Dpy, s.Xid, ShapeBounding, 0, 0, xr.data(),
                                static_cast<int>(xr.size()), ShapeSet, YXBanded);
        s.BoundingSet = true;
    } else if (!bounding && s.BoundingSet) {
        XShapeCombineMask(Dpy, s.Xid, ShapeBounding, 0, 0, 0, ShapeSet);
        s.BoundingSet = false;
    }
}

void TX11Display::TImpl::Redraw(TX11Surface& s, int x, int y, int w, int h) {
    if (s.Backing != 0 && s.Mapped) {
        XCopyArea(Dpy, s.Backing, s.Xid, SurfaceGc, x, y, static_cast<unsigned>(w),
                  static_cast<unsigned>(h), x, y);
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
    TRect target{bounds.Left, bounds.Top, bounds.Left + frame.Width, bounds.Top + frame.Height};
    MoveSurface(window, target);
    if (!x.EnsureImage(frame.Width, frame.Height)) {
        return false;
    }
    const int w = frame.Width, h = frame.Height;
    auto* dst = reinterpret_cast<std::uint8_t*>(x.Image->data);
    const auto* src = reinterpret_cast<const std::uint8_t*>(frame.Pixels);
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) *
                                                               x.Image->bytes_per_line);
        const auto* in = reinterpret_cast<const std::uint32_t*>(
            src + static_cast<std::ptrdiff_t>(y) * frame.Stride);
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
    if (s->Backing == 0 || s->BackingWidth != w || s->BackingHeight != h) {
        if (s->Backing != 0) {
            XFreePixmap(x.Dpy, s->Backing);
        }
        s->Backing = XCreatePixmap(x.Dpy, s->Xid, static_cast<unsigned>(w),
                                   static_cast<unsigned>(h), static_cast<unsigned>(x.SurfaceDepth));
        s->BackingWidth = w;
        s->BackingHeight = h;
    }
    if (x.ShmAvailable) {
        XShmPutImage(x.Dpy, s->Backing, x.SurfaceGc, x.Image, 0, 0, 0, 0, static_cast<unsigned>(w),
                     static_cast<unsigned>(h), False);
    } else {
        XPutImage(x.Dpy, s->Backing, x.SurfaceGc, x.Image, 0, 0, 0, 0, static_cast<unsigned>(w),
                  static_cast<unsigned>(h));
    }
    std::vector<TRect> rects = AlphaMaskRects(frame);
    const bool changed = !s->HasShape || rects != s->Shape;
    x.ApplyShapes(*s, rects, changed);
    s->HasFrame = true;
    x.Redraw(*s, 0, 0, w, h);
    x.MapIfReady(*s);
    if (x.ShmAvailable) {
        // The next frame reuses the segment; the server must have read this one first.
        XSync(x.Dpy, False);
    } else {
        XFlush(x.Dpy);
    }
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
