// What the widget costs the desktop it lives on, measured on a private Xvfb (with a window
// manager and a compositing manager, as a desktop has) against the demo feed server on
// loopback: exec to the main window's MapNotify and to its first visible frame, the start of
// the fade-in (medians of several starts with news.xml present), resident memory once settled after
// the first refresh, for a short and a long list, the shared libraries mapped, and CPU time and
// wake-ups over an idle stretch. When `conky` is on PATH it is measured the same way with an
// equivalent window and the ratios are printed. A benchmark that prints figures, not a test:
// nothing here fails on a number.
//
//   footprint --app PATH --feedserver PATH [--runs N] [--idle SECONDS]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int WidgetWidth = 475;
constexpr int WidgetHeight = 350;

struct TDisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using TDisplay = std::unique_ptr<Display, TDisplayCloser>;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool WaitFor(const std::function<bool()>& probe, double seconds) {
    const auto start = Clock::now();
    while (MsSince(start) < seconds * 1000) {
        if (probe())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return probe();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0)
            return true;
    return false;
}

// One child process in a process group of its own, stopped with its group.
class TChild {
public:
    TChild() = default;
    TChild(const std::vector<std::string>& argv, const std::vector<std::string>& env,
           const std::string& log) {
        std::vector<char*> args, envp;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (const auto& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attr, 0);
        if (posix_spawnp(&Pid, args[0], &actions, &attr, args.data(), envp.data()) != 0)
            Pid = -1;
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
    }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;
    TChild(TChild&& other) noexcept : Pid(other.Pid) { other.Pid = -1; }
    TChild& operator=(TChild&& other) noexcept {
        Stop();
        Pid = other.Pid;
        other.Pid = -1;
        return *this;
    }
    ~TChild() { Stop(); }

    pid_t Id() const { return Pid; }
    bool Running() const { return Pid > 0 && waitpid(Pid, nullptr, WNOHANG) == 0; }

    void Stop() {
        if (Pid <= 0)
            return;
        kill(-Pid, SIGTERM);
        if (!WaitFor([this] { return waitpid(Pid, nullptr, WNOHANG) != 0; }, 3)) {
            kill(-Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        kill(-Pid, SIGKILL);
        Pid = -1;
    }

private:
    pid_t Pid = -1;
};

// --- /proc ------------------------------------------------------------------------------------

long RssKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Rss:", 0) == 0)
            return std::atol(line.c_str() + 4);
    return -1;
}

int SharedLibraries(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
    std::set<std::string> names;
    for (std::string line; std::getline(in, line);) {
        auto slash = line.find('/');
        if (slash == std::string::npos)
            continue;
        std::string path = line.substr(slash);
        if (path.find(".so") != std::string::npos)
            names.insert(path);
    }
    return static_cast<int>(names.size());
}

// User plus system CPU ticks of the whole process.
long CpuTicks(pid_t pid) {
    std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    auto close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::atol(field.c_str());
        if (i == 15) {
            stime = std::atol(field.c_str());
            break;
        }
    }
    return utime + stime;
}

// Context switches of each thread by id: each one a wake-up or a preemption.
std::map<std::string, long> ContextSwitches(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(tasks.c_str()), &closedir);
    std::map<std::string, long> out;
    while (dir) {
        const dirent* entry = readdir(dir.get());
        if (!entry)
            break;
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream in(tasks + "/" + entry->d_name + "/status");
        long total = 0;
        for (std::string line; std::getline(in, line);)
            if (line.find("ctxt_switches:") != std::string::npos)
                total += std::atol(line.c_str() + line.find(':') + 1);
        out[entry->d_name] = total;
    }
    return out;
}

// The switches between two readings; a thread that ended in between is not counted, one that
// began counts from zero.
long SwitchesBetween(const std::map<std::string, long>& before,
                     const std::map<std::string, long>& after) {
    long total = 0;
    for (const auto& [tid, count] : after) {
        const auto was = before.find(tid);
        total += count - (was == before.end() ? 0 : was->second);
    }
    return total;
}

int OpenDescriptors(pid_t pid) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(
        opendir(("/proc/" + std::to_string(pid) + "/fd").c_str()), &closedir);
    int n = 0;
    while (dir && readdir(dir.get()))
        ++n;
    return n - 2;
}

// --- the desktop ------------------------------------------------------------------------------

struct TDesktop {
    std::string Tmp;
    std::vector<std::string> Env;
    std::string DisplayName;
    std::vector<TChild> Servers;
    int FeedPort = 0;

    std::string Log(const std::string& name) const { return Tmp + "/" + name + ".log"; }

    bool Start() {
        char pattern[] = "/tmp/mp-footprint-XXXXXX";
        if (!mkdtemp(pattern))
            return false;
        Tmp = pattern;
        for (const char* d : {"/home", "/home/.local", "/home/.local/share", "/home/.config",
                              "/home/.cache", "/run"})
            mkdir((Tmp + d).c_str(), 0700);
        for (int attempt = 0; attempt < 20 && DisplayName.empty(); ++attempt) {
            const int n = 300 + static_cast<int>(getpid() % 3000) + attempt * 7;
            if (access(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), F_OK) == 0 ||
                access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0)
                continue;
            const std::string name = ":" + std::to_string(n);
            TChild xvfb({"Xvfb", name, "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                         "-noreset", "-nocursor"},
                        BaseEnv(name), Log("xvfb"));
            if (WaitFor(
                    [&] {
                        TDisplay d(XOpenDisplay(name.c_str()));
                        return d != nullptr || !xvfb.Running();
                    },
                    15) &&
                xvfb.Running()) {
                DisplayName = name;
                Servers.push_back(std::move(xvfb));
            }
        }
        if (DisplayName.empty())
            return false;
        Env = BaseEnv(DisplayName);
        if (OnPath("openbox"))
            Servers.emplace_back(std::vector<std::string>{"openbox", "--sm-disable"}, Env,
                                 Log("openbox"));
        if (OnPath("xcompmgr"))
            Servers.emplace_back(std::vector<std::string>{"xcompmgr"}, Env, Log("xcompmgr"));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return true;
    }

    std::vector<std::string> BaseEnv(const std::string& display) const {
        std::vector<std::string> env = {
            "DISPLAY=" + display,
            "HOME=" + Tmp + "/home",
            "XDG_DATA_HOME=" + Tmp + "/home/.local/share",
            "XDG_CONFIG_HOME=" + Tmp + "/home/.config",
            "XDG_CACHE_HOME=" + Tmp + "/home/.cache",
            "XDG_RUNTIME_DIR=" + Tmp + "/run",
            "MINIPELIKORA_NETWORK_GUARD=" + Tmp + "/network-guard.log",
            "NO_AT_BRIDGE=1",
            "LANG=C.UTF-8",
        };
        if (const char* path = std::getenv("PATH"))
            env.push_back(std::string("PATH=") + path);
        return env;
    }

    bool StartFeed(const std::string& server, int items, int copies) {
        const std::string portFile = Tmp + "/feed.port";
        unlink(portFile.c_str());
        Servers.emplace_back(std::vector<std::string>{"python3", server, "--port", "0",
                                                      "--port-file", portFile, "--items",
                                                      std::to_string(items), "--copies",
                                                      std::to_string(copies)},
                             Env, Log("feed"));
        return WaitFor(
            [&] {
                FeedPort = std::atoi(ReadFile(portFile).c_str());
                return FeedPort > 0;
            },
            15);
    }

    std::string DataDir() const { return Tmp + "/home/.local/share/Marvolt/Mini Pelikora"; }

    // The widget's options name the loopback server; its default feed list the loopback feed.
    void WriteWidgetFiles() {
        mkdir((Tmp + "/home/.local/share/Marvolt").c_str(), 0700);
        mkdir(DataDir().c_str(), 0700);
        const std::string host = "127.0.0.1:" + std::to_string(FeedPort);
        const std::string text =
            "[server]\r\nnews=" + host + "\r\nversion=" + host + "\r\nlinks=" + host + "\r\n";
        std::string utf16 = "\xff\xfe";
        for (char c : text) {
            utf16 += c;
            utf16 += '\0';
        }
        WriteFile(DataDir() + "/options.ini", utf16);
        WriteFile(Tmp + "/default-feeds.txt", "http://" + host + "/feed/rss\n");
        Env.push_back("MINIPELIKORA_DEFAULT_FEEDS=" + Tmp + "/default-feeds.txt");
    }

    void Remove() {
        Servers.clear();
        if (!Tmp.empty() && Tmp.rfind("/tmp/mp-footprint-", 0) == 0)
            std::system(("rm -rf '" + Tmp + "'").c_str());
    }
};

// Whether anything of the window can be seen: a pixel of its middle row that is not wholly
// transparent (the card is opaque there once it shows at all).
bool ShowsAnything(Display* dpy, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy, w, &a) || a.width <= 0 || a.height <= 0)
        return false;
    XImage* row =
        XGetImage(dpy, w, 0, a.height / 2, static_cast<unsigned>(a.width), 1, AllPlanes, ZPixmap);
    if (row == nullptr)
        return false;
    bool any = false;
    for (int x = 0; x < a.width && !any; ++x)
        any = (a.depth == 32 ? XGetPixel(row, x, 0) >> 24 : XGetPixel(row, x, 0)) != 0;
    XDestroyImage(row);
    return any;
}

// Starts argv and returns the milliseconds from just before the spawn to the MapNotify of its
// first top-level window of the given size (any size when width is 0); the child keeps running.
// With visible given, it also waits for that window's first frame that can be seen (the first
// step of a fade-in) and stores the milliseconds to it there.
double TimeToMap(Display* dpy, TChild& child, const std::vector<std::string>& argv,
                 const std::vector<std::string>& env, const std::string& log, int width, int height,
                 double* visible = nullptr) {
    const Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XSync(dpy, True);
    const auto start = Clock::now();
    child = TChild(argv, env, log);
    std::set<Window> watched;
    // The window may be created at another size and resized before it maps: every new
    // top-level window is watched and its size read when it maps. A window manager may take a
    // row off the height to fit its idea of the screen.
    const auto matches = [&](Window w) {
        Window r;
        int x, y;
        unsigned wd, ht, border, depth;
        return XGetGeometry(dpy, w, &r, &x, &y, &wd, &ht, &border, &depth) &&
               (width == 0 ||
                (static_cast<int>(wd) == width && std::abs(static_cast<int>(ht) - height) <= 2));
    };
    double mapMs = -1;
    // The first visible frame is looked for row by row, often: a whole picture each time would
    // load the server the widget is talking to.
    const auto seen = [&](Window w) {
        mapMs = MsSince(start);
        if (visible != nullptr) {
            *visible = -1;
            while (MsSince(start) < 20000 && !ShowsAnything(dpy, w))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (MsSince(start) < 20000)
                *visible = MsSince(start);
        }
        return true;
    };
    while (MsSince(start) < 20000) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == CreateNotify && ev.xcreatewindow.parent == root) {
                const Window w = ev.xcreatewindow.window;
                XSelectInput(dpy, w, StructureNotifyMask);
                watched.insert(w);
                // Mapped before the selection took hold: count it as mapped now.
                XWindowAttributes attributes;
                if (XGetWindowAttributes(dpy, w, &attributes) &&
                    attributes.map_state != IsUnmapped && matches(w) && seen(w))
                    return mapMs;
            } else if (ev.type == MapNotify && watched.count(ev.xmap.window) &&
                       matches(ev.xmap.window) && seen(ev.xmap.window)) {
                return mapMs;
            }
        }
        pollfd p{ConnectionNumber(dpy), POLLIN, 0};
        poll(&p, 1, 50);
    }
    return mapMs;
}

double Median(std::vector<double> v) {
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct TFigures {
    double MapMs = -1;
    double VisibleMs = -1;
    long RssKb = -1;
    int Libraries = -1;
    double IdleCpuPercent = -1;
    long IdleSwitches = -1;
    int Descriptors = -1;
};

// Lets a running process settle, then reads its memory and watches it idle.
void MeasureIdle(pid_t pid, int idleSeconds, TFigures& f) {
    f.RssKb = RssKb(pid);
    f.Libraries = SharedLibraries(pid);
    f.Descriptors = OpenDescriptors(pid);
    const long ticks = CpuTicks(pid);
    const auto switches = ContextSwitches(pid);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const long hz = sysconf(_SC_CLK_TCK);
    f.IdleCpuPercent =
        100.0 * static_cast<double>(CpuTicks(pid) - ticks) / static_cast<double>(hz * idleSeconds);
    f.IdleSwitches = SwitchesBetween(switches, ContextSwitches(pid));
}

void Print(const char* who, const TFigures& f, int idleSeconds) {
    std::printf("%-22s exec->map median %7.1f ms   exec->visible %7.1f ms   RSS %7.1f MB   "
                "libraries %3d   fds %3d   idle CPU %.3f %%   wake-ups %ld in %d s\n",
                who, f.MapMs, f.VisibleMs, static_cast<double>(f.RssKb) / 1024.0, f.Libraries,
                f.Descriptors, f.IdleCpuPercent, f.IdleSwitches, idleSeconds);
}

struct TOptions {
    std::string App, FeedServer;
    int Runs = 10;
    int Idle = 30;
    // The widget trims once it has idled longer than ten seconds, looking every ten seconds:
    // the first trim comes about twenty seconds after the start.
    int Settle = 25;
};

// One widget on a fresh desktop with a feed of the given length.
bool MeasureWidget(const TOptions& o, int items, int copies, bool timeStarts, TFigures& f) {
    TDesktop desk;
    struct TCleanup {
        TDesktop& D;
        ~TCleanup() { D.Remove(); }
    } cleanup{desk};
    if (!desk.Start() || !desk.StartFeed(o.FeedServer, items, copies)) {
        std::fprintf(stderr, "footprint: the desktop or the feed server did not start\n");
        return false;
    }
    desk.WriteWidgetFiles();
    TDisplay dpy(XOpenDisplay(desk.DisplayName.c_str()));
    if (!dpy)
        return false;
    const std::string news = desk.DataDir() + "/news.xml";

    // The first start writes news.xml; later starts find it, as a desktop's everyday start does.
    TChild widget;
    double firstVisible = -1;
    double first = TimeToMap(dpy.get(), widget, {o.App}, desk.Env, desk.Log("widget"), WidgetWidth,
                             WidgetHeight, &firstVisible);
    if (first < 0 || !WaitFor([&] { return access(news.c_str(), F_OK) == 0; }, 30)) {
        std::fprintf(stderr, "footprint: the widget did not map (%.0f) or fetch:\n%s\n", first,
                     ReadFile(desk.Log("widget")).c_str());
        return false;
    }
    if (timeStarts) {
        std::vector<double> times, visible;
        for (int i = 0; i < o.Runs; ++i) {
            widget.Stop();
            double seen = -1;
            times.push_back(TimeToMap(dpy.get(), widget, {o.App}, desk.Env, desk.Log("widget"),
                                      WidgetWidth, WidgetHeight, &seen));
            visible.push_back(seen);
        }
        f.MapMs = Median(times);
        f.VisibleMs = Median(visible);
        widget.Stop();
        widget = TChild();
        TimeToMap(dpy.get(), widget, {o.App}, desk.Env, desk.Log("widget"), WidgetWidth,
                  WidgetHeight);
    } else {
        f.MapMs = first;
        f.VisibleMs = firstVisible;
    }
    // Past the first refresh and the first idle trim.
    std::this_thread::sleep_for(std::chrono::seconds(o.Settle));
    MeasureIdle(widget.Id(), o.Idle, f);
    const std::string guard = ReadFile(desk.Tmp + "/network-guard.log");
    if (!guard.empty())
        std::fprintf(stderr, "footprint: the loopback guard refused:\n%s", guard.c_str());
    return true;
}

// Conky with an ARGB window showing the same headlines, fetched from the same loopback feed.
bool MeasureConky(const TOptions& o, TFigures& f) {
    TDesktop desk;
    struct TCleanup {
        TDesktop& D;
        ~TCleanup() { D.Remove(); }
    } cleanup{desk};
    if (!desk.Start() || !desk.StartFeed(o.FeedServer, 30, 1))
        return false;
    const std::string config = desk.Tmp + "/conky.conf";
    WriteFile(config, "conky.config = {\n"
                      "  own_window = true, own_window_type = 'desktop',\n"
                      "  own_window_argb_visual = true, own_window_argb_value = 200,\n"
                      "  minimum_width = 475, minimum_height = 350,\n"
                      "  maximum_width = 475, use_xft = true, font = 'DejaVu Sans:size=9',\n"
                      "  update_interval = 300, double_buffer = true, out_to_console = false,\n"
                      "}\n"
                      "conky.text = [[${rss http://127.0.0.1:" +
                          std::to_string(desk.FeedPort) + "/feed/rss 5 item_titles 30}]]\n");
    TDisplay dpy(XOpenDisplay(desk.DisplayName.c_str()));
    if (!dpy)
        return false;
    std::vector<double> times;
    TChild conky;
    for (int i = 0; i < o.Runs; ++i) {
        conky.Stop();
        times.push_back(TimeToMap(dpy.get(), conky, {"conky", "-c", config}, desk.Env,
                                  desk.Log("conky"), 0, 0));
    }
    f.MapMs = Median(times);
    // It draws its first frame as it maps; there is no fade.
    f.VisibleMs = f.MapMs;
    std::this_thread::sleep_for(std::chrono::seconds(o.Settle));
    MeasureIdle(conky.Id(), o.Idle, f);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    TOptions o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--app")
            o.App = argv[i + 1];
        else if (key == "--feedserver")
            o.FeedServer = argv[i + 1];
        else if (key == "--runs")
            o.Runs = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--idle")
            o.Idle = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--settle")
            o.Settle = std::max(0, std::atoi(argv[i + 1]));
    }
    if (o.App.empty() || o.FeedServer.empty()) {
        std::fprintf(stderr, "usage: footprint --app PATH --feedserver PATH [--runs N] "
                             "[--idle SECONDS] [--settle SECONDS]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);

    TFigures shortList, longList;
    if (!MeasureWidget(o, 30, 1, true, shortList))
        return 1;
    Print("minipelikora 30 items", shortList, o.Idle);
    if (MeasureWidget(o, 300, 10, false, longList)) {
        Print("minipelikora 300 items", longList, o.Idle);
        std::printf("RSS 300 - 30 items: %+.1f MB\n",
                    static_cast<double>(longList.RssKb - shortList.RssKb) / 1024.0);
    }
    if (!OnPath("conky")) {
        std::printf("conky: not installed, no comparison\n");
        return 0;
    }
    TFigures conky;
    if (!MeasureConky(o, conky)) {
        std::printf("conky: did not start\n");
        return 0;
    }
    Print("conky", conky, o.Idle);
    std::printf("ratios widget/conky: exec->map %.2f   RSS %.2f\n", shortList.MapMs / conky.MapMs,
                static_cast<double>(shortList.RssKb) / static_cast<double>(conky.RssKb));
    return 0;
}
