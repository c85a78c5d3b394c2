// app/ is the widget itself: the program entry (main.cpp, read it first), the process around it
// (application.h) and this main window. TMainWindow is the 475 x 350 layered window; it keeps the
// window, the root of the element tree, the menu, the icon, the tray icon and the tooltip, and
// wires together the parts that own the rest: the news list (news_view.h), the options and about
// views (options_view.h, about_view.h), the small picture (scaler.h) and the refresh cycles with
// the update check (news_refresher.h). mainwindow.cpp builds it; mainwindow_behaviour.cpp holds
// what it does.
#pragma once

#include "app/ids.h"
#include "widgets/windowex.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace elements {
class TBackgroundEx;
class TImageEx;
} // namespace elements

namespace widgets {
class TToolTip;
class TTrayIcon;
} // namespace widgets

namespace app {

class TAboutView;
class TNewsRefresher;
class TNewsView;
class TOptionsView;
class TScaler;
class TSourceEditor;
class TWinTimer;

class TMainWindow : public widgets::TWindowEx {
    // The tests' window into the parts; nothing else reaches past the methods below.
    friend class TMainWindowProbe;

public:
    TMainWindow(widgets::TComponent* AOwner, std::u16string DataFolder);
    ~TMainWindow() override;

    void WndProc(widgets::TWidgetMessage& Message) override;
    // The keys the widget answers wherever the keyboard is, seen by the message loop before
    // the element that has the focus: Ctrl+V pastes a link. True when the message was taken.
    bool PreTranslateMessage(const platform::TMsg& Msg);
    // The inherited step, then the small picture while the widget is scaled down.
    void Paint() override;

    // Commands.
    void ShowMenu();
    void ShowMenuAt(platform::TPoint At);
    // Back to full size (when the picture was scaled down) and to the front.
    void BringBack();
    void ToggleAbout();
    void ToggleOptions();
    // Adds the link on the clipboard as a source, as a drop does.
    void PasteSource();
    // Reads the sources from the options file again (another program changed them).
    void ReloadSources();
    void FadeIn(int Step, int Delay);
    void FadeOut(int Step, int Delay);
    void StartUp();
    void IdleCheck();
    void CloseWidget();
    // Safe to run again after a cancelled session end: what the first run freed stays freed.
    void ShutDown();

    // Moving.
    void DragWindow();
    // The monitor that holds most of the window, and its work area.
    platform::TMonitor Monitor() const;
    platform::TRect WorkArea() const;
    // Brings the window back onto a monitor when most of it is off every work area: to where it
    // was on the monitor it last stood on, else as near as can be.
    void KeepOnScreen();

    std::u16string OptionsFilePath() const { return FDataFolder + u"/options.ini"; }
    std::string NewsFilePath() const;

protected:
    void CreateParams(widgets::TWindowParams& Params) override;
    void AfterCreate() override;
    void WMWindowPosChanging(widgets::TWidgetMessage& Message) override;
    void WMDestroy(widgets::TWidgetMessage& Message) override;
    void WMClose(widgets::TWidgetMessage& Message) override;
    void WMTimer(widgets::TWidgetMessage& Message) override;
    virtual void WMCommand(widgets::TWidgetMessage& Message);
    virtual void WMQueryEndSession(widgets::TWidgetMessage& Message);
    virtual void WMEndSession(widgets::TWidgetMessage& Message);
    // The monitors or their work areas changed: the widget stays where the user can see it.
    virtual void WMDisplayChange(widgets::TWidgetMessage& Message);
    virtual void WMDpiChanged(widgets::TWidgetMessage& Message);
    virtual void WMSettingChange(widgets::TWidgetMessage& Message);
    virtual void WMCopyData(widgets::TWidgetMessage&) {}
    // Both answers belong to the refresher; the window only routes them there.
    virtual void WMVersionDone(widgets::TWidgetMessage& Message);
    virtual void WMNewsDone(widgets::TWidgetMessage& Message);
    virtual void WMExternalReserved(widgets::TWidgetMessage&) {}
    virtual void WMExternalClose(widgets::TWidgetMessage& Message);
    virtual void WMSignalEnd(widgets::TWidgetMessage& Message);
    // After a resume from sleep the news is refreshed soon, not at the next poll.
    virtual void WMPowerBroadcast(widgets::TWidgetMessage& Message);
    // A drag from another program came over the card; a link was dropped or pasted.
    virtual void WMDragEnter(widgets::TWidgetMessage& Message);
    virtual void WMDropText(widgets::TWidgetMessage& Message);

private:
    void BuildElements();

    // Element event handlers.
    void WindowMouseDown(widgets::TObject* Sender, int Keys, int X, int Y);
    void ContentMouseDown(widgets::TObject* Sender, int Keys, int X, int Y);
    void ContentDrag(widgets::TObject* Sender, int Keys, int X, int Y);
    void TrayMouseUp(widgets::TObject* Sender, int Keys, int X, int Y);
    // Keys the window answers wherever the keyboard is: Esc closes the open view.
    void ViewKeyDown(std::uint16_t& Key);
    void ResumeTick();
    // The options store holds a changed list of sources: the refresher and the options view's
    // sources page take it up.
    void SourcesChanged();

    std::u16string FDataFolder;
    platform::HMENU FMenu = 0;
    platform::HICON FIcon = 0;
    std::unique_ptr<TWinTimer> FStartTimer;
    std::unique_ptr<TWinTimer> FIdleTimer;
    std::unique_ptr<TWinTimer> FResumeTimer;
    widgets::TToolTip* FToolTip = nullptr;
    widgets::TTrayIcon* FTrayIcon = nullptr;
    widgets::TControlEx* FRoot = nullptr;
    elements::TBackgroundEx* FBackground = nullptr;
    elements::TImageEx* FHeader = nullptr;
    // The close sequence has begun.
    bool FClosing = false;
    bool FRescaling = false; // the window takes its place for a new scale: no snapping
    // ShutDown has begun: nothing new is started.
    bool FShuttingDown = false;
    // The work area of the monitor the window last stood on, so that it can keep its place
    // there in proportion when that monitor goes away or changes.
    std::optional<platform::TRect> FHome;

    // The parts. Members are freed last to first, so the refresher, whose servers the about
    // view reads, goes last. Their elements are owned by the window, as every element is.
    std::unique_ptr<TNewsRefresher> FRefresher;
    std::unique_ptr<TSourceEditor> FSourceEditor;
    std::unique_ptr<TOptionsView> FOptionsView;
    std::unique_ptr<TAboutView> FAboutView;
    std::unique_ptr<TNewsView> FNewsView;
    std::unique_ptr<TScaler> FScaler;
};

} // namespace app
