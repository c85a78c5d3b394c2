// What the platform tests present on layered windows, on the headless screen and on X alike.
#pragma once

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
        for (int y = margin; y < height - margin; ++y) {
            for (int x = margin; x < width - margin; ++x)
                Pixels[static_cast<std::size_t>(y) * width + x] = y < margin + 10 ? HalfCard : Card;
        }
    }
};

} // namespace platformtest
