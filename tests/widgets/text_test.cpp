#include "platform/shell/fonts.h"
#include "widgets/canvas.h"
#include "widgets/plaintools.h"

#include "pixels.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <vector>

using namespace widgets;
using platform::TRect;

namespace {

const std::u16string Turkish = u"ğĞüÜşŞıİöÖçÇ";

struct TInk {
    int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1; // inclusive bounds
    bool Empty() const { return Right < 0; }
};

TInk InkOf(const TBitmapEx& b) {
    TInk ink;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.GetPixel(x, y) >> 24) {
                ink.Left = std::min(ink.Left, x);
                ink.Right = std::max(ink.Right, x);
                ink.Top = std::min(ink.Top, y);
                ink.Bottom = std::max(ink.Bottom, y);
            }
    return ink;
}

// The family of the face Pango actually loads for a font, after all substitution.
std::string LoadedFamily(const TFontEx& font, PangoFont** loaded = nullptr) {
    TPangoContextPtr ctx(pango_font_map_create_context(platform::FontMap()));
    PangoFont* f = pango_font_map_load_font(platform::FontMap(), ctx.get(), font.Handle());
    if (!f)
        return {};
    PangoFontDescription* d = pango_font_describe(f);
    std::string family = pango_font_description_get_family(d);
    pango_font_description_free(d);
    if (loaded)
        *loaded = f;
    else
        g_object_unref(f);
    return family;
}

} // namespace

TEST(FontColour, FullAlphaIsStoredAs254AndTheBrushFollows) {
    TFontEx f;
    EXPECT_EQ(f.Color(), 0xFE000000u);
    EXPECT_EQ(f.Brush().Color(), 0xFE000000u);
    struct Case {
        std::uint32_t set, stored;
    } cases[] = {{0xFF333333u, 0xFE333333u},
                 {0x80000000u, 0x80000000u},
                 {0xFE123456u, 0xFE123456u},
                 {0x00FFFFFFu, 0x00FFFFFFu},
                 {0xFFFFFFFFu, 0xFEFFFFFFu}};
    for (const auto& c : cases) {
        f.SetColor(c.set);
        EXPECT_EQ(f.Color(), c.stored) << std::hex << c.set;
        EXPECT_EQ(f.Brush().Color(), c.stored);
    }
    TFontEx g;
    g.Assign(f);
    EXPECT_EQ(g.Color(), 0xFEFFFFFFu);
}

TEST(FontLookup, SkinFamiliesMapToLookAlikesAndUnknownOnesToSansSerif) {
    TFontEx f;
    f.SetName(u"Trebuchet MS");
    EXPECT_EQ(f.ResolvedFamily(), "Trebuchet MS");
    EXPECT_EQ(LoadedFamily(f), "PT Sans");
    f.SetName(u"Impact");
    EXPECT_EQ(LoadedFamily(f), "Roboto Condensed");
    f.SetName(u"No Such Family 12345");
    EXPECT_EQ(f.ResolvedFamily(), "sans-serif");
    TFontEx sans;
    sans.SetName(u"sans-serif");
    EXPECT_EQ(LoadedFamily(f), LoadedFamily(sans));
}

TEST(FontLookup, ImpactIsHeavyAndSizeStyleReachTheDescription) {
    TFontEx f;
    f.SetName(u"Impact");
    f.SetSize(19);
    PangoFont* loaded = nullptr;
    ASSERT_EQ(LoadedFamily(f, &loaded), "Roboto Condensed");
    PangoFontDescription* d = pango_font_describe(loaded);
    EXPECT_GE(pango_font_description_get_weight(d), PANGO_WEIGHT_BOLD);
    pango_font_description_free(d);
    g_object_unref(loaded);

    f.SetStyle(FontStyleBold | FontStyleItalic);
    EXPECT_EQ(pango_font_description_get_size(f.Handle()), 19 * PANGO_SCALE);
    EXPECT_EQ(pango_font_description_get_weight(f.Handle()), PANGO_WEIGHT_BOLD);
    EXPECT_EQ(pango_font_description_get_style(f.Handle()), PANGO_STYLE_ITALIC);
}

TEST(FontLookup, EveryFontInUseCoversTurkishLetters) {
    for (const char16_t* name : {u"Trebuchet MS", u"Impact", u"Arial", u"No Such Family"})
        for (int style : {0, FontStyleBold}) {
            TFontEx f;
            f.SetName(name);
            f.SetStyle(style);
            PangoFont* loaded = nullptr;
            ASSERT_FALSE(LoadedFamily(f, &loaded).empty());
            for (char16_t ch : Turkish)
                EXPECT_TRUE(pango_font_has_char(loaded, ch))
                    << Utf16ToUtf8(name) << " " << style << " U+" << std::hex << int(ch);
            g_object_unref(loaded);
        }
}

TEST(TextMeasure, ExtentAddsOneBeforeTruncatingAndFitsTheDrawnText) {
    TCanvasEx c(400, 60);
    EXPECT_EQ(c.TextExtent(u"").cx, 1);
    EXPECT_EQ(c.TextExtent(u"").cy, 1);
    c.Font().SetName(u"Trebuchet MS");
    c.Font().SetSize(9);
    const std::u16string text = u"Gündem - Şırnak'ta ılık bir gün";
    const TSize size = c.TextExtent(text);
    EXPECT_GT(size.cx, 100);
    EXPECT_GT(size.cy, 10);
    EXPECT_EQ(c.TextWidth(text), size.cx);
    // Drawn into a box of its own extent the text neither wraps nor loses pixels.
    c.DrawText(TRect{0, 0, size.cx, size.cy}, text);
    const auto fitted = Pixels(c.Bitmap());
    c.Clear();
    c.DrawText(TRect{0, 0, 400, size.cy}, text);
    EXPECT_EQ(fitted, Pixels(c.Bitmap()));
}

TEST(TextMeasure, TrailingSpacesCountOnlyWhenAskedAndTypographicHeightGrowsWithLines) {
    TCanvasEx c(10, 10);
    EXPECT_EQ(c.TextExtent(u"Spor   ").cx, c.TextExtent(u"Spor").cx);
    c.StringFormat().SetFormatFlags(StringFormatFlagsMeasureTrailingSpaces);
    EXPECT_GT(c.TextExtent(u"Spor   ").cx, c.TextExtent(u"Spor").cx);
    EXPECT_EQ(c.TypographicHeight(u""), 0.0f);
    const float one = c.TypographicHeight(u"Dünya");
    EXPECT_GT(one, 8.0f);
    EXPECT_NEAR(c.TypographicHeight(u"Dünya\r\nEkonomi"), 2 * one, 1.0f);
    c.Font().SetSize(20);
    EXPECT_GT(c.TypographicHeight(u"Dünya"), 1.8f * one);
}

// A text's height counted in lines, for texts that Pango would set in one face, must be the very
// height Pango's layout gives, to the Pango unit, or the list's length and every position below a
// headline drift. Measured against a layout made on the canvas's own cairo context (the context
// text is drawn with), for plain, multi-line, fallback-font, right-to-left and odd texts, in the
// list's fonts, before and after the canvas has drawn (drawing hands Pango its transformation).
TEST(TextMeasure, TypographicHeightIsPangosLayoutHeightForEveryKindOfText) {
    const std::u16string texts[] = {
        u"Gündem",
        u"Ankara'da 5. toplantı sona erdi, açıklama bekleniyor ve ayrıntılar gelecek",
        u"Şırnak'ta ılık bir gün\nİzmir – “yağmur” … sürüyor\nÇarşı %50 (ÖĞÜ) #1 *",
        u"  boşlukla başlar  \nve biter ",
        u"ǅǄ ȘȚ ɏ ¿¡ «»",
        u"a\n\nb",
        u"satır\n",
        u"   ",
        u"Ekonomi\r\nKültür Sanat\rSpor\nHava",
        u"Ekonomi\r\n\r\nHava",
        u"satır\r\n",
        u"Maç sonu 😀 skor",
        u"東京 haber",
        u"خبر عاجل من القاهرة",
        u"e\u0301 ve\u00ADkil\tsekme",
        u"bir\u2028iki",
        u"© 2024 ® \u2122",
        u"1\uFE0F\u20E3",
    };
    struct Font {
        const char16_t* Name;
        int Size, Style;
    } fonts[] = {{u"Trebuchet MS", 9, FontStyleBold},
                 {u"Trebuchet MS", 10, FontStyleBold | FontStyleUnderline},
                 {u"Trebuchet MS", 9, 0},
                 {u"Impact", 14, 0},
                 {u"No Such Family", 11, FontStyleItalic}};
    TCanvasEx c(200, 40);
    auto pango = [&c](const std::u16string& text) {
        TPangoContextPtr own(pango_font_map_create_context(platform::FontMap()));
        PangoContext* context = own.get();
        pango_cairo_update_context(c.Context(), context);
        pango_cairo_context_set_resolution(context, 96.0);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
        pango_context_set_round_glyph_positions(context, FALSE);
        TPangoLayoutPtr layout(pango_layout_new(context));
        pango_layout_set_font_description(layout.get(), c.Font().Handle());
        const std::string utf8 = Utf16ToUtf8(text);
        pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));
        PangoRectangle logical;
        pango_layout_get_extents(layout.get(), nullptr, &logical);
        return static_cast<float>(logical.height) / PANGO_SCALE;
    };
    for (const bool drawn : {false, true}) {
        for (const Font& f : fonts) {
            c.Font().SetName(f.Name);
            c.Font().SetSize(f.Size);
            c.Font().SetStyle(f.Style);
            if (drawn)
                c.DrawText(TRect{0, 0, 200, 40}, u"x");
            for (const std::u16string& text : texts)
                EXPECT_EQ(c.TypographicHeight(text), pango(text))
                    << Utf16ToUtf8(text) << " in " << Utf16ToUtf8(f.Name) << " " << f.Size
                    << (drawn ? " after drawing" : "");
        }
    }
    // Plain text is counted, not laid out: the list measures every item this way.
    c.Font().SetName(u"Trebuchet MS");
    c.Font().SetSize(9);
    c.Font().SetStyle(0);
    c.TypographicHeight(u"x");
    const std::size_t layouts = c.TextWork().Layouts;
    EXPECT_GT(c.TypographicHeight(texts[2]), 2.5f * c.TypographicHeight(texts[0]));
    EXPECT_GT(c.TypographicHeight(texts[8]), 3.5f * c.TypographicHeight(texts[0]));
    EXPECT_EQ(c.TextWork().Layouts, layouts);
}

// Small text keeps the proportions of the font's design: every glyph of a label starts where the
// same text, laid out ten times larger, puts it (scaled back), give or take the rounding of the
// measurement, not a pixel or two off as whole-pixel glyph advances add up. Measured through the
// width of each prefix, at the list's sizes and at twice them, with and without grid fitting.
TEST(TextMeasure, GlyphsKeepTheirDesignedPlaceAtSmallSizes) {
    const std::u16string labels[] = {u"Gündem",  u"Ekonomi",  u"Kültür Sanat",    u"Teknoloji",
                                     u"Magazin", u"Politika", u"Son Dakika",      u"Eğitim",
                                     u"Sağlık",  u"Dünya",    u"Güncelleniyor..."};
    widgets::TCanvasEx small(400, 60), large(4000, 600);
    for (const bool antialias : {false, true})
        for (const int size : {8, 9, 10, 16, 18})
            for (const int style : {0, widgets::FontStyleBold}) {
                small.SetAntialias(antialias);
                large.SetAntialias(antialias);
                for (auto* c : {&small, &large}) {
                    c->Font().SetName(u"Trebuchet MS");
                    c->Font().SetStyle(style);
                }
                small.Font().SetSize(size);
                large.Font().SetSize(10 * size);
                for (const auto& label : labels)
                    for (std::size_t n = 1; n <= label.size(); ++n) {
                        const std::u16string prefix = label.substr(0, n);
                        // Both widths are Trunc(text + padding + 1), the padding in proportion.
                        const double designed = (large.TextWidth(prefix) - 1) / 10.0 + 1;
                        const double off = small.TextWidth(prefix) - designed;
                        EXPECT_TRUE(off > -1.15 && off < 0.15)
                            << "size " << size << " style " << style << " antialias " << antialias
                            << " prefix of " << label.size() << ": " << n << " off by " << off;
                    }
            }
}

TEST(TextDraw, LineAlignmentAndAlignmentCentreTheText) {
    TCanvasEx c(200, 100);
    c.Font().SetName(u"Impact");
    c.Font().SetSize(19);
    c.StringFormat().SetLineAlignment(StringAlignmentCenter);
    c.StringFormat().SetAlignment(StringAlignmentCenter);
    c.DrawText(TRect{0, 0, 200, 100}, u"Mini Pelikora");
    const TInk ink = InkOf(c.Bitmap());
    ASSERT_FALSE(ink.Empty());
    EXPECT_NEAR(ink.Left, 199 - ink.Right, 3);
    // Glyph ink sits a little above the line box's middle; allow for ascent/descent imbalance.
    EXPECT_NEAR(ink.Top, 99 - ink.Bottom, 8);
    EXPECT_GT(ink.Top, 25);

    c.Clear();
    c.StringFormat().SetLineAlignment(StringAlignmentNear);
    c.StringFormat().SetAlignment(StringAlignmentFar);
    c.DrawText(TRect{0, 0, 200, 100}, u"Mini Pelikora");
    const TInk far = InkOf(c.Bitmap());
    EXPECT_LT(far.Top, 15);
    EXPECT_GT(far.Left, ink.Left);
    EXPECT_GE(far.Right, 190);
}

TEST(TextDraw, WrapsInsideAndClipsToTheRectangle) {
    TCanvasEx c(400, 120);
    c.Font().SetName(u"Trebuchet MS");
    c.Font().SetSize(9);
    const std::u16string paragraph =
        u"İstanbul'da sabah saatlerinde başlayan yağmur, öğleden sonra etkisini artırdı; "
        u"Çarşı ve Üsküdar'da ulaşım güçlükle sağlanıyor.";
    const float line = c.TypographicHeight(u"İ");
    c.DrawText(TRect{10, 10, 200, 110}, paragraph);
    const TInk ink = InkOf(c.Bitmap());
    EXPECT_GE(ink.Left, 10);
    EXPECT_LT(ink.Right, 200);
    EXPECT_GT(ink.Bottom - ink.Top, 2 * line); // several lines

    c.Clear();
    c.DrawText(TRect{50, 20, 90, 30}, paragraph);
    const TInk clipped = InkOf(c.Bitmap());
    ASSERT_FALSE(clipped.Empty());
    EXPECT_GE(clipped.Left, 50);
    EXPECT_LT(clipped.Right, 90);
    EXPECT_GE(clipped.Top, 20);
    EXPECT_LT(clipped.Bottom, 30);
}

TEST(TextDraw, MissingFamilyStillDrawsLikeSansSerif) {
    TCanvasEx a(200, 40), b(200, 40);
    a.Font().SetName(u"No Such Family 12345");
    b.Font().SetName(u"sans-serif");
    a.DrawText(TRect{0, 0, 200, 40}, u"Son Dakika");
    b.DrawText(TRect{0, 0, 200, 40}, u"Son Dakika");
    EXPECT_FALSE(InkOf(a.Bitmap()).Empty());
    EXPECT_EQ(Pixels(a.Bitmap()), Pixels(b.Bitmap()));
}

TEST(TextDraw, PixelsStayValidlyPremultipliedForEveryColourAndHint) {
    TCanvasEx c(240, 60);
    TBitmapEx under(240, 60);
    Fill(under,
         [](std::uint32_t a, int) { return a << 24 | (a / 2) << 16 | (a / 3) << 8 | (a / 4); });
    const std::uint32_t colours[] = {0xFF4040FFu, 0xCF000000u, 0xAFFFFFFFu, 0x80FF8000u,
                                     0x01FFFFFFu};
    const int hints[] = {TextRenderingHintAntiAlias, TextRenderingHintAntiAliasGridFit,
                         TextRenderingHintSingleBitPerPixel, TextRenderingHintClearTypeGridFit};
    for (int hint : hints)
        for (std::uint32_t colour : colours) {
            c.Clear();
            c.Draw(under, 0, 0);
            c.SetTextRenderingHint(hint);
            c.Font().SetColor(colour);
            c.Font().SetStyle(FontStyleBold | FontStyleUnderline);
            c.DrawText(TRect{0, 0, 240, 60}, Turkish + u" Güncelleniyor...");
            for (auto p : Pixels(c.Bitmap()))
                ASSERT_TRUE(ValidPremultiplied(p))
                    << std::hex << p << " colour " << colour << " hint " << hint;
        }
    // White text at alpha 0xAF over nothing must come out as exactly that on solid strokes.
    TCanvasEx w(200, 40);
    w.Font().SetColor(0xAFFFFFFFu);
    w.Font().SetSize(20);
    w.DrawText(TRect{0, 0, 200, 40}, u"İIIII");
    bool solid = false;
    for (auto p : Pixels(w.Bitmap()))
        solid = solid || p == 0xAFAFAFAFu;
    EXPECT_TRUE(solid);
}

TEST(TextDraw, HotkeyPrefixHidesTheAmpersand) {
    TCanvasEx a(200, 30), b(200, 30);
    a.StringFormat().SetHotkeyPrefix(HotkeyPrefixHide);
    a.DrawText(TRect{0, 0, 200, 30}, u"&Güncelle && Kapat");
    b.DrawText(TRect{0, 0, 200, 30}, u"Güncelle & Kapat");
    EXPECT_EQ(Pixels(a.Bitmap()), Pixels(b.Bitmap()));
}

TEST(CanvasLine, PenColourWidthAndPixelCentres) {
    TCanvasEx c(20, 12);
    c.Pen().SetColor(0x40000000u);
    c.Line(0, 5, 20, 5);
    EXPECT_EQ(c.Bitmap().GetPixel(10, 5), 0x40000000u);
    EXPECT_EQ(c.Bitmap().GetPixel(10, 4), 0u);
    EXPECT_EQ(c.Bitmap().GetPixel(10, 6), 0u);

    c.Clear();
    c.Pen().SetColor(0xFFFF0000u);
    c.Pen().SetWidth(3);
    c.Line(10, 0, 10, 12);
    EXPECT_EQ(c.Bitmap().GetPixel(9, 6), 0xFFFF0000u);
    EXPECT_EQ(c.Bitmap().GetPixel(11, 6), 0xFFFF0000u);
    EXPECT_EQ(c.Bitmap().GetPixel(12, 6), 0u);
}

TEST(CanvasLine, SmoothingModeDecidesAntialiasingOfSlantedLines) {
    auto partial = [](TCanvasEx& c) {
        int n = 0;
        for (auto p : Pixels(c.Bitmap()))
            n += (p >> 24) != 0 && (p >> 24) != 0xFF;
        return n;
    };
    TCanvasEx smooth(30, 30), hard(30, 30);
    hard.SetSmoothingMode(SmoothingModeNone);
    smooth.Line(0, 0, 29, 17);
    hard.Line(0, 0, 29, 17);
    EXPECT_GT(partial(smooth), 10);
    EXPECT_EQ(partial(hard), 0);
    EXPECT_FALSE(InkOf(hard.Bitmap()).Empty());
}

TEST(CanvasTools, SurviveSetSizeAndAssignCopiesOnlyItsOwnKind) {
    TCanvasEx c(10, 10);
    c.Font().SetName(u"Impact");
    c.Font().SetColor(0x12345678u);
    c.StringFormat().SetLineAlignment(StringAlignmentCenter);
    c.Pen().SetWidth(2.5f);
    c.Brush().SetColor(0xFF00FF00u);
    c.SetSize(30, 30);
    EXPECT_EQ(c.Font().Name(), u"Impact");
    EXPECT_EQ(c.Font().Color(), 0x12345678u);
    EXPECT_EQ(c.StringFormat().LineAlignment(), StringAlignmentCenter);
    EXPECT_EQ(c.Pen().Width(), 2.5f);
    EXPECT_EQ(c.Brush().Color(), 0xFF00FF00u);
    c.DrawText(TRect{0, 0, 30, 30}, u"Ş");
    EXPECT_FALSE(InkOf(c.Bitmap()).Empty());

    TStringFormatEx f;
    f.Assign(c.StringFormat());
    EXPECT_EQ(f.LineAlignment(), StringAlignmentCenter);
    EXPECT_EQ(f.Trimming(), StringTrimmingWord);
    f.Assign(c.Pen()); // another kind: ignored
    EXPECT_EQ(f.LineAlignment(), StringAlignmentCenter);
    TPenEx p;
    p.Assign(c.Pen());
    EXPECT_EQ(p.Width(), 2.5f);
}

TEST(TextEncoding, LoneSurrogatesDoNotLoseTheText) {
    EXPECT_EQ(Utf16ToUtf8(u"ağ"), "a\xC4\x9F");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a\xEF\xBF\xBD"
                                                                           "b");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(PlainTools, SystemColoursResolveAndSettersFireOnlyOnChange) {
    TSolidBrush brush;
    int changes = 0;
    brush.OnChange = [&](TGraphicObject*) { ++changes; };
    brush.SetColor(clInfoBk);
    EXPECT_EQ(brush.Color(), 0x00E1FFFFu);
    brush.SetColor(0x00123456u);
    brush.SetColor(0x00123456u);
    EXPECT_EQ(changes, 2);

    TCanvas canvas;
    EXPECT_EQ(canvas.Brush().Color(), 0x00FFFFFFu);
    int canvasChanges = 0;
    canvas.OnChange = [&](TCanvas*) { ++canvasChanges; };
    canvas.Font().SetSize(12); // no context attached yet
    EXPECT_EQ(canvasChanges, 0);
    TCairoSurfacePtr s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    TCairoPtr cr(cairo_create(s.get()));
    canvas.SetHandle(cr.get());
    canvas.Pen().SetWidth(2);
    canvas.Font().SetStyle(FontStyleBold);
    EXPECT_EQ(canvasChanges, 2);
    PangoFontDescription* d = canvas.Font().CreateDescription();
    EXPECT_EQ(pango_font_description_get_size(d), 12 * PANGO_SCALE);
    EXPECT_EQ(pango_font_description_get_weight(d), PANGO_WEIGHT_BOLD);
    pango_font_description_free(d);
}
