#include "platform/shell/popup_menu.h"
#include "platform/shell/painting.h"
#include "platform/sys/resources.h"
#include "platform/window_manager.h"

#include <map>
#include <memory>
#include <vector>

namespace platform {

namespace {

struct TMenuItem {
    UINT Flags = 0;
    UINT Id = 0;
    HMENU Submenu = 0;
    std::u16string Text;
};

struct TMenu {
    std::vector<TMenuItem> Items;
};

std::map<HMENU, TMenu>& Menus() {
    static std::map<HMENU, TMenu> menus;
    return menus;
}
HMENU NextMenu = 0x30000;

TMenu* FindMenu(HMENU menu) {
    auto it = Menus().find(menu);
    return it == Menus().end() ? nullptr : &it->second;
}

constexpr const char16_t* MENU_CLASS = u"#32768";
constexpr int ITEM_HEIGHT = 22;
constexpr int SEPARATOR_HEIGHT = 9;
constexpr int BORDER = 2;
constexpr int TEXT_LEFT = 30; // room for a check mark, as menus leave it
constexpr int ACCEL_GAP = 36; // between the label and the right-aligned accelerator
constexpr int TEXT_RIGHT = 22;
constexpr int MIN_WIDTH = 120;

// One laid-out row of the open menu.
struct TRow {
    TMenuItem Item;
    TMnemonicText Label;
    std::u16string Accel; // what followed the tab, drawn right-aligned
    TRect Box;
    bool Enabled() const {
        return (Item.Flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR)) == 0 && Item.Submenu == 0;
    }
};

struct TTracker {
    HWND Window = 0;
    std::vector<TRow> Rows;
    int Width = 0;
    int Height = 0;
    int Hot = -1;
    bool Done = false;
    UINT Chosen = 0;
    bool PressedInside = false;
    TPoint Opened;
};

TTracker* Open = nullptr;

void Paint(TTracker& t) {
    TPaintBuffer pic(t.Width, t.Height);
    pic.Fill(TRect{0, 0, t.Width, t.Height}, PAINT_FACE);
    pic.Frame(TRect{0, 0, t.Width, t.Height}, PAINT_FRAME);
    for (std::size_t i = 0; i < t.Rows.size(); ++i) {
        const TRow& row = t.Rows[i];
        if (row.Item.Flags & MF_SEPARATOR) {
            const int y = row.Box.Top + SEPARATOR_HEIGHT / 2;
            pic.Fill(TRect{row.Box.Left + TEXT_LEFT - 4, y, row.Box.Right - 2, y + 1}, 0xFFD7D7D7u);
            continue;
        }
        if (static_cast<int>(i) == t.Hot) {
            pic.Fill(row.Box, PAINT_HOT);
            pic.Frame(row.Box, PAINT_HOT_FRAME);
        }
        const std::uint32_t color = row.Enabled() || row.Item.Submenu ? PAINT_TEXT : PAINT_GRAYED;
        TPangoLayoutPtr label = pic.Layout(row.Label);
        const TPoint size = TPaintBuffer::Measure(label.get());
        const int y = row.Box.Top + (row.Box.Height() - size.Y) / 2;
        pic.Text(label.get(), row.Box.Left + TEXT_LEFT, y, color);
        if (!row.Accel.empty()) {
            TPangoLayoutPtr accel = pic.Layout(TMnemonicText{row.Accel, -1});
            const TPoint a = TPaintBuffer::Measure(accel.get());
            pic.Text(accel.get(), row.Box.Right - TEXT_RIGHT - a.X, y, color);
        }
    }
    pic.Present(t.Window);
}

void Layout(TTracker& t, const TMenu& menu) {
    TPaintBuffer probe(1, 1);
    int labelWidth = 0, accelWidth = 0;
    for (const TMenuItem& item : menu.Items) {
        TRow row;
        row.Item = item;
        const std::size_t tab = item.Text.find(u'\t');
        row.Label = ParseMnemonic(item.Text.substr(0, tab));
        if (tab != std::u16string::npos) {
            row.Accel = item.Text.substr(tab + 1);
        }
        if (!(item.Flags & MF_SEPARATOR)) {
            labelWidth =
                std::max(labelWidth, TPaintBuffer::Measure(probe.Layout(row.Label).get()).X);
            if (!row.Accel.empty()) {
                accelWidth = std::max(
                    accelWidth,
                    TPaintBuffer::Measure(probe.Layout(TMnemonicText{row.Accel, -1}).get()).X);
            }
        }
        t.Rows.push_back(std::move(row));
    }
    t.Width = std::max(MIN_WIDTH, BORDER * 2 + TEXT_LEFT + labelWidth +
                                      (accelWidth > 0 ? ACCEL_GAP + accelWidth : 0) + TEXT_RIGHT);
    int y = BORDER;
    for (TRow& row : t.Rows) {
        const int h = (row.Item.Flags & MF_SEPARATOR) ? SEPARATOR_HEIGHT : ITEM_HEIGHT;
        row.Box = TRect{BORDER, y, t.Width - BORDER, y + h};
        y += h;
    }
    t.Height = y + BORDER;
}

int RowAt(const TTracker& t, int x, int y) {
    for (std::size_t i = 0; i < t.Rows.size(); ++i) {
        if (t.Rows[i].Box.Contains(x, y)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void SetHot(TTracker& t, int hot) {
    if (hot != t.Hot) {
        t.Hot = hot;
        Paint(t);
    }
}

// The next enabled row in the direction, wrapping around; the current one when none is.
int Step(const TTracker& t, int direction) {
    const int n = static_cast<int>(t.Rows.size());
    int i = t.Hot;
    for (int tries = 0; tries < n; ++tries) {
        i = i < 0 ? (direction > 0 ? 0 : n - 1) : (i + direction + n) % n;
        if (t.Rows[static_cast<std::size_t>(i)].Enabled()) {
            return i;
        }
    }
    return t.Hot;
}

void Choose(TTracker& t, int row) {
    if (row >= 0 && t.Rows[static_cast<std::size_t>(row)].Enabled()) {
        t.Chosen = t.Rows[static_cast<std::size_t>(row)].Item.Id;
        t.Done = true;
    }
}

void Key(TTracker& t, UINT vk) {
    switch (vk) {
    case VK_DOWN:
        SetHot(t, Step(t, 1));
        break;
    case VK_UP:
        SetHot(t, Step(t, -1));
        break;
    case VK_RETURN:
    case VK_SPACE:
        Choose(t, t.Hot);
        break;
    case VK_ESCAPE:
    case VK_MENU:
    case VK_F10:
        t.Done = true;
        break;
    default:
        break;
    }
}

// A typed character picks the item whose mnemonic it is; with several, it steps between them.
void Mnemonic(TTracker& t, char16_t typed) {
    const char16_t key = FoldCase(typed);
    std::vector<int> matches;
    for (std::size_t i = 0; i < t.Rows.size(); ++i) {
        if (t.Rows[i].Enabled() && t.Rows[i].Label.Key() == key) {
            matches.push_back(static_cast<int>(i));
        }
    }
    if (matches.size() == 1) {
        SetHot(t, matches[0]);
        Choose(t, matches[0]);
    } else if (matches.size() > 1) {
        int next = matches[0];
        for (int m : matches) {
            if (m > t.Hot) {
                next = m;
                break;
            }
        }
        SetHot(t, next);
    }
}

void Mouse(TTracker& t, const TMsg& msg) {
    // With the capture every pointer message is ours, in our client coordinates.
    const int x = GetXLParam(msg.lParam), y = GetYLParam(msg.lParam);
    const bool inside = x >= 0 && y >= 0 && x < t.Width && y < t.Height;
    switch (msg.message) {
    case WM_MOUSEMOVE:
        SetHot(t, inside ? RowAt(t, x, y) : -1);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        if (!inside) {
            t.Done = true; // a press elsewhere dismisses the menu and goes nowhere else
        } else {
            t.PressedInside = true;
        }
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        // The release of the press that opened the menu, still on the spot, chooses nothing.
        TPoint now;
        GetCursorPos(&now);
        if (inside && (t.PressedInside || now != t.Opened)) {
            Choose(t, RowAt(t, x, y));
        }
        break;
    }
    default:
        break;
    }
}

LRESULT MenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MOUSEACTIVATE) {
        return MA_NOACTIVATE;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

void RegisterMenuClass() {
    TWndClass wc;
    if (GetClassInfo(0, MENU_CLASS, &wc)) {
        return;
    }
    wc.lpfnWndProc = MenuProc;
    wc.lpszClassName = MENU_CLASS;
    wc.hCursor = LoadCursor(0, IDC_ARROW);
    RegisterClass(wc);
}

} // namespace

HMENU CreateMenu() {
    const HMENU h = NextMenu++;
    Menus()[h] = TMenu{};
    return h;
}

HMENU LoadMenu(HINSTANCE, int resourceId) {
    const std::optional<TMenuResource> resource = LoadMenuResource(resourceId);
    if (!resource) {
        return 0;
    }
    const HMENU bar = CreateMenu();
    const HMENU popup = CreatePopupMenu();
    for (const TMenuItemResource& item : resource->Items) {
        AppendMenu(popup, MF_STRING, item.Id, item.Text);
    }
    AppendMenu(bar, MF_POPUP, popup, resource->Caption);
    return bar;
}

HMENU CreatePopupMenu() {
    return CreateMenu();
}

bool AppendMenu(HMENU menu, UINT flags, std::uintptr_t idOrSubmenu, const std::u16string& text) {
    TMenu* m = FindMenu(menu);
    if (m == nullptr ||
        ((flags & MF_POPUP) && (FindMenu(idOrSubmenu) == nullptr || idOrSubmenu == menu))) {
        return false;
    }
    TMenuItem item;
    item.Flags = flags;
    if (flags & MF_POPUP) {
        item.Submenu = idOrSubmenu;
    } else {
        item.Id = static_cast<UINT>(idOrSubmenu & 0xFFFF);
    }
    item.Text = text;
    m->Items.push_back(std::move(item));
    return true;
}

bool DestroyMenu(HMENU menu) {
    TMenu* m = FindMenu(menu);
    if (m == nullptr) {
        return false;
    }
    std::vector<HMENU> subs;
    for (const auto& item : m->Items) {
        if (item.Submenu) {
            subs.push_back(item.Submenu);
        }
    }
    Menus().erase(menu);
    for (HMENU sub : subs) {
        DestroyMenu(sub);
    }
    return true;
}

bool IsMenu(HMENU menu) {
    return FindMenu(menu) != nullptr;
}

int GetMenuItemCount(HMENU menu) {
    const TMenu* m = FindMenu(menu);
    return m ? static_cast<int>(m->Items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    const TMenu* m = FindMenu(menu);
    if (!m || position < 0 || position >= static_cast<int>(m->Items.size()) ||
        m->Items[static_cast<std::size_t>(position)].Submenu) {
        return 0xFFFFFFFFu;
    }
    return m->Items[static_cast<std::size_t>(position)].Id;
}

HMENU GetSubMenu(HMENU menu, int position) {
    const TMenu* m = FindMenu(menu);
    if (!m || position < 0 || position >= static_cast<int>(m->Items.size())) {
        return 0;
    }
    return m->Items[static_cast<std::size_t>(position)].Submenu;
}

namespace {

const TMenuItem* ItemOf(HMENU menu, UINT item, UINT flags) {
    const TMenu* m = FindMenu(menu);
    if (m == nullptr) {
        return nullptr;
    }
    if (flags & MF_BYPOSITION) {
        return item < m->Items.size() ? &m->Items[item] : nullptr;
    }
    for (const TMenuItem& i : m->Items) {
        if (i.Submenu == 0 && i.Id == item) {
            return &i;
        }
    }
    return nullptr;
}

} // namespace

std::u16string GetMenuString(HMENU menu, UINT item, UINT flags) {
    const TMenuItem* i = ItemOf(menu, item, flags);
    return i != nullptr ? i->Text : std::u16string();
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    const TMenuItem* i = ItemOf(menu, item, flags);
    return i != nullptr ? (i->Flags & ~static_cast<UINT>(MF_BYPOSITION)) : 0xFFFFFFFFu;
}

HWND GetOpenMenuWindow() {
    return Open ? Open->Window : 0;
}

LRESULT TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, void*) {
    const TMenu* m = FindMenu(menu);
    if (m == nullptr || m->Items.empty() || Open != nullptr || !IsWindow(owner)) {
        return 0;
    }
    RegisterMenuClass();
    TTracker t;
    Layout(t, *m);
    // Kept on the screen: flipped to the other side of the point when it would run off.
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (x + t.Width > sw) {
        x = std::max(0, x - t.Width);
    }
    if (y + t.Height > sh) {
        y = std::max(0, y - t.Height);
    }
    GetCursorPos(&t.Opened);
    t.Window =
        CreateWindowEx(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                       MENU_CLASS, u"", WS_POPUP, x, y, t.Width, t.Height, owner, 0, nullptr);
    if (t.Window == 0) {
        return 0;
    }
    Open = &t;
    Paint(t);
    ShowWindow(t.Window, SW_SHOWNA);
    SetCapture(t.Window);

    bool quit = false;
    int quitCode = 0;
    TMsg msg;
    while (!t.Done && IsWindow(t.Window) && IsWindow(owner)) {
        if (!GetMessage(&msg, 0, 0, 0)) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
            if (msg.hwnd == t.Window) {
                Mouse(t, msg);
            } else if (msg.message != WM_MOUSEMOVE && msg.message != WM_MOUSEWHEEL) {
                t.Done = true; // a press that reached another window: the capture was lost
            }
            continue;
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            TranslateMessage(&msg);
            Key(t, static_cast<UINT>(msg.wParam));
            continue;
        }
        if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
            Mnemonic(t, static_cast<char16_t>(msg.wParam));
            continue;
        }
        if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        if (GetCapture() != t.Window) {
            t.Done = true; // someone else took the mouse
        }
    }
    Open = nullptr;
    if (GetCapture() == t.Window) {
        ReleaseCapture();
    }
    if (IsWindow(t.Window)) {
        DestroyWindow(t.Window);
    }
    if (quit) {
        PostQuitMessage(quitCode);
    }
    if (flags & TPM_RETURNCMD) {
        return t.Chosen;
    }
    if (t.Chosen != 0 && IsWindow(owner)) {
        PostMessage(owner, WM_COMMAND, t.Chosen, 0);
    }
    return 1;
}

} // namespace platform
