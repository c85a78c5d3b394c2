#include "widgets/trayicon.h"

#include "platform/shell/tray.h"

#include <algorithm>

namespace widgets {

using namespace platform;

namespace {

constexpr UINT WM_QUERYENDSESSION_ = 17;
constexpr UINT WM_ENDSESSION_ = 22;

// Copies at most the field's size less one, always terminated: longer texts are cut.
template <std::size_t N> void CopyField(char16_t (&field)[N], const std::u16string& text) {
    const std::size_t n = std::min(text.size(), N - 1);
    std::copy_n(text.data(), n, field);
    std::fill(field + n, field + N, u'\0');
}

int ModifierKeys() {
    int keys = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        keys |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0)
        keys |= MK_CONTROL;
    return keys;
}

} // namespace

TTrayIcon::TTrayIcon(TComponent* AOwner) : TWindow(AOwner, u"TTrayIcon") {
    FData.uFlags = NIF_MESSAGE | NIF_ICON;
    FData.uCallbackMessage = WM_TRAYICON;
    FData.uTimeout = 3000;
}

void TTrayIcon::CreateParams(TWindowParams& Params) {
    TWindow::CreateParams(Params);
    Params.ExStyle = WS_EX_TOOLWINDOW;
    Params.Style = WS_POPUP;
}

void TTrayIcon::AfterCreate() {
    TWindow::AfterCreate();
    if (HandleAllocated()) {
        FData.hWnd = FHandle;
        FData.uID = static_cast<UINT>(FHandle);
        UpdateTray();
    }
}

bool TTrayIcon::NotifyShell(DWORD Request) {
    std::vector<TFrameView> icon;
    GetIconFrames(FData.hIcon, &icon);
    const std::u16string tip = (FData.uFlags & NIF_TIP) ? std::u16string(FData.szTip) : u"";
    bool accepted = false;
    switch (Request) {
    case NIM_ADD:
        accepted = FData.hWnd != 0 &&
                   TrayAddIcon(FData.hWnd, FData.uID, FData.uCallbackMessage, icon, tip);
        break;
    case NIM_MODIFY:
        accepted = TrayModifyIcon(FData.hWnd, FData.uID, icon, tip);
        break;
    case NIM_DELETE:
        return TrayDeleteIcon(FData.hWnd, FData.uID);
    default:
        return false;
    }
    TraySetMenu(FData.hWnd, FData.uID, PopupMenu, PopupMenuOwner);
    return accepted;
}

void TTrayIcon::UpdateTray() {
    if (FVisibleTray)
        NotifyShell(NIM_MODIFY);
}

void TTrayIcon::ShowBalloon() {
    FData.uFlags |= NIF_INFO;
    FData.dwInfoFlags = static_cast<DWORD>(BalloonFlags);
    NotifyShell(NIM_MODIFY);
}

void TTrayIcon::SetHintText(const std::u16string& Value) {
    if (Value == FHintText)
        return;
    FHintText = Value;
    CopyField(FData.szTip, Value);
    if (Value.empty())
        FData.uFlags &= ~NIF_TIP;
    else
        FData.uFlags |= NIF_TIP;
    UpdateTray();
}

void TTrayIcon::SetBalloonHint(const std::u16string& Value) {
    if (Value == FBalloonHint)
        return;
    FBalloonHint = Value;
    CopyField(FData.szInfo, Value);
    NotifyShell(NIM_MODIFY);
}

void TTrayIcon::SetBalloonTitle(const std::u16string& Value) {
    if (Value == FBalloonTitle)
        return;
    FBalloonTitle = Value;
    CopyField(FData.szInfoTitle, Value);
    NotifyShell(NIM_MODIFY);
}

void TTrayIcon::SetIcon(HICON Value) {
    if (FIcon != 0 && FIcon != Value)
        DestroyIcon(FIcon);
    FIcon = Value;
    FData.hIcon = Value;
    UpdateTray();
}

void TTrayIcon::SetVisibleTray(bool Value) {
    if (Value == FVisibleTray)
        return;
    FVisibleTray = Value;
    NotifyShell(Value ? NIM_ADD : NIM_DELETE);
}

void TTrayIcon::WndProc(TWidgetMessage& Message) {
    switch (Message.Msg) {
    case WM_QUERYENDSESSION_:
        Message.Result = 1;
        break;
    case WM_ENDSESSION_:
        if (Message.WParam != 0)
            NotifyShell(NIM_DELETE);
        break;
    case WM_TRAYICON:
        TrayCallback(Message);
        break;
    case WM_DESTROY:
        WMDestroy(Message);
        break;
    default:
        TWindow::WndProc(Message);
        break;
    }
}

void TTrayIcon::WMDestroy(TWidgetMessage& Message) {
    NotifyShell(NIM_DELETE);
    if (FIcon != 0) {
        DestroyIcon(FIcon);
        FIcon = 0;
        FData.hIcon = 0;
    }
    TWindow::WMDestroy(Message);
}

void TTrayIcon::TrayCallback(TWidgetMessage& Message) {
    const int keys = ModifierKeys();
    // A host that reports where the action happened is believed over the pointer, which this
    // program may not see while it is over the host's panel.
    TPoint at;
    if (!TrayGetEventPoint(FData.hWnd, FData.uID, &at))
        GetCursorPos(&at);
    switch (static_cast<UINT>(Message.LParam)) {
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove(this, keys, at.X, at.Y);
        break;
    case WM_LBUTTONDOWN:
        if (OnMouseDown)
            OnMouseDown(this, keys + MK_LBUTTON, at.X, at.Y);
        FClickPending = true;
        break;
    case WM_LBUTTONUP:
        if (FClickPending && OnClick) {
            OnClick(this);
            FClickPending = false;
        }
        if (OnMouseUp)
            OnMouseUp(this, keys + MK_LBUTTON, at.X, at.Y);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        if (OnDblClick)
            OnDblClick(this);
        break;
    case WM_RBUTTONDOWN:
        if (OnMouseDown)
            OnMouseDown(this, keys + MK_RBUTTON, at.X, at.Y);
        break;
    case WM_RBUTTONUP:
        if (OnMouseUp)
            OnMouseUp(this, keys + MK_RBUTTON, at.X, at.Y);
        break;
    case WM_MBUTTONDOWN:
        if (OnMouseDown)
            OnMouseDown(this, keys + MK_MBUTTON, at.X, at.Y);
        break;
    case WM_MBUTTONUP:
        if (OnMouseUp)
            OnMouseUp(this, keys + MK_MBUTTON, at.X, at.Y);
        break;
    case NIN_BALLOONSHOW:
    case NIN_BALLOONHIDE:
    case NIN_BALLOONTIMEOUT:
    case NIN_BALLOONUSERCLICK:
        // A balloon once shown is not shown again by later modify requests.
        FData.uFlags &= ~NIF_INFO;
        if (OnBalloonAction)
            OnBalloonAction(this, static_cast<int>(Message.LParam));
        break;
    default:
        break;
    }
}

} // namespace widgets
