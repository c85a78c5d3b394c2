// The large surfaces: window background, scroll bar, options sheet and about frame.
#include "tools/skin/skin.h"

namespace skin {

namespace {

// Where the card of the background lies; the elements are laid out against these rows.
constexpr int CardLeft = 19, CardTop = 19, CardRight = 449, CardBottom = 320; // inclusive
constexpr int HeaderLastRow = 60, FooterFirstRow = 298;
constexpr double CardRadius = 9;

void CardPath(cairo_t* cr) {
    RoundedRect(cr, CardLeft, CardTop, CardRight - CardLeft + 1, CardBottom - CardTop + 1,
                CardRadius);
}

// A vertical gradient whose first and last colours land exactly on the centres of the first
// and last row, so those rows carry the named colours.
void FillRowsGradient(cairo_t* cr, int firstRow, int lastRow, Rgb top, Rgb bottom) {
    Pattern p = LinearGradient(0, firstRow + 0.5, 0, lastRow + 0.5);
    AddStop(p.get(), 0, top);
    AddStop(p.get(), 1, bottom);
    cairo_set_source(cr, p.get());
    cairo_rectangle(cr, 0, firstRow, 475, lastRow - firstRow + 1);
    cairo_fill(cr);
}

} // namespace

// 475 x 350. Card (19,19)-(449,320) with radius 9: red header rows 19-60, white body rows
// 61-297, red footer rows 298-320, and a black shadow reaching further right and down.
Surface DrawBackground() {
    Surface s = NewSurface(475, 350);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();

    DropShadow(
        cr, 475, 350,
        [](cairo_t* c) {
            CardPath(c);
            cairo_fill(c);
        },
        2, 4, 5.5, 0.55);
    // A tighter, darker contact shadow keeps the card's edge crisp on light desktops.
    DropShadow(
        cr, 475, 350,
        [](cairo_t* c) {
            CardPath(c);
            cairo_fill(c);
        },
        0, 1, 1.2, 0.35);

    {
        SavedState saved(cr);
        CardPath(cr);
        cairo_clip(cr);
        FillRowsGradient(cr, CardTop, HeaderLastRow, Hex(0xC80000), Hex(0x670000));
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, 0, HeaderLastRow + 1, 475, FooterFirstRow - HeaderLastRow - 1);
        cairo_fill(cr);
        FillRowsGradient(cr, FooterFirstRow, CardBottom, Hex(0x680000), Hex(0xB60000));

        // A faint sheen along the header's upper edge and round its corners, as if lit from
        // above; it fades out within the first rows.
        RoundedRect(cr, CardLeft + 0.5, CardTop + 0.5, CardRight - CardLeft, CardBottom - CardTop,
                    CardRadius - 0.5);
        Pattern sheen = LinearGradient(0, CardTop, 0, CardTop + CardRadius);
        AddStop(sheen.get(), 0, Hex(0xFFFFFF), 0.20);
        AddStop(sheen.get(), 1, Hex(0xFFFFFF), 0);
        cairo_set_source(cr, sheen.get());
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    cairo_surface_flush(s.get());
    return s;
}

// 20 x 213. A groove with rounded ends, opaque from column 2 to 16, darkest at its left edge.
Surface DrawScrollTrack() {
    Surface s = NewSurface(20, 213);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();
    const double left = 2, width = 15, radius = 7.5;
    auto shape = [=](cairo_t* c) {
        RoundedRect(c, left, 0, width, 213, radius);
        cairo_fill(c);
    };
    DropShadow(cr, 20, 213, shape, 0.6, 0.4, 0.9, 0.30, 6);

    Pattern fill = LinearGradient(left + 0.5, 0, left + width - 0.5, 0);
    AddStop(fill.get(), 0.00, Hex(0x9D9485));
    AddStop(fill.get(), 0.22, Hex(0xBCB29F));
    AddStop(fill.get(), 0.50, Hex(0xCFC4B1));
    AddStop(fill.get(), 0.80, Hex(0xC9BEAB));
    AddStop(fill.get(), 1.00, Hex(0xB3A996));
    cairo_set_source(cr, fill.get());
    RoundedRect(cr, left, 0, width, 213, radius);
    cairo_fill(cr);

    // Inner shading at the two ends makes the groove read as sunk into the page.
    Pattern ends = LinearGradient(0, 0, 0, 213);
    AddStop(ends.get(), 0.0, Hex(0x000000), 0.14);
    AddStop(ends.get(), 0.05, Hex(0x000000), 0.0);
    AddStop(ends.get(), 0.95, Hex(0x000000), 0.0);
    AddStop(ends.get(), 1.0, Hex(0xFFFFFF), 0.12);
    cairo_set_source(cr, ends.get());
    RoundedRect(cr, left, 0, width, 213, radius);
    cairo_fill(cr);
    cairo_surface_flush(s.get());
    return s;
}

// 18 x 70. A light rounded bar, opaque from column 3 to 14, with a soft shadow and a grip.
Surface DrawScrollThumb() {
    Surface s = NewSurface(18, 70);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();
    const double left = 3, top = 1, width = 12, height = 67, radius = 6;
    auto shape = [=](cairo_t* c) {
        RoundedRect(c, left, top, width, height, radius);
        cairo_fill(c);
    };
    DropShadow(cr, 18, 70, shape, 0, 1, 1.1, 0.45, 6);

    Pattern fill = LinearGradient(left, 0, left + width, 0);
    AddStop(fill.get(), 0.0, Hex(0xF9F9F9));
    AddStop(fill.get(), 0.45, Hex(0xF6F6F6));
    AddStop(fill.get(), 1.0, Hex(0xEFEFEF));
    cairo_set_source(cr, fill.get());
    RoundedRect(cr, left, top, width, height, radius);
    cairo_fill(cr);

    // Three short ridges in the middle: a dark line with a highlight under it.
    const double centre = top + height / 2;
    for (int i = -1; i <= 1; ++i) {
        const double y = centre + 3 * i - 0.5;
        cairo_set_source_rgba(cr, 0, 0, 0, 0.13);
        cairo_rectangle(cr, left + 3, y - 0.5, width - 6, 1);
        cairo_fill(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
        cairo_rectangle(cr, left + 3, y + 0.5, width - 6, 1);
        cairo_fill(cr);
    }
    cairo_surface_flush(s.get());
    return s;
}

// 385 x 183. A white sheet, opaque from column 8 to 376, that seems to come out from under the
// header: its top edge is shaded #ECECEC, its lower corners are rounded and it casts a shadow.
Surface DrawOptionsSheet() {
    Surface s = NewSurface(385, 183);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();
    const double left = 8, width = 369, bottom = 174, radius = 9;
    // Drawn from above the picture so the side shadows do not fade out at its top.
    auto shape = [=](cairo_t* c) {
        RoundedRect(c, left, -30, width, bottom + 30, 0, 0, radius, radius);
        cairo_fill(c);
    };
    DropShadow(cr, 385, 183, shape, 0, 2, 2.6, 0.38);

    RoundedRect(cr, left, 0, width, bottom, 0, 0, radius, radius);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    Pattern top = LinearGradient(0, 0.5, 0, 9);
    AddStop(top.get(), 0, Hex(0xECECEC));
    AddStop(top.get(), 0.35, Hex(0xF6F6F6));
    AddStop(top.get(), 1, Hex(0xFFFFFF));
    cairo_set_source(cr, top.get());
    cairo_fill(cr);

    // A faint grey rim along the sides and bottom separates the sheet from the white page.
    RoundedRect(cr, left + 0.5, -2, width - 1, bottom + 1.5, 0, 0, radius - 0.5, radius - 0.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.10);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_surface_flush(s.get());
    return s;
}

// 342 x 224. A #F9F9F9 rounded frame at (15,14)-(322,203) with a thin blue-grey border and a
// soft shadow, a little heavier below.
Surface DrawAboutFrame() {
    Surface s = NewSurface(342, 224);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();
    const double left = 15, top = 14, width = 308, height = 190, radius = 8;
    auto shape = [=](cairo_t* c) {
        RoundedRect(c, left, top, width, height, radius);
        cairo_fill(c);
    };
    DropShadow(cr, 342, 224, shape, 1, 3, 4.2, 0.35);

    RoundedRect(cr, left, top, width, height, radius);
    SetColor(cr, Hex(0xF9F9F9));
    cairo_fill(cr);
    // A white line just inside the top of the border, like a bevel.
    RoundedRect(cr, left + 1.5, top + 1.5, width - 3, height - 3, radius - 1.5);
    Pattern bevel = LinearGradient(0, top, 0, top + height);
    AddStop(bevel.get(), 0, Hex(0xFFFFFF), 1);
    AddStop(bevel.get(), 0.3, Hex(0xFFFFFF), 0);
    cairo_set_source(cr, bevel.get());
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    RoundedRect(cr, left + 0.5, top + 0.5, width - 1, height - 1, radius - 0.5);
    SetColor(cr, Hex(0x8C9BB0));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_surface_flush(s.get());
    return s;
}

} // namespace skin
