// shell/ is what the platform shows of its own: the popup menu, the message box, the tooltip
// service, the tray's icons and tips, the program's icons and the fonts. Its windows draw
// through this file, so read it first, then popup_menu.h.
//
// Drawing for those windows: an in-memory ARGB32 picture with cairo and Pango, handed to the
// window as a layered frame so that both display backends show it alike.
#pragma once

#include "platform/gfx/owners.h"
#include "platform/types.h"

#include <pango/pangocairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The plain light look shared by the painted windows.
constexpr std::uint32_t PAINT_FACE = 0xFFF2F2F2u;
constexpr std::uint32_t PAINT_WINDOW = 0xFFFFFFFFu;
constexpr std::uint32_t PAINT_FRAME = 0xFF979797u;
constexpr std::uint32_t PAINT_TEXT = 0xFF000000u;
constexpr std::uint32_t PAINT_GRAYED = 0xFF6D6D6Du;
constexpr std::uint32_t PAINT_HOT = 0xFFCCE8FFu;
constexpr std::uint32_t PAINT_HOT_FRAME = 0xFF99D1FFu;
constexpr std::uint32_t PAINT_ACCENT = 0xFF0078D7u;
constexpr const char* PAINT_FONT = "Sans 9";

// Text with "&" marks: the display text, and the position of the marked character (-1 when
// none). "&&" stands for one "&".
struct TMnemonicText {
    std::u16string Text;
    int Mark = -1;
    char16_t Key() const; // the marked character, lower-cased; 0 when none
};
TMnemonicText ParseMnemonic(const std::u16string& text);
char16_t FoldCase(char16_t c); // lower case for the mnemonic match, Turkish letters included

class TPaintBuffer {
public:
    TPaintBuffer(int width, int height);
    TPaintBuffer(const TPaintBuffer&) = delete;
    TPaintBuffer& operator=(const TPaintBuffer&) = delete;

    cairo_t* Cr() const { return Context.get(); }
    int Width() const { return W; }
    int Height() const { return H; }
    // Scale() x Scale() device pixels per logical one, rows of Width() x Scale().
    int Scale() const { return S; }
    const std::uint32_t* Pixels() const { return Data.data(); }

    void Fill(const TRect& r, std::uint32_t argb);
    void Frame(const TRect& r, std::uint32_t argb); // one-pixel outline inside r
    // A layout of the text in the shared font; wraps at wrapWidth when it is above 0; the
    // mnemonic (if any) is underlined.
    TPangoLayoutPtr Layout(const TMnemonicText& text, int wrapWidth = -1) const;
    static TPoint Measure(PangoLayout* layout); // logical width and height in pixels
    void Text(PangoLayout* layout, int x, int y, std::uint32_t argb);
    // Presents the picture on the window at its current place.
    bool Present(HWND hwnd) const;

private:
    void Source(std::uint32_t argb);
    int W, H, S;
    std::vector<std::uint32_t> Data;
    TCairoSurfacePtr Surface;
    TCairoPtr Context;
};

} // namespace platform
