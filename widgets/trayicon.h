// TTrayIcon: one icon with a tip text in the desktop's notification area, behind a hidden
// window that receives the area's callbacks and turns them into mouse and balloon events.
#pragma once

#include "widgets/windowex.h"

#include <cstdint>

namespace widgets {

constexpr UINT WM_TRAYICON = 5940;

// Notification-area requests and record flags.
constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 0x01;
constexpr UINT NIF_ICON = 0x02;
constexpr UINT NIF_TIP = 0x04;
constexpr UINT NIF_INFO = 0x10;

// Balloon notifications that arrive in the callback's LParam.
constexpr UINT NIN_BALLOONSHOW = 1026;
constexpr UINT NIN_BALLOONHIDE = 1027;
constexpr UINT NIN_BALLOONTIMEOUT = 1028;
constexpr UINT NIN_BALLOONUSERCLICK = 1029;

enum TBalloonFlags { bfNone = 0, bfInfo = 1, bfWarning = 2, bfError = 3 };

// The record handed to the notification area on every request, in its long form.
struct TNotifyIconData {
    DWORD cbSize = 936;
    HWND hWnd = 0;
    UINT uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    platform::HICON hIcon = 0;
    char16_t szTip[128] = {};
    DWORD dwState = 0;
    DWORD dwStateMask = 0;
    char16_t szInfo[256] = {};
    UINT uTimeout = 0;
    char16_t szInfoTitle[64] = {};
    DWORD dwInfoFlags = 0;
};

class TTrayIcon : public TWindow {
public:
    explicit TTrayIcon(TComponent* AOwner);

    void WndProc(TWidgetMessage& Message) override;
    bool NotifyShell(DWORD Request);
    void UpdateTray();
    virtual void ShowBalloon();

    const std::u16string& HintText() const { return FHintText; }
    void SetHintText(const std::u16string& Value);
    const std::u16string& BalloonHint() const { return FBalloonHint; }
    void SetBalloonHint(const std::u16string& Value);
    const std::u16string& BalloonTitle() const { return FBalloonTitle; }
    void SetBalloonTitle(const std::u16string& Value);
    UINT BalloonTimeout() const { return FData.uTimeout; }
    void SetBalloonTimeout(UINT Value) { FData.uTimeout = Value; }
    TBalloonFlags BalloonFlags = bfNone;
    platform::HICON Icon() const { return FIcon; }
    // The tray icon owns the handle from now on.
    void SetIcon(platform::HICON Value);
    // The menu hosts that draw menus themselves show for the icon, read when the icon is added
    // or modified; a choice there posts WM_COMMAND to PopupMenuOwner, as the popup menu does.
    platform::HMENU PopupMenu = 0;
    platform::HWND PopupMenuOwner = 0;
    bool VisibleTray() const { return FVisibleTray; }
    void SetVisibleTray(bool Value);
    const TNotifyIconData& Record() const { return FData; }

    // These replace the TControl events of the same names.
    TMouseEvent OnMouseMove;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnAnimate;
    TBalloonActionEvent OnBalloonAction;

protected:
    void CreateParams(TWindowParams& Params) override;
    void WMDestroy(TWidgetMessage& Message) override;
    void AfterCreate() override;
    virtual void TrayCallback(TWidgetMessage& Message);

private:
    TNotifyIconData FData;
    bool FClickPending = false;
    platform::HICON FIcon = 0;
    std::u16string FHintText;
    std::u16string FBalloonHint;
    std::u16string FBalloonTitle;
    bool FVisibleTray = false;
};

} // namespace widgets
