// The news list's costs: building it from a 200-item document (read, lay out, paint), the
// same and one scroll step for 30, 100 and 300 items (neither should grow with the length),
// one scroll step, which only recomposes the cached list picture, a document of hostile records
// (one huge headline and summary each) by the records' length, and the wrap of hostile text.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "elements/content.h"
#include "elements/pictures.h"
#include "elements/scrollbar.h"
#include "elements/textconv.h"
#include "elements/wrap.h"
#include "news/feed.h"
#include "platform/display/headless/headless_display.h"
#include "widgets/windowex.h"

using namespace elements;

namespace {

std::string MakeDocument(int items) {
    std::string doc = "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\r\n<r>\r\n";
    for (int i = 0; i < items; ++i) {
        doc += "  <n i=\"" + std::to_string(i) +
               "\" si=\" G\xC3\xBC"
               "ndem\" t=\"Ankara'da " +
               std::to_string(i) +
               ". toplant\xC4\xB1 sona erdi, a\xC3\xA7\xC4\xB1klama bekleniyor ve "
               "ayr\xC4\xB1nt\xC4\xB1lar gelecek\" s=\"Toplant\xC4\xB1n\xC4\xB1n ard\xC4\xB1ndan "
               "yetkililer k\xC4\xB1sa bir a\xC3\xA7\xC4\xB1klama yapt\xC4\xB1; "
               "g\xC3\xBCndemdeki konular ele al\xC4\xB1nd\xC4\xB1.\" cd=\"\" "
               "u=\"http%3A%2F%2Fexample.org%2Fhaber%2F" +
               std::to_string(i) + "\" />\r\n";
    }
    return doc + "</r>";
}

// The main window's arrangement of background, viewport, list and scroll bar.
struct Widget {
    platform::THeadlessDisplay* Screen = nullptr;
    std::unique_ptr<widgets::TWindowEx> Window;
    TBackgroundEx* Background = nullptr;
    TContainerEx* Viewport = nullptr;
    TContentEx* List = nullptr;
    TScrollerEx* Scroller = nullptr;
    TThumbEx* Thumb = nullptr;
    TScrollState State;
    std::string Path;

    Widget() {
        Screen = &platform::InstallHeadlessDisplay();
        Window = std::make_unique<widgets::TWindowEx>(nullptr);
        Window->SetSize(475, 350);
        Window->Show();
        Background = Place<TBackgroundEx>(*Window, 0, 0, 475, 350);
        Background->SetPicture(widgets::TBitmapEx::CreateFromResource(BackgroundPicture));
        Viewport = Place<TContainerEx>(*Background, 30, 75, 415, 213);
        List = Window->Make<TContentEx>();
        List->SetParent(Viewport);
        List->SetSize(390, 213);
        List->Canvas().Font().SetName(u"Trebuchet MS");
        List->Canvas().Font().SetSize(9);
        List->Canvas().SetAntialias(false);
        List->Cached = true;
        List->Show();
        Scroller = Place<TScrollerEx>(*Viewport, 395, 0, 20, 213);
        Scroller->SetPicture(widgets::TBitmapEx::CreateFromResource(ScrollTrackPicture));
        Thumb = Place<TThumbEx>(*Scroller, 1, 0, 18, 70);
        Thumb->SetPicture(widgets::TBitmapEx::CreateFromResource(ScrollThumbPicture));
        Viewport->Scroller = Scroller;
        Viewport->List = List;
        Viewport->Thumb = Thumb;

        Path = "/tmp/elements_bench_" + std::to_string(::getpid()) + ".xml";
        WriteDocument(200);
    }
    void WriteDocument(int items) {
        std::ofstream(Path, std::ios::binary | std::ios::trunc) << MakeDocument(items);
    }
    ~Widget() { std::remove(Path.c_str()); }

    template <class T> T* Place(widgets::TControl& parent, int l, int t, int w, int h) {
        T* e = Window->Make<T>();
        e->SetParent(&parent);
        e->SetLeft(l);
        e->SetTop(t);
        e->SetSize(w, h);
        e->Show();
        return e;
    }
};

void BM_LoadLayoutPaint200(benchmark::State& state) {
    Widget w;
    const std::u16string path = Utf8ToUtf16(w.Path);
    for (auto _ : state) {
        w.List->LoadDocument(path);
        w.List->Paint();
        benchmark::DoNotOptimize(w.List->Canvas().Bitmap().Bits());
    }
    state.counters["height"] = w.List->Height();
}
BENCHMARK(BM_LoadLayoutPaint200)->Unit(benchmark::kMillisecond);

void BM_ScrollStepCached(benchmark::State& state) {
    Widget w;
    w.List->LoadDocument(Utf8ToUtf16(w.Path));
    UpdateScrollBar(*w.Viewport, w.State);
    w.Window->Update(); // the one paint of the list; from here on it is only recomposed
    int step = -10;
    for (auto _ : state) {
        if (w.List->Top() + step > 0 ||
            w.List->Top() + step < w.Viewport->Height() - w.List->Height())
            step = -step;
        ScrollList(*w.Viewport, w.State, step);
        // The headless screen keeps every presented frame; drop them outside the timing.
        state.PauseTiming();
        w.Screen->ClearFrames();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ScrollStepCached)->Unit(benchmark::kMillisecond);

// What the main window does with a new document: read, lay out, and present the window with
// the list's first picture, for state.range(0) items.
void BM_LoadLayoutFirstPaint(benchmark::State& state) {
    Widget w;
    w.WriteDocument(static_cast<int>(state.range(0)));
    const std::u16string path = Utf8ToUtf16(w.Path);
    for (auto _ : state) {
        w.List->LoadDocument(path);
        w.List->SetTop(0);
        UpdateScrollBar(*w.Viewport, w.State);
        w.List->Redraw = true;
        w.Window->Update();
        state.PauseTiming();
        w.Screen->ClearFrames();
        state.ResumeTiming();
    }
    state.counters["height"] = w.List->Height();
    state.counters["list_pixels"] =
        static_cast<double>(w.List->Canvas().Width()) * w.List->Canvas().Height();
}
BENCHMARK(BM_LoadLayoutFirstPaint)->Arg(30)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

// One 10-pixel scroll step through the whole list and back, window presented, for
// state.range(0) items.
void BM_ScrollStep(benchmark::State& state) {
    Widget w;
    w.WriteDocument(static_cast<int>(state.range(0)));
    w.List->LoadDocument(Utf8ToUtf16(w.Path));
    UpdateScrollBar(*w.Viewport, w.State);
    w.Window->Update();
    int step = -10;
    for (auto _ : state) {
        if (w.List->Top() + step > 0 ||
            w.List->Top() + step < w.Viewport->Height() - w.List->Height())
            step = -step;
        ScrollList(*w.Viewport, w.State, step);
        state.PauseTiming();
        w.Screen->ClearFrames();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ScrollStep)->Arg(30)->Arg(100)->Arg(300)->Unit(benchmark::kMicrosecond);

// Records whose headline and summary are one unbroken word or markup characters repeated,
// state.range(0) characters each. The time should not grow with the length.
void BM_LoadLayoutPaintHostile(benchmark::State& state) {
    Widget w;
    const std::size_t length = static_cast<std::size_t>(state.range(0));
    std::string markup;
    while (markup.size() < length)
        markup += "<&\"'>";
    const std::string word(length, 'x');
    std::string answer;
    for (int i = 0; i < 4; ++i)
        answer += std::to_string(i) + "|x|" + word + "|" + markup + "|y|d|u|L" +
                  std::string(news::RecordSeparator) + std::to_string(i) + "|x|" + markup + "|" +
                  word + "|y|d|u|L" + std::string(news::RecordSeparator);
    std::ofstream(w.Path, std::ios::binary | std::ios::trunc) << news::ConvertNews(answer);
    const std::u16string path = Utf8ToUtf16(w.Path);
    for (auto _ : state) {
        w.List->LoadDocument(path);
        w.List->Paint();
        benchmark::DoNotOptimize(w.List->Canvas().Bitmap().Bits());
    }
    state.counters["characters_laid_out"] =
        benchmark::Counter(static_cast<double>(w.List->Canvas().TextWork().Characters),
                           benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_LoadLayoutPaintHostile)
    ->Arg(1000)
    ->Arg(20000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond);

// Wrapping a run of state.range(0) dots, the shape that used to cost the square of its length.
void BM_WrapRunOfBreakCharacters(benchmark::State& state) {
    const std::u16string dots(static_cast<std::size_t>(state.range(0)), u'.');
    for (auto _ : state)
        benchmark::DoNotOptimize(WrapNewsText(dots, SummaryColumns));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WrapRunOfBreakCharacters)->RangeMultiplier(8)->Range(1 << 10, 1 << 19)->Complexity();

} // namespace
