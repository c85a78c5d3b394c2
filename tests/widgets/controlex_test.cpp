// Composition of element trees into the presented frame.
#include <gtest/gtest.h>

#include <typeinfo>

#include "toolkit_fixture.h"

using namespace platform;
using namespace widgets;
using toolkit_test::ToolkitTest;
using toolkit_test::TSolid;

namespace {

constexpr std::uint32_t Red = 0xFFFF0000;
constexpr std::uint32_t Green = 0xFF00FF00;
constexpr std::uint32_t Blue = 0xFF0000FF;

int AlphaOf(std::uint32_t pixel) {
    return static_cast<int>(pixel >> 24);
}

} // namespace

TEST_F(ToolkitTest, ElementsPaintBottomUpSoTheLastCreatedIsOnTop) {
    auto& window = MakeWindow();
    std::vector<char> order;
    auto& a = MakeChild(window, 10, 10, 50, 50, Red);
    auto& b = MakeChild(window, 20, 20, 50, 50, Green);
    auto& c = MakeChild(window, 30, 30, 50, 50, Blue);
    a.OnPaint = [&](TObject*) { order.push_back('A'); };
    b.OnPaint = [&](TObject*) { order.push_back('B'); };
    c.OnPaint = [&](TObject*) { order.push_back('C'); };
    window.Update();
    EXPECT_EQ(order, (std::vector<char>{'A', 'B', 'C'}));
    EXPECT_EQ(FramePixel(15, 15), Red);
    EXPECT_EQ(FramePixel(25, 25), Green);
    EXPECT_EQ(FramePixel(40, 40), Blue);
    EXPECT_EQ(FramePixel(5, 5), 0u);
}

TEST_F(ToolkitTest, GrandchildIsComposedWithTheProductOfBothOpacities) {
    auto& window = MakeWindow();
    auto& panel = MakeChild(window, 10, 10, 100, 100, 0u);
    auto& inner = MakeChild(panel, 10, 10, 20, 20, 0xFFFFFFFF);
    panel.SetOpacity(128);
    inner.SetOpacity(128);
    window.Update();
    const int alpha = AlphaOf(FramePixel(25, 25));
    EXPECT_GE(alpha, 63);
    EXPECT_LE(alpha, 65);
    // Opacity 0 hides the element from the picture but not from the pointer.
    inner.SetOpacity(0);
    window.Update();
    EXPECT_EQ(FramePixel(25, 25), 0u);
}

TEST_F(ToolkitTest, CachedElementKeepsItsPictureUntilRedraw) {
    auto& window = MakeWindow();
    auto& c = MakeChild(window, 0, 0, 20, 20, Red);
    c.Cached = true;
    window.Update();
    EXPECT_EQ(FramePixel(5, 5), Red);
    c.Color = Green;
    window.Update();
    EXPECT_EQ(FramePixel(5, 5), Red);
    EXPECT_EQ(c.Paints, 1);
    c.Redraw = true;
    window.Update();
    EXPECT_EQ(FramePixel(5, 5), Green);
    EXPECT_FALSE(c.Redraw);
}

TEST_F(ToolkitTest, LockedPanelMovesWithItsOldPicture) {
    auto& window = MakeWindow();
    auto& panel = MakeChild(window, 0, 0, 60, 60, 0u);
    auto& inside = MakeChild(panel, 10, 10, 20, 20, Red);
    window.Update();
    EXPECT_EQ(FramePixel(15, 15), Red);
    panel.Locked = true;
    inside.Color = Green;
    panel.SetLeft(100);
    window.Update();
    EXPECT_EQ(FramePixel(115, 15), Red);
    EXPECT_EQ(FramePixel(15, 15), 0u);
    panel.Locked = false;
    window.Update();
    EXPECT_EQ(FramePixel(115, 15), Green);
}

TEST_F(ToolkitTest, HiddenAndCutOffChildrenDoNotShow) {
    auto& window = MakeWindow();
    auto& hidden = MakeChild(window, 0, 0, 20, 20, Red);
    auto& above = MakeChild(window, 50, 0, 20, 20, Green);
    hidden.Hide();
    above.SetTop(-20);
    window.Update();
    EXPECT_EQ(hidden.Paints, 0);
    EXPECT_EQ(FramePixel(5, 5), 0u);
    EXPECT_EQ(FramePixel(55, 0), 0u);
    hidden.Show();
    window.Update();
    EXPECT_EQ(FramePixel(5, 5), Red);
}

TEST_F(ToolkitTest, RepaintIsGuardedAgainstReentryAndNeedsAWindow) {
    TSolid loose(nullptr);
    loose.Repaint();
    EXPECT_EQ(loose.Paints, 0);

    auto& window = MakeWindow();
    auto& c = MakeChild(window, 0, 0, 20, 20, Red);
    int depth = 0;
    c.OnPaint = [&](TObject*) {
        ++depth;
        c.Repaint();
        c.Update(); // reaches the window, which is already painting
    };
    window.Update();
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(c.Paints, 1);
    // The guard is released afterwards.
    window.Update();
    EXPECT_EQ(c.Paints, 2);
}

TEST_F(ToolkitTest, SizeChangeGivesABlankCanvasOfTheNewSize) {
    auto& window = MakeWindow();
    auto& c = MakeChild(window, 0, 0, 20, 20, Red);
    EXPECT_EQ(c.Canvas().Width(), 20);
    c.Cached = true;
    window.Update();
    c.SetSize(30, 10);
    EXPECT_EQ(c.Canvas().Width(), 30);
    EXPECT_EQ(c.Canvas().Height(), 10);
    EXPECT_EQ(c.Canvas().Bitmap().GetPixel(0, 0), 0u);
    // The same size again keeps the picture a cached element relies on.
    c.Redraw = true;
    window.Update();
    c.SetSize(30, 10);
    SendMessage(c.WindowHandle(), WM_SIZE, 0, MakeLParam(30, 10));
    EXPECT_EQ(c.Canvas().Bitmap().GetPixel(0, 0), Red);
}

TEST_F(ToolkitTest, ElementWithoutParentControlComposesNowhere) {
    auto& window = MakeWindow();
    window.Update();
    const std::size_t frames = Screen->FrameCount();
    TSolid loose(nullptr);
    loose.ParentWindow = window.Handle();
    loose.SetSize(20, 20);
    loose.Show();
    loose.Repaint();
    EXPECT_EQ(loose.Paints, 1);
    // It painted its own canvas, and nothing of it reached the window or the screen.
    EXPECT_EQ(loose.Canvas().Bitmap().GetPixel(0, 0), Red);
    EXPECT_EQ(window.Canvas().Bitmap().GetPixel(0, 0), 0u);
    EXPECT_EQ(Screen->FrameCount(), frames);
}

TEST_F(ToolkitTest, ElementUnderAPlainControlCannotCompose) {
    auto& window = MakeWindow();
    TControl& plain = *window.Make<TControl>();
    plain.SetParent(&window);
    TSolid& c = *window.Make<TSolid>();
    c.SetParent(&plain);
    c.Handle();
    EXPECT_THROW(c.UpdateLayer(), std::bad_cast);
}
