// The committed skin pictures: their file format and sizes, the regions and colours the element
// layout relies on, and that they are what the generator draws today.
#include "tools/skin/skin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using skin::Surface;

std::string ImagePath(const std::string& file) {
    return std::string(MP_SOURCE_DIR) + "/resources/images/" + file;
}

// The program's mark at one of the icon theme's sizes, as the package installs it.
std::string MarkPath(int size) {
    return std::string(MP_SOURCE_DIR) + "/dist/icons/" + std::to_string(size) + "x" +
           std::to_string(size) + ".png";
}

struct Pixel {
    int A, R, G, B; // straight alpha
};

// A picture read back as straight-alpha pixels.
class Image {
public:
    explicit Image(cairo_surface_t* surface) : surface_(surface) { cairo_surface_flush(surface); }
    // A committed picture: a name in resources/images, or a path.
    explicit Image(const std::string& file)
        : owned_(cairo_image_surface_create_from_png(
              (file.find('/') == std::string::npos ? ImagePath(file) : file).c_str())),
          surface_(owned_.get()) {
        cairo_surface_flush(surface_);
    }
    bool Ok() const {
        return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS &&
               cairo_image_surface_get_format(surface_) == CAIRO_FORMAT_ARGB32;
    }
    int Width() const { return cairo_image_surface_get_width(surface_); }
    int Height() const { return cairo_image_surface_get_height(surface_); }
    std::uint32_t Raw(int x, int y) const {
        const unsigned char* row =
            cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
        return reinterpret_cast<const std::uint32_t*>(row)[x];
    }
    Pixel At(int x, int y) const {
        const std::uint32_t v = Raw(x, y);
        Pixel p{static_cast<int>(v >> 24), 0, 0, 0};
        if (p.A > 0) {
            p.R = static_cast<int>(((v >> 16) & 0xFF) * 255 + p.A / 2) / p.A;
            p.G = static_cast<int>(((v >> 8) & 0xFF) * 255 + p.A / 2) / p.A;
            p.B = static_cast<int>((v & 0xFF) * 255 + p.A / 2) / p.A;
        }
        return p;
    }
    int Alpha(int x, int y) const { return static_cast<int>(Raw(x, y) >> 24); }

private:
    Surface owned_;
    cairo_surface_t* surface_;
};

::testing::AssertionResult Near(Pixel p, std::uint32_t rgb, int tolerance) {
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    if (p.A == 255 && std::abs(p.R - r) <= tolerance && std::abs(p.G - g) <= tolerance &&
        std::abs(p.B - b) <= tolerance)
        return ::testing::AssertionSuccess();
    char text[96];
    std::snprintf(text, sizeof text, "got alpha %d #%02X%02X%02X, want opaque #%06X", p.A, p.R, p.G,
                  p.B, static_cast<unsigned>(rgb));
    return ::testing::AssertionFailure() << text;
}

// Alpha summed over a rectangle, for comparing how much shadow lies on each side.
long AlphaSum(const Image& image, int x0, int y0, int x1, int y1) {
    long sum = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            sum += image.Alpha(x, y);
    return sum;
}

// The sizes the element geometry is built on, written out here on their own so a slip in the
// generator's catalogue cannot pass unnoticed.
const struct {
    const char* File;
    int Width, Height;
} ExpectedSizes[] = {
    {"5000.png", 20, 213},   {"5001.png", 18, 70},   {"5002.png", 475, 350}, {"5003.png", 18, 324},
    {"5004.png", 120, 42},   {"5005.png", 385, 183}, {"5006.png", 12, 12},   {"5007.png", 20, 20},
    {"5008.png", 20, 20},    {"5009.png", 342, 224}, {"5010.png", 64, 64},   {"5011.png", 21, 21},
    {"icon101.png", 64, 64},
};

// Checks the PNG header of a committed file: its size and 8-bit RGBA.
void ExpectRgbaPng(const std::string& path, int width, int height) {
    SCOPED_TRACE(path);
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "missing";
    unsigned char header[26] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    ASSERT_EQ(0, std::memcmp(header, "\x89PNG\r\n\x1a\n", 8));
    ASSERT_EQ(0, std::memcmp(header + 12, "IHDR", 4));
    auto be32 = [&](int at) {
        return header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3];
    };
    EXPECT_EQ(width, be32(16));
    EXPECT_EQ(height, be32(20));
    EXPECT_EQ(8, header[24]) << "bit depth";
    EXPECT_EQ(6, header[25]) << "colour type (6 is RGBA)";
}

TEST(SkinFiles, EveryPictureIsAnRgbaPngOfItsSize) {
    ASSERT_EQ(std::size(ExpectedSizes), skin::Pictures().size());
    for (const auto& expected : ExpectedSizes)
        ExpectRgbaPng(ImagePath(expected.File), expected.Width, expected.Height);
    // The icon theme's sizes the desktop looks up.
    const std::vector<int> themeSizes = {16, 22, 24, 32, 48, 64, 128, 256};
    ASSERT_EQ(skin::MarkSizes(), themeSizes);
    for (int size : themeSizes)
        ExpectRgbaPng(MarkPath(size), size, size);
}

// The largest difference of a premultiplied byte between two pictures of the same size.
int WorstDifference(const Image& a, const Image& b) {
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            for (int shift = 0; shift < 32; shift += 8) {
                const int u = static_cast<int>((a.Raw(x, y) >> shift) & 0xFF);
                const int v = static_cast<int>((b.Raw(x, y) >> shift) & 0xFF);
                worst = std::max(worst, std::abs(u - v));
            }
    return worst;
}

// Everything the generator draws, under the name of the file it is committed as.
std::vector<std::pair<std::string, std::function<Surface()>>> Drawings() {
    std::vector<std::pair<std::string, std::function<Surface()>>> drawings;
    for (const skin::Picture& p : skin::Pictures())
        drawings.emplace_back(p.File, p.Draw);
    for (int size : skin::MarkSizes())
        drawings.emplace_back(MarkPath(size), [size] { return skin::DrawMark(size); });
    return drawings;
}

TEST(SkinFiles, CommittedPicturesAreWhatTheGeneratorDraws) {
    for (const auto& [file, draw] : Drawings()) {
        SCOPED_TRACE(file + ": regenerate with `cmake --build build --target skin`");
        Image committed(file);
        const Surface drawn = draw();
        Image fresh(drawn.get());
        ASSERT_TRUE(committed.Ok());
        ASSERT_EQ(fresh.Width(), committed.Width());
        ASSERT_EQ(fresh.Height(), committed.Height());
        // The trip through straight alpha in the file may move a premultiplied byte by one.
        EXPECT_LE(WorstDifference(fresh, committed), 1);
    }
}

TEST(SkinGenerator, DrawsValidPremultipliedPixelsTheSameEveryTime) {
    for (const auto& [name, draw] : Drawings()) {
        SCOPED_TRACE(name);
        Surface first = draw(), second = draw();
        Image a(first.get()), b(second.get());
        ASSERT_TRUE(a.Ok());
        bool same = true, valid = true;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x) {
                const std::uint32_t v = a.Raw(x, y);
                same = same && v == b.Raw(x, y);
                const std::uint32_t alpha = v >> 24;
                valid = valid && ((v >> 16) & 0xFF) <= alpha && ((v >> 8) & 0xFF) <= alpha &&
                        (v & 0xFF) <= alpha;
            }
        EXPECT_TRUE(same);
        EXPECT_TRUE(valid) << "a colour byte exceeds its alpha";
    }
}

TEST(SkinGenerator, BlurKeepsAShapesMassAndSpreadsIt) {
    Surface s = skin::NewSurface(40, 40);
    {
        skin::Context cr = skin::NewContext(s.get());
        cairo_rectangle(cr.get(), 15, 15, 10, 10);
        cairo_set_source_rgba(cr.get(), 1, 0, 0, 1);
        cairo_fill(cr.get());
    }
    const long before = AlphaSum(Image(s.get()), 0, 0, 39, 39);
    skin::Blur(s.get(), 2.5);
    Image blurred(s.get());
    EXPECT_NEAR(before, AlphaSum(blurred, 0, 0, 39, 39), before / 100);
    EXPECT_LT(blurred.Alpha(20, 20), 255);
    EXPECT_GT(blurred.Alpha(12, 20), 0);
    EXPECT_EQ(blurred.Alpha(20, 20), blurred.Alpha(19, 19)) << "the blur drifts off centre";
    EXPECT_EQ(0, blurred.Alpha(0, 0));
}

// --- the facts the elements rely on --------------------------------------------------------

TEST(SkinPictures, BackgroundCardBandsAndShadow) {
    Image bg("5002.png");
    ASSERT_TRUE(bg.Ok());
    const int mid = 235;
    EXPECT_TRUE(Near(bg.At(mid, 20), 0xC50000, 6));
    EXPECT_TRUE(Near(bg.At(mid, 60), 0x670000, 2));
    EXPECT_TRUE(Near(bg.At(mid, 61), 0xFFFFFF, 0));
    EXPECT_TRUE(Near(bg.At(mid, 297), 0xFFFFFF, 0));
    EXPECT_TRUE(Near(bg.At(mid, 298), 0x680000, 2));
    EXPECT_TRUE(Near(bg.At(mid, 320), 0xB60000, 2));
    for (int y = 21; y <= 60; ++y)
        ASSERT_LE(bg.At(mid, y).R, bg.At(mid, y - 1).R) << "header darkens downwards, row " << y;
    for (int y = 299; y <= 320; ++y)
        ASSERT_GE(bg.At(mid, y).R, bg.At(mid, y - 1).R) << "footer lightens downwards, row " << y;

    // The card's straight edges are crisp, its corners rounded.
    for (int x = 19; x <= 449; ++x)
        ASSERT_EQ(255, bg.Alpha(x, 180)) << "column " << x;
    for (int y = 28; y <= 311; ++y)
        ASSERT_EQ(255, bg.Alpha(19, y)) << "row " << y;
    EXPECT_LT(bg.Alpha(18, 180), 255);
    EXPECT_LT(bg.Alpha(450, 180), 255);
    EXPECT_LT(bg.Alpha(19, 19), 200);
    EXPECT_LT(bg.Alpha(449, 320), 200);
    EXPECT_EQ(255, bg.Alpha(22, 22));

    // A black shadow, gone before the picture's edge, heavier right and below.
    for (int x = 0; x < 475; ++x)
        ASSERT_LE(std::max(bg.Alpha(x, 0), bg.Alpha(x, 349)), 2) << "column " << x;
    for (int y = 0; y < 350; ++y)
        ASSERT_LE(std::max(bg.Alpha(0, y), bg.Alpha(474, y)), 2) << "row " << y;
    const Pixel shade = bg.At(455, 180);
    EXPECT_GT(shade.A, 0);
    EXPECT_EQ(0, shade.R + shade.G + shade.B);
    EXPECT_GT(AlphaSum(bg, 450, 40, 474, 300), AlphaSum(bg, 0, 40, 18, 300));
    EXPECT_GT(AlphaSum(bg, 40, 321, 430, 349), AlphaSum(bg, 40, 0, 430, 18));
}

TEST(SkinPictures, ThrobberFramesAreTranslucentSeparateAndTurn) {
    Image strip("5003.png");
    ASSERT_TRUE(strip.Ok());
    const int size = skin::ThrobberFrameSize;
    double previousAngle = 0;
    for (int frame = 0; frame < skin::ThrobberFrames; ++frame) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        const int top = frame * size;
        int maxAlpha = 0;
        double sx = 0, sy = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const int a = strip.Alpha(x, top + y);
                maxAlpha = std::max(maxAlpha, a);
                // Weigh the brightest dots far above the tail to find the highlight.
                const double w = std::pow(a / 255.0, 6);
                sx += w * (x + 0.5 - size / 2.0);
                sy += w * (y + 0.5 - size / 2.0);
            }
        EXPECT_LE(maxAlpha, skin::ThrobberMaxAlpha);
        EXPECT_GT(maxAlpha, 150) << "the highlight is missing";
        for (int x = 0; x < size; ++x)
            ASSERT_EQ(0, strip.Alpha(x, top) + strip.Alpha(x, top + size - 1))
                << "a dot touches the neighbouring frame";
        // Clockwise on screen from straight up.
        const double angle = std::atan2(sx, -sy);
        if (frame > 0) {
            const double step = std::remainder(angle - previousAngle, 2 * M_PI);
            EXPECT_NEAR(2 * M_PI / skin::ThrobberFrames, step, 0.12);
        }
        previousAngle = angle;
    }
}

TEST(SkinPictures, ScrollTrackAndThumbOpaqueColumns) {
    Image track("5000.png"), thumb("5001.png");
    ASSERT_TRUE(track.Ok() && thumb.Ok());
    for (int y : {20, 106, 190})
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(x >= 2 && x <= 16, track.Alpha(x, y) == 255) << x << "," << y;
    EXPECT_TRUE(Near(track.At(2, 106), 0x9D9485, 6));
    EXPECT_TRUE(Near(track.At(9, 106), 0xCFC4B1, 4));
    EXPECT_LT(track.Alpha(2, 0), 255) << "rounded top";
    EXPECT_LT(track.Alpha(16, 212), 255) << "rounded bottom";

    for (int y : {10, 35, 60})
        for (int x = 0; x < 18; ++x)
            EXPECT_EQ(x >= 3 && x <= 14, thumb.Alpha(x, y) == 255) << x << "," << y;
    for (int x = 3; x <= 14; ++x) {
        const Pixel p = thumb.At(x, 12);
        EXPECT_TRUE(p.R == p.G && p.G == p.B && p.R >= 0xEF && p.R <= 0xF9) << "column " << x;
    }
    EXPECT_LT(thumb.Alpha(3, 1), 255) << "rounded top";
    EXPECT_LT(thumb.Alpha(14, 67), 255) << "rounded bottom";
}

TEST(SkinPictures, OptionsSheet) {
    Image sheet("5005.png");
    ASSERT_TRUE(sheet.Ok());
    for (int y : {0, 80, 160})
        for (int x = 0; x < 385; ++x)
            ASSERT_EQ(x >= 8 && x <= 376, sheet.Alpha(x, y) == 255) << x << "," << y;
    EXPECT_TRUE(Near(sheet.At(190, 0), 0xECECEC, 1));
    EXPECT_TRUE(Near(sheet.At(190, 100), 0xFFFFFF, 0));
    EXPECT_TRUE(Near(sheet.At(8, 1), 0xECECEC, 24)) << "the top corners are square";
    EXPECT_LT(sheet.Alpha(8, 173), 255) << "rounded lower corner";
    EXPECT_LT(sheet.Alpha(376, 173), 255) << "rounded lower corner";
    const int below = sheet.Alpha(190, 176);
    EXPECT_GT(below, 0) << "shadow below";
    EXPECT_LT(below, 255);
    EXPECT_LE(sheet.Alpha(190, 182), 2);
}

TEST(SkinPictures, CheckBoxStates) {
    Image off("5007.png"), on("5008.png");
    ASSERT_TRUE(off.Ok() && on.Ok());
    for (int i = 6; i <= 13; ++i) {
        EXPECT_TRUE(Near(off.At(2, i), 0x606060, 2)) << "left rim, row " << i;
        EXPECT_TRUE(Near(off.At(17, i), 0x606060, 2)) << "right rim, row " << i;
        EXPECT_TRUE(Near(off.At(i, 2), 0x606060, 2)) << "top rim, column " << i;
    }
    EXPECT_TRUE(Near(off.At(10, 10), 0xEBEBEB, 6));
    EXPECT_EQ(0, off.Alpha(0, 10) + on.Alpha(0, 10)) << "nothing left of the square";

    int white = 0;
    for (int y = 3; y <= 16; ++y)
        for (int x = 3; x <= 16; ++x) {
            const Pixel p = on.At(x, y);
            white += p.A == 255 && p.R > 0xF0 && p.G > 0xF0 && p.B > 0xF0;
        }
    EXPECT_GE(white, 10) << "the tick";
    const Pixel fill = on.At(13, 14);
    EXPECT_TRUE(fill.A == 255 && fill.R < 0x80) << "dark grey square";
    EXPECT_EQ(255, on.Alpha(2, 10));
}

TEST(SkinPictures, CloseMarksAndAboutFrame) {
    Image small("5006.png"), cross("5011.png"), about("5009.png");
    ASSERT_TRUE(small.Ok() && cross.Ok() && about.Ok());
    const Pixel centre = small.At(6, 6);
    EXPECT_TRUE(centre.A > 200 && centre.R > 220) << "white cross";
    const Pixel disc = small.At(6, 2);
    EXPECT_TRUE(disc.A > 60 && disc.A < 220 && disc.R < 80) << "translucent dark disc";
    EXPECT_EQ(0, small.Alpha(0, 0));

    const Pixel red = cross.At(10, 10);
    EXPECT_TRUE(red.A == 255 && red.R > 150 && red.G < 80 && red.B < 80);
    EXPECT_EQ(0, cross.Alpha(10, 0)) << "the arms meet in the middle, not at the edge";

    EXPECT_TRUE(Near(about.At(160, 100), 0xF9F9F9, 0));
    for (const auto& [x, y] : {std::pair{15, 100}, {322, 100}, {160, 14}, {160, 203}}) {
        const Pixel border = about.At(x, y);
        EXPECT_TRUE(border.A == 255 && border.B > border.R && border.B < 0xE0)
            << "blue-grey border at " << x << "," << y;
    }
    EXPECT_LT(about.At(15, 14).A, 255) << "rounded corner";
    EXPECT_GT(about.Alpha(330, 110), 0) << "shadow";
    EXPECT_GT(AlphaSum(about, 15, 204, 322, 223), AlphaSum(about, 15, 0, 322, 13));
}

TEST(SkinPictures, WordmarkStaysWhiteAndInsideTheHeaderBand) {
    Image mark("5004.png");
    ASSERT_TRUE(mark.Ok());
    int opaque = 0;
    for (int y = 0; y < mark.Height(); ++y)
        for (int x = 0; x < mark.Width(); ++x) {
            const Pixel p = mark.At(x, y);
            if (p.A < 250)
                continue;
            ++opaque;
            ASSERT_TRUE(p.R > 0xF0 && p.G > 0xF0 && p.B > 0xF0) << x << "," << y;
            // Shown at row 21 of the window, its letters must end above row 61.
            ASSERT_LT(y, 40) << "letters reach below the header band";
        }
    EXPECT_GT(opaque, 200);
}

TEST(SkinPictures, ProgramPictureStandsOnItsLowerEdge) {
    // The about view mirrors the lowest third of the picture; there must be something there.
    for (const char* file : {"5010.png", "icon101.png"}) {
        Image picture(file);
        ASSERT_TRUE(picture.Ok());
        EXPECT_GT(AlphaSum(picture, 0, 54, 63, 63), 255 * 100) << file;
    }
    // The mirror starts at the picture's last rows and leaves faint pixels out, so the about
    // picture must be solid there or its reflection floats below a gap.
    Image about("5010.png");
    int solid = 0;
    for (int x = 0; x < 64; ++x)
        solid += about.Alpha(x, 62) == 255;
    EXPECT_GE(solid, 32) << "opaque pixels on the second-last row";
}

// What a pixel of the mark shows, told by its colour alone.
enum class Part { Clear, Shadow, Grey, Paper, Red, Photo, Smeared };

Part Classify(Pixel p) {
    if (p.A == 0)
        return Part::Clear;
    if (p.A < 255)
        return p.R + p.G + p.B == 0 ? Part::Shadow : Part::Smeared;
    const int high = std::max({p.R, p.G, p.B}), low = std::min({p.R, p.G, p.B});
    if (low > 220)
        return Part::Paper;
    if (high - low < 12 && high < 150)
        return Part::Grey; // the rim and the lines of text
    if (p.R > 140 && p.G < 70 && p.B < 70)
        return Part::Red;
    if (p.B > p.R + 40 || (p.R > 200 && p.G > 170 && p.B < 120))
        return Part::Photo; // sky, hills and sun
    return Part::Smeared;
}

// The parts met along a line of pixels, runs of one part counted once.
std::vector<Part> Runs(const Image& image, int x0, int y0, int dx, int dy, int count) {
    std::vector<Part> runs;
    for (int i = 0; i < count; ++i) {
        const Part part = Classify(image.At(x0 + i * dx, y0 + i * dy));
        if (runs.empty() || runs.back() != part)
            runs.push_back(part);
    }
    return runs;
}

// A panel shows the small sizes as they are: each must be drawn on whole pixels (no pixel
// half one part and half another, as a shrunk drawing would have) and keep the masthead, the
// photo and every line of text apart with paper between them.
TEST(SkinPictures, SmallMarksAreCrispAndKeepTheirPartsApart) {
    for (int size : {16, 22, 24, 32}) {
        SCOPED_TRACE("mark " + std::to_string(size));
        Image mark(MarkPath(size));
        ASSERT_TRUE(mark.Ok());
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                ASSERT_TRUE(Classify(mark.At(x, y)) != Part::Smeared)
                    << "a smeared pixel at " << x << "," << y;

        // Down the middle: rim, paper, the masthead, then lines of text, each run of ink
        // bounded by paper, then the rim.
        std::vector<Part> column = Runs(mark, size / 2, 0, 0, 1, size);
        column.erase(std::remove_if(column.begin(), column.end(),
                                    [](Part p) { return p == Part::Clear || p == Part::Shadow; }),
                     column.end());
        ASSERT_GE(column.size(), 5u);
        EXPECT_EQ(column.front(), Part::Grey);
        EXPECT_EQ(column.back(), Part::Grey);
        EXPECT_EQ(column[1], Part::Paper);
        EXPECT_EQ(column[2], Part::Red);
        int lines = 0;
        for (std::size_t i = 1; i + 1 < column.size(); ++i) {
            EXPECT_EQ(i % 2 == 1, column[i] == Part::Paper) << "parts touch at run " << i;
            lines += column[i] == Part::Grey;
        }
        EXPECT_GE(lines, 4) << "lines of text";

        // Across the photo's top row: paper, the photo, paper, a line of text.
        int photoRow = -1;
        for (int y = 0; y < size && photoRow < 0; ++y)
            for (int x = 0; x < size; ++x)
                if (Classify(mark.At(x, y)) == Part::Photo) {
                    photoRow = y;
                    break;
                }
        ASSERT_GE(photoRow, 0) << "no photo";
        const std::vector<Part> row = Runs(mark, 0, photoRow, 1, 0, size);
        const auto photo = std::find(row.begin(), row.end(), Part::Photo);
        ASSERT_TRUE(photo != row.begin() && photo + 2 < row.end());
        EXPECT_EQ(photo[-1], Part::Paper);
        EXPECT_EQ(photo[1], Part::Paper);
        EXPECT_EQ(photo[2], Part::Grey);
    }
}

} // namespace

// fontconfig keeps its configuration until the process ends, which a leak checker reports.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
