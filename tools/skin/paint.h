// Drawing helpers shared by the skin pictures: owners for the cairo and Pango handles, colours,
// rounded shapes, a Gaussian-like blur for soft shadows and text in a fixed rendering mode.
#pragma once

#include "platform/gfx/owners.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace skin {

// The program's owners of cairo and Pango handles, under this tool's short names.
using Surface = platform::TCairoSurfacePtr;
using Context = platform::TCairoPtr;
using Pattern = platform::TCairoPatternPtr;
using Layout = platform::TPangoLayoutPtr;
using FontDescription = platform::TFontDescriptionPtr;
using SavedState = platform::TCairoSaveGuard;

// A colour written as 0xRRGGBB, the way the artwork is described.
struct Rgb {
    double R, G, B;
};
constexpr Rgb Hex(std::uint32_t rgb) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

// The factor pictures are drawn at: every surface NewSurface makes while a TDrawScale lives holds
// that many device pixels per logical one, and the drawing code keeps its 1x coordinates.
int DrawScale();
class TDrawScale {
public:
    explicit TDrawScale(int scale);
    ~TDrawScale();
    TDrawScale(const TDrawScale&) = delete;
    TDrawScale& operator=(const TDrawScale&) = delete;

private:
    int Previous;
};

// A transparent ARGB32 surface of width x height logical pixels at DrawScale(); never null
// (cairo hands back an error surface instead).
Surface NewSurface(int width, int height);
Context NewContext(cairo_surface_t* surface);

void SetColor(cairo_t* cr, Rgb c, double alpha = 1.0);
void AddStop(cairo_pattern_t* p, double offset, Rgb c, double alpha = 1.0);
Pattern LinearGradient(double x0, double y0, double x1, double y1);

// Path of a rectangle whose four corners have their own radii (0 gives a square corner).
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double topLeft,
                 double topRight, double bottomRight, double bottomLeft);
inline void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    RoundedRect(cr, x, y, w, h, r, r, r, r);
}

// Blurs all four premultiplied channels with three box passes, which approximates a Gaussian
// of the given standard deviation in logical pixels; pixels beyond the edges count as
// transparent.
void Blur(cairo_surface_t* surface, double sigma);

// Paints the soft shadow of whatever `shape` fills: the shape is filled in black, blurred and
// painted with `alpha` at the offset. `pad` is room around the target for the blur to spread
// into, so a shape may reach beyond the target's edges without its shadow fading there.
void DropShadow(cairo_t* cr, int width, int height, const std::function<void(cairo_t*)>& shape,
                double dx, double dy, double sigma, double alpha, int pad = 24);

// Scales down every pixel whose alpha is above `maxAlpha`, keeping its colour.
void LimitAlpha(cairo_surface_t* surface, int maxAlpha);

// A Pango layout on `cr` with grey antialiasing and no hinting, so text looks the same whatever
// the desktop's font settings are. `font` is a Pango font description; `pixels` its size.
Layout TextLayout(cairo_t* cr, const std::string& text, const std::string& font, double pixels);

} // namespace skin
