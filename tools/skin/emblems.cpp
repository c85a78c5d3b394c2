// The product's wordmark and its picture: a desk clock, a calculator and a note.
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

void Note(cairo_t* cr) {
    SavedState saved(cr);
    cairo_translate(cr, 19, 22);
    cairo_rotate(cr, -0.16);
    const double half = 15, fold = 7;
    auto sheet = [&](cairo_t* c) {
        cairo_move_to(c, -half, -half);
        cairo_line_to(c, half, -half);
        cairo_line_to(c, half, half - fold);
        cairo_line_to(c, half - fold, half);
        cairo_line_to(c, -half, half);
        cairo_close_path(c);
    };
    {
        SavedState shadowState(cr);
        cairo_translate(cr, 0.8, 1.6);
        sheet(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.22);
        cairo_fill(cr);
    }
    sheet(cr);
    Pattern paper = LinearGradient(0, -half, 0, half);
    AddStop(paper.get(), 0, Hex(0xFFEC8A));
    AddStop(paper.get(), 1, Hex(0xF7CB3F));
    cairo_set_source(cr, paper.get());
    cairo_fill(cr);
    // The folded corner.
    cairo_move_to(cr, half, half - fold);
    cairo_line_to(cr, half - fold, half - fold);
    cairo_line_to(cr, half - fold, half);
    cairo_close_path(cr);
    SetColor(cr, Hex(0xD9A91E));
    cairo_fill(cr);
    // Handwriting: a few lines of uneven length.
    const double lines[][2] = {{-11, 7}, {-11, 10}, {-11, 4}, {-11, 8}};
    cairo_set_line_width(cr, 1.1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColor(cr, Hex(0x5A6F96), 0.85);
    for (int i = 0; i < 4; ++i) {
        const double y = -7 + 4.5 * i;
        cairo_move_to(cr, lines[i][0], y);
        cairo_line_to(cr, lines[i][1], y);
    }
    cairo_stroke(cr);
    // A strip of tape holds it.
    cairo_rectangle(cr, -6, -half - 2.5, 12, 5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
    cairo_fill(cr);
}

void Clock(cairo_t* cr) {
    const double cx = 44, cy = 27, r = 14.5;
    // Bells and the hammer between them.
    for (int side = -1; side <= 1; side += 2) {
        SavedState saved(cr);
        cairo_translate(cr, cx + side * 9.8, cy - 10.8);
        cairo_rotate(cr, side * 0.72);
        cairo_arc(cr, 0, 0, 5.6, M_PI, 2 * M_PI);
        cairo_close_path(cr);
        Pattern bell = LinearGradient(-5, -5, 4, 0);
        AddStop(bell.get(), 0, Hex(0xFFFFFF));
        AddStop(bell.get(), 0.4, Hex(0xC9CCD1));
        AddStop(bell.get(), 1, Hex(0x5E636B));
        cairo_set_source(cr, bell.get());
        cairo_fill_preserve(cr);
        SetColor(cr, Hex(0x4A4E55), 0.8);
        cairo_set_line_width(cr, 0.8);
        cairo_stroke(cr);
    }
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColor(cr, Hex(0x6B6B6B));
    cairo_move_to(cr, cx, cy - r + 1);
    cairo_line_to(cr, cx, cy - r - 3.5);
    cairo_stroke(cr);
    // Feet.
    cairo_set_line_width(cr, 2.4);
    SetColor(cr, Hex(0x7A0A0A));
    cairo_move_to(cr, cx - 8, cy + 11);
    cairo_line_to(cr, cx - 11.5, cy + 17.5);
    cairo_move_to(cr, cx + 8, cy + 11);
    cairo_line_to(cr, cx + 11.5, cy + 17.5);
    cairo_stroke(cr);

    // Case: a red ring lit from the upper left.
    cairo_arc(cr, cx + 0.6, cy + 1.3, r, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    Pattern ring = Pattern(cairo_pattern_create_radial(cx - 5, cy - 6, 1, cx, cy, r));
    AddStop(ring.get(), 0, Hex(0xFF6B5E));
    AddStop(ring.get(), 0.55, Hex(0xD81B14));
    AddStop(ring.get(), 1, Hex(0x8E0000));
    cairo_set_source(cr, ring.get());
    cairo_fill(cr);

    // Face.
    const double face = r - 3;
    cairo_arc(cr, cx, cy, face, 0, 2 * M_PI);
    Pattern dial = Pattern(cairo_pattern_create_radial(cx - 3, cy - 4, 1, cx, cy, face));
    AddStop(dial.get(), 0, Hex(0xFFFFFF));
    AddStop(dial.get(), 0.8, Hex(0xF4F4F2));
    AddStop(dial.get(), 1, Hex(0xD6D6D2));
    cairo_set_source(cr, dial.get());
    cairo_fill(cr);
    for (int h = 0; h < 12; ++h) {
        const double a = 2 * M_PI * h / 12;
        const double inner = h % 3 == 0 ? face - 3.2 : face - 2.0;
        cairo_move_to(cr, cx + inner * std::sin(a), cy - inner * std::cos(a));
        cairo_line_to(cr, cx + (face - 0.9) * std::sin(a), cy - (face - 0.9) * std::cos(a));
    }
    cairo_set_line_width(cr, 1.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    SetColor(cr, Hex(0x4A4A4A));
    cairo_stroke(cr);

    // Hands at ten past ten.
    auto hand = [&](double angle, double length, double width, Rgb colour) {
        cairo_move_to(cr, cx - 1.5 * std::sin(angle), cy + 1.5 * std::cos(angle));
        cairo_line_to(cr, cx + length * std::sin(angle), cy - length * std::cos(angle));
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        SetColor(cr, colour);
        cairo_stroke(cr);
    };
    hand(2 * M_PI * (10 + 10 / 60.0) / 12, 5.6, 1.9, Hex(0x2B2B2B));
    hand(2 * M_PI * 10 / 60.0, 8.2, 1.4, Hex(0x2B2B2B));
    hand(2 * M_PI * 38 / 60.0, 8.6, 0.7, Hex(0xD01010));
    cairo_arc(cr, cx, cy, 1.3, 0, 2 * M_PI);
    SetColor(cr, Hex(0x2B2B2B));
    cairo_fill(cr);
    // Glass reflection across the upper left of the face.
    cairo_arc(cr, cx, cy, face, M_PI * 1.05, M_PI * 1.65);
    cairo_arc_negative(cr, cx + 2, cy + 2, face - 1, M_PI * 1.6, M_PI * 1.1);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.45);
    cairo_fill(cr);
}

void Calculator(cairo_t* cr) {
    const double x = 13, y = 29, w = 27, h = 33, r = 3.5;
    DropShadow(
        cr, 64, 64,
        [=](cairo_t* c) {
            RoundedRect(c, x, y, w, h, r);
            cairo_fill(c);
        },
        1, 1.5, 1.4, 0.45, 6);
    RoundedRect(cr, x, y, w, h, r);
    Pattern body = LinearGradient(x, y, x + w, y + h);
    AddStop(body.get(), 0, Hex(0x59677D));
    AddStop(body.get(), 1, Hex(0x2A3444));
    cairo_set_source(cr, body.get());
    cairo_fill(cr);
    // Light catching the top edge.
    RoundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, r - 0.5);
    Pattern edge = LinearGradient(0, y, 0, y + h);
    AddStop(edge.get(), 0, Hex(0xFFFFFF), 0.45);
    AddStop(edge.get(), 0.25, Hex(0xFFFFFF), 0.0);
    cairo_set_source(cr, edge.get());
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    // Display with a few digits.
    const double dx = x + 3, dy = y + 3, dw = w - 6, dh = 8;
    RoundedRect(cr, dx, dy, dw, dh, 1.2);
    Pattern lcd = LinearGradient(0, dy, 0, dy + dh);
    AddStop(lcd.get(), 0, Hex(0xB7C9A0));
    AddStop(lcd.get(), 1, Hex(0xD5E3C0));
    cairo_set_source(cr, lcd.get());
    cairo_fill(cr);
    {
        SavedState saved(cr);
        Layout digits = TextLayout(cr, "3.14", "DejaVu Sans Mono Bold", 6.6);
        PangoRectangle ink, logical;
        pango_layout_get_pixel_extents(digits.get(), &ink, &logical);
        cairo_move_to(cr, dx + dw - 1.5 - logical.width, dy + (dh - logical.height) / 2);
        SetColor(cr, Hex(0x26331C), 0.9);
        pango_cairo_show_layout(cr, digits.get());
    }

    // Keys: four rows of four, operators on the right, the equals key in red.
    const double kx = x + 3, ky = dy + dh + 2.5, kw = 4.5, kh = 3.6, gap = 1.0;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            const double px = kx + col * (kw + gap), py = ky + row * (kh + gap);
            RoundedRect(cr, px, py, kw, kh, 0.9);
            Rgb top = Hex(0xEEF1F5), bottom = Hex(0xC5CBD4);
            if (col == 3) {
                top = Hex(0xFFC178);
                bottom = Hex(0xE58A1F);
            }
            if (col == 3 && row == 3) {
                top = Hex(0xFF6A5C);
                bottom = Hex(0xC81010);
            }
            Pattern key = LinearGradient(0, py, 0, py + kh);
            AddStop(key.get(), 0, top);
            AddStop(key.get(), 1, bottom);
            cairo_set_source(cr, key.get());
            cairo_fill(cr);
        }
}

// A soft contact shadow on the floor the objects stand on.
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

void Scene(cairo_t* cr, bool floor) {
    if (floor)
        FloorShadow(cr);
    Note(cr);
    Clock(cr);
    Calculator(cr);
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

// 64 x 64. The note behind, the clock at the right and the calculator in front, standing on a
// common floor near the bottom edge so the mirror image below the picture reads as a reflection.
Surface DrawProgramPicture() {
    Surface s = NewSurface(64, 64);
    Context owner = NewContext(s.get());
    Scene(owner.get(), true);
    cairo_surface_flush(s.get());
    return s;
}

// 64 x 64. The same scene for the window and tray icon: without the floor shadow, which only
// muddies the picture when it is shrunk, and enlarged a little to fill the square.
Surface DrawIcon() {
    Surface s = NewSurface(64, 64);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();
    // The scene's ink is centred on (30.5, 33); bring it to the middle of the square.
    cairo_translate(cr, 32, 32);
    cairo_scale(cr, 1.04, 1.04);
    cairo_translate(cr, -30.5, -33);
    Scene(cr, false);
    cairo_surface_flush(s.get());
    return s;
}

} // namespace skin
