// What the main window does once it exists: message routing, the menu and its commands, the
// sliding views, the option check boxes, the fades, the timers and the orderly shutdown.
#include "app/desktop_integration.h"
#include "app/mainwindow.h"

#include "platform/shell/icons.h"
#include "platform/shell/popup_menu.h"
#include "platform/sys/resources.h"
#include "settings/unicode.h"

#include <cmath>

namespace app {

using namespace platform;
using namespace widgets;

namespace {

// Opacity change per view frame: 21 for the options sheet, 17 for the about sheet.
int ViewStep(const TControlEx& Sheet) {
    const float frames = static_cast<float>(Sheet.Height()) / static_cast<float>(SlideStep);
    return static_cast<int>(std::nearbyint(255.0 / static_cast<double>(frames)));
}

} // namespace

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
    case WM_SIGNALEND:
        WMSignalEnd(Message);
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
        StartNewsRequest();
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
        StartNewsRequest();
        break;
    case ThrobberTimerId:
        ThrobberTick();
        break;
    default:
        break;
    }
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

// --- menu -------------------------------------------------------------------------------------

void TMainWindow::ShowMenu() {
    if (Menu == 0)
        return;
    TPoint at;
    GetCursorPos(&at);
    TrackPopupMenuEx(GetSubMenu(Menu, 0), TPM_VERTICAL, at.X, at.Y, Handle(), nullptr);
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

void TMainWindow::TrayMouseUp(TObject*, int Keys, int, int) {
    if (!(Keys & MK_RBUTTON) || Menu == 0)
        return;
    SetForegroundWindow(Handle());
    ProcessMessages();
    ShowMenu();
}

// --- views ------------------------------------------------------------------------------------

void TMainWindow::ToggleAbout() {
    if (OptionsPanel->Visible())
        HideView(*OptionsPanel, *OptionsImage);
    if (AboutPanel->Visible())
        HideView(*AboutPanel, *AboutSlider);
    else
        ShowView(*AboutPanel, *AboutSlider);
}

void TMainWindow::ToggleOptions() {
    if (AboutPanel->Visible())
        HideView(*AboutPanel, *AboutSlider);
    if (OptionsPanel->Visible())
        HideView(*OptionsPanel, *OptionsImage);
    else
        ShowView(*OptionsPanel, *OptionsImage);
}

void TMainWindow::ShowView(TControlEx& Panel, TControlEx& Sheet) {
    const int step = ViewStep(Sheet);
    Panel.Show();
    Update();
    Viewport->Locked = true;
    Sheet.Locked = true;
    for (;;) {
        const int y = Sheet.Top() + SlideStep;
        if (y >= 0)
            break;
        Sheet.SetTop(y);
        if (Sheet.Opacity() + step < 255)
            Sheet.SetOpacity(static_cast<std::uint8_t>(Sheet.Opacity() + step));
        Update();
    }
    Sheet.SetOpacity(255);
    Sheet.SetTop(0);
    Sheet.Locked = false;
    Viewport->Locked = false;
    Update();
}

void TMainWindow::HideView(TControlEx& Panel, TControlEx& Sheet) {
    Viewport->Locked = true;
    Sheet.Locked = true;
    const int step = ViewStep(Sheet);
    for (;;) {
        const int y = Sheet.Top() - SlideStep;
        if (y <= -Sheet.Height())
            break;
        Sheet.SetTop(y);
        if (Sheet.Opacity() - step > 0)
            Sheet.SetOpacity(static_cast<std::uint8_t>(Sheet.Opacity() - step));
        Update();
    }
    Sheet.SetOpacity(0);
    Sheet.SetTop(-Sheet.Height());
    Panel.Hide();
    Sheet.Locked = false;
    Viewport->Locked = false;
    Update();
}

// --- options ----------------------------------------------------------------------------------

void TMainWindow::StartupClick() {
    StartupBox->Checked = !StartupBox->Checked;
    SetStartWithSystem(StartupBox->Checked, ExecutablePath());
    Update();
    SaveOptions();
}

void TMainWindow::AlwaysTopClick() {
    AlwaysTopBox->Checked = !AlwaysTopBox->Checked;
    SetAlwaysTop(AlwaysTopBox->Checked);
    Update();
    SaveOptions();
}

void TMainWindow::ShowTrayClick() {
    ShowTrayBox->Checked = !ShowTrayBox->Checked;
    TrayIcon->SetVisibleTray(ShowTrayBox->Checked);
    Update();
    SaveOptions();
}

void TMainWindow::AutoScaleClick() {
    AutoScaleBox->Checked = !AutoScaleBox->Checked;
    AutoScale = AutoScaleBox->Checked;
    Update();
    SaveOptions();
}

void TMainWindow::SaveOptions() {
    if (!Options)
        return;
    Options->WriteLeft(Left());
    Options->WriteTop(Top());
    Options->WriteStartUp(StartupBox->Checked);
    Options->WriteAlwaysTop(AlwaysTopBox->Checked);
    Options->WriteShowTray(ShowTrayBox->Checked);
    Options->WriteAutoScale(AutoScaleBox->Checked);
    Options->UpdateFile();
}

// --- fades, timers, busy state ----------------------------------------------------------------

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
    EnableTimer(StartTimer, false);
    Update();
    FadeIn(FadeStep, FadeDelay);
    StartNewsRequest();
    StartVersionCheck();
}

void TMainWindow::IdleCheck() {
    EnableTimer(IdleTimer, false);
    // Unsigned, so the difference stays right when the tick count wraps.
    const DWORD idle = GetTickCount() - LastInputTick;
    if (idle > IdleLimit)
        TrimWorkingSet();
    // The trim serves the queue; a close met there may already have freed the timers.
    EnableTimer(IdleTimer, true);
}

void TMainWindow::ShowBusy(bool On) {
    Throbber->SetVisible(On);
    EnableTimer(ThrobberTimer, On);
    StatusText->SetVisible(On);
}

void TMainWindow::ThrobberTick() {
    EnableTimer(ThrobberTimer, false);
    Throbber->NextFrame();
    Update();
    EnableTimer(ThrobberTimer, true);
}

// --- closing ----------------------------------------------------------------------------------

void TMainWindow::CloseWidget() {
    if (Closing)
        return;
    Closing = true;
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

void TMainWindow::ShutDown() {
    NewsWorker.reset();
    VersionWorker.reset();
    // Each timer is freed once; after a cancelled session end the pointers are already empty.
    PollTimer.reset();
    ThrobberTimer.reset();
    StartTimer.reset();
    IdleTimer.reset();
    if (TrayIcon != nullptr && TrayIcon->HandleAllocated())
        SendMessage(TrayIcon->WindowHandle(), WM_CLOSE, 0, 0);
    if (ToolTipWindow != 0 && IsWindow(ToolTipWindow)) {
        SendMessage(ToolTipWindow, WM_CLOSE, 0, 0);
    }
    if (Options) {
        SaveOptions();
        Options->UpdateFile();
        Options.reset();
    }
    if (Menu != 0) {
        DestroyMenu(Menu);
        Menu = 0;
    }
    if (Icon != 0) {
        DestroyIcon(Icon);
        Icon = 0;
    }
}

} // namespace app
