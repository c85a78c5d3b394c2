// Shared setup for the toolkit tests: a fresh headless screen per test, a layered window at a
// known screen position, solid-colour elements and an event log.
#pragma once

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/display/headless/headless_display.h"
#include "platform/window_manager.h"
#include "widgets/controlex.h"
#include "widgets/windowex.h"

namespace toolkit_test {

// An element that fills itself with one premultiplied colour and counts its paints.
class TSolid : public widgets::TControlEx {
public:
    explicit TSolid(widgets::TComponent* AOwner, std::uint32_t AColor = 0xFFFF0000)
        : TControlEx(AOwner), Color(AColor) {}
    void Paint() override {
        TControlEx::Paint();
        ++Paints;
        cairo_t* cr = Canvas().Context();
        cairo_set_source_rgba(cr, ((Color >> 16) & 0xFF) / 255.0, ((Color >> 8) & 0xFF) / 255.0,
                              (Color & 0xFF) / 255.0, ((Color >> 24) & 0xFF) / 255.0);
        cairo_paint(cr);
        cairo_surface_flush(cairo_get_target(cr));
    }
    std::uint32_t Color;
    int Paints = 0;
};

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override { Screen = &platform::InstallHeadlessDisplay(); }

    // A shown layered window at screen (100, 100), 200 x 200, owned by the test.
    widgets::TWindowEx& MakeWindow() {
        Window = std::make_unique<widgets::TWindowEx>(nullptr);
        Window->SetLeft(100);
        Window->SetTop(100);
        Window->SetSize(200, 200);
        Window->Show();
        return *Window;
    }

    template <class T = TSolid, class... Args>
    T& MakeChild(widgets::TControl& Parent, int L, int T_, int W, int H, Args&&... args) {
        T* child = Window->Make<T>(std::forward<Args>(args)...);
        child->SetParent(&Parent);
        child->SetLeft(L);
        child->SetTop(T_);
        child->SetSize(W, H);
        child->Show();
        return *child;
    }

    static void Pump() { platform::ProcessPendingMessages(); }

    // The window's last presented pixel at a client position.
    std::uint32_t FramePixel(int x, int y) {
        return Screen->LastFrame(Window->WindowHandle()).Pixel(x, y);
    }

    platform::THeadlessDisplay* Screen = nullptr;
    std::unique_ptr<widgets::TWindowEx> Window;
    std::vector<std::string> Log;
};

} // namespace toolkit_test
