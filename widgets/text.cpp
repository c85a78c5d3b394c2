// The drawing tools and the canvas's text and line operations.
#include "widgets/text.h"

#include "platform/shell/fonts.h"
#include "platform/sys/utf.h"
#include "widgets/canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace widgets {

namespace {

constexpr double ScreenDpi = 96.0;
constexpr double PointsPerInch = 72.0;

double Unit(std::uint32_t color, int shift) {
    return ((color >> shift) & 0xFFu) / 255.0;
}

} // namespace

std::string Utf16ToUtf8(const std::u16string& Text) {
    if (Text.find(u'\0') == std::u16string::npos)
        return platform::Utf16ToUtf8(Text);
    // Pango stops at a zero byte; the whole string is always drawn
    std::u16string drawn = Text;
    std::replace(drawn.begin(), drawn.end(), u'\0', char16_t(0xFFFD));
    return platform::Utf16ToUtf8(drawn);
}

// --- tools -----------------------------------------------------------------------------------

void TSolidBrushEx::Assign(const TGraphicObjectEx& Source) {
    if (const auto* s = dynamic_cast<const TSolidBrushEx*>(&Source))
        FColor = s->FColor;
}

void TPenEx::Assign(const TGraphicObjectEx& Source) {
    if (const auto* s = dynamic_cast<const TPenEx*>(&Source)) {
        FColor = s->FColor;
        FWidth = s->FWidth;
        FStyle = s->FStyle;
    }
}

void TStringFormatEx::Assign(const TGraphicObjectEx& Source) {
    if (const auto* s = dynamic_cast<const TStringFormatEx*>(&Source)) {
        SetFormatFlags(s->FFormatFlags);
        SetAlignment(s->FAlignment);
        SetHotkeyPrefix(s->FHotkeyPrefix);
        SetLineAlignment(s->FLineAlignment);
        SetTrimming(s->FTrimming);
    }
}

TFontEx::TFontEx() = default;

void TFontEx::Assign(const TGraphicObjectEx& Source) {
    const auto* s = dynamic_cast<const TFontEx*>(&Source);
    if (!s || s == this)
        return;
    FColor = s->FColor; // already carries the alpha rule
    FBrush.SetColor(FColor);
    FName = s->FName;
    FSize = s->FSize;
    FStyle = s->FStyle;
    FFormat.Assign(s->FFormat);
    FHandle.reset();
}

void TFontEx::SetColor(std::uint32_t Value) {
    if (Value == FColor)
        return;
    if ((Value >> 24) == 0xFF)
        Value = (Value & 0x00FFFFFFu) | 0xFE000000u;
    FColor = Value;
    FBrush.SetColor(FColor);
}

void TFontEx::SetName(const std::u16string& Value) {
    if (Value == FName)
        return;
    FName = Value;
    FHandle.reset();
}

void TFontEx::SetSize(int Value) {
    if (Value == FSize)
        return;
    FSize = Value;
    FHandle.reset();
}

void TFontEx::SetStyle(int Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    FHandle.reset();
}

void TFontEx::BuildHandle() const {
    if (FHandle)
        return;
    FResolvedFamily = platform::ResolveFontFamily(Utf16ToUtf8(FName));
    TFontDescriptionPtr d(pango_font_description_new());
    pango_font_description_set_family(d.get(), FResolvedFamily.c_str());
    pango_font_description_set_size(d.get(), std::max(FSize, 0) * PANGO_SCALE);
    pango_font_description_set_weight(d.get(), (FStyle & FontStyleBold) ? PANGO_WEIGHT_BOLD
                                                                        : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(d.get(), (FStyle & FontStyleItalic) ? PANGO_STYLE_ITALIC
                                                                         : PANGO_STYLE_NORMAL);
    FHandle = std::move(d);
}

// --- canvas text and lines -----------------------------------------------------------------

double TCanvasEx::Padding() const {
    // The engine the skin was measured with pads text by a sixth of an em on either side.
    return FFont.Size() * ScreenDpi / PointsPerInch / 6.0;
}

PangoContext* TCanvasEx::TextContext() {
    if (!FPangoContext) {
        FPangoContext.reset(pango_font_map_create_context(platform::FontMap()));
        pango_cairo_context_set_resolution(FPangoContext.get(), ScreenDpi);
    }
    if (FAppliedHint != FTextRenderingHint) {
        platform::TCairoFontOptionsPtr options(cairo_font_options_create());
        const int hint = FTextRenderingHint;
        const bool gridFit = hint == TextRenderingHintSingleBitPerPixelGridFit ||
                             hint == TextRenderingHintAntiAliasGridFit ||
                             hint == TextRenderingHintClearTypeGridFit;
        const bool mono = hint == TextRenderingHintSingleBitPerPixelGridFit ||
                          hint == TextRenderingHintSingleBitPerPixel;
        // Subpixel colour would fringe on a per-pixel-alpha window, so ClearType is grey.
        cairo_font_options_set_antialias(options.get(),
                                         mono ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options.get(), gridFit ? CAIRO_HINT_STYLE_SLIGHT
                                                                 : CAIRO_HINT_STYLE_NONE);
        // Grid fitting snaps the outlines only; advances stay as the font designs them and
        // glyphs sit at fractional positions. Whole-pixel advances add up their rounding along
        // a word, which opens uneven gaps in small text ("Gün dem").
        cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
        pango_cairo_context_set_font_options(FPangoContext.get(), options.get());
        pango_context_set_round_glyph_positions(FPangoContext.get(), FALSE);
        FAppliedHint = hint;
    }
    return FPangoContext.get();
}

TPangoLayoutPtr TCanvasEx::MakeLayout(const std::u16string& Text, bool Typographic) {
    ++FTextWork.Layouts;
    FTextWork.Characters += Text.size();
    TPangoLayoutPtr layout(pango_layout_new(TextContext()));
    pango_layout_set_font_description(layout.get(), FFont.Handle());

    platform::TAttrListPtr attrs(pango_attr_list_new());
    if (FFont.Style() & FontStyleUnderline)
        pango_attr_list_insert(attrs.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (FFont.Style() & FontStyleStrikeout)
        pango_attr_list_insert(attrs.get(), pango_attr_strikethrough_new(TRUE));

    const int prefix = Typographic ? HotkeyPrefixNone : FStringFormat.HotkeyPrefix();
    if (prefix == HotkeyPrefixNone) {
        const std::string utf8 = Utf16ToUtf8(Text);
        pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));
    } else {
        // "&x" marks an access key (underlined when shown), "&&" is a literal ampersand.
        std::u16string plain;
        std::size_t keyIndex = std::u16string::npos;
        for (std::size_t i = 0; i < Text.size(); ++i) {
            if (Text[i] == u'&' && i + 1 < Text.size()) {
                ++i;
                if (Text[i] != u'&' && keyIndex == std::u16string::npos)
                    keyIndex = plain.size();
            }
            plain += Text[i];
        }
        const std::string utf8 = Utf16ToUtf8(plain);
        pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));
        if (prefix == HotkeyPrefixShow && keyIndex != std::u16string::npos) {
            const auto start = Utf16ToUtf8(plain.substr(0, keyIndex)).size();
            const auto len = Utf16ToUtf8(plain.substr(keyIndex, 1)).size();
            PangoAttribute* a = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
            a->start_index = static_cast<guint>(start);
            a->end_index = static_cast<guint>(start + len);
            pango_attr_list_insert(attrs.get(), a);
        }
    }
    pango_layout_set_attributes(layout.get(), attrs.get());
    return layout;
}

TSize TCanvasEx::TextExtent(const std::u16string& Text) {
    if (Text.empty())
        return {1, 1};
    std::u16string forWidth = Text;
    if (!(FStringFormat.FormatFlags() & StringFormatFlagsMeasureTrailingSpaces)) {
        while (!forWidth.empty() && forWidth.back() == u' ')
            forWidth.pop_back();
    }
    PangoRectangle logical;
    auto layout = MakeLayout(Text, false);
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    const double height = static_cast<double>(logical.height) / PANGO_SCALE;
    double width = static_cast<double>(logical.width) / PANGO_SCALE;
    if (forWidth.size() != Text.size()) {
        width = 0;
        if (!forWidth.empty()) {
            auto trimmed = MakeLayout(forWidth, false);
            pango_layout_get_extents(trimmed.get(), nullptr, &logical);
            width = static_cast<double>(logical.width) / PANGO_SCALE;
        }
    }
    width += 2 * Padding();
    return {static_cast<int>(width + 1), static_cast<int>(height + 1)};
}

// A line of text that Pango sets in one face is as tall as that face's line, whatever its
// characters. Texts made only of such lines (the common case for Latin headlines) are measured
// by counting lines instead of shaping them; anything else takes the full layout.

namespace {

constexpr char32_t FastLimit = 0x2028;

// Characters that itemize as the surrounding run (Latin or common script), never start an emoji
// sequence and never break or join lines: Basic Latin, Latin-1 and Latin Extended-A/B (without
// the soft hyphen and the two emoji-capable signs) and the general punctuation before the
// line separator. A line of them is set in the first face of the font when that face has them.
bool PlainCharacter(char32_t c) {
    if (c >= 0x20 && c <= 0x7E)
        return true;
    if (c >= 0xA0 && c <= 0x24F)
        return c != 0xA9 && c != 0xAD && c != 0xAE;
    return c >= 0x2010 && c < FastLimit;
}

// A character that gives its line a face: anything drawn, as opposed to the spaces.
bool Graphic(char32_t c) {
    return c != 0x20 && c != 0xA0;
}

gboolean TakeFirstFont(PangoFontset*, PangoFont* Font, gpointer Data) {
    *static_cast<PangoFont**>(Data) = PANGO_FONT(g_object_ref(Font));
    return TRUE;
}

} // namespace

TCanvasEx::TLineFont* TCanvasEx::LineFont() {
    PangoContext* context = TextContext();
    double matrix[4] = {1, 0, 0, 1};
    if (const PangoMatrix* m = pango_context_get_matrix(context)) {
        matrix[0] = m->xx;
        matrix[1] = m->xy;
        matrix[2] = m->yx;
        matrix[3] = m->yy;
    }
    for (auto& f : FLineFonts)
        if (f->Hint == FAppliedHint && std::equal(matrix, matrix + 4, f->Matrix) &&
            pango_font_description_equal(f->Description.get(), FFont.Handle()))
            return f.get();
    if (FLineFonts.size() >= 8)
        FLineFonts.clear();
    auto f = std::make_unique<TLineFont>();
    f->Description.reset(pango_font_description_copy(FFont.Handle()));
    std::copy(matrix, matrix + 4, f->Matrix);
    f->Hint = FAppliedHint;
    // Latin runs take the context's language (and so its fontset) only when that language is
    // written in Latin; otherwise Pango picks another language and maybe another face.
    PangoLanguage* language = pango_context_get_language(context);
    if (pango_language_includes_script(language, PANGO_SCRIPT_LATIN)) {
        platform::TFontDescriptionPtr full(
            pango_font_description_copy(pango_context_get_font_description(context)));
        pango_font_description_merge(full.get(), FFont.Handle(), TRUE);
        if (platform::TGObjectPtr<PangoFontset> set{
                pango_context_load_fontset(context, full.get(), language)}) {
            PangoFont* face = nullptr;
            pango_fontset_foreach(set.get(), TakeFirstFont, &face);
            f->Face.reset(face);
        }
    }
    if (f->Face && pango_font_has_char(f->Face.get(), 'x')) {
        auto layout = MakeLayout(u"x", true);
        PangoRectangle logical;
        pango_layout_get_extents(layout.get(), nullptr, &logical);
        f->LineUnits = logical.height;
        f->Covered.assign(FastLimit, 0);
    } else {
        f->Face.reset();
    }
    FLineFonts.push_back(std::move(f));
    return FLineFonts.back().get();
}

int TCanvasEx::UniformLines(const std::u16string& Text) {
    TLineFont* font = LineFont();
    if (!font->Face)
        return 0;
    int lines = 1;
    bool graphic = false;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        // Pango ends a line at CR, LF or the pair CR LF.
        if (Text[i] == u'\r' || Text[i] == u'\n') {
            if (!graphic)
                return 0;
            if (Text[i] == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n')
                ++i;
            ++lines;
            graphic = false;
            continue;
        }
        const char32_t c = Text[i];
        if (!PlainCharacter(c))
            return 0;
        signed char& covered = font->Covered[c];
        if (covered == 0)
            covered = pango_font_has_char(font->Face.get(), c) ? 1 : -1;
        if (covered < 0)
            return 0;
        graphic = graphic || Graphic(c);
    }
    return graphic ? lines : 0;
}

float TCanvasEx::TypographicHeight(const std::u16string& Text) {
    if (Text.empty())
        return 0.0f;
    if (const int lines = UniformLines(Text); lines > 0)
        return static_cast<float>(lines * LineFont()->LineUnits) / PANGO_SCALE;
    auto layout = MakeLayout(Text, true);
    PangoRectangle logical;
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    return static_cast<float>(logical.height) / PANGO_SCALE;
}

void TCanvasEx::DrawText(const platform::TRect& Rect, const std::u16string& Text,
                         std::vector<platform::TRect>* Lines) {
    if (Lines)
        Lines->clear();
    if (Text.empty() || FWidth <= 0 || FHeight <= 0)
        return;
    const int flags = FStringFormat.FormatFlags();
    const int w = Rect.Width(), h = Rect.Height();
    const double pad = Padding();
    auto layout = MakeLayout(Text, false);
    PangoLayout* l = layout.get();

    // A rectangle without width or height does not limit the text in that direction.
    const bool limitWidth = w > 0 && !(flags & StringFormatFlagsNoWrap);
    if (limitWidth) {
        const double inner = std::max(1.0, w - 2 * pad);
        pango_layout_set_width(l, static_cast<int>(inner * PANGO_SCALE));
        pango_layout_set_wrap(l, PANGO_WRAP_WORD_CHAR);
    }
    const int align = FStringFormat.Alignment();
    pango_layout_set_alignment(l, align == StringAlignmentCenter ? PANGO_ALIGN_CENTER
                                  : align == StringAlignmentFar  ? PANGO_ALIGN_RIGHT
                                                                 : PANGO_ALIGN_LEFT);
    const int trimming = FStringFormat.Trimming();
    if (h > 0 && trimming >= StringTrimmingEllipsisCharacter) {
        pango_layout_set_ellipsize(l, trimming == StringTrimmingEllipsisPath
                                          ? PANGO_ELLIPSIZE_MIDDLE
                                          : PANGO_ELLIPSIZE_END);
        if (limitWidth)
            pango_layout_set_height(l, h * PANGO_SCALE);
    }

    PangoRectangle logical;
    pango_layout_get_extents(l, nullptr, &logical);
    const double textW = static_cast<double>(logical.width) / PANGO_SCALE;
    const double textH = static_cast<double>(logical.height) / PANGO_SCALE;

    double x = Rect.Left + pad;
    if (!limitWidth) {
        const double span = w > 0 ? w - 2 * pad : 0.0;
        if (align == StringAlignmentCenter)
            x += (span - textW) / 2;
        else if (align == StringAlignmentFar)
            x += span - textW;
    }
    double y = Rect.Top;
    const double room = h > 0 ? h : 0.0;
    if (FStringFormat.LineAlignment() == StringAlignmentCenter)
        y += (room - textH) / 2;
    else if (FStringFormat.LineAlignment() == StringAlignmentFar)
        y += room - textH;

    const bool clip = w > 0 && h > 0 && !(flags & StringFormatFlagsNoClip);
    if (Lines) {
        const std::unique_ptr<PangoLayoutIter, decltype(&pango_layout_iter_free)> iter(
            pango_layout_get_iter(l), pango_layout_iter_free);
        do {
            PangoRectangle line;
            pango_layout_iter_get_line_extents(iter.get(), nullptr, &line);
            platform::TRect r{
                static_cast<int>(std::floor(x + static_cast<double>(line.x) / PANGO_SCALE)),
                static_cast<int>(std::floor(y + static_cast<double>(line.y) / PANGO_SCALE)),
                static_cast<int>(
                    std::ceil(x + static_cast<double>(line.x + line.width) / PANGO_SCALE)),
                static_cast<int>(
                    std::ceil(y + static_cast<double>(line.y + line.height) / PANGO_SCALE))};
            if (clip) {
                r.Left = std::max(r.Left, Rect.Left);
                r.Top = std::max(r.Top, Rect.Top);
                r.Right = std::min(r.Right, Rect.Right);
                r.Bottom = std::min(r.Bottom, Rect.Bottom);
            }
            if (r.Left < r.Right && r.Top < r.Bottom)
                Lines->push_back(r);
        } while (pango_layout_iter_next_line(iter.get()));
    }

    cairo_t* cr = FContext.get();
    TCairoSaveGuard guard(cr);
    if (clip) {
        cairo_rectangle(cr, Rect.Left, Rect.Top, w, h);
        cairo_clip(cr);
    }
    // Straight-alpha colour; cairo blends it premultiplied, so every pixel stays valid.
    const std::uint32_t c = FFont.Brush().Color();
    cairo_set_source_rgba(cr, Unit(c, 16), Unit(c, 8), Unit(c, 0), Unit(c, 24));
    cairo_move_to(cr, x, y);
    pango_cairo_update_context(cr, FPangoContext.get());
    pango_layout_context_changed(l);
    pango_cairo_show_layout(cr, l);
}

void TCanvasEx::Line(int X1, int Y1, int X2, int Y2) {
    cairo_t* cr = FContext.get();
    TCairoSaveGuard guard(cr);
    // Without a pixel offset, integer coordinates name pixel centres.
    const double offset =
        (FPixelOffsetMode == PixelOffsetModeHalf || FPixelOffsetMode == PixelOffsetModeHighQuality)
            ? 0.0
            : 0.5;
    const std::uint32_t c = FPen.Color();
    const double width = std::max(FPen.Width(), 0.0f);
    cairo_set_source_rgba(cr, Unit(c, 16), Unit(c, 8), Unit(c, 0), Unit(c, 24));
    cairo_set_line_width(cr, width > 0 ? width : 1.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    const double unit = cairo_get_line_width(cr);
    const double dash[] = {3 * unit, unit};
    const double dot[] = {unit, unit};
    const double dashDot[] = {3 * unit, unit, unit, unit};
    const double dashDotDot[] = {3 * unit, unit, unit, unit, unit, unit};
    switch (FPen.Style()) {
    case DashStyleDash:
        cairo_set_dash(cr, dash, 2, 0);
        break;
    case DashStyleDot:
        cairo_set_dash(cr, dot, 2, 0);
        break;
    case DashStyleDashDot:
        cairo_set_dash(cr, dashDot, 4, 0);
        break;
    case DashStyleDashDotDot:
        cairo_set_dash(cr, dashDotDot, 6, 0);
        break;
    default:
        break;
    }
    cairo_move_to(cr, X1 + offset, Y1 + offset);
    cairo_line_to(cr, X2 + offset, Y2 + offset);
    cairo_stroke(cr);
}

} // namespace widgets
