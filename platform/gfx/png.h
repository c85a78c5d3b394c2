// PNG pictures from memory, as the skin pictures, the icon and anything else the program decodes
// arrive: always in the one format the program draws with, premultiplied ARGB32.
#pragma once

#include "platform/gfx/owners.h"

#include <cstddef>

namespace platform {

// Decodes PNG bytes into a premultiplied ARGB32 image surface whatever kind of PNG they hold
// (cairo's reader gives RGB24 for opaque and grey pictures); null when the bytes are not a
// whole PNG or the picture is too large to hold.
TCairoSurfacePtr DecodePng(const void* data, std::size_t size);

} // namespace platform
