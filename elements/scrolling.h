// The scrolling rules of the news list: how the list, the track and the thumb move for a
// scroll step, a press on the track or the thumb, a thumb drag, a key and the wheel. They work
// on a plain snapshot of the four elements' geometry so they can be reasoned about (and tested)
// without any window; scrollbar.h applies them to the real elements.
#pragma once

#include <cstdint>

#include "platform/messages.h"

namespace elements {

// Far enough to reach either end of any list.
constexpr int ScrollToTop = 0x3FFFFFFF;
constexpr int ScrollToEnd = -0x3FFFFFFF;
constexpr int KeyScrollStep = 10;

// Where the four parts stand; the functions below read and move these numbers only.
struct TScrollGeometry {
    int ListTop = 0;
    int ListHeight = 0;
    int ContainerHeight = 0;
    int TrackHeight = 0; // also the height of the thumb's parent
    int ThumbTop = 0;
    int ThumbHeight = 0;
    bool TrackVisible = false;
};

// The main window's drag anchors and ratio, kept between events.
struct TScrollState {
    int DragStartY = 0;
    int DragStartThumbTop = 0;
    float ScrollRatio = 0.0f; // list pixels per thumb pixel
};

// What the caller has to do after an operation.
struct TScrollResult {
    bool Repaint = false;
    bool ReleaseCapture = false;
};

// Rounds to the nearest integer, halves to the even neighbour.
int RoundEven(double Value);

// List pixels per thumb pixel, in single precision.
float ComputeScrollRatio(const TScrollGeometry& G);

// Moves the list by Delta (positive = towards its top), clamped to its range; the thumb follows.
// Nothing changes, and nothing needs repainting, when the list would not move.
TScrollResult Scroll(TScrollGeometry& G, TScrollState& S, int Delta);

// A press on the track at Y (track coordinates) pages towards the side of the thumb it hit.
TScrollResult TrackMouseDown(TScrollGeometry& G, TScrollState& S, int Y);

// A left press on the thumb anchors a drag at the pointer's screen Y.
void ThumbMouseDown(const TScrollGeometry& G, TScrollState& S, int Keys, int ScreenY);

// A left-button move while the thumb holds the capture: the thumb follows the pointer and the
// list follows the thumb.
TScrollResult ThumbDrag(TScrollGeometry& G, const TScrollState& S, int Keys, int ScreenY);

// Page, Home/End and the arrow keys; any other key does nothing.
TScrollResult ScrollKeyDown(TScrollGeometry& G, TScrollState& S, int Key);

// One wheel notch (120) scrolls 60 pixels.
TScrollResult WheelScroll(TScrollGeometry& G, TScrollState& S, int WheelDelta);

// After a new layout: the track shows exactly when the list is taller than its container; a
// hidden track puts everything back at the top and ends any drag.
TScrollResult UpdateScrollBar(TScrollGeometry& G, TScrollState& S);

} // namespace elements
