// Icons behind HICON handles, and the icons of windows (WM_SETICON), which the window's surface
// shows.
#include "platform/wm/wm_internal.h"

#include <map>

namespace platform {
namespace wm {
namespace {

struct TIcon {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
};

std::map<HICON, TIcon>& Icons() {
    static std::map<HICON, TIcon> icons;
    return icons;
}
HICON NextIcon = 0x40000;

// The surface gets the big icon and then the small one, each once.
void ShowIcons(const TWnd& w) {
    std::vector<TFrameView> images;
    TFrameView frame;
    if (GetIconFrame(w.BigIcon, &frame)) {
        images.push_back(frame);
    }
    if (w.SmallIcon != w.BigIcon && GetIconFrame(w.SmallIcon, &frame)) {
        images.push_back(frame);
    }
    Display().SetSurfaceIcon(w.Handle, images);
}

} // namespace

HICON SetWindowIcon(TWnd& w, WPARAM kind, HICON icon) {
    if (kind != ICON_BIG && kind != ICON_SMALL) {
        return 0;
    }
    HICON& slot = kind == ICON_BIG ? w.BigIcon : w.SmallIcon;
    const HICON previous = slot;
    slot = icon;
    if (!w.IsChild()) {
        ShowIcons(w);
    }
    return previous;
}

HICON WindowIcon(const TWnd& w, WPARAM kind) {
    switch (kind) {
    case ICON_BIG:
        return w.BigIcon;
    case ICON_SMALL:
        return w.SmallIcon;
    case ICON_SMALL2:
        return w.SmallIcon != 0 ? w.SmallIcon : w.BigIcon;
    default:
        return 0;
    }
}

} // namespace wm

using namespace wm;

HICON CreateIconFromPixels(int width, int height, const std::uint32_t* pixels) {
    if (width <= 0 || height <= 0 || pixels == nullptr) {
        return 0;
    }
    TIcon icon;
    icon.Width = width;
    icon.Height = height;
    icon.Pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
    const HICON h = NextIcon++;
    Icons()[h] = std::move(icon);
    return h;
}

bool DestroyIcon(HICON icon) {
    return Icons().erase(icon) != 0;
}

bool GetIconFrame(HICON icon, TFrameView* frame) {
    auto it = Icons().find(icon);
    if (it == Icons().end() || frame == nullptr) {
        return false;
    }
    frame->Pixels = it->second.Pixels.data();
    frame->Width = it->second.Width;
    frame->Height = it->second.Height;
    frame->Stride = it->second.Width * 4;
    return true;
}

} // namespace platform
