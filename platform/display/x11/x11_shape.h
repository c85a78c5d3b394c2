// Turning a frame's alpha channel into the rectangles of an X shape region. Kept apart from the
// backend so it can be checked without a server.
#pragma once

#include "platform/display.h"

#include <cstdint>
#include <vector>

namespace platform {

// The pixels whose alpha is at least minAlpha (by default: not 0), as rectangles sorted by row
// bands and then by x: each row is cut into runs, and consecutive rows with exactly the same runs
// share one band, which keeps a rounded card down to a few dozen rectangles.
std::vector<TRect> AlphaMaskRects(const TFrameView& frame, std::uint32_t minAlpha = 1);

} // namespace platform
