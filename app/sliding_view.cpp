#include "app/sliding_view.h"

#include "app/ids.h"

#include <cmath>
#include <cstdint>

namespace app {

namespace {

// Opacity change per frame: 21 for the options sheet, 17 for the about sheet.
int ViewStep(const widgets::TControlEx& Sheet) {
    const float frames = static_cast<float>(Sheet.Height()) / static_cast<float>(SlideStep);
    return static_cast<int>(std::nearbyint(255.0 / static_cast<double>(frames)));
}

} // namespace

void TSlidingView::SetSheet(widgets::TControlEx& Panel, widgets::TControlEx& Sheet,
                            widgets::TControl& Still) {
    FPanel = &Panel;
    FSheet = &Sheet;
    FStill = &Still;
}

void TSlidingView::ShowView() {
    widgets::TControlEx& sheet = *FSheet;
    const int step = ViewStep(sheet);
    ViewShowing();
    FPanel->Show();
    FWindow.Update();
    FStill->Locked = true;
    sheet.Locked = true;
    for (;;) {
        const int y = sheet.Top() + SlideStep;
        if (y >= 0)
            break;
        sheet.SetTop(y);
        if (sheet.Opacity() + step < 255)
            sheet.SetOpacity(static_cast<std::uint8_t>(sheet.Opacity() + step));
        FWindow.Update();
    }
    sheet.SetOpacity(255);
    sheet.SetTop(0);
    sheet.Locked = false;
    FStill->Locked = false;
    FWindow.Update();
}

void TSlidingView::HideView() {
    widgets::TControlEx& sheet = *FSheet;
    FStill->Locked = true;
    sheet.Locked = true;
    const int step = ViewStep(sheet);
    for (;;) {
        const int y = sheet.Top() - SlideStep;
        if (y <= -sheet.Height())
            break;
        sheet.SetTop(y);
        if (sheet.Opacity() - step > 0)
            sheet.SetOpacity(static_cast<std::uint8_t>(sheet.Opacity() - step));
        FWindow.Update();
    }
    sheet.SetOpacity(0);
    sheet.SetTop(-sheet.Height());
    FPanel->Hide();
    sheet.Locked = false;
    FStill->Locked = false;
    FWindow.Update();
    ViewHidden();
}

} // namespace app
