#include "wm_fixture.h"

#include <utility>
#include <vector>

using namespace wmtest;

namespace {

class Routing : public WmTest {
protected:
    // A window at (100, 100) with three children created A, B, C, overlapping at (40..50).
    void SetUp() override {
        WmTest::SetUp();
        Parent = Top(100, 100, 200, 200);
        A = Child(Parent, 10, 10, 40, 40);
        B = Child(Parent, 20, 20, 40, 40);
        C = Child(Parent, 30, 30, 40, 40);
        Pump();
        Clear();
    }
    HWND PressTarget(int x, int y) {
        Clear();
        Tap(x, y);
        for (const auto& p : PointerLog())
            if (p.Msg == WM_LBUTTONDOWN)
                return p.Hwnd;
        return 0;
    }
    HWND Parent = 0, A = 0, B = 0, C = 0;
};

TEST_F(Routing, LaterSiblingsLieOnTopAndTakeThePress) {
    EXPECT_EQ(GetWindow(Parent, GW_CHILD), C);
    EXPECT_EQ(GetWindow(C, GW_HWNDNEXT), B);
    EXPECT_EQ(GetWindow(B, GW_HWNDNEXT), A);
    EXPECT_EQ(GetWindow(A, GW_HWNDNEXT), 0u);
    EXPECT_EQ(GetWindow(C, GW_HWNDLAST), A);
    EXPECT_EQ(GetWindow(A, GW_HWNDPREV), B);

    // All three overlap at 145, A and B at 125, A alone at 115, no child at 105.
    const std::pair<int, HWND> cases[] = {{145, C}, {125, B}, {115, A}, {105, Parent}};
    for (const auto& [at, target] : cases)
        EXPECT_EQ(PressTarget(at, at), target) << at;
}

TEST_F(Routing, HiddenAndDisabledChildrenGiveThePointToOthers) {
    ShowWindow(C, SW_HIDE);
    EXPECT_EQ(PressTarget(145, 145), B);
    ShowWindow(C, SW_SHOW);
    EnableWindow(C, false);
    // A disabled child hands its input to its parent, not to the sibling below it.
    EXPECT_EQ(PressTarget(145, 145), Parent);
    const auto log = PointerLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), (TPointer{Parent, WM_LBUTTONUP, 45, 45}));
    EXPECT_EQ(Count(C, WM_LBUTTONDOWN), 0);
}

TEST_F(Routing, RaisingAChildChangesWhoTakesThePress) {
    SetWindowPos(A, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(GetWindow(Parent, GW_CHILD), A);
    EXPECT_EQ(PressTarget(145, 145), A);
}

TEST_F(Routing, PressAndReleaseCarryButtonsAndClientCoordinates) {
    Screen->MovePointer(145, 145);
    Screen->PressButton(TMouseButton::Right);
    Screen->ReleaseButton(TMouseButton::Right);
    Pump();
    std::vector<TPointer> expected{
        {C, WM_MOUSEMOVE, 15, 15}, {C, WM_RBUTTONDOWN, 15, 15}, {C, WM_RBUTTONUP, 15, 15}};
    EXPECT_EQ(PointerLog(), expected);
    std::vector<WPARAM> keys;
    for (const auto& e : Entries({WM_RBUTTONDOWN, WM_RBUTTONUP}))
        keys.push_back(e.WParam);
    EXPECT_EQ(keys, (std::vector<WPARAM>{MK_RBUTTON, 0}));
}

TEST_F(Routing, CaptureKeepsThePointerWithNegativeClientCoordinates) {
    OnMessage(C, WM_LBUTTONDOWN, [](HWND h, LPARAM) { SetCapture(h); });
    Screen->MovePointer(145, 145);
    Screen->PressButton();
    Screen->MovePointer(105, 102); // over the parent only
    Screen->ReleaseButton();
    Pump();
    std::vector<TPointer> expected{{C, WM_MOUSEMOVE, 15, 15},
                                   {C, WM_LBUTTONDOWN, 15, 15},
                                   {C, WM_MOUSEMOVE, -25, -28},
                                   {C, WM_LBUTTONUP, -25, -28}};
    EXPECT_EQ(PointerLog(), expected);
    EXPECT_EQ(GetCapture(), C);
    EXPECT_EQ(Screen->PointerGrab(), Parent);

    ReleaseCapture();
    Clear();
    Move(106, 102);
    EXPECT_EQ(PointerLog(), (std::vector<TPointer>{{Parent, WM_MOUSEMOVE, 6, 2}}));
}

TEST_F(Routing, HandlersSeeThePointerWhereTheirOwnMessageHappened) {
    TPoint atRelease{-1, -1};
    OnMessage(C, WM_LBUTTONUP, [&](HWND, LPARAM) { GetCursorPos(&atRelease); });
    Screen->Click(145, 146);
    Screen->MovePointer(500, 500); // already waiting while the release is handled
    Pump();
    EXPECT_EQ(atRelease, (TPoint{145, 146}));
}

TEST_F(Routing, DoubleClicksNeedTheClassStyleTimeAndDistance) {
    const HWND plain = Child(Parent, 150, 150, 40, 40, 0, u"RecordingPlain");
    const std::vector<UINT> pair{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    const std::vector<UINT> twice{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP};
    struct Case {
        const char* name;
        HWND target;
        int x, secondX; // both presses at the same height
        std::uint64_t gap;
        std::vector<UINT> expected;
    } cases[] = {
        {"double", C, 145, 145, 100, pair},
        {"too slow", C, 145, 145, 501, twice},
        {"too far", C, 145, 148, 100, twice},
        {"no class style", plain, 260, 260, 100, twice},
    };
    for (const auto& c : cases) {
        Screen->Advance(10000); // forget earlier presses
        Clear();
        Screen->Click(c.x, c.x);
        Screen->Advance(c.gap);
        Tap(c.secondX, c.x);
        std::vector<UINT> got;
        for (const auto& p : PointerLog())
            if (p.Msg != WM_MOUSEMOVE) {
                EXPECT_EQ(p.Hwnd, c.target) << c.name;
                got.push_back(p.Msg);
            }
        EXPECT_EQ(got, c.expected) << c.name;
    }

    // A third quick press starts a new pair instead of another double click.
    Screen->Advance(10000);
    Clear();
    for (int i = 0; i < 3; ++i)
        Tap(145, 145);
    EXPECT_EQ(Count(C, WM_LBUTTONDBLCLK), 1);
    EXPECT_EQ(Count(C, WM_LBUTTONDOWN), 2);
}

// Windows that track hover and leave on every move, as the toolkit does.
class Tracking : public Routing {
protected:
    void SetUp() override {
        Routing::SetUp();
        for (HWND h : {Parent, A, B, C})
            OnMessage(h, WM_MOUSEMOVE, [](HWND hwnd, LPARAM) {
                TTrackMouseEvent tme{sizeof(TTrackMouseEvent), TME_HOVER | TME_LEAVE, hwnd, 300};
                TrackMouseEvent(&tme);
            });
    }
};

TEST_F(Tracking, HoverComesOnceAfterRestingAndLeaveOnExit) {
    Move(115, 115); // over A only
    Wait(299);
    EXPECT_EQ(Count(A, WM_MOUSEHOVER), 0);
    Wait(1);
    EXPECT_EQ(Count(A, WM_MOUSEHOVER), 1);
    Wait(5000);
    EXPECT_EQ(Count(A, WM_MOUSEHOVER), 1);

    Move(105, 105); // onto the parent
    EXPECT_EQ(Count(A, WM_MOUSELEAVE), 1);
    const auto log = PointerLog();
    auto leave = std::find(log.begin(), log.end(), TPointer{A, WM_MOUSELEAVE, 0, 0});
    auto move = std::find(log.begin(), log.end(), TPointer{Parent, WM_MOUSEMOVE, 5, 5});
    ASSERT_NE(leave, log.end());
    ASSERT_NE(move, log.end());
    EXPECT_LT(leave - log.begin(), move - log.begin());
}

TEST_F(Tracking, MovingWithinTheWindowRestartsTheHoverTime) {
    Move(115, 115);
    Screen->Advance(200);
    Move(118, 115);
    Wait(200);
    EXPECT_EQ(Count(A, WM_MOUSEHOVER), 0);
    Wait(100);
    EXPECT_EQ(Count(A, WM_MOUSEHOVER), 1);
}

TEST_F(Tracking, MovingOntoACoveringChildLeavesTheWindowBelow) {
    Move(105, 105); // parent
    Move(115, 115); // A covers the parent here
    EXPECT_EQ(Count(Parent, WM_MOUSELEAVE), 1);
    EXPECT_EQ(Count(A, WM_MOUSEMOVE), 1);
    Screen->LeaveScreen();
    Pump();
    EXPECT_EQ(Count(A, WM_MOUSELEAVE), 1);
}

TEST_F(Tracking, TrackingAWindowThePointerIsNotOverLeavesAtOnce) {
    Move(105, 105);
    TTrackMouseEvent tme{sizeof(TTrackMouseEvent), TME_LEAVE, B, HOVER_DEFAULT};
    EXPECT_TRUE(TrackMouseEvent(&tme));
    Pump();
    EXPECT_EQ(Count(B, WM_MOUSELEAVE), 1);
}

TEST_F(Routing, WheelGoesToTheFocusAndUnansweredOnToItsParent) {
    SetFocus(A);
    EXPECT_EQ(GetFocus(), A);
    Screen->MovePointer(145, 145); // over C, which must not matter
    Screen->Wheel(-120);
    Pump();
    ASSERT_EQ(Count(A, WM_MOUSEWHEEL), 1);
    EXPECT_EQ(Count(Parent, WM_MOUSEWHEEL), 1);
    EXPECT_EQ(Count(C, WM_MOUSEWHEEL), 0);
    for (const auto& e : Entries({WM_MOUSEWHEEL})) {
        EXPECT_EQ(static_cast<std::int16_t>(HiWord(e.WParam)), -120);
        EXPECT_EQ(GetXLParam(e.LParam), 145); // screen coordinates
    }

    Answer(A, WM_MOUSEWHEEL, 0);
    Clear();
    Screen->Wheel(120);
    Pump();
    EXPECT_EQ(Count(A, WM_MOUSEWHEEL), 1);
    EXPECT_EQ(Count(Parent, WM_MOUSEWHEEL), 0);
}

TEST_F(Routing, FocusMovesWithKillAndSetMessages) {
    SetFocus(A);
    Clear();
    EXPECT_EQ(SetFocus(B), A);
    const auto focus = Entries({WM_KILLFOCUS, WM_SETFOCUS});
    ASSERT_EQ(focus.size(), 2u);
    EXPECT_EQ(focus[0].Hwnd, A);
    EXPECT_EQ(focus[0].Msg, static_cast<UINT>(WM_KILLFOCUS));
    EXPECT_EQ(focus[0].WParam, B);
    EXPECT_EQ(focus[1].Hwnd, B);
    EXPECT_EQ(focus[1].Msg, static_cast<UINT>(WM_SETFOCUS));
    EXPECT_EQ(focus[1].WParam, A);
}

TEST_F(Routing, KeysGoToTheFocusAndTypedTextBecomesCharacters) {
    SetFocus(B);
    Clear();
    Screen->KeyDown(VK_SHIFT);
    Screen->KeyDown('A', u"A");
    Screen->KeyUp('A');
    Screen->KeyUp(VK_SHIFT);
    Screen->KeyDown(VK_DOWN);
    Pump();
    std::vector<UINT> got;
    for (const auto& e : Rec.Log)
        if (e.Msg >= WM_KEYFIRST && e.Msg <= WM_KEYLAST) {
            EXPECT_EQ(e.Hwnd, B);
            got.push_back(e.Msg);
            if (e.Msg == WM_CHAR) {
                EXPECT_EQ(e.WParam, static_cast<WPARAM>(u'A'));
            }
        }
    EXPECT_EQ(got,
              (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYUP, WM_KEYDOWN}));
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_DOWN) & 0x8000, 0);
}

TEST_F(Routing, AltF4ClosesTheActiveWindowThroughTheDefaults) {
    SetFocus(A);
    Screen->KeyDown(VK_MENU);
    Screen->KeyDown(VK_F4);
    Pump();
    EXPECT_FALSE(IsWindow(Parent));
    EXPECT_FALSE(IsWindow(A));
}

TEST_F(WmTest, ClickingAnInactiveWindowActivatesItUnlessItEatsThePress) {
    const HWND first = Top(0, 0, 50, 50), second = Top(100, 0, 50, 50);
    EXPECT_EQ(GetActiveWindow(), second); // showing activates
    Clear();
    Tap(10, 10);
    EXPECT_EQ(GetActiveWindow(), first);
    EXPECT_EQ(Screen->ActiveSurface(), first);
    const auto activation = Entries({WM_ACTIVATE, WM_MOUSEACTIVATE});
    ASSERT_EQ(activation.size(), 3u);
    EXPECT_EQ(activation[0].Msg, static_cast<UINT>(WM_MOUSEACTIVATE));
    EXPECT_EQ(activation[1].Hwnd, second);
    EXPECT_EQ(activation[1].WParam, WA_INACTIVE);
    EXPECT_EQ(activation[1].LParam, static_cast<LPARAM>(first));
    EXPECT_EQ(activation[2].Hwnd, first);
    EXPECT_EQ(activation[2].WParam, WA_CLICKACTIVE);
    EXPECT_EQ(activation[2].LParam, static_cast<LPARAM>(second));
    EXPECT_EQ(Count(first, WM_LBUTTONDOWN), 1);

    Answer(second, WM_MOUSEACTIVATE, MA_NOACTIVATEANDEAT);
    Clear();
    Tap(110, 10);
    EXPECT_EQ(GetActiveWindow(), first);
    EXPECT_EQ(Count(second, WM_LBUTTONDOWN), 0);
    EXPECT_EQ(Count(second, WM_LBUTTONUP), 1);

    Clear();
    Screen->ActivateOther();
    Pump();
    EXPECT_EQ(GetActiveWindow(), 0u);
    ASSERT_EQ(Count(first, WM_ACTIVATE), 1);
}

TEST_F(WmTest, LayeredWindowTakesNoInputWhereItsPresentedAlphaIsZero) {
    const HWND below = Top(0, 0, 100, 100), layered = Top(0, 0, 100, 100, WS_EX_LAYERED);
    Pump();
    EXPECT_EQ(WindowFromPoint({10, 10}), below) << "nothing presented yet";

    // Left half opaque, right half fully transparent.
    std::vector<std::uint32_t> pixels(100 * 100, 0);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = i % 100 < 50 ? 0xFF204080 : 0;
    ASSERT_TRUE(UpdateLayeredWindow(layered, nullptr, 100, 100, pixels.data(), 400, 255));
    EXPECT_EQ(WindowFromPoint({10, 10}), layered);
    EXPECT_EQ(WindowFromPoint({60, 10}), below);
    Clear();
    Tap(60, 10);
    EXPECT_EQ(Count(below, WM_LBUTTONDOWN), 1);
    EXPECT_EQ(Count(layered, WM_LBUTTONDOWN), 0);

    // Clicking the window below raised it; put the layered one back on top.
    SetWindowPos(layered, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(UpdateLayeredWindow(layered, nullptr, 100, 100, pixels.data(), 400, 0));
    EXPECT_EQ(WindowFromPoint({10, 10}), below) << "constant alpha 0";

    const auto frame = Screen->LastFrame(layered);
    EXPECT_EQ(frame.Alpha, 0);
    ASSERT_EQ(frame.Width, 100);
    EXPECT_EQ(frame.Pixel(10, 10), 0xFF204080u);
    EXPECT_EQ(frame.Pixel(60, 10), 0u);
}

TEST_F(WmTest, LayeredUpdatesRejectBadFramesAndKeepTheOldImage) {
    const HWND plain = Top(0, 0, 10, 10), layered = Top(0, 0, 10, 10, WS_EX_LAYERED);
    std::vector<std::uint32_t> pixels(100, 0xFFFFFFFF);
    EXPECT_FALSE(UpdateLayeredWindow(plain, nullptr, 10, 10, pixels.data(), 40, 255));
    ASSERT_TRUE(UpdateLayeredWindow(layered, nullptr, 10, 10, pixels.data(), 40, 255));
    EXPECT_FALSE(UpdateLayeredWindow(layered, nullptr, 10, 10, pixels.data(), 39, 255));
    EXPECT_FALSE(UpdateLayeredWindow(layered, nullptr, 0, 10, pixels.data(), 40, 255));
    EXPECT_FALSE(UpdateLayeredWindow(layered, nullptr, 10, 10, nullptr, 40, 255));
    EXPECT_EQ(Screen->FrameCount(), 1u);

    // A frame at a new place moves the window the usual way.
    Clear();
    const TPoint to{300, 200};
    ASSERT_TRUE(UpdateLayeredWindow(layered, &to, 10, 10, pixels.data(), 40, 255));
    TRect r;
    GetWindowRect(layered, &r);
    EXPECT_EQ(r, (TRect{300, 200, 310, 210}));
    EXPECT_EQ(Count(layered, WM_WINDOWPOSCHANGING), 1);
    EXPECT_EQ(Screen->LastFrame(layered).Bounds, r);
}

TEST_F(Routing, StaticLabelsAreSeeThroughUnlessTheyNotify) {
    const HWND label = Child(Parent, 130, 130, 40, 40, 0, u"STATIC");
    // The label lies on top, yet the press goes through it.
    EXPECT_EQ(GetWindow(Parent, GW_CHILD), label);
    EXPECT_EQ(PressTarget(245, 245), Parent);
    EXPECT_EQ(WindowFromPoint({245, 245}), Parent);
    const HWND notifying = Child(Parent, 130, 130, 40, 40, SS_NOTIFY, u"STATIC");
    EXPECT_EQ(WindowFromPoint({245, 245}), notifying);
    // The notifying label (a class that records nothing) keeps the press from the parent.
    EXPECT_EQ(PressTarget(245, 245), 0u);
}

TEST_F(Routing, TheClassCursorShowsUnlessAWindowSetsItsOwn) {
    Move(145, 145);
    EXPECT_EQ(Screen->CursorShape(), IDC_ARROW);
    Rec.Hooks[C] = [](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_SETCURSOR && LoWord(static_cast<std::uintptr_t>(lp)) == HTCLIENT) {
            SetCursor(LoadCursor(0, IDC_HAND));
            return 1;
        }
        return std::nullopt;
    };
    Move(146, 145);
    EXPECT_EQ(Screen->CursorShape(), IDC_HAND);
    Move(115, 115);
    EXPECT_EQ(Screen->CursorShape(), IDC_ARROW);
    EXPECT_EQ(LoadCursor(0, 12345), 0u);
}

TEST_F(WmTest, MoveLoopFollowsThePointerAndTheHandlerHasTheLastWord) {
    const HWND window = Top(100, 100, 50, 50);
    Rec.Hooks[window] = [](HWND h, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_LBUTTONDOWN) {
            ReleaseCapture();
            SendMessage(h, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
            return 0;
        }
        // What the handler makes of the position is where the window goes; here it lines the
        // window up on a 10-pixel grid. (The widget's edge rule is tested with the widget.)
        if (m == WM_WINDOWPOSCHANGING) {
            auto* wp = reinterpret_cast<TWindowPos*>(lp);
            if (!(wp->flags & SWP_NOMOVE))
                wp->x -= wp->x % 10;
            return 0;
        }
        return std::nullopt;
    };
    Move(110, 110);
    Clear();
    Screen->PressButton();
    Screen->MovePointer(60, 130); // window at 50,120
    Screen->MovePointer(15, 140); // window at 5,130: the handler makes it 0
    Screen->ReleaseButton();
    Screen->MovePointer(300, 300); // after the loop: ordinary input again
    Pump();

    TRect r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r, (TRect{0, 130, 50, 180}));
    EXPECT_EQ(Screen->Surface(window).Bounds, r);
    EXPECT_EQ(Count(window, WM_ENTERSIZEMOVE), 1);
    EXPECT_EQ(Count(window, WM_EXITSIZEMOVE), 1);
    EXPECT_EQ(Count(window, WM_WINDOWPOSCHANGING), 2);
    std::vector<TPoint> moves;
    for (const auto& e : Entries({WM_MOVE}))
        moves.push_back(TPoint{GetXLParam(e.LParam), GetYLParam(e.LParam)});
    EXPECT_EQ(moves, (std::vector<TPoint>{{50, 120}, {0, 130}}));
    // The pointer belonged to the move: no pointer message reached the window meanwhile.
    EXPECT_EQ(Count(window, WM_MOUSEMOVE), 0);
    EXPECT_EQ(Count(window, WM_LBUTTONUP), 0);
    EXPECT_EQ(GetCapture(), 0u);
}

} // namespace
