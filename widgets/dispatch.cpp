// TControl::WndProc and the handlers it calls: the translation of window messages into the
// control's state and events, mouse tracking, click synthesis, keys and the cursor.
#include <algorithm>
#include <cstring>

#include "widgets/control.h"

namespace widgets {

using namespace platform;

namespace {

bool IsInputMessage(UINT Msg) {
    return (Msg >= WM_KEYFIRST && Msg <= WM_KEYLAST) ||
           (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSEWHEEL);
}

int MouseX(const TWidgetMessage& m) {
    return GetXLParam(m.LParam);
}
int MouseY(const TWidgetMessage& m) {
    return GetYLParam(m.LParam);
}
int MouseKeys(const TWidgetMessage& m) {
    return static_cast<int>(m.WParam);
}

} // namespace

void TControl::WndProc(TWidgetMessage& Message) {
    if (IsInputMessage(Message.Msg))
        LastInputTick = GetTickCount();

    switch (Message.Msg) {
    case WM_MOVE:
        WMMove(Message);
        break;
    case WM_SIZE:
        WMSize(Message);
        break;
    case WM_SETFOCUS:
        WMSetFocus(Message);
        break;
    case WM_KILLFOCUS:
        WMKillFocus(Message);
        break;
    case WM_SETTEXT:
        WMSetText(Message);
        break;
    case WM_GETTEXT:
        WMGetText(Message);
        break;
    case WM_GETTEXTLENGTH:
        WMGetTextLength(Message);
        break;
    case WM_SHOWWINDOW:
        WMShowWindow(Message);
        break;
    case WM_CANCELMODE:
        WMCancelMode(Message);
        break;
    case WM_SETCURSOR:
        WMSetCursor(Message);
        // An answered set-cursor must not let the platform put its own cursor back.
        if (Message.Result == 1)
            return;
        break;
    case WM_WINDOWPOSCHANGING:
        WMWindowPosChanging(Message);
        break;
    case WM_WINDOWPOSCHANGED:
        WMWindowPosChanged(Message);
        break;
    case WM_NOTIFY:
        WMNotify(Message);
        break;
    case WM_CONTEXTMENU:
        WMContextMenu(Message);
        break;
    case WM_NCHITTEST:
        WMNCHitTest(Message);
        break;
    case WM_GETDLGCODE:
        WMGetDlgCode(Message);
        break;
    case WM_KEYDOWN:
        WMKeyDown(Message);
        break;
    case WM_KEYUP:
        WMKeyUp(Message);
        break;
    case WM_CHAR:
        WMChar(Message);
        break;
    case WM_HSCROLL:
        WMHScroll(Message);
        break;
    case WM_VSCROLL:
        WMVScroll(Message);
        break;
    case WM_SYSTIMER:
        WMSysTimer(Message);
        break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        WMCtlColor(Message);
        break;
    case WM_MOUSEMOVE:
        WMMouseMove(Message);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        WMButtonDown(Message);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        WMButtonUp(Message);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        WMButtonDblClk(Message);
        break;
    case WM_MOUSEWHEEL:
        WMMouseWheel(Message);
        break;
    case WM_SIZING:
        WMSizing(Message);
        break;
    case WM_MOVING:
        WMMoving(Message);
        break;
    case WM_MOUSEHOVER:
        WMMouseHover(Message);
        break;
    case WM_MOUSELEAVE:
        WMMouseLeave(Message);
        break;
    case WM_MOUSEENTER:
        // The toolkit's own message: the platform has nothing to add.
        WMMouseEnter(Message);
        return;
    default:
        break;
    }
    CallDefault(Message);
}

void TControl::WMCreate(TWidgetMessage& Message) {
    if (!HandleAllocated())
        FHandle = Message.Handle;
}

void TControl::WMMove(TWidgetMessage& Message) {
    FLeft = MouseX(Message);
    FTop = MouseY(Message);
    if (OnMove)
        OnMove(this, FLeft, FTop);
}

void TControl::WMSize(TWidgetMessage& Message) {
    TRect outer{};
    if (GetWindowRect(Message.Handle, &outer)) {
        FWidth = outer.Width();
        FHeight = outer.Height();
    }
    ClientWidth = MouseX(Message);
    ClientHeight = MouseY(Message);
    if (OnSize)
        OnSize(this, static_cast<int>(Message.WParam), ClientWidth, ClientHeight);
}

void TControl::WMSetFocus(TWidgetMessage&) {
    if (OnSetFocus)
        OnSetFocus(this);
}

void TControl::WMKillFocus(TWidgetMessage&) {
    if (OnKillFocus)
        OnKillFocus(this);
}

void TControl::WMSetText(TWidgetMessage& Message) {
    const auto* text = reinterpret_cast<const char16_t*>(Message.LParam);
    if (text != nullptr)
        FCaption = std::u16string(text);
    else
        FCaption.reset();
}

void TControl::WMGetText(TWidgetMessage& Message) {
    auto* buffer = reinterpret_cast<char16_t*>(Message.LParam);
    if (buffer == nullptr || Message.WParam == 0) {
        Message.Result = 0;
        return;
    }
    const std::size_t room = Message.WParam - 1;
    const std::size_t count = FCaption ? std::min(room, FCaption->size()) : 0;
    if (count > 0)
        std::memcpy(buffer, FCaption->data(), count * sizeof(char16_t));
    buffer[count] = u'\0';
    Message.Result = static_cast<LRESULT>(count);
}

void TControl::WMGetTextLength(TWidgetMessage& Message) {
    Message.Result = FCaption ? static_cast<LRESULT>(FCaption->size()) : 0;
}

void TControl::WMShowWindow(TWidgetMessage& Message) {
    FVisible = (Message.WParam & 0xFF) != 0;
}

void TControl::WMSetCursor(TWidgetMessage& Message) {
    if (static_cast<LRESULT>(LoWord(static_cast<std::uintptr_t>(Message.LParam))) == HTCLIENT &&
        FCursorHandle != 0) {
        platform::SetCursor(FCursorHandle);
        Message.Result = 1;
    }
}

void TControl::WMWindowPosChanging(TWidgetMessage& Message) {
    auto* pos = reinterpret_cast<TWindowPos*>(Message.LParam);
    if (OnWindowPosChanging && pos != nullptr)
        OnWindowPosChanging(this, *pos);
}

void TControl::ForwardToParent(TWidgetMessage& Message) {
    if (FParent != nullptr && FParent->HandleAllocated())
        Message.Result = SendMessage(FParent->FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TControl::WMContextMenu(TWidgetMessage& Message) {
    if (OnContextMenu)
        OnContextMenu(this, MouseX(Message), MouseY(Message));
}

void TControl::WMKeyDown(TWidgetMessage& Message) {
    auto key = static_cast<std::uint16_t>(LoWord(Message.WParam));
    if (OnKeyDown)
        OnKeyDown(this, key, KeyDataToShiftState(Message.LParam));
    Message.WParam = key;
}

void TControl::WMKeyUp(TWidgetMessage& Message) {
    auto key = static_cast<std::uint16_t>(LoWord(Message.WParam));
    if (OnKeyUp)
        OnKeyUp(this, key, KeyDataToShiftState(Message.LParam));
    Message.WParam = key;
}

void TControl::WMChar(TWidgetMessage& Message) {
    auto code = static_cast<std::int32_t>(Message.WParam);
    if (OnChar)
        OnChar(this, code);
    Message.WParam = static_cast<WPARAM>(static_cast<std::uint32_t>(code));
}

void TControl::WMSysTimer(TWidgetMessage&) {
    if (OnSysTimer)
        OnSysTimer(this);
}

// A stay inside the control starts with the first move: hover and leave are tracked from
// there, and the enter event is posted so it follows the move that noticed it.
void TControl::WMMouseMove(TWidgetMessage& Message) {
    const int keys = MouseKeys(Message);
    if (keys & MK_LBUTTON) {
        if (OnDrag)
            OnDrag(this, keys, MouseX(Message), MouseY(Message));
    } else if (OnMouseMove) {
        OnMouseMove(this, keys, MouseX(Message), MouseY(Message));
    }
    if (!FMouseInside && HandleAllocated()) {
        FMouseInside = true;
        TTrackMouseEvent track;
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = FHandle;
        track.dwHoverTime = MouseHoverTime;
        TrackMouseEvent(&track);
        PostMessage(FHandle, WM_MOUSEENTER, 0, 0);
    }
}

void TControl::WMMouseEnter(TWidgetMessage&) {
    FMouseInside = true;
    if (OnMouseEnter)
        OnMouseEnter(this, 0, 0, 0);
}

void TControl::WMMouseHover(TWidgetMessage& Message) {
    FMouseInside = true;
    if (OnMouseHover)
        OnMouseHover(this, MouseKeys(Message), MouseX(Message), MouseY(Message));
}

void TControl::WMMouseLeave(TWidgetMessage& Message) {
    FMouseInside = false;
    if (OnMouseLeave)
        OnMouseLeave(this, MouseKeys(Message), MouseX(Message), MouseY(Message));
}

void TControl::WMButtonDown(TWidgetMessage& Message) {
    if (OnMouseDown)
        OnMouseDown(this, MouseKeys(Message), MouseX(Message), MouseY(Message));
    FClickPending = (Message.WParam & MK_LBUTTON) != 0;
}

// The click fires when the left button has come up with the pointer still over the control;
// a release elsewhere keeps the click pending for a release back inside.
void TControl::WMButtonUp(TWidgetMessage& Message) {
    int keys = MouseKeys(Message);
    switch (Message.Msg) {
    case WM_LBUTTONUP:
        keys |= MK_LBUTTON;
        break;
    case WM_RBUTTONUP:
        keys |= MK_RBUTTON;
        break;
    default:
        keys |= MK_MBUTTON;
        break;
    }
    const int x = MouseX(Message);
    const int y = MouseY(Message);
    if (OnMouseUp)
        OnMouseUp(this, keys, x, y);
    if (!FClickPending || (Message.WParam & MK_LBUTTON) != 0 || !OnClick || !HandleAllocated())
        return;
    TPoint pointer{};
    GetCursorPos(&pointer);
    TRect client{};
    GetClientRect(FHandle, &client);
    TPoint corners[2] = {{client.Left, client.Top}, {client.Right, client.Bottom}};
    MapWindowPoints(FHandle, 0, corners, 2);
    const TRect screen{corners[0].X, corners[0].Y, corners[1].X, corners[1].Y};
    if (screen.Contains(pointer.X, pointer.Y)) {
        FClickPending = false;
        OnClick(this, keys, x, y);
    }
}

void TControl::WMButtonDblClk(TWidgetMessage& Message) {
    if (OnDblClick)
        OnDblClick(this, MouseKeys(Message), MouseX(Message), MouseY(Message));
}

void TControl::WMMouseWheel(TWidgetMessage& Message) {
    if (OnMouseWheel)
        OnMouseWheel(this, static_cast<int>(LoWord(Message.WParam)),
                     static_cast<std::int16_t>(HiWord(Message.WParam)), MouseX(Message),
                     MouseY(Message));
}

void TControl::WMSizing(TWidgetMessage& Message) {
    auto* r = reinterpret_cast<TRect*>(Message.LParam);
    if (OnSizing && r != nullptr)
        OnSizing(this, static_cast<int>(Message.WParam), *r);
}

void TControl::WMMoving(TWidgetMessage& Message) {
    auto* r = reinterpret_cast<TRect*>(Message.LParam);
    if (OnMoving && r != nullptr)
        OnMoving(this, static_cast<int>(Message.WParam), *r);
}

} // namespace widgets
