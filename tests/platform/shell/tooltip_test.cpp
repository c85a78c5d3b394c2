// The tooltip class on the headless screen: when tips appear, what they ask for, how they wrap
// and when they go away.
#include "platform/display/headless/headless_display.h"
#include "tests/platform/shell/tooltip_scene.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace tooltiptest;

namespace {

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
    // The pointer comes to (x, y) and rests there for ms.
    void Rest(int x, int y, std::uint64_t ms) {
        Screen->MovePointer(x, y);
        Step(ms);
    }
    THeadlessDisplay* Screen = nullptr;
};

TEST_F(HeadlessTooltip, ShowsAfterTheHoverTimeAndAsksEachTime) {
    TScene s(100, 100);
    Rest(250, 150, 399);
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
    Rest(150, 150, 1);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
    Answer = u"Yeni metin";
    Rest(260, 150, 400);
    EXPECT_NE(GetTipWindow(s.Tooltip), 0u);
    EXPECT_EQ(Asked, 2);
}

TEST_F(HeadlessTooltip, PressHidesTheTipUntilThePointerComesBack) {
    TScene s(100, 100);
    Rest(250, 150, 400);
    ASSERT_NE(GetTipWindow(s.Tooltip), 0u);
    Screen->PressButton();
    Screen->ReleaseButton();
    Step(1);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
    Rest(251, 151, 1000);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
}

TEST_F(HeadlessTooltip, NoTextNoTipAndLongTextWrapsAtTheMaximumWidth) {
    TScene s(100, 100);
    Answer.clear();
    Rest(250, 150, 400);
    EXPECT_EQ(Asked, 1);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);

    Answer = u"Bu ipucu üç yüz pikselden çok daha uzun bir metin olduğu için birkaç satıra "
             u"bölünerek gösterilmelidir, tek satırda değil.";
    Rest(150, 150, 1);
    Rest(250, 150, 400);
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
    Rest(250, 150, 400);
    const HWND tip = GetTipWindow(s.Tooltip);
    ASSERT_NE(tip, 0u);
    EXPECT_EQ(Screen->LastFrame(tip).Pixel(2, 2), 0xFF332211u); // 0x00BBGGRR drawn as ARGB

    TToolInfo info{sizeof(TToolInfo), TTF_IDISHWND, s.Owner, s.Tool, {}};
    SendMessage(s.Tooltip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
    Rest(150, 150, 1);
    Rest(250, 150, 1000);
    EXPECT_EQ(GetTipWindow(s.Tooltip), 0u);
}

} // namespace
