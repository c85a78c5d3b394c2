#include "elements/scrolling.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace elements {

using namespace platform;

int RoundEven(double Value) {
    // nearbyint follows the default rounding mode, which is to nearest with ties to even.
    const double r = std::nearbyint(Value);
    if (!(r >= std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (r > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<int>(r);
}

float ComputeScrollRatio(const TScrollGeometry& G) {
    return static_cast<float>(G.ListHeight - G.ContainerHeight) /
           static_cast<float>(G.TrackHeight - G.ThumbHeight);
}

namespace {

int ThumbTravel(const TScrollGeometry& G) {
    return G.TrackHeight - G.ThumbHeight;
}

} // namespace

TScrollResult Scroll(TScrollGeometry& G, TScrollState& S, int Delta) {
    // 64-bit so that the "to the end" steps cannot overflow with any list position.
    long long newTop = static_cast<long long>(G.ListTop) + Delta;
    const long long lowest = static_cast<long long>(G.ContainerHeight) - G.ListHeight;
    if (newTop < lowest)
        newTop = lowest;
    if (newTop > 0)
        newTop = 0;
    if (newTop == G.ListTop)
        return {};
    G.ListTop = static_cast<int>(newTop);
    S.ScrollRatio = ComputeScrollRatio(G);
    // A list no taller than its container (ratio 0, or a degenerate track) has nowhere to
    // scroll; the thumb belongs at the top rather than at a division by zero.
    int thumbTop = 0;
    if (S.ScrollRatio > 0.0f && std::isfinite(S.ScrollRatio))
        thumbTop = -RoundEven(static_cast<double>(G.ListTop) / S.ScrollRatio);
    if (thumbTop >= 0 && thumbTop <= ThumbTravel(G))
        G.ThumbTop = thumbTop;
    return {true, false};
}

TScrollResult TrackMouseDown(TScrollGeometry& G, TScrollState& S, int Y) {
    if (Y <= G.ThumbTop)
        return Scroll(G, S, G.ContainerHeight);
    if (Y >= G.ThumbTop + G.ThumbHeight)
        return Scroll(G, S, -G.ContainerHeight);
    return {};
}

void ThumbMouseDown(const TScrollGeometry& G, TScrollState& S, int Keys, int ScreenY) {
    if (!(Keys & MK_LBUTTON))
        return;
    S.DragStartY = ScreenY;
    S.DragStartThumbTop = G.ThumbTop;
    S.ScrollRatio = ComputeScrollRatio(G);
}

TScrollResult ThumbDrag(TScrollGeometry& G, const TScrollState& S, int Keys, int ScreenY) {
    if (!(Keys & MK_LBUTTON))
        return {};
    const int oldListTop = G.ListTop;
    long long t = static_cast<long long>(S.DragStartThumbTop) + ScreenY - S.DragStartY;
    if (t < 0)
        t = 0;
    if (t > ThumbTravel(G))
        t = ThumbTravel(G);
    G.ThumbTop = static_cast<int>(t);
    int b = 0;
    if (std::isfinite(S.ScrollRatio))
        b = RoundEven(static_cast<double>(t) * S.ScrollRatio);
    G.ListTop = -std::min(G.ListHeight - G.ContainerHeight, b);
    return {G.ListTop != oldListTop, false};
}

TScrollResult ScrollKeyDown(TScrollGeometry& G, TScrollState& S, int Key) {
    switch (Key) {
    case VK_PRIOR:
        return Scroll(G, S, G.ContainerHeight);
    case VK_NEXT:
        return Scroll(G, S, -G.ContainerHeight);
    case VK_END:
        return Scroll(G, S, ScrollToEnd);
    case VK_HOME:
        return Scroll(G, S, ScrollToTop);
    case VK_LEFT:
    case VK_UP:
        return Scroll(G, S, KeyScrollStep);
    case VK_RIGHT:
    case VK_DOWN:
        return Scroll(G, S, -KeyScrollStep);
    default:
        return {};
    }
}

TScrollResult WheelScroll(TScrollGeometry& G, TScrollState& S, int WheelDelta) {
    return Scroll(G, S, WheelDelta / 2);
}

TScrollResult UpdateScrollBar(TScrollGeometry& G, TScrollState& S) {
    G.TrackVisible = G.ContainerHeight < G.ListHeight;
    TScrollResult r{true, false};
    if (!G.TrackVisible) {
        G.ListTop = 0;
        G.ThumbTop = 0;
        S.DragStartY = 0;
        S.DragStartThumbTop = 0;
        r.ReleaseCapture = true;
    }
    return r;
}

} // namespace elements
