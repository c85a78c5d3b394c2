// Small X queries the end-to-end tests cannot make with the command-line tools:
//
//   e2e_xprobe watch X Y DURATION_MS   samples one root pixel as fast as the server answers
//                                      and prints each change as "ms red green blue";
//                                      screenshot tools are far too slow to see a fade
//   e2e_xprobe owner SELECTION         prints the window owning a selection (0 for none),
//                                      e.g. _NET_WM_CM_S0 for the compositing manager
//   e2e_xprobe backdrop TOP BOTTOM     paints the desktop with a vertical gradient between
//                                      two RRGGBB colours and publishes it as the root
//                                      pixmap, which is what a compositing manager draws
//   e2e_xprobe icons WINDOW            prints the size of each picture in the window's
//                                      _NET_WM_ICON as "WIDTHxHEIGHT", one a line
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace {

struct TDisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

struct TImageDestroyer {
    void operator()(XImage* i) const { XDestroyImage(i); }
};

long ElapsedMs(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

int Watch(Display* dpy, int x, int y, long duration) {
    const Window root = DefaultRootWindow(dpy);
    const auto start = std::chrono::steady_clock::now();
    long last = -1;
    for (long now = 0; now <= duration; now = ElapsedMs(start)) {
        std::unique_ptr<XImage, TImageDestroyer> image(
            XGetImage(dpy, root, x, y, 1, 1, AllPlanes, ZPixmap));
        if (image) {
            const long pixel = static_cast<long>(XGetPixel(image.get(), 0, 0) & 0xFFFFFF);
            if (pixel != last) {
                std::printf("%ld %ld %ld %ld\n", now, (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF,
                            pixel & 0xFF);
                std::fflush(stdout);
                last = pixel;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return 0;
}

unsigned long Mix(unsigned long a, unsigned long b, int i, int n) {
    unsigned long out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const long ca = static_cast<long>((a >> shift) & 0xFF);
        const long cb = static_cast<long>((b >> shift) & 0xFF);
        out |= static_cast<unsigned long>(ca + (cb - ca) * i / std::max(1, n - 1)) << shift;
    }
    return out;
}

int Backdrop(Display* dpy, unsigned long top, unsigned long bottom) {
    const int screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    const int w = DisplayWidth(dpy, screen);
    const int h = DisplayHeight(dpy, screen);
    if (DefaultDepth(dpy, screen) != 24) {
        std::fprintf(stderr, "needs a 24-bit screen\n");
        return 1;
    }
    // The pixmap must outlive this client: it stays the desktop picture.
    XSetCloseDownMode(dpy, RetainPermanent);
    const Pixmap pixmap =
        XCreatePixmap(dpy, root, static_cast<unsigned>(w), static_cast<unsigned>(h), 24);
    const GC gc = XCreateGC(dpy, pixmap, 0, nullptr);
    for (int y = 0; y < h; ++y) {
        XSetForeground(dpy, gc, Mix(top, bottom, y, h));
        XFillRectangle(dpy, pixmap, gc, 0, y, static_cast<unsigned>(w), 1);
    }
    XFreeGC(dpy, gc);
    XSetWindowBackgroundPixmap(dpy, root, pixmap);
    XClearWindow(dpy, root);
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID", "_XSETROOT_ID"})
        XChangeProperty(dpy, root, XInternAtom(dpy, name, False), XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XSync(dpy, False);
    return 0;
}

int Icons(Display* dpy, Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, window, XInternAtom(dpy, "_NET_WM_ICON", False), 0, 1L << 22, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) != Success)
        return 1;
    // Xlib hands 32-bit items back in longs.
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; data != nullptr && i + 1 < count;) {
        const unsigned long w = items[i] & 0xFFFFFFFFul;
        const unsigned long h = items[i + 1] & 0xFFFFFFFFul;
        std::printf("%lux%lu\n", w, h);
        if (w == 0 || h == 0 || w * h > count - i - 2)
            break;
        i += 2 + w * h;
    }
    if (data != nullptr)
        XFree(data);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool watch = argc == 5 && std::strcmp(argv[1], "watch") == 0;
    const bool owner = argc == 3 && std::strcmp(argv[1], "owner") == 0;
    const bool backdrop = argc == 4 && std::strcmp(argv[1], "backdrop") == 0;
    const bool icons = argc == 3 && std::strcmp(argv[1], "icons") == 0;
    if (!watch && !owner && !backdrop && !icons) {
        std::fprintf(stderr,
                     "usage: %s watch X Y DURATION_MS | owner SELECTION | backdrop TOP BOTTOM | "
                     "icons WINDOW\n",
                     argv[0]);
        return 2;
    }
    std::unique_ptr<Display, TDisplayCloser> dpy(XOpenDisplay(nullptr));
    if (!dpy) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    if (watch)
        return Watch(dpy.get(), std::atoi(argv[2]), std::atoi(argv[3]), std::atol(argv[4]));
    if (icons)
        return Icons(dpy.get(), std::strtoul(argv[2], nullptr, 0));
    if (backdrop)
        return Backdrop(dpy.get(), std::strtoul(argv[2], nullptr, 16),
                        std::strtoul(argv[3], nullptr, 16));
    const Atom selection = XInternAtom(dpy.get(), argv[2], False);
    std::printf("%lu\n", static_cast<unsigned long>(XGetSelectionOwner(dpy.get(), selection)));
    return 0;
}
