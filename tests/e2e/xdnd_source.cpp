// A drag source for the end-to-end scenarios that speaks XDND (version 5) the way a browser
// does: it owns XdndSelection, finds the XdndAware window under a point, offers its types
// (more than three through XdndTypeList), sends positions and waits for each status, drops,
// answers the target's selection request and waits for XdndFinished.
//
//   e2e_xdnd_source [--window ID] [--type TYPE]... [--never-answer] [--timeout MS]
//                   X,Y [X,Y]... TEXT
//
// The points are root positions sent one after the other; the drop follows the last one when
// its status accepted it (else the drag leaves). TYPE names what the source offers (the first
// is the data's own form; default text/x-moz-url): text/x-moz-url is written as UTF-16 "url\n
// title" as Firefox writes it, every other type as the UTF-8 text. --window sends to that
// window whatever lies under the points. Prints one JSON line: the target, each status's
// accept bit and action, whether XdndFinished came, its accept bit and how long the drop took.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct TArgs {
    Window Target = 0;
    std::vector<std::string> Types;
    bool NeverAnswer = false;
    long TimeoutMs = 8000;
    std::vector<std::pair<int, int>> Points;
    std::string Text;
};

Display* Dpy = nullptr;
Window Source = 0;

Atom Intern(const char* name) {
    return XInternAtom(Dpy, name, False);
}

long NowMs() {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
}

bool Aware(Window w) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(Dpy, w, Intern("XdndAware"), 0, 1, False, AnyPropertyType,
                                          &type, &format, &count, &after, &data) == Success &&
                       type == XA_ATOM && count == 1;
    if (data != nullptr)
        XFree(data);
    return found;
}

// The topmost XdndAware window under the point, as the server sees the windows' input shapes.
Window FindTarget(int x, int y) {
    const Window root = DefaultRootWindow(Dpy);
    Window w = root;
    for (int depth = 0; depth < 8; ++depth) {
        int cx = 0, cy = 0;
        Window child = 0;
        if (!XTranslateCoordinates(Dpy, root, w, x, y, &cx, &cy, &child) || child == 0)
            break;
        w = child;
        if (Aware(w))
            return w;
    }
    return 0;
}

void SendClient(Window to, const char* type, long l1, long l2, long l3, long l4) {
    XEvent ev{};
    ev.xclient = {ClientMessage, 0, False, nullptr, to, Intern(type), 32, {}};
    const long data[] = {static_cast<long>(Source), l1, l2, l3, l4};
    std::copy(std::begin(data), std::end(data), ev.xclient.data.l);
    XSendEvent(Dpy, to, False, NoEventMask, &ev);
    XFlush(Dpy);
}

std::string Payload(const std::string& type, const std::string& text) {
    if (type != "text/x-moz-url")
        return text;
    const std::string plain = text + "\nSayfa";
    std::string utf16;
    for (unsigned char c : plain) { // the tests' addresses are ASCII
        utf16 += static_cast<char>(c);
        utf16 += '\0';
    }
    return utf16;
}

// Waits for a client message of that type (answering selection requests meanwhile).
bool Wait(const TArgs& a, const char* type, long until, XEvent& out, std::string& requested) {
    const Atom wanted = Intern(type);
    while (NowMs() < until) {
        while (XPending(Dpy) > 0) {
            XEvent ev;
            XNextEvent(Dpy, &ev);
            if (ev.type == ClientMessage && ev.xclient.message_type == wanted) {
                out = ev;
                return true;
            }
            if (ev.type != SelectionRequest)
                continue;
            const XSelectionRequestEvent& r = ev.xselectionrequest;
            char* name = XGetAtomName(Dpy, r.target);
            requested = name != nullptr ? name : "";
            if (name != nullptr)
                XFree(name);
            if (a.NeverAnswer)
                continue;
            XEvent reply{};
            reply.xselection = {SelectionNotify, 0,        False, nullptr, r.requestor,
                                r.selection,     r.target, None,  r.time};
            for (const std::string& t : a.Types)
                if (Intern(t.c_str()) == r.target) {
                    const std::string data = Payload(t, a.Text);
                    XChangeProperty(Dpy, r.requestor, r.property, r.target, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(data.data()),
                                    static_cast<int>(data.size()));
                    reply.xselection.property = r.property;
                }
            XSendEvent(Dpy, r.requestor, False, NoEventMask, &reply);
            XFlush(Dpy);
        }
        const timespec pause{0, 5 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    return false;
}

int Usage() {
    std::fprintf(stderr, "usage: e2e_xdnd_source [--window ID] [--type TYPE]... "
                         "[--never-answer] [--timeout MS] X,Y [X,Y]... TEXT\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    TArgs a;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--window" && i + 1 < argc)
            a.Target = std::strtoul(argv[++i], nullptr, 0);
        else if (arg == "--type" && i + 1 < argc)
            a.Types.emplace_back(argv[++i]);
        else if (arg == "--never-answer")
            a.NeverAnswer = true;
        else if (arg == "--timeout" && i + 1 < argc)
            a.TimeoutMs = std::strtol(argv[++i], nullptr, 10);
        else
            rest.push_back(arg);
    }
    if (rest.size() < 2)
        return Usage();
    a.Text = rest.back();
    rest.pop_back();
    for (const std::string& p : rest) {
        int x = 0, y = 0;
        if (std::sscanf(p.c_str(), "%d,%d", &x, &y) != 2)
            return Usage();
        a.Points.emplace_back(x, y);
    }
    if (a.Types.empty())
        a.Types = {"text/x-moz-url"};

    Dpy = XOpenDisplay(nullptr);
    if (Dpy == nullptr)
        return 1;
    const Window root = DefaultRootWindow(Dpy);
    Source = XCreateSimpleWindow(Dpy, root, -10, -10, 1, 1, 0, 0, 0);
    XSetSelectionOwner(Dpy, Intern("XdndSelection"), Source, CurrentTime);

    Window target = a.Target != 0 ? a.Target : FindTarget(a.Points[0].first, a.Points[0].second);
    if (target == 0) {
        std::printf("{\"target\": 0}\n");
        return 0;
    }
    // Browsers offer many forms of a link; more than three go into XdndTypeList.
    std::vector<Atom> types;
    for (const std::string& t : a.Types)
        types.push_back(Intern(t.c_str()));
    const bool many = types.size() > 3;
    if (many)
        XChangeProperty(Dpy, Source, Intern("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(types.data()),
                        static_cast<int>(types.size()));
    types.resize(3, None);
    SendClient(target, "XdndEnter", (5L << 24) | (many ? 1 : 0), static_cast<long>(types[0]),
               static_cast<long>(types[1]), static_cast<long>(types[2]));

    std::string statuses, requested;
    bool accepted = false;
    for (const auto& [x, y] : a.Points) {
        SendClient(target, "XdndPosition", 0, (static_cast<long>(x) << 16) | y, CurrentTime,
                   static_cast<long>(Intern("XdndActionCopy")));
        XEvent status;
        if (!Wait(a, "XdndStatus", NowMs() + 5000, status, requested)) {
            statuses += std::string(statuses.empty() ? "" : ", ") + "null";
            accepted = false;
            continue;
        }
        accepted = (status.xclient.data.l[1] & 1) != 0;
        const bool copy = static_cast<Atom>(status.xclient.data.l[4]) == Intern("XdndActionCopy");
        statuses += std::string(statuses.empty() ? "" : ", ") + "[" + (accepted ? "1" : "0") +
                    ", " + (copy ? "1" : "0") + "]";
    }
    bool finished = false, finishedAccepted = false;
    long took = -1;
    if (accepted) {
        const long start = NowMs();
        SendClient(target, "XdndDrop", 0, CurrentTime, 0, 0);
        XEvent done;
        finished = Wait(a, "XdndFinished", start + a.TimeoutMs, done, requested);
        took = NowMs() - start;
        finishedAccepted = finished && (done.xclient.data.l[1] & 1) != 0;
    } else {
        SendClient(target, "XdndLeave", 0, 0, 0, 0);
    }
    std::printf("{\"target\": %lu, \"statuses\": [%s], \"dropped\": %s, \"requested\": \"%s\", "
                "\"finished\": %s, \"accepted\": %s, \"ms\": %ld}\n",
                target, statuses.c_str(), accepted ? "true" : "false", requested.c_str(),
                finished ? "true" : "false", finishedAccepted ? "true" : "false", took);
    XDestroyWindow(Dpy, Source);
    XCloseDisplay(Dpy);
    return 0;
}
