#include "widgets/gdi.h"

namespace widgets {

namespace {

// The classic light scheme; the platform has no colour scheme of its own to ask.
constexpr TColor SysColors[] = {
    0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xF0F0F0,
    0x808080, 0x808080, 0x000000, 0x000000, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
    0xE1FFFF, 0xB5B5B5, 0xCC6600, 0xF0CAA6, 0xF2E4D7, 0xFF9933, 0xF0F0F0,
};

} // namespace

TColor ResolveSysColor(TColor Color) {
    if ((Color & clSystemColor) == 0)
        return Color;
    const unsigned index = Color & 0xFF;
    if (index < sizeof(SysColors) / sizeof(SysColors[0]))
        return SysColors[index];
    return 0;
}

void TPen::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    Changed();
}

void TPen::SetWidth(int Value) {
    if (Value == FWidth)
        return;
    FWidth = Value;
    Changed();
}

void TPen::SetStyle(int Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TSolidBrush::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = ResolveSysColor(Value);
    Changed();
}

void TSolidBrush::SetStyle(int Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TSolidBrush::Assign(const TGraphicObject& Source) {
    auto* other = dynamic_cast<const TSolidBrush*>(&Source);
    if (other == nullptr || other == this)
        return;
    FColor = other->FColor;
    FStyle = other->FStyle;
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
    FColor = ResolveSysColor(Value);
    Changed();
}

void TFont::Assign(const TGraphicObject& Source) {
    auto* other = dynamic_cast<const TFont*>(&Source);
    if (other == nullptr || other == this)
        return;
    FSize = other->FSize;
    FName = other->FName;
    FStyle = other->FStyle;
    FColor = other->FColor;
    Changed();
}

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FBrush(std::make_unique<TSolidBrush>()),
      FPen(std::make_unique<TPen>()) {
    auto selected = [this](TObject*) { Selected(); };
    FFont->OnChange = selected;
    FBrush->OnChange = selected;
    FPen->OnChange = selected;
    FBrush->SetColor(clWindow);
}

void TCanvas::Selected() {
    // Nothing to select into while no device context is set.
    if (Handle == 0)
        return;
    if (OnChange)
        OnChange(this);
}

} // namespace widgets
