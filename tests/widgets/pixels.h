// Pixel helpers shared by the bitmap, canvas and text tests.
#pragma once

#include "widgets/bitmap.h"

#include <cstdint>
#include <vector>

inline std::vector<std::uint32_t> Pixels(const widgets::TBitmapEx& b) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            out.push_back(b.GetPixel(x, y));
    return out;
}

// Sets every pixel of b to ColourAt(x, y).
template <class F> void Fill(widgets::TBitmapEx& b, F ColourAt) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.SetPixel(x, y, static_cast<std::uint32_t>(ColourAt(x, y)));
}

inline void Fill(widgets::TBitmapEx& b, std::uint32_t v) {
    Fill(b, [v](int, int) { return v; });
}

inline std::uint32_t Channel(std::uint32_t p, int shift) {
    return (p >> shift) & 0xFF;
}

// No colour byte above alpha.
inline bool ValidPremultiplied(std::uint32_t p) {
    const auto a = Channel(p, 24);
    return Channel(p, 16) <= a && Channel(p, 8) <= a && Channel(p, 0) <= a;
}
