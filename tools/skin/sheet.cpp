// The contact sheet: the pictures on a checkerboard for review, then mock-ups that place them as
// the widget does, so the pieces can be judged together.
#include "tools/skin/skin.h"

#include <algorithm>
#include <cstdint>

namespace skin {

namespace {

constexpr int SheetWidth = 1260, SheetMaxHeight = 3000, Margin = 16, LabelHeight = 18;

// Lays boxes out left to right, starting a new row when one would pass the right margin.
class Flow {
public:
    void Place(int w, int h, int& x, int& y) {
        if (x_ + w > SheetWidth - Margin && x_ > Margin)
            NewRow();
        x = x_;
        y = y_;
        x_ += w + Margin;
        rowHeight_ = std::max(rowHeight_, h);
    }
    void NewRow() {
        y_ += rowHeight_ + Margin;
        x_ = Margin;
        rowHeight_ = 0;
    }
    int Bottom() const { return y_ + rowHeight_; }

private:
    int x_ = Margin, y_ = Margin, rowHeight_ = 0;
};

void Checkerboard(cairo_t* cr, int x, int y, int w, int h) {
    SavedState saved(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.80, 0.80, 0.80);
    for (int cy = y; cy < y + h; cy += 8)
        for (int cx = x + ((cy - y) / 8 % 2) * 8; cx < x + w; cx += 16)
            cairo_rectangle(cr, cx, cy, 8, 8);
    cairo_fill(cr);
}

void Label(cairo_t* cr, const std::string& text, double x, double y) {
    Layout layout = TextLayout(cr, text, "DejaVu Sans", 11);
    cairo_move_to(cr, x, y);
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
    pango_cairo_show_layout(cr, layout.get());
}

void Paste(cairo_t* cr, cairo_surface_t* picture, double x, double y, double zoom = 1) {
    SavedState saved(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, zoom, zoom);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
}

// One picture on a checkerboard with its name under it.
void Tile(cairo_t* cr, Flow& flow, cairo_surface_t* picture, const std::string& name,
          int zoom = 1) {
    const int w = cairo_image_surface_get_width(picture) * zoom;
    const int h = cairo_image_surface_get_height(picture) * zoom;
    int x, y;
    flow.Place(std::max(w, 90), h + LabelHeight, x, y);
    Checkerboard(cr, x, y, w, h);
    Paste(cr, picture, x, y, zoom);
    Label(cr, name, x, y + h + 2);
}

// The widget weakens the options sheet before use: all bytes by 240/256, colours once more.
void PrepareOptionsSheet(cairo_surface_t* sheet) {
    cairo_surface_flush(sheet);
    const int w = cairo_image_surface_get_width(sheet);
    const int h = cairo_image_surface_get_height(sheet);
    const int stride = cairo_image_surface_get_stride(sheet);
    unsigned char* data = cairo_image_surface_get_data(sheet);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < w; ++x) {
            std::uint32_t pixel = 0;
            for (int channel = 0; channel < 4; ++channel) {
                std::uint32_t v = (row[x] >> (8 * channel)) & 0xFF;
                v = v * 240 >> 8;
                if (channel < 3)
                    v = v * 240 >> 8;
                pixel |= v << (8 * channel);
            }
            row[x] = pixel;
        }
    }
    cairo_surface_mark_dirty(sheet);
}

// The glass-floor mirror the about view shows under the program picture.
Surface Reflection(cairo_surface_t* source) {
    cairo_surface_flush(source);
    const int w = cairo_image_surface_get_width(source);
    const int h = cairo_image_surface_get_height(source);
    const int rows = h / 3;
    Surface mirror = NewSurface(w, std::max(rows, 1));
    const int inStride = cairo_image_surface_get_stride(source);
    const int outStride = cairo_image_surface_get_stride(mirror.get());
    const unsigned char* in = cairo_image_surface_get_data(source);
    unsigned char* out = cairo_image_surface_get_data(mirror.get());
    for (int r = 0; r < rows; ++r) {
        const int f = (rows - 1 - r) * 200 / rows;
        const auto* src = reinterpret_cast<const std::uint32_t*>(in + (h - 1 - r) * inStride);
        auto* dst = reinterpret_cast<std::uint32_t*>(out + r * outStride);
        for (int x = 0; x < w; ++x) {
            const int alpha = static_cast<int>(src[x] >> 24);
            const int k = f - (255 - alpha);
            if (alpha == 0 || k <= 0)
                continue;
            std::uint32_t pixel = 0;
            for (int channel = 0; channel < 4; ++channel)
                pixel |= (((src[x] >> (8 * channel)) & 0xFF) * static_cast<std::uint32_t>(k) >> 8)
                         << (8 * channel);
            dst[x] = pixel;
        }
    }
    cairo_surface_mark_dirty(mirror.get());
    return mirror;
}

void Desktop(cairo_t* cr, int x, int y, int w, int h) {
    Pattern sky = LinearGradient(x, y, x + w, y + h);
    AddStop(sky.get(), 0, Hex(0x2F6F8F));
    AddStop(sky.get(), 0.5, Hex(0x9CC7D8));
    AddStop(sky.get(), 1, Hex(0xE9E4D8));
    cairo_rectangle(cr, x, y, w, h);
    cairo_set_source(cr, sky.get());
    cairo_fill(cr);
}

void Caption(cairo_t* cr, const std::string& text, const char* font, double px, Rgb colour,
             double alpha, double x, double y) {
    Layout layout = TextLayout(cr, text, font, px);
    cairo_move_to(cr, x, y);
    SetColor(cr, colour, alpha);
    pango_cairo_show_layout(cr, layout.get());
}

// The window as the widget composes it, with the news list, the options view or the about view.
void MockWindow(cairo_t* cr, Flow& flow, const std::string& view) {
    int x, y;
    flow.Place(475, 350 + LabelHeight, x, y);
    Desktop(cr, x, y, 475, 350);
    SavedState saved(cr);
    cairo_translate(cr, x, y);
    auto show = [&](const char* file, double px, double py) {
        Surface picture = FindPicture(file)->Draw();
        Paste(cr, picture.get(), px, py);
    };
    show("5002.png", 0, 0);
    show("5004.png", 25, 21);
    if (view == "news") {
        for (int i = 0; i < 4; ++i) {
            const double top = 78 + 52 * i;
            Caption(cr, "Son dakika haber başlığı örneği " + std::to_string(i + 1),
                    "DejaVu Sans Bold", 12, Hex(0x1A2A6C), 1, 32, top);
            cairo_rectangle(cr, 32, top + 19, 386, 1);
            SetColor(cr, Hex(0xDDDDDD));
            cairo_fill(cr);
            Caption(cr, "Haberin kısa özeti burada iki satıra kadar yer alır.", "DejaVu Sans", 11,
                    Hex(0x444444), 1, 32, top + 23);
        }
        show("5000.png", 425, 75);
        show("5001.png", 426, 95);
        Surface strip = FindPicture("5003.png")->Draw();
        {
            SavedState frame(cr);
            cairo_rectangle(cr, 26, 301, 18, 18);
            cairo_clip(cr);
            Paste(cr, strip.get(), 26, 301 - 18 * 4);
        }
        Caption(cr, "Güncelleniyor...", "DejaVu Sans", 11, Hex(0xFFFFFF), 0xAF / 255.0, 46, 302);
    } else if (view == "options") {
        Surface sheet = FindPicture("5005.png")->Draw();
        PrepareOptionsSheet(sheet.get());
        Paste(cr, sheet.get(), 35, 61);
        const char* captions[] = {
            "Oturum açıldığında otomatik olarak başlat.", "Pencereyi her zaman en üstte tut.",
            "Sistem Tepsisinde program simgesini göster.", "Otomatik boyutlandırmayı etkinleştir."};
        for (int i = 0; i < 4; ++i) {
            const double top = 61 + 20 + 28 * i;
            show(i == 2 ? "5007.png" : "5008.png", 75, top);
            Caption(cr, captions[i], "DejaVu Sans", 12, Hex(0x000000), 0xCF / 255.0, 97, top + 2);
        }
        show("5006.png", 35 + 360, 61 + 153);
    } else {
        const double ax = 35 + 25, ay = 61;
        show("5009.png", ax, ay);
        Surface picture = FindPicture("5010.png")->Draw();
        Paste(cr, picture.get(), ax + 35, ay + 35);
        Surface mirror = Reflection(picture.get());
        Paste(cr, mirror.get(), ax + 35, ay + 99);
        Caption(cr, "Mini Pelikora", "Roboto Condensed Bold", 25, Hex(0x333333), 1, ax + 130,
                ay + 52);
        Caption(cr, "s ü r ü m   1 . 0\n\nBu programın ilgili kurumlarla\nbir ilişkisi yoktur.",
                "DejaVu Sans", 10, Hex(0x404040), 1, ax + 138, ay + 85);
        show("5011.png", ax + 296, ay + 20);
    }
    Label(cr, "mock-up: " + view, 0, 352);
}

} // namespace

Surface DrawContactSheet() {
    Surface big = NewSurface(SheetWidth, SheetMaxHeight);
    Context owner = NewContext(big.get());
    cairo_t* cr = owner.get();
    cairo_set_source_rgb(cr, 0.93, 0.93, 0.93);
    cairo_paint(cr);

    Flow flow;
    std::vector<Surface> rendered;
    for (const Picture& p : Pictures())
        rendered.push_back(p.Draw());
    for (size_t i = 0; i < rendered.size(); ++i)
        Tile(cr, flow, rendered[i].get(), Pictures()[i].File);
    flow.NewRow();
    for (size_t i = 0; i < rendered.size(); ++i) {
        const Picture& p = Pictures()[i];
        if (p.Width <= 70 && p.Height <= 70)
            Tile(cr, flow, rendered[i].get(), p.File + " x4", 4);
    }
    flow.NewRow();
    // The program's mark at the icon theme's sizes, the hand-drawn small ones also enlarged.
    for (int size : MarkSizes()) {
        Surface mark = DrawMark(size);
        Tile(cr, flow, mark.get(), "mark " + std::to_string(size));
    }
    for (int size : MarkSizes()) {
        if (size > 32)
            continue;
        Surface mark = DrawMark(size);
        Tile(cr, flow, mark.get(), "mark " + std::to_string(size) + " x4", 4);
    }
    flow.NewRow();
    // The throbber's frames side by side, enlarged.
    Surface strip = FindPicture("5003.png")->Draw();
    for (int frame = 0; frame < ThrobberFrames; ++frame) {
        Surface one = NewSurface(ThrobberFrameSize, ThrobberFrameSize);
        {
            Context fc = NewContext(one.get());
            cairo_set_source_surface(fc.get(), strip.get(), 0, -frame * ThrobberFrameSize);
            cairo_paint(fc.get());
        }
        cairo_surface_flush(one.get());
        // On the footer's red, where the throbber is seen.
        int x, y;
        flow.Place(ThrobberFrameSize * 3, ThrobberFrameSize * 3 + LabelHeight, x, y);
        SetColor(cr, Hex(0x9A0000));
        cairo_rectangle(cr, x, y, ThrobberFrameSize * 3, ThrobberFrameSize * 3);
        cairo_fill(cr);
        Paste(cr, one.get(), x, y, 3);
        Label(cr, std::to_string(frame), x, y + ThrobberFrameSize * 3 + 2);
    }
    flow.NewRow();
    for (const char* view : {"news", "options", "about"})
        MockWindow(cr, flow, view);

    const int height = std::min(flow.Bottom() + LabelHeight + Margin, SheetMaxHeight);
    Surface sheet = NewSurface(SheetWidth, height);
    Context out = NewContext(sheet.get());
    cairo_set_source_surface(out.get(), big.get(), 0, 0);
    cairo_paint(out.get());
    cairo_surface_flush(sheet.get());
    return sheet;
}

} // namespace skin
