// TBitmapEx: the one pixel format of the program. Native-endian 0xAARRGGBB words, premultiplied
// alpha, rows top-down with a stride of exactly 4 x Width, all zeros when new. cairo composites
// into it, Pango draws text into it and the layered-window update reads it unchanged.
#pragma once

#include "platform/gfx/owners.h"

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace widgets {

using platform::TCairoPtr;
using platform::TCairoSurfacePtr;

// cairo's CAIRO_FORMAT_ARGB32; the only format the program uses and the only one the pixel
// operations act on.
constexpr int FormatARGB32 = 0;

class TBitmapEx {
public:
    TBitmapEx(int Width, int Height, int Format = FormatARGB32);
    TBitmapEx(const TBitmapEx&) = delete;
    TBitmapEx& operator=(const TBitmapEx&) = delete;

    static std::unique_ptr<TBitmapEx> CreateCopy(const TBitmapEx& Source);
    // Decodes the compiled-in PNG with this id; throws platform::EResNotFound for an unknown
    // id. Bytes that do not decode give a 0 x 0 bitmap.
    static std::unique_ptr<TBitmapEx> CreateFromResource(int ResId);
    // Decodes PNG bytes from memory into premultiplied ARGB32 of the image's size; 0 x 0 when
    // the bytes are not a PNG.
    static std::unique_ptr<TBitmapEx> CreateFromPng(const void* Data, std::size_t Size);
    std::unique_ptr<TBitmapEx> Clone() const { return CreateCopy(*this); }

    void Blur(int Passes);
    void Tint(std::uint32_t Color);
    void Fade(int Alpha);

    // No range check, as callers keep inside the bitmap; 0 / no-op without pixels.
    std::uint32_t GetPixel(int X, int Y) const;
    void SetPixel(int X, int Y, std::uint32_t Value);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Format() const { return FFormat; }
    int Stride() const { return FStride; }
    // nullptr for a bitmap without pixels (0 x 0).
    std::uint8_t* Bits() const { return FBits; }
    // Every cairo read and write of the pixels goes through this surface.
    cairo_surface_t* ImageSurface() const { return FSurface.get(); }

private:
    explicit TBitmapEx(TCairoSurfacePtr Surface);
    void TakeSurface(TCairoSurfacePtr Surface);
    bool HasPixels() const { return FBits != nullptr && FFormat == FormatARGB32; }

    TCairoSurfacePtr FSurface;
    int FFormat = FormatARGB32;
    int FHeight = 0;
    int FWidth = 0;
    int FStride = 0;
    std::uint8_t* FBits = nullptr;
};

} // namespace widgets
