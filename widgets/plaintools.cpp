#include "widgets/plaintools.h"

#include "platform/shell/fonts.h"
#include "widgets/text.h"

namespace widgets {

TColor GetSysColor(int Index) {
    // The classic light theme the widget was drawn against.
    switch (Index) {
    case 5: // window background
        return 0x00FFFFFFu;
    case 8: // window text
        return 0x00000000u;
    case 15: // button face
        return 0x00F0F0F0u;
    case 23: // tooltip text
        return 0x00000000u;
    case 24: // tooltip background
        return 0x00E1FFFFu;
    default:
        return 0;
    }
}

TColor ResolveColor(TColor Color) {
    return (Color & SysColorFlag) ? GetSysColor(static_cast<int>(Color & 0xFF)) : Color;
}

void TPen::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = ResolveColor(Value);
    Changed();
}

void TPen::SetStyle(int Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TPen::SetWidth(int Value) {
    if (Value == FWidth)
        return;
    FWidth = Value;
    Changed();
}

void TSolidBrush::Assign(const TGraphicObject& Source) {
    const auto* s = dynamic_cast<const TSolidBrush*>(&Source);
    if (!s || s == this)
        return;
    FColor = s->FColor;
    FStyle = s->FStyle;
    Changed();
}

void TSolidBrush::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = ResolveColor(Value);
    Changed();
}

void TSolidBrush::SetStyle(int Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TFont::Assign(const TGraphicObject& Source) {
    const auto* s = dynamic_cast<const TFont*>(&Source);
    if (!s || s == this)
        return;
    FSize = s->FSize;
    FName = s->FName;
    FStyle = s->FStyle;
    FColor = s->FColor;
    Changed();
}

void TFont::SetSize(int Value) {
    if (Value == FSize)
        return;
    FSize = Value;
    Changed();
}

void TFont::SetName(const std::u16string& Value) {
    if (Value == FName)
        return;
    FName = Value;
    Changed();
}

void TFont::SetStyle(int Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TFont::SetColor(TColor Value) {
    FColor = ResolveColor(Value);
    Changed();
}

PangoFontDescription* TFont::CreateDescription() const {
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, platform::ResolveFontFamily(Utf16ToUtf8(FName)).c_str());
    pango_font_description_set_size(d, FSize * PANGO_SCALE);
    if (FStyle & FontStyleBold)
        pango_font_description_set_weight(d, PANGO_WEIGHT_BOLD);
    if (FStyle & FontStyleItalic)
        pango_font_description_set_style(d, PANGO_STYLE_ITALIC);
    return d;
}

TCanvas::TCanvas() {
    FFont.OnChange = [this](TGraphicObject*) { ToolChanged(); };
    FBrush.OnChange = [this](TGraphicObject*) { ToolChanged(); };
    FBrush.SetColor(clWindow);
    FPen.OnChange = [this](TGraphicObject*) { ToolChanged(); };
}

void TCanvas::ToolChanged() {
    // Nothing to select into while no context is attached.
    if (FHandle && OnChange)
        OnChange(this);
}

} // namespace widgets
