#include "app/placement.h"

#include "platform/sys/workarea.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace app {

using namespace platform;

namespace {

// No screen reaches this far from the origin (X coordinates end at 32767); a stored position
// beyond it is brought this close first, so that nothing below can overflow.
constexpr int FarOff = 1 << 24;

bool Empty(const TRect& R) {
    return R.Right <= R.Left || R.Bottom <= R.Top;
}

TRect Intersect(const TRect& A, const TRect& B) {
    return TRect{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
                 std::min(A.Bottom, B.Bottom)};
}

std::int64_t Area(const TRect& R) {
    return Empty(R) ? 0 : static_cast<std::int64_t>(R.Width()) * R.Height();
}

// The part of Window inside any work area; overlapping monitors (a mirrored one) count once.
std::int64_t VisibleArea(const TRect& Window, const std::vector<TMonitor>& Monitors) {
    std::vector<TRect> parts;
    std::vector<int> xs{Window.Left, Window.Right}, ys{Window.Top, Window.Bottom};
    for (const TMonitor& m : Monitors) {
        const TRect part = Intersect(Window, m.Work);
        if (!Empty(part)) {
            parts.push_back(part);
            xs.insert(xs.end(), {part.Left, part.Right});
            ys.insert(ys.end(), {part.Top, part.Bottom});
        }
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    std::int64_t area = 0;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i)
        for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
            const TRect cell{xs[i], ys[j], xs[i + 1], ys[j + 1]};
            if (Empty(cell))
                continue;
            for (const TRect& part : parts)
                if (Intersect(cell, part) == cell) {
                    area += Area(cell);
                    break;
                }
        }
    return area;
}

// Where a span of Size starting at Pos lies wholly inside [Low, High), moved as little as
// possible; at Low when it does not fit, so the widget's top and left (its header) stay in view.
int Fit(int Pos, int Size, int Low, int High) {
    if (High - Low <= Size)
        return Low;
    return std::clamp(Pos, Low, High - Size);
}

// The same place relative to the room a span has to move in: from [From, FromEnd) to
// [Low, High).
int Relative(int Pos, int Size, int From, int FromEnd, int Low, int High) {
    const double room = static_cast<double>(FromEnd - From - Size);
    const double share =
        room > 0 ? std::clamp((static_cast<double>(Pos) - From) / room, 0.0, 1.0) : 0.0;
    const int target = std::max(0, High - Low - Size);
    return Fit(Low + static_cast<int>(std::lround(share * target)), Size, Low, High);
}

} // namespace

TPoint KeepOnScreen(const TRect& Window, const std::vector<TMonitor>& Monitors, const TRect* Home) {
    const TPoint now{Window.Left, Window.Top};
    if (Monitors.empty() || 2 * VisibleArea(Window, Monitors) >= Area(Window))
        return now;
    const TMonitor& target = Monitors[ChooseMonitor(Monitors, Window)];
    const TRect area = Empty(target.Work) ? target.Bounds : target.Work;
    const int w = Window.Width(), h = Window.Height();
    if (Home && !Empty(*Home) && 2 * Area(Intersect(Window, *Home)) >= Area(Window))
        return TPoint{Relative(Window.Left, w, Home->Left, Home->Right, area.Left, area.Right),
                      Relative(Window.Top, h, Home->Top, Home->Bottom, area.Top, area.Bottom)};
    return TPoint{Fit(Window.Left, w, area.Left, area.Right),
                  Fit(Window.Top, h, area.Top, area.Bottom)};
}

TPoint PlaceStoredPosition(int Left, int Top, int Width, int Height,
                           const std::vector<TMonitor>& Monitors) {
    const int left = std::clamp(Left, -FarOff, FarOff);
    const int top = std::clamp(Top, -FarOff, FarOff);
    return KeepOnScreen(TRect{left, top, left + Width, top + Height}, Monitors);
}

} // namespace app
