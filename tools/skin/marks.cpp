// The small controls: busy indicator, close marks and check boxes.
#include "tools/skin/skin.h"

#include <cmath>

namespace skin {

namespace {

constexpr int ThrobberDots = 9;

// Brightness of a dot that lags `lag` radians behind the turning highlight: full at the head,
// then a tail that fades over most of the turn.
double TrailStrength(double lag) {
    const double t = lag / (2 * M_PI);
    return std::pow(1.0 - t, 1.6);
}

// Check box square: (2,2)-(17,17) with a 1-pixel rim.
constexpr double BoxLeft = 2, BoxSize = 16, BoxRadius = 3.5;

void CheckSquare(cairo_t* cr, Rgb rim, Rgb top, Rgb bottom) {
    // A whisper of a shadow under the box lifts it off the sheet.
    DropShadow(
        cr, 20, 20,
        [](cairo_t* c) {
            RoundedRect(c, BoxLeft, BoxLeft, BoxSize, BoxSize, BoxRadius);
            cairo_fill(c);
        },
        0, 1, 0.8, 0.22, 4);
    RoundedRect(cr, BoxLeft, BoxLeft, BoxSize, BoxSize, BoxRadius);
    SetColor(cr, rim);
    cairo_fill(cr);
    Pattern fill = LinearGradient(0, BoxLeft + 1, 0, BoxLeft + BoxSize - 1);
    AddStop(fill.get(), 0, top);
    AddStop(fill.get(), 1, bottom);
    RoundedRect(cr, BoxLeft + 1, BoxLeft + 1, BoxSize - 2, BoxSize - 2, BoxRadius - 1);
    cairo_set_source(cr, fill.get());
    cairo_fill(cr);
}

} // namespace

// 18 x 324: 18 frames of 18 x 18 stacked downwards. Nine grey dots on a ring, the brightest
// leading a fading tail; the ring turns clockwise by one eighteenth of a turn per frame. Every
// pixel's alpha stays at or below 191 so the footer's red shows through.
Surface DrawThrobber() {
    Surface s = NewSurface(ThrobberFrameSize, ThrobberFrameSize * ThrobberFrames);
    {
        Context owner = NewContext(s.get());
        cairo_t* cr = owner.get();
        const double ring = 6.1, centre = ThrobberFrameSize / 2.0;
        for (int frame = 0; frame < ThrobberFrames; ++frame) {
            const double head = 2 * M_PI * frame / ThrobberFrames;
            // The whole ring turns with the highlight: with nine dots and eighteen frames a
            // highlight hopping between fixed dots would stand still every other frame.
            for (int dot = 0; dot < ThrobberDots; ++dot) {
                const double lag = 2 * M_PI * dot / ThrobberDots;
                const double strength = TrailStrength(lag);
                const double angle = head - lag;
                // Angle 0 points up; angles grow clockwise on screen.
                const double x = centre + ring * std::sin(angle);
                const double y = frame * ThrobberFrameSize + centre - ring * std::cos(angle);
                cairo_arc(cr, x, y, 1.25 + 0.65 * strength, 0, 2 * M_PI);
                SetColor(cr, Hex(0xE8E8E8), 0.16 + 0.59 * strength);
                cairo_fill(cr);
            }
        }
    }
    LimitAlpha(s.get(), ThrobberMaxAlpha);
    return s;
}

// 12 x 12. A white cross on a translucent dark disc.
Surface DrawSmallClose() {
    Surface s = NewSurface(12, 12);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();
    cairo_arc(cr, 6, 6, 5.8, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0.1, 0.1, 0.1, 0.55);
    cairo_fill(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 1.5);
    cairo_move_to(cr, 3.9, 3.9);
    cairo_line_to(cr, 8.1, 8.1);
    cairo_move_to(cr, 8.1, 3.9);
    cairo_line_to(cr, 3.9, 8.1);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_stroke(cr);
    cairo_surface_flush(s.get());
    return s;
}

// 20 x 20. Unchecked: a light grey square with a #606060 rim at (2,2)-(17,17), slightly
// darker at the top as if pressed into the sheet.
Surface DrawCheckOff() {
    Surface s = NewSurface(20, 20);
    Context owner = NewContext(s.get());
    CheckSquare(owner.get(), Hex(0x606060), Hex(0xE2E2E2), Hex(0xF2F2F2));
    cairo_surface_flush(s.get());
    return s;
}

// 20 x 20. Checked: the same square in dark grey with a white tick.
Surface DrawCheckOn() {
    Surface s = NewSurface(20, 20);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();
    CheckSquare(cr, Hex(0x3A3A3A), Hex(0x6E6E6E), Hex(0x4A4A4A));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 2.2);
    cairo_move_to(cr, 5.8, 10.2);
    cairo_line_to(cr, 8.7, 13.1);
    cairo_line_to(cr, 14.2, 6.6);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_stroke(cr);
    cairo_surface_flush(s.get());
    return s;
}

// 21 x 21. A red cross with rounded arms, lit from above, casting a small shadow.
Surface DrawRedCross() {
    Surface s = NewSurface(21, 21);
    Context owner = NewContext(s.get());
    cairo_t* cr = owner.get();
    auto cross = [](cairo_t* c) {
        cairo_set_line_cap(c, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_width(c, 3.8);
        cairo_move_to(c, 5.5, 5.0);
        cairo_line_to(c, 15.5, 15.0);
        cairo_move_to(c, 15.5, 5.0);
        cairo_line_to(c, 5.5, 15.0);
    };
    DropShadow(
        cr, 21, 21,
        [&](cairo_t* c) {
            cross(c);
            cairo_stroke(c);
        },
        0, 1, 0.9, 0.35, 4);
    cross(cr);
    Pattern fill = LinearGradient(0, 3, 0, 17);
    AddStop(fill.get(), 0, Hex(0xE83A2E));
    AddStop(fill.get(), 1, Hex(0xA80000));
    cairo_set_source(cr, fill.get());
    cairo_stroke(cr);
    cairo_surface_flush(s.get());
    return s;
}

} // namespace skin
