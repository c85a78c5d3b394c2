// Drawing tools of the plain (non-layered) window side: colours are 0x00BBGGRR, or a system
// colour when the top bit is set, resolved to its current value when stored. The platform draws
// its own few plain windows (menu, message box, tooltip); these carry the settings a control
// hands it and announce each change through OnChange.
#pragma once

#include <cairo.h>
#include <pango/pango.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace widgets {

using TColor = std::uint32_t;

constexpr TColor SysColorFlag = 0x80000000u;
constexpr TColor clWindow = SysColorFlag | 5;
constexpr TColor clWindowText = SysColorFlag | 8;
constexpr TColor clBtnFace = SysColorFlag | 15;
constexpr TColor clInfoText = SysColorFlag | 23;
constexpr TColor clInfoBk = SysColorFlag | 24;

// The current value of a system colour index (the platform's light theme); 0 when unknown.
TColor GetSysColor(int Index);
// System colours become their value; anything else is kept as it is.
TColor ResolveColor(TColor Color);

class TGraphicObject {
public:
    virtual ~TGraphicObject() = default;
    virtual void Assign(const TGraphicObject& Source) { (void)Source; }
    std::function<void(TGraphicObject* Sender)> OnChange;

protected:
    void Changed() {
        if (OnChange)
            OnChange(this);
    }
};

class TPen : public TGraphicObject {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Style() const { return FStyle; }
    void SetStyle(int Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);

private:
    TColor FColor = 0;
    int FStyle = 0;
    int FWidth = 0;
};

class TSolidBrush : public TGraphicObject {
public:
    void Assign(const TGraphicObject& Source) override;
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Style() const { return FStyle; }
    void SetStyle(int Value);

private:
    TColor FColor = 0xFFFFFFFFu; // -1: no brush yet
    int FStyle = 0;
};

class TFont : public TGraphicObject {
public:
    void Assign(const TGraphicObject& Source) override;
    int Size() const { return FSize; }
    void SetSize(int Value);
    const std::u16string& Name() const { return FName; }
    void SetName(const std::u16string& Value);
    int Style() const { return FStyle; }
    void SetStyle(int Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // A Pango description of this font (missing families fall back to sans-serif); the caller
    // frees it with pango_font_description_free.
    PangoFontDescription* CreateDescription() const;

private:
    int FSize = 8;
    std::u16string FName = u"Tahoma";
    int FStyle = 0;
    TColor FColor = 0;
};

// A device-context canvas: the tools for a plain window and the cairo context it paints with,
// which belongs to whoever set it.
class TCanvas {
public:
    TCanvas();
    cairo_t* Handle() const { return FHandle; }
    void SetHandle(cairo_t* Value) { FHandle = Value; }
    TFont& Font() { return FFont; }
    TSolidBrush& Brush() { return FBrush; }
    TPen& Pen() { return FPen; }
    std::function<void(TCanvas* Sender)> OnChange;

private:
    void ToolChanged();

    cairo_t* FHandle = nullptr;
    TFont FFont;
    TSolidBrush FBrush;
    TPen FPen;
};

} // namespace widgets
