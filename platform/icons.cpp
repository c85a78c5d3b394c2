#include "platform/icons.h"
#include "platform/messages.h"
#include "platform/resources.h"

#include <cairo.h>

#include <cstring>
#include <map>
#include <string_view>

namespace platform {

namespace {

struct TIcon {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
};

std::map<HICON, TIcon>& Icons() {
    static std::map<HICON, TIcon> icons;
    return icons;
}
HICON NextIcon = 0x40000;

struct TPngSource {
    std::string_view Bytes;
    std::size_t Pos = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
    auto* src = static_cast<TPngSource*>(closure);
    if (src->Bytes.size() - src->Pos < length) {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(data, src->Bytes.data() + src->Pos, length);
    src->Pos += length;
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

HICON CreateIconFromPixels(int width, int height, const std::uint32_t* pixels) {
    if (width <= 0 || height <= 0 || pixels == nullptr) {
        return 0;
    }
    TIcon icon;
    icon.Width = width;
    icon.Height = height;
    icon.Pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
    const HICON h = NextIcon++;
    Icons()[h] = std::move(icon);
    return h;
}

HICON LoadIcon(HINSTANCE, int resourceId) {
    std::string_view png;
    try {
        png = LoadIconResource(resourceId);
    } catch (const EResNotFound&) {
        return 0;
    }
    TPngSource src{png, 0};
    cairo_surface_t* image = cairo_image_surface_create_from_png_stream(ReadPng, &src);
    HICON icon = 0;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS &&
        cairo_image_surface_get_format(image) == CAIRO_FORMAT_ARGB32) {
        const int w = cairo_image_surface_get_width(image);
        const int h = cairo_image_surface_get_height(image);
        const int stride = cairo_image_surface_get_stride(image);
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
        const unsigned char* data = cairo_image_surface_get_data(image);
        for (int y = 0; y < h; ++y) {
            std::memcpy(&pixels[static_cast<std::size_t>(y) * w], data + y * stride,
                        static_cast<std::size_t>(w) * 4);
        }
        icon = CreateIconFromPixels(w, h, pixels.data());
    }
    cairo_surface_destroy(image);
    return icon;
}

bool DestroyIcon(HICON icon) {
    return Icons().erase(icon) != 0;
}

bool GetIconFrame(HICON icon, TFrameView* frame) {
    auto it = Icons().find(icon);
    if (it == Icons().end() || frame == nullptr) {
        return false;
    }
    frame->Pixels = it->second.Pixels.data();
    frame->Width = it->second.Width;
    frame->Height = it->second.Height;
    frame->Stride = it->second.Width * 4;
    return true;
}

} // namespace platform
