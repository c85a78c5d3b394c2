// wm/ is the window manager behind window_manager.h: the window tree, the queue and its timers,
// the routing of raw input, default processing, position changes, the move loop and the screen
// facts. This header is its private state, shared by its source files and by nothing else; read
// it first, then windows.cpp, message_queue.cpp and input.cpp.
#pragma once

#include "platform/window_manager.h"
#include "platform/wm/service_hooks.h"
#include "platform/wm/tray_hooks.h"

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace platform::wm {

struct TWnd {
    HWND Handle = 0;
    std::u16string ClassName;
    UINT ClassStyle = 0;
    HCURSOR ClassCursor = 0;
    HINSTANCE Instance = 0;
    WNDPROC Proc = nullptr;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    UINT Id = 0;
    LONG_PTR UserData = 0;
    HWND Parent = 0;            // children only
    HWND Owner = 0;             // owned top-level windows only
    std::vector<HWND> Children; // front is the topmost
    TRect Rect; // in the parent's client coordinates, or the screen's for top-level windows
    std::u16string Text;
    std::map<ATOM, HANDLE> Props;
    bool Destroying = false;
    // Layered windows: the alpha of the last presented frame decides where input is taken.
    bool Presented = false;
    bool AttributesSet = false;
    std::uint8_t ConstantAlpha = 255;
    int MaskWidth = 0;
    int MaskHeight = 0;
    std::vector<std::uint8_t> AlphaMask;
    // WM_SETICON's icons; the surface shows them.
    HICON BigIcon = 0;
    HICON SmallIcon = 0;

    bool IsChild() const { return (Style & WS_CHILD) != 0; }
};

struct TTimer {
    HWND Window = 0;
    UINT Id = 0;
    UINT Interval = 0;
    std::uint64_t Due = 0;
};

// A message waiting in the queue, with the text a key press typed for TranslateMessage.
struct TQueued {
    TMsg Msg;
    std::u16string Text;
};

struct TTracking {
    HWND Window = 0;
    DWORD Flags = 0;
    DWORD HoverTime = 0;
    std::uint64_t HoverDue = 0;
    TPoint Anchor;
};

struct TLastPress {
    bool Valid = false;
    HWND Window = 0;
    UINT Message = 0;
    std::uint64_t Time = 0;
    TPoint Point;
};

struct TClass {
    TWndClass Record;
    ATOM Atom = 0;
    bool System = false;
};

struct TAtomEntry {
    std::u16string Name;
    int Refs = 0;
};

struct TState {
    // Guarded by Lock: whatever another thread may touch through PostMessage and IsWindow.
    std::mutex Lock;
    std::deque<TQueued> Posted;
    std::unordered_set<HWND> Live;
    bool QuitPosted = false;
    int QuitCode = 0;

    // Window thread only.
    std::unordered_map<HWND, std::unique_ptr<TWnd>> Windows;
    std::vector<HWND> TopLevels; // front is the topmost; WS_EX_TOPMOST windows come first
    HWND NextHandle = 0x10000;
    std::map<std::u16string, TClass> Classes; // by lower-case name
    std::map<ATOM, TAtomEntry> Atoms;
    ATOM NextAtom = 0xC000;

    std::deque<TInputEvent> Raw; // taken from the display, not yet turned into messages
    std::deque<TQueued> Input;   // pointer and key messages, routed, waiting to be retrieved
    std::vector<TTimer> Timers;  // in creation order
    TTracking Tracking;
    TLastPress LastPress;
    HWND Capture = 0;
    HWND Focus = 0;
    HWND Active = 0;
    HWND UnderPointer = 0;
    TPoint Pointer;
    bool PointerKnown = false;
    WPARAM Buttons = 0;                   // MK_ button flags currently down
    std::array<std::uint8_t, 256> Keys{}; // bit 0x80 down, bit 0x01 toggled
    HCURSOR Cursor = 0;
    TQueued LastKey; // the key-down most recently retrieved, for TranslateMessage
    TTrayHooks Tray; // the shell's tray, once it has an icon
    std::vector<TWaitSource*> WaitSources;
    // BootTime - Now when last looked at; a growth means the machine slept in between.
    std::optional<std::int64_t> SleepOffset;
    // The desktop's scale as the top-level windows last heard of it.
    double Scale = 1;
};

TState& State();
TWnd* Find(HWND hwnd);
std::u16string Lower(const std::u16string& s);

// Window tree helpers.
HWND Root(HWND hwnd);
bool InSubtree(HWND root, HWND hwnd); // hwnd is root or one of its descendants
TPoint ClientOrigin(HWND hwnd);       // screen position of the client area's top-left
std::vector<HWND>& Siblings(TWnd& w); // the list w lives in
void Unlink(TWnd& w);
void LinkTopLevel(TWnd& w, HWND insertAfter);
void SyncSurface(TWnd& w);

// Queue helpers.
void PostInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::u16string text = {});
void PurgeWindow(HWND hwnd); // forget queued messages, timers and tray entries of a dead window
bool Retrieve(TMsg* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove, bool convertInput);
std::optional<std::uint64_t> NextDeadline();
bool PullRaw(TInputEvent& event);
// Blocks until the display has input, a post wakes it, the next deadline passes or a wait
// source has work, then lets the sources run what became due.
void WaitForWork();
// Tells the windows about a resume when the clocks show one since the last look.
void CheckSleepGap();

// Input helpers.
void ProcessRawEvent(const TInputEvent& event);
void CheckHover();
void ActivateWindow(HWND top, WPARAM how, bool askDisplay);
HWND HitTest(TPoint screen, HWND surfaceHint, LRESULT* hit);
WPARAM KeyFlags();
void ForgetWindowInput(HWND hwnd); // capture, focus, tracking and activation of a dying window
void ApplyModifiers(std::uint32_t modifiers);

void RunMoveLoop(HWND hwnd);
// WM_SETICON and WM_GETICON: the previous (or current) icon of that kind.
HICON SetWindowIcon(TWnd& w, WPARAM kind, HICON icon);
HICON WindowIcon(const TWnd& w, WPARAM kind);
LRESULT StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace platform::wm
