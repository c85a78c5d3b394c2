// The widget's picture on an X server (Xvfb started here) at the desktop scales 1, 1.5 and 2 (the
// argument is the scale in quarters). Compose: every element painted afresh at the render scale,
// composed bottom-up and presented (reduced to the screen's size at a fractional scale). Fade: one
// step of the fade-in, the composed picture presented again with a new constant alpha; the
// fade-in shows 63 of them with 1 ms pauses, so one should stay under 4 ms.
#include "elements/pictures.h"
#include "elements/scrollbar.h"
#include "elements/skintext.h"
#include "platform/display/headless/headless_display.h"
#include "platform/display/x11/x11_display.h"
#include "platform/window_manager.h"
#include "tests/support/xserver.h"
#include "widgets/windowex.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

x11test::TXServer& Server() {
    static x11test::TXServer server;
    return server;
}

void SetResourcesDpi(int dpi) {
    Display* dpy = Server().Connection();
    const std::string text = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
    XChangeProperty(dpy, DefaultRootWindow(dpy), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
    XSync(dpy, False);
}

template <class T>
T* Place(widgets::TWindowEx& window, widgets::TControl& parent, int l, int t, int w, int h) {
    T* e = window.Make<T>();
    e->SetParent(&parent);
    e->SetLeft(l);
    e->SetTop(t);
    e->SetSize(w, h);
    e->Show();
    return e;
}

void Run(benchmark::State& state, bool compose) {
    const double scale = static_cast<double>(state.range(0)) / 4;
    SetResourcesDpi(static_cast<int>(96 * scale));
    auto display = platform::TX11Display::Open(Server().Name());
    if (!display || display->Scale() != scale) {
        state.SkipWithError("no X server at that scale");
        return;
    }
    platform::SetDisplay(std::move(display));
    {
        using namespace elements;
        widgets::TWindowEx window(nullptr);
        window.SetLeft(40);
        window.SetTop(40);
        window.SetSize(475, 350);
        window.Show();
        auto* background = Place<TBackgroundEx>(window, window, 0, 0, 475, 350);
        background->SetPicture(widgets::TBitmapEx::CreateFromResource(BackgroundPicture));
        auto* header = Place<TImageEx>(window, *background, 25, 21, 120, 42);
        header->LoadFromResource(HeaderPicture);
        auto* track = Place<TScrollerEx>(window, *background, 425, 75, 20, 213);
        track->SetPicture(widgets::TBitmapEx::CreateFromResource(ScrollTrackPicture));
        for (int i = 0; i < 8; ++i) {
            auto* line = Place<TSkinText>(window, *background, 30, 75 + 26 * i, 390, 24);
            line->Font().SetName(u"Trebuchet MS");
            line->Font().SetSize(9);
            line->SetData(u"Ankara'da toplantı sona erdi, açıklama bekleniyor " +
                          std::u16string(1, static_cast<char16_t>(u'0' + i)));
        }
        window.Repaint();
        std::uint8_t alpha = 0;
        for (auto _ : state) {
            if (compose) {
                window.Repaint();
                continue;
            }
            alpha = static_cast<std::uint8_t>(alpha + 4);
            window.SetOpacity(alpha);
            window.UpdateLayer();
        }
        state.counters["device_width"] = window.Canvas().Bitmap().PixelWidth();
    }
    platform::InstallHeadlessDisplay();
    SetResourcesDpi(96);
}
void BM_Compose(benchmark::State& state) {
    Run(state, true);
}
void BM_FadeStep(benchmark::State& state) {
    Run(state, false);
}
BENCHMARK(BM_Compose)->Arg(4)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FadeStep)->Arg(4)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond);

} // namespace
