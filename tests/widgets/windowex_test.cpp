// The layered top-level window: presentation, its messages and events, timers and the loop.
#include <gtest/gtest.h>

#include "toolkit_fixture.h"

using namespace platform;
using namespace widgets;
using toolkit_test::ToolkitTest;
using toolkit_test::TSolid;

namespace {

constexpr UINT WM_TEST_PING = WM_USER + 17;

// Records what the loop delivers to it, and builds one child while it is being created.
class TProbeWindow : public TWindowEx {
public:
    using TWindowEx::TWindowEx;
    void WndProc(TWidgetMessage& Message) override {
        if (Message.Msg == WM_TEST_PING) {
            Pings.push_back(static_cast<int>(Message.WParam));
            return;
        }
        TWindowEx::WndProc(Message);
    }
    std::vector<int> Pings;
    TSolid* Built = nullptr;

protected:
    void AfterCreate() override {
        Built = Make<TSolid>();
        Built->SetParent(this);
        Built->SetSize(10, 10);
        Built->Show();
    }
};

} // namespace

TEST_F(ToolkitTest, UpdatePresentsTheComposedCanvasWithTheWindowOpacity) {
    auto& window = MakeWindow();
    MakeChild(window, 0, 0, 10, 10);
    window.SetOpacity(200);
    window.Update();
    auto frame = Screen->LastFrame(window.WindowHandle());
    EXPECT_EQ(frame.Alpha, 200);
    EXPECT_EQ(frame.Bounds, (TRect{100, 100, 300, 300}));
    EXPECT_EQ(frame.Pixel(5, 5), 0xFFFF0000u);
    // A fade step presents the same picture with a new alpha and paints nothing.
    const std::size_t before = Screen->FrameCount();
    window.SetOpacity(50);
    window.UpdateLayer();
    EXPECT_EQ(Screen->FrameCount(), before + 1);
    frame = Screen->LastFrame(window.WindowHandle());
    EXPECT_EQ(frame.Alpha, 50);
    EXPECT_EQ(frame.Pixel(5, 5), 0xFFFF0000u);
}

TEST_F(ToolkitTest, WindowIsAFramelessLayeredToolWindow) {
    TWindowEx window(nullptr);
    window.SetAlwaysTop(true);
    window.SetEnabled(false);
    HWND h = window.Handle();
    EXPECT_EQ(GetParent(h), 0u);
    EXPECT_EQ(window.Style(), WS_POPUP | WS_DISABLED);
    EXPECT_EQ(window.ExStyle() & (WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST),
              WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    EXPECT_EQ(window.Width(), 320);
    EXPECT_EQ(window.Height(), 240);
}

TEST_F(ToolkitTest, CreationRunsOnCreateThenAfterCreateWithLinkedChildren) {
    TProbeWindow window(nullptr);
    int created = 0;
    window.OnCreate = [&](TObject*) {
        ++created;
        EXPECT_EQ(window.Built, nullptr);
    };
    window.Handle();
    EXPECT_EQ(created, 1);
    ASSERT_NE(window.Built, nullptr);
    EXPECT_EQ(GetParent(window.Built->WindowHandle()), window.WindowHandle());
    EXPECT_EQ(GetProp(window.Built->WindowHandle(), WindowAtom),
              reinterpret_cast<HANDLE>(static_cast<TControl*>(window.Built)));
}

TEST_F(ToolkitTest, CloseActionDecidesTheWindowsFate) {
    struct Case {
        TCloseAction Action;
        bool Alive, Visible;
    };
    for (const Case& c :
         {Case{caFree, false, false}, Case{caHide, true, false}, Case{caNone, true, true},
          Case{caMinimize, true, true}, Case{static_cast<TCloseAction>(9), true, true}}) {
        auto& window = MakeWindow();
        int destroyed = 0;
        window.OnDestroy = [&](TObject*) { ++destroyed; };
        window.OnClose = [&](TObject*, TCloseAction& a) {
            EXPECT_EQ(a, caFree);
            a = c.Action;
        };
        HWND h = window.WindowHandle();
        Screen->RequestClose(h);
        Pump();
        EXPECT_EQ(IsWindow(h), c.Alive) << c.Action;
        EXPECT_EQ(destroyed, c.Alive ? 0 : 1) << c.Action;
        if (c.Alive) {
            EXPECT_EQ(window.Visible(), c.Visible) << c.Action;
        }
    }
}

TEST_F(ToolkitTest, AlwaysTopOnALiveWindowRaisesAndActivatesOnce) {
    auto& window = MakeWindow();
    window.Update();
    Screen->ActivateOther();
    Pump();
    ASSERT_NE(GetActiveWindow(), window.WindowHandle());
    const std::size_t before = Screen->ActivationRequests().size();
    window.SetAlwaysTop(true);
    EXPECT_TRUE(Screen->Surface(window.WindowHandle()).Topmost);
    const std::size_t after = Screen->ActivationRequests().size();
    EXPECT_GT(after, before);
    EXPECT_EQ(Screen->ActivationRequests().back(), window.WindowHandle());
    EXPECT_EQ(GetActiveWindow(), window.WindowHandle());
    Screen->ActivateOther();
    Pump();
    window.SetAlwaysTop(true);
    EXPECT_EQ(Screen->ActivationRequests().size(), after);
    window.SetAlwaysTop(false);
    EXPECT_FALSE(Screen->Surface(window.WindowHandle()).Topmost);
}

TEST_F(ToolkitTest, ShowHideAndResizeEvents) {
    auto& window = MakeWindow();
    std::vector<std::string> events;
    window.OnShow = [&](TObject*) { events.push_back("show"); };
    window.OnHide = [&](TObject*) { events.push_back("hide"); };
    window.OnResize = [&](TObject*) { events.push_back("resize"); };
    window.Hide();
    window.Show();
    window.SetSize(150, 120);
    EXPECT_EQ(window.Canvas().Width(), 150);
    EXPECT_EQ(window.Canvas().Height(), 120);
    EXPECT_EQ(window.ClientHeight, 120);
    const std::vector<std::string> expected = {"hide", "show", "resize"};
    EXPECT_EQ(events, expected);
    int state = -1;
    HWND other = 1;
    window.OnActivate = [&](TObject*, int s, HWND w) {
        state = s;
        other = w;
    };
    SendMessage(window.WindowHandle(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(state, static_cast<int>(WA_CLICKACTIVE));
    EXPECT_EQ(other, 0u);
    // When a timer of the window ticks is the queue's affair; the window tells which one.
    std::vector<UINT> ticks;
    window.OnTimer = [&](TObject*, UINT id) { ticks.push_back(id); };
    SendMessage(window.WindowHandle(), WM_TIMER, 1003, 0);
    EXPECT_EQ(ticks, std::vector<UINT>{1003});
}

TEST_F(ToolkitTest, MouseActivateAnswerCanBeChangedByTheHandler) {
    auto& window = MakeWindow();
    HWND h = window.WindowHandle();
    EXPECT_EQ(SendMessage(h, WM_MOUSEACTIVATE, h, MakeLParam(HTCLIENT, WM_LBUTTONDOWN)),
              MA_ACTIVATE);
    window.OnMouseActivate = [](TObject*, int hit, int button, LRESULT& result) {
        EXPECT_EQ(hit, HTCLIENT);
        EXPECT_EQ(button, static_cast<int>(WM_LBUTTONDOWN));
        result = MA_NOACTIVATE;
    };
    EXPECT_EQ(SendMessage(h, WM_MOUSEACTIVATE, h, MakeLParam(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
}

// The loop delivers a posted message to the window's own procedure, and drops what was posted
// to it once it is gone. (Waking the loop from another thread is the queue's own affair.)
TEST_F(ToolkitTest, PostToADestroyedWindowIsDropped) {
    TProbeWindow window(nullptr);
    HWND h = window.Handle();
    ASSERT_TRUE(PostMessage(h, WM_TEST_PING, 42, 0));
    Pump();
    EXPECT_EQ(window.Pings, std::vector<int>{42});
    PostMessage(h, WM_TEST_PING, 1, 0);
    DestroyWindow(h);
    EXPECT_FALSE(PostMessage(h, WM_TEST_PING, 2, 0));
    Pump();
    EXPECT_EQ(window.Pings, std::vector<int>{42});
    EXPECT_FALSE(window.HandleAllocated());
}

TEST_F(ToolkitTest, PlainWindowIsTopLevelAndTakesNoParent) {
    TWindow plain(nullptr);
    int created = 0;
    plain.OnCreate = [&](TObject*) { ++created; };
    HWND h = plain.Handle();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(GetParent(h), 0u);
    EXPECT_EQ(plain.Style() & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(plain.Color(), ResolveColor(clBtnFace));
    std::vector<UINT> ticks;
    plain.OnTimer = [&](TObject*, UINT id) { ticks.push_back(id); };
    SendMessage(h, WM_TIMER, 5, 0);
    EXPECT_EQ(ticks, std::vector<UINT>{5});
}
