// Window lifetime, the tree, properties, text and the per-window values.
#include "platform/wm/wm_internal.h"

#include <algorithm>

namespace platform {
namespace wm {

HWND Root(HWND hwnd) {
    TWnd* w = Find(hwnd);
    while (w && w->IsChild() && w->Parent) {
        hwnd = w->Parent;
        w = Find(hwnd);
    }
    return w ? hwnd : 0;
}

bool InSubtree(HWND root, HWND hwnd) {
    for (TWnd* w = Find(hwnd); w; w = Find(w->Parent)) {
        if (w->Handle == root) {
            return true;
        }
        if (!w->IsChild()) {
            break;
        }
    }
    return false;
}

TPoint ClientOrigin(HWND hwnd) {
    TPoint p;
    for (TWnd* w = Find(hwnd); w; w = w->IsChild() ? Find(w->Parent) : nullptr) {
        p.X += w->Rect.Left;
        p.Y += w->Rect.Top;
    }
    return p;
}

std::vector<HWND>& Siblings(TWnd& w) {
    if (w.IsChild()) {
        if (TWnd* parent = Find(w.Parent)) {
            return parent->Children;
        }
    }
    return State().TopLevels;
}

void Unlink(TWnd& w) {
    auto& list = Siblings(w);
    list.erase(std::remove(list.begin(), list.end(), w.Handle), list.end());
}

// Places a top-level window in the z-order, keeping the topmost band in front.
void LinkTopLevel(TWnd& w, HWND insertAfter) {
    auto& list = State().TopLevels;
    list.erase(std::remove(list.begin(), list.end(), w.Handle), list.end());
    const bool topmost = (w.ExStyle & WS_EX_TOPMOST) != 0;
    const auto firstNormal = std::find_if(list.begin(), list.end(), [](HWND h) {
        TWnd* o = Find(h);
        return !o || !(o->ExStyle & WS_EX_TOPMOST);
    });
    const auto bandBegin = topmost ? list.begin() : firstNormal;
    const auto bandEnd = topmost ? firstNormal : list.end();
    auto pos = bandBegin;
    if (insertAfter == HWND_BOTTOM) {
        pos = bandEnd;
    } else if (insertAfter != HWND_TOP && insertAfter != HWND_TOPMOST &&
               insertAfter != HWND_NOTOPMOST) {
        auto it = std::find(bandBegin, bandEnd, insertAfter);
        if (it != bandEnd) {
            pos = it + 1;
        }
    }
    list.insert(pos, w.Handle);
}

void SyncSurface(TWnd& w) {
    if (w.IsChild()) {
        return;
    }
    Display().MoveSurface(w.Handle, w.Rect);
}

namespace {

void SendDestroy(HWND hwnd) {
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    TWnd* w = Find(hwnd);
    if (!w) {
        return;
    }
    const auto children = w->Children;
    for (HWND child : children) {
        if (Find(child)) {
            SendDestroy(child);
        }
    }
}

void Free(HWND hwnd) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return;
    }
    const auto children = w->Children;
    for (HWND child : children) {
        Free(child);
    }
    SendMessage(hwnd, WM_NCDESTROY, 0, 0);
    w = Find(hwnd);
    if (!w) {
        return;
    }
    auto& s = State();
    Unlink(*w);
    ForgetWindowInput(hwnd);
    PurgeWindow(hwnd);
    if (!w->IsChild()) {
        Display().DestroySurface(hwnd);
    }
    s.Windows.erase(hwnd);
}

void MarkDestroying(TWnd& w) {
    w.Destroying = true;
    for (HWND child : w.Children) {
        if (TWnd* c = Find(child)) {
            MarkDestroying(*c);
        }
    }
}

} // namespace
} // namespace wm

using namespace wm;

HWND CreateWindowEx(DWORD exStyle, const std::u16string& className, const std::u16string& caption,
                    DWORD style, int x, int y, int width, int height, HWND parent, UINT id,
                    void* creationData) {
    auto& s = State();
    auto cls = s.Classes.find(Lower(className));
    if (cls == s.Classes.end()) {
        return 0;
    }
    TWnd* parentWnd = parent ? Find(parent) : nullptr;
    if (parent && (!parentWnd || parentWnd->Destroying)) {
        return 0;
    }
    if ((style & WS_CHILD) && !parentWnd) {
        return 0;
    }

    auto owned = std::make_unique<TWnd>();
    TWnd& w = *owned;
    w.Handle = s.NextHandle++;
    w.ClassName = cls->second.Record.lpszClassName;
    w.ClassStyle = cls->second.Record.style;
    w.ClassCursor = cls->second.Record.hCursor;
    w.Instance = cls->second.Record.hInstance;
    w.Proc = cls->second.Record.lpfnWndProc;
    // Visibility comes from ShowWindow below, so the usual messages are sent.
    w.Style = style & ~WS_VISIBLE;
    w.ExStyle = exStyle;
    w.Id = id;
    w.Rect = TRect{x, y, x + std::max(0, width), y + std::max(0, height)};
    w.Text = caption;
    const HWND hwnd = w.Handle;

    if (w.IsChild()) {
        w.Parent = parent;
    } else if (parentWnd) {
        w.Owner = Root(parent);
    }
    if (!w.IsChild()) {
        TSurfaceParams params;
        params.Window = hwnd;
        params.Bounds = w.Rect;
        params.Topmost = (exStyle & WS_EX_TOPMOST) != 0;
        params.ToolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
        params.Layered = (exStyle & WS_EX_LAYERED) != 0;
        params.Popup = (exStyle & WS_EX_NOACTIVATE) != 0;
        params.AcceptDrops = (exStyle & WS_EX_ACCEPTFILES) != 0;
        params.Title = caption;
        if (!Display().CreateSurface(params)) {
            return 0;
        }
    }
    s.Windows.emplace(hwnd, std::move(owned));
    {
        std::lock_guard<std::mutex> guard(s.Lock);
        s.Live.insert(hwnd);
    }
    if (w.IsChild()) {
        parentWnd->Children.insert(parentWnd->Children.begin(), hwnd);
    } else {
        LinkTopLevel(w, HWND_TOP);
    }

    TCreateStruct cs;
    cs.lpCreateParams = creationData;
    cs.hInstance = w.Instance;
    cs.id = id;
    cs.hwndParent = parent;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = style;
    cs.dwExStyle = exStyle;
    const std::u16string classText = w.ClassName;
    cs.lpszName = caption.c_str();
    cs.lpszClass = classText.c_str();

    if (!SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (!IsWindow(hwnd)) {
        return 0;
    }
    if (SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return 0;
    }
    TWnd* created = Find(hwnd);
    if (!created) {
        return 0;
    }
    const TRect r = created->Rect;
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MakeLParam(r.Width(), r.Height()));
    if (!IsWindow(hwnd)) {
        return 0;
    }
    SendMessage(hwnd, WM_MOVE, 0, MakeLParam(r.Left, r.Top));
    if (!IsWindow(hwnd)) {
        return 0;
    }
    if (style & WS_VISIBLE) {
        ShowWindow(hwnd, SW_SHOW);
    }
    return IsWindow(hwnd) ? hwnd : 0;
}

bool DestroyWindow(HWND hwnd) {
    auto& s = State();
    TWnd* w = Find(hwnd);
    if (!w || w->Destroying) {
        return false;
    }
    // Owned windows go first, as they cannot outlive their owner.
    std::vector<HWND> ownedWindows;
    for (HWND top : s.TopLevels) {
        TWnd* o = Find(top);
        if (o && o->Owner == hwnd) {
            ownedWindows.push_back(top);
        }
    }
    for (HWND o : ownedWindows) {
        DestroyWindow(o);
    }
    w = Find(hwnd);
    if (!w || w->Destroying) {
        return false;
    }
    if (w->Style & WS_VISIBLE) {
        SetWindowPos(hwnd, 0, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        w = Find(hwnd);
        if (!w || w->Destroying) {
            return false;
        }
    }
    MarkDestroying(*w);
    ForgetWindowInput(hwnd);
    SendDestroy(hwnd);
    Free(hwnd);
    return true;
}

bool IsWindow(HWND hwnd) {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.Lock);
    return hwnd != 0 && s.Live.count(hwnd) != 0;
}

bool IsChild(HWND parent, HWND hwnd) {
    return hwnd != parent && Find(parent) && InSubtree(parent, hwnd);
}

bool SetProp(HWND hwnd, ATOM atom, HANDLE value) {
    TWnd* w = Find(hwnd);
    if (!w || atom == 0) {
        return false;
    }
    w->Props[atom] = value;
    return true;
}

HANDLE GetProp(HWND hwnd, ATOM atom) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    auto it = w->Props.find(atom);
    return it == w->Props.end() ? 0 : it->second;
}

HANDLE RemoveProp(HWND hwnd, ATOM atom) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    auto it = w->Props.find(atom);
    if (it == w->Props.end()) {
        return 0;
    }
    const HANDLE value = it->second;
    w->Props.erase(it);
    return value;
}

HWND GetParent(HWND hwnd) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    return w->IsChild() ? w->Parent : w->Owner;
}

HWND GetWindow(HWND hwnd, UINT relation) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    if (relation == GW_CHILD) {
        return w->Children.empty() ? 0 : w->Children.front();
    }
    if (relation == GW_OWNER) {
        return w->IsChild() ? 0 : w->Owner;
    }
    const auto& list = Siblings(*w);
    auto it = std::find(list.begin(), list.end(), hwnd);
    if (it == list.end()) {
        return 0;
    }
    switch (relation) {
    case GW_HWNDFIRST:
        return list.front();
    case GW_HWNDLAST:
        return list.back();
    case GW_HWNDNEXT:
        return it + 1 == list.end() ? 0 : *(it + 1);
    case GW_HWNDPREV:
        return it == list.begin() ? 0 : *(it - 1);
    default:
        return 0;
    }
}

HWND GetTopWindow(HWND hwnd) {
    if (hwnd == 0) {
        const auto& list = State().TopLevels;
        return list.empty() ? 0 : list.front();
    }
    return GetWindow(hwnd, GW_CHILD);
}

HWND GetAncestorRoot(HWND hwnd) {
    return Root(hwnd);
}

bool SetWindowText(HWND hwnd, const std::u16string& text) {
    if (!Find(hwnd)) {
        return false;
    }
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

int GetWindowTextLength(HWND hwnd) {
    if (!Find(hwnd)) {
        return 0;
    }
    return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

std::u16string GetWindowText(HWND hwnd) {
    const int length = GetWindowTextLength(hwnd);
    if (length <= 0) {
        return {};
    }
    std::u16string buffer(static_cast<std::size_t>(length) + 1, u'\0');
    const auto copied =
        SendMessage(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    buffer.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
    return buffer;
}

LONG_PTR GetWindowLong(HWND hwnd, int index) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    switch (index) {
    case GWL_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->Proc);
    case GWL_HINSTANCE:
        return static_cast<LONG_PTR>(w->Instance);
    case GWL_HWNDPARENT:
        return static_cast<LONG_PTR>(w->IsChild() ? w->Parent : w->Owner);
    case GWL_ID:
        return static_cast<LONG_PTR>(w->Id);
    case GWL_STYLE:
        return static_cast<LONG_PTR>(w->Style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(w->ExStyle);
    case GWL_USERDATA:
        return w->UserData;
    default:
        return 0;
    }
}

LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    const LONG_PTR old = GetWindowLong(hwnd, index);
    switch (index) {
    case GWL_WNDPROC:
        if (value != 0) {
            w->Proc = reinterpret_cast<WNDPROC>(value);
        }
        break;
    case GWL_HINSTANCE:
        w->Instance = static_cast<HINSTANCE>(value);
        break;
    case GWL_ID:
        w->Id = static_cast<UINT>(value);
        break;
    case GWL_STYLE:
        w->Style = static_cast<DWORD>(value);
        if (!w->IsChild() && ((static_cast<DWORD>(old) ^ w->Style) & WS_VISIBLE)) {
            Display().ShowSurface(hwnd, (w->Style & WS_VISIBLE) != 0);
        }
        break;
    case GWL_EXSTYLE:
        w->ExStyle = static_cast<DWORD>(value);
        break;
    case GWL_USERDATA:
        w->UserData = value;
        break;
    default:
        return 0;
    }
    return old;
}

UINT GetDlgCtrlID(HWND hwnd) {
    TWnd* w = Find(hwnd);
    return w && w->IsChild() ? w->Id : 0;
}

HWND FindWindow(const std::u16string& className, const std::u16string& title) {
    const auto key = Lower(className);
    for (HWND top : State().TopLevels) {
        TWnd* w = Find(top);
        if (!w || w->Destroying) {
            continue;
        }
        if ((className.empty() || Lower(w->ClassName) == key) &&
            (title.empty() || w->Text == title)) {
            return top;
        }
    }
    return 0;
}

} // namespace platform
