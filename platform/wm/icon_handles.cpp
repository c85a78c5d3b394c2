// Icons behind HICON handles, and the icons of windows (WM_SETICON), which the window's surface
// shows.
#include "platform/wm/wm_internal.h"

#include <algorithm>
#include <map>

namespace platform {
namespace wm {
namespace {

struct TPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
};
using TIcon = std::vector<TPicture>; // smallest first, never empty

std::map<HICON, TIcon>& Icons() {
    static std::map<HICON, TIcon> icons;
    return icons;
}
HICON NextIcon = 0x40000;

// The surface gets every picture of the big icon and then of the small one, each icon once.
void ShowIcons(const TWnd& w) {
    std::vector<TFrameView> images, frames;
    if (GetIconFrames(w.BigIcon, &frames)) {
        images = frames;
    }
    if (w.SmallIcon != w.BigIcon && GetIconFrames(w.SmallIcon, &frames)) {
        images.insert(images.end(), frames.begin(), frames.end());
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
    return CreateIconFromFrames({TFrameView{pixels, width, height, width * 4}});
}

HICON CreateIconFromFrames(const std::vector<TFrameView>& frames) {
    TIcon icon;
    for (const TFrameView& f : frames) {
        if (f.Pixels == nullptr || f.Width <= 0 || f.Height <= 0 || f.Stride < f.Width * 4) {
            continue;
        }
        TPicture p;
        p.Width = f.Width;
        p.Height = f.Height;
        p.Pixels.reserve(static_cast<std::size_t>(f.Width) * f.Height);
        for (int y = 0; y < f.Height; ++y) {
            for (int x = 0; x < f.Width; ++x) {
                p.Pixels.push_back(f.Pixel(x, y));
            }
        }
        icon.push_back(std::move(p));
    }
    if (icon.empty()) {
        return 0;
    }
    std::stable_sort(icon.begin(), icon.end(), [](const TPicture& a, const TPicture& b) {
        return a.Width * a.Height < b.Width * b.Height;
    });
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
    const TPicture& biggest = it->second.back();
    *frame = TFrameView{biggest.Pixels.data(), biggest.Width, biggest.Height, biggest.Width * 4};
    return true;
}

bool GetIconFrames(HICON icon, std::vector<TFrameView>* frames) {
    auto it = Icons().find(icon);
    if (it == Icons().end() || frames == nullptr) {
        return false;
    }
    frames->clear();
    for (const TPicture& p : it->second) {
        frames->push_back(TFrameView{p.Pixels.data(), p.Width, p.Height, p.Width * 4});
    }
    return true;
}

} // namespace platform
