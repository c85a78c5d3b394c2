#include "platform/display/x11/x11_external.h"

#include "platform/display/x11/x11_internal.h"
#include "platform/sys/external_messages.h"

#include <cstring>
#include <memory>

namespace platform {

namespace {

struct TDisplayCloser {
    void operator()(::Display* dpy) const { XCloseDisplay(dpy); }
};

bool IsWidget(::Display* dpy, ::Window w, const std::string& title) {
    XClassHint hint{};
    if (XGetClassHint(dpy, w, &hint) == 0) {
        return false;
    }
    const bool classOk =
        hint.res_name != nullptr && std::strcmp(hint.res_name, X11ResourceName) == 0;
    XFree(hint.res_name);
    XFree(hint.res_class);
    if (!classOk) {
        return false;
    }
    char* name = nullptr;
    if (XFetchName(dpy, w, &name) == 0 || name == nullptr) {
        return false;
    }
    const bool titleOk = title == name;
    XFree(name);
    return titleOk;
}

// Depth-first, since a window manager may have put the widget inside a frame.
::Window FindWidget(::Display* dpy, ::Window w, const std::string& title, int depth) {
    if (IsWidget(dpy, w, title)) {
        return w;
    }
    if (depth == 0) {
        return 0;
    }
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(dpy, w, &root, &parent, &children, &count) == 0) {
        return 0;
    }
    ::Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        found = FindWidget(dpy, children[i], title, depth - 1);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

} // namespace

bool SendExternalMessage(const std::string& displayName, const std::string& title, UINT message,
                         std::string* error) {
    const std::unique_ptr<::Display, TDisplayCloser> dpy(
        XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str()));
    if (!dpy) {
        if (error != nullptr) {
            *error = "cannot open the display";
        }
        return false;
    }
    const ::Window target = FindWidget(dpy.get(), DefaultRootWindow(dpy.get()), title, 3);
    if (target == 0) {
        if (error != nullptr) {
            *error = "the widget is not running";
        }
        return false;
    }
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = target;
    ev.xclient.message_type = XInternAtom(dpy.get(), ExternalMessageAtom, False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(message);
    XSendEvent(dpy.get(), target, False, NoEventMask, &ev);
    XSync(dpy.get(), False);
    return true;
}

} // namespace platform
