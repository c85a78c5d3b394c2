#include "elements/mirror.h"

#include "widgets/bitmap.h"

#include <algorithm>

namespace elements {

std::uint32_t MirrorPixel(std::uint32_t Source, int Strength) {
    const int alpha = static_cast<int>(Source >> 24);
    if (alpha == 0)
        return 0;
    const int k = Strength - (255 - alpha);
    if (k <= 0)
        return 0;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t byte = (Source >> shift) & 0xFF;
        out |= ((byte * static_cast<std::uint32_t>(k)) >> 8) << shift;
    }
    return out;
}

void MirrorRows(const std::uint32_t* Source, int Width, int Height, int SourceStride,
                std::uint32_t* Dest, int DestStride, int Scale) {
    Scale = std::max(Scale, 1);
    const int rows = MirrorHeight(Height / Scale);
    if (!Source || !Dest || Width <= 0)
        return;
    for (int r = 0; r < rows * Scale; ++r) {
        const int strength = MirrorRowStrength(r / Scale, rows);
        const std::uint32_t* src = Source + static_cast<long>(Height - 1 - r) * SourceStride;
        std::uint32_t* dst = Dest + static_cast<long>(r) * DestStride;
        for (int x = 0; x < Width; ++x) {
            const std::uint32_t p = MirrorPixel(src[x], strength);
            if (p != 0)
                dst[x] = p;
        }
    }
}

std::unique_ptr<widgets::TBitmapEx> BuildMirror(const widgets::TBitmapEx& Source) {
    const int rows = MirrorHeight(Source.Height());
    if (rows <= 0 || Source.Width() <= 0 || !Source.Bits() ||
        Source.Format() != widgets::FormatARGB32)
        return nullptr;
    // Drawing on the source may still be pending inside cairo.
    cairo_surface_flush(Source.ImageSurface());
    auto mirror = std::make_unique<widgets::TBitmapEx>(Source.Width(), rows, widgets::FormatARGB32,
                                                       Source.Scale());
    if (!mirror->Bits())
        return nullptr;
    // Strides are whole pixels for ARGB32.
    MirrorRows(reinterpret_cast<const std::uint32_t*>(Source.Bits()), Source.PixelWidth(),
               Source.PixelHeight(), Source.Stride() / 4,
               reinterpret_cast<std::uint32_t*>(mirror->Bits()), mirror->Stride() / 4,
               Source.Scale());
    // The pixels were written behind cairo's back.
    cairo_surface_mark_dirty(mirror->ImageSurface());
    return mirror;
}

} // namespace elements
