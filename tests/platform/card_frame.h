// What the platform tests present on layered windows, on the headless screen and on X alike.
#pragma once

#include "platform/window_manager.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platformtest {

// A frame with a transparent margin around an opaque card, and a half-transparent strip.
struct TCardFrame {
    static constexpr std::uint32_t Card = 0xFF2040C0u;
    static constexpr std::uint32_t HalfCard = 0x80102060u; // the same colour at alpha 128
    int Width, Height, Margin;
    std::vector<std::uint32_t> Pixels;

    TCardFrame(int width, int height, int margin)
        : Width(width), Height(height), Margin(margin),
          Pixels(static_cast<std::size_t>(width) * height, 0) {
        for (int y = margin; y < height - margin; ++y)
            for (int x = margin; x < width - margin; ++x)
                Pixels[static_cast<std::size_t>(y) * width + x] = y < margin + 10 ? HalfCard : Card;
    }
};

// Registers a window class of the given procedure (again is harmless: the first one stays).
inline void RegisterProc(const char16_t* name, platform::WNDPROC proc) {
    platform::TWndClass wc;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    platform::RegisterClass(wc);
}

// A layered tool window of the class at (x, y), shown and presenting the frame; 0 when it could
// not be made or the frame not presented.
inline platform::HWND ShowCard(const char16_t* cls, int x, int y, const TCardFrame& frame,
                               std::uint8_t alpha = 255, int show = platform::SW_SHOW) {
    using namespace platform;
    const HWND hwnd = CreateWindowEx(WS_EX_LAYERED | WS_EX_TOOLWINDOW, cls, u"minipelikora",
                                     WS_POPUP, x, y, frame.Width, frame.Height, 0, 0, nullptr);
    ShowWindow(hwnd, show);
    const TPoint at{x, y};
    return UpdateLayeredWindow(hwnd, &at, frame.Width, frame.Height, frame.Pixels.data(),
                               frame.Width * 4, alpha)
               ? hwnd
               : 0;
}

} // namespace platformtest
