// TControlEx: a painted element. It keeps its own 32-bit canvas the size of its window, paints
// into it, lets its children (bottom of the z-order first) paint and compose onto it, and is
// then composed onto its parent's canvas with its Opacity. The element window itself only
// serves hit testing, z-order and input; nothing paints it natively.
#pragma once

#include <cstdint>
#include <memory>

#include "widgets/canvas.h"
#include "widgets/control.h"

namespace widgets {

class TControlEx : public TControl {
public:
    explicit TControlEx(TComponent* AOwner) : TControlEx(AOwner, u"TControlEx") {}
    ~TControlEx() override;

    TCanvasEx& Canvas() { return *FCanvas; }
    TFontEx& Font() { return FCanvas->Font(); }

    std::uint8_t Opacity() const { return FOpacity; }
    // Stores only; the new opacity shows with the next composition.
    void SetOpacity(std::uint8_t Value) { FOpacity = Value; }

    // Kept for element classes that want it; the toolkit does not use it.
    int Blur = 0;

    TNotifyEvent OnPaint;

    // Paints (as Redraw, Cached and Locked allow), repaints the visible children bottom-up and
    // composes the result onto the parent. Does nothing before the window exists or when
    // entered again for the same element.
    void Repaint() override;
    void Refresh() override {}
    // Draws the canvas onto the parent's canvas at Left, Top with Opacity.
    void UpdateLayer() override;
    // Forwards to the parent; the window at the top of the chain repaints.
    void Update() override;

    // Clears the canvas and fires OnPaint; element classes draw their content here.
    virtual void Paint();
    // The desktop's scale changed: a canvas at the new render scale, to be painted afresh, here
    // and in every child element. Elements that keep pictures of their own take them again for
    // the new scale.
    virtual void ScaleChanged();

protected:
    TControlEx(TComponent* AOwner, const char16_t* AClassName);

    void CreateWnd() override;
    void WMSize(TWidgetMessage& Message) override;
    void PaintChildren();
    // Gives the canvas the window's size. An element whose window is much taller than what can
    // ever be seen of it may keep a smaller canvas instead, placed at CanvasTop.
    virtual void FitCanvas();

    // The window row the canvas's first row stands for.
    int FCanvasTop = 0;

private:
    bool FBusy = false;
    std::unique_ptr<TCanvasEx> FCanvas;
    std::uint8_t FOpacity = 255;
};

} // namespace widgets
