#include "elements/scrollbar.h"

#include "elements/content.h"
#include "platform/window_manager.h"

namespace elements {

using namespace widgets;

void TPictureElement::Paint() {
    // A skin picture usually covers its element: it then replaces the canvas instead of being
    // drawn over a cleared one, the same pixels written once.
    if (FPicture && !OnPaint && FPicture->Width() >= Canvas().Width() &&
        FPicture->Height() >= Canvas().Height()) {
        Canvas().Replace(*FPicture);
        return;
    }
    TControlEx::Paint();
    if (FPicture)
        Canvas().Draw(*FPicture, 0, 0);
}

void TThumbEx::WMButtonDown(TWidgetMessage& Message) {
    platform::SetCapture(Handle());
    SetFocus();
    TPictureElement::WMButtonDown(Message);
}

void TThumbEx::WMButtonUp(TWidgetMessage& Message) {
    platform::ReleaseCapture();
    TPictureElement::WMButtonUp(Message);
}

TScrollGeometry ReadGeometry(const TContainerEx& Viewport) {
    TScrollGeometry g;
    g.ListTop = Viewport.List->Top();
    g.ListHeight = Viewport.List->Height();
    g.ContainerHeight = Viewport.Height();
    g.TrackHeight = Viewport.Scroller->Height();
    g.ThumbTop = Viewport.Thumb->Top();
    g.ThumbHeight = Viewport.Thumb->Height();
    g.TrackVisible = Viewport.Scroller->Visible();
    return g;
}

void ApplyGeometry(TContainerEx& Viewport, const TScrollGeometry& G) {
    if (Viewport.List->Top() != G.ListTop)
        Viewport.List->SetTop(G.ListTop);
    if (Viewport.Thumb->Top() != G.ThumbTop)
        Viewport.Thumb->SetTop(G.ThumbTop);
    if (Viewport.Scroller->Visible() != G.TrackVisible)
        Viewport.Scroller->SetVisible(G.TrackVisible);
}

namespace {

int PointerScreenY() {
    platform::TPoint p{};
    platform::GetCursorPos(&p);
    return p.Y;
}

template <class Rule> void Apply(TContainerEx& Viewport, Rule rule) {
    TScrollGeometry g = ReadGeometry(Viewport);
    const TScrollResult r = rule(g);
    ApplyGeometry(Viewport, g);
    if (r.ReleaseCapture)
        platform::ReleaseCapture();
    if (r.Repaint)
        Viewport.Update();
}

} // namespace

void ScrollList(TContainerEx& Viewport, TScrollState& S, int Delta) {
    Apply(Viewport, [&](TScrollGeometry& g) { return Scroll(g, S, Delta); });
}

void UpdateScrollBar(TContainerEx& Viewport, TScrollState& S) {
    Apply(Viewport, [&](TScrollGeometry& g) { return UpdateScrollBar(g, S); });
}

void TrackMouseDown(TContainerEx& Viewport, TScrollState& S, int Y) {
    Apply(Viewport, [&](TScrollGeometry& g) { return TrackMouseDown(g, S, Y); });
}

void ThumbMouseDown(TContainerEx& Viewport, TScrollState& S, int Keys) {
    ThumbMouseDown(ReadGeometry(Viewport), S, Keys, PointerScreenY());
}

void ThumbDrag(TContainerEx& Viewport, TScrollState& S, int Keys) {
    const int y = PointerScreenY();
    Apply(Viewport, [&](TScrollGeometry& g) { return ThumbDrag(g, S, Keys, y); });
}

void ScrollKeyDown(TContainerEx& Viewport, TScrollState& S, int Key) {
    Apply(Viewport, [&](TScrollGeometry& g) { return ScrollKeyDown(g, S, Key); });
}

void WheelScroll(TContainerEx& Viewport, TScrollState& S, int WheelDelta) {
    Apply(Viewport, [&](TScrollGeometry& g) { return WheelScroll(g, S, WheelDelta); });
}

} // namespace elements
