// TOptionsView: the options sheet with its four check boxes, and the options store behind them.
// It reads the stored options into the window and the boxes, and writes the boxes and the
// window's position back whenever a box is clicked and at shutdown. The tray icon and the
// scaler are not its own: it reports their boxes through events. A link under the boxes turns
// the sheet to its second page, the sources (sources_page.h); the feeds marked for removal
// there are handed on when the view closes.
#pragma once

#include "app/sliding_view.h"
#include "app/sources_page.h"
#include "widgets/events.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TOptions;

namespace elements {
class TCheckBoxEx;
class TImageEx;
class TSkinText;
} // namespace elements

namespace app {

class TOptionsView : public TSlidingView {
    friend class TMainWindowProbe;

public:
    // Opens the store on StorePath at once, as the window needs it before any element exists.
    // The sources' records (their names) are read from RecordsFolder.
    TOptionsView(widgets::TWindowEx& Window, const std::u16string& StorePath,
                 std::string RecordsFolder);
    ~TOptionsView() override;

    // The panel under Parent, hidden; MouseDown goes to the panel and the sheet.
    void Build(widgets::TControl& Parent, widgets::TControl& Still,
               const widgets::TMouseEvent& MouseDown);

    // Null once ShutDown has freed it.
    TOptions* Store() const { return FOptions.get(); }

    // The stored position and the always-on-top option into the window; needs no element.
    void PlaceWindow();
    // The stored position and options into the window, the boxes, the tray icon and the scaler.
    void ApplyOptions();
    // The window's position and the four boxes into the file; nothing once the store is gone.
    void SaveOptions();
    // Hands on the removals still waiting, saves and writes the file once more, then frees the
    // store; later calls do nothing.
    void ShutDown();

    // The sheet's pages: the check boxes, or the sources.
    void ShowSourcesPage(bool Sources);
    bool SourcesPageShown() const { return FSourcesPage.Visible(); }
    // The sources page lists what the store names now.
    void ListSources();

    // The new state of the "tray icon" and "autoscale" boxes, to be applied elsewhere.
    std::function<void(bool Checked)> OnShowTrayChange;
    std::function<void(bool Checked)> OnAutoScaleChange;
    // "Panodan ekle", and the feeds to take out of the list once the view has closed.
    std::function<void()> OnPasteSource;
    std::function<void(const std::vector<std::string>& Urls)> OnRemoveSources;

protected:
    void ViewShowing() override;
    void ViewHidden() override;

private:
    // Each flips its own box (the box does not flip itself), applies it, repaints and saves.
    void StartupClick();
    void AlwaysTopClick();
    void ShowTrayClick();
    void AutoScaleClick();
    void CommitRemovals();

    std::unique_ptr<TOptions> FOptions;
    std::string FRecordsFolder;
    TSourcesPage FSourcesPage;
    elements::TSkinText* FSourcesLink = nullptr;
    elements::TImageEx* FOptionsImage = nullptr;
    elements::TImageEx* FOptionsClose = nullptr;
    elements::TCheckBoxEx* FStartupBox = nullptr;
    elements::TCheckBoxEx* FAlwaysTopBox = nullptr;
    elements::TCheckBoxEx* FShowTrayBox = nullptr;
    elements::TCheckBoxEx* FAutoScaleBox = nullptr;
};

} // namespace app
