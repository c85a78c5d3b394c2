#include "app/scaler.h"

#include "app/ids.h"
#include "platform/messages.h"

#include <cmath>

namespace app {

using namespace platform;
using namespace widgets;

TScaler::TScaler(TWindowEx& Window, TControl& Root, TControlEx& Picture,
                 std::function<TMonitor()> Monitor)
    : FWindow(Window), FRoot(Root), FPicture(Picture), FMonitor(std::move(Monitor)) {}

void TScaler::WindowActivate(TObject*, int Activation, HWND Window) {
    if (Activation != static_cast<int>(WA_INACTIVE))
        ScaleWindow(true);
    else if (Window != FWindow.WindowHandle())
        ScaleWindow(false);
}

void TScaler::ScaleWindow(bool Grow) {
    if (FClosing || !FAutoScale)
        return;
    // The halves of the work area are compared with Left and Top as they lie on the monitor
    // (from its corner, the origin on a one-screen desktop), not with the area's centre.
    const TMonitor monitor = FMonitor();
    const TRect& area = monitor.Work;
    const int halfW = (area.Right - area.Left) / 2;
    const int halfH = (area.Bottom - area.Top) / 2;
    const bool right = !(FWindow.Left() - monitor.Bounds.Left < halfW);
    const bool lower = FWindow.Top() - monitor.Bounds.Top > halfH;
    FCorner = (right ? TopRight : TopLeft) + (lower ? 1 : 0);

    if (Grow) {
        FScaledSettled = false;
        // The sum is compared before it is rounded to single precision, so the walk back from
        // the settled value ends on exactly 1.0.
        while (static_cast<double>(FScale) + static_cast<double>(FScaleStep) <=
               static_cast<double>(FMaxScale)) {
            FScale = FScale + FScaleStep;
            FWindow.Paint();
            FWindow.UpdateLayer();
        }
        FScaled = false;
        FRoot.SetSize(WindowWidth, WindowHeight);
        FWindow.Update();
    } else {
        FScaled = true;
        FRoot.SetSize(1, 1);
        while (static_cast<double>(FScale) - static_cast<double>(FScaleStep) >=
               static_cast<double>(FMinScale)) {
            FScale = FScale - FScaleStep;
            FWindow.Paint();
            FWindow.UpdateLayer();
        }
        FScaledSettled = true;
        FWindow.Update();
    }
}

void TScaler::PaintScaled(TCanvasEx& Canvas) const {
    if (!FScaled)
        return;
    // Rounded to nearest with ties to even, the default rounding mode.
    const int w = static_cast<int>(std::nearbyint(WindowWidth * static_cast<double>(FScale)));
    const int h = static_cast<int>(std::nearbyint(WindowHeight * static_cast<double>(FScale)));
    const bool right = FCorner == TopRight || FCorner == BottomRight;
    const bool bottom = FCorner == BottomLeft || FCorner == BottomRight;
    const int x = right ? WindowWidth - w : 0;
    const int y = bottom ? WindowHeight - h : 0;
    const TBitmapEx& picture = FPicture.Canvas().Bitmap();
    if (FScaledSettled)
        Canvas.DrawImageRect(picture, x, y, w, h);
    else
        Canvas.StretchDraw(picture, x, y, w, h);
}

void TScaler::PresentIfScaled() {
    if (!FScaled)
        return;
    FWindow.Paint();
    FWindow.UpdateLayer();
}

} // namespace app
