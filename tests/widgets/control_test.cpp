#include "widgets/control.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "toolkit_fixture.h"

using namespace platform;
using namespace widgets;
using toolkit_test::ToolkitTest;
using toolkit_test::TSolid;

namespace {

// Remembers every message its platform class procedure sees, so tests can tell what default
// processing received.
std::vector<TMsg> RecorderSeen;
LRESULT RecorderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    RecorderSeen.push_back(TMsg{hwnd, msg, wp, lp, 0, {}});
    return DefWindowProc(hwnd, msg, wp, lp);
}

bool RecorderSaw(UINT msg) {
    return std::any_of(RecorderSeen.begin(), RecorderSeen.end(),
                       [msg](const TMsg& m) { return m.message == msg; });
}

// A control built on an existing platform class, as the tooltip and text elements are.
class TRecorded : public TControl {
public:
    using TControl::TControl;

protected:
    void CreateParams(TWindowParams& Params) override {
        TControl::CreateParams(Params);
        UsePlatformClass(Params, u"Recorder");
    }
};

// Stands in for the application's tooltip window and keeps the requests it gets.
class TToolSink : public TWindowEx {
public:
    using TWindowEx::TWindowEx;
    void WndProc(TWidgetMessage& Message) override {
        if (Message.Msg >= TTM_ADDTOOLW && Message.Msg <= TTM_UPDATETIPTEXTW) {
            auto* info = reinterpret_cast<const TToolInfo*>(Message.LParam);
            Requests.push_back({Message.Msg, info->uFlags, info->hwnd, info->uId});
            return;
        }
        TWindowEx::WndProc(Message);
    }
    struct Request {
        UINT Msg, Flags;
        HWND Owner;
        std::uintptr_t Id;
    };
    std::vector<Request> Requests;
};

} // namespace

TEST_F(ToolkitTest, NamesCountUpAcrossClasses) {
    TControl a(nullptr);
    TSolid b(nullptr);
    const std::u16string an = a.Name(), bn = b.Name();
    ASSERT_EQ(an.rfind(u"Widget_", 0), 0u);
    const int na = std::stoi(std::string(an.begin() + 7, an.end()));
    const int nb = std::stoi(std::string(bn.begin() + 7, bn.end()));
    EXPECT_EQ(nb, na + 1);
}

TEST_F(ToolkitTest, ChildWithoutParentRaisesParentRequiredWithItsName) {
    TControl orphan(nullptr);
    orphan.SetClassNameW(u"OrphanClass");
    const std::u16string name = orphan.Name();
    const std::string expected = "Parent Required " + std::string(name.begin(), name.end());
    try {
        orphan.Handle();
        FAIL() << "no exception";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(std::string(e.what()), expected);
    }
    EXPECT_FALSE(orphan.HandleAllocated());
    TWndClass info;
    EXPECT_FALSE(GetClassInfo(0, u"OrphanClass", &info));
    // A parent window given later makes creation possible.
    auto& window = MakeWindow();
    orphan.ParentWindow = window.Handle();
    EXPECT_NE(orphan.Handle(), 0u);
}

TEST_F(ToolkitTest, ReadingAChildHandleCreatesTheParentFirstWithStoredBounds) {
    TWindowEx window(nullptr);
    window.SetLeft(40);
    window.SetTop(50);
    window.SetSize(300, 200);
    TControl& child = *window.Make<TControl>();
    child.SetParent(&window);
    child.SetLeft(10);
    child.SetTop(20);
    child.SetSize(30, 40);
    EXPECT_FALSE(window.HandleAllocated());
    HWND h = child.Handle();
    ASSERT_TRUE(window.HandleAllocated());
    EXPECT_EQ(GetParent(h), window.WindowHandle());
    TRect r{};
    GetWindowRect(h, &r);
    EXPECT_EQ(r, (TRect{50, 70, 80, 110}));
    GetWindowRect(window.WindowHandle(), &r);
    EXPECT_EQ(r, (TRect{40, 50, 340, 250}));
}

TEST_F(ToolkitTest, ControlsOfOneClassShareOneRegisteredClassAndProcedure) {
    auto& window = MakeWindow();
    auto& a = MakeChild(window, 0, 0, 10, 10);
    auto& b = MakeChild(window, 20, 0, 10, 10);
    TWndClass info;
    ASSERT_TRUE(GetClassInfo(0, u"TControlEx", &info));
    EXPECT_EQ(info.lpfnWndProc, &WidgetWndProc);
    for (TControl* c : {static_cast<TControl*>(&a), static_cast<TControl*>(&b)})
        EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLong(c->WindowHandle(), GWL_WNDPROC)),
                  &WidgetWndProc);
    // Child identifiers default to the window's own handle.
    EXPECT_EQ(GetDlgCtrlID(a.WindowHandle()), static_cast<UINT>(a.WindowHandle()));
}

TEST_F(ToolkitTest, CaptionBeforeCreationBecomesTheWindowText) {
    auto& window = MakeWindow();
    TControl& c = *window.Make<TControl>();
    c.SetParent(&window);
    c.SetCaption(u"Güncelleniyor...");
    EXPECT_EQ(c.Caption(), u"Güncelleniyor...");
    HWND h = c.Handle();
    EXPECT_EQ(GetWindowText(h), u"Güncelleniyor...");
    c.SetCaption(u"Tamam");
    EXPECT_EQ(GetWindowText(h), u"Tamam");
    SetWindowText(h, u"dışarıdan");
    EXPECT_EQ(c.Caption(), u"dışarıdan");
}

TEST_F(ToolkitTest, HeightAlwaysMovesALiveWindowLeftOnlyOnChange) {
    auto& window = MakeWindow();
    auto& c = MakeChild(window, 5, 5, 20, 20);
    int changes = 0;
    c.OnWindowPosChanging = [&](TObject*, TWindowPos&) { ++changes; };
    c.SetLeft(5);
    c.SetTop(5);
    c.SetWidth(20);
    EXPECT_EQ(changes, 0);
    c.SetHeight(20);
    EXPECT_EQ(changes, 1);
    c.SetLeft(7);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(c.Left(), 7);
}

// Without a window Perform still runs the handlers, and other operations only store.
TEST_F(ToolkitTest, OperationsWithoutWindowOnlyStore) {
    TControl c(nullptr);
    std::uint16_t seen = 0;
    c.OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) {
        seen = key;
        key = 0;
    };
    c.Perform(WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(seen, 'A');
    EXPECT_EQ(c.Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"abc")), 0);
    EXPECT_EQ(c.Perform(WM_GETTEXTLENGTH, 0, 0), 3);
    char16_t buffer[3] = {u'x', u'x', u'x'};
    EXPECT_EQ(c.Perform(WM_GETTEXT, 3, reinterpret_cast<LPARAM>(buffer)), 2);
    EXPECT_EQ(std::u16string(buffer), u"ab");
    // A zero-sized buffer gets nothing written, not a terminator before its start.
    buffer[0] = u'x';
    EXPECT_EQ(c.Perform(WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
    EXPECT_EQ(buffer[0], u'x');

    c.SetStyle(0x1234);
    c.SetEnabled(false);
    c.SetBounds(1, 2, 3, 4);
    c.SetFocus();
    EXPECT_EQ(c.Style(), 0u);
    EXPECT_EQ(c.ControlCount(), 0);
    EXPECT_FALSE(c.Enabled());
    EXPECT_EQ(c.Left(), 0); // SetBounds needs a window
    EXPECT_FALSE(c.HandleAllocated());
}

TEST_F(ToolkitTest, PlatformClassIsSubclassedAndSeesHandlerChanges) {
    TWndClass rec;
    rec.lpfnWndProc = RecorderProc;
    rec.lpszClassName = u"Recorder";
    RegisterClass(rec);
    RecorderSeen.clear();
    auto& window = MakeWindow();
    TRecorded& c = *window.Make<TRecorded>();
    c.SetParent(&window);
    HWND h = c.Handle();
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLong(h, GWL_WNDPROC)), &WidgetWndProc);

    c.OnKeyDown = [](TObject*, std::uint16_t& key, TShiftState) { key = 0; };
    RecorderSeen.clear();
    SendMessage(h, WM_KEYDOWN, 'A', 0);
    ASSERT_TRUE(RecorderSaw(WM_KEYDOWN));
    EXPECT_EQ(RecorderSeen.back().wParam, 0u);

    // The private enter message and an answered set-cursor stop before default processing.
    RecorderSeen.clear();
    SendMessage(h, WM_MOUSEENTER, 0, 0);
    EXPECT_FALSE(RecorderSaw(WM_MOUSEENTER));
    SendMessage(h, WM_SETCURSOR, h, MakeLParam(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(RecorderSaw(WM_SETCURSOR)); // no cursor loaded yet
    RecorderSeen.clear();
    c.SetCursor(13);
    EXPECT_EQ(SendMessage(h, WM_SETCURSOR, h, MakeLParam(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_FALSE(RecorderSaw(WM_SETCURSOR));
    EXPECT_EQ(Screen->CursorShape(), IDC_HAND);

    // After the final message the original procedure is back and the control is unlinked.
    DestroyWindow(h);
    EXPECT_FALSE(c.HandleAllocated());
}

TEST_F(ToolkitTest, CursorOutsideTheTableOrUnchangedIsIgnored) {
    TControl c(nullptr);
    for (int bad : {16, -1, 0}) {
        c.SetCursor(bad);
        EXPECT_EQ(c.Cursor(), 0) << bad;
    }
    c.SetCursor(13);
    EXPECT_EQ(c.Cursor(), 13);
}

TEST_F(ToolkitTest, AdoptedWindowTakesItsStateButStaysUnlinked) {
    auto& window = MakeWindow();
    HWND foreign = CreateWindowEx(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE, 12, 14, 30, 20,
                                  window.Handle(), 77, nullptr);
    ASSERT_NE(foreign, 0u);
    TControl c(nullptr);
    c.SetParent(&window);
    int moves = 0;
    c.OnMouseMove = [&](TObject*, int, int, int) { ++moves; };
    c.SetHandle(foreign);
    EXPECT_EQ(c.WindowHandle(), foreign);
    EXPECT_EQ(c.Left(), 12);
    EXPECT_EQ(c.Top(), 14);
    EXPECT_EQ(c.Width(), 30);
    EXPECT_EQ(c.Height(), 20);
    EXPECT_TRUE(c.Visible());
    EXPECT_EQ(c.CtrlID, 77u);
    SendMessage(foreign, WM_MOUSEMOVE, 0, MakeLParam(1, 1));
    EXPECT_EQ(moves, 0);
    // A second adoption while a live window is held is refused.
    HWND other =
        CreateWindowEx(0, u"STATIC", u"", WS_CHILD, 0, 0, 5, 5, window.Handle(), 0, nullptr);
    c.SetHandle(other);
    EXPECT_EQ(c.WindowHandle(), foreign);
}

TEST_F(ToolkitTest, FreeingALinkedControlTakesItsWindowAlong) {
    auto& window = MakeWindow();
    auto owned = std::make_unique<TSolid>(nullptr);
    owned->SetParent(&window);
    HWND h = owned->Handle();
    PostMessage(h, WM_MOUSEENTER, 0, 0);
    owned.reset();
    EXPECT_FALSE(IsWindow(h));
    // The message posted before is dropped rather than delivered to freed memory.
    Pump();
    EXPECT_FALSE(PostMessage(h, WM_MOUSEENTER, 0, 0));
}

TEST_F(ToolkitTest, HintRegistrationNeedsTheTooltipWindowFirst) {
    auto& window = MakeWindow();
    auto& early = MakeChild(window, 0, 0, 10, 10);
    early.SetShowHint(true); // no tooltip yet: registers nothing, not even later
    TToolSink& sink = *window.Make<TToolSink>();
    ToolTipWindow = sink.Handle();
    auto& late = MakeChild(window, 20, 0, 10, 10);
    late.SetShowHint(true);
    late.SetHint(u"ipucu");
    late.SetShowHint(false);
    ToolTipWindow = 0;
    ASSERT_EQ(sink.Requests.size(), 3u);
    const UINT msgs[] = {TTM_ADDTOOLW, TTM_UPDATETIPTEXTW, TTM_DELTOOLW};
    const UINT flags[] = {0x11, 0x01, 0x01};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sink.Requests[i].Msg, msgs[i]);
        EXPECT_EQ(sink.Requests[i].Flags, flags[i]);
        EXPECT_EQ(sink.Requests[i].Owner, sink.WindowHandle());
        EXPECT_EQ(sink.Requests[i].Id, late.WindowHandle());
    }
}

TEST_F(ToolkitTest, ShiftStateComesFromKeyStateAndAltFromTheKeyData) {
    EXPECT_EQ(KeyDataToShiftState(0), 0);
    EXPECT_EQ(KeyDataToShiftState(KEY_CONTEXT_ALT), ssAlt);
    auto& window = MakeWindow();
    SetFocus(window.Handle());
    Screen->KeyDown(VK_SHIFT);
    Screen->KeyDown(VK_CONTROL);
    Pump();
    EXPECT_EQ(KeyDataToShiftState(0), ssShift | ssCtrl);
}

TEST_F(ToolkitTest, InputMessagesStampLastInputTick) {
    auto& window = MakeWindow();
    Screen->SetTime(123456);
    window.Perform(WM_SETFOCUS, 0, 0);
    EXPECT_NE(LastInputTick, 123456u);
    window.Perform(WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(LastInputTick, 123456u);
}
