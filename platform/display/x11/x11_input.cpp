// What the X server reports, turned into the backend's raw input: pointer, buttons and wheel in
// screen coordinates, keys as virtual-key codes with the text they type, activation changes of
// our surfaces, close requests.
#include "platform/display/x11/x11_internal.h"
#include "platform/messages.h"
#include "platform/sys/external_messages.h"
#include "platform/window_manager.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

namespace platform {

namespace {

constexpr unsigned BUTTON_LEFT = 1;
constexpr unsigned BUTTON_MIDDLE = 2;
constexpr unsigned BUTTON_RIGHT = 3;
constexpr unsigned BUTTON_WHEEL_UP = 4;
constexpr unsigned BUTTON_WHEEL_DOWN = 5;

} // namespace

std::uint32_t ModifiersOf(unsigned state) {
    std::uint32_t m = 0;
    if ((state & ShiftMask) != 0) {
        m |= MOD_SHIFT;
    }
    if ((state & ControlMask) != 0) {
        m |= MOD_CONTROL;
    }
    if ((state & Mod1Mask) != 0) {
        m |= MOD_ALT;
    }
    // X tells the buttons held in every pointer and key event.
    m |= MOD_BUTTONS;
    if ((state & Button1Mask) != 0) {
        m |= MOD_LBUTTON;
    }
    if ((state & Button2Mask) != 0) {
        m |= MOD_MBUTTON;
    }
    if ((state & Button3Mask) != 0) {
        m |= MOD_RBUTTON;
    }
    return m;
}

// The virtual-key code of a key, from the keysym of its unshifted level.
UINT KeysymToVirtualKey(unsigned long keysym) {
    if (keysym >= XK_a && keysym <= XK_z) {
        return static_cast<UINT>('A' + (keysym - XK_a));
    }
    if (keysym >= XK_A && keysym <= XK_Z) {
        return static_cast<UINT>('A' + (keysym - XK_A));
    }
    if (keysym >= XK_0 && keysym <= XK_9) {
        return static_cast<UINT>('0' + (keysym - XK_0));
    }
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) {
        return static_cast<UINT>(0x60 + (keysym - XK_KP_0)); // the numeric pad's own codes
    }
    if (keysym >= XK_F1 && keysym <= XK_F12) {
        return static_cast<UINT>(VK_F1 + (keysym - XK_F1));
    }
    switch (keysym) {
    case XK_BackSpace:
        return VK_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab:
        return VK_TAB;
    case XK_Return:
    case XK_KP_Enter:
        return VK_RETURN;
    case XK_Escape:
        return VK_ESCAPE;
    case XK_space:
        return VK_SPACE;
    case XK_Prior:
    case XK_KP_Prior:
        return VK_PRIOR;
    case XK_Next:
    case XK_KP_Next:
        return VK_NEXT;
    case XK_End:
    case XK_KP_End:
        return VK_END;
    case XK_Home:
    case XK_KP_Home:
        return VK_HOME;
    case XK_Left:
    case XK_KP_Left:
        return VK_LEFT;
    case XK_Up:
    case XK_KP_Up:
        return VK_UP;
    case XK_Right:
    case XK_KP_Right:
        return VK_RIGHT;
    case XK_Down:
    case XK_KP_Down:
        return VK_DOWN;
    case XK_Insert:
    case XK_KP_Insert:
        return VK_INSERT;
    case XK_Delete:
    case XK_KP_Delete:
        return VK_DELETE;
    case XK_Shift_L:
    case XK_Shift_R:
        return VK_SHIFT;
    case XK_Control_L:
    case XK_Control_R:
        return VK_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
        return VK_MENU;
    case XK_Pause:
        return VK_PAUSE;
    case XK_Caps_Lock:
        return VK_CAPITAL;
    case XK_Menu:
        return VK_APPS;
    default:
        return 0;
    }
}

// The character a keysym types, 0 for none.
char32_t KeysymToChar(unsigned long keysym) {
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) {
        return static_cast<char32_t>(keysym);
    }
    if (keysym >= 0x01000100 && keysym <= 0x0110FFFF) {
        return static_cast<char32_t>(keysym - 0x01000000);
    }
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) {
        return static_cast<char32_t>(U'0' + (keysym - XK_KP_0));
    }
    switch (keysym) {
    case XK_BackSpace:
        return U'\b';
    case XK_Tab:
    case XK_ISO_Left_Tab:
        return U'\t';
    case XK_Return:
    case XK_KP_Enter:
        return U'\r';
    case XK_Escape:
        return 0x1B;
    // Turkish letters still come with their legacy keysyms from most layouts.
    case XK_gbreve:
        return 0x011F;
    case XK_Gbreve:
        return 0x011E;
    case XK_idotless:
        return 0x0131;
    case XK_Iabovedot:
        return 0x0130;
    case XK_scedilla:
        return 0x015F;
    case XK_Scedilla:
        return 0x015E;
    default:
        return 0;
    }
}

void TX11Display::TImpl::Push(TInputEvent ev) {
    ev.Time = MonotonicMs();
    ev.Point = ToLogical(ev.Point);
    Pending.push_back(std::move(ev));
}

void TX11Display::TImpl::SetActive(HWND window) {
    if (window == Active) {
        return;
    }
    TInputEvent ev;
    if (window != 0) {
        ev.Kind = TInputKind::Activated;
        ev.Window = window;
    } else {
        ev.Kind = TInputKind::Deactivated;
        ev.Window = Active;
    }
    Active = window;
    Push(ev);
}

void TX11Display::TImpl::CheckActiveProperty() {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(Dpy, Root, Atoms.NetActiveWindow, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) != Success) {
        return;
    }
    ::Window active = 0;
    if (data != nullptr && count == 1 && format == 32) {
        active = static_cast<::Window>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data != nullptr) {
        XFree(data);
    }
    TX11Surface* s = FindByXid(active);
    SetActive(s != nullptr && !s->Popup ? s->Window : 0);
}

void TX11Display::TImpl::Translate(XEvent& ev) {
    if (HandleTrayEvent(ev) || HandleTransferEvent(ev)) {
        return;
    }
    if (WatchScale(ev)) {
        return;
    }
    if (XFixes && ev.type == XFixesEventBase + XFixesSelectionNotify) {
        UpdateCompositing();
        return;
    }
    if (WatchScreen(ev)) {
        return;
    }
    TX11Surface* s = FindByXid(ev.xany.window);
    TInputEvent out;
    out.Window = s != nullptr ? s->Window : 0;
    switch (ev.type) {
    case MotionNotify: {
        // Only the latest position of a burst matters.
        while (XCheckTypedWindowEvent(Dpy, ev.xmotion.window, MotionNotify, &ev)) {
        }
        out.Kind = TInputKind::PointerMove;
        out.Point = TPoint{ev.xmotion.x_root, ev.xmotion.y_root};
        out.Modifiers = ModifiersOf(ev.xmotion.state);
        Push(out);
        break;
    }
    case ButtonPress:
    case ButtonRelease: {
        const bool down = ev.type == ButtonPress;
        out.Point = TPoint{ev.xbutton.x_root, ev.xbutton.y_root};
        out.Modifiers = ModifiersOf(ev.xbutton.state);
        switch (ev.xbutton.button) {
        case BUTTON_LEFT:
        case BUTTON_MIDDLE:
        case BUTTON_RIGHT:
            out.Kind = down ? TInputKind::ButtonDown : TInputKind::ButtonUp;
            out.Button = ev.xbutton.button == BUTTON_LEFT     ? TMouseButton::Left
                         : ev.xbutton.button == BUTTON_MIDDLE ? TMouseButton::Middle
                                                              : TMouseButton::Right;
            Push(out);
            break;
        case BUTTON_WHEEL_UP:
        case BUTTON_WHEEL_DOWN:
            // One notch arrives as a press and a release; the press is the step.
            if (down) {
                out.Kind = TInputKind::Wheel;
                out.WheelDelta = ev.xbutton.button == BUTTON_WHEEL_UP ? WHEEL_DELTA : -WHEEL_DELTA;
                Push(out);
            }
            break;
        default:
            break;
        }
        break;
    }
    case EnterNotify:
        if (s != nullptr && ev.xcrossing.mode == NotifyNormal) {
            out.Kind = TInputKind::PointerMove;
            out.Point = TPoint{ev.xcrossing.x_root, ev.xcrossing.y_root};
            out.Modifiers = ModifiersOf(ev.xcrossing.state);
            Push(out);
        }
        break;
    case LeaveNotify: {
        if (s == nullptr || ev.xcrossing.mode != NotifyNormal ||
            ev.xcrossing.detail == NotifyInferior) {
            break;
        }
        // Crossing straight onto another of our surfaces is not leaving us.
        if (XPending(Dpy) > 0) {
            XEvent next;
            XPeekEvent(Dpy, &next);
            if (next.type == EnterNotify && FindByXid(next.xcrossing.window) != nullptr) {
                break;
            }
        }
        out.Kind = TInputKind::PointerLeave;
        out.Point = TPoint{ev.xcrossing.x_root, ev.xcrossing.y_root};
        Push(out);
        break;
    }
    case KeyPress:
    case KeyRelease: {
        char buffer[16] = {};
        KeySym typed = 0;
        const int n = XLookupString(&ev.xkey, buffer, sizeof buffer, &typed, nullptr);
        out.Kind = ev.type == KeyPress ? TInputKind::KeyDown : TInputKind::KeyUp;
        out.Key = KeysymToVirtualKey(XLookupKeysym(&ev.xkey, 0));
        out.Modifiers = ModifiersOf(ev.xkey.state);
        if (ev.type == KeyPress) {
            // Plain ASCII from the lookup already has Ctrl folded in (Ctrl+A types 0x01).
            char32_t c = n == 1 && static_cast<unsigned char>(buffer[0]) < 0x80
                             ? static_cast<char32_t>(buffer[0])
                             : KeysymToChar(typed);
            if (c >= 0x10000) {
                c -= 0x10000;
                out.Text += static_cast<char16_t>(0xD800 + (c >> 10));
                out.Text += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
            } else if (c != 0) {
                out.Text += static_cast<char16_t>(c);
            }
        }
        if (out.Key != 0 || !out.Text.empty()) {
            Push(out);
        }
        break;
    }
    case FocusIn:
        if (s != nullptr && !s->Popup &&
            (ev.xfocus.mode == NotifyNormal || ev.xfocus.mode == NotifyWhileGrabbed) &&
            ev.xfocus.detail != NotifyInferior && ev.xfocus.detail != NotifyPointer) {
            SetActive(s->Window);
        }
        break;
    case FocusOut:
        if (s != nullptr && s->Window == Active &&
            (ev.xfocus.mode == NotifyNormal || ev.xfocus.mode == NotifyWhileGrabbed) &&
            ev.xfocus.detail != NotifyInferior && ev.xfocus.detail != NotifyPointer) {
            ::Window focus = 0;
            int revert = 0;
            XGetInputFocus(Dpy, &focus, &revert);
            TX11Surface* now = FindByXid(focus);
            SetActive(now != nullptr && !now->Popup ? now->Window : 0);
        }
        break;
    case PropertyNotify:
        if (ev.xproperty.window == Root && ev.xproperty.atom == Atoms.NetActiveWindow) {
            CheckActiveProperty();
        } else if (ev.xproperty.window == Root && (ev.xproperty.atom == Atoms.XRootPmapId ||
                                                   ev.xproperty.atom == Atoms.EsetrootPmapId)) {
            ReadDesktopPicture();
        }
        break;
    case ClientMessage:
        if (ev.xclient.message_type == Atoms.WmProtocols && s != nullptr) {
            const auto protocol = static_cast<Atom>(ev.xclient.data.l[0]);
            if (protocol == Atoms.WmDeleteWindow) {
                out.Kind = TInputKind::CloseRequest;
                Push(out);
            } else if (protocol == Atoms.NetWmPing) {
                ev.xclient.window = Root;
                XSendEvent(Dpy, Root, False, SubstructureNotifyMask | SubstructureRedirectMask,
                           &ev);
            }
        } else if (s != nullptr && !s->Popup && ev.xclient.format == 32 &&
                   ev.xclient.message_type == XInternAtom(Dpy, ExternalMessageAtom, False)) {
            const auto message = static_cast<UINT>(ev.xclient.data.l[0]);
            if (ExternalMessageAllowed(message)) {
                PostMessage(s->Window, message, static_cast<WPARAM>(ev.xclient.data.l[1]),
                            static_cast<LPARAM>(ev.xclient.data.l[2]));
            }
        }
        break;
    case Expose:
        if (s != nullptr) {
            Redraw(*s, ev.xexpose.x, ev.xexpose.y, ev.xexpose.width, ev.xexpose.height);
        }
        break;
    case MapNotify:
        if (s != nullptr) {
            WindowMapped(*s);
        }
        break;
    case ConfigureNotify:
        // Only the place matters here: a picture put together over the desktop picture must
        // follow the window when the window manager moves it.
        if (s != nullptr && s->Layered && s->HasFrame && !Compositing && DesktopPicture != 0) {
            TPoint origin{ev.xconfigure.x, ev.xconfigure.y};
            if (!ev.xconfigure.send_event) {
                // A real event names the place inside the parent, which may be a frame.
                ::Window child = 0;
                XTranslateCoordinates(Dpy, s->Xid, Root, 0, 0, &origin.X, &origin.Y, &child);
            }
            SurfaceMoved(*s, origin);
        }
        break;
    default:
        break;
    }
}

} // namespace platform
