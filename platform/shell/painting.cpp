#include "platform/shell/painting.h"
#include "platform/sys/utf.h"
#include "platform/window_manager.h"

namespace platform {

char16_t FoldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') {
        return static_cast<char16_t>(c - u'A' + u'a');
    }
    switch (c) {
    case u'Ç':
        return u'ç';
    case u'Ğ':
        return u'ğ';
    case u'İ':
        return u'i';
    case u'I':
        return u'ı';
    case u'Ö':
        return u'ö';
    case u'Ş':
        return u'ş';
    case u'Ü':
        return u'ü';
    default:
        return c;
    }
}

char16_t TMnemonicText::Key() const {
    return Mark >= 0 && Mark < static_cast<int>(Text.size()) ? FoldCase(Text[Mark]) : 0;
}

TMnemonicText ParseMnemonic(const std::u16string& text) {
    TMnemonicText out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != u'&' && out.Mark < 0) {
                out.Mark = static_cast<int>(out.Text.size());
            }
        }
        out.Text += text[i];
    }
    return out;
}

TPaintBuffer::TPaintBuffer(int width, int height)
    : W(std::max(1, width)), H(std::max(1, height)), S(GetRenderScale()),
      Data(static_cast<std::size_t>(W * S) * static_cast<std::size_t>(H * S), 0) {
    Surface.reset(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(Data.data()),
                                                      CAIRO_FORMAT_ARGB32, W * S, H * S,
                                                      W * S * 4));
    // Drawn in logical pixels at the desktop's resolution.
    cairo_surface_set_device_scale(Surface.get(), S, S);
    Context.reset(cairo_create(Surface.get()));
}

void TPaintBuffer::Source(std::uint32_t argb) {
    cairo_set_source_rgba(Cr(), ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                          (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
}

void TPaintBuffer::Fill(const TRect& r, std::uint32_t argb) {
    Source(argb);
    cairo_rectangle(Cr(), r.Left, r.Top, r.Width(), r.Height());
    cairo_fill(Cr());
}

void TPaintBuffer::Frame(const TRect& r, std::uint32_t argb) {
    Source(argb);
    cairo_set_line_width(Cr(), 1);
    cairo_rectangle(Cr(), r.Left + 0.5, r.Top + 0.5, r.Width() - 1, r.Height() - 1);
    cairo_stroke(Cr());
}

TPangoLayoutPtr TPaintBuffer::Layout(const TMnemonicText& text, int wrapWidth) const {
    TPangoLayoutPtr layout(pango_cairo_create_layout(Cr()));
    // Pixel sizes must not depend on the screen's resolution: points at 96 per inch.
    pango_cairo_context_set_resolution(pango_layout_get_context(layout.get()), 96);
    pango_layout_context_changed(layout.get());
    const TFontDescriptionPtr font(pango_font_description_from_string(PAINT_FONT));
    pango_layout_set_font_description(layout.get(), font.get());
    const std::string utf8 = Utf16ToUtf8(text.Text);
    pango_layout_set_text(layout.get(), utf8.c_str(), static_cast<int>(utf8.size()));
    if (wrapWidth > 0) {
        pango_layout_set_width(layout.get(), wrapWidth * PANGO_SCALE);
        pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    }
    if (text.Mark >= 0) {
        const std::string before =
            Utf16ToUtf8(text.Text.substr(0, static_cast<std::size_t>(text.Mark)));
        const std::string mark =
            Utf16ToUtf8(text.Text.substr(static_cast<std::size_t>(text.Mark), 1));
        const TAttrListPtr attrs(pango_attr_list_new());
        PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        underline->start_index = static_cast<guint>(before.size());
        underline->end_index = static_cast<guint>(before.size() + mark.size());
        pango_attr_list_insert(attrs.get(), underline);
        pango_layout_set_attributes(layout.get(), attrs.get());
    }
    return layout;
}

TPoint TPaintBuffer::Measure(PangoLayout* layout) {
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    return TPoint{w, h};
}

void TPaintBuffer::Text(PangoLayout* layout, int x, int y, std::uint32_t argb) {
    Source(argb);
    cairo_move_to(Cr(), x, y);
    pango_cairo_show_layout(Cr(), layout);
}

bool TPaintBuffer::Present(HWND hwnd) const {
    cairo_surface_flush(Surface.get());
    return UpdateLayeredWindow(hwnd, nullptr, W, H, Data.data(), W * S * 4, 255, ULW_ALPHA, S);
}

} // namespace platform
