// Costs of the picture work done on every repaint: laying out and drawing a news summary,
// and the two ways the main window scales its whole background picture.
#include "widgets/canvas.h"

#include <benchmark/benchmark.h>

using namespace widgets;

namespace {

// 100 UTF-16 units of Turkish news text.
const std::u16string Paragraph =
    u"Ankara'da öğleden sonra başlayan sağanak yağış, Çankaya ve Keçiören'de ulaşımı güçleştirdi; "
    u"ekipler.";

void BM_LayoutAndDrawParagraph(benchmark::State& state) {
    TCanvasEx c(390, 213);
    c.SetAntialias(false);
    c.Font().SetName(u"Trebuchet MS");
    c.Font().SetSize(9);
    for (auto _ : state) {
        c.Clear();
        const float h = c.TypographicHeight(Paragraph);
        c.DrawText(platform::TRect{0, 0, 390, static_cast<int>(h) * 4}, Paragraph);
        benchmark::DoNotOptimize(c.Bitmap().Bits());
    }
}
BENCHMARK(BM_LayoutAndDrawParagraph);

TBitmapEx& Background() {
    static TBitmapEx b(475, 350);
    static bool filled = false;
    if (!filled) {
        for (int y = 0; y < 350; ++y)
            for (int x = 0; x < 475; ++x)
                b.SetPixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(x * 3 + y * 7));
        filled = true;
    }
    return b;
}

void BM_StretchDrawNearest(benchmark::State& state) {
    TCanvasEx c(475, 350);
    for (auto _ : state) {
        c.StretchDraw(Background(), 356, 263, 119, 87);
        benchmark::DoNotOptimize(c.Bitmap().Bits());
    }
}
BENCHMARK(BM_StretchDrawNearest);

void BM_DrawImageRectSmooth(benchmark::State& state) {
    TCanvasEx c(475, 350);
    c.SetInterpolationMode(InterpolationModeHighQualityBilinear);
    for (auto _ : state) {
        c.DrawImageRect(Background(), 356, 263, 119, 87);
        benchmark::DoNotOptimize(c.Bitmap().Bits());
    }
}
BENCHMARK(BM_DrawImageRectSmooth);

} // namespace
