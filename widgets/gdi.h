// The plain-window drawing tools (font, brush, pen, canvas) of controls that the platform
// paints itself, such as the tooltip and the tray icon's hidden window. They carry the values
// and change notifications; the platform draws those windows, so no engine object sits behind
// them and their handles stay 0.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "widgets/component.h"

namespace widgets {

// 0x00BBGGRR; the top bit set names a system colour by its low byte.
using TColor = std::uint32_t;

constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clWindow = 0x80000005;

// The current value of a system colour; other colours come back unchanged.
TColor ResolveSysColor(TColor Color);

class TGraphicObject : public TObject {
public:
    std::function<void(TObject* Sender)> OnChange;
    virtual void Assign(const TGraphicObject&) {}
    std::uintptr_t Handle() const { return 0; }

protected:
    void Changed() {
        if (OnChange)
            OnChange(this);
    }
};

class TPen : public TGraphicObject {
public:
    TColor Color() const { return FColor; }
    int Width() const { return FWidth; }
    int Style() const { return FStyle; }
    void SetColor(TColor Value);
    void SetWidth(int Value);
    void SetStyle(int Value);

private:
    TColor FColor = 0;
    int FStyle = 0;
    int FWidth = 0;
};

class TSolidBrush : public TGraphicObject {
public:
    TColor Color() const { return FColor; }
    int Style() const { return FStyle; }
    void SetColor(TColor Value);
    void SetStyle(int Value);
    void Assign(const TGraphicObject& Source) override;

private:
    TColor FColor = static_cast<TColor>(-1);
    int FStyle = 0;
};

// Style bits shared with the layered-canvas font: 1 bold, 2 italic, 4 underline, 8 strike-out.
class TFont : public TGraphicObject {
public:
    int Size() const { return FSize; }
    const std::u16string& Name() const { return FName; }
    int Style() const { return FStyle; }
    TColor Color() const { return FColor; }
    void SetSize(int Value);
    void SetName(const std::u16string& Value);
    void SetStyle(int Value);
    void SetColor(TColor Value);
    void Assign(const TGraphicObject& Source) override;

private:
    int FSize = 8;
    std::u16string FName = u"Tahoma";
    int FStyle = 0;
    TColor FColor = 0;
};

class TWinControl;

// The drawing tools a plain window paints with while its paint message runs.
class TCanvas : public TObject {
public:
    TCanvas();
    std::function<void(TObject* Sender)> OnChange;
    std::uintptr_t Handle = 0;
    TWinControl* Control = nullptr;
    TFont& Font() { return *FFont; }
    TSolidBrush& Brush() { return *FBrush; }
    TPen& Pen() { return *FPen; }

private:
    void Selected();
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TSolidBrush> FBrush;
    std::unique_ptr<TPen> FPen;
};

} // namespace widgets
