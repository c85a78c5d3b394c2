// The program's mark: a newspaper page with the widget's red masthead, a photo and lines of
// text. The small sizes are laid out by hand on whole pixels, because a drawing shrunk to 16
// pixels smears its lines into grey; from 48 pixels up one vector drawing is scaled.
#include "tools/skin/skin.h"

#include <cmath>
#include <vector>

namespace skin {

namespace {

struct Box {
    double X, Y, W, H;
};

struct MarkLayout {
    Box Page; // outline included
    Box Masthead;
    Box Photo;
    std::vector<Box> Lines;
};

constexpr Rgb Outline = Hex(0x6A6A6A);
constexpr Rgb Paper = Hex(0xF8F5EC);
constexpr Rgb PaperShade = Hex(0xE9E5D8);
constexpr Rgb Red = Hex(0xC80F0F);
constexpr Rgb RedLight = Hex(0xE52A22);
constexpr Rgb RedDark = Hex(0x9E0000);
constexpr Rgb Blue = Hex(0x2D5BB5);
constexpr Rgb Sun = Hex(0xFFD24A);
constexpr Rgb Hills = Hex(0x9CC0F2);
constexpr Rgb Ink = Hex(0x707070);

// Hand-placed pixels for the sizes a panel or a menu shows. Each leaves a white row between the
// masthead, the photo row and the lines, so no two parts run together.
MarkLayout SmallLayout(int size) {
    switch (size) {
    case 16:
        return {{2, 1, 12, 14},
                {4, 3, 8, 2},
                {4, 6, 3, 3},
                {{8, 6, 4, 1}, {8, 8, 4, 1}, {4, 10, 8, 1}, {4, 12, 6, 1}}};
    case 22:
        return {{3, 1, 16, 20},
                {5, 3, 12, 3},
                {5, 8, 5, 5},
                {{11, 8, 6, 1},
                 {11, 10, 6, 1},
                 {11, 12, 4, 1},
                 {5, 14, 12, 1},
                 {5, 16, 12, 1},
                 {5, 18, 8, 1}}};
    case 24:
        return {{3, 1, 18, 22},
                {5, 3, 14, 3},
                {5, 8, 6, 6},
                {{12, 8, 7, 1},
                 {12, 10, 7, 1},
                 {12, 12, 5, 1},
                 {5, 16, 14, 1},
                 {5, 18, 14, 1},
                 {5, 20, 9, 1}}};
    case 32:
        return {{4, 2, 24, 28},
                {7, 5, 18, 5},
                {7, 12, 7, 7},
                {{16, 12, 9, 1},
                 {16, 14, 9, 1},
                 {16, 16, 9, 1},
                 {16, 18, 6, 1},
                 {7, 21, 18, 1},
                 {7, 23, 18, 1},
                 {7, 25, 18, 1},
                 {7, 27, 12, 1}}};
    default:
        return {};
    }
}

bool HasSmallLayout(int size) {
    return size == 16 || size == 22 || size == 24 || size == 32;
}

void Fill(cairo_t* cr, const Box& b, Rgb colour, double alpha = 1.0) {
    cairo_rectangle(cr, b.X, b.Y, b.W, b.H);
    SetColor(cr, colour, alpha);
    cairo_fill(cr);
}

// Flat colours on whole pixels: every pixel is either fully one part or fully another.
void DrawSmall(cairo_t* cr, int size) {
    const MarkLayout m = SmallLayout(size);
    // A one-pixel shadow to the lower right lifts the page off a light panel; 16 pixels have no
    // room for it.
    if (size > 16)
        Fill(cr, {m.Page.X + 1, m.Page.Y + 1, m.Page.W, m.Page.H}, Hex(0x000000), 0.25);
    Fill(cr, m.Page, Outline);
    Fill(cr, {m.Page.X + 1, m.Page.Y + 1, m.Page.W - 2, m.Page.H - 2}, Paper);
    Fill(cr, m.Masthead, Red);
    if (m.Masthead.H >= 3) // the lowest row darker, as the widget's header darkens downwards
        Fill(cr, {m.Masthead.X, m.Masthead.Y + m.Masthead.H - 1, m.Masthead.W, 1}, RedDark);
    Fill(cr, m.Photo, Blue);
    if (size >= 32) { // room for the large drawing's sun and hills
        const double right = m.Photo.X + m.Photo.W, bottom = m.Photo.Y + m.Photo.H;
        Fill(cr, {right - 3, m.Photo.Y + 1, 2, 2}, Sun);
        Fill(cr, {m.Photo.X, bottom - 2, m.Photo.W, 2}, Hills);
        Fill(cr, {m.Photo.X + 1, bottom - 3, 3, 1}, Hills);
    }
    for (const Box& line : m.Lines)
        Fill(cr, line, Ink);
}

// The large drawing, in units of a 64-pixel square.
const MarkLayout LargeLayout = {{8, 4, 48, 56},
                                {13, 9, 38, 10},
                                {13, 25, 16, 14},
                                {{32, 25, 19, 2},
                                 {32, 29, 19, 2},
                                 {32, 33, 19, 2},
                                 {32, 37, 13, 2},
                                 {13, 43, 38, 2},
                                 {13, 47, 38, 2},
                                 {13, 51, 38, 2},
                                 {13, 55, 26, 2}}};

// A box scaled from the 64-unit drawing with its edges on whole pixels, so lines stay sharp.
Box Snap(const Box& b, double scale) {
    const double left = std::round(b.X * scale), top = std::round(b.Y * scale);
    const double right = std::round((b.X + b.W) * scale), bottom = std::round((b.Y + b.H) * scale);
    return {left, top, std::max(right - left, 1.0), std::max(bottom - top, 1.0)};
}

void DrawLarge(cairo_t* cr, int size) {
    const double s = size / 64.0;
    const Box page = Snap(LargeLayout.Page, s);
    const double radius = 2.5 * s;
    DropShadow(
        cr, size, size,
        [&](cairo_t* c) {
            RoundedRect(c, page.X, page.Y, page.W, page.H, radius);
            cairo_fill(c);
        },
        0, 1.0 * s, 1.2 * s, 0.40, static_cast<int>(std::ceil(6 * s)));

    RoundedRect(cr, page.X, page.Y, page.W, page.H, radius);
    Pattern paper = LinearGradient(0, page.Y, 0, page.Y + page.H);
    AddStop(paper.get(), 0, Paper);
    AddStop(paper.get(), 1, PaperShade);
    cairo_set_source(cr, paper.get());
    cairo_fill(cr);
    // The rim: one device pixel wide at every size, inside the page's edge.
    const double px = 1.0;
    RoundedRect(cr, page.X + px / 2, page.Y + px / 2, page.W - px, page.H - px, radius - px / 2);
    SetColor(cr, Outline, 0.85);
    cairo_set_line_width(cr, px);
    cairo_stroke(cr);

    // The masthead, lit at its top edge like the widget's header band.
    const Box mast = Snap(LargeLayout.Masthead, s);
    RoundedRect(cr, mast.X, mast.Y, mast.W, mast.H, 1.5 * s);
    Pattern red = LinearGradient(0, mast.Y, 0, mast.Y + mast.H);
    AddStop(red.get(), 0, RedLight);
    AddStop(red.get(), 0.45, Red);
    AddStop(red.get(), 1, RedDark);
    cairo_set_source(cr, red.get());
    cairo_fill(cr);
    // The paper's name in the masthead: two white words where a small size could not show
    // letters.
    for (const Box& word : {Box{17, 12.5, 17, 3}, Box{36, 12.5, 11, 3}}) {
        const Box w = Snap(word, s);
        RoundedRect(cr, w.X, w.Y, w.W, w.H, 0.5 * s);
        SetColor(cr, Hex(0xFFFFFF), 0.92);
        cairo_fill(cr);
    }
    const Box rule = Snap({13, 21, 38, 1}, s);
    Fill(cr, rule, Hex(0xB9B4A6));

    // The photo: a sky, a sun and two hills.
    const Box photo = Snap(LargeLayout.Photo, s);
    {
        SavedState saved(cr);
        cairo_rectangle(cr, photo.X, photo.Y, photo.W, photo.H);
        cairo_clip(cr);
        Pattern sky = LinearGradient(0, photo.Y, 0, photo.Y + photo.H);
        AddStop(sky.get(), 0, Hex(0x3F72D0));
        AddStop(sky.get(), 1, Blue);
        cairo_set_source(cr, sky.get());
        cairo_paint(cr);
        cairo_arc(cr, photo.X + photo.W * 0.72, photo.Y + photo.H * 0.30, photo.H * 0.15, 0,
                  2 * M_PI);
        SetColor(cr, Sun);
        cairo_fill(cr);
        const double bottom = photo.Y + photo.H;
        cairo_move_to(cr, photo.X, bottom);
        cairo_line_to(cr, photo.X, photo.Y + photo.H * 0.70);
        cairo_line_to(cr, photo.X + photo.W * 0.38, photo.Y + photo.H * 0.42);
        cairo_line_to(cr, photo.X + photo.W * 0.62, photo.Y + photo.H * 0.66);
        cairo_line_to(cr, photo.X + photo.W * 0.80, photo.Y + photo.H * 0.52);
        cairo_line_to(cr, photo.X + photo.W, photo.Y + photo.H * 0.70);
        cairo_line_to(cr, photo.X + photo.W, bottom);
        cairo_close_path(cr);
        SetColor(cr, Hills);
        cairo_fill(cr);
    }
    for (const Box& line : LargeLayout.Lines)
        Fill(cr, Snap(line, s), Ink);
}

} // namespace

const std::vector<int>& MarkSizes() {
    static const std::vector<int> sizes = {16, 22, 24, 32, 48, 64, 128, 256};
    return sizes;
}

Surface DrawMark(int size) {
    // Each size is drawn for its own pixels, also inside a picture drawn for a scaled desktop.
    const TDrawScale onePixel(1);
    Surface s = NewSurface(size, size);
    Context owner = NewContext(s.get());
    if (HasSmallLayout(size))
        DrawSmall(owner.get(), size);
    else
        DrawLarge(owner.get(), size);
    cairo_surface_flush(s.get());
    return s;
}

} // namespace skin
