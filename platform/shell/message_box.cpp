#include "platform/shell/message_box.h"
#include "platform/shell/painting.h"
#include "platform/window_manager.h"

#include <algorithm>
#include <vector>

namespace platform {

namespace {

constexpr const char16_t* BOX_CLASS = u"#32770";
constexpr int CAPTION_HEIGHT = 30;
constexpr int PADDING = 16;
constexpr int ICON_SIZE = 32;
constexpr int TEXT_MAX = 400;
constexpr int BUTTON_WIDTH = 80;
constexpr int BUTTON_HEIGHT = 26;
constexpr int BUTTON_GAP = 8;
constexpr int STRIP_HEIGHT = BUTTON_HEIGHT + 2 * 12;
constexpr int MIN_WIDTH = 260;

struct TButton {
    int Id = 0;
    TMnemonicText Label;
    TRect Box; // client coordinates
};

struct TBox {
    HWND Window = 0;
    UINT Type = 0;
    std::u16string Caption;
    std::u16string Text;
    std::vector<TButton> Buttons;
    int Focused = 0;  // index into Buttons
    int Pressed = -1; // button held down with the mouse
    int Width = 0;
    int Height = 0;
    int TextHeight = 0;
    int Result = 0;
};

TBox* Current = nullptr;

bool HasIcon(const TBox& b) {
    return (b.Type & MB_ICONMASK) == MB_ICONINFORMATION;
}

void Paint(TBox& b) {
    TPaintBuffer pic(b.Width, b.Height);
    pic.Fill(TRect{0, 0, b.Width, b.Height}, PAINT_WINDOW);
    pic.Fill(TRect{0, 0, b.Width, CAPTION_HEIGHT}, PAINT_FACE);
    TPangoLayoutPtr caption = pic.Layout(TMnemonicText{b.Caption, -1});
    pic.Text(caption.get(), 10, (CAPTION_HEIGHT - TPaintBuffer::Measure(caption.get()).Y) / 2,
             PAINT_TEXT);
    int textLeft = PADDING;
    const int top = CAPTION_HEIGHT + PADDING;
    if (HasIcon(b)) {
        cairo_t* cr = pic.Cr();
        cairo_set_source_rgb(cr, 0x00 / 255.0, 0x78 / 255.0, 0xD7 / 255.0);
        cairo_arc(cr, PADDING + ICON_SIZE / 2.0, top + ICON_SIZE / 2.0, ICON_SIZE / 2.0, 0,
                  2 * G_PI);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, PADDING + ICON_SIZE / 2.0 - 2, top + 13, 4, 12);
        cairo_arc(cr, PADDING + ICON_SIZE / 2.0, top + 8.5, 2.5, 0, 2 * G_PI);
        cairo_fill(cr);
        textLeft += ICON_SIZE + PADDING;
    }
    TPangoLayoutPtr text = pic.Layout(TMnemonicText{b.Text, -1}, TEXT_MAX);
    const int textTop = top + std::max(0, (ICON_SIZE - b.TextHeight) / 2);
    pic.Text(text.get(), textLeft, HasIcon(b) ? textTop : top, PAINT_TEXT);
    pic.Fill(TRect{0, b.Height - STRIP_HEIGHT, b.Width, b.Height}, PAINT_FACE);
    for (std::size_t i = 0; i < b.Buttons.size(); ++i) {
        const TButton& button = b.Buttons[i];
        const bool focused = static_cast<int>(i) == b.Focused;
        pic.Fill(button.Box, static_cast<int>(i) == b.Pressed ? PAINT_HOT : 0xFFE1E1E1u);
        pic.Frame(button.Box, focused ? PAINT_ACCENT : 0xFFADADADu);
        TPangoLayoutPtr label = pic.Layout(button.Label);
        const TPoint size = TPaintBuffer::Measure(label.get());
        pic.Text(label.get(), button.Box.Left + (button.Box.Width() - size.X) / 2,
                 button.Box.Top + (button.Box.Height() - size.Y) / 2, PAINT_TEXT);
    }
    pic.Frame(TRect{0, 0, b.Width, b.Height}, PAINT_FRAME);
    pic.Present(b.Window);
}

void Layout(TBox& b) {
    switch (b.Type & MB_TYPEMASK) {
    case MB_YESNO:
        b.Buttons = {{IDYES, ParseMnemonic(u"&Evet"), {}}, {IDNO, ParseMnemonic(u"&Hayır"), {}}};
        break;
    case MB_OKCANCEL:
        b.Buttons = {{IDOK, ParseMnemonic(u"Tamam"), {}}, {IDCANCEL, ParseMnemonic(u"İptal"), {}}};
        break;
    default:
        b.Buttons = {{IDOK, ParseMnemonic(u"Tamam"), {}}};
        break;
    }
    b.Focused = (b.Type & MB_DEFBUTTON2) && b.Buttons.size() > 1 ? 1 : 0;
    TPaintBuffer probe(1, 1);
    const TPoint text =
        TPaintBuffer::Measure(probe.Layout(TMnemonicText{b.Text, -1}, TEXT_MAX).get());
    const TPoint caption = TPaintBuffer::Measure(probe.Layout(TMnemonicText{b.Caption, -1}).get());
    b.TextHeight = text.Y;
    const int iconPart = HasIcon(b) ? ICON_SIZE + PADDING : 0;
    const int buttons =
        static_cast<int>(b.Buttons.size()) * (BUTTON_WIDTH + BUTTON_GAP) - BUTTON_GAP + 2 * PADDING;
    b.Width = std::max({MIN_WIDTH, 2 * PADDING + iconPart + text.X, buttons, caption.X + 40});
    b.Height =
        CAPTION_HEIGHT + 2 * PADDING + std::max(HasIcon(b) ? ICON_SIZE : 0, text.Y) + STRIP_HEIGHT;
    int x = b.Width - PADDING - static_cast<int>(b.Buttons.size()) * (BUTTON_WIDTH + BUTTON_GAP) +
            BUTTON_GAP;
    const int y = b.Height - STRIP_HEIGHT + (STRIP_HEIGHT - BUTTON_HEIGHT) / 2;
    for (TButton& button : b.Buttons) {
        button.Box = TRect{x, y, x + BUTTON_WIDTH, y + BUTTON_HEIGHT};
        x += BUTTON_WIDTH + BUTTON_GAP;
    }
}

int ButtonAt(const TBox& b, int x, int y) {
    for (std::size_t i = 0; i < b.Buttons.size(); ++i) {
        if (b.Buttons[i].Box.Contains(x, y)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Escape and the close request answer only where a box has a way out: Cancel, or a lone OK.
int EscapeAnswer(const TBox& b) {
    switch (b.Type & MB_TYPEMASK) {
    case MB_OK:
        return IDOK;
    case MB_OKCANCEL:
        return IDCANCEL;
    default:
        return 0;
    }
}

void Key(TBox& b, UINT vk) {
    const int n = static_cast<int>(b.Buttons.size());
    switch (vk) {
    case VK_LEFT:
    case VK_UP:
        b.Focused = (b.Focused + n - 1) % n;
        Paint(b);
        break;
    case VK_RIGHT:
    case VK_DOWN:
    case VK_TAB:
        b.Focused = (b.Focused + 1) % n;
        Paint(b);
        break;
    case VK_RETURN:
    case VK_SPACE:
        b.Result = b.Buttons[static_cast<std::size_t>(b.Focused)].Id;
        break;
    case VK_ESCAPE:
        b.Result = EscapeAnswer(b);
        break;
    default:
        break;
    }
}

void Mnemonic(TBox& b, char16_t typed) {
    for (const TButton& button : b.Buttons) {
        if (button.Label.Key() != 0 && button.Label.Key() == FoldCase(typed)) {
            b.Result = button.Id;
        }
    }
}

LRESULT BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TBox* b = Current && Current->Window == hwnd ? Current : nullptr;
    if (b == nullptr) {
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    const int x = GetXLParam(lParam), y = GetYLParam(lParam);
    switch (msg) {
    case WM_LBUTTONDOWN: {
        const int at = ButtonAt(*b, x, y);
        if (at >= 0) {
            b->Pressed = b->Focused = at;
            SetCapture(hwnd);
            Paint(*b);
        } else if (y < CAPTION_HEIGHT) {
            SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        }
        return 0;
    }
    case WM_LBUTTONUP:
        if (b->Pressed >= 0) {
            const int pressed = b->Pressed;
            b->Pressed = -1;
            ReleaseCapture();
            if (ButtonAt(*b, x, y) == pressed) {
                b->Result = b->Buttons[static_cast<std::size_t>(pressed)].Id;
            } else {
                Paint(*b);
            }
        }
        return 0;
    case WM_KEYDOWN:
        Key(*b, static_cast<UINT>(wParam));
        return 0;
    case WM_CHAR:
        Mnemonic(*b, static_cast<char16_t>(wParam));
        return 0;
    case WM_CLOSE:
        b->Result = EscapeAnswer(*b);
        return 0;
    default:
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

} // namespace

HWND GetOpenMessageBox() {
    return Current ? Current->Window : 0;
}

bool GetMessageBoxButton(int id, TRect* screen) {
    if (!Current || !screen) {
        return false;
    }
    for (const TButton& button : Current->Buttons) {
        if (button.Id == id) {
            TPoint origin;
            ClientToScreen(Current->Window, &origin);
            *screen = TRect{origin.X + button.Box.Left, origin.Y + button.Box.Top,
                            origin.X + button.Box.Right, origin.Y + button.Box.Bottom};
            return true;
        }
    }
    return false;
}

int MessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type) {
    if (Current != nullptr || (owner != 0 && !IsWindow(owner))) {
        return 0;
    }
    TWndClass wc;
    if (!GetClassInfo(0, BOX_CLASS, &wc)) {
        wc.lpfnWndProc = BoxProc;
        wc.lpszClassName = BOX_CLASS;
        wc.hCursor = LoadCursor(0, IDC_ARROW);
        RegisterClass(wc);
    }
    TBox b;
    b.Type = type;
    b.Caption = caption;
    b.Text = text;
    Layout(b);
    // Centred on the owner when it is on screen, else on the work area.
    TRect around;
    if (owner == 0 || !IsWindowVisible(owner) || !GetWindowRect(owner, &around)) {
        SystemParametersInfo(SPI_GETWORKAREA, 0, &around, 0);
    }
    const int x = around.Left + (around.Width() - b.Width) / 2;
    const int y = around.Top + (around.Height() - b.Height) / 2;
    const DWORD ex =
        WS_EX_LAYERED | WS_EX_DLGMODALFRAME | ((type & MB_TOPMOST) ? WS_EX_TOPMOST : 0);
    b.Window = CreateWindowEx(ex, BOX_CLASS, caption, WS_POPUP, x, y, b.Width, b.Height,
                              owner ? GetAncestorRoot(owner) : 0, 0, nullptr);
    if (b.Window == 0) {
        return 0;
    }
    Current = &b;
    // Modal: the owner takes no input until the box is answered.
    const HWND ownerTop = owner ? GetAncestorRoot(owner) : 0;
    const bool ownerWasEnabled = ownerTop && IsWindowEnabled(ownerTop);
    if (ownerWasEnabled) {
        EnableWindow(ownerTop, false);
    }
    Paint(b);
    ShowWindow(b.Window, SW_SHOW);
    SetForegroundWindow(b.Window);
    SetFocus(b.Window);

    bool quit = false;
    int quitCode = 0;
    TMsg msg;
    while (b.Result == 0 && IsWindow(b.Window)) {
        if (!GetMessage(&msg, 0, 0, 0)) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            break;
        }
        // Keys belong to the box whichever window has the focus.
        if ((msg.message == WM_KEYDOWN || msg.message == WM_CHAR) && msg.hwnd != b.Window) {
            msg.hwnd = b.Window;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    Current = nullptr;
    if (ownerWasEnabled && IsWindow(ownerTop)) {
        EnableWindow(ownerTop, true);
    }
    if (IsWindow(b.Window)) {
        DestroyWindow(b.Window);
    }
    if (ownerTop && IsWindow(ownerTop) && IsWindowVisible(ownerTop)) {
        SetForegroundWindow(ownerTop);
    }
    if (quit) {
        PostQuitMessage(quitCode);
    }
    return b.Result;
}

} // namespace platform
