#include "platform/sys/workarea.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace platform {

namespace {

constexpr TRect DefaultScreen{0, 0, 1024, 768};

std::function<std::vector<TMonitor>()>& MonitorSource() {
    static std::function<std::vector<TMonitor>()> source;
    return source;
}

// Wide arithmetic throughout: a rectangle may come from a stored position far off any screen.
std::int64_t Overlap(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) {
    return std::max<std::int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

std::int64_t Gap(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) {
    return std::max<std::int64_t>({0, b0 - a1, a0 - b1});
}

} // namespace

std::vector<TMonitor> GetMonitors() {
    const auto& source = MonitorSource();
    std::vector<TMonitor> monitors;
    if (source) {
        monitors = source();
    }
    if (monitors.empty()) {
        monitors.push_back(TMonitor{DefaultScreen, DefaultScreen, true});
    }
    return monitors;
}

TMonitor GetPrimaryMonitor() {
    const auto monitors = GetMonitors();
    for (const auto& m : monitors) {
        if (m.Primary) {
            return m;
        }
    }
    return monitors.front();
}

TRect GetWorkArea() {
    return GetPrimaryMonitor().Work;
}

TMonitor MonitorFromRect(const TRect& Rect) {
    const auto monitors = GetMonitors();
    return monitors[ChooseMonitor(monitors, Rect)];
}

std::size_t ChooseMonitor(const std::vector<TMonitor>& Monitors, const TRect& Rect) {
    std::size_t most = Monitors.size();
    std::int64_t mostArea = 0;
    std::size_t nearest = 0;
    double nearestDistance = -1;
    for (std::size_t i = 0; i < Monitors.size(); ++i) {
        const TRect& b = Monitors[i].Bounds;
        const std::int64_t area = Overlap(Rect.Left, Rect.Right, b.Left, b.Right) *
                                  Overlap(Rect.Top, Rect.Bottom, b.Top, b.Bottom);
        if (area > mostArea) {
            mostArea = area;
            most = i;
        }
        // Squared in floating point: the gaps of a far-off rectangle overflow when squared.
        const double dx = static_cast<double>(Gap(Rect.Left, Rect.Right, b.Left, b.Right));
        const double dy = static_cast<double>(Gap(Rect.Top, Rect.Bottom, b.Top, b.Bottom));
        const double distance = dx * dx + dy * dy;
        if (nearestDistance < 0 || distance < nearestDistance) {
            nearestDistance = distance;
            nearest = i;
        }
    }
    return most < Monitors.size() ? most : nearest;
}

void SetMonitorSource(std::function<std::vector<TMonitor>()> Source) {
    MonitorSource() = std::move(Source);
}

void SetWorkAreaSource(std::function<TRect()> Source) {
    if (!Source) {
        SetMonitorSource(nullptr);
        return;
    }
    SetMonitorSource([Source = std::move(Source)] {
        const TRect work = Source();
        const TRect screen{0, 0, std::max(work.Right, 0), std::max(work.Bottom, 0)};
        return std::vector<TMonitor>{TMonitor{screen, work, true}};
    });
}

} // namespace platform
