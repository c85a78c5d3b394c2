#include "widgets/bitmap.h"

#include "platform/gfx/png.h"
#include "platform/sys/resources.h"
#include "platform/window_manager.h"

#include <algorithm>
#include <cstring>

namespace widgets {

namespace {

constexpr std::uint32_t Channel(std::uint32_t p, int shift) {
    return (p >> shift) & 0xFFu;
}

} // namespace

TBitmapEx::TBitmapEx(int Width, int Height, int Format, int Scale) {
    FFormat = Format;
    FScale = std::max(Scale, 1);
    // A negative size would give cairo's error surface; treat it as an empty picture.
    Width = std::max(Width, 0);
    Height = std::max(Height, 0);
    TCairoSurfacePtr s(cairo_image_surface_create(static_cast<cairo_format_t>(Format),
                                                  Width * FScale, Height * FScale));
    if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS)
        s.reset(cairo_image_surface_create(static_cast<cairo_format_t>(Format), 0, 0));
    TakeSurface(std::move(s));
}

TBitmapEx::TBitmapEx(TCairoSurfacePtr Surface, int Scale) {
    FFormat = static_cast<int>(cairo_image_surface_get_format(Surface.get()));
    FScale = std::max(Scale, 1);
    TakeSurface(std::move(Surface));
}

void TBitmapEx::TakeSurface(TCairoSurfacePtr Surface) {
    FSurface = std::move(Surface);
    cairo_surface_flush(FSurface.get());
    FWidth = cairo_image_surface_get_width(FSurface.get());
    FHeight = cairo_image_surface_get_height(FSurface.get());
    FStride = cairo_image_surface_get_stride(FSurface.get());
    FBits = (FWidth > 0 && FHeight > 0) ? cairo_image_surface_get_data(FSurface.get()) : nullptr;
    // Drawing positions stay logical; cairo maps them onto the device pixels.
    cairo_surface_set_device_scale(FSurface.get(), FScale, FScale);
}

std::unique_ptr<TBitmapEx> TBitmapEx::CreateCopy(const TBitmapEx& Source) {
    auto copy = std::make_unique<TBitmapEx>(Source.Width(), Source.Height(), Source.Format(),
                                            Source.Scale());
    if (copy->FBits && Source.FBits && copy->FStride == Source.FStride) {
        std::memcpy(copy->FBits, Source.FBits,
                    static_cast<std::size_t>(Source.FStride) * Source.FHeight);
        cairo_surface_mark_dirty(copy->FSurface.get());
    }
    return copy;
}

std::unique_ptr<TBitmapEx> TBitmapEx::CreateFromPng(const void* Data, std::size_t Size, int Scale) {
    TCairoSurfacePtr decoded = platform::DecodePng(Data, Size);
    if (!decoded)
        return std::make_unique<TBitmapEx>(0, 0);
    // A picture that does not divide into whole logical pixels is taken as drawn at 1x.
    if (Scale < 1 || cairo_image_surface_get_width(decoded.get()) % Scale != 0 ||
        cairo_image_surface_get_height(decoded.get()) % Scale != 0)
        Scale = 1;
    return std::unique_ptr<TBitmapEx>(new TBitmapEx(std::move(decoded), Scale));
}

std::unique_ptr<TBitmapEx> TBitmapEx::CreateFromResource(int ResId, int Scale) {
    if (Scale <= 0)
        Scale = platform::GetRenderScale();
    // Throws for an unknown id, whatever the scale.
    std::string_view png = platform::LoadPngResource(ResId);
    int drawnAt = 1;
    if (Scale > 1) {
        if (const auto variant = platform::LoadPngResourceVariant(ResId, Scale)) {
            png = *variant;
            drawnAt = Scale;
        }
    }
    auto bitmap = CreateFromPng(png.data(), png.size(), drawnAt);
    bitmap->FResourceId = ResId;
    return bitmap;
}

void RescalePicture(std::unique_ptr<TBitmapEx>& Picture) {
    if (Picture && Picture->ResourceId() != 0 && Picture->Scale() != platform::GetRenderScale())
        Picture = TBitmapEx::CreateFromResource(Picture->ResourceId());
}

void TBitmapEx::Blur(int Passes) {
    if (!HasPixels() || FWidth < 3 || FHeight < 3)
        return;
    auto* px = reinterpret_cast<std::uint32_t*>(FBits);
    const int w = FWidth;
    // Repeated averaging spreads as the square root of the passes.
    Passes *= FScale * FScale;
    for (int pass = 0; pass < Passes; ++pass) {
        // In place on purpose: left and upper neighbours already carry this pass's values.
        for (int y = 1; y < FHeight - 1; ++y) {
            for (int x = 1; x < w - 1; ++x) {
                const std::uint32_t up = px[x + (y - 1) * w];
                const std::uint32_t down = px[x + (y + 1) * w];
                const std::uint32_t left = px[x - 1 + y * w];
                const std::uint32_t right = px[x + 1 + y * w];
                std::uint32_t v = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    const std::uint32_t sum = Channel(up, shift) + Channel(down, shift) +
                                              Channel(left, shift) + Channel(right, shift);
                    v |= (sum >> 2) << shift;
                }
                px[x + y * w] = v;
            }
        }
    }
    cairo_surface_mark_dirty(FSurface.get());
}

void TBitmapEx::Tint(std::uint32_t Color) {
    if (!HasPixels())
        return;
    const std::uint32_t cr = Channel(Color, 16), cg = Channel(Color, 8), cb = Channel(Color, 0);
    auto* px = reinterpret_cast<std::uint32_t*>(FBits);
    const std::size_t n = static_cast<std::size_t>(FWidth) * FHeight;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t p = px[i];
        px[i] = (p & 0xFF000000u) | (((Channel(p, 16) * cr) >> 8) << 16) |
                (((Channel(p, 8) * cg) >> 8) << 8) | ((Channel(p, 0) * cb) >> 8);
    }
    cairo_surface_mark_dirty(FSurface.get());
}

void TBitmapEx::Fade(int Alpha) {
    if (!HasPixels())
        return;
    const std::uint32_t a = static_cast<std::uint32_t>(Alpha) & 0xFFu;
    auto* px = reinterpret_cast<std::uint32_t*>(FBits);
    const std::size_t n = static_cast<std::size_t>(FWidth) * FHeight;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t p = px[i];
        std::uint32_t v = 0;
        for (int shift = 0; shift < 32; shift += 8)
            v |= ((Channel(p, shift) * a) >> 8) << shift;
        px[i] = v;
    }
    cairo_surface_mark_dirty(FSurface.get());
}

std::uint32_t TBitmapEx::GetPixel(int X, int Y) const {
    if (!HasPixels())
        return 0;
    cairo_surface_flush(FSurface.get());
    return reinterpret_cast<const std::uint32_t*>(FBits)[X + Y * FWidth];
}

void TBitmapEx::SetPixel(int X, int Y, std::uint32_t Value) {
    if (!HasPixels())
        return;
    cairo_surface_flush(FSurface.get());
    reinterpret_cast<std::uint32_t*>(FBits)[X + Y * FWidth] = Value;
    cairo_surface_mark_dirty(FSurface.get());
}

} // namespace widgets
