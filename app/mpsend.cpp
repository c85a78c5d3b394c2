// mpsend: sends one of the widget's private messages (5939 closes it, 5938 does nothing) to
// the running widget, found by its title and class on the X display.
//   mpsend [message]      (default 5939)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* Title = "minipelikora";
constexpr const char* ClassName = "minipelikora";
constexpr const char* MessageAtom = "_MINIPELIKORA_MESSAGE";

bool IsWidget(Display* dpy, Window w) {
    XClassHint hint{};
    if (XGetClassHint(dpy, w, &hint) == 0)
        return false;
    const bool classOk = hint.res_name != nullptr && std::strcmp(hint.res_name, ClassName) == 0;
    XFree(hint.res_name);
    XFree(hint.res_class);
    if (!classOk)
        return false;
    char* name = nullptr;
    if (XFetchName(dpy, w, &name) == 0 || name == nullptr)
        return false;
    const bool titleOk = std::strcmp(name, Title) == 0;
    XFree(name);
    return titleOk;
}

// Depth-first, since a window manager may have put the widget inside a frame.
Window Find(Display* dpy, Window w, int depth) {
    if (IsWidget(dpy, w))
        return w;
    if (depth == 0)
        return 0;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(dpy, w, &root, &parent, &children, &count) == 0)
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i)
        found = Find(dpy, children[i], depth - 1);
    if (children != nullptr)
        XFree(children);
    return found;
}

} // namespace

int main(int argc, char** argv) {
    long message = 5939;
    if (argc > 1) {
        char* end = nullptr;
        message = std::strtol(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0') {
            std::fprintf(stderr, "usage: mpsend [message]\n");
            return 2;
        }
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        std::fprintf(stderr, "mpsend: cannot open the display\n");
        return 1;
    }
    const Window target = Find(dpy, DefaultRootWindow(dpy), 3);
    if (target == 0) {
        std::fprintf(stderr, "mpsend: the widget is not running\n");
        XCloseDisplay(dpy);
        return 1;
    }
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = target;
    ev.xclient.message_type = XInternAtom(dpy, MessageAtom, False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = message;
    XSendEvent(dpy, target, False, NoEventMask, &ev);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return 0;
}
