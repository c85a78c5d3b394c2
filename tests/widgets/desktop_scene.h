// What the toolkit's desktop tests share, headless and on the X tray: a painted block, solid icons
// and a log of a tray icon's events.
#pragma once

#include "platform/window_manager.h"
#include "widgets/controlex.h"
#include "widgets/trayicon.h"

#include <cairo.h>

#include <string>
#include <vector>

namespace desktoptest {

using namespace platform;
using namespace widgets;

// An element painted in one opaque colour.
class TBlock : public TControlEx {
public:
    using TControlEx::TControlEx;
    void Paint() override {
        TControlEx::Paint();
        cairo_t* cr = Canvas().Context();
        cairo_set_source_rgb(cr, 0.1, 0.3, 0.8);
        cairo_paint(cr);
        cairo_surface_flush(cairo_get_target(cr));
    }
};

inline HICON SolidIcon(std::uint32_t argb, int size = 16) {
    std::vector<std::uint32_t> px(static_cast<std::size_t>(size) * size, argb);
    return CreateIconFromPixels(size, size, px.data());
}

struct TTrayLog {
    std::vector<std::string> Events;
    void Attach(TTrayIcon& tray) {
        tray.OnMouseDown = [this](TObject*, int keys, int, int) {
            Events.push_back("down" + std::to_string(keys));
        };
        tray.OnMouseUp = [this](TObject*, int keys, int, int) {
            Events.push_back("up" + std::to_string(keys));
        };
        tray.OnClick = [this](TObject*) { Events.push_back("click"); };
        tray.OnDblClick = [this](TObject*) { Events.push_back("dbl"); };
        tray.OnBalloonAction = [this](TObject*, int action) {
            Events.push_back("balloon" + std::to_string(action));
        };
    }
};

} // namespace desktoptest
