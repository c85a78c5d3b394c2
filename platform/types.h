// The handful of plain types the whole program shares with the platform layer: handles,
// message parameters, points, rectangles and monitors, with the packing rules of mouse
// coordinates.
#pragma once

#include <cstdint>

namespace platform {

// Handles are plain numbers handed out by the window manager and never reused within a run.
using HWND = std::uintptr_t;
using HCURSOR = std::uintptr_t;
using HICON = std::uintptr_t;
using HMENU = std::uintptr_t;
using ATOM = std::uint16_t;

using UINT = std::uint32_t;
using DWORD = std::uint32_t;
// Wide enough to carry a pointer, as the creation data and position records need.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint& a, const TPoint& b) { return a.X == b.X && a.Y == b.Y; }
    friend bool operator!=(const TPoint& a, const TPoint& b) { return !(a == b); }
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    friend bool operator==(const TRect& a, const TRect& b) {
        return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
    }
    friend bool operator!=(const TRect& a, const TRect& b) { return !(a == b); }
};

// One monitor of the screen: where it lies, the part of it that panels leave free (its work
// area), and whether the desktop calls it the primary one.
struct TMonitor {
    TRect Bounds;
    TRect Work;
    bool Primary = false;
    friend bool operator==(const TMonitor& a, const TMonitor& b) {
        return a.Bounds == b.Bounds && a.Work == b.Work && a.Primary == b.Primary;
    }
    friend bool operator!=(const TMonitor& a, const TMonitor& b) { return !(a == b); }
};

// Pointer positions travel as two 16-bit halves of the low 32 bits, sign-extended on the way
// out, so positions left of or above a window stay negative.
constexpr LPARAM MakeLParam(int lo, int hi) {
    return static_cast<LPARAM>(static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(static_cast<std::uint16_t>(hi)) << 16) |
        static_cast<std::uint16_t>(lo)));
}
constexpr int GetXLParam(LPARAM lp) {
    return static_cast<std::int16_t>(lp & 0xFFFF);
}
constexpr int GetYLParam(LPARAM lp) {
    return static_cast<std::int16_t>((lp >> 16) & 0xFFFF);
}
constexpr unsigned LoWord(std::uintptr_t v) {
    return static_cast<unsigned>(v & 0xFFFF);
}
constexpr unsigned HiWord(std::uintptr_t v) {
    return static_cast<unsigned>((v >> 16) & 0xFFFF);
}

} // namespace platform
