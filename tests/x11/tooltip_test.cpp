// The tooltip class: when tips appear, what they ask for, how they wrap and when they go away.
#include "platform/tooltip_service.h"
#include "x11_fixture.h"

using namespace platform;
using namespace x11test;

namespace {

std::u16string Answer; // what the owner gives for the tip text
int Asked = 0;

LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* info = reinterpret_cast<TNmTtDispInfo*>(lParam);
        if (info->hdr.code == TTN_GETDISPINFO) {
            ++Asked;
            info->lpszText = Answer.empty() ? nullptr : Answer.data();
            SendMessage(info->hdr.hwndFrom, TTM_SETMAXTIPWIDTH, 0, 300);
        }
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

struct TScene {
    HWND Owner = 0, Tool = 0, Tooltip = 0;

    TScene(int x, int y) {
        InitCommonControls();
        TWndClass wc;
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = u"tipowner";
        RegisterClass(wc);
        TCardFrame frame(200, 150, 0);
        Owner = CreateWindowEx(WS_EX_LAYERED | WS_EX_TOOLWINDOW, u"tipowner", u"", WS_POPUP, x, y,
                               200, 150, 0, 0, nullptr);
        ShowWindow(Owner, SW_SHOWNA);
        const TPoint at{x, y};
        UpdateLayeredWindow(Owner, &at, 200, 150, frame.Pixels.data(), 800, 255);
        Tool = CreateWindowEx(0, u"tipowner", u"", WS_CHILD | WS_VISIBLE, 100, 0, 100, 150, Owner,
                              1, nullptr);
        Tooltip = CreateWindowEx(WS_EX_TOPMOST, TOOLTIPS_CLASS, u"",
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_NOFADE, 0, 0, 0, 0,
                                 0, 0, nullptr);
        TToolInfo info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = Owner;
        info.uId = Tool;
        info.lpszText = TextCallback();
        SendMessage(Tooltip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&info));
    }
};

class HeadlessTooltip : public testing::Test {
protected:
    void SetUp() override {
        Screen = &InstallHeadlessDisplay();
        Screen->SetHoverTime(400);
        Answer = u"Haberleri güncelle";
        Asked = 0;
    }
    void TearDown() override { InstallHeadlessDisplay(); }
    void Step(std::uint64_t ms) {
        ProcessPendingMessages();
        Screen->Advance(ms);
        ProcessPendingMessages();
    }
    THeadlessDisplay* Screen = nullptr;
};

TEST_F(HeadlessTooltip, ShowsAfterTheHoverTimeAndAsksEachTime) {
    TScene s(100, 100);
    Screen->MovePointer(250, 150);
    Step(399);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
    Step(1);
    const HWND tip = GetTipWindow(s.Tooltip);
    ASSERT_NE(tip, 0u);
    EXPECT_EQ(Asked, 1);
    TRect r;
    GetWindowRect(tip, &r);
    EXPECT_EQ(r.Left, 250);
    EXPECT_GT(r.Top, 150); // below the pointer
    // Leaving onto a part of the owner that is no tool hides it; coming back asks again.
    Screen->MovePointer(150, 150);
    Step(1);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
    Answer = u"Yeni metin";
    Screen->MovePointer(260, 150);
    Step(400);
    EXPECT_NE(GetTipWindow(s.Tooltip), 0u);
    EXPECT_EQ(Asked, 2);
}

TEST_F(HeadlessTooltip, PressHidesTheTipUntilThePointerComesBack) {
    TScene s(100, 100);
    Screen->MovePointer(250, 150);
    Step(400);
    ASSERT_NE(GetTipWindow(s.Tooltip), 0u);
    Screen->PressButton();
    Screen->ReleaseButton();
    Step(1);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
    Screen->MovePointer(251, 151);
    Step(1000);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
}

TEST_F(HeadlessTooltip, NoTextNoTipAndLongTextWrapsAtTheMaximumWidth) {
    TScene s(100, 100);
    Answer.clear();
    Screen->MovePointer(250, 150);
    Step(400);
    EXPECT_EQ(Asked, 1);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);

    Answer = u"Bu ipucu üç yüz pikselden çok daha uzun bir metin olduğu için birkaç satıra "
             u"bölünerek gösterilmelidir, tek satırda değil.";
    Screen->MovePointer(150, 150);
    Step(1);
    Screen->MovePointer(250, 150);
    Step(400);
    const HWND tip = GetTipWindow(s.Tooltip);
    ASSERT_NE(tip, 0u);
    TRect r;
    GetWindowRect(tip, &r);
    EXPECT_LE(r.Width(), 300 + 10);
    EXPECT_GT(r.Height(), 40); // several lines
}

TEST_F(HeadlessTooltip, ColoursAndRemovedTools) {
    TScene s(100, 100);
    EXPECT_EQ(SendMessage(s.Tooltip, TTM_GETTIPBKCOLOR, 0, 0), 0x00E1FFFF);
    SendMessage(s.Tooltip, TTM_SETTIPBKCOLOR, 0x00112233, 0);
    SendMessage(s.Tooltip, TTM_SETTIPTEXTCOLOR, 0x00445566, 0);
    EXPECT_EQ(SendMessage(s.Tooltip, TTM_GETTIPBKCOLOR, 0, 0), 0x00112233);
    EXPECT_EQ(SendMessage(s.Tooltip, TTM_GETTIPTEXTCOLOR, 0, 0), 0x00445566);
    Screen->MovePointer(250, 150);
    Step(400);
    const HWND tip = GetTipWindow(s.Tooltip);
    ASSERT_NE(tip, 0u);
    EXPECT_EQ(Screen->LastFrame(tip).Pixel(2, 2), 0xFF332211u); // 0x00BBGGRR drawn as ARGB

    TToolInfo info;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = s.Owner;
    info.uId = s.Tool;
    SendMessage(s.Tooltip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
    Screen->MovePointer(150, 150);
    Step(1);
    Screen->MovePointer(250, 150);
    Step(1000);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
}

class X11Tooltip : public TX11Test {};

TEST_F(X11Tooltip, TipShowsOnScreenAfterTheHoverTime) {
    Start();
    Answer = u"İpucu";
    Asked = 0;
    TScene s(100, 100);
    Settle(200);
    ASSERT_TRUE(Xdotool({"mousemove", "250", "150"}));
    Settle(100);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
    ASSERT_TRUE(Until([&] { return GetTipWindow(s.Tooltip) != 0; }, 3000));
    TRect r;
    GetWindowRect(GetTipWindow(s.Tooltip), &r);
    EXPECT_TRUE(Until([&] { return Near(Server->Pixel(r.Left + 2, r.Top + 2), 0xFFFFE1); }))
        << std::hex << Server->Pixel(r.Left + 2, r.Top + 2);
    ASSERT_TRUE(Xdotool({"click", "1"}));
    EXPECT_TRUE(Until([&] { return GetTipWindow(s.Tooltip) == 0; }));
}

} // namespace
