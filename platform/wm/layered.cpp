// Layered windows: the frames they present and the alpha that decides where they take input.
#include "platform/wm/wm_internal.h"

#include <algorithm>

namespace platform {

using namespace wm;

bool UpdateLayeredWindow(HWND hwnd, const TPoint* position, int width, int height,
                         const std::uint32_t* pixels, int stride, std::uint8_t alpha, DWORD flags,
                         int scale) {
    TWnd* w = Find(hwnd);
    if (!w || w->IsChild() || !(w->ExStyle & WS_EX_LAYERED) || !pixels || width <= 0 ||
        height <= 0 || scale < 1 || scale > static_cast<int>(MaxScale) ||
        stride < width * scale * 4) {
        return false;
    }
    const TPoint at = position ? *position : TPoint{w->Rect.Left, w->Rect.Top};
    if (at.X != w->Rect.Left || at.Y != w->Rect.Top || width != w->Rect.Width() ||
        height != w->Rect.Height()) {
        SetWindowPos(hwnd, 0, at.X, at.Y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        w = Find(hwnd);
        if (!w) {
            return false;
        }
    }
    const TFrameView frame{pixels, width * scale, height * scale, stride};
    const TRect bounds{w->Rect.Left, w->Rect.Top, w->Rect.Left + width, w->Rect.Top + height};
    const std::uint8_t constant = (flags & ULW_ALPHA) ? alpha : 255;
    if (!Display().PresentFrame(hwnd, bounds, frame, constant)) {
        return false;
    }
    // Every frame of a scroll or a fade passes here: rows are walked through plain pointers
    // the compiler can vectorise. Input is routed in logical pixels: one takes input where any
    // device pixel under it shows.
    // Every entry is written below except where device pixels are gathered into one.
    const std::size_t entries = static_cast<std::size_t>(width) * height;
    if (scale == 1 || (flags & ULW_OPAQUE))
        w->AlphaMask.resize(entries);
    else
        w->AlphaMask.assign(entries, 0);
    std::uint8_t* mask = w->AlphaMask.data();
    if (flags & ULW_OPAQUE) {
        std::fill(mask, mask + w->AlphaMask.size(), std::uint8_t{255});
    } else {
        for (int y = 0; y < height * scale; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(
                reinterpret_cast<const std::uint8_t*>(pixels) +
                static_cast<std::ptrdiff_t>(y) * stride);
            std::uint8_t* out = mask + static_cast<std::size_t>(y / scale) * width;
            if (scale == 1) {
                for (int x = 0; x < width; ++x)
                    out[x] = static_cast<std::uint8_t>(row[x] >> 24);
                continue;
            }
            for (int x = 0; x < width * scale; ++x)
                out[x / scale] = std::max(out[x / scale], static_cast<std::uint8_t>(row[x] >> 24));
        }
    }
    w->MaskWidth = width;
    w->MaskHeight = height;
    w->ConstantAlpha = constant;
    w->Presented = true;
    return true;
}

bool SetLayeredWindowAttributes(HWND hwnd, DWORD, std::uint8_t alpha, DWORD flags) {
    TWnd* w = Find(hwnd);
    if (!w || !(w->ExStyle & WS_EX_LAYERED)) {
        return false;
    }
    if (flags & LWA_ALPHA) {
        w->ConstantAlpha = alpha;
        w->AttributesSet = true;
        if (!w->IsChild()) {
            Display().SetSurfaceAlpha(hwnd, alpha);
        }
    }
    return true;
}

} // namespace platform
