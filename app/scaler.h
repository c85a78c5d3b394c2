// TScaler: the widget's small picture. When another window takes the activation it shrinks the
// window's picture, frame by frame, into one corner of the window (chosen by the quarter of its
// monitor's work area that holds the window's top-left point), and grows it back when the widget
// is activated again. The window keeps its size and place throughout; only its picture shrinks.
#pragma once

#include "platform/types.h"
#include "widgets/windowex.h"

#include <functional>

namespace app {

class TScaler {
    friend class TMainWindowProbe;

public:
    enum TCorner : int { TopLeft = 0, BottomLeft = 1, TopRight = 2, BottomRight = 3 };

    // Root is shrunk to 1 x 1 while the picture is small, so the elements take no input; the
    // small picture is drawn from Picture's canvas, which keeps its full-size bitmap. Monitor
    // tells the monitor that holds the window.
    TScaler(widgets::TWindowEx& Window, widgets::TControl& Root, widgets::TControlEx& Picture,
            std::function<platform::TMonitor()> Monitor);
    TScaler(const TScaler&) = delete;
    TScaler& operator=(const TScaler&) = delete;

    // The window's OnActivate: grows on activation, shrinks when another window takes it.
    void WindowActivate(widgets::TObject* Sender, int Activation, platform::HWND Window);
    // Runs every frame to its end; does nothing while AutoScale is off or once closing began.
    void ScaleWindow(bool Grow);
    // The window's paint step while the picture is small: draws it into its corner of Canvas.
    void PaintScaled(widgets::TCanvasEx& Canvas) const;
    // Paints and presents the small picture as it is now, when the picture is small.
    void PresentIfScaled();

    bool AutoScale() const { return FAutoScale; }
    void SetAutoScale(bool Value) { FAutoScale = Value; }
    // From the start of the close on, activation changes leave the picture as it is.
    void WindowClosing() { FClosing = true; }

    bool Scaled() const { return FScaled; }

private:
    widgets::TWindowEx& FWindow;
    widgets::TControl& FRoot;
    widgets::TControlEx& FPicture;
    std::function<platform::TMonitor()> FMonitor;

    float FScale = 1.0f;
    float FMaxScale = 1.0f;
    float FMinScale = 0.2f;
    float FScaleStep = 0.05f;
    bool FAutoScale = true;
    bool FScaled = false;
    int FCorner = TopLeft;
    // The shrink has finished: the picture is drawn smoothly, not with the fast frames' filter.
    bool FScaledSettled = false;
    bool FClosing = false;
};

} // namespace app
