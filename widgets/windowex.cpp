#include "widgets/windowex.h"

namespace widgets {

using namespace platform;

namespace {

// Shared by both top-level classes: the close handler may keep, hide or destroy the window.
void RunCloseAction(TControl& Window, const TCloseEvent& OnClose) {
    TCloseAction action = caFree;
    if (OnClose)
        OnClose(&Window, action);
    switch (action) {
    case caHide:
        Window.Hide();
        break;
    case caFree:
        DestroyWindow(Window.WindowHandle());
        break;
    default:
        break;
    }
}

void RunMouseActivate(TControl& Window, const TMouseActivateEvent& Event, TWidgetMessage& Message) {
    Message.Result = MA_ACTIVATE;
    const auto lp = static_cast<std::uintptr_t>(Message.LParam);
    if (Event)
        Event(&Window, static_cast<int>(LoWord(lp)), static_cast<int>(HiWord(lp)), Message.Result);
}

} // namespace

// ---------------------------------------------------------------------------------------------

TWindowEx::TWindowEx(TComponent* AOwner, const char16_t* AClassName)
    : TControlEx(AOwner, AClassName) {
    FWidth = 320;
    FHeight = 240;
    Cached = false;
}

void TWindowEx::CreateParams(TWindowParams& Params) {
    TControlEx::CreateParams(Params);
    Params.Style = WS_POPUP;
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    Params.ExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
    if (FAlwaysTop)
        Params.ExStyle |= WS_EX_TOPMOST;
}

void TWindowEx::WndProc(TWidgetMessage& Message) {
    switch (Message.Msg) {
    case WM_CREATE:
        WMCreate(Message);
        return;
    case WM_DESTROY:
        WMDestroy(Message);
        return;
    case WM_ACTIVATE:
        WMActivate(Message);
        return;
    case WM_CLOSE:
        WMClose(Message);
        return;
    case WM_MOUSEACTIVATE:
        WMMouseActivate(Message);
        return;
    case WM_TIMER:
        WMTimer(Message);
        return;
    default:
        TControlEx::WndProc(Message);
    }
}

void TWindowEx::WMCreate(TWidgetMessage& Message) {
    TControlEx::WMCreate(Message);
    if (OnCreate)
        OnCreate(this);
    AfterCreate();
}

void TWindowEx::WMDestroy(TWidgetMessage&) {
    if (OnDestroy)
        OnDestroy(this);
}

void TWindowEx::WMClose(TWidgetMessage&) {
    RunCloseAction(*this, OnClose);
}

void TWindowEx::WMActivate(TWidgetMessage& Message) {
    if (OnActivate)
        OnActivate(this, static_cast<int>(LoWord(Message.WParam)),
                   static_cast<HWND>(Message.LParam));
}

void TWindowEx::WMMouseActivate(TWidgetMessage& Message) {
    RunMouseActivate(*this, OnMouseActivate, Message);
}

void TWindowEx::WMTimer(TWidgetMessage& Message) {
    if (OnTimer)
        OnTimer(this, static_cast<UINT>(Message.WParam));
}

void TWindowEx::WMShowWindow(TWidgetMessage& Message) {
    TControlEx::WMShowWindow(Message);
    if (FVisible) {
        if (OnShow)
            OnShow(this);
    } else if (OnHide) {
        OnHide(this);
    }
}

void TWindowEx::WMSize(TWidgetMessage& Message) {
    TControlEx::WMSize(Message);
    if (OnResize)
        OnResize(this);
}

void TWindowEx::UpdateLayer() {
    if (!HandleAllocated())
        return;
    const TBitmapEx& bitmap = Canvas().Bitmap();
    TPoint destination{FLeft, FTop};
    // A canvas smaller than the window (it was just resized) has not enough pixels to show.
    if (bitmap.Width() < FWidth || bitmap.Height() < FHeight)
        return;
    UpdateLayeredWindow(FHandle, &destination, FWidth, FHeight,
                        reinterpret_cast<const std::uint32_t*>(bitmap.Bits()), bitmap.Stride(),
                        Opacity(), ULW_ALPHA, bitmap.Scale());
}

void TWindowEx::SetAlwaysTop(bool Value) {
    if (Value == FAlwaysTop)
        return;
    FAlwaysTop = Value;
    if (!HandleAllocated())
        return;
    SetWindowPos(FHandle, Value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
    SetForegroundWindow(FHandle);
    SetActiveWindow(FHandle);
    Update();
}

// ---------------------------------------------------------------------------------------------

TWindow::TWindow(TComponent* AOwner, const char16_t* AClassName)
    : TWinControl(AOwner, AClassName), FCanvas(std::make_unique<TCanvas>()) {
    FWidth = 320;
    FHeight = 240;
    Brush().SetColor(clBtnFace);
}

void TWindow::CreateParams(TWindowParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style = WS_OVERLAPPEDWINDOW;
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    Params.ExStyle = WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE;
}

void TWindow::WndProc(TWidgetMessage& Message) {
    switch (Message.Msg) {
    case WM_CREATE:
        WMCreate(Message);
        return;
    case WM_DESTROY:
        WMDestroy(Message);
        return;
    case WM_ACTIVATE:
        WMActivate(Message);
        return;
    case WM_CLOSE:
        WMClose(Message);
        return;
    case WM_MOUSEACTIVATE:
        WMMouseActivate(Message);
        return;
    case WM_TIMER:
        WMTimer(Message);
        return;
    default:
        TWinControl::WndProc(Message);
    }
}

void TWindow::WMCreate(TWidgetMessage& Message) {
    TWinControl::WMCreate(Message);
    AfterCreate();
}

void TWindow::AfterCreate() {
    if (HandleAllocated())
        SetLayeredWindowAttributes(FHandle, 0, FOpacity, LWA_ALPHA);
    if (OnCreate)
        OnCreate(this);
}

void TWindow::SetOpacity(std::uint8_t Value) {
    if (Value == FOpacity)
        return;
    FOpacity = Value;
    if (HandleAllocated())
        SetLayeredWindowAttributes(FHandle, 0, FOpacity, LWA_ALPHA);
}

void TWindow::WMPaint(TWidgetMessage&) {
    // The platform draws plain windows itself and hands no context over; the canvas only
    // carries the window's tools while Repaint runs.
    FCanvas->Font().Assign(Font());
    FCanvas->Brush().Assign(Brush());
    FCanvas->Pen().SetColor(Pen().Color());
    FCanvas->Pen().SetWidth(Pen().Width());
    FCanvas->Pen().SetStyle(Pen().Style());
    Repaint();
}

void TWindow::WMClose(TWidgetMessage&) {
    RunCloseAction(*this, OnClose);
}

void TWindow::WMDestroy(TWidgetMessage&) {
    if (FOnDestroy)
        FOnDestroy(this);
}

void TWindow::WMActivate(TWidgetMessage& Message) {
    if (OnActivate)
        OnActivate(this, static_cast<int>(LoWord(Message.WParam)),
                   static_cast<HWND>(Message.LParam));
}

void TWindow::WMMouseActivate(TWidgetMessage& Message) {
    RunMouseActivate(*this, OnMouseActivate, Message);
}

void TWindow::WMTimer(TWidgetMessage& Message) {
    if (OnTimer)
        OnTimer(this, static_cast<UINT>(Message.WParam));
}

} // namespace widgets
