// Costs the widget pays per pointer move and per presented frame.
#include "platform/display/headless/headless_display.h"
#include "platform/window_manager.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace platform;

namespace {

LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

HWND BuildTree() {
    if (!GetClassInfo(0, u"BenchWindow", nullptr)) {
        TWndClass wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = u"BenchWindow";
        RegisterClass(wc);
    }
    // About the shape of the widget's element tree: panels with a dozen elements each.
    const HWND top = CreateWindowEx(WS_EX_LAYERED, u"BenchWindow", u"", WS_POPUP | WS_VISIBLE, 0, 0,
                                    475, 350, 0, 0, nullptr);
    for (int p = 0; p < 4; ++p) {
        const HWND panel = CreateWindowEx(0, u"BenchWindow", u"", WS_CHILD | WS_VISIBLE, 0, 0, 475,
                                          350, top, 0, nullptr);
        for (int i = 0; i < 12; ++i) {
            CreateWindowEx(0, u"BenchWindow", u"", WS_CHILD | WS_VISIBLE, 20 + i * 30, 20 + i * 20,
                           120, 40, panel, 0, nullptr);
        }
    }
    return top;
}

void BM_PointerMoveRouting(benchmark::State& state) {
    auto& screen = InstallHeadlessDisplay();
    const HWND top = BuildTree();
    std::vector<std::uint32_t> pixels(475 * 350, 0xFF000000);
    UpdateLayeredWindow(top, nullptr, 475, 350, pixels.data(), 475 * 4, 255);
    int x = 0;
    for (auto _ : state) {
        screen.MovePointer(10 + (x++ % 400), 100);
        benchmark::DoNotOptimize(ProcessPendingMessages());
    }
}
BENCHMARK(BM_PointerMoveRouting);

void BM_PresentWidgetFrame(benchmark::State& state) {
    auto& screen = InstallHeadlessDisplay();
    const HWND top = BuildTree();
    std::vector<std::uint32_t> pixels(475 * 350, 0x80402010);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            UpdateLayeredWindow(top, nullptr, 475, 350, pixels.data(), 475 * 4, 252));
        screen.ClearFrames();
    }
}
BENCHMARK(BM_PresentWidgetFrame);

} // namespace
