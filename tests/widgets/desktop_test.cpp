// The toolkit's desktop classes on the headless screen: the tray icon's events and record, the
// tooltip's answers and the desktop's work area.
#include "desktop_scene.h"
#include "platform/display/headless/headless_display.h"
#include "platform/shell/tooltip_service.h"
#include "toolkit_fixture.h"
#include "widgets/desktop.h"
#include "widgets/tooltip.h"
#include "widgets/windowex.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace widgets;
using namespace desktoptest;

namespace {

class HeadlessWidgets : public toolkit_test::ToolkitTest {};

TEST_F(HeadlessWidgets, TrayClicksBecomeEventsWithTheirKeys) {
    TTrayIcon tray(nullptr);
    TTrayLog log;
    log.Attach(tray);
    tray.SetIcon(SolidIcon(0xFF00FF00u));
    tray.HandleNeeded();
    tray.SetVisibleTray(true);
    ASSERT_EQ(Screen->TrayIcons().size(), 1u);
    const HWND owner = tray.WindowHandle();
    const UINT id = tray.Record().uID;
    auto click = [&](TMouseButton button) {
        Screen->Advance(1000); // apart, so no two clicks make a double click
        Screen->TrayButton(owner, id, button, true);
        Screen->TrayButton(owner, id, button, false);
        ProcessPendingMessages();
    };
    click(TMouseButton::Left);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"down1", "click", "up1"}));
    log.Events.clear();
    click(TMouseButton::Right);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"down2", "up2"}));
    log.Events.clear();
    Screen->KeyDown(VK_CONTROL);
    click(TMouseButton::Right);
    Screen->KeyUp(VK_CONTROL);
    ProcessPendingMessages();
    EXPECT_EQ(log.Events, (std::vector<std::string>{"down10", "up10"}));
    log.Events.clear();
    click(TMouseButton::Middle);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"down16", "up16"}));
    log.Events.clear();
    // The second press of a double click arrives as the double-click message (the shell pairs
    // the presses); a double click of any button is one event.
    for (LPARAM m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        SendMessage(owner, WM_TRAYICON, id, m);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"down1", "click", "up1", "dbl", "up1"}));
    log.Events.clear();
    for (LPARAM m : {WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK})
        SendMessage(owner, WM_TRAYICON, id, m);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"dbl", "dbl"}));
    // A docked icon's tray tells no place, so a move is reported where the pointer is.
    std::vector<TPoint> moves;
    tray.OnMouseMove = [&](TObject*, int, int x, int y) { moves.push_back(TPoint{x, y}); };
    Screen->MovePointer(30, 40);
    SendMessage(owner, WM_TRAYICON, id, WM_MOUSEMOVE);
    EXPECT_EQ(moves, (std::vector<TPoint>{{30, 40}}));
}

TEST_F(HeadlessWidgets, TrayRecordFollowsTheProperties) {
    TTrayIcon tray(nullptr);
    TTrayLog log;
    log.Attach(tray);
    const HICON first = SolidIcon(0xFF0000FFu);
    tray.SetIcon(first);
    tray.SetIcon(SolidIcon(0xFFFF0000u));
    TFrameView view;
    EXPECT_FALSE(GetIconFrame(first, &view)); // the replaced icon was released
    tray.HandleNeeded();
    tray.SetHintText(u"Mini Pelikora");
    tray.SetVisibleTray(true);
    ASSERT_EQ(Screen->TrayIcons().size(), 1u);
    EXPECT_EQ(tray.Record().hWnd, tray.WindowHandle());
    EXPECT_EQ(tray.Record().uCallbackMessage, WM_TRAYICON);
    EXPECT_EQ(Screen->TrayIcons()[0].Tip, u"Mini Pelikora");
    EXPECT_TRUE(tray.Record().uFlags & NIF_TIP);
    tray.SetHintText(u"");
    EXPECT_FALSE(tray.Record().uFlags & NIF_TIP);
    EXPECT_EQ(Screen->TrayIcons()[0].Tip, u"");
    tray.SetHintText(std::u16string(200, u'x'));
    EXPECT_EQ(std::u16string(tray.Record().szTip).size(), 127u);
    tray.SetBalloonTitle(std::u16string(100, u't'));
    EXPECT_EQ(std::u16string(tray.Record().szInfoTitle).size(), 63u);
    tray.SetBalloonHint(std::u16string(300, u'h'));
    EXPECT_EQ(std::u16string(tray.Record().szInfo).size(), 255u);
    tray.ShowBalloon();
    EXPECT_TRUE(tray.Record().uFlags & NIF_INFO);
    SendMessage(tray.WindowHandle(), WM_TRAYICON, tray.Record().uID, NIN_BALLOONTIMEOUT);
    EXPECT_FALSE(tray.Record().uFlags & NIF_INFO);
    // A click on the balloon ends it too; each end is told with its reason.
    tray.ShowBalloon();
    SendMessage(tray.WindowHandle(), WM_TRAYICON, tray.Record().uID, NIN_BALLOONUSERCLICK);
    EXPECT_FALSE(tray.Record().uFlags & NIF_INFO);
    EXPECT_EQ(log.Events,
              (std::vector<std::string>{"balloon" + std::to_string(NIN_BALLOONTIMEOUT),
                                        "balloon" + std::to_string(NIN_BALLOONUSERCLICK)}));
    tray.SetVisibleTray(false);
    EXPECT_TRUE(Screen->TrayIcons().empty());
    tray.SetVisibleTray(true);
    EXPECT_EQ(Screen->TrayIcons().size(), 1u);
    // The icon lets the session end, stays while it goes on and leaves the tray when it ends.
    EXPECT_EQ(SendMessage(tray.WindowHandle(), WM_QUERYENDSESSION, 0, 0), 1);
    SendMessage(tray.WindowHandle(), WM_ENDSESSION, 0, 0);
    EXPECT_EQ(Screen->TrayIcons().size(), 1u);
    SendMessage(tray.WindowHandle(), WM_ENDSESSION, 1, 0);
    EXPECT_TRUE(Screen->TrayIcons().empty());
}

TEST_F(HeadlessWidgets, ToolTipAnswersWithTheHintOfTheControlUnderThePointer) {
    Screen->SetHoverTime(400);
    TToolTip tip(nullptr);
    ToolTipWindow = tip.Handle();
    EXPECT_EQ(tip.BackColor(), 0x00E1FFFFu);
    auto& window = MakeWindow();
    auto& block = MakeChild<TBlock>(window, 0, 0, 100, 100);
    block.SetShowHint(true);
    block.SetHint(u"Güncelle");
    window.Update();
    // Off the block, then resting on it.
    auto hover = [&](int x) {
        Screen->MovePointer(250, 150);
        ProcessPendingMessages();
        Screen->MovePointer(x, 150);
        ProcessPendingMessages();
        Screen->Advance(400);
        ProcessPendingMessages();
        return GetTipWindow(ToolTipWindow);
    };
    EXPECT_EQ(hover(150), 0u); // EnableTip is still false: no text, no tip
    tip.EnableTip = true;
    EXPECT_NE(hover(150), 0u);
    EXPECT_EQ(SendMessage(ToolTipWindow, TTM_GETMAXTIPWIDTH, 0, 0), 300);
    // An empty hint gives no tip.
    block.SetHint(u"");
    EXPECT_EQ(hover(150), 0u);
    ToolTipWindow = 0;
}

TEST_F(HeadlessWidgets, DesktopWorkAreaIsReadAfreshEveryTime) {
    TDesktop desktop;
    Screen->SetScreenSize(1920, 1080);
    Screen->SetWorkArea(TRect{0, 0, 1920, 1040});
    TRect r;
    ASSERT_TRUE(desktop.WorkArea(r));
    EXPECT_EQ(r, (TRect{0, 0, 1920, 1040}));
    Screen->SetWorkArea(TRect{40, 0, 1920, 1080}); // the panel moved to the left
    desktop.WorkArea(r);
    EXPECT_EQ(r, (TRect{40, 0, 1920, 1080}));
}

} // namespace
