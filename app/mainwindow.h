// TMainWindow: the widget. One 475 x 350 layered window whose picture is composed from the
// skinned elements; it owns the menu, the options store, the tooltip, the tray icon and the
// timers, runs the views, fades, scaling and dragging, and the news and version requests.
// mainwindow.cpp builds it; mainwindow_behaviour.cpp, mainwindow_scaling.cpp and
// mainwindow_news.cpp hold what it does.
#pragma once

#include "app/wintimer.h"
#include "elements/checkbox.h"
#include "elements/content.h"
#include "elements/pictures.h"
#include "elements/reflection.h"
#include "elements/scrollbar.h"
#include "elements/skintext.h"
#include "news/inet_thread.h"
#include "news/servers.h"
#include "settings/options.h"
#include "widgets/desktop.h"
#include "widgets/tooltip.h"
#include "widgets/trayicon.h"
#include "widgets/windowex.h"

#include <memory>
#include <string>

namespace app {

using platform::HWND;
using platform::UINT;

// Messages another program may send; the widget itself never does.
constexpr UINT WM_EXTERNALRESERVED = 5938;
constexpr UINT WM_EXTERNALCLOSE = 5939;
// Posted by the program entry when the process is asked to end by a signal.
constexpr UINT WM_SIGNALEND = platform::WM_APP + 1;

constexpr UINT WM_SETICON = 0x0080;
constexpr platform::WPARAM ICON_BIG = 1;

// Menu commands.
constexpr UINT CM_ABOUT = 40000;
constexpr UINT CM_OPTIONS = 40003;
constexpr UINT CM_CLOSE = 40005;
constexpr UINT CM_UPDATE = 40007;

constexpr int StartTimerId = 1001;
constexpr int IdleTimerId = 1002;
constexpr int PollTimerId = 1003;
constexpr int ThrobberTimerId = 1005;
constexpr int StartInterval = 50;
constexpr int IdleInterval = 10000;
constexpr int ThrobberInterval = 20;
constexpr int DefaultPollInterval = 300000;
constexpr platform::DWORD IdleLimit = 10000;

constexpr int MainMenuId = 101;
constexpr int MainIconId = 101;

// String-table entries.
constexpr UINT TitleString = 100;
constexpr UINT AboutString = 101;
constexpr UINT LinkString = 102;
constexpr UINT CloseHintString = 103;
constexpr UINT StartupString = 104;
constexpr UINT AlwaysTopString = 105;
constexpr UINT ShowTrayString = 106;
constexpr UINT AutoScaleString = 107;
constexpr UINT TrayHintString = 108;
constexpr UINT NewVersionString = 200;
constexpr UINT BusyString = 301;

constexpr int WindowWidth = 475;
constexpr int WindowHeight = 350;
// Views slide this far per frame.
constexpr int SlideStep = 15;
constexpr int FadeStep = 4;
constexpr int FadeDelay = 1;
// Edge snapping reaches this far (exclusive) from an edge.
constexpr int SnapRange = 8;
// Smooth scaling of the settled small picture.
constexpr int InterpolationHighQualityBilinear = 6;

class TMainWindow : public widgets::TWindowEx {
public:
    TMainWindow(widgets::TComponent* AOwner, std::u16string DataFolder);
    ~TMainWindow() override;

    void WndProc(widgets::TWidgetMessage& Message) override;
    void Paint() override;

    // Commands and views.
    void ShowMenu();
    void ToggleAbout();
    void ToggleOptions();
    void ShowView(widgets::TControlEx& Panel, widgets::TControlEx& Sheet);
    void HideView(widgets::TControlEx& Panel, widgets::TControlEx& Sheet);
    void SaveOptions();
    void FadeIn(int Step, int Delay);
    void FadeOut(int Step, int Delay);
    void StartUp();
    void IdleCheck();
    void ShowBusy(bool On);
    void ThrobberTick();
    void CloseWidget();
    // Safe to run again after a cancelled session end: what the first run freed stays freed.
    void ShutDown();

    // Scaling, dragging and snapping.
    void ScaleWindow(bool Grow);
    void DragWindow();
    platform::TRect WorkArea() const;

    // Refresh cycle and update check.
    void StartNewsRequest();
    void StartVersionCheck();

    std::u16string OptionsFilePath() const { return FDataFolder + u"/options.ini"; }
    std::string NewsFilePath() const;

    // State, open to the program entry and the tests.
    platform::HMENU Menu = 0;
    platform::HICON Icon = 0;
    std::unique_ptr<TWinTimer> StartTimer;
    std::unique_ptr<TWinTimer> IdleTimer;
    std::unique_ptr<TWinTimer> ThrobberTimer;
    std::unique_ptr<TWinTimer> PollTimer;
    std::unique_ptr<news::TInternetThread> VersionWorker;
    std::unique_ptr<news::TInternetThread> NewsWorker;
    std::unique_ptr<TOptions> Options;
    widgets::TToolTip* ToolTip = nullptr;
    widgets::TTrayIcon* TrayIcon = nullptr;
    news::TServers Servers;

    widgets::TControlEx* Root = nullptr;
    elements::TBackgroundEx* Background = nullptr;
    elements::TImageEx* Header = nullptr;
    elements::TContainerEx* Viewport = nullptr;
    elements::TContentEx* NewsList = nullptr;
    elements::TScrollerEx* Scroller = nullptr;
    elements::TThumbEx* Thumb = nullptr;
    elements::TScrollState ScrollState;
    elements::TThrobberEx* Throbber = nullptr;
    elements::TSkinText* StatusText = nullptr;
    widgets::TControlEx* OptionsPanel = nullptr;
    elements::TImageEx* OptionsImage = nullptr;
    elements::TImageEx* OptionsClose = nullptr;
    elements::TCheckBoxEx* StartupBox = nullptr;
    elements::TCheckBoxEx* AlwaysTopBox = nullptr;
    elements::TCheckBoxEx* ShowTrayBox = nullptr;
    elements::TCheckBoxEx* AutoScaleBox = nullptr;
    widgets::TControlEx* AboutPanel = nullptr;
    widgets::TControlEx* AboutSlider = nullptr;
    elements::TImageEx* AboutImage = nullptr;
    elements::TImageEx* AboutIcon = nullptr;
    elements::TImageEx* AboutClose = nullptr;
    elements::TSkinText* TitleText = nullptr;
    elements::TSkinText* AboutText = nullptr;
    elements::TSkinText* LinkText = nullptr;
    elements::TReflectionEx* IconReflection = nullptr;

    std::string NewsText;
    float Scale = 1.0f;
    float MaxScale = 1.0f;
    float MinScale = 0.2f;
    float ScaleStep = 0.05f;
    bool AutoScale = true;
    bool Scaled = false;
    int Corner = 0;
    bool ScaledSettled = false;
    bool Closing = false;
    int PollInterval = DefaultPollInterval;

protected:
    void AfterCreate() override;
    void WMWindowPosChanging(widgets::TWidgetMessage& Message) override;
    void WMDestroy(widgets::TWidgetMessage& Message) override;
    void WMClose(widgets::TWidgetMessage& Message) override;
    void WMTimer(widgets::TWidgetMessage& Message) override;
    virtual void WMCommand(widgets::TWidgetMessage& Message);
    virtual void WMQueryEndSession(widgets::TWidgetMessage& Message);
    virtual void WMEndSession(widgets::TWidgetMessage& Message);
    virtual void WMDisplayChange(widgets::TWidgetMessage&) {}
    virtual void WMCopyData(widgets::TWidgetMessage&) {}
    virtual void WMVersionDone(widgets::TWidgetMessage& Message);
    virtual void WMNewsDone(widgets::TWidgetMessage& Message);
    virtual void WMExternalReserved(widgets::TWidgetMessage&) {}
    virtual void WMExternalClose(widgets::TWidgetMessage& Message);
    virtual void WMSignalEnd(widgets::TWidgetMessage& Message);

private:
    void BuildElements();
    void BuildOptionsView();
    void BuildAboutView();
    void ApplyOptions();
    void ReadServers();

    // Element event handlers.
    void WindowMouseDown(widgets::TObject* Sender, int Keys, int X, int Y);
    void ContentMouseDown(widgets::TObject* Sender, int Keys, int X, int Y);
    void ContentDrag(widgets::TObject* Sender, int Keys, int X, int Y);
    void TrayMouseUp(widgets::TObject* Sender, int Keys, int X, int Y);
    void WindowActivate(widgets::TObject* Sender, int Activation, HWND Window);
    void StartupClick();
    void AlwaysTopClick();
    void ShowTrayClick();
    void AutoScaleClick();

    std::u16string FDataFolder;
};

} // namespace app
