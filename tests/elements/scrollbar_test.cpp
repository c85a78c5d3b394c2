// The scroll bar wired as the main window wires it, driven by real input on a headless screen.
#include "elements/scrollbar.h"

#include <gtest/gtest.h>

#include "element_fixture.h"
#include "elements/content.h"

using namespace elements;
using namespace platform;
using elements_test::ElementTest;

namespace {

class ScrollBarTest : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        Viewport = &Make<TContainerEx>(*Background, 30, 75, 415, 213);
        List = &Make<TContentEx>(*Viewport, 0, 0, 390, 213);
        Scroller = &Make<TScrollerEx>(*Viewport, 395, 0, 20, 213);
        Scroller->SetPicture(elements_test::SolidBitmap(20, 213, 0.6, 0.6, 0.5));
        Thumb = &Make<TThumbEx>(*Scroller, 1, 0, 18, 70);
        Thumb->SetPicture(elements_test::SolidBitmap(18, 70, 0.9, 0.9, 0.9));
        Viewport->Scroller = Scroller;
        Viewport->List = List;
        Viewport->Thumb = Thumb;

        Scroller->OnMouseDown = [this](widgets::TObject*, int, int, int Y) {
            TrackMouseDown(*Viewport, State, Y);
        };
        Thumb->OnMouseDown = [this](widgets::TObject*, int Keys, int, int) {
            ThumbMouseDown(*Viewport, State, Keys);
        };
        Thumb->OnDrag = [this](widgets::TObject*, int Keys, int, int) {
            ThumbDrag(*Viewport, State, Keys);
        };
        auto keys = [this](widgets::TObject*, std::uint16_t& Key, widgets::TShiftState) {
            ScrollKeyDown(*Viewport, State, Key);
        };
        Thumb->OnKeyDown = keys;
        List->OnKeyDown = keys;
        Window->OnMouseWheel = [this](widgets::TObject*, int, int Delta, int, int) {
            WheelScroll(*Viewport, State, Delta);
        };
    }

    // Where the scroll arithmetic (tested with its numbers on its own) puts the list for op,
    // from the elements' present geometry: this layer checks that input reaches it and that its
    // outcome reaches the elements.
    template <class Op> TScrollGeometry Predict(Op op) {
        TScrollGeometry g = ReadGeometry(*Viewport);
        TScrollState s = State;
        op(g, s);
        return g;
    }
    // The list's bottom on the container's, the thumb's on the track's.
    void ExpectAtTheEnd() {
        EXPECT_EQ(List->Top() + List->Height(), Viewport->Height());
        EXPECT_EQ(Thumb->Top() + Thumb->Height(), Scroller->Height());
    }

    void SetListHeight(int h) {
        List->SetHeight(h);
        UpdateScrollBar(*Viewport, State);
    }

    TContainerEx* Viewport = nullptr;
    TContentEx* List = nullptr;
    TScrollerEx* Scroller = nullptr;
    TThumbEx* Thumb = nullptr;
    TScrollState State;
};

} // namespace

TEST_F(ScrollBarTest, TheTrackShowsOnlyForAListTallerThanItsContainer) {
    SetListHeight(200);
    EXPECT_FALSE(Scroller->Visible());
    const std::size_t frames = Screen->FrameCount();
    ScrollList(*Viewport, State, -50);
    EXPECT_EQ(List->Top(), 0);
    EXPECT_EQ(Screen->FrameCount(), frames); // nothing moved, nothing repainted

    SetListHeight(500);
    EXPECT_TRUE(Scroller->Visible());
}

TEST_F(ScrollBarTest, ScrollingMovesListAndThumbAndRepaintsOnlyOnChange) {
    SetListHeight(500);
    std::size_t frames = Screen->FrameCount();
    ScrollList(*Viewport, State, -1000);
    ExpectAtTheEnd();
    EXPECT_EQ(Screen->FrameCount(), frames + 1);
    ScrollList(*Viewport, State, 1000);
    EXPECT_EQ(List->Top(), 0);
    EXPECT_EQ(Thumb->Top(), 0);

    frames = Screen->FrameCount();
    ScrollKeyDown(*Viewport, State, VK_HOME);
    EXPECT_EQ(Screen->FrameCount(), frames);
}

TEST_F(ScrollBarTest, DraggingTheThumbFollowsThePointerWhileItHoldsTheCapture) {
    SetListHeight(500);
    const TPoint start = ScreenOf(*Thumb, 9, 10);
    Screen->MovePointer(start.X, start.Y);
    Screen->PressButton();
    Pump();
    EXPECT_EQ(GetCapture(), Thumb->Handle());
    EXPECT_EQ(GetFocus(), Thumb->Handle());

    Screen->MovePointer(start.X, start.Y + 20);
    Pump();
    EXPECT_EQ(Thumb->Top(), 20);
    EXPECT_EQ(List->Top(), -RoundEven(20 * State.ScrollRatio));

    // Far beyond the track's end, and outside the window: still ours, clamped.
    Screen->MovePointer(start.X + 300, start.Y + 600);
    Pump();
    ExpectAtTheEnd();

    Screen->ReleaseButton();
    Pump();
    EXPECT_EQ(GetCapture(), 0u);
    // Released: moving no longer drags.
    Screen->MovePointer(start.X, start.Y);
    Pump();
    EXPECT_EQ(List->Top() + List->Height(), Viewport->Height());
}

TEST_F(ScrollBarTest, KeysGoToTheFocusedThumb) {
    SetListHeight(500);
    const TPoint p = ScreenOf(*Thumb, 9, 10);
    Screen->Click(p.X, p.Y);
    Pump();
    Screen->KeyDown(VK_END);
    Pump();
    EXPECT_EQ(List->Top() + List->Height(), Viewport->Height());
    const auto up =
        Predict([](TScrollGeometry& g, TScrollState& s) { ScrollKeyDown(g, s, VK_UP); });
    Screen->KeyDown(VK_UP);
    Pump();
    EXPECT_EQ(List->Top(), up.ListTop);
}

TEST_F(ScrollBarTest, PressingTheTrackPagesAndTheWheelScrollsTheList) {
    SetListHeight(1000);
    const TPoint below = ScreenOf(*Scroller, 10, 100);
    const auto paged =
        Predict([](TScrollGeometry& g, TScrollState& s) { TrackMouseDown(g, s, 100); });
    Screen->Click(below.X, below.Y);
    Pump();
    EXPECT_EQ(List->Top(), paged.ListTop);
    const int page = List->Top();

    const TPoint over = ScreenOf(*Background, 200, 200);
    Screen->MovePointer(over.X, over.Y);
    const auto notch = Predict([](TScrollGeometry& g, TScrollState& s) { WheelScroll(g, s, 120); });
    Screen->Wheel(120);
    Pump();
    EXPECT_EQ(List->Top(), notch.ListTop);
    Screen->Wheel(-120);
    Pump();
    EXPECT_EQ(List->Top(), page);
}

TEST_F(ScrollBarTest, ALayoutThatNoLongerNeedsTheTrackResetsEverythingAndEndsTheDrag) {
    SetListHeight(500);
    const TPoint start = ScreenOf(*Thumb, 9, 10);
    Screen->MovePointer(start.X, start.Y);
    Screen->PressButton();
    Pump();
    Screen->MovePointer(start.X, start.Y + 50);
    Pump();
    ASSERT_LT(List->Top(), 0);
    ASSERT_EQ(GetCapture(), Thumb->Handle());

    SetListHeight(150);
    EXPECT_FALSE(Scroller->Visible());
    EXPECT_EQ(List->Top(), 0);
    EXPECT_EQ(Thumb->Top(), 0);
    EXPECT_EQ(State.DragStartY, 0);
    EXPECT_EQ(State.DragStartThumbTop, 0);
    EXPECT_EQ(GetCapture(), 0u);
    Screen->ReleaseButton();
    Pump();
}

TEST_F(ScrollBarTest, TheContainerClipsTheScrolledList) {
    // A list painted solid: its part above the container must not reach the window.
    SetListHeight(500);
    List->OnPaint = [this](widgets::TObject*) {
        List->Canvas().Draw(*elements_test::SolidBitmap(390, 500, 1, 0, 0), 0, 0);
    };
    Window->Update();
    ScrollList(*Viewport, State, -100);
    const auto frame = Screen->LastFrame(Window->WindowHandle());
    // Just above the container: the white background, not the list.
    EXPECT_EQ(frame.Pixel(30 + 10, 75 - 1), 0xFFFFFFFFu);
    EXPECT_EQ(frame.Pixel(30 + 10, 75 + 1), 0xFFFF0000u);
}
