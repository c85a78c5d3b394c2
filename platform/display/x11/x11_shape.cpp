#include "platform/display/x11/x11_shape.h"

namespace platform {

namespace {

void RowRuns(const TFrameView& frame, int y, std::uint32_t minAlpha,
             std::vector<std::pair<int, int>>& runs) {
    runs.clear();
    int x = 0;
    while (x < frame.Width) {
        while (x < frame.Width && (frame.Pixel(x, y) >> 24) < minAlpha) {
            ++x;
        }
        const int start = x;
        while (x < frame.Width && (frame.Pixel(x, y) >> 24) >= minAlpha) {
            ++x;
        }
        if (x > start) {
            runs.emplace_back(start, x);
        }
    }
}

} // namespace

std::vector<TRect> AlphaMaskRects(const TFrameView& frame, std::uint32_t minAlpha) {
    std::vector<TRect> rects;
    if (frame.Pixels == nullptr || frame.Width <= 0 || frame.Height <= 0) {
        return rects;
    }
    std::vector<std::pair<int, int>> band, row;
    int bandTop = 0;
    auto flush = [&](int bottom) {
        for (const auto& run : band) {
            rects.push_back(TRect{run.first, bandTop, run.second, bottom});
        }
    };
    for (int y = 0; y < frame.Height; ++y) {
        RowRuns(frame, y, minAlpha, row);
        if (y == 0 || row != band) {
            if (y > 0) {
                flush(y);
            }
            band.swap(row);
            bandTop = y;
        }
    }
    flush(frame.Height);
    return rects;
}

} // namespace platform
