// TSlidingView: what the options and about views share. A panel, hidden while the view is
// closed, holds a sheet that rests one sheet-height above it, transparent; opening slides the
// sheet down while it fades in, closing slides it back up while it fades out.
#pragma once

#include "widgets/controlex.h"
#include "widgets/windowex.h"

namespace app {

class TSlidingView {
public:
    TSlidingView(const TSlidingView&) = delete;
    TSlidingView& operator=(const TSlidingView&) = delete;
    virtual ~TSlidingView() = default;

    // Open: the panel shows.
    bool Visible() const { return FPanel != nullptr && FPanel->Visible(); }
    // Each runs its frames to the end, repainting the whole window after every one.
    void ShowView();
    void HideView();

    widgets::TControlEx& Panel() const { return *FPanel; }
    widgets::TControlEx& Sheet() const { return *FSheet; }

protected:
    explicit TSlidingView(widgets::TWindowEx& Window) : FWindow(Window) {}

    // Still is kept as it is drawn (Locked) while the sheet moves over it.
    void SetSheet(widgets::TControlEx& Panel, widgets::TControlEx& Sheet, widgets::TControl& Still);
    // Before the sheet starts to slide in, and once it has slid out.
    virtual void ViewShowing() {}
    virtual void ViewHidden() {}

    widgets::TWindowEx& FWindow;

private:
    widgets::TControlEx* FPanel = nullptr;
    widgets::TControlEx* FSheet = nullptr;
    widgets::TControl* FStill = nullptr;
};

} // namespace app
