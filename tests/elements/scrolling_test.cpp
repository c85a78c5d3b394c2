#include "elements/scrolling.h"

#include <gtest/gtest.h>

using namespace elements;
using namespace platform;

namespace {
constexpr int Left = MK_LBUTTON;
constexpr int Right = MK_RBUTTON;
} // namespace

namespace {

// The news list's frame: a 213-pixel container, a 213 track and a 70-pixel thumb.
TScrollGeometry ListOf(int height) {
    TScrollGeometry g;
    g.ListHeight = height;
    g.ContainerHeight = 213;
    g.TrackHeight = 213;
    g.ThumbHeight = 70;
    g.TrackVisible = height > 213;
    return g;
}

} // namespace

TEST(Scroll, ClampsToBothEndsAndMovesTheThumbAlong) {
    auto g = ListOf(500);
    TScrollState s;
    auto r = Scroll(g, s, -1000);
    EXPECT_TRUE(r.Repaint);
    EXPECT_EQ(g.ListTop, -287);
    EXPECT_EQ(g.ThumbTop, 143);
    EXPECT_FLOAT_EQ(s.ScrollRatio, 287.0f / 143.0f);
    r = Scroll(g, s, 1000);
    EXPECT_TRUE(r.Repaint);
    EXPECT_EQ(g.ListTop, 0);
    EXPECT_EQ(g.ThumbTop, 0);
}

TEST(Scroll, AStepThatDoesNotMoveTheListChangesNothing) {
    auto g = ListOf(500);
    TScrollState s;
    s.ScrollRatio = 7.0f; // must survive a no-op
    EXPECT_FALSE(Scroll(g, s, 5).Repaint);
    EXPECT_FALSE(ScrollKeyDown(g, s, VK_HOME).Repaint);
    EXPECT_FLOAT_EQ(s.ScrollRatio, 7.0f);
    EXPECT_EQ(g.ListTop, 0);

    auto shortList = ListOf(200);
    for (int d : {-1000, -1, 1, ScrollToEnd, ScrollToTop}) {
        EXPECT_FALSE(Scroll(shortList, s, d).Repaint) << d;
        EXPECT_EQ(shortList.ListTop, 0) << d;
    }
}

TEST(Scroll, ThumbPositionRoundsHalvesToEven) {
    // Ratio 2: a list top of -5 maps to 2.5 thumb pixels, which rounds to 2; -7 to 3.5 -> 4.
    TScrollGeometry g = ListOf(213 + 286);
    TScrollState s;
    Scroll(g, s, -5);
    EXPECT_EQ(g.ThumbTop, 2);
    Scroll(g, s, -2);
    EXPECT_EQ(g.ThumbTop, 4);
}

TEST(Scroll, KeysPageJumpAndStep) {
    struct Case {
        int key;
        int startTop;
        int expectTop;
        bool repaint;
    } cases[] = {
        {VK_NEXT, 0, -213, true},    {VK_PRIOR, -250, -37, true}, {VK_END, 0, -287, true},
        {VK_HOME, -100, 0, true},    {VK_HOME, 0, 0, false},      {VK_DOWN, 0, -10, true},
        {VK_RIGHT, 0, -10, true},    {VK_UP, -20, -10, true},     {VK_LEFT, -20, -10, true},
        {VK_END, -287, -287, false}, {0x20, -20, -20, false},     {0x29, -20, -20, false},
    };
    for (const auto& c : cases) {
        auto g = ListOf(500);
        g.ListTop = c.startTop;
        TScrollState s;
        EXPECT_EQ(ScrollKeyDown(g, s, c.key).Repaint, c.repaint) << c.key;
        EXPECT_EQ(g.ListTop, c.expectTop) << c.key;
    }
}

TEST(Scroll, EndPutsTheListBottomOnTheContainerBottom) {
    auto g = ListOf(1234);
    TScrollState s;
    ScrollKeyDown(g, s, VK_END);
    EXPECT_EQ(g.ListTop + g.ListHeight, g.ContainerHeight);
    EXPECT_EQ(g.ThumbTop, 143);
}

TEST(Scroll, WheelHalvesTheDeltaTruncatingTowardsZero) {
    auto g = ListOf(500);
    TScrollState s;
    EXPECT_TRUE(WheelScroll(g, s, -120).Repaint);
    EXPECT_EQ(g.ListTop, -60);
    EXPECT_FALSE(WheelScroll(g, s, -1).Repaint);
    EXPECT_EQ(g.ListTop, -60);
    EXPECT_TRUE(WheelScroll(g, s, 3).Repaint);
    EXPECT_EQ(g.ListTop, -59);
    EXPECT_TRUE(WheelScroll(g, s, 240).Repaint);
    EXPECT_EQ(g.ListTop, 0);
}

TEST(TrackMouseDown, PagesTowardsTheSideThatWasHit) {
    auto g = ListOf(1000);
    TScrollState s;
    g.ListTop = -300;
    g.ThumbTop = 50;
    // At the thumb's top row: page up.
    EXPECT_TRUE(TrackMouseDown(g, s, 50).Repaint);
    EXPECT_EQ(g.ListTop, -87);
    g.ListTop = -300;
    g.ThumbTop = 50;
    // Inside the thumb: nothing.
    EXPECT_FALSE(TrackMouseDown(g, s, 51).Repaint);
    EXPECT_FALSE(TrackMouseDown(g, s, 119).Repaint);
    EXPECT_EQ(g.ListTop, -300);
    // At thumb top + 70: page down.
    EXPECT_TRUE(TrackMouseDown(g, s, 120).Repaint);
    EXPECT_EQ(g.ListTop, -513);
}

TEST(ThumbDrag, FollowsThePointerAndClampsToTheTravel) {
    auto g = ListOf(500);
    TScrollState s;
    ThumbMouseDown(g, s, Left, 400);
    EXPECT_EQ(s.DragStartY, 400);
    EXPECT_EQ(s.DragStartThumbTop, 0);
    EXPECT_FLOAT_EQ(s.ScrollRatio, 287.0f / 143.0f);

    EXPECT_TRUE(ThumbDrag(g, s, Left, 420).Repaint);
    EXPECT_EQ(g.ThumbTop, 20);
    EXPECT_EQ(g.ListTop, -40);
    // The same position again moves nothing.
    EXPECT_FALSE(ThumbDrag(g, s, Left, 420).Repaint);

    ThumbDrag(g, s, Left, 5000);
    EXPECT_EQ(g.ThumbTop, 143);
    EXPECT_EQ(g.ListTop, -287);
    ThumbDrag(g, s, Left, -5000);
    EXPECT_EQ(g.ThumbTop, 0);
    EXPECT_EQ(g.ListTop, 0);
}

TEST(ThumbDrag, OnlyTheLeftButtonCounts) {
    auto g = ListOf(500);
    TScrollState s;
    ThumbMouseDown(g, s, Right, 400);
    EXPECT_EQ(s.DragStartY, 0);
    EXPECT_FLOAT_EQ(s.ScrollRatio, 0.0f);
    ThumbMouseDown(g, s, Left, 400);
    EXPECT_FALSE(ThumbDrag(g, s, Right, 450).Repaint);
    EXPECT_EQ(g.ThumbTop, 0);
    EXPECT_EQ(g.ListTop, 0);
}

TEST(UpdateScrollBar, ShowsTheTrackOnlyForATallerListAndResetsWhenHidden) {
    auto g = ListOf(500);
    TScrollState s;
    g.TrackVisible = false;
    g.ListTop = -100;
    g.ThumbTop = 50;
    auto r = UpdateScrollBar(g, s);
    EXPECT_TRUE(g.TrackVisible);
    EXPECT_TRUE(r.Repaint);
    EXPECT_FALSE(r.ReleaseCapture);
    EXPECT_EQ(g.ListTop, -100); // a visible track leaves positions alone
    EXPECT_EQ(g.ThumbTop, 50);

    ThumbMouseDown(g, s, Left, 300);
    g.ListHeight = 213; // equal is not taller
    r = UpdateScrollBar(g, s);
    EXPECT_FALSE(g.TrackVisible);
    EXPECT_TRUE(r.ReleaseCapture);
    EXPECT_EQ(g.ListTop, 0);
    EXPECT_EQ(g.ThumbTop, 0);
    EXPECT_EQ(s.DragStartY, 0);
    EXPECT_EQ(s.DragStartThumbTop, 0);
}

TEST(Scroll, AListThatShrankBackIntoItsContainerScrollsHomeSafely) {
    // Left at -100 by an earlier, taller layout: the next step snaps to 0 without dividing by
    // a zero ratio.
    auto g = ListOf(213);
    g.ListTop = -100;
    g.ThumbTop = 40;
    TScrollState s;
    EXPECT_TRUE(Scroll(g, s, -10).Repaint);
    EXPECT_EQ(g.ListTop, 0);
    EXPECT_EQ(g.ThumbTop, 0);
}

TEST(RoundEven, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundEven(0.5), 0);
    EXPECT_EQ(RoundEven(1.5), 2);
    EXPECT_EQ(RoundEven(2.5), 2);
    EXPECT_EQ(RoundEven(-2.5), -2);
    EXPECT_EQ(RoundEven(-3.5), -4);
    EXPECT_EQ(RoundEven(2.6), 3);
    EXPECT_EQ(RoundEven(1e30), 2147483647);
}
