// The glass-floor mirror under the about icon: the lower third of a premultiplied ARGB32
// picture, upside down, fading out downwards.
#pragma once

#include <cstdint>
#include <memory>

namespace elements {

// Rows of the mirror for a source H pixels high.
constexpr int MirrorHeight(int SourceHeight) {
    return SourceHeight > 0 ? SourceHeight / 3 : 0;
}

// Strength of mirror row R (0 directly under the source) out of Rows rows.
constexpr int MirrorRowStrength(int Row, int Rows) {
    return (Rows - 1 - Row) * 200 / Rows;
}

// One mirrored pixel: transparent where the source is, or where its transparency outweighs
// the row's strength; otherwise all four bytes scaled together, so it stays premultiplied.
std::uint32_t MirrorPixel(std::uint32_t Source, int Strength);

// Writes the mirror of a Width x Height source into Dest (Width x MirrorHeight(Height)).
// Strides are in pixels. Dest pixels that get no reflection are left untouched. A source drawn
// at Scale device pixels per logical one fades row by logical row, as at 1x.
void MirrorRows(const std::uint32_t* Source, int Width, int Height, int SourceStride,
                std::uint32_t* Dest, int DestStride, int Scale = 1);

} // namespace elements

namespace widgets {
class TBitmapEx;
}

namespace elements {

// The mirror of Source as a new bitmap of Source's width and a third of its height; null when
// that is empty (a source lower than 3 pixels) or Source has no pixels.
std::unique_ptr<widgets::TBitmapEx> BuildMirror(const widgets::TBitmapEx& Source);

} // namespace elements
