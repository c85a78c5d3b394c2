#include "widgets/control.h"

#include <algorithm>
#include <string>

namespace widgets {

using namespace platform;

ATOM WindowAtom = 0;
DWORD LastInputTick = 0;
HWND ToolTipWindow = 0;
DWORD MouseHoverTime = 300;
DWORD TimerPeriod = 1;

namespace {

bool Initialized = false;
unsigned NameCounter = 0;

constexpr char16_t WindowAtomName[] = u"Widget.WindowAtom.3.1";
constexpr DWORD ChildStyle = WS_CHILD | WS_CLIPSIBLINGS;

TControl* LinkedControl(HWND Window) {
    return reinterpret_cast<TControl*>(GetProp(Window, WindowAtom));
}

WNDPROC WindowProcOf(HWND Window) {
    return reinterpret_cast<WNDPROC>(GetWindowLong(Window, GWL_WNDPROC));
}

void SetWindowProc(HWND Window, WNDPROC Proc) {
    SetWindowLong(Window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
}

std::string Narrow(const std::u16string& Text) {
    std::string out;
    for (char16_t c : Text)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

} // namespace

EOSError::EOSError(DWORD Code, const std::string& Text)
    : std::runtime_error("System Error.  Code: " + std::to_string(Code) + ".\r\n" + Text),
      ErrorCode(Code) {}

void InitializeWidgets() {
    if (Initialized)
        return;
    Initialized = true;
    WindowAtom = GlobalAddAtom(WindowAtomName);
    UINT hover = 0;
    if (SystemParametersInfo(SPI_GETMOUSEHOVERTIME, 0, &hover, 0) && hover != 0)
        MouseHoverTime = hover;
}

void FinalizeWidgets() {
    if (!Initialized)
        return;
    Initialized = false;
    GlobalDeleteAtom(WindowAtom);
    WindowAtom = 0;
}

std::u16string NewWidgetName() {
    std::string digits = std::to_string(NameCounter++);
    return u"Widget_" + std::u16string(digits.begin(), digits.end());
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
    TShiftState state = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        state |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0)
        state |= ssCtrl;
    if (KeyData & 0x20000000)
        state |= ssAlt;
    return state;
}

LRESULT WidgetWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TWidgetMessage message{Window, Msg, WParam, LParam, 0};
    auto* control = LinkedControl(Window);
    if (control != nullptr) {
        if (Msg == WM_NCDESTROY) {
            if (control->FSavedProc != nullptr)
                SetWindowProc(Window, control->FSavedProc);
            control->WndProc(message);
            RemoveProp(Window, WindowAtom);
        } else {
            control->WndProc(message);
        }
    } else if (Msg == WM_CREATE && LParam != 0) {
        auto* create = reinterpret_cast<const TCreateStruct*>(LParam);
        control = static_cast<TControl*>(create->lpCreateParams);
        if (control != nullptr)
            control->WndProc(message);
        else
            message.Result = DefWindowProc(Window, Msg, WParam, LParam);
    } else {
        message.Result = DefWindowProc(Window, Msg, WParam, LParam);
    }
    return message.Result;
}

// ---------------------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TControl(AOwner, u"TControl") {}

TControl::TControl(TComponent* AOwner, const char16_t* AClassName)
    : TComponent(AOwner), FClassNameW(AClassName) {
    InitializeWidgets();
    SetName(NewWidgetName());
}

TControl::~TControl() {
    // A window still linked here would route its messages to a freed object: cut the link and
    // take the window down while this object can still answer for it.
    if (HandleAllocated()) {
        Unlink();
        DestroyWindow(FHandle);
    }
    TWndClass info;
    if (GetClassInfo(0, FClassNameW, &info))
        UnregisterClass(FClassNameW, 0);
}

void TControl::Unlink() {
    if (LinkedControl(FHandle) != this)
        return;
    if (FSavedProc != nullptr)
        SetWindowProc(FHandle, FSavedProc);
    RemoveProp(FHandle, WindowAtom);
}

bool TControl::HandleAllocated() const {
    return FHandle != 0 && IsWindow(FHandle);
}

void TControl::HandleNeeded() {
    if (HandleAllocated())
        return;
    if (FParent != nullptr)
        FParent->HandleNeeded();
    CreateWnd();
}

HWND TControl::Handle() {
    HandleNeeded();
    return FHandle;
}

void TControl::SetHandle(HWND Value) {
    if (HandleAllocated() || !IsWindow(Value) || Value == FHandle)
        return;
    TRect client{};
    GetClientRect(Value, &client);
    FWidth = client.Width();
    FHeight = client.Height();
    FEnabled = IsWindowEnabled(Value);
    FVisible = IsWindowVisible(Value);
    HWND relative = FParent != nullptr ? FParent->FHandle : ParentWindow;
    TPoint origin{0, 0};
    MapWindowPoints(Value, relative, &origin, 1);
    FLeft = origin.X;
    FTop = origin.Y;
    FCursorHandle = static_cast<HCURSOR>(GetClassLong(Value, GCL_HCURSOR));
    FStyle = static_cast<DWORD>(GetWindowLong(Value, GWL_STYLE));
    FExStyle = static_cast<DWORD>(GetWindowLong(Value, GWL_EXSTYLE));
    CtrlID = GetDlgCtrlID(Value);
    FHandle = Value;
}

void TControl::CreateWnd() {
    if (HandleAllocated())
        return;
    CreateHandle();
    SetProp(FHandle, WindowAtom, reinterpret_cast<HANDLE>(this));
    if (FParent != nullptr)
        SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TControl::CreateParams(TWindowParams& Params) {
    Params = TWindowParams{};
    Params.Caption = FCaption ? FCaption->c_str() : nullptr;
    Params.Style = ChildStyle;
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    Params.X = FLeft;
    Params.Y = FTop;
    Params.Width = FWidth;
    Params.Height = FHeight;
    Params.ParentHandle = FParent != nullptr ? FParent->Handle() : ParentWindow;
    Params.CreationData = this;
    Params.ClassRecord.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    Params.ClassRecord.lpfnWndProc = DefWindowProc;
    Params.ClassRecord.cbWndExtra = 4;
    Params.ClassRecord.hCursor = LoadCursor(0, IDC_ARROW);
    Params.ClassNameText = FClassNameW.substr(0, 63);
}

void TControl::UsePlatformClass(TWindowParams& Params, const std::u16string& ClassName) {
    if (ClassName.empty())
        return;
    TWndClass info;
    if (!GetClassInfo(0, ClassName, &info))
        return;
    Params.ClassRecord = info;
    Params.ClassRecord.style &= ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS);
    Params.ClassRecord.style |= CS_VREDRAW | CS_HREDRAW;
    Params.ClassNameText = ClassName.substr(0, 63);
}

void TControl::CreateWindowHandle(const TWindowParams& Params) {
    const std::u16string caption = Params.Caption != nullptr ? Params.Caption : u"";
    FHandle = CreateWindowEx(Params.ExStyle, Params.ClassNameText, caption, Params.Style, Params.X,
                             Params.Y, Params.Width, Params.Height, Params.ParentHandle, CtrlID,
                             Params.CreationData);
}

void TControl::CreateHandle() {
    TWindowParams params;
    CreateParams(params);
    if (params.ParentHandle == 0 && (params.Style & WS_CHILD) != 0)
        throw EInvalidOperation("Parent Required " + Narrow(Name()));
    FSavedProc = params.ClassRecord.lpfnWndProc;
    TWndClass existing;
    const bool registered = GetClassInfo(0, params.ClassNameText, &existing);
    if (!registered) {
        TWndClass record = params.ClassRecord;
        record.lpfnWndProc = WidgetWndProc;
        record.lpszClassName = params.ClassNameText;
        if (RegisterClass(record) == 0)
            throw EOSError(0, "window class registration refused");
    }
    CreateWindowHandle(params);
    if (FHandle == 0 || !IsWindow(FHandle))
        throw EOSError(0, "window creation refused");
    if (registered) {
        WNDPROC proc = WindowProcOf(FHandle);
        if (proc != WidgetWndProc) {
            FSavedProc = proc;
            SetWindowProc(FHandle, WidgetWndProc);
        }
    }
    if ((GetWindowLong(FHandle, GWL_STYLE) & WS_CHILD) != 0 && GetDlgCtrlID(FHandle) == 0)
        SetWindowLong(FHandle, GWL_ID, static_cast<LONG_PTR>(FHandle));
    FCaption.reset();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TWidgetMessage message{FHandle, Msg, WParam, LParam, 0};
    WndProc(message);
    return message.Result;
}

void TControl::CallDefault(TWidgetMessage& Message) {
    if (FSavedProc != nullptr && HandleAllocated())
        Message.Result =
            CallWindowProc(FSavedProc, FHandle, Message.Msg, Message.WParam, Message.LParam);
}

std::u16string TControl::Caption() {
    const auto length = static_cast<std::size_t>(Perform(WM_GETTEXTLENGTH, 0, 0));
    std::u16string text(length + 1, u'\0');
    const auto copied = static_cast<std::size_t>(
        Perform(WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(copied, length));
    return text;
}

void TControl::SetCaption(const std::u16string& Value) {
    if (Value == Caption())
        return;
    Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TControl::SetCursor(int Value) {
    if (Value < 0 || Value >= CursorCount || Value == FCursor)
        return;
    static constexpr int CursorIds[CursorCount] = {
        IDC_ARROW, IDC_IBEAM,    IDC_WAIT,        IDC_CROSS,  IDC_UPARROW, IDC_SIZE,
        IDC_ICON,  IDC_SIZENWSE, IDC_SIZENESW,    IDC_SIZEWE, IDC_SIZENS,  IDC_SIZEALL,
        IDC_NO,    IDC_HAND,     IDC_APPSTARTING, IDC_HELP};
    FCursor = Value;
    if (FCursorHandle != 0)
        DestroyCursor(FCursorHandle);
    FCursorHandle = LoadCursor(0, CursorIds[Value]);
}

void TControl::MoveWindowTo(bool Repaint) {
    if (HandleAllocated())
        MoveWindow(FHandle, FLeft, FTop, FWidth, FHeight, Repaint);
}

void TControl::SetLeft(int Value) {
    if (Value == FLeft)
        return;
    FLeft = Value;
    MoveWindowTo(false);
}

void TControl::SetTop(int Value) {
    if (Value == FTop)
        return;
    FTop = Value;
    MoveWindowTo(false);
}

void TControl::SetWidth(int Value) {
    if (Value == FWidth)
        return;
    FWidth = Value;
    MoveWindowTo(false);
}

void TControl::SetHeight(int Value) {
    FHeight = Value;
    MoveWindowTo(false);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (!HandleAllocated())
        return;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    MoveWindowTo(true);
}

void TControl::SetSize(int AWidth, int AHeight) {
    if (AWidth == FWidth && AHeight == FHeight)
        return;
    FWidth = AWidth;
    FHeight = AHeight;
    MoveWindowTo(false);
}

void TControl::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    if (HandleAllocated())
        EnableWindow(FHandle, Value);
}

void TControl::SetVisible(bool Value) {
    FVisible = Value;
    HandleNeeded();
    ShowWindow(FHandle, Value ? SW_SHOW : SW_HIDE);
}

int TControl::ControlCount() const {
    if (!HandleAllocated())
        return 0;
    int count = 0;
    for (HWND child = GetWindow(FHandle, GW_CHILD); child != 0;
         child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

DWORD TControl::Style() const {
    return HandleAllocated() ? static_cast<DWORD>(GetWindowLong(FHandle, GWL_STYLE)) : 0;
}

DWORD TControl::ExStyle() const {
    return HandleAllocated() ? static_cast<DWORD>(GetWindowLong(FHandle, GWL_EXSTYLE)) : 0;
}

void TControl::SetStyle(DWORD Value) {
    FStyle = Value;
    if (HandleAllocated())
        SetWindowLong(FHandle, GWL_STYLE, static_cast<LONG_PTR>(Value));
}

void TControl::SetExStyle(DWORD Value) {
    FExStyle = Value;
    if (HandleAllocated())
        SetWindowLong(FHandle, GWL_EXSTYLE, static_cast<LONG_PTR>(Value));
}

void TControl::SetClassNameW(const std::u16string& Value) {
    if (FHandle == 0)
        FClassNameW = Value;
}

void TControl::SetFocus() {
    if (HandleAllocated() && FVisible && FEnabled)
        platform::SetFocus(FHandle);
}

// ---------------------------------------------------------------------------------------------
// Hints: the control registers its window with the application's tooltip window, which then
// watches the window's mouse messages and asks for the text itself.

void TControl::SendToolRequest(UINT Request, bool TextByCallback) {
    if (!HandleAllocated() || ToolTipWindow == 0)
        return;
    TToolInfo info;
    info.uFlags = TTF_IDISHWND | (Request == TTM_ADDTOOLW ? TTF_SUBCLASS : 0u);
    info.hwnd = ToolTipWindow;
    info.uId = FHandle;
    info.lpszText = TextByCallback ? LPSTR_TEXTCALLBACKW : nullptr;
    SendMessage(ToolTipWindow, Request, 0, reinterpret_cast<LPARAM>(&info));
}

void TControl::AddTool() {
    SendToolRequest(TTM_ADDTOOLW, true);
}

void TControl::DeleteTool() {
    SendToolRequest(TTM_DELTOOLW, false);
}

void TControl::SetShowHint(bool Value) {
    if (Value == FShowHint)
        return;
    FShowHint = Value;
    if (Value)
        AddTool();
    else
        DeleteTool();
}

void TControl::SetHint(const std::u16string& Value) {
    FHint = Value;
    if (FShowHint)
        SendToolRequest(TTM_UPDATETIPTEXTW, true);
}

// ---------------------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner, const char16_t* AClassName)
    : TControl(AOwner, AClassName), FFont(std::make_unique<TFont>()),
      FBrush(std::make_unique<TSolidBrush>()), FPen(std::make_unique<TPen>()) {
    FFont->OnChange = [this](TGraphicObject*) { FontChanged(); };
    FBrush->OnChange = [this](TGraphicObject*) { Invalidate(); };
    FPen->OnChange = [this](TGraphicObject*) { Invalidate(); };
}

// Plain-window fonts have no engine handle here; the font message tells the platform to use
// its own.
void TWinControl::FontChanged() {
    Perform(WM_SETFONT, 0, 1);
    Invalidate();
}

void TWinControl::CreateHandle() {
    TControl::CreateHandle();
    Perform(WM_SETFONT, 0, 1);
}

void TWinControl::Invalidate() {
    // The platform keeps no invalid region: ask for one paint message instead.
    if (HandleAllocated())
        PostMessage(FHandle, WM_PAINT, 0, 0);
}

void TWinControl::WndProc(TWidgetMessage& Message) {
    switch (Message.Msg) {
    case WM_PAINT:
        WMPaint(Message);
        return;
    case WM_ERASEBKGND:
        WMEraseBkgnd(Message);
        return;
    case WM_NCPAINT:
        WMNCPaint(Message);
        return;
    default:
        TControl::WndProc(Message);
    }
}

} // namespace widgets
