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
    // Input is routed in logical pixels: one takes input where any device pixel under it shows.
    w->AlphaMask.assign(static_cast<std::size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t& mask = w->AlphaMask[static_cast<std::size_t>(y) * width + x];
            if (flags & ULW_OPAQUE) {
                mask = 255;
                continue;
            }
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    const auto a = static_cast<std::uint8_t>(
                        frame.Pixel(x * scale + dx, y * scale + dy) >> 24);
                    mask = std::max(mask, a);
                }
            }
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
