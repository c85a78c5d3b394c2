// The window manager's one state object, the installed display, atoms and window classes.
#include "platform/display/headless/headless_display.h"
#include "platform/sys/workarea.h"
#include "platform/wm/wm_internal.h"

#include <atomic>

namespace platform {
namespace wm {

namespace {

std::mutex DisplayLock;
std::unique_ptr<TDisplay> OwnedDisplay;
std::atomic<TDisplay*> CurrentDisplay{nullptr};

void RegisterSystemClasses(TState& s) {
    TClass staticClass;
    staticClass.Record.style = CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS;
    staticClass.Record.lpfnWndProc = StaticWndProc;
    staticClass.Record.hCursor = static_cast<HCURSOR>(IDC_ARROW);
    staticClass.Record.lpszClassName = u"STATIC";
    staticClass.Atom = s.NextAtom++;
    staticClass.System = true;
    s.Classes.emplace(Lower(u"STATIC"), std::move(staticClass));
}

// Forgets every window and all input and queue state, without a message to anyone.
void Reset(TState& s) {
    {
        std::lock_guard<std::mutex> guard(s.Lock);
        s.Posted.clear();
        s.Live.clear();
        s.QuitPosted = false;
        s.QuitCode = 0;
    }
    s.Windows.clear();
    s.TopLevels.clear();
    s.Raw.clear();
    s.Input.clear();
    s.Timers.clear();
    s.Tracking = TTracking{};
    s.LastPress = TLastPress{};
    s.Capture = s.Focus = s.Active = s.UnderPointer = 0;
    s.Pointer = TPoint{};
    s.PointerKnown = false;
    s.Buttons = 0;
    s.Keys.fill(0);
    s.Cursor = 0;
    s.LastKey = TQueued{};
    s.SleepOffset.reset();
    if (s.Tray.Reset) {
        s.Tray.Reset();
    }
}

} // namespace

TState& State() {
    static TState* state = [] {
        auto* s = new TState; // lives for the whole run: worker threads may post at exit
        RegisterSystemClasses(*s);
        return s;
    }();
    return *state;
}

TWnd* Find(HWND hwnd) {
    auto& windows = State().Windows;
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second.get();
}

std::u16string Lower(const std::u16string& s) {
    std::u16string out = s;
    for (auto& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return out;
}

} // namespace wm

using namespace wm;

// The installed screen is where the monitors and their work areas come from.
void SetDisplay(std::unique_ptr<TDisplay> display) {
    Reset(State());
    {
        std::lock_guard<std::mutex> guard(DisplayLock);
        CurrentDisplay.store(display.get());
        OwnedDisplay = std::move(display);
    }
    State().Scale = Display().Scale();
    SetMonitorSource([] { return Display().Monitors(); });
}

TDisplay& Display() {
    if (TDisplay* d = CurrentDisplay.load()) {
        return *d;
    }
    std::lock_guard<std::mutex> guard(DisplayLock);
    if (!OwnedDisplay) {
        OwnedDisplay = std::make_unique<THeadlessDisplay>();
        CurrentDisplay.store(OwnedDisplay.get());
        SetMonitorSource([] { return Display().Monitors(); });
    }
    return *OwnedDisplay;
}

// Here rather than beside the headless screen, so that the screen itself needs no window manager.
THeadlessDisplay& InstallHeadlessDisplay() {
    auto display = std::make_unique<THeadlessDisplay>();
    THeadlessDisplay& ref = *display;
    SetDisplay(std::move(display));
    return ref;
}

void SetTrayHooks(const TTrayHooks& hooks) {
    State().Tray = hooks;
}

ATOM GlobalAddAtom(const std::u16string& name) {
    auto& s = State();
    if (name.empty()) {
        return 0;
    }
    const auto key = Lower(name);
    for (auto& [atom, entry] : s.Atoms) {
        if (Lower(entry.Name) == key) {
            ++entry.Refs;
            return atom;
        }
    }
    if (s.NextAtom == 0xFFFF) {
        return 0;
    }
    const ATOM atom = s.NextAtom++;
    s.Atoms[atom] = TAtomEntry{name, 1};
    return atom;
}

ATOM GlobalDeleteAtom(ATOM atom) {
    auto& atoms = State().Atoms;
    auto it = atoms.find(atom);
    if (it == atoms.end()) {
        return atom;
    }
    if (--it->second.Refs == 0) {
        atoms.erase(it);
    }
    return 0;
}

ATOM RegisterClass(const TWndClass& wc) {
    auto& s = State();
    if (wc.lpszClassName.empty() || !wc.lpfnWndProc) {
        return 0;
    }
    const auto key = Lower(wc.lpszClassName);
    if (s.Classes.count(key) != 0) {
        return 0;
    }
    TClass c;
    c.Record = wc;
    c.Atom = s.NextAtom++;
    const ATOM atom = c.Atom;
    s.Classes.emplace(key, std::move(c));
    return atom;
}

bool UnregisterClass(const std::u16string& className, HINSTANCE) {
    auto& s = State();
    const auto key = Lower(className);
    auto it = s.Classes.find(key);
    if (it == s.Classes.end() || it->second.System) {
        return false;
    }
    // A class stays while windows of it exist, so their class data stays valid.
    for (const auto& [handle, w] : s.Windows) {
        if (Lower(w->ClassName) == key) {
            return false;
        }
    }
    s.Classes.erase(it);
    return true;
}

bool GetClassInfo(HINSTANCE, const std::u16string& className, TWndClass* wc) {
    auto& s = State();
    auto it = s.Classes.find(Lower(className));
    if (it == s.Classes.end()) {
        return false;
    }
    if (wc) {
        *wc = it->second.Record;
    }
    return true;
}

LONG_PTR GetClassLong(HWND hwnd, int index) {
    TWnd* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    auto it = State().Classes.find(Lower(w->ClassName));
    switch (index) {
    case GCL_HCURSOR:
        return static_cast<LONG_PTR>(w->ClassCursor);
    case GCL_STYLE:
        return static_cast<LONG_PTR>(w->ClassStyle);
    case GCL_WNDPROC:
        return it == State().Classes.end()
                   ? 0
                   : reinterpret_cast<LONG_PTR>(it->second.Record.lpfnWndProc);
    case GCL_HICON:
        return it == State().Classes.end() ? 0 : static_cast<LONG_PTR>(it->second.Record.hIcon);
    default:
        return 0;
    }
}

} // namespace platform
