#include "widgets/canvas.h"

#include "pixels.h"

#include <gtest/gtest.h>

#include <vector>

using namespace widgets;

namespace {

// A source whose every pixel is distinct and opaque, so a wrong sample shows.
struct TPattern : TBitmapEx {
    TPattern(int width, int height) : TBitmapEx(width, height) {
        Fill(*this,
             [](int x, int y) { return 0xFF000000u | static_cast<std::uint32_t>(x << 8 | y); });
    }
};

} // namespace

TEST(CanvasCompose, DrawPlacesTheSourceOneToOneAndBlendsOver) {
    TCanvasEx c(8, 8);
    TPattern src(3, 2);
    src.SetPixel(0, 0, 0x80000080u); // half-transparent blue
    c.Bitmap().SetPixel(2, 3, 0xFFFF0000u);
    c.Draw(src, 2, 3);
    EXPECT_EQ(c.Bitmap().GetPixel(2, 3), 0xFF7F0080u); // red under half blue
    EXPECT_EQ(c.Bitmap().GetPixel(4, 4), src.GetPixel(2, 1));
    EXPECT_EQ(c.Bitmap().GetPixel(5, 4), 0u);
    EXPECT_EQ(c.Bitmap().GetPixel(1, 3), 0u);
}

TEST(CanvasCompose, DrawAlphaFullEqualsDrawAndZeroLeavesTheCanvasAlone) {
    TPattern src(5, 5);
    src.SetPixel(1, 1, 0x40102030u);
    TCanvasEx a(9, 9), b(9, 9), z(9, 9);
    a.Draw(src, 2, 1);
    b.DrawAlpha(src, 2, 1, 255);
    EXPECT_EQ(Pixels(a.Bitmap()), Pixels(b.Bitmap()));
    z.DrawAlpha(src, 2, 1, 0);
    EXPECT_EQ(Pixels(z.Bitmap()), std::vector<std::uint32_t>(81, 0u));
}

TEST(CanvasCompose, PartialAlphaKeepsPixelsValidlyPremultiplied) {
    TBitmapEx src(16, 16);
    Fill(src, [](int x, int y) {
        const std::uint32_t a = static_cast<std::uint32_t>(x * 16 + y);
        return a << 24 | a << 16 | (a / 2) << 8 | a / 3;
    });
    TCanvasEx c(16, 16);
    for (int alpha : {1, 77, 128, 254})
        c.DrawAlpha(src, 0, 0, alpha);
    for (auto p : Pixels(c.Bitmap()))
        EXPECT_TRUE(ValidPremultiplied(p)) << std::hex << p;
    EXPECT_NE(c.Bitmap().GetPixel(15, 15), 0u);
}

TEST(CanvasCompose, ClearMakesEveryPixelZero) {
    TCanvasEx c(4, 4);
    TPattern src(4, 4);
    c.Draw(src, 0, 0);
    c.Clear();
    EXPECT_EQ(Pixels(c.Bitmap()), std::vector<std::uint32_t>(16, 0u));
}

// Stretching to the own size is exactly Draw; scaled drawing in the default nearest mode is
// exactly StretchDraw.
TEST(CanvasStretch, OwnSizeIsExactlyDraw) {
    TPattern src(7, 5);
    TCanvasEx a(20, 20), b(20, 20);
    a.Draw(src, 3, 4);
    b.StretchDraw(src, 3, 4, 7, 5);
    EXPECT_EQ(Pixels(a.Bitmap()), Pixels(b.Bitmap()));
    a.Clear();
    b.Clear();
    ASSERT_EQ(a.InterpolationMode(), InterpolationModeNearestNeighbor);
    a.StretchDraw(src, 2, 3, 15, 12);
    b.DrawImageRect(src, 2, 3, 15, 12);
    EXPECT_EQ(Pixels(a.Bitmap()), Pixels(b.Bitmap()));
}

TEST(CanvasStretch, DoublingDuplicatesEachPixelIntoATwoByTwoBlock) {
    TPattern src(4, 3);
    TCanvasEx c(12, 10);
    c.StretchDraw(src, 1, 2, 8, 6);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 1 && x < 9 && y >= 2 && y < 8;
            const std::uint32_t want = inside ? src.GetPixel((x - 1) / 2, (y - 2) / 2) : 0u;
            EXPECT_EQ(c.Bitmap().GetPixel(x, y), want) << x << "," << y;
        }
}

TEST(CanvasStretch, ShrinkingSamplesNearestSourcePixels) {
    TPattern src(475, 350);
    TCanvasEx c(119, 87);
    c.StretchDraw(src, 0, 0, 119, 87);
    const float sx = 475.0f / 119.0f, sy = 350.0f / 87.0f;
    for (int x : {0, 1, 60, 118})
        for (int y : {0, 43, 86}) {
            const int srcX = static_cast<int>((x + 0.5) * sx),
                      srcY = static_cast<int>((y + 0.5) * sy);
            EXPECT_EQ(c.Bitmap().GetPixel(x, y), src.GetPixel(srcX, srcY)) << x << "," << y;
        }
}

TEST(CanvasStretch, EmptySizesDrawNothing) {
    TPattern src(4, 4), empty(0, 0);
    TCanvasEx c(6, 6);
    c.StretchDraw(src, 0, 0, 0, 5);
    c.StretchDraw(src, 0, 0, 5, -1);
    c.StretchDraw(empty, 0, 0, 5, 5);
    c.Draw(empty, 1, 1);
    c.DrawImageRect(empty, 0, 0, 5, 5);
    c.DrawImageRect(src, 0, 0, -5, 5);
    EXPECT_EQ(Pixels(c.Bitmap()), std::vector<std::uint32_t>(36, 0u));
}

TEST(CanvasPart, ThrobberFrameTouchesOnlyItsSquare) {
    TPattern strip(18, 18 * 18);
    for (int k : {0, 7, 17}) {
        TCanvasEx c(40, 40);
        c.DrawPart(strip, 5, 6, 0, 18 * k, 18, 18);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const bool inside = x >= 5 && x < 23 && y >= 6 && y < 24;
                const std::uint32_t want = inside ? strip.GetPixel(x - 5, 18 * k + y - 6) : 0u;
                ASSERT_EQ(c.Bitmap().GetPixel(x, y), want) << k << ": " << x << "," << y;
            }
    }
}

TEST(CanvasTile, TilesAlignToTheCanvasOriginAndStayInsideTheRectangle) {
    TPattern src(20, 20);
    TCanvasEx c(40, 40);
    c.TileRect(src, 10, 10, 30, 30);
    EXPECT_EQ(c.Bitmap().GetPixel(10, 10), src.GetPixel(10, 10));
    EXPECT_EQ(c.Bitmap().GetPixel(20, 20), src.GetPixel(0, 0));
    EXPECT_EQ(c.Bitmap().GetPixel(29, 15), src.GetPixel(9, 15));
    EXPECT_EQ(c.Bitmap().GetPixel(9, 10), 0u);
    EXPECT_EQ(c.Bitmap().GetPixel(30, 29), 0u);
    EXPECT_EQ(c.Bitmap().GetPixel(29, 30), 0u);
}

TEST(CanvasImageRect, HalfTransparentPixelsKeepTheirColourWhenScaledSmoothly) {
    // Half-transparent (0x80) orange, premultiplied; scaling must not darken it.
    TBitmapEx src(6, 6);
    Fill(src, 0x80804000u);
    for (int mode : {InterpolationModeBilinear, InterpolationModeHighQualityBilinear,
                     InterpolationModeHighQualityBicubic}) {
        TCanvasEx c(15, 15);
        c.SetInterpolationMode(mode);
        c.DrawImageRect(src, 1, 1, 13, 13);
        for (int y = 1; y < 14; ++y)
            for (int x = 1; x < 14; ++x) {
                const auto p = c.Bitmap().GetPixel(x, y);
                EXPECT_NEAR(Channel(p, 24), 0x80, 1) << mode << " " << x << "," << y;
                EXPECT_NEAR(Channel(p, 16), 0x80, 1);
                EXPECT_NEAR(Channel(p, 8), 0x40, 1);
                EXPECT_LE(Channel(p, 0), 1u);
            }
        EXPECT_EQ(c.Bitmap().GetPixel(0, 0), 0u);
        EXPECT_EQ(c.Bitmap().GetPixel(14, 7), 0u);
    }
}

TEST(CanvasSettings, DefaultsAndAntialiasMapping) {
    TCanvasEx c(2, 2);
    EXPECT_TRUE(c.Antialias());
    EXPECT_EQ(c.TextRenderingHint(), TextRenderingHintAntiAlias);
    EXPECT_EQ(c.SmoothingMode(), SmoothingModeAntiAlias);
    EXPECT_EQ(c.InterpolationMode(), InterpolationModeNearestNeighbor);
    EXPECT_EQ(c.PixelOffsetMode(), PixelOffsetModeNone);
    EXPECT_EQ(c.TextContrast(), 4u);
    EXPECT_TRUE(c.Changed);

    c.SetAntialias(false);
    EXPECT_EQ(c.TextRenderingHint(), TextRenderingHintAntiAliasGridFit);
    c.SetAntialias(true);
    EXPECT_EQ(c.TextRenderingHint(), TextRenderingHintAntiAlias);
    // Setting the current value again leaves a directly changed hint alone.
    c.SetTextRenderingHint(TextRenderingHintSingleBitPerPixel);
    c.SetAntialias(true);
    EXPECT_EQ(c.TextRenderingHint(), TextRenderingHintSingleBitPerPixel);
}

TEST(CanvasSettings, SetSizeStartsTransparentAndKeepsSettings) {
    TCanvasEx c(4, 4);
    TPattern src(4, 4);
    c.Draw(src, 0, 0);
    c.SetAntialias(false);
    c.SetSmoothingMode(SmoothingModeNone);
    c.SetInterpolationMode(InterpolationModeHighQualityBilinear);
    c.SetPixelOffsetMode(PixelOffsetModeHalf);
    c.SetTextContrast(7);
    c.SetSize(10, 3);
    EXPECT_EQ(c.Width(), 10);
    EXPECT_EQ(c.Height(), 3);
    EXPECT_EQ(c.Bitmap().Width(), 10);
    EXPECT_EQ(Pixels(c.Bitmap()), std::vector<std::uint32_t>(30, 0u));
    EXPECT_FALSE(c.Antialias());
    EXPECT_EQ(c.TextRenderingHint(), TextRenderingHintAntiAliasGridFit);
    EXPECT_EQ(c.SmoothingMode(), SmoothingModeNone);
    EXPECT_EQ(c.InterpolationMode(), InterpolationModeHighQualityBilinear);
    EXPECT_EQ(c.PixelOffsetMode(), PixelOffsetModeHalf);
    EXPECT_EQ(c.TextContrast(), 7u);
    EXPECT_EQ(cairo_get_antialias(c.Context()), CAIRO_ANTIALIAS_NONE);
    c.Draw(src, 6, 0);
    EXPECT_EQ(c.Bitmap().GetPixel(9, 2), src.GetPixel(3, 2));
}

// At 2x a canvas holds four device pixels per logical one and draws into them directly: a
// one-pixel rule covers exactly two device rows, text is laid out at twice the size (four times
// the ink), and a glyph's stem turns from clear to solid within one partly covered device pixel
// at each edge, where an enlarged 1x picture would smear each edge over two or more.
TEST(CanvasScale, RulesAndTextAreDrawnAtTheDeviceResolution) {
    const auto alpha = [](const TBitmapEx& b, int x, int y) { return b.GetPixel(x, y) >> 24; };
    long ink[3] = {0, 0, 0};
    for (int scale : {1, 2}) {
        TCanvasEx rule(60, 20, FormatARGB32, scale);
        ASSERT_EQ(rule.Bitmap().PixelWidth(), 60 * scale);
        ASSERT_EQ(rule.Width(), 60);
        rule.Pen().SetColor(0xFF000000u);
        rule.Line(2, 5, 50, 5);
        const TBitmapEx& r = rule.Bitmap();
        for (int d = 0; d < scale; ++d)
            EXPECT_EQ(alpha(r, 20 * scale, 5 * scale + d), 255u) << scale;
        EXPECT_EQ(alpha(r, 20 * scale, 5 * scale - 1), 0u) << scale;
        EXPECT_EQ(alpha(r, 20 * scale, 6 * scale), 0u) << scale;

        TCanvasEx text(60, 60, FormatARGB32, scale);
        text.Font().SetName(u"Sans");
        text.Font().SetSize(24);
        text.Font().SetColor(0xFF000000u);
        text.DrawText(platform::TRect{0, 0, 60, 60}, u"I");
        const TBitmapEx& t = text.Bitmap();
        // The font keeps an opaque colour at alpha 254, as the skin's engine did.
        const auto solid = [&](int x, int y) { return alpha(t, x, y) >= 254; };
        int top = -1, bottom = -1;
        for (int y = 0; y < t.PixelHeight(); ++y)
            for (int x = 0; x < t.PixelWidth(); ++x) {
                const auto a = alpha(t, x, y);
                ink[scale] += a;
                if (solid(x, y)) {
                    top = top < 0 ? y : top;
                    bottom = y;
                }
            }
        ASSERT_GE(top, 0) << "no solid stem at " << scale << "x";
        const int y = (top + bottom) / 2;
        int firstInk = -1, firstSolid = -1, lastSolid = -1, lastInk = -1;
        for (int x = 0; x < t.PixelWidth(); ++x) {
            const auto a = alpha(t, x, y);
            if (a > 0) {
                firstInk = firstInk < 0 ? x : firstInk;
                lastInk = x;
            }
            if (solid(x, y)) {
                firstSolid = firstSolid < 0 ? x : firstSolid;
                lastSolid = x;
            }
        }
        EXPECT_LE(firstSolid - firstInk, 1) << scale << "x left edge";
        EXPECT_LE(lastInk - lastSolid, 1) << scale << "x right edge";
        EXPECT_GE(lastSolid - firstSolid + 1, 2 * scale) << scale << "x stem";
    }
    EXPECT_NEAR(static_cast<double>(ink[2]) / (4.0 * static_cast<double>(ink[1])), 1.0, 0.1);
}
