// TMainWindowProbe: the tests' one way past the main window's methods. It is a friend of the
// window and of its parts and hands out what the assertions look at (elements, timers, the
// scaler's state); everything it hands out stays owned where it was.
#pragma once

#include "app/about_view.h"
#include "app/mainwindow.h"
#include "app/news_refresher.h"
#include "app/news_view.h"
#include "app/options_view.h"
#include "app/refresh_cycle.h"
#include "app/scaler.h"
#include "app/source_editor.h"
#include "app/sources_page.h"
#include "app/wintimer.h"
#include "elements/checkbox.h"
#include "elements/content.h"
#include "elements/pictures.h"
#include "elements/reflection.h"
#include "elements/scrollbar.h"
#include "elements/skintext.h"
#include "settings/options.h"

namespace app {

class TMainWindowProbe {
public:
    explicit TMainWindowProbe(TMainWindow& Window) : W(Window) {}

    // The parts.
    TNewsRefresher& Refresher() const { return *W.FRefresher; }
    TNewsView& NewsView() const { return *W.FNewsView; }
    TOptionsView& OptionsView() const { return *W.FOptionsView; }
    TAboutView& AboutView() const { return *W.FAboutView; }
    TScaler& Scaler() const { return *W.FScaler; }
    TSourceEditor& SourceEditor() const { return *W.FSourceEditor; }

    // The window's own.
    widgets::TControlEx* Root() const { return W.FRoot; }
    TWinTimer* StartTimer() const { return W.FStartTimer.get(); }
    TWinTimer* IdleTimer() const { return W.FIdleTimer.get(); }
    TWinTimer* ResumeTimer() const { return W.FResumeTimer.get(); }

    // The refresher's: the cycle in flight (null when none) and the busy state's pieces.
    const TRefreshCycle* Cycle() const { return Refresher().FCycle.get(); }
    TWinTimer* PollTimer() const { return Refresher().FPollTimer.get(); }
    TWinTimer* ThrobberTimer() const { return Refresher().FThrobberTimer.get(); }
    elements::TThrobberEx* Throbber() const { return Refresher().FThrobber; }
    elements::TSkinText* StatusText() const { return Refresher().FStatusText; }

    // The news view's.
    elements::TContainerEx* Viewport() const { return NewsView().FViewport; }
    elements::TContentEx* NewsList() const { return NewsView().FNewsList; }
    elements::TSkinText* ListMessage() const { return NewsView().FMessage; }

    // The options view's; Options() is null once the store has been freed.
    TOptions* Options() const { return OptionsView().Store(); }
    widgets::TControlEx* OptionsPanel() const { return &OptionsView().Panel(); }
    elements::TImageEx* OptionsImage() const { return OptionsView().FOptionsImage; }
    elements::TImageEx* OptionsClose() const { return OptionsView().FOptionsClose; }
    elements::TCheckBoxEx* StartupBox() const { return OptionsView().FStartupBox; }
    elements::TCheckBoxEx* AlwaysTopBox() const { return OptionsView().FAlwaysTopBox; }
    elements::TCheckBoxEx* ShowTrayBox() const { return OptionsView().FShowTrayBox; }
    elements::TCheckBoxEx* AutoScaleBox() const { return OptionsView().FAutoScaleBox; }
    elements::TSkinText* SourcesLink() const { return OptionsView().FSourcesLink; }
    TSourcesPage& SourcesPage() const { return OptionsView().FSourcesPage; }
    elements::TSkinText* SourceName(int Slot) const { return SourcesPage().FNames[Slot]; }
    elements::TSkinText* SourceAction(int Slot) const { return SourcesPage().FActions[Slot]; }
    elements::TSkinText* PasteLink() const { return SourcesPage().FPaste; }

    // The about view's.
    widgets::TControlEx* AboutPanel() const { return &AboutView().Panel(); }
    widgets::TControlEx* AboutSlider() const { return &AboutView().Sheet(); }
    elements::TImageEx* AboutImage() const { return AboutView().FAboutImage; }
    elements::TImageEx* AboutClose() const { return AboutView().FAboutClose; }
    elements::TImageEx* AboutIcon() const { return AboutView().FAboutIcon; }
    elements::TSkinText* TitleText() const { return AboutView().FTitleText; }
    elements::TSkinText* LinkText() const { return AboutView().FLinkText; }
    elements::TReflectionEx* IconReflection() const { return AboutView().FIconReflection; }

    // The scaler's.
    float Scale() const { return Scaler().FScale; }
    int Corner() const { return Scaler().FCorner; }
    bool ScaledSettled() const { return Scaler().FScaledSettled; }

private:
    TMainWindow& W;
};

} // namespace app
