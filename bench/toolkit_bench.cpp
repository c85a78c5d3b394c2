// Toolkit costs on the headless screen: message dispatch through the shared window procedure,
// and recomposition of a window-sized element tree.
#include <benchmark/benchmark.h>

#include <cairo.h>

#include <memory>

#include "platform/display/headless/headless_display.h"
#include "platform/window_manager.h"
#include "widgets/controlex.h"
#include "widgets/windowex.h"

using namespace platform;
using namespace widgets;

namespace {

class TFilled : public TControlEx {
public:
    TFilled(TComponent* AOwner, double Shade) : TControlEx(AOwner), Shade(Shade) {}
    void Paint() override {
        TControlEx::Paint();
        cairo_t* cr = Canvas().Context();
        cairo_set_source_rgba(cr, Shade, 0.5, 1.0 - Shade, 0.8);
        cairo_paint(cr);
    }
    double Shade;
};

void BM_DispatchMouseMove(benchmark::State& state) {
    InstallHeadlessDisplay();
    TWindowEx window(nullptr);
    window.SetSize(475, 350);
    TControlEx& control = *window.Make<TControlEx>();
    control.SetParent(&window);
    control.SetSize(200, 200);
    control.Show();
    int sum = 0;
    control.OnMouseMove = [&](TObject*, int, int x, int y) { sum += x + y; };
    control.OnDrag = [&](TObject*, int, int x, int) { sum -= x; };
    const HWND h = control.Handle();
    int i = 0;
    for (auto _ : state) {
        WidgetWndProc(h, WM_MOUSEMOVE, 0, MakeLParam(i & 127, (i >> 7) & 127));
        ++i;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DispatchMouseMove)->Iterations(1000000);

void BM_RecomposeTree(benchmark::State& state) {
    auto& screen = InstallHeadlessDisplay();
    TWindowEx window(nullptr);
    window.SetLeft(100);
    window.SetTop(100);
    window.SetSize(475, 350);
    window.Show();
    // One full-size background, then 24 elements from 20 x 20 up to 390 x 600.
    TFilled& background = *window.Make<TFilled>(0.1);
    background.SetParent(&window);
    background.SetSize(475, 350);
    background.Show();
    for (int k = 0; k < 24; ++k) {
        TFilled& e = *window.Make<TFilled>(k / 24.0);
        e.SetParent(&window);
        e.SetLeft((k * 37) % 300);
        e.SetTop((k * 23) % 200 - 50);
        e.SetSize(20 + k * 370 / 23, 20 + k * 580 / 23);
        e.Show();
    }
    for (auto _ : state) {
        window.Update();
        state.PauseTiming();
        screen.ClearFrames();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecomposeTree)->Unit(benchmark::kMillisecond);

} // namespace
