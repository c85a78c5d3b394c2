// Shared setup for the element tests: a fresh headless screen, a shown layered window at a known
// screen position with an opaque background (a layered window takes no input where it is
// transparent), and helpers to make elements inside it.
#pragma once

#include <gtest/gtest.h>

#include <cairo.h>

#include <functional>
#include <memory>

#include "elements/pictures.h"
#include "platform/display/headless/headless_display.h"
#include "platform/window_manager.h"
#include "widgets/bitmap.h"
#include "widgets/windowex.h"

namespace elements_test {

constexpr int WindowLeft = 100;
constexpr int WindowTop = 100;

inline std::unique_ptr<widgets::TBitmapEx> SolidBitmap(int w, int h, double r, double g, double b,
                                                       double a = 1.0) {
    auto bitmap = std::make_unique<widgets::TBitmapEx>(w, h);
    {
        const widgets::TCairoPtr cr(cairo_create(bitmap->ImageSurface()));
        cairo_set_source_rgba(cr.get(), r, g, b, a);
        cairo_paint(cr.get());
    }
    cairo_surface_flush(bitmap->ImageSurface());
    return bitmap;
}

// How many pixels of B inside Area (the whole bitmap when Area is empty) pass Test.
inline int CountPixels(const widgets::TBitmapEx& B,
                       const std::function<bool(int X, int Y, std::uint32_t Pixel)>& Test,
                       platform::TRect Area = {}) {
    if (Area.Width() <= 0)
        Area = {0, 0, B.Width(), B.Height()};
    int n = 0;
    for (int y = Area.Top; y < Area.Bottom; ++y)
        for (int x = Area.Left; x < Area.Right; ++x)
            n += Test(x, y, B.GetPixel(x, y)) ? 1 : 0;
    return n;
}

inline int InkPixels(const widgets::TBitmapEx& B, platform::TRect Area = {}) {
    return CountPixels(
        B, [](int, int, std::uint32_t p) { return p != 0; }, Area);
}

inline bool SamePixels(const widgets::TBitmapEx& A, const widgets::TBitmapEx& B) {
    return A.Width() == B.Width() && A.Height() == B.Height() &&
           CountPixels(A, [&](int x, int y, std::uint32_t p) { return p != B.GetPixel(x, y); }) ==
               0;
}

class ElementTest : public ::testing::Test {
protected:
    void SetUp() override {
        Screen = &platform::InstallHeadlessDisplay();
        Window = std::make_unique<widgets::TWindowEx>(nullptr);
        Window->SetLeft(WindowLeft);
        Window->SetTop(WindowTop);
        Window->SetSize(475, 350);
        Window->Show();
        Background = &Make<elements::TBackgroundEx>(*Window, 0, 0, 475, 350);
        Background->SetPicture(SolidBitmap(475, 350, 1, 1, 1));
    }

    template <class T> T& Make(widgets::TControl& Parent, int L, int T_, int W, int H) {
        T* e = Window->Make<T>();
        e->SetParent(&Parent);
        e->SetLeft(L);
        e->SetTop(T_);
        e->SetSize(W, H);
        e->Show();
        return *e;
    }

    static void Pump() { platform::ProcessPendingMessages(); }

    // Screen position of a point given in an element's own coordinates.
    static platform::TPoint ScreenOf(widgets::TControl& e, int x, int y) {
        platform::TPoint p{x, y};
        platform::ClientToScreen(e.Handle(), &p);
        return p;
    }

    // Moves the pointer onto a point of e, twice: the screen shows a control's cursor from the
    // pointer's next move over it on.
    void PointAt(widgets::TControl& e, int x, int y) {
        for (int dx : {0, 1}) {
            const platform::TPoint p = ScreenOf(e, x + dx, y);
            Screen->MovePointer(p.X, p.Y);
            Pump();
        }
    }

    platform::THeadlessDisplay* Screen = nullptr;
    std::unique_ptr<widgets::TWindowEx> Window;
    elements::TBackgroundEx* Background = nullptr;
};

} // namespace elements_test
