#include "elements/mirror.h"

#include "widgets/bitmap.h"

#include <gtest/gtest.h>

#include <vector>

using namespace elements;

namespace {

struct Picture {
    int w, h;
    std::vector<std::uint32_t> px;
    Picture(int w_, int h_, std::uint32_t fill = 0) : w(w_), h(h_), px(w_ * h_, fill) {}
    std::uint32_t& at(int x, int y) { return px[y * w + x]; }
};

Picture Mirror(Picture& src) {
    Picture out(src.w, MirrorHeight(src.h));
    MirrorRows(src.px.data(), src.w, src.h, src.w, out.px.data(), out.w);
    return out;
}

} // namespace

TEST(Mirror, RowStrengthsFallFromJustUnderTwoHundredToZero) {
    const int expected[21] = {190, 180, 171, 161, 152, 142, 133, 123, 114, 104, 95,
                              85,  76,  66,  57,  47,  38,  28,  19,  9,   0};
    for (int r = 0; r < 21; ++r)
        EXPECT_EQ(MirrorRowStrength(r, 21), expected[r]) << r;
}

TEST(Mirror, OpaqueWhiteReflectsAtRowStrengthAndVanishesAtTheBottom) {
    Picture src(64, 64);
    src.at(10, 63) = 0xFFFFFFFF;
    Picture m = Mirror(src);
    ASSERT_EQ(m.h, 21);
    EXPECT_EQ(m.at(10, 0), 0xBDBDBDBDu);
    // The same source pixel in the row that maps to mirror row 20 gives nothing.
    Picture src2(64, 64);
    src2.at(10, 63 - 20) = 0xFFFFFFFF;
    EXPECT_EQ(Mirror(src2).at(10, 20), 0u);
}

TEST(Mirror, TranslucentPixelsFadeOutSooner) {
    // Premultiplied grey at alpha 100.
    const std::uint32_t p = 0x64646464;
    Picture src(1, 64, p);
    Picture m = Mirror(src);
    const int ks[4] = {35, 25, 16, 6};
    for (int r = 0; r < 4; ++r) {
        const std::uint32_t b = (100u * ks[r]) >> 8;
        EXPECT_EQ(m.at(0, r), b << 24 | b << 16 | b << 8 | b) << r;
    }
    for (int r = 4; r < 21; ++r)
        EXPECT_EQ(m.at(0, r), 0u) << r;
}

TEST(Mirror, OnlyTheLowerThirdIsMirroredUpsideDown) {
    Picture src(4, 65);
    // Tag each row with its own opaque colour.
    for (int y = 0; y < 65; ++y)
        for (int x = 0; x < 4; ++x)
            src.at(x, y) = 0xFF000000u | static_cast<std::uint32_t>(y);
    Picture m = Mirror(src);
    ASSERT_EQ(m.h, 21);
    for (int r = 0; r < 20; ++r) {
        const std::uint32_t expectBlue =
            static_cast<std::uint32_t>(((64 - r) * MirrorRowStrength(r, 21)) >> 8);
        EXPECT_EQ(m.at(2, r) & 0xFF, expectBlue) << r;
    }
    // 65 div 3 = 21 rows mirror source rows 64 down to 44; nothing of rows 0..43 can appear.
    EXPECT_EQ(MirrorRowStrength(20, 21), 0);
}

TEST(Mirror, PicturesLowerThanThreeRowsGiveNothing) {
    EXPECT_EQ(MirrorHeight(2), 0);
    EXPECT_EQ(MirrorHeight(0), 0);
    EXPECT_EQ(MirrorHeight(3), 1);
    Picture src(2, 2, 0xFFFFFFFF);
    std::uint32_t sentinel = 0x12345678;
    MirrorRows(src.px.data(), 2, 2, 2, &sentinel, 2);
    EXPECT_EQ(sentinel, 0x12345678u);
}

TEST(MirrorPixel, AlphaRule) {
    EXPECT_EQ(MirrorPixel(0, 200), 0u);
    EXPECT_EQ(MirrorPixel(0x00FFFFFF, 200), 0u); // alpha 0 never shows
    EXPECT_EQ(MirrorPixel(0x9B000000, 100), 0u); // k = 100 - 100 = 0
    EXPECT_EQ(MirrorPixel(0x9C9C9C9C, 100), 0u); // k = 1: every byte shifts to 0
    EXPECT_EQ(MirrorPixel(0xFF804020, 128), 0x7F402010u);
}

TEST(BuildMirror, MirrorsABitmapThroughItsOwnPixels) {
    widgets::TBitmapEx src(64, 64);
    src.SetPixel(3, 63, 0xFFFFFFFF);
    src.SetPixel(4, 0, 0xFFFFFFFF); // upper part: never mirrored
    auto m = BuildMirror(src);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Width(), 64);
    EXPECT_EQ(m->Height(), 21);
    EXPECT_EQ(m->GetPixel(3, 0), 0xBDBDBDBDu);
    for (int y = 0; y < 21; ++y)
        EXPECT_EQ(m->GetPixel(4, y), 0u) << y;
    widgets::TBitmapEx flat(10, 2);
    EXPECT_FALSE(BuildMirror(flat));
}
