// widgets/ is the toolkit: controls bound to platform windows, message dispatch into handlers
// and events, layered composition, bitmaps, canvas, text, tray icon, tooltip and desktop.
// Start with this file (TControl and WidgetWndProc), then controlex.h and windowex.h for the
// painted element tree, and canvas.h for what elements draw with.
//
// TControl binds one component to one platform window: windows are created lazily (parents
// first), every toolkit window shares WidgetWndProc, which finds the control through a window
// property and hands the message to its WndProc, the one switch that calls the WM... handlers
// and fires the events. TWinControl adds the plain-window font, brush and pen.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/messages.h"
#include "platform/types.h"
#include "platform/window_manager.h"
#include "widgets/component.h"
#include "widgets/events.h"
#include "widgets/plaintools.h"

namespace widgets {

using platform::DWORD;
using platform::HWND;
using platform::LPARAM;
using platform::LRESULT;
using platform::UINT;
using platform::WPARAM;

// Posted by a control to its own window when the pointer first moves in, so OnMouseEnter
// always runs after the OnMouseMove that noticed the entry.
constexpr UINT WM_MOUSEENTER = 33094;

// Requests understood by the application's tooltip window, and the record they carry.
constexpr UINT TTM_ADDTOOLW = 1074;
constexpr UINT TTM_DELTOOLW = 1075;
constexpr UINT TTM_UPDATETIPTEXTW = 1081;
constexpr UINT TTF_IDISHWND = 0x01;
constexpr UINT TTF_SUBCLASS = 0x10;
// The tooltip asks the tool for its text each time it shows.
inline const char16_t* const LPSTR_TEXTCALLBACKW =
    reinterpret_cast<const char16_t*>(static_cast<std::intptr_t>(-1));

struct TToolInfo {
    UINT cbSize = 44;
    UINT uFlags = 0;
    HWND hwnd = 0;
    std::uintptr_t uId = 0;
    platform::TRect rect;
    platform::HINSTANCE hinst = 0;
    const char16_t* lpszText = nullptr;
    LPARAM lParam = 0;
};

// Raised when an operation is not possible in the object's state (a child without a parent).
class EInvalidOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A refused platform call (class registration, window creation), with its error code.
class EOSError : public std::runtime_error {
public:
    EOSError(DWORD Code, const std::string& Text);
    DWORD ErrorCode;
};

// The record every handler receives; Result goes back to the platform.
struct TWidgetMessage {
    HWND Handle = 0;
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

class TControl;

// Filled by CreateParams just before a window is created.
struct TWindowParams {
    const char16_t* Caption = nullptr;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND ParentHandle = 0;
    TControl* CreationData = nullptr;
    platform::TWndClass ClassRecord{};
    std::u16string ClassNameText;
};

// Process-wide toolkit state, set up by InitializeWidgets.
extern platform::ATOM WindowAtom;
extern DWORD LastInputTick;
extern HWND ToolTipWindow;
extern DWORD MouseHoverTime;
extern DWORD TimerPeriod;

// Idempotent; every control constructor calls it, the program may call it earlier.
void InitializeWidgets();
void FinalizeWidgets();

std::u16string NewWidgetName();
TShiftState KeyDataToShiftState(LPARAM KeyData);
LRESULT WidgetWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

// Number of entries of the cursor table (arrow, I-beam, ... hand, app starting, help).
constexpr int CursorCount = 16;

class TControl : public TComponent {
    friend LRESULT WidgetWndProc(HWND, UINT, WPARAM, LPARAM);

public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // The dispatcher: one switch into the handlers below, then default processing.
    virtual void WndProc(TWidgetMessage& Message);
    // Runs a message through WndProc without the platform; default processing only happens
    // when the window exists.
    LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);

    virtual void SetParent(TControl* AParent) { FParent = AParent; }
    TControl* Parent() const { return FParent; }

    // Reading the handle creates the window (and its parents' windows) on demand.
    HWND Handle();
    // The handle as stored, without creating anything.
    HWND WindowHandle() const { return FHandle; }
    // Adopts a live window that no control has yet; its messages do not reach this control.
    void SetHandle(HWND Value);
    bool HandleAllocated() const;
    void HandleNeeded();

    std::u16string Caption();
    void SetCaption(const std::u16string& Value);

    int Cursor() const { return FCursor; }
    void SetCursor(int Value);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int Value);
    void SetTop(int Value);
    void SetWidth(int Value);
    void SetHeight(int Value);
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    void SetSize(int AWidth, int AHeight);
    platform::TRect ClientRect() const { return {0, 0, FWidth, FHeight}; }

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    int ControlCount() const;

    DWORD Style() const;
    DWORD ExStyle() const;
    void SetStyle(DWORD Value);
    void SetExStyle(DWORD Value);

    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    const std::u16string& Hint() const { return FHint; }
    void SetHint(const std::u16string& Value);

    const std::u16string& ClassNameW() const { return FClassNameW; }
    void SetClassNameW(const std::u16string& Value);

    bool MouseInside() const { return FMouseInside; }

    void SetFocus();
    void AddTool();
    void DeleteTool();

    virtual void Invalidate() { Repaint(); }
    virtual void Repaint() {}
    virtual void Refresh() {}
    virtual void UpdateLayer() {}
    virtual void Update() {}

    // Plain fields: writing them only stores the value.
    HWND ParentWindow = 0;
    int ClientWidth = 0;
    int ClientHeight = 0;
    UINT CtrlID = 0;
    bool Redraw = true;
    bool Cached = false;
    bool Locked = false;

    TMouseEvent OnMouseMove;
    TMouseEvent OnMouseHover;
    TMouseEvent OnMouseEnter;
    TMouseEvent OnMouseLeave;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseEvent OnClick;
    TMouseWheelEvent OnMouseWheel;
    TSizingEvent OnSizing;
    TSizeEvent OnSize;
    TMoveEvent OnMove;
    TMovingEvent OnMoving;
    TNotifyEvent OnSysTimer;
    TNotifyEvent OnSetFocus;
    TNotifyEvent OnKillFocus;
    TContextMenuEvent OnContextMenu;
    TMouseEvent OnDrag;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TMouseEvent OnDblClick;
    TWindowPosChangingEvent OnWindowPosChanging;
    TWindowPosChangingEvent OnWindowPosChanged;
    TCharEvent OnChar;

protected:
    // Each toolkit class names its platform window class after itself.
    TControl(TComponent* AOwner, const char16_t* AClassName);

    void CallDefault(TWidgetMessage& Message);
    virtual void CreateHandle();
    virtual void CreateParams(TWindowParams& Params);
    virtual void CreateWindowHandle(const TWindowParams& Params);
    virtual void CreateWnd();
    // Bases the window on an already registered platform class (called from CreateParams).
    void UsePlatformClass(TWindowParams& Params, const std::u16string& ClassName);

    virtual void WMCreate(TWidgetMessage& Message);
    virtual void WMSetCursor(TWidgetMessage& Message);
    virtual void WMMouseHover(TWidgetMessage& Message);
    virtual void WMMouseEnter(TWidgetMessage& Message);
    virtual void WMMouseLeave(TWidgetMessage& Message);
    virtual void WMMouseMove(TWidgetMessage& Message);
    virtual void WMButtonDown(TWidgetMessage& Message);
    virtual void WMButtonUp(TWidgetMessage& Message);
    virtual void WMMouseWheel(TWidgetMessage& Message);
    virtual void WMButtonDblClk(TWidgetMessage& Message);
    virtual void WMSize(TWidgetMessage& Message);
    virtual void WMSizing(TWidgetMessage& Message);
    virtual void WMMove(TWidgetMessage& Message);
    virtual void WMMoving(TWidgetMessage& Message);
    virtual void WMSysTimer(TWidgetMessage& Message);
    virtual void WMSetFocus(TWidgetMessage& Message);
    virtual void WMKillFocus(TWidgetMessage& Message);
    virtual void WMShowWindow(TWidgetMessage& Message);
    virtual void WMGetDlgCode(TWidgetMessage&) {}
    virtual void WMCancelMode(TWidgetMessage&) {}
    virtual void WMWindowPosChanged(TWidgetMessage&) {}
    virtual void WMWindowPosChanging(TWidgetMessage& Message);
    virtual void WMNCHitTest(TWidgetMessage&) {}
    virtual void WMGetText(TWidgetMessage& Message);
    virtual void WMGetTextLength(TWidgetMessage& Message);
    virtual void WMSetText(TWidgetMessage& Message);
    virtual void WMHScroll(TWidgetMessage& Message) { ForwardToParent(Message); }
    virtual void WMVScroll(TWidgetMessage& Message) { ForwardToParent(Message); }
    virtual void WMNotify(TWidgetMessage& Message) { ForwardToParent(Message); }
    virtual void WMCtlColor(TWidgetMessage& Message) { ForwardToParent(Message); }
    virtual void WMChar(TWidgetMessage& Message);
    virtual void WMKeyDown(TWidgetMessage& Message);
    virtual void WMKeyUp(TWidgetMessage& Message);
    virtual void WMContextMenu(TWidgetMessage& Message);

    void ForwardToParent(TWidgetMessage& Message);
    // Sends a tooltip request about this control's window (registration, text change).
    void SendToolRequest(UINT Request, bool TextByCallback);

    HWND FHandle = 0;
    TControl* FParent = nullptr;
    platform::WNDPROC FSavedProc = nullptr;
    platform::HCURSOR FCursorHandle = 0;
    int FCursor = 0;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 1;
    int FHeight = 1;
    DWORD FStyle = 0;
    DWORD FExStyle = 0;
    // Empty optional: no caption kept (the platform window holds the text once it exists).
    std::optional<std::u16string> FCaption;
    bool FVisible = false;
    bool FMouseInside = false;
    bool FEnabled = true;
    bool FClickPending = false;
    bool FShowHint = false;
    std::u16string FHint;
    std::u16string FClassNameW;

private:
    void MoveWindowTo(bool Repaint);
    void Unlink();
};

// A control painted by the platform through a device context, with the plain-window font,
// brush and pen; their changes reach the window as a font message and an invalidation.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner) : TWinControl(AOwner, u"TWinControl") {}

    TFont& Font() { return *FFont; }
    TSolidBrush& Brush() { return *FBrush; }
    TPen& Pen() { return *FPen; }
    TColor Color() const { return FBrush->Color(); }
    void SetColor(TColor Value) { FBrush->SetColor(Value); }

    void WndProc(TWidgetMessage& Message) override;
    void Invalidate() override;

protected:
    TWinControl(TComponent* AOwner, const char16_t* AClassName);
    void CreateHandle() override;
    virtual void WMPaint(TWidgetMessage& Message) { CallDefault(Message); }
    virtual void WMNCPaint(TWidgetMessage& Message) { CallDefault(Message); }
    virtual void WMEraseBkgnd(TWidgetMessage& Message) { CallDefault(Message); }

private:
    void FontChanged();
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TSolidBrush> FBrush;
    std::unique_ptr<TPen> FPen;
};

} // namespace widgets
