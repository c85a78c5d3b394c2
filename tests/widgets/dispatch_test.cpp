// Input scenarios on the headless screen: routing, tracking, clicks, double clicks, wheel.
#include <gtest/gtest.h>

#include "toolkit_fixture.h"

using namespace platform;
using namespace widgets;
using toolkit_test::ToolkitTest;
using toolkit_test::TSolid;

namespace {

// Screen position of a client point of the fixture window (at 100, 100).
constexpr int S(int client) {
    return 100 + client;
}

} // namespace

class DispatchTest : public ToolkitTest {
protected:
    // Logs every mouse event of a control as "<tag>.<event>(keys,x,y)".
    void Watch(TControl& c, const std::string& tag) {
        auto log = [this, tag](const char* what) {
            return [this, tag, what](TObject*, int k, int x, int y) {
                Log.push_back(tag + "." + what + "(" + std::to_string(k) + "," + std::to_string(x) +
                              "," + std::to_string(y) + ")");
            };
        };
        c.OnMouseMove = log("move");
        c.OnMouseEnter = log("enter");
        c.OnMouseHover = log("hover");
        c.OnMouseLeave = log("leave");
        c.OnMouseDown = log("down");
        c.OnMouseUp = log("up");
        c.OnClick = log("click");
        c.OnDblClick = log("dblclick");
        c.OnDrag = log("drag");
    }
    // A shown window with one watched element at (10, 10), 40 x 40.
    TSolid& WatchedElement() {
        auto& window = MakeWindow();
        auto& c = MakeChild(window, 10, 10, 40, 40);
        window.Update();
        Watch(c, "C");
        return c;
    }
    std::vector<std::string> Only(const std::string& what) const {
        std::vector<std::string> out;
        for (const auto& l : Log)
            if (l.find("." + what + "(") != std::string::npos)
                out.push_back(l);
        return out;
    }
};

TEST_F(DispatchTest, OverlappingElementsGiveTheClickToTheLastCreated) {
    auto& window = MakeWindow();
    auto& a = MakeChild(window, 10, 10, 60, 60);
    auto& b = MakeChild(window, 20, 20, 60, 60);
    auto& c = MakeChild(window, 30, 30, 60, 60);
    window.Update();
    // Later siblings lie above earlier ones.
    EXPECT_EQ(GetWindow(window.WindowHandle(), GW_CHILD), c.WindowHandle());
    EXPECT_EQ(GetWindow(c.WindowHandle(), GW_HWNDNEXT), b.WindowHandle());
    EXPECT_EQ(GetWindow(b.WindowHandle(), GW_HWNDNEXT), a.WindowHandle());
    EXPECT_EQ(ChildWindowFromPoint(window.WindowHandle(), {35, 35}), c.WindowHandle());
    EXPECT_EQ(window.ControlCount(), 3);
    Watch(a, "A");
    Watch(b, "B");
    Watch(c, "C");
    Screen->Click(S(40), S(40));
    Pump();
    EXPECT_EQ(Only("click"), std::vector<std::string>{"C.click(1,10,10)"});
    // Outside C but inside B only B is hit.
    Log.clear();
    Screen->Click(S(25), S(25));
    Pump();
    EXPECT_EQ(Only("click"), std::vector<std::string>{"B.click(1,5,5)"});
}

TEST_F(DispatchTest, DisabledElementPassesThePressToItsParent) {
    auto& window = MakeWindow();
    auto& panel = MakeChild(window, 10, 10, 100, 100);
    auto& button = MakeChild(panel, 20, 20, 30, 30);
    window.Update();
    button.SetEnabled(false);
    Watch(panel, "P");
    Watch(button, "B");
    Screen->Click(S(35), S(35));
    Pump();
    EXPECT_EQ(Only("down"), std::vector<std::string>{"P.down(1,25,25)"});
    EXPECT_EQ(Only("click"), std::vector<std::string>{"P.click(1,25,25)"});
}

TEST_F(DispatchTest, ReleaseOutsideKeepsTheClickPendingForAReleaseInside) {
    auto& c = WatchedElement();
    // Elements that follow a press take the capture themselves.
    c.OnMouseDown = [&](TObject*, int, int, int) { SetCapture(c.WindowHandle()); };
    Screen->MovePointer(S(20), S(20));
    Screen->PressButton();
    Screen->MovePointer(S(150), S(150));
    Screen->ReleaseButton();
    Pump();
    ReleaseCapture();
    EXPECT_EQ(Only("up").size(), 1u);
    EXPECT_TRUE(Only("click").empty());
    // A later release inside without a new press completes the click, once.
    Screen->MovePointer(S(30), S(30));
    Pump();
    SendMessage(c.WindowHandle(), WM_LBUTTONUP, 0, MakeLParam(20, 20));
    SendMessage(c.WindowHandle(), WM_LBUTTONUP, 0, MakeLParam(20, 20));
    EXPECT_EQ(Only("click"), std::vector<std::string>{"C.click(1,20,20)"});
}

TEST_F(DispatchTest, OnlyTheLeftButtonClicks) {
    auto& c = WatchedElement();
    Screen->Click(S(20), S(20), TMouseButton::Right);
    Screen->Click(S(20), S(20), TMouseButton::Middle);
    Pump();
    EXPECT_TRUE(Only("click").empty());
    EXPECT_EQ(Only("up"), (std::vector<std::string>{"C.up(2,10,10)", "C.up(16,10,10)"}));
    // A right press after a left press clears the pending click.
    HWND h = c.WindowHandle();
    SendMessage(h, WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(10, 10));
    SendMessage(h, WM_RBUTTONDOWN, MK_RBUTTON, MakeLParam(10, 10));
    SendMessage(h, WM_LBUTTONUP, 0, MakeLParam(10, 10));
    EXPECT_TRUE(Only("click").empty());
}

TEST_F(DispatchTest, MovingWithTheLeftButtonDragsInsteadOfMoving) {
    auto& c = WatchedElement();
    HWND h = c.WindowHandle();
    SendMessage(h, WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(3, 4));
    SendMessage(h, WM_MOUSEMOVE, 0, MakeLParam(-3, -4));
    EXPECT_EQ(Only("drag"), std::vector<std::string>{"C.drag(1,3,4)"});
    EXPECT_EQ(Only("move"), std::vector<std::string>{"C.move(0,-3,-4)"});
}

TEST_F(DispatchTest, EnterFollowsTheFirstMoveHoverComesOnceLeaveIsZero) {
    auto& c = WatchedElement();
    Screen->MovePointer(S(20), S(20));
    Pump();
    ASSERT_GE(Log.size(), 2u);
    EXPECT_EQ(Log[0], "C.move(0,10,10)");
    EXPECT_EQ(Log[1], "C.enter(0,0,0)");
    EXPECT_TRUE(c.MouseInside());
    Log.clear();
    Screen->Advance(MouseHoverTime + 10);
    Pump();
    Screen->Advance(MouseHoverTime * 3);
    Pump();
    EXPECT_EQ(Only("hover"), std::vector<std::string>{"C.hover(0,10,10)"});
    Log.clear();
    Screen->MovePointer(S(150), S(150));
    Pump();
    EXPECT_EQ(Only("leave"), std::vector<std::string>{"C.leave(0,0,0)"});
    EXPECT_FALSE(c.MouseInside());
    // The next stay starts tracking again.
    Log.clear();
    Screen->MovePointer(S(21), S(21));
    Pump();
    EXPECT_EQ(Only("enter").size(), 1u);
}

TEST_F(DispatchTest, MovingOntoACoveringChildLeavesTheParent) {
    auto& window = MakeWindow();
    auto& panel = MakeChild(window, 10, 10, 100, 100);
    auto& child = MakeChild(panel, 50, 50, 20, 20);
    window.Update();
    Watch(panel, "P");
    Watch(child, "K");
    Screen->MovePointer(S(20), S(20));
    Pump();
    Log.clear();
    Screen->MovePointer(S(65), S(65));
    Pump();
    const std::vector<std::string> expected = {"P.leave(0,0,0)", "K.move(0,5,5)", "K.enter(0,0,0)"};
    EXPECT_EQ(Log, expected);
}

TEST_F(DispatchTest, DoubleClickFiresOneClick) {
    WatchedElement();
    Screen->Click(S(20), S(20));
    Screen->Advance(50);
    Screen->Click(S(20), S(20));
    Pump();
    std::vector<std::string> buttons;
    for (const auto& l : Log)
        if (l.find(".move(") == std::string::npos && l.find(".enter(") == std::string::npos)
            buttons.push_back(l);
    const std::vector<std::string> expected = {"C.down(1,10,10)", "C.up(1,10,10)",
                                               "C.click(1,10,10)", "C.dblclick(1,10,10)",
                                               "C.up(1,10,10)"};
    EXPECT_EQ(buttons, expected);
}

TEST_F(DispatchTest, UnhandledWheelReachesTheParentHandledOneStillGoesOn) {
    auto& window = MakeWindow();
    auto& panel = MakeChild(window, 10, 10, 100, 100);
    auto& child = MakeChild(panel, 10, 10, 40, 40);
    window.Update();
    std::vector<std::string> wheel;
    panel.OnMouseWheel = [&](TObject*, int keys, int delta, int x, int y) {
        wheel.push_back("P " + std::to_string(keys) + " " + std::to_string(delta) + " " +
                        std::to_string(x) + " " + std::to_string(y));
    };
    Screen->MovePointer(S(30), S(30));
    Pump();
    child.SetFocus();
    Screen->Wheel(-120);
    Pump();
    ASSERT_EQ(wheel.size(), 1u);
    EXPECT_EQ(wheel[0], "P 0 -120 130 130"); // screen coordinates
    child.OnMouseWheel = [&](TObject*, int, int delta, int, int) {
        wheel.push_back("K " + std::to_string(delta));
    };
    Screen->Wheel(240);
    Pump();
    ASSERT_EQ(wheel.size(), 3u);
    EXPECT_EQ(wheel[1], "K 240");
    EXPECT_EQ(wheel[2], "P 0 240 130 130");
}

TEST_F(DispatchTest, KeysAndCharactersReachTheFocusedControl) {
    auto& window = MakeWindow();
    auto& c = MakeChild(window, 10, 10, 40, 40);
    window.Update();
    std::vector<int> keys;
    c.OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) { keys.push_back(key); };
    c.OnKeyUp = [&](TObject*, std::uint16_t& key, TShiftState) { keys.push_back(-key); };
    c.OnChar = [&](TObject*, std::int32_t& code) { keys.push_back(1000 + code); };
    c.SetFocus();
    EXPECT_EQ(GetFocus(), c.WindowHandle());
    Screen->KeyDown(VK_DOWN);
    Screen->KeyUp(VK_DOWN);
    Pump();
    EXPECT_EQ(keys, (std::vector<int>{VK_DOWN, -static_cast<int>(VK_DOWN)}));
    c.SetVisible(false);
    c.SetFocus(); // a hidden control does not take the focus
    EXPECT_NE(GetFocus(), c.WindowHandle());
}
