// Drawing helpers shared by the skin pictures: owners for the cairo and Pango handles, colours,
// rounded shapes, a Gaussian-like blur for soft shadows and text in a fixed rendering mode.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace skin {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct PatternDeleter {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
struct GObjectDeleter {
    void operator()(void* object) const { g_object_unref(object); }
};
struct FontDescriptionDeleter {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};

using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;
using Pattern = std::unique_ptr<cairo_pattern_t, PatternDeleter>;
using Layout = std::unique_ptr<PangoLayout, GObjectDeleter>;
using FontDescription = std::unique_ptr<PangoFontDescription, FontDescriptionDeleter>;

// cairo_save/cairo_restore as a scope.
class SavedState {
public:
    explicit SavedState(cairo_t* cr) : cr_(cr) { cairo_save(cr_); }
    ~SavedState() { cairo_restore(cr_); }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    cairo_t* cr_;
};

// A colour written as 0xRRGGBB, the way the artwork is described.
struct Rgb {
    double R, G, B;
};
constexpr Rgb Hex(std::uint32_t rgb) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

// A transparent ARGB32 surface; never null (cairo hands back an error surface instead).
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
// of the given standard deviation; pixels beyond the edges count as transparent.
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
