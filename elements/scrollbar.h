// The scroll bar of the news list: the clipping container, the track and the thumb, and the
// scrolling operations the main window wires to their events. The rules themselves are in
// scrolling.h; the functions here read the four elements, apply a rule and write the result back,
// repainting the window when something moved.
#pragma once

#include <memory>

#include "elements/scrolling.h"
#include "widgets/bitmap.h"
#include "widgets/controlex.h"

namespace elements {

class TContentEx;

// An element that draws one owned picture at its origin.
class TPictureElement : public widgets::TControlEx {
public:
    widgets::TBitmapEx* Picture() const { return FPicture.get(); }
    // Frees the previous picture.
    void SetPicture(std::unique_ptr<widgets::TBitmapEx> Bitmap) { FPicture = std::move(Bitmap); }
    void Paint() override;
    void ScaleChanged() override {
        widgets::RescalePicture(FPicture);
        TControlEx::ScaleChanged();
    }

protected:
    TPictureElement(widgets::TComponent* AOwner, const char16_t* AClassName)
        : TControlEx(AOwner, AClassName) {}

private:
    std::unique_ptr<widgets::TBitmapEx> FPicture;
};

// The scroll track.
class TScrollerEx : public TPictureElement {
public:
    explicit TScrollerEx(widgets::TComponent* AOwner) : TPictureElement(AOwner, u"TScrollerEx") {}
};

// The thumb keeps the mouse while its button is down, so a drag follows the pointer anywhere.
class TThumbEx : public TPictureElement {
public:
    explicit TThumbEx(widgets::TComponent* AOwner) : TPictureElement(AOwner, u"TThumbEx") {}

protected:
    void WMButtonDown(widgets::TWidgetMessage& Message) override;
    void WMButtonUp(widgets::TWidgetMessage& Message) override;
};

// The frame the list scrolls in; it draws nothing itself. The parts are the main window's,
// which owns every element; the container only knows them.
class TContainerEx : public widgets::TControlEx {
public:
    explicit TContainerEx(widgets::TComponent* AOwner) : TControlEx(AOwner, u"TContainerEx") {}

    TScrollerEx* Scroller = nullptr;
    TContentEx* List = nullptr;
    TThumbEx* Thumb = nullptr;
};

// The four parts' geometry as the rules see it. All three parts must be set.
TScrollGeometry ReadGeometry(const TContainerEx& Viewport);
// Moves the list and the thumb (and shows or hides the track) to match G.
void ApplyGeometry(TContainerEx& Viewport, const TScrollGeometry& G);

// The main window's scrolling operations over its viewport and its scroll state. Each moves
// what the rule moves and repaints the window when anything changed.
void ScrollList(TContainerEx& Viewport, TScrollState& S, int Delta);
void UpdateScrollBar(TContainerEx& Viewport, TScrollState& S);
// Y in the track's coordinates.
void TrackMouseDown(TContainerEx& Viewport, TScrollState& S, int Y);
// Both take the pointer's screen position, so a captured drag follows it outside the thumb.
void ThumbMouseDown(TContainerEx& Viewport, TScrollState& S, int Keys);
void ThumbDrag(TContainerEx& Viewport, TScrollState& S, int Keys);
void ScrollKeyDown(TContainerEx& Viewport, TScrollState& S, int Key);
void WheelScroll(TContainerEx& Viewport, TScrollState& S, int WheelDelta);

} // namespace elements
