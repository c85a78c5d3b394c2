// TOptionsView: the options sheet with its four check boxes, and the options store behind them.
// It reads the stored options into the window and the boxes, and writes the boxes and the
// window's position back whenever a box is clicked and at shutdown. The tray icon and the
// scaler are not its own: it reports their boxes through events.
#pragma once

#include "app/sliding_view.h"
#include "widgets/events.h"

#include <functional>
#include <memory>
#include <string>

class TOptions;

namespace elements {
class TCheckBoxEx;
class TImageEx;
} // namespace elements

namespace app {

class TOptionsView : public TSlidingView {
    friend class TMainWindowProbe;

public:
    // Opens the store on StorePath at once, as the window needs it before any element exists.
    TOptionsView(widgets::TWindowEx& Window, const std::u16string& StorePath);
    ~TOptionsView() override;

    // The panel under Parent, hidden; MouseDown goes to the panel and the sheet.
    void Build(widgets::TControl& Parent, widgets::TControl& Still,
               const widgets::TMouseEvent& MouseDown);

    // Null once ShutDown has freed it.
    TOptions* Store() const { return FOptions.get(); }

    // The stored position and options into the window, the boxes, the tray icon and the scaler.
    void ApplyOptions();
    // The window's position and the four boxes into the file; nothing once the store is gone.
    void SaveOptions();
    // Saves and writes the file once more, then frees the store; later calls do nothing.
    void ShutDown();

    // The new state of the "tray icon" and "autoscale" boxes, to be applied elsewhere.
    std::function<void(bool Checked)> OnShowTrayChange;
    std::function<void(bool Checked)> OnAutoScaleChange;

private:
    // Each flips its own box (the box does not flip itself), applies it, repaints and saves.
    void StartupClick();
    void AlwaysTopClick();
    void ShowTrayClick();
    void AutoScaleClick();

    std::unique_ptr<TOptions> FOptions;
    elements::TImageEx* FOptionsImage = nullptr;
    elements::TImageEx* FOptionsClose = nullptr;
    elements::TCheckBoxEx* FStartupBox = nullptr;
    elements::TCheckBoxEx* FAlwaysTopBox = nullptr;
    elements::TCheckBoxEx* FShowTrayBox = nullptr;
    elements::TCheckBoxEx* FAutoScaleBox = nullptr;
};

} // namespace app
