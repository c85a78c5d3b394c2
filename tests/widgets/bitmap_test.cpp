#include "widgets/bitmap.h"

#include "platform/sys/resources.h"

#include "pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace widgets;

namespace {

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

std::string EncodePng(cairo_surface_t* s) {
    std::string png;
    cairo_surface_write_to_png_stream(s, AppendBytes, &png);
    return png;
}

} // namespace

TEST(BitmapLayout, NewBitmapIsTransparentBlackWithTightRows) {
    for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {475, 350}}) {
        TBitmapEx b(w, h);
        EXPECT_EQ(b.Width(), w);
        EXPECT_EQ(b.Height(), h);
        EXPECT_EQ(b.Stride(), 4 * w);
        ASSERT_NE(b.Bits(), nullptr);
        const auto px = Pixels(b);
        EXPECT_EQ(px, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h, 0u));
    }
}

TEST(BitmapLayout, PixelWordsAreNativeEndianAtFourTimesXPlusYTimesWidth) {
    TBitmapEx b(5, 4);
    b.SetPixel(3, 2, 0x80402010u);
    std::uint32_t word;
    std::memcpy(&word, b.Bits() + 4 * (3 + 2 * 5), 4);
    EXPECT_EQ(word, 0x80402010u);
    EXPECT_EQ(b.GetPixel(3, 2), 0x80402010u);
}

TEST(BitmapLayout, EmptyOrNegativeSizesGiveABitmapWithoutPixels) {
    for (auto [w, h] : {std::pair{0, 0}, {0, 5}, {5, 0}, {-3, 4}}) {
        TBitmapEx b(w, h);
        EXPECT_EQ(b.Bits(), nullptr);
        EXPECT_EQ(b.GetPixel(0, 0), 0u);
        b.SetPixel(0, 0, 0xFFFFFFFFu); // must not write anywhere
        b.Blur(1);
        b.Fade(10);
        b.Tint(0);
    }
}

TEST(BitmapLayout, OtherFormatsAreLeftAloneByPixelOperations) {
    TBitmapEx b(4, 4, CAIRO_FORMAT_A8);
    EXPECT_EQ(b.Format(), static_cast<int>(CAIRO_FORMAT_A8));
    b.SetPixel(0, 0, 0xFFFFFFFFu);
    EXPECT_EQ(b.GetPixel(0, 0), 0u);
    EXPECT_EQ(b.Bits()[0], 0);
}

TEST(BitmapCopy, CopyHasEqualPixelsAndIsIndependent) {
    TBitmapEx src(6, 5);
    Fill(src, [](int x, int y) { return 0x10101010u * static_cast<std::uint32_t>((x + y) % 16); });
    auto copy = src.Clone();
    EXPECT_EQ(copy->Width(), 6);
    EXPECT_EQ(copy->Height(), 5);
    EXPECT_EQ(Pixels(*copy), Pixels(src));
    copy->SetPixel(1, 1, 0xFFFFFFFFu);
    EXPECT_EQ(src.GetPixel(1, 1), 0x20202020u);
}

TEST(BitmapFade, ScalesAllFourBytesByAlphaOver256) {
    struct Case {
        std::uint32_t in;
        int alpha;
        std::uint32_t out;
    } cases[] = {
        {0xFFFFFFFFu, 255, 0xFEFEFEFEu}, {0xFFFFFFFFu, 0, 0u},
        {0x80402010u, 128, 0x40201008u}, {0xFFFFFFFFu, 256, 0u}, // taken modulo 256
        {0xFFFFFFFFu, 240, 0xEFEFEFEFu}, {0x01010101u, 255, 0u},
    };
    for (const auto& c : cases) {
        TBitmapEx b(2, 2);
        Fill(b, c.in);
        b.Fade(c.alpha);
        EXPECT_EQ(Pixels(b), std::vector<std::uint32_t>(4, c.out))
            << std::hex << c.in << " " << std::dec << c.alpha;
    }
}

TEST(BitmapTint, ScalesColourBytesAndNeverAlpha) {
    struct Case {
        std::uint32_t in, color, out;
    } cases[] = {
        {0xFF808080u, 0xFFF0F0F0u, 0xFF787878u},
        {0xFF808080u, 0x00F0F0F0u, 0xFF787878u}, // the tint's own alpha is ignored
        {0x80808080u, 0xFF000000u, 0x80000000u},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFEFEFEu}, // no tint leaves a pixel unchanged
        {0xFF102030u, 0xFF00FF80u, 0xFF001F18u},
    };
    for (const auto& c : cases) {
        TBitmapEx b(3, 1);
        Fill(b, c.in);
        b.Tint(c.color);
        EXPECT_EQ(b.GetPixel(2, 0), c.out) << std::hex << c.in << " " << c.color;
    }
}

TEST(BitmapBlur, ThreeByThreeChangesOnlyTheCentreToTheAverageOfItsEdgeNeighbours) {
    TBitmapEx b(3, 3);
    b.SetPixel(1, 0, 0x10203040u); // above
    b.SetPixel(1, 2, 0x20406080u); // below
    b.SetPixel(0, 1, 0x04080C10u); // left
    b.SetPixel(2, 1, 0x0C101418u); // right
    b.SetPixel(1, 1, 0xFFFFFFFFu); // own value takes no part
    b.SetPixel(0, 0, 0xFFFFFFFFu); // corners take no part either
    auto before = Pixels(b);
    b.Blur(1);
    auto after = Pixels(b);
    // Per byte: (0x10+0x20+0x04+0x0C)>>2 = 0x10, (0x20+0x40+0x08+0x10)>>2 = 0x1E,
    // (0x30+0x60+0x0C+0x14)>>2 = 0x2C, (0x40+0x80+0x10+0x18)>>2 = 0x3A.
    EXPECT_EQ(b.GetPixel(1, 1), 0x101E2C3Au);
    for (std::size_t i = 0; i < after.size(); ++i)
        if (i != 4) {
            EXPECT_EQ(after[i], before[i]) << i;
        }
}

TEST(BitmapBlur, ThinBitmapsBordersAndZeroPassesNeverChange) {
    for (auto [w, h] : {std::pair{2, 6}, {6, 2}, {5, 5}}) {
        TBitmapEx b(w, h);
        Fill(b, [](int x, int y) { return (x * 37 + y * 101) % 2 ? 0xFFFFFFFFu : 0u; });
        const auto before = Pixels(b);
        b.Blur(0);
        b.Blur(-2);
        EXPECT_EQ(Pixels(b), before);
        b.Blur(3);
        const auto after = Pixels(b);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (x == 0 || y == 0 || x == w - 1 || y == h - 1 || w < 3 || h < 3) {
                    EXPECT_EQ(after[x + y * w], before[x + y * w])
                        << w << "x" << h << " " << x << "," << y;
                }
    }
}

TEST(BitmapBlur, InPlacePassSpreadsFurtherRightAndDown) {
    TBitmapEx b(7, 7);
    b.SetPixel(3, 3, 0xFFFFFFFFu);
    b.Blur(1);
    // The new value of a pixel feeds its right and lower neighbours within the same pass.
    EXPECT_EQ(b.GetPixel(3, 2), 0x3F3F3F3Fu); // above: sees the bright pixel below it
    EXPECT_EQ(b.GetPixel(2, 3), 0x3F3F3F3Fu); // left: sees it to its right
    // The bright pixel itself is rebuilt from the two new neighbours: (0x3F + 0x3F) >> 2.
    EXPECT_EQ(b.GetPixel(3, 3), 0x1F1F1F1Fu);
    EXPECT_EQ(b.GetPixel(4, 3), 0x0B0B0B0Bu); // (0x0F above + 0x1F left) >> 2
    EXPECT_NE(b.GetPixel(5, 3), 0u);
    EXPECT_EQ(b.GetPixel(1, 3), 0u);
    EXPECT_NE(b.GetPixel(3, 5), 0u);
    EXPECT_EQ(b.GetPixel(3, 1), 0u);
}

TEST(BitmapPng, DecodesToPremultipliedArgbOfThePictureSize) {
    TBitmapEx src(9, 4);
    src.SetPixel(0, 0, 0xFF0000FFu);
    src.SetPixel(8, 3, 0x80400000u); // half-transparent red, premultiplied
    src.SetPixel(4, 2, 0x00000000u);
    const std::string png = EncodePng(src.ImageSurface());
    auto b = TBitmapEx::CreateFromPng(png.data(), png.size());
    ASSERT_EQ(b->Width(), 9);
    ASSERT_EQ(b->Height(), 4);
    EXPECT_EQ(b->Stride(), 36);
    EXPECT_EQ(b->GetPixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(b->GetPixel(8, 3), 0x80400000u);
    EXPECT_EQ(b->GetPixel(4, 2), 0u);
}

TEST(BitmapPng, OpaquePngGetsFullAlpha) {
    TCairoSurfacePtr rgb(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 3, 2));
    {
        const TCairoPtr cr(cairo_create(rgb.get()));
        cairo_set_source_rgb(cr.get(), 0, 1, 0);
        cairo_paint(cr.get());
    }
    const std::string png = EncodePng(rgb.get());
    auto b = TBitmapEx::CreateFromPng(png.data(), png.size());
    ASSERT_EQ(b->Width(), 3);
    EXPECT_EQ(b->Format(), FormatARGB32);
    EXPECT_EQ(b->GetPixel(2, 1), 0xFF00FF00u);
}

TEST(BitmapPng, BytesThatDoNotDecodeGiveAnEmptyBitmap) {
    TBitmapEx src(4, 4);
    Fill(src, 0xFF112233u);
    const std::string png = EncodePng(src.ImageSurface());
    const std::string inputs[] = {"", "not a png at all", png.substr(0, png.size() / 2),
                                  png.substr(0, 8)};
    for (const auto& in : inputs) {
        auto b = TBitmapEx::CreateFromPng(in.data(), in.size());
        EXPECT_EQ(b->Width(), 0) << in.size();
        EXPECT_EQ(b->Height(), 0);
        EXPECT_EQ(b->Bits(), nullptr);
    }
}

TEST(BitmapResource, EverySkinPictureDecodesToItsSize) {
    struct Case {
        int id, w, h;
    } cases[] = {{5000, 20, 213}, {5001, 18, 70},   {5002, 475, 350}, {5003, 18, 324},
                 {5004, 120, 42}, {5005, 385, 183}, {5006, 12, 12},   {5007, 20, 20},
                 {5008, 20, 20},  {5009, 342, 224}, {5010, 64, 64},   {5011, 21, 21}};
    for (const auto& c : cases) {
        auto b = TBitmapEx::CreateFromResource(c.id);
        EXPECT_EQ(b->Width(), c.w) << c.id;
        EXPECT_EQ(b->Height(), c.h) << c.id;
        EXPECT_EQ(b->Stride(), 4 * c.w) << c.id;
        // Soft skin edges must arrive premultiplied.
        for (int y = 0; y < b->Height(); ++y)
            for (int x = 0; x < b->Width(); ++x)
                ASSERT_TRUE(ValidPremultiplied(b->GetPixel(x, y))) << c.id << " " << x << "," << y;
    }
}

TEST(BitmapResource, UnknownIdRaisesResourceNotFound) {
    try {
        TBitmapEx::CreateFromResource(5012);
        FAIL() << "no exception";
    } catch (const platform::EResNotFound& e) {
        EXPECT_STREQ(e.what(), "Resource 5012 not found");
    }
}
