// The desktop picture under a surface: the pixmap that wallpaper setters publish on the root
// window, read for the screen area a layered picture covers, so the picture can be put together
// over it when no compositing manager blends the alpha.
#include "platform/display/x11/x11_internal.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <memory>

namespace platform {

namespace {

struct TImageDestroyer {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using TImagePtr = std::unique_ptr<XImage, TImageDestroyer>;

// One 8-bit channel out of a pixel by its visual mask.
std::uint32_t Channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1) == 0) {
        ++shift;
    }
    const unsigned long max = mask >> shift;
    return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255 / max);
}

// x modulo n for any sign of x: the desktop picture repeats from the screen's origin.
int Wrap(int x, int n) {
    const int r = x % n;
    return r < 0 ? r + n : r;
}

} // namespace

void TX11Display::TImpl::ReadDesktopPicture() {
    Pixmap found = 0;
    // Setters write either name, some both; the newer convention comes first.
    for (const Atom name : {Atoms.XRootPmapId, Atoms.EsetrootPmapId}) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(Dpy, Root, name, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                               &after, &data) == Success &&
            data != nullptr) {
            if (type == XA_PIXMAP && format == 32 && count == 1) {
                found = static_cast<Pixmap>(*reinterpret_cast<const unsigned long*>(data));
            }
            XFree(data);
        }
        if (found != 0) {
            break;
        }
    }
    const bool changed = found != DesktopPicture;
    DesktopPicture = found;
    for (auto& entry : Surfaces) {
        TX11Surface& s = entry.second;
        // The same pixmap may have been drawn again, so the copy is read anew in any case.
        s.BackdropSource = 0;
        if (s.Layered && s.HasFrame && !Compositing && (found != 0 || changed)) {
            Present(s);
        }
    }
}

bool TX11Display::TImpl::ReadBackdrop(TX11Surface& s, const TRect& area) {
    if (DesktopPicture == 0 || area.Width() <= 0 || area.Height() <= 0) {
        return false;
    }
    if (s.BackdropSource == DesktopPicture && s.BackdropArea == area) {
        return true;
    }
    s.BackdropSource = 0;
    ::Window root = 0;
    int px = 0, py = 0;
    unsigned pw = 0, ph = 0, border = 0, depth = 0;
    // A pixmap its setter has freed since is an error here, counted and otherwise ignored.
    if (XGetGeometry(Dpy, DesktopPicture, &root, &px, &py, &pw, &ph, &border, &depth) == 0 ||
        pw == 0 || ph == 0 || static_cast<int>(depth) != DefaultDepth(Dpy, Screen)) {
        return false;
    }
    const Visual* visual = DefaultVisual(Dpy, Screen);
    const int w = area.Width(), h = area.Height();
    s.Backdrop.assign(static_cast<std::size_t>(w) * h, 0xFF000000u);
    auto store = [&](XImage* image, int imageX, int imageY, int x, int y) {
        const unsigned long p = XGetPixel(image, imageX, imageY);
        s.Backdrop[static_cast<std::size_t>(y) * w + x] =
            0xFF000000u | Channel(p, visual->red_mask) << 16 | Channel(p, visual->green_mask) << 8 |
            Channel(p, visual->blue_mask);
    };
    const auto pwi = static_cast<int>(pw), phi = static_cast<int>(ph);
    if (static_cast<unsigned long long>(pw) * ph <= 4ull * w * h) {
        // A small picture (a tile): read it whole and repeat it.
        TImagePtr image(XGetImage(Dpy, DesktopPicture, 0, 0, pw, ph, AllPlanes, ZPixmap));
        if (!image) {
            return false;
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                store(image.get(), Wrap(area.Left + x, pwi), Wrap(area.Top + y, phi), x, y);
            }
        }
    } else {
        // A large picture: read only the pieces under the area, one for each repetition it
        // touches.
        for (int top = area.Top; top < area.Bottom;) {
            const int sy = Wrap(top, phi);
            const int rows = std::min(area.Bottom - top, phi - sy);
            for (int left = area.Left; left < area.Right;) {
                const int sx = Wrap(left, pwi);
                const int cols = std::min(area.Right - left, pwi - sx);
                TImagePtr image(XGetImage(Dpy, DesktopPicture, sx, sy, static_cast<unsigned>(cols),
                                          static_cast<unsigned>(rows), AllPlanes, ZPixmap));
                if (!image) {
                    return false;
                }
                for (int y = 0; y < rows; ++y) {
                    for (int x = 0; x < cols; ++x) {
                        store(image.get(), x, y, left - area.Left + x, top - area.Top + y);
                    }
                }
                left += cols;
            }
            top += rows;
        }
    }
    s.BackdropSource = DesktopPicture;
    s.BackdropArea = area;
    return true;
}

} // namespace platform
