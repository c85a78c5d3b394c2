#include "platform/shell/icons.h"

#include "platform/gfx/png.h"
#include "platform/sys/resources.h"

#include <string_view>
#include <vector>

namespace platform {

HICON LoadIcon(HINSTANCE, int resourceId) {
    std::string_view png;
    try {
        png = LoadIconResource(resourceId);
    } catch (const EResNotFound&) {
        return 0;
    }
    const TCairoSurfacePtr image = DecodePng(png.data(), png.size());
    if (!image) {
        return 0;
    }
    const int w = cairo_image_surface_get_width(image.get());
    const int h = cairo_image_surface_get_height(image.get());
    const int stride = cairo_image_surface_get_stride(image.get());
    const unsigned char* data = cairo_image_surface_get_data(image.get());
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
        pixels.insert(pixels.end(), row, row + w);
    }
    return CreateIconFromPixels(w, h, pixels.data());
}

} // namespace platform
