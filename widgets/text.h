// The drawing tools of a TCanvasEx: font, string format, solid brush and pen. Colours are
// straight-alpha ARGB words 0xAARRGGBB; the numeric values of styles and alignments are those
// the widget's code is written in. Text is laid out with Pango (see platform/shell/fonts.h).
#pragma once

#include "platform/gfx/owners.h"

#include <pango/pango.h>

#include <cstdint>
#include <memory>
#include <string>

namespace widgets {

constexpr int FontStyleBold = 1;
constexpr int FontStyleItalic = 2;
constexpr int FontStyleUnderline = 4;
constexpr int FontStyleStrikeout = 8;

constexpr int StringAlignmentNear = 0;
constexpr int StringAlignmentCenter = 1;
constexpr int StringAlignmentFar = 2;

constexpr int HotkeyPrefixNone = 0;
constexpr int HotkeyPrefixShow = 1;
constexpr int HotkeyPrefixHide = 2;

constexpr int StringTrimmingNone = 0;
constexpr int StringTrimmingCharacter = 1;
constexpr int StringTrimmingWord = 2;
constexpr int StringTrimmingEllipsisCharacter = 3;
constexpr int StringTrimmingEllipsisWord = 4;
constexpr int StringTrimmingEllipsisPath = 5;

// Format flags acted on; the others are kept but change nothing.
constexpr int StringFormatFlagsMeasureTrailingSpaces = 0x0800;
constexpr int StringFormatFlagsNoWrap = 0x1000;
constexpr int StringFormatFlagsNoClip = 0x4000;

constexpr int DashStyleSolid = 0;
constexpr int DashStyleDash = 1;
constexpr int DashStyleDot = 2;
constexpr int DashStyleDashDot = 3;
constexpr int DashStyleDashDotDot = 4;
constexpr int DashStyleCustom = 5;

// Base of the canvas and its drawing tools; Assign copies settings between tools of one kind
// and ignores anything else.
class TGraphicObjectEx {
public:
    virtual ~TGraphicObjectEx() = default;
    virtual void Assign(const TGraphicObjectEx& Source) { (void)Source; }
};

class TBrushEx : public TGraphicObjectEx {
public:
    explicit TBrushEx(int Kind) : FKind(Kind) {}
    int Kind() const { return FKind; }

private:
    int FKind;
};

class TSolidBrushEx : public TBrushEx {
public:
    TSolidBrushEx() : TBrushEx(0) {}
    explicit TSolidBrushEx(std::uint32_t Color) : TBrushEx(0), FColor(Color) {}
    void Assign(const TGraphicObjectEx& Source) override;
    std::uint32_t Color() const { return FColor; }
    void SetColor(std::uint32_t Value) { FColor = Value; }

private:
    std::uint32_t FColor = 0xFF808080u;
};

class TPenEx : public TGraphicObjectEx {
public:
    void Assign(const TGraphicObjectEx& Source) override;
    std::uint32_t Color() const { return FColor; }
    void SetColor(std::uint32_t Value) { FColor = Value; }
    float Width() const { return FWidth; }
    void SetWidth(float Value) { FWidth = Value; }
    int Style() const { return FStyle; }
    void SetStyle(int Value) { FStyle = Value; }

private:
    std::uint32_t FColor = 0xFF000000u;
    float FWidth = 1.0f;
    int FStyle = DashStyleSolid;
};

class TStringFormatEx : public TGraphicObjectEx {
public:
    void Assign(const TGraphicObjectEx& Source) override;
    int FormatFlags() const { return FFormatFlags; }
    void SetFormatFlags(int Value) { FFormatFlags = Value; }
    int Alignment() const { return FAlignment; }
    void SetAlignment(int Value) { FAlignment = Value; }
    int HotkeyPrefix() const { return FHotkeyPrefix; }
    void SetHotkeyPrefix(int Value) { FHotkeyPrefix = Value; }
    int LineAlignment() const { return FLineAlignment; }
    void SetLineAlignment(int Value) { FLineAlignment = Value; }
    int Trimming() const { return FTrimming; }
    void SetTrimming(int Value) { FTrimming = Value; }

private:
    int FFormatFlags = 0;
    int FAlignment = StringAlignmentNear;
    int FHotkeyPrefix = HotkeyPrefixNone;
    int FLineAlignment = StringAlignmentNear;
    int FTrimming = StringTrimmingWord;
};

using platform::TFontDescriptionPtr;

class TFontEx : public TGraphicObjectEx {
public:
    TFontEx();
    void Assign(const TGraphicObjectEx& Source) override;

    // The Pango description: the resolved family (a missing one becomes the generic
    // sans-serif), size in points, weight and slant.
    const PangoFontDescription* Handle() const {
        BuildHandle();
        return FHandle.get();
    }
    std::uint32_t Color() const { return FColor; }
    // A colour with alpha 255 is stored with alpha 254, as the widget has always drawn it.
    void SetColor(std::uint32_t Value);
    const std::u16string& Name() const { return FName; }
    void SetName(const std::u16string& Value);
    int Size() const { return FSize; }
    void SetSize(int Value);
    int Style() const { return FStyle; }
    void SetStyle(int Value);
    // The brush text is drawn with, always at Color.
    const TSolidBrushEx& Brush() const { return FBrush; }
    // Kept and copied by Assign; drawing uses the canvas's StringFormat instead.
    TStringFormatEx& Format() { return FFormat; }
    // The family Handle asks for, after the missing-family fallback.
    const std::string& ResolvedFamily() const {
        BuildHandle();
        return FResolvedFamily;
    }

private:
    // Built at first use, not at every change: resolving the family loads the font
    // configuration, which a window about to map should not wait for.
    void BuildHandle() const;

    mutable TFontDescriptionPtr FHandle;
    std::uint32_t FColor = 0xFE000000u;
    std::u16string FName = u"Arial";
    int FSize = 10;
    int FStyle = 0;
    TSolidBrushEx FBrush{0xFE000000u};
    TStringFormatEx FFormat;
    mutable std::string FResolvedFamily;
};

// Lenient UTF-16 to UTF-8: a lone surrogate becomes U+FFFD instead of losing the whole text.
std::string Utf16ToUtf8(const std::u16string& Text);

} // namespace widgets
