// Presenting 475 x 350 frames on an X server (Xvfb started here), with and without MIT-SHM,
// and what the event loop costs while nothing happens.
#include "platform/headless_display.h"
#include "platform/window_manager.h"
#include "platform/x11_display.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// One private Xvfb for the whole run, stopped at exit.
class TServer {
public:
    TServer() {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        std::vector<std::string> args = {"Xvfb",      "-displayfd", std::to_string(fds[1]),
                                         "-screen",   "0",          "1280x1024x24",
                                         "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&Pid, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) {
            Pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        char c = 0;
        pollfd p{fds[0], POLLIN, 0};
        while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            Name += c;
        }
        close(fds[0]);
        Name = ":" + Name;
    }
    ~TServer() {
        if (Pid > 0) {
            kill(Pid, SIGTERM);
            waitpid(Pid, nullptr, 0);
        }
    }
    std::string Name;
    pid_t Pid = -1;
};

TServer& Server() {
    static TServer server;
    return server;
}

void Present(benchmark::State& state, bool shm) {
    auto display = platform::TX11Display::Open(Server().Name, platform::TX11Options{shm});
    if (!display) {
        state.SkipWithError("no X server");
        return;
    }
    if (display->UsingShm() != shm) {
        state.SkipWithError("MIT-SHM not as asked");
        return;
    }
    platform::TX11Display& x = *display;
    platform::SetDisplay(std::move(display));
    constexpr int W = 475, H = 350;
    const platform::HWND hwnd =
        platform::CreateWindowEx(platform::WS_EX_LAYERED | platform::WS_EX_TOOLWINDOW, u"STATIC",
                                 u"bench", platform::WS_POPUP, 100, 100, W, H, 0, 0, nullptr);
    platform::ShowWindow(hwnd, platform::SW_SHOWNA);
    // A card with a transparent margin, as the widget presents it.
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(W) * H, 0);
    for (int y = 12; y < H - 12; ++y) {
        for (int i = 12; i < W - 12; ++i) {
            frame[static_cast<std::size_t>(y) * W + i] = 0xFF204060u + static_cast<unsigned>(y);
        }
    }
    const platform::TPoint at{100, 100};
    std::uint8_t alpha = 255;
    for (auto _ : state) {
        // Alternate the constant alpha as a fade does, so both copy paths run.
        alpha = alpha == 255 ? 200 : 255;
        platform::UpdateLayeredWindow(hwnd, &at, W, H, frame.data(), W * 4, alpha);
    }
    (void)x;
    platform::DestroyWindow(hwnd);
    platform::InstallHeadlessDisplay();
}

void BM_PresentShm(benchmark::State& state) {
    Present(state, true);
}
void BM_PresentPlain(benchmark::State& state) {
    Present(state, false);
}
BENCHMARK(BM_PresentShm)->Iterations(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentPlain)->Iterations(500)->Unit(benchmark::kMillisecond);

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The message loop with a window on screen and nothing to do: the CPU it takes per second of
// wall time (a poll loop should take next to none). Wall seconds come from the argument.
void BM_IdleLoop(benchmark::State& state) {
    auto display = platform::TX11Display::Open(Server().Name);
    if (!display) {
        state.SkipWithError("no X server");
        return;
    }
    platform::SetDisplay(std::move(display));
    const platform::HWND hwnd =
        platform::CreateWindowEx(platform::WS_EX_LAYERED | platform::WS_EX_TOOLWINDOW, u"STATIC",
                                 u"idle", platform::WS_POPUP, 0, 0, 10, 10, 0, 0, nullptr);
    // A five-minute timer, like the news poll, must not wake the loop meanwhile.
    platform::SetTimer(hwnd, 1, 300000);
    const auto seconds = static_cast<int>(state.range(0));
    double cpu = 0;
    for (auto _ : state) {
        const double before = ProcessCpuSeconds();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        std::thread stopper([&] {
            std::this_thread::sleep_until(until);
            platform::PostMessage(hwnd, platform::WM_USER, 0, 0);
        });
        platform::TMsg msg;
        while (platform::GetMessage(&msg, 0, 0, 0) && msg.message != platform::WM_USER) {
            platform::DispatchMessage(&msg);
        }
        stopper.join();
        cpu = ProcessCpuSeconds() - before;
    }
    state.counters["cpu_ms_per_s"] = cpu * 1000.0 / seconds;
    platform::DestroyWindow(hwnd);
    platform::InstallHeadlessDisplay();
}
BENCHMARK(BM_IdleLoop)->Arg(30)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
