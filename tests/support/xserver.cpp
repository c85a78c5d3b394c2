#include "tests/support/xserver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace x11test {

namespace {

std::uint64_t NowMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

// Polls done() every stepMs until it holds or timeoutMs have passed.
bool Poll(const std::function<bool()>& done, int timeoutMs, int stepMs) {
    return PumpUntil(done, timeoutMs,
                     [stepMs] { std::this_thread::sleep_for(std::chrono::milliseconds(stepMs)); });
}

void Stop(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    if (Poll([pid] { return waitpid(pid, nullptr, WNOHANG) != 0; }, 2000, 20))
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// An argument vector over args, which must outlive it.
std::vector<char*> Argv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

} // namespace

std::vector<char*> TXServer::Environment() {
    EnvStore.clear();
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "DISPLAY=", 8) != 0)
            EnvStore.emplace_back(*e);
    EnvStore.push_back("DISPLAY=" + DisplayName);
    return Argv(EnvStore);
}

void TXServer::Forget(pid_t pid) {
    std::replace(Children.begin(), Children.end(), pid, -1);
}

TXServer::TXServer(const TServerOptions& options) {
    int fds[2];
    if (pipe(fds) != 0) {
        Problem = "pipe";
        return;
    }
    const std::string screen =
        std::to_string(options.Width) + "x" + std::to_string(options.Height) + "x24";
    // Stopped after its clients, not with them.
    Server = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-wr",
                    "-nolisten", "tcp", "+extension", "Composite", "-noreset"});
    Forget(Server);
    close(fds[1]);
    if (Server <= 0) {
        close(fds[0]);
        Problem = "Xvfb could not be started";
        return;
    }
    std::string number;
    const std::uint64_t until = NowMs() + 15000;
    for (char c = 0; NowMs() < until;) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0)
            continue;
        if (read(fds[0], &c, 1) <= 0 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        Problem = "Xvfb did not report a display";
        return;
    }
    DisplayName = ":" + number;
    Own = XOpenDisplay(DisplayName.c_str());
    if (Own == nullptr) {
        Problem = "cannot connect to " + DisplayName;
        return;
    }
    // A test may end the server on purpose; its own connection must survive that.
    XSetIOErrorExitHandler(
        Own, [](_XDisplay*, void*) {}, nullptr);
    if (options.WindowManager) {
        Spawn({"openbox", "--sm-disable"});
        // The selection comes early in its start-up; the work area only once it manages windows.
        const Atom workArea = XInternAtom(Own, "_NET_WORKAREA", False);
        const bool ready = Poll(
            [&] {
                int count = 0;
                Atom* props = XListProperties(Own, DefaultRootWindow(Own), &count);
                const bool found = props != nullptr && std::count(props, props + count, workArea);
                if (props != nullptr)
                    XFree(props);
                return found;
            },
            10000, 50);
        if (!ready || !WaitForSelection("WM_S0", 1000) || !WaitForManagerLoop()) {
            Problem = "openbox did not start";
            return;
        }
    }
    if (options.Compositor) {
        Spawn({"xcompmgr"});
        if (!WaitForSelection("_NET_WM_CM_S0", 10000)) {
            Problem = "xcompmgr did not start";
            return;
        }
    }
    if (options.Tray && !StartTray()) {
        Problem = "trayer did not start";
        return;
    }
    Ready = true;
}

TXServer::~TXServer() {
    for (auto it = Children.rbegin(); it != Children.rend(); ++it)
        Stop(*it);
    if (Own != nullptr)
        XCloseDisplay(Own);
    Stop(Server);
}

void TXServer::AddDock(int height) {
    const ::Window root = DefaultRootWindow(Own);
    ::Window dock =
        XCreateSimpleWindow(Own, root, 0, 0, static_cast<unsigned>(DisplayWidth(Own, 0)),
                            static_cast<unsigned>(height), 0, 0, 0x808080);
    const Atom type = XInternAtom(Own, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(Own, dock, XInternAtom(Own, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
    long strut[12] = {0, 0, height, 0, 0, 0, 0, 0, 0, DisplayWidth(Own, 0) - 1, 0, 0};
    XChangeProperty(Own, dock, XInternAtom(Own, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 12);
    XChangeProperty(Own, dock, XInternAtom(Own, "_NET_WM_STRUT", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 4);
    // A window manager still starting may miss the first map; map again until the work area
    // shows the strut.
    const auto reserved = [&] {
        const auto area = Cardinals(0, "_NET_WORKAREA");
        return area.size() >= 2 && static_cast<long>(area[1]) == height;
    };
    for (int attempt = 0; attempt < 5; ++attempt) {
        XMapWindow(Own, dock);
        XSync(Own, False);
        if (Poll(reserved, 1000, 20))
            return;
        XUnmapWindow(Own, dock);
        XSync(Own, False);
    }
}

std::vector<unsigned long> TXServer::Cardinals(unsigned long window, const std::string& property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    XSync(Own, False);
    if (XGetWindowProperty(Own, window != 0 ? window : DefaultRootWindow(Own),
                           XInternAtom(Own, property.c_str(), False), 0, 1 << 20, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        // Xlib hands 32-bit items back in longs, sign-extended.
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count; ++i)
            values.push_back(items[i] & 0xFFFFFFFFul);
    }
    if (data != nullptr)
        XFree(data);
    return values;
}

unsigned long TXServer::Focus() {
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(Own, &focus, &revert);
    return focus;
}

void TXServer::KillServer() {
    Stop(Server);
    Server = -1;
}

pid_t TXServer::Spawn(const std::vector<std::string>& args) {
    std::vector<std::string> copy = args;
    std::vector<char*> argv = Argv(copy);
    std::vector<char*> env = Environment();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    Children.push_back(pid);
    return pid;
}

bool TXServer::StartTray() {
    TrayPid = Spawn({"trayer",  "--edge",
                     "top",     "--align",
                     "left",    "--widthtype",
                     "pixel",   "--width",
                     "120",     "--height",
                     "32",      "--SetDockType",
                     "true",    "--SetPartialStrut",
                     "true",    "--expand",
                     "false",   "--transparent",
                     "false",   "--tint",
                     "0xc0c0c0"});
    return TrayPid > 0 && WaitForSelection("_NET_SYSTEM_TRAY_S0", 10000);
}

void TXServer::StopTray() {
    Stop(TrayPid);
    Forget(TrayPid);
    TrayPid = -1;
}

bool TXServer::Finished(pid_t pid) {
    if (pid <= 0)
        return true;
    const pid_t r = waitpid(pid, nullptr, WNOHANG);
    if (r != pid && !(r < 0 && errno == ECHILD))
        return false;
    Forget(pid);
    return true;
}

int TXServer::Run(const std::vector<std::string>& argv, int timeoutMs) {
    const pid_t pid = Spawn(argv);
    int status = 0;
    if (pid <= 0 || !Poll([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs, 10))
        return -1;
    Forget(pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The selection and the work area come before the manager has finished starting: until then it
// may still hand the focus to a window of its own, taking it from a test's window. A request
// that only its main loop answers (a window's frame extents) shows the start is over.
bool TXServer::WaitForManagerLoop() {
    ::Display* d = Own;
    const ::Window root = DefaultRootWindow(d);
    const ::Window probe = XCreateSimpleWindow(d, root, 0, 0, 1, 1, 0, 0, 0);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = probe;
    ev.xclient.message_type = XInternAtom(d, "_NET_REQUEST_FRAME_EXTENTS", False);
    ev.xclient.format = 32;
    // Asked again until answered: a request sent before the manager listens is lost.
    const bool answered = Poll(
        [&] {
            if (!Cardinals(probe, "_NET_FRAME_EXTENTS").empty())
                return true;
            XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
            return false;
        },
        10000, 20);
    XDestroyWindow(d, probe);
    XSync(d, False);
    return answered;
}

bool TXServer::WaitForSelection(const std::string& selection, int timeoutMs) {
    return Poll([&] { return SelectionOwner(selection) != 0; }, timeoutMs, 50);
}

unsigned long TXServer::SelectionOwner(const std::string& selection) {
    return XGetSelectionOwner(Own, XInternAtom(Own, selection.c_str(), False));
}

std::uint32_t TXServer::Pixel(int x, int y) {
    XSync(Own, False);
    XImage* image = XGetImage(Own, DefaultRootWindow(Own), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0xFFFFFFFFu;
    const auto p = static_cast<std::uint32_t>(XGetPixel(image, 0, 0)) & 0x00FFFFFFu;
    XDestroyImage(image);
    return p;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs,
               const std::function<void()>& step) {
    const std::uint64_t until = NowMs() + static_cast<std::uint64_t>(timeoutMs);
    while (!done()) {
        if (NowMs() >= until)
            return false;
        step();
    }
    return true;
}

} // namespace x11test
