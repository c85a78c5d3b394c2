#include "platform/gfx/png.h"

#include <cstdint>
#include <cstring>

namespace platform {

namespace {

struct TPngReader {
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Pos;
};

cairo_status_t ReadPng(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<TPngReader*>(closure);
    if (r->Size - r->Pos < length) {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(out, r->Data + r->Pos, length);
    r->Pos += length;
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

TCairoSurfacePtr DecodePng(const void* data, std::size_t size) {
    if (data == nullptr) {
        return nullptr;
    }
    TPngReader reader{static_cast<const std::uint8_t*>(data), size, 0};
    TCairoSurfacePtr decoded(cairo_image_surface_create_from_png_stream(ReadPng, &reader));
    if (cairo_surface_status(decoded.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    if (cairo_image_surface_get_format(decoded.get()) == CAIRO_FORMAT_ARGB32) {
        cairo_surface_flush(decoded.get());
        return decoded;
    }
    // Painting with SOURCE onto a cleared ARGB32 surface converts every other format: opaque
    // ones get alpha 255, alpha-only ones keep their coverage.
    const int w = cairo_image_surface_get_width(decoded.get());
    const int h = cairo_image_surface_get_height(decoded.get());
    TCairoSurfacePtr argb(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (cairo_surface_status(argb.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    {
        TCairoPtr cr(cairo_create(argb.get()));
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr.get(), decoded.get(), 0, 0);
        cairo_paint(cr.get());
    }
    cairo_surface_flush(argb.get());
    return argb;
}

} // namespace platform
