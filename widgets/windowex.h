// TWindowEx is the root of an element tree: a frameless layered top-level window whose
// composed canvas is handed to the platform as the whole window image, with Opacity as a
// constant alpha on top. TWindow is the plain framed window the platform paints, used for
// windows that only receive messages (the tray icon's).
#pragma once

#include <memory>

#include "widgets/controlex.h"
#include "widgets/plaintools.h"

namespace widgets {

class TWindowEx : public TControlEx {
public:
    explicit TWindowEx(TComponent* AOwner) : TWindowEx(AOwner, u"TWindowEx") {}

    void WndProc(TWidgetMessage& Message) override;

    bool AlwaysTop() const { return FAlwaysTop; }
    // On a live window: moves it into or out of the topmost band, brings it to the front,
    // activates it and updates it.
    void SetAlwaysTop(bool Value);

    void Refresh() override { Repaint(); }
    // Presents the canvas as it is, at Left, Top with Opacity; nothing is painted.
    void UpdateLayer() override;
    void Update() override { Repaint(); }

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;
    TActivateEvent OnActivate;
    TMouseActivateEvent OnMouseActivate;
    TTimerEvent OnTimer;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnResize;

protected:
    TWindowEx(TComponent* AOwner, const char16_t* AClassName);

    void CreateParams(TWindowParams& Params) override;
    void WMCreate(TWidgetMessage& Message) override;
    void WMSize(TWidgetMessage& Message) override;
    void WMShowWindow(TWidgetMessage& Message) override;
    virtual void WMDestroy(TWidgetMessage& Message);
    virtual void WMClose(TWidgetMessage& Message);
    virtual void WMActivate(TWidgetMessage& Message);
    virtual void WMMouseActivate(TWidgetMessage& Message);
    virtual void WMTimer(TWidgetMessage& Message);
    // Runs inside window creation; subclasses build their element trees here.
    virtual void AfterCreate() {}

private:
    bool FAlwaysTop = false;
};

class TWindow : public TWinControl {
public:
    explicit TWindow(TComponent* AOwner) : TWindow(AOwner, u"TWindow") {}

    void WndProc(TWidgetMessage& Message) override;

    std::uint8_t Opacity() const { return FOpacity; }
    // Takes effect on windows with the layered extended style only.
    void SetOpacity(std::uint8_t Value);
    TCanvas& Canvas() { return *FCanvas; }

    TNotifyEvent OnCreate;
    TCloseEvent OnClose;
    TActivateEvent OnActivate;
    TMouseActivateEvent OnMouseActivate;
    TTimerEvent OnTimer;

protected:
    TWindow(TComponent* AOwner, const char16_t* AClassName);

    void CreateParams(TWindowParams& Params) override;
    void WMCreate(TWidgetMessage& Message) override;
    void WMPaint(TWidgetMessage& Message) override;
    virtual void WMClose(TWidgetMessage& Message);
    virtual void WMDestroy(TWidgetMessage& Message);
    virtual void WMActivate(TWidgetMessage& Message);
    virtual void WMMouseActivate(TWidgetMessage& Message);
    virtual void WMTimer(TWidgetMessage& Message);
    virtual void AfterCreate();

    // Fired by the destroy message; for subclasses only.
    TNotifyEvent FOnDestroy;

private:
    std::uint8_t FOpacity = 255;
    std::unique_ptr<TCanvas> FCanvas;
};

} // namespace widgets
