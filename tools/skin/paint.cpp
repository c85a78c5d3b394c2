#include "tools/skin/paint.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace skin {

namespace {

int CurrentScale = 1;

} // namespace

int DrawScale() {
    return CurrentScale;
}

TDrawScale::TDrawScale(int scale) : Previous(CurrentScale) {
    CurrentScale = std::max(scale, 1);
}

TDrawScale::~TDrawScale() {
    CurrentScale = Previous;
}

Surface NewSurface(int width, int height) {
    Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width * CurrentScale,
                                         height * CurrentScale));
    cairo_surface_set_device_scale(s.get(), CurrentScale, CurrentScale);
    return s;
}

Context NewContext(cairo_surface_t* surface) {
    return Context(cairo_create(surface));
}

void SetColor(cairo_t* cr, Rgb c, double alpha) {
    cairo_set_source_rgba(cr, c.R, c.G, c.B, alpha);
}

void AddStop(cairo_pattern_t* p, double offset, Rgb c, double alpha) {
    cairo_pattern_add_color_stop_rgba(p, offset, c.R, c.G, c.B, alpha);
}

Pattern LinearGradient(double x0, double y0, double x1, double y1) {
    return Pattern(cairo_pattern_create_linear(x0, y0, x1, y1));
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double topLeft,
                 double topRight, double bottomRight, double bottomLeft) {
    const double quarter = M_PI / 2;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - topRight, y + topRight, topRight, -quarter, 0);
    cairo_arc(cr, x + w - bottomRight, y + h - bottomRight, bottomRight, 0, quarter);
    cairo_arc(cr, x + bottomLeft, y + h - bottomLeft, bottomLeft, quarter, 2 * quarter);
    cairo_arc(cr, x + topLeft, y + topLeft, topLeft, 2 * quarter, 3 * quarter);
    cairo_close_path(cr);
}

namespace {

// Widths of three box filters whose succession has the variance of a Gaussian with sigma.
void BoxWidths(double sigma, int widths[3]) {
    const double ideal = std::sqrt(12.0 * sigma * sigma / 3 + 1);
    int lower = static_cast<int>(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double m =
        (12.0 * sigma * sigma - 3.0 * lower * lower - 12.0 * lower - 9.0) / (-4.0 * lower - 4.0);
    const int countLower = static_cast<int>(std::lround(m));
    for (int i = 0; i < 3; ++i)
        widths[i] = i < countLower ? lower : upper;
}

// One box pass along a line of `n` samples spaced `step` apart.
void BoxLine(const float* in, float* out, int n, int step, int radius) {
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    float sum = 0;
    for (int i = -radius; i <= radius; ++i)
        if (i >= 0 && i < n)
            sum += in[i * step];
    for (int i = 0; i < n; ++i) {
        out[i * step] = sum * scale;
        const int leaving = i - radius;
        const int entering = i + radius + 1;
        if (leaving >= 0)
            sum -= in[leaving * step];
        if (entering < n)
            sum += in[entering * step];
    }
}

} // namespace

void Blur(cairo_surface_t* surface, double sigma) {
    if (sigma <= 0)
        return;
    double scaleX = 1, scaleY = 1;
    cairo_surface_get_device_scale(surface, &scaleX, &scaleY);
    sigma *= scaleX;
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data || w == 0 || h == 0)
        return;

    int widths[3];
    BoxWidths(sigma, widths);
    std::vector<float> a(static_cast<size_t>(w) * h), b(a.size());
    for (int channel = 0; channel < 4; ++channel) {
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
            for (int x = 0; x < w; ++x)
                a[y * w + x] = static_cast<float>((row[x] >> (8 * channel)) & 0xFF);
        }
        for (int pass = 0; pass < 3; ++pass) {
            const int radius = (widths[pass] - 1) / 2;
            for (int y = 0; y < h; ++y)
                BoxLine(&a[y * w], &b[y * w], w, 1, radius);
            for (int x = 0; x < w; ++x)
                BoxLine(&b[x], &a[x], h, w, radius);
        }
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
            for (int x = 0; x < w; ++x) {
                const auto v =
                    static_cast<std::uint32_t>(std::clamp(std::lround(a[y * w + x]), 0L, 255L));
                row[x] = (row[x] & ~(0xFFu << (8 * channel))) | (v << (8 * channel));
            }
        }
    }
    // Rounding each channel on its own can leave a colour a step above its alpha.
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t alpha = row[x] >> 24;
            std::uint32_t pixel = alpha << 24;
            for (int channel = 0; channel < 3; ++channel)
                pixel |= std::min((row[x] >> (8 * channel)) & 0xFF, alpha) << (8 * channel);
            row[x] = pixel;
        }
    }
    cairo_surface_mark_dirty(surface);
}

void DropShadow(cairo_t* cr, int width, int height, const std::function<void(cairo_t*)>& shape,
                double dx, double dy, double sigma, double alpha, int pad) {
    Surface shadow = NewSurface(width + 2 * pad, height + 2 * pad);
    {
        Context sc = NewContext(shadow.get());
        cairo_translate(sc.get(), pad, pad);
        cairo_set_source_rgb(sc.get(), 0, 0, 0);
        shape(sc.get());
    }
    Blur(shadow.get(), sigma);
    SavedState saved(cr);
    cairo_set_source_surface(cr, shadow.get(), dx - pad, dy - pad);
    cairo_paint_with_alpha(cr, alpha);
}

void LimitAlpha(cairo_surface_t* surface, int maxAlpha) {
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < w; ++x) {
            const int alpha = static_cast<int>(row[x] >> 24);
            if (alpha <= maxAlpha)
                continue;
            std::uint32_t pixel = static_cast<std::uint32_t>(maxAlpha) << 24;
            for (int channel = 0; channel < 3; ++channel) {
                const int v = static_cast<int>((row[x] >> (8 * channel)) & 0xFF);
                pixel |= static_cast<std::uint32_t>((v * maxAlpha + alpha / 2) / alpha)
                         << (8 * channel);
            }
            row[x] = pixel;
        }
    }
    cairo_surface_mark_dirty(surface);
}

Layout TextLayout(cairo_t* cr, const std::string& text, const std::string& font, double pixels) {
    Layout layout(pango_cairo_create_layout(cr));
    const platform::TCairoFontOptionsPtr options(cairo_font_options_create());
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    PangoContext* context = pango_layout_get_context(layout.get());
    pango_cairo_context_set_font_options(context, options.get());
    pango_layout_context_changed(layout.get());

    FontDescription desc(pango_font_description_from_string(font.c_str()));
    pango_font_description_set_absolute_size(desc.get(), pixels * PANGO_SCALE);
    pango_layout_set_font_description(layout.get(), desc.get());
    pango_layout_set_text(layout.get(), text.c_str(), -1);
    return layout;
}

} // namespace skin
