// The product's wordmark, and its mark as the about view and the window show it.
#include "tools/skin/skin.h"

#include <cmath>

namespace skin {

namespace {

constexpr const char* WordmarkFont = "Roboto Condensed Bold";

// Adds `layout` to the path with its ink box's left edge at x and its baseline at y; gives the
// right edge of the ink.
double LayoutPath(cairo_t* cr, PangoLayout* layout, double x, double baseline) {
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    const double ascent = pango_layout_get_baseline(layout) / double(PANGO_SCALE);
    cairo_move_to(cr, x - ink.x, baseline - ascent);
    pango_cairo_layout_path(cr, layout);
    return x + ink.width;
}

struct WordmarkShape {
    double MiniRight;     // right edge of "MINI"
    double PelikoraRight; // right edge of "Pelikora"
};

// The wordmark's letters as a path: a small, spaced-out "MINI" over a large "Pelikora".
WordmarkShape WordmarkPath(cairo_t* cr) {
    Layout mini = TextLayout(cr, "MINI", WordmarkFont, 11);
    const platform::TAttrListPtr attributes(pango_attr_list_new());
    pango_attr_list_insert(attributes.get(), pango_attr_letter_spacing_new(3 * PANGO_SCALE));
    pango_layout_set_attributes(mini.get(), attributes.get());
    Layout pelikora = TextLayout(cr, "Pelikora", WordmarkFont, 28);
    WordmarkShape shape;
    shape.MiniRight = LayoutPath(cr, mini.get(), 3.5, 11.5);
    shape.PelikoraRight = LayoutPath(cr, pelikora.get(), 2, 36);
    return shape;
}

// A hairline after "MINI" that runs to the end of "Pelikora", tying the two lines together.
void RulePath(cairo_t* cr, const WordmarkShape& shape) {
    cairo_rectangle(cr, shape.MiniRight + 4, 7, shape.PelikoraRight - shape.MiniRight - 4, 1);
}

// --- the program picture -------------------------------------------------------------------

// A soft contact shadow on the floor the page stands on.
void FloorShadow(cairo_t* cr) {
    DropShadow(
        cr, 64, 64,
        [](cairo_t* c) {
            SavedState saved(c);
            cairo_translate(c, 32, 61.5);
            cairo_scale(c, 27, 2.2);
            cairo_arc(c, 0, 0, 1, 0, 2 * M_PI);
            cairo_fill(c);
        },
        0, 0, 1.6, 0.30, 6);
}

} // namespace

// 120 x 42. The product's name in white on transparent, sized to sit in the header band (the
// picture's rows 0-39 lie on the band) with a soft shadow to lift it off the red.
Surface DrawWordmark() {
    Surface s = NewSurface(120, 42);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();
    DropShadow(
        cr, 120, 42,
        [](cairo_t* c) {
            RulePath(c, WordmarkPath(c));
            cairo_fill(c);
        },
        0.6, 1.2, 1.0, 0.45, 6);
    const WordmarkShape shape = WordmarkPath(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    RulePath(cr, shape);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
    cairo_fill(cr);
    cairo_surface_flush(s.get());
    return s;
}

// 64 x 64. The program's mark lowered until its page stands on the bottom edge, over a soft
// contact shadow, so the mirror image the about view draws right below it meets the page as a
// reflection on a glass floor does; the mirror leaves out faint pixels, so a page ending higher
// would leave a gap.
Surface DrawProgramPicture() {
    Surface s = NewSurface(64, 64);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();
    FloorShadow(cr);
    Surface mark = DrawMark(64 * DrawScale());
    cairo_surface_set_device_scale(mark.get(), DrawScale(), DrawScale());
    cairo_set_source_surface(cr, mark.get(), 0, 3);
    cairo_paint(cr);
    cairo_surface_flush(s.get());
    return s;
}

// 64 x 64. The mark alone for the window and tray icon, without the floor, which only muddies
// the picture when it is shrunk.
Surface DrawIcon() {
    return DrawMark(64);
}

} // namespace skin
