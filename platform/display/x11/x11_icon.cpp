// A surface's icon as _NET_WM_ICON: for each picture its width, its height and then its pixels
// as ARGB cardinals, which desktops read without premultiplied alpha.
#include "platform/display/x11/x11_internal.h"

#include <X11/Xatom.h>

#include <algorithm>

namespace platform {

namespace {

std::uint32_t Unpremultiply(std::uint32_t argb) {
    const std::uint32_t a = argb >> 24;
    if (a == 0 || a == 255) {
        return a == 0 ? 0 : argb;
    }
    auto channel = [&](int shift) {
        const std::uint32_t c = (argb >> shift) & 0xFF;
        return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a) << shift;
    };
    return (a << 24) | channel(16) | channel(8) | channel(0);
}

} // namespace

void TX11Display::SetSurfaceIcon(HWND window, const std::vector<TFrameView>& images) {
    TImpl& x = *Impl;
    TX11Surface* s = x.Find(window);
    if (x.Dead || s == nullptr) {
        return;
    }
    // Xlib carries 32-bit property items in longs.
    std::vector<unsigned long> data;
    for (const TFrameView& image : images) {
        if (image.Pixels == nullptr || image.Width <= 0 || image.Height <= 0) {
            continue;
        }
        data.push_back(static_cast<unsigned long>(image.Width));
        data.push_back(static_cast<unsigned long>(image.Height));
        for (int y = 0; y < image.Height; ++y) {
            for (int i = 0; i < image.Width; ++i) {
                data.push_back(Unpremultiply(image.Pixel(i, y)));
            }
        }
    }
    if (data.empty()) {
        XDeleteProperty(x.Dpy, s->Xid, x.Atoms.NetWmIcon);
    } else {
        XChangeProperty(x.Dpy, s->Xid, x.Atoms.NetWmIcon, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(data.data()),
                        static_cast<int>(data.size()));
    }
    XFlush(x.Dpy);
}

} // namespace platform
