#include "wm_fixture.h"

#include "platform/sys/workarea.h"

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

using namespace wmtest;

namespace {

TEST_F(WmTest, CreationDataReachesTheCreateMessages) {
    int marker = 0;
    void *seenNc = nullptr, *seen = nullptr;
    Rec.CreateHook = [&](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_NCCREATE || m == WM_CREATE)
            (m == WM_CREATE ? seen : seenNc) = reinterpret_cast<TCreateStruct*>(lp)->lpCreateParams;
        return std::nullopt;
    };
    const HWND hwnd = CreateWindowEx(WS_EX_TOOLWINDOW, u"Recording", u"caption",
                                     WS_POPUP | WS_VISIBLE, 5, 6, 70, 80, 0, 0, &marker);
    ASSERT_NE(hwnd, 0u);
    EXPECT_EQ(seenNc, &marker);
    EXPECT_EQ(seen, &marker);
    EXPECT_EQ(GetWindowText(hwnd), u"caption");
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetWindowLong(hwnd, GWL_EXSTYLE), static_cast<LONG_PTR>(WS_EX_TOOLWINDOW));
    const auto surface = Screen->Surface(hwnd);
    EXPECT_TRUE(surface.Visible);
    EXPECT_TRUE(surface.Params.ToolWindow);
    EXPECT_EQ(surface.Bounds, (TRect{5, 6, 75, 86}));
    // Creation then reports the size and place.
    const auto msgs = MessagesOf(hwnd);
    auto pos = [&](UINT m) { return std::find(msgs.begin(), msgs.end(), m) - msgs.begin(); };
    EXPECT_LT(pos(WM_NCCREATE), pos(WM_CREATE));
    EXPECT_LT(pos(WM_CREATE), pos(WM_SIZE));
    EXPECT_LT(pos(WM_SIZE), pos(WM_SHOWWINDOW));
}

TEST_F(WmTest, RefusedCreationsReturnZeroAndLeaveNoWindow) {
    Rec.CreateHook = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return m == WM_CREATE ? std::optional<LRESULT>(-1) : std::nullopt;
    };
    EXPECT_EQ(CreateWindowEx(0, u"Recording", u"", WS_POPUP, 0, 0, 1, 1, 0, 0, nullptr), 0u);
    Rec.CreateHook = nullptr;
    ASSERT_FALSE(Rec.Log.empty());
    const HWND refused = Rec.Log.front().Hwnd;
    EXPECT_FALSE(IsWindow(refused));
    EXPECT_EQ(Count(refused, WM_NCDESTROY), 1);
    EXPECT_FALSE(Screen->HasSurface(refused));

    EXPECT_EQ(CreateWindowEx(0, u"NoSuchClass", u"", WS_POPUP, 0, 0, 1, 1, 0, 0, nullptr), 0u);
    EXPECT_EQ(CreateWindowEx(0, u"Recording", u"", WS_CHILD, 0, 0, 1, 1, 0, 0, nullptr), 0u)
        << "a child needs a parent";
    EXPECT_EQ(CreateWindowEx(0, u"Recording", u"", WS_CHILD, 0, 0, 1, 1, refused, 0, nullptr), 0u)
        << "a dead parent is no parent";
}

TEST_F(WmTest, ClassesAreFoundByNameAndStayWhileTheirWindowsLive) {
    TWndClass wc;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = u"Temporary";
    ASSERT_NE(RegisterClass(wc), 0);
    EXPECT_EQ(RegisterClass(wc), 0) << "registered twice";
    TWndClass found;
    ASSERT_TRUE(GetClassInfo(0, u"temporary", &found));
    EXPECT_EQ(found.lpfnWndProc, &RecordingProc);
    ASSERT_TRUE(GetClassInfo(0, u"STATIC", &found)) << "built in";

    const HWND hwnd = CreateWindowEx(0, u"Temporary", u"", WS_POPUP, 0, 0, 1, 1, 0, 0, nullptr);
    EXPECT_FALSE(UnregisterClass(u"Temporary", 0));
    DestroyWindow(hwnd);
    EXPECT_TRUE(UnregisterClass(u"Temporary", 0));
    EXPECT_FALSE(GetClassInfo(0, u"Temporary", &found));
    EXPECT_FALSE(UnregisterClass(u"STATIC", 0));
}

TEST_F(WmTest, HandlesAreNeverReused) {
    std::set<HWND> seen;
    for (int i = 0; i < 50; ++i) {
        const HWND hwnd = Top(0, 0, 1, 1);
        ASSERT_TRUE(seen.insert(hwnd).second);
        ASSERT_TRUE(DestroyWindow(hwnd));
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_FALSE(DestroyWindow(hwnd));
    }
    InstallHeadlessDisplay(); // a new screen does not restart the count either
    EXPECT_EQ(seen.count(Top(0, 0, 1, 1)), 0u);
}

TEST_F(WmTest, DestroyReachesEveryWindowAndFinishesChildrenBeforeParents) {
    const HWND parent = Top(0, 0, 100, 100), first = Child(parent, 0, 0, 10, 10);
    const HWND grandchild = Child(first, 0, 0, 5, 5), second = Child(parent, 20, 0, 10, 10);
    const HWND owned =
        CreateWindowEx(0, u"Recording", u"", WS_POPUP, 0, 0, 1, 1, parent, 0, nullptr);
    EXPECT_EQ(GetParent(owned), parent);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), parent);
    bool childAliveInParentsDestroy = false;
    OnMessage(parent, WM_DESTROY,
              [&](HWND, LPARAM) { childAliveInParentsDestroy = IsWindow(grandchild); });
    Clear();
    ASSERT_TRUE(DestroyWindow(parent));

    std::vector<std::pair<HWND, UINT>> order;
    for (const auto& e : Entries({WM_DESTROY, WM_NCDESTROY}))
        order.emplace_back(e.Hwnd, e.Msg);
    const std::vector<std::pair<HWND, UINT>> expected{
        {owned, WM_DESTROY},    {owned, WM_NCDESTROY},      {parent, WM_DESTROY},
        {second, WM_DESTROY},   {first, WM_DESTROY},        {grandchild, WM_DESTROY},
        {second, WM_NCDESTROY}, {grandchild, WM_NCDESTROY}, {first, WM_NCDESTROY},
        {parent, WM_NCDESTROY},
    };
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(childAliveInParentsDestroy);
    for (HWND h : {parent, first, grandchild, second, owned})
        EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(Screen->HasSurface(parent));
}

TEST_F(WmTest, CloseDestroysByDefaultAndTheDesktopCanAskForIt) {
    const HWND a = Top(0, 0, 10, 10);
    SendMessage(a, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(a));

    const HWND b = Top(0, 0, 10, 10);
    Screen->RequestClose(b);
    Pump();
    EXPECT_FALSE(IsWindow(b));
    EXPECT_EQ(Count(b, WM_CLOSE), 1);
}

TEST_F(WmTest, PropertiesAreKeyedByAtom) {
    const ATOM atom = GlobalAddAtom(u"Test.Property");
    ASSERT_NE(atom, 0);
    EXPECT_EQ(GlobalAddAtom(u"test.property"), atom);
    const ATOM other = GlobalAddAtom(u"Test.Other");
    const HWND hwnd = Top(0, 0, 1, 1);
    EXPECT_EQ(GetProp(hwnd, atom), 0u);
    ASSERT_TRUE(SetProp(hwnd, atom, 0xDEADBEEF));
    EXPECT_EQ(GetProp(hwnd, atom), 0xDEADBEEFu);
    EXPECT_EQ(GetProp(hwnd, other), 0u);
    EXPECT_EQ(RemoveProp(hwnd, atom), 0xDEADBEEFu);
    EXPECT_EQ(GetProp(hwnd, atom), 0u);
    EXPECT_FALSE(SetProp(hwnd + 1000, atom, 1));
    EXPECT_EQ(GlobalDeleteAtom(atom), 0);
    EXPECT_EQ(GlobalDeleteAtom(atom), 0);
    EXPECT_EQ(GlobalDeleteAtom(atom), atom) << "both references are gone";
}

TEST_F(WmTest, PositionChangingRecordDecidesWhatApplies) {
    const HWND parent = Top(10, 20, 300, 300), child = Child(parent, 5, 5, 50, 50);
    OnMessage(child, WM_WINDOWPOSCHANGING, [](HWND, LPARAM lp) {
        auto* wp = reinterpret_cast<TWindowPos*>(lp);
        wp->x += 100;            // moved further than asked
        wp->flags |= SWP_NOSIZE; // and not resized at all
    });
    Clear();
    ASSERT_TRUE(MoveWindow(child, 7, 8, 90, 90, true));
    TRect r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r, (TRect{117, 28, 167, 78}));
    TPoint p{0, 0};
    ClientToScreen(child, &p);
    EXPECT_EQ(p, (TPoint{117, 28}));
    ScreenToClient(parent, &p);
    EXPECT_EQ(p, (TPoint{107, 8}));

    std::vector<UINT> seq = MessagesOf(child);
    seq.erase(std::remove_if(seq.begin(), seq.end(),
                             [](UINT m) { return m == WM_NCHITTEST || m == WM_SETCURSOR; }),
              seq.end());
    EXPECT_EQ(seq, (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}));
    for (const auto& e : Entries({WM_MOVE})) {
        EXPECT_EQ(GetXLParam(e.LParam), 107);
        EXPECT_EQ(GetYLParam(e.LParam), 8);
    }

    // A top-level window's surface follows it.
    SetWindowPos(parent, 0, 40, 50, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Screen->Surface(parent).Bounds, (TRect{40, 50, 240, 150}));
    GetClientRect(parent, &r);
    EXPECT_EQ(r, (TRect{0, 0, 200, 100}));
}

TEST_F(WmTest, ShowHideAndEnableReportThePreviousStateAndNotify) {
    const HWND parent = Top(0, 0, 100, 100), child = Child(parent, 0, 0, 10, 10);
    Clear();
    EXPECT_TRUE(ShowWindow(child, SW_HIDE));
    EXPECT_FALSE(ShowWindow(child, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_EQ(Count(child, WM_SHOWWINDOW), 1);
    ShowWindow(child, SW_SHOW);
    ShowWindow(parent, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(child)) << "hidden with its parent";
    EXPECT_FALSE(Screen->Surface(parent).Visible);

    EXPECT_FALSE(EnableWindow(child, false));
    EXPECT_TRUE(EnableWindow(child, false));
    EXPECT_FALSE(IsWindowEnabled(child));
    EXPECT_EQ(Count(child, WM_ENABLE), 1);
}

TEST_F(WmTest, TopmostWindowsStayAboveTheOthers) {
    const HWND normal = Top(0, 0, 10, 10), topmost = Top(0, 0, 10, 10, WS_EX_TOPMOST);
    const HWND later = Top(0, 0, 10, 10);
    EXPECT_EQ(GetTopWindow(0), topmost);
    EXPECT_EQ(GetWindow(topmost, GW_HWNDNEXT), later);
    SetWindowPos(normal, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(GetTopWindow(0), normal);
    EXPECT_TRUE(Screen->Surface(normal).Topmost);
    SetWindowPos(normal, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(GetTopWindow(0), topmost);
    EXPECT_EQ(GetWindow(topmost, GW_HWNDNEXT), normal);
    EXPECT_FALSE(Screen->Surface(normal).Topmost);
}

TEST_F(WmTest, SubclassingThroughTheWindowProcedureSlot) {
    static std::vector<UINT> seen;
    seen.clear();
    const HWND hwnd = Top(0, 0, 10, 10);
    auto proc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        seen.push_back(m);
        return CallWindowProc(RecordingProc, h, m, w, l);
    };
    const LONG_PTR old = SetWindowLong(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(+proc));
    EXPECT_EQ(old, reinterpret_cast<LONG_PTR>(&RecordingProc));
    SendMessage(hwnd, WM_USER + 5, 0, 0);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 5}));
    EXPECT_EQ(Count(hwnd, WM_USER + 5), 1);
}

TEST_F(WmTest, TextRoundTripsThroughTheTextMessages) {
    const HWND hwnd = Top(0, 0, 10, 10);
    ASSERT_TRUE(SetWindowText(hwnd, u"Güncelleniyor..."));
    EXPECT_EQ(GetWindowTextLength(hwnd), 16);
    EXPECT_EQ(GetWindowText(hwnd), u"Güncelleniyor...");
    char16_t small[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(SendMessage(hwnd, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(small)), 3);
    EXPECT_EQ(std::u16string(small), u"Gün");
    EXPECT_EQ(FindWindow(u"recording", u"Güncelleniyor..."), hwnd);
    EXPECT_EQ(FindWindow(u"recording", u"nothing"), 0u);
}

TEST_F(WmTest, TheInstalledScreenGivesTheWorkArea) {
    Screen->SetScreenSize(1920, 1080);
    Screen->SetWorkArea(TRect{100, 0, 1920, 1040});
    EXPECT_EQ(GetWorkArea(), (TRect{100, 0, 1920, 1040}));
    TRect area;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0));
    EXPECT_EQ(area, (TRect{100, 0, 1920, 1040}));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    UINT hover = 0;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETMOUSEHOVERTIME, 0, &hover, 0));
    EXPECT_EQ(hover, 400u);
    EXPECT_FALSE(SystemParametersInfo(0x1234, 0, &hover, 0));
}

// The icons WM_SETICON gives a window reach its surface (big first, each once); each call
// answers the icon it replaced, and WM_GETICON the current ones.
TEST_F(WmTest, WindowIconsReachTheSurface) {
    const HWND hwnd = Top(0, 0, 10, 10);
    const std::vector<std::uint32_t> bigPixels(32 * 32, 0x80402010u);
    const std::vector<std::uint32_t> smallPixels(16 * 16, 0xFF00FF00u);
    const HICON big = CreateIconFromPixels(32, 32, bigPixels.data());
    const HICON small = CreateIconFromPixels(16, 16, smallPixels.data());
    auto sizes = [&] {
        std::vector<std::pair<int, int>> out;
        for (const auto& image : Screen->Surface(hwnd).Icon)
            out.emplace_back(image.Width, image.Height);
        return out;
    };
    using TSizes = std::vector<std::pair<int, int>>;

    EXPECT_EQ(SendMessage(hwnd, WM_SETICON, ICON_BIG, static_cast<LPARAM>(big)), 0);
    EXPECT_EQ(sizes(), (TSizes{{32, 32}}));
    EXPECT_EQ(Screen->Surface(hwnd).Icon[0].Pixels, bigPixels);
    EXPECT_EQ(SendMessage(hwnd, WM_SETICON, ICON_SMALL, static_cast<LPARAM>(small)), 0);
    EXPECT_EQ(sizes(), (TSizes{{32, 32}, {16, 16}}));
    EXPECT_EQ(SendMessage(hwnd, WM_GETICON, ICON_BIG, 0), static_cast<LRESULT>(big));
    EXPECT_EQ(SendMessage(hwnd, WM_GETICON, ICON_SMALL2, 0), static_cast<LRESULT>(small));

    // The same icon for both sizes shows once; removing the big one leaves the small one.
    EXPECT_EQ(SendMessage(hwnd, WM_SETICON, ICON_SMALL, static_cast<LPARAM>(big)),
              static_cast<LRESULT>(small));
    EXPECT_EQ(sizes(), (TSizes{{32, 32}}));
    EXPECT_EQ(SendMessage(hwnd, WM_SETICON, ICON_BIG, 0), static_cast<LRESULT>(big));
    EXPECT_EQ(sizes(), (TSizes{{32, 32}}));
    EXPECT_EQ(SendMessage(hwnd, WM_GETICON, ICON_SMALL2, 0), static_cast<LRESULT>(big));
    EXPECT_EQ(SendMessage(hwnd, WM_SETICON, ICON_SMALL, 0), static_cast<LRESULT>(big));
    EXPECT_TRUE(sizes().empty());

    // An unknown kind changes nothing; a destroyed icon shows nothing.
    EXPECT_EQ(SendMessage(hwnd, WM_SETICON, 7, static_cast<LPARAM>(big)), 0);
    EXPECT_EQ(SendMessage(hwnd, WM_GETICON, ICON_BIG, 0), 0);
    ASSERT_TRUE(DestroyIcon(small));
    SendMessage(hwnd, WM_SETICON, ICON_BIG, static_cast<LPARAM>(small));
    EXPECT_TRUE(sizes().empty());
    DestroyIcon(big);
}

} // namespace
