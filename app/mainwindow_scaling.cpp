// Scaling the picture into a corner when another window takes the activation, dragging the
// window by its background, and snapping it onto the work area's edges.
#include "app/mainwindow.h"

#include "platform/sys/workarea.h"

namespace app {

using namespace platform;
using namespace widgets;

TRect TMainWindow::WorkArea() const {
    TRect area = GetWorkArea();
    if (auto* desktop = dynamic_cast<TDesktop*>(Owner()))
        desktop->WorkArea(area);
    return area;
}

void TMainWindow::WindowActivate(TObject*, int Activation, HWND Window) {
    if (Activation != static_cast<int>(WA_INACTIVE))
        ScaleWindow(true);
    else if (Window != WindowHandle())
        ScaleWindow(false);
}

void TMainWindow::ScaleWindow(bool Grow) {
    if (Closing || !AutoScale)
        return;
    // The halves are compared with Left and Top as they are, not with the area's centre.
    const TRect area = WorkArea();
    const int halfW = (area.Right - area.Left) / 2;
    const int halfH = (area.Bottom - area.Top) / 2;
    const bool right = !(Left() < halfW);
    const bool lower = Top() > halfH;
    Corner = (right ? 2 : 0) + (lower ? 1 : 0);

    if (Grow) {
        ScaledSettled = false;
        // The sum is compared before it is rounded to single precision, so the walk back from
        // the settled value ends on exactly 1.0.
        while (static_cast<double>(Scale) + static_cast<double>(ScaleStep) <=
               static_cast<double>(MaxScale)) {
            Scale = Scale + ScaleStep;
            Paint();
            UpdateLayer();
        }
        Scaled = false;
        Root->SetSize(WindowWidth, WindowHeight);
        Update();
    } else {
        Scaled = true;
        Root->SetSize(1, 1);
        while (static_cast<double>(Scale) - static_cast<double>(ScaleStep) >=
               static_cast<double>(MinScale)) {
            Scale = Scale - ScaleStep;
            Paint();
            UpdateLayer();
        }
        ScaledSettled = true;
        Update();
    }
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
    if (pos == nullptr || (pos->flags & SWP_NOMOVE))
        return;
    const TRect area = WorkArea();
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

} // namespace app
