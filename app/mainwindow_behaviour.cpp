// What the main window does once it exists: message routing, the menu and its commands, the
// fades, its own timers, dragging and edge snapping, keeping on a monitor, and the orderly
// shutdown of every part.
#include "app/desktop_integration.h"
#include "app/mainwindow.h"

#include "app/about_view.h"
#include "app/news_refresher.h"
#include "app/options_view.h"
#include "app/placement.h"
#include "app/scaler.h"
#include "app/source_editor.h"
#include "app/wintimer.h"
#include "news/inet_thread.h"
#include "platform/shell/icons.h"
#include "platform/shell/popup_menu.h"
#include "platform/sys/workarea.h"
#include "settings/options.h"
#include "widgets/desktop.h"
#include "widgets/trayicon.h"

namespace app {

using namespace platform;
using namespace widgets;

void TMainWindow::WndProc(TWidgetMessage& Message) {
    switch (Message.Msg) {
    case WM_QUERYENDSESSION:
        WMQueryEndSession(Message);
        return;
    case WM_ENDSESSION:
        WMEndSession(Message);
        return;
    case WM_COPYDATA:
        WMCopyData(Message);
        return;
    case WM_DISPLAYCHANGE:
        WMDisplayChange(Message);
        return;
    case WM_DPICHANGED:
        WMDpiChanged(Message);
        return;
    case WM_SETTINGCHANGE:
        WMSettingChange(Message);
        return;
    case WM_COMMAND:
        WMCommand(Message);
        return;
    case WM_TIMER:
        WMTimer(Message);
        return;
    case news::WM_VERSIONDONE:
        WMVersionDone(Message);
        return;
    case news::WM_NEWSDONE:
        WMNewsDone(Message);
        return;
    case WM_EXTERNALRESERVED:
        WMExternalReserved(Message);
        return;
    case WM_EXTERNALCLOSE:
        WMExternalClose(Message);
        return;
    case WM_EXTERNALRELOAD:
        ReloadSources();
        return;
    case WM_EXTERNALREFRESH:
        if (!FShuttingDown)
            FRefresher->RequestRefresh();
        return;
    case WM_DRAGENTER:
        WMDragEnter(Message);
        return;
    case WM_DROPTEXT:
        WMDropText(Message);
        return;
    case WM_SOURCEPROBED:
        FSourceEditor->ProbeDone(Message.WParam);
        return;
    case WM_SIGNALEND:
        WMSignalEnd(Message);
        return;
    case WM_POWERBROADCAST:
        WMPowerBroadcast(Message);
        return;
    default:
        TWindowEx::WndProc(Message);
    }
}

void TMainWindow::WMCommand(TWidgetMessage& Message) {
    // Control notifications and accelerators carry a high word; only menu commands count.
    if (Message.WParam >= 0x10000)
        return;
    switch (static_cast<UINT>(Message.WParam & 0xFFFF)) {
    case CM_ABOUT:
        ToggleAbout();
        break;
    case CM_OPTIONS:
        ToggleOptions();
        break;
    case CM_CLOSE:
        CloseWidget();
        break;
    case CM_UPDATE:
        FRefresher->StartNewsRequest();
        break;
    default:
        break;
    }
}

void TMainWindow::WMTimer(TWidgetMessage& Message) {
    switch (Message.WParam) {
    case StartTimerId:
        StartUp();
        break;
    case IdleTimerId:
        IdleCheck();
        break;
    case PollTimerId:
        FRefresher->StartNewsRequest();
        break;
    case ThrobberTimerId:
        FRefresher->ThrobberTick();
        break;
    case ResumeTimerId:
        ResumeTick();
        break;
    case OutcomeTimerId:
        FRefresher->OutcomeTick();
        break;
    default:
        break;
    }
}

void TMainWindow::WMVersionDone(TWidgetMessage& Message) {
    FRefresher->WMVersionDone(Message);
}

void TMainWindow::WMNewsDone(TWidgetMessage& Message) {
    FRefresher->WMNewsDone(Message);
}

void TMainWindow::WMQueryEndSession(TWidgetMessage& Message) {
    Message.Result = 1;
    ShutDown();
}

// The desktop would end the process once the session is over; ending the loop does that here.
void TMainWindow::WMEndSession(TWidgetMessage& Message) {
    if (Message.WParam != 0)
        PostQuitMessage(0);
}

void TMainWindow::WMExternalClose(TWidgetMessage&) {
    CloseWidget();
}

// A signal ends the process as the end of the session does: saved, then gone.
void TMainWindow::WMSignalEnd(TWidgetMessage&) {
    const LRESULT allowed = SendMessage(Handle(), WM_QUERYENDSESSION, 0, 0);
    SendMessage(Handle(), WM_ENDSESSION, allowed != 0 ? 1 : 0, 0);
}

void TMainWindow::WMPowerBroadcast(TWidgetMessage& Message) {
    Message.Result = 1;
    if (Message.WParam == PBT_APMRESUMEAUTOMATIC && FResumeTimer) {
        // A second notice of the same resume restarts the wait; one refresh follows.
        EnableTimer(FResumeTimer, false);
        EnableTimer(FResumeTimer, true);
    }
}

// A cycle still in flight from before the sleep ends on its own time-outs; the refresh waits for
// it rather than being dropped.
void TMainWindow::ResumeTick() {
    if (FRefresher->CycleInFlight())
        return;
    EnableTimer(FResumeTimer, false);
    FRefresher->StartNewsRequest();
}

// --- sources ----------------------------------------------------------------------------------

// A drag over the shrunk card brings it back to full size, so the whole card takes the drop.
void TMainWindow::WMDragEnter(TWidgetMessage&) {
    if (!FClosing && FScaler && FScaler->Scaled())
        FScaler->ScaleWindow(true);
}

void TMainWindow::WMDropText(TWidgetMessage& Message) {
    const auto* dropped = reinterpret_cast<const TDroppedText*>(Message.LParam);
    if (dropped != nullptr && !FClosing && !FShuttingDown)
        FSourceEditor->AddText(dropped->Text);
}

void TMainWindow::PasteSource() {
    if (!FClosing && !FShuttingDown)
        FSourceEditor->Paste();
}

bool TMainWindow::PreTranslateMessage(const TMsg& Msg) {
    if (Msg.message != WM_KEYDOWN || !HandleAllocated() ||
        GetAncestorRoot(Msg.hwnd) != WindowHandle())
        return false;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
    if (!ctrl || LoWord(Msg.wParam) != 'V')
        return false;
    PasteSource();
    return true;
}

void TMainWindow::ReloadSources() {
    TOptions* store = FOptionsView ? FOptionsView->Store() : nullptr;
    if (store == nullptr || FShuttingDown)
        return;
    store->LoadValues();
    SourcesChanged();
    FRefresher->RequestRefresh();
}

void TMainWindow::SourcesChanged() {
    TOptions* store = FOptionsView ? FOptionsView->Store() : nullptr;
    if (store == nullptr)
        return;
    FRefresher->ReadServers(*store);
    if (FOptionsView->SourcesPageShown())
        FOptionsView->ListSources();
}

// --- menu and views ---------------------------------------------------------------------------

void TMainWindow::ShowMenu() {
    TPoint at;
    GetCursorPos(&at);
    ShowMenuAt(at);
}

void TMainWindow::ShowMenuAt(TPoint At) {
    if (FMenu == 0)
        return;
    TrackPopupMenuEx(GetSubMenu(FMenu, 0), TPM_VERTICAL, At.X, At.Y, Handle(), nullptr);
}

void TMainWindow::BringBack() {
    if (FClosing)
        return;
    if (FScaler && FScaler->Scaled())
        FScaler->ScaleWindow(true);
    SetForegroundWindow(Handle());
}

void TMainWindow::WindowMouseDown(TObject*, int Keys, int, int) {
    if ((Keys & MK_RBUTTON) && !(Keys & MK_LBUTTON))
        ShowMenu();
    else if (Keys & MK_LBUTTON)
        DragWindow();
}

void TMainWindow::ContentMouseDown(TObject*, int Keys, int, int) {
    if (Keys & MK_RBUTTON)
        ShowMenu();
}

// The menu opens where the tray says the click was: a host on the bus may show the icon where
// this program never sees the pointer.
void TMainWindow::TrayMouseUp(TObject*, int Keys, int X, int Y) {
    if (!(Keys & MK_RBUTTON) || FMenu == 0)
        return;
    SetForegroundWindow(Handle());
    ProcessMessages();
    ShowMenuAt(TPoint{X, Y});
}

// At most one view is open: the other one closes first.
void TMainWindow::ToggleAbout() {
    if (FOptionsView->Visible())
        FOptionsView->HideView();
    if (FAboutView->Visible())
        FAboutView->HideView();
    else
        FAboutView->ShowView();
}

void TMainWindow::ToggleOptions() {
    if (FAboutView->Visible())
        FAboutView->HideView();
    if (FOptionsView->Visible())
        FOptionsView->HideView();
    else
        FOptionsView->ShowView();
}

void TMainWindow::ViewKeyDown(std::uint16_t& Key) {
    if (Key != VK_ESCAPE)
        return;
    if (FAboutView->Visible())
        FAboutView->HideView();
    else if (FOptionsView->Visible())
        FOptionsView->HideView();
    else
        return;
    Key = 0;
}

// --- fades and the window's own timers --------------------------------------------------------

void TMainWindow::FadeIn(int Step, int Delay) {
    Show();
    while (Opacity() + Step <= 255) {
        SetOpacity(static_cast<std::uint8_t>(Opacity() + Step));
        UpdateLayer();
        platform::Sleep(static_cast<DWORD>(Delay));
    }
}

void TMainWindow::FadeOut(int Step, int Delay) {
    while (Opacity() - Step > 0) {
        SetOpacity(static_cast<std::uint8_t>(Opacity() - Step));
        UpdateLayer();
        platform::Sleep(static_cast<DWORD>(Delay));
    }
    Hide();
}

void TMainWindow::StartUp() {
    EnableTimer(FStartTimer, false);
    Update();
    FadeIn(FadeStep, FadeDelay);
    FRefresher->StartNewsRequest();
    FRefresher->StartVersionCheck();
}

void TMainWindow::IdleCheck() {
    EnableTimer(FIdleTimer, false);
    // Unsigned, so the difference stays right when the tick count wraps.
    const DWORD idle = GetTickCount() - LastInputTick;
    if (idle > IdleLimit)
        TrimWorkingSet();
    // The trim serves the queue; a close met there may already have freed the timers.
    EnableTimer(FIdleTimer, true);
}

// --- moving -----------------------------------------------------------------------------------

TMonitor TMainWindow::Monitor() const {
    return MonitorFromRect(TRect{Left(), Top(), Left() + Width(), Top() + Height()});
}

TRect TMainWindow::WorkArea() const {
    return Monitor().Work;
}

void TMainWindow::KeepOnScreen() {
    const TRect bounds{Left(), Top(), Left() + Width(), Top() + Height()};
    const TPoint at = app::KeepOnScreen(bounds, GetMonitors(), FHome ? &*FHome : nullptr);
    if (at != TPoint{Left(), Top()})
        SetBounds(at.X, at.Y, Width(), Height());
    FHome = WorkArea();
}

void TMainWindow::WMDisplayChange(TWidgetMessage&) {
    KeepOnScreen();
}

// A new desktop scale: the window keeps its top-left corner on the screen (the place the
// message suggests), is brought wholly into its work area where it fits, and every element is
// drawn again at the new resolution.
void TMainWindow::WMDpiChanged(TWidgetMessage& Message) {
    const auto* suggested = reinterpret_cast<const TRect*>(Message.LParam);
    if (suggested == nullptr)
        return;
    const TRect area = MonitorFromRect(*suggested).Work;
    int x = suggested->Left, y = suggested->Top;
    x = std::max(std::min(x, area.Right - Width()), area.Left);
    y = std::max(std::min(y, area.Bottom - Height()), area.Top);
    FRescaling = true;
    SetBounds(x, y, Width(), Height());
    FRescaling = false;
    FHome = WorkArea();
    ScaleChanged();
    Update();
}

void TMainWindow::WMSettingChange(TWidgetMessage& Message) {
    if (Message.WParam == SPI_SETWORKAREA)
        KeepOnScreen();
}

void TMainWindow::DragWindow() {
    ReleaseCapture();
    SendMessage(Handle(), WM_SYSCOMMAND, SC_MOVE | static_cast<WPARAM>(HTCAPTION), 0);
}

void TMainWindow::ContentDrag(TObject*, int Keys, int, int) {
    if (Keys & MK_LBUTTON)
        DragWindow();
}

void TMainWindow::WMWindowPosChanging(TWidgetMessage& Message) {
    TWindowEx::WMWindowPosChanging(Message);
    auto* pos = reinterpret_cast<TWindowPos*>(Message.LParam);
    if (pos == nullptr || (pos->flags & SWP_NOMOVE) || FRescaling)
        return;
    // The monitor the window is about to stand on, so that the edge between two monitors is an
    // edge for each of them.
    const TRect area =
        MonitorFromRect(TRect{pos->x, pos->y, pos->x + Width(), pos->y + Height()}).Work;
    FHome = area;
    // Later rules win: top over bottom, left over right.
    if (const int d = area.Bottom - (Height() + pos->y); - SnapRange < d && d < SnapRange)
        pos->y = area.Bottom - Height();
    if (const int d = pos->y - area.Top; - SnapRange < d && d < SnapRange)
        pos->y = area.Top;
    if (const int d = area.Right - (Width() + pos->x); - SnapRange < d && d < SnapRange)
        pos->x = area.Right - Width();
    if (const int d = pos->x - area.Left; - SnapRange < d && d < SnapRange)
        pos->x = area.Left;
}

// --- closing ----------------------------------------------------------------------------------

void TMainWindow::CloseWidget() {
    if (FClosing)
        return;
    FClosing = true;
    // The fading window is not to shrink when it loses the activation.
    if (FScaler)
        FScaler->WindowClosing();
    FadeOut(FadeStep, FadeDelay);
    SendMessage(Handle(), WM_CLOSE, 0, 0);
}

void TMainWindow::WMClose(TWidgetMessage& Message) {
    ShutDown();
    TWindowEx::WMClose(Message);
}

void TMainWindow::WMDestroy(TWidgetMessage& Message) {
    TWindowEx::WMDestroy(Message);
    PostQuitMessage(0);
}

// The options file first, so it is safe whatever follows; then the requests in flight are cut
// and their workers freed, then the timers (poll, throbber, start, idle), the tray icon, the
// tooltip, the menu and the icon. Each step frees what it frees once.
void TMainWindow::ShutDown() {
    FShuttingDown = true;
    if (FOptionsView)
        FOptionsView->ShutDown();
    if (FSourceEditor)
        FSourceEditor->ShutDown();
    FRefresher->ShutDown();
    FStartTimer.reset();
    FIdleTimer.reset();
    FResumeTimer.reset();
    if (FTrayIcon != nullptr && FTrayIcon->HandleAllocated())
        SendMessage(FTrayIcon->WindowHandle(), WM_CLOSE, 0, 0);
    if (ToolTipWindow != 0 && IsWindow(ToolTipWindow)) {
        SendMessage(ToolTipWindow, WM_CLOSE, 0, 0);
    }
    if (FMenu != 0) {
        DestroyMenu(FMenu);
        FMenu = 0;
    }
    if (FIcon != 0) {
        DestroyIcon(FIcon);
        FIcon = 0;
    }
}

} // namespace app
