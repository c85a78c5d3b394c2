#include "widgets/canvas.h"

#include "platform/window_manager.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace widgets {

namespace {

bool Empty(const TBitmapEx& b) {
    return b.Width() <= 0 || b.Height() <= 0;
}

cairo_filter_t FilterFor(int interpolationMode) {
    switch (interpolationMode) {
    case InterpolationModeNearestNeighbor:
        return CAIRO_FILTER_NEAREST;
    case InterpolationModeHighQualityBilinear:
        return CAIRO_FILTER_GOOD;
    case InterpolationModeHighQuality:
    case InterpolationModeBicubic:
    case InterpolationModeHighQualityBicubic:
        return CAIRO_FILTER_BEST;
    default:
        return CAIRO_FILTER_BILINEAR;
    }
}

} // namespace

TCanvasEx::TCanvasEx(int Width, int Height, int Format, int Scale)
    : FWidth(Width), FHeight(Height), FFormat(Format),
      FScale(Scale > 0 ? Scale : platform::GetRenderScale()) {
    BuildSurface();
}

TCanvasEx::~TCanvasEx() = default;

void TCanvasEx::BuildSurface() {
    FContext.reset();
    FBitmap = std::make_unique<TBitmapEx>(FWidth, FHeight, FFormat, FScale);
    FWidth = FBitmap->Width();
    FHeight = FBitmap->Height();
    FContext.reset(cairo_create(FBitmap->ImageSurface()));
    cairo_translate(FContext.get(), -FOriginX, -FOriginY);
    ApplySettings();
}

void TCanvasEx::SetOrigin(int X, int Y) {
    FOriginX = X;
    FOriginY = Y;
    cairo_identity_matrix(FContext.get());
    cairo_translate(FContext.get(), -X, -Y);
}

void TCanvasEx::ApplySettings() {
    const bool smooth = FSmoothingMode == SmoothingModeAntiAlias ||
                        FSmoothingMode == SmoothingModeHighQuality || FSmoothingMode > 4;
    cairo_set_antialias(FContext.get(), smooth ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void TCanvasEx::SetSize(int Width, int Height) {
    SetSize(Width, Height, FScale);
}

void TCanvasEx::SetSize(int Width, int Height, int Scale) {
    FWidth = Width;
    FHeight = Height;
    FScale = std::max(Scale, 1);
    BuildSurface();
}

void TCanvasEx::Clear() {
    TCairoSaveGuard guard(FContext.get());
    cairo_set_operator(FContext.get(), CAIRO_OPERATOR_CLEAR);
    cairo_paint(FContext.get());
}

void TCanvasEx::ClearRect(const platform::TRect& Rect) {
    cairo_t* cr = FContext.get();
    TCairoSaveGuard guard(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr, Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
    cairo_fill(cr);
}

void TCanvasEx::ShiftRows(int Rows) {
    cairo_surface_t* surface = FBitmap->ImageSurface();
    const int height = cairo_image_surface_get_height(surface);
    const long long shift = static_cast<long long>(Rows) * FScale;
    if (Rows == 0 || shift >= height || -shift >= height)
        return;
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
    const auto moved = static_cast<std::size_t>(height - std::llabs(shift)) * stride;
    const auto by = static_cast<std::size_t>(std::llabs(shift)) * stride;
    if (shift > 0)
        std::memmove(data + by, data, moved);
    else
        std::memmove(data, data + by, moved);
    cairo_surface_mark_dirty(surface);
}

void TCanvasEx::Replace(const TBitmapEx& Bitmap) {
    TCairoSaveGuard guard(FContext.get());
    cairo_set_operator(FContext.get(), CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(FContext.get(), Bitmap.ImageSurface(), FOriginX, FOriginY);
    cairo_paint(FContext.get());
}

void TCanvasEx::Draw(const TBitmapEx& Bitmap, int X, int Y) {
    TCairoSaveGuard guard(FContext.get());
    cairo_set_source_surface(FContext.get(), Bitmap.ImageSurface(), X, Y);
    cairo_paint(FContext.get());
}

void TCanvasEx::DrawAlpha(const TBitmapEx& Bitmap, int X, int Y, int Alpha) {
    if (Alpha == 255) {
        Draw(Bitmap, X, Y);
        return;
    }
    TCairoSaveGuard guard(FContext.get());
    cairo_set_source_surface(FContext.get(), Bitmap.ImageSurface(), X, Y);
    cairo_paint_with_alpha(FContext.get(), Alpha / 255.0);
}

void TCanvasEx::StretchDraw(const TBitmapEx& Bitmap, int X, int Y, int Width, int Height) {
    if (Width == Bitmap.Width() && Height == Bitmap.Height()) {
        Draw(Bitmap, X, Y);
        return;
    }
    if (Empty(Bitmap) || Width <= 0 || Height <= 0)
        return;
    cairo_t* cr = FContext.get();
    TCairoSaveGuard guard(cr);
    TCairoPatternPtr pattern(cairo_pattern_create_for_surface(Bitmap.ImageSurface()));
    cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
    // Single-precision ratios keep the sampled columns and rows those of the original widget.
    const float sx = static_cast<float>(Bitmap.Width()) / static_cast<float>(Width);
    const float sy = static_cast<float>(Bitmap.Height()) / static_cast<float>(Height);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, sx, sy);
    cairo_pattern_set_matrix(pattern.get(), &m);
    cairo_translate(cr, X, Y);
    cairo_set_source(cr, pattern.get());
    cairo_rectangle(cr, 0, 0, Width, Height);
    cairo_clip(cr);
    cairo_paint(cr);
}

void TCanvasEx::DrawPart(const TBitmapEx& Bitmap, int X, int Y, int SrcX, int SrcY, int Width,
                         int Height) {
    if (Width <= 0 || Height <= 0)
        return;
    cairo_t* cr = FContext.get();
    TCairoSaveGuard guard(cr);
    cairo_set_source_surface(cr, Bitmap.ImageSurface(), X - SrcX, Y - SrcY);
    cairo_rectangle(cr, X, Y, Width, Height);
    cairo_fill(cr);
}

void TCanvasEx::TileRect(const TBitmapEx& Bitmap, int Left, int Top, int Right, int Bottom) {
    if (Empty(Bitmap) || Right <= Left || Bottom <= Top)
        return;
    cairo_t* cr = FContext.get();
    TCairoSaveGuard guard(cr);
    TCairoPatternPtr pattern(cairo_pattern_create_for_surface(Bitmap.ImageSurface()));
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
    cairo_set_source(cr, pattern.get());
    cairo_rectangle(cr, Left, Top, Right - Left, Bottom - Top);
    cairo_fill(cr);
}

void TCanvasEx::DrawImageRect(const TBitmapEx& Bitmap, int X, int Y, int Width, int Height) {
    if (Empty(Bitmap) || Width <= 0 || Height <= 0)
        return;
    cairo_t* cr = FContext.get();
    TCairoSaveGuard guard(cr);
    // cairo filters premultiplied pixels as premultiplied, so half-transparent pixels keep
    // their colour instead of being darkened by a second multiplication.
    TCairoPatternPtr pattern(cairo_pattern_create_for_surface(Bitmap.ImageSurface()));
    cairo_pattern_set_filter(pattern.get(), FilterFor(FInterpolationMode));
    // Edge pixels are stretched rather than blended with the transparent outside.
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, static_cast<double>(Bitmap.Width()) / Width,
                            static_cast<double>(Bitmap.Height()) / Height);
    cairo_pattern_set_matrix(pattern.get(), &m);
    cairo_translate(cr, X, Y);
    cairo_set_source(cr, pattern.get());
    cairo_rectangle(cr, 0, 0, Width, Height);
    cairo_fill(cr);
}

void TCanvasEx::SetAntialias(bool Value) {
    if (Value == FAntialias)
        return;
    FAntialias = Value;
    SetTextRenderingHint(Value ? TextRenderingHintAntiAlias : TextRenderingHintAntiAliasGridFit);
}

void TCanvasEx::SetTextRenderingHint(int Value) {
    if (Value == FTextRenderingHint)
        return;
    FTextRenderingHint = Value;
    ApplySettings();
}

void TCanvasEx::SetSmoothingMode(int Value) {
    if (Value == FSmoothingMode)
        return;
    FSmoothingMode = Value;
    ApplySettings();
}

void TCanvasEx::SetInterpolationMode(int Value) {
    if (Value == FInterpolationMode)
        return;
    FInterpolationMode = Value;
    ApplySettings();
}

void TCanvasEx::SetPixelOffsetMode(int Value) {
    if (Value == FPixelOffsetMode)
        return;
    FPixelOffsetMode = Value;
    ApplySettings();
}

void TCanvasEx::SetTextContrast(unsigned Value) {
    if (Value == FTextContrast)
        return;
    FTextContrast = Value;
    ApplySettings();
}

} // namespace widgets
