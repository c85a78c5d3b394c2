// Presenting 475 x 350 frames on an X server (Xvfb started here), with and without MIT-SHM,
// reading the monitors, and what the event loop costs while nothing happens.
#include "platform/display/headless/headless_display.h"
#include "platform/display/x11/x11_display.h"
#include "platform/window_manager.h"
#include "tests/support/xserver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

namespace {

// One private Xvfb for the whole run, stopped at exit.
x11test::TXServer& Server() {
    static x11test::TXServer server;
    return server;
}

void Present(benchmark::State& state, bool shm) {
    auto display = platform::TX11Display::Open(Server().Name(), platform::TX11Options{shm});
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

// One reading of the monitors and their work areas, as each step of a drag takes it, with the
// first argument's number of other top-level windows on the screen (each looked at for a dock's
// strut); with the second argument 1 they are listed as a window manager lists its clients.
void BM_Monitors(benchmark::State& state) {
    auto display = platform::TX11Display::Open(Server().Name());
    if (!display) {
        state.SkipWithError("no X server");
        return;
    }
    platform::TX11Display& x = *display;
    ::Display* own = Server().Connection();
    const ::Window root = DefaultRootWindow(own);
    const Atom clientList = XInternAtom(own, "_NET_CLIENT_LIST", False);
    std::vector<::Window> others;
    for (int64_t i = 0; i < state.range(0); ++i) {
        others.push_back(XCreateSimpleWindow(own, root, 0, 0, 10, 10, 0, 0, 0));
        XMapWindow(own, others.back());
    }
    if (state.range(1) != 0) {
        XChangeProperty(own, root, clientList, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(others.data()),
                        static_cast<int>(others.size()));
    }
    XSync(own, False);
    for (auto _ : state) {
        benchmark::DoNotOptimize(x.Monitors());
    }
    XDeleteProperty(own, root, clientList);
    for (::Window w : others) {
        XDestroyWindow(own, w);
    }
    XSync(own, False);
}
BENCHMARK(BM_Monitors)->Args({0, 0})->Args({50, 0})->Args({50, 1})->Unit(benchmark::kMicrosecond);

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The message loop with a window on screen and nothing to do: the CPU it takes per second of
// wall time (a poll loop should take next to none). Wall seconds come from the argument.
void BM_IdleLoop(benchmark::State& state) {
    auto display = platform::TX11Display::Open(Server().Name());
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
