// Icons: premultiplied ARGB32 pictures behind HICON handles, made from pixels or from the
// program's icon resource. The tray shows them. Window thread only.
#pragma once

#include "platform/display.h"
#include "platform/messages.h"

#include <cstdint>
#include <vector>

namespace platform {

HICON CreateIconFromPixels(int width, int height, const std::uint32_t* pixels); // 0 when empty
// The icon resource decoded from its PNG; 0 when the program has no such icon.
HICON LoadIcon(HINSTANCE instance, int resourceId);
bool DestroyIcon(HICON icon);
// A view of the icon's pixels, valid until the icon is destroyed; false for no icon.
bool GetIconFrame(HICON icon, TFrameView* frame);

} // namespace platform
