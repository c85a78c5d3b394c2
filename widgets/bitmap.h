// TBitmapEx: the one pixel format of the program. Native-endian 0xAARRGGBB words, premultiplied
// alpha, rows top-down with a stride of exactly 4 x PixelWidth, all zeros when new. cairo
// composites into it, Pango draws text into it and the layered-window update reads it unchanged.
//
// A bitmap has a logical size (the skin's 96-DPI pixels, which all drawing positions use) and a
// whole Scale: it holds Scale x Scale device pixels per logical one, and cairo draws into it and
// from it at that resolution, so a scaled desktop gets sharp pictures rather than enlarged ones.
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
    TBitmapEx(int Width, int Height, int Format = FormatARGB32, int Scale = 1);
    TBitmapEx(const TBitmapEx&) = delete;
    TBitmapEx& operator=(const TBitmapEx&) = delete;

    static std::unique_ptr<TBitmapEx> CreateCopy(const TBitmapEx& Source);
    // Decodes the compiled-in PNG with this id, drawn for Scale (0: the window manager's render
    // scale) when the program carries that variant, else the plain one; throws
    // platform::EResNotFound for an unknown id. Bytes that do not decode give a 0 x 0 bitmap.
    static std::unique_ptr<TBitmapEx> CreateFromResource(int ResId, int Scale = 0);
    // Decodes PNG bytes from memory into premultiplied ARGB32 of the image's size, which holds
    // Scale device pixels per logical one; 0 x 0 when the bytes are not a PNG.
    static std::unique_ptr<TBitmapEx> CreateFromPng(const void* Data, std::size_t Size,
                                                    int Scale = 1);
    std::unique_ptr<TBitmapEx> Clone() const { return CreateCopy(*this); }

    // Passes are counted at 1x; a scaled bitmap takes as many more as keep the softening's reach
    // the same in logical pixels.
    void Blur(int Passes);
    void Tint(std::uint32_t Color);
    void Fade(int Alpha);

    // In device pixels. No range check, as callers keep inside the bitmap; 0 / no-op without
    // pixels.
    std::uint32_t GetPixel(int X, int Y) const;
    void SetPixel(int X, int Y, std::uint32_t Value);

    int Width() const { return FWidth / FScale; }
    int Height() const { return FHeight / FScale; }
    int PixelWidth() const { return FWidth; }
    int PixelHeight() const { return FHeight; }
    int Scale() const { return FScale; }
    // The picture id it was loaded from (CreateFromResource), 0 for any other bitmap.
    int ResourceId() const { return FResourceId; }
    int Format() const { return FFormat; }
    int Stride() const { return FStride; }
    // nullptr for a bitmap without pixels (0 x 0).
    std::uint8_t* Bits() const { return FBits; }
    // Every cairo read and write of the pixels goes through this surface.
    cairo_surface_t* ImageSurface() const { return FSurface.get(); }

private:
    TBitmapEx(TCairoSurfacePtr Surface, int Scale);
    void TakeSurface(TCairoSurfacePtr Surface);
    bool HasPixels() const { return FBits != nullptr && FFormat == FormatARGB32; }

    TCairoSurfacePtr FSurface;
    int FFormat = FormatARGB32;
    int FScale = 1;
    int FResourceId = 0;
    int FHeight = 0; // device pixels
    int FWidth = 0;
    int FStride = 0;
    std::uint8_t* FBits = nullptr;
};

// Loads a resource picture again when it was drawn for another render scale than the window
// manager's now; any other bitmap is kept as it is.
void RescalePicture(std::unique_ptr<TBitmapEx>& Picture);

} // namespace widgets
