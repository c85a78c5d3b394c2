// PNG decoding: every kind of PNG arrives as premultiplied ARGB32, and bytes that are not a whole
// PNG give nothing.
#include "platform/gfx/png.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace platform;

namespace {

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// A 3 x 2 picture of the format painted in one colour, written as cairo writes that format: RGB
// for opaque colour, grey for alpha-only formats, RGBA otherwise.
std::string Png(cairo_format_t format, double r, double g, double b, double a) {
    TCairoSurfacePtr surface(cairo_image_surface_create(format, 3, 2));
    {
        TCairoPtr cr(cairo_create(surface.get()));
        cairo_set_source_rgba(cr.get(), r, g, b, a);
        cairo_paint(cr.get());
    }
    std::string bytes;
    cairo_surface_write_to_png_stream(surface.get(), Append, &bytes);
    return bytes;
}

std::uint32_t PixelAt(cairo_surface_t* s, int x, int y) {
    const unsigned char* row = cairo_image_surface_get_data(s) +
                               static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const std::uint32_t*>(row)[x];
}

TEST(DecodePng, EveryKindArrivesAsPremultipliedArgb32) {
    struct TCase {
        const char* Kind;
        cairo_format_t Format;
        double R, G, B, A;      // the paint
        std::uint32_t Expected; // every pixel
        int Tolerance;          // straight-alpha storage in the file rounds half-transparent colour
    };
    const TCase cases[] = {
        {"opaque RGB24", CAIRO_FORMAT_RGB24, 0x11 / 255.0, 0x88 / 255.0, 0xEE / 255.0, 1,
         0xFF1188EEu, 0},
        {"grey from A8", CAIRO_FORMAT_A8, 0, 0, 0, 0x60 / 255.0, 0xFF606060u, 0},
        {"black and white from A1", CAIRO_FORMAT_A1, 0, 0, 0, 1, 0xFFFFFFFFu, 0},
        {"half-transparent ARGB32", CAIRO_FORMAT_ARGB32, 1, 0.5, 0, 0.5, 0x80804000u, 1},
    };
    for (const auto& c : cases) {
        const std::string png = Png(c.Format, c.R, c.G, c.B, c.A);
        ASSERT_FALSE(png.empty()) << c.Kind;
        const TCairoSurfacePtr image = DecodePng(png.data(), png.size());
        ASSERT_TRUE(image) << c.Kind;
        EXPECT_EQ(cairo_image_surface_get_format(image.get()), CAIRO_FORMAT_ARGB32) << c.Kind;
        ASSERT_EQ(cairo_image_surface_get_width(image.get()), 3) << c.Kind;
        ASSERT_EQ(cairo_image_surface_get_height(image.get()), 2) << c.Kind;
        EXPECT_EQ(cairo_image_surface_get_stride(image.get()), 12) << c.Kind;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                const std::uint32_t p = PixelAt(image.get(), x, y);
                for (int shift = 0; shift < 32; shift += 8) {
                    const int got = static_cast<int>((p >> shift) & 0xFF);
                    const int want = static_cast<int>((c.Expected >> shift) & 0xFF);
                    EXPECT_LE(std::abs(got - want), c.Tolerance)
                        << c.Kind << " at " << x << "," << y << ": " << std::hex << p;
                }
            }
    }
}

TEST(DecodePng, BytesThatAreNotAWholePngGiveNothing) {
    const std::string png = Png(CAIRO_FORMAT_RGB24, 1, 0, 0, 1);
    const std::string inputs[] = {"", "not a png at all", png.substr(0, 8),
                                  png.substr(0, png.size() / 2), png.substr(0, png.size() - 1)};
    for (const auto& in : inputs)
        EXPECT_FALSE(DecodePng(in.data(), in.size())) << in.size();
    EXPECT_FALSE(DecodePng(nullptr, 10));
}

} // namespace
