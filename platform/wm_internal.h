// Private state of the window manager, shared by its source files and by nothing else.
#pragma once

#include "platform/window_manager.h"

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

// A tray icon the program asked for, docked or waiting for a tray to appear.
using TTrayKey = std::pair<HWND, UINT>;
struct TTrayEntry {
    UINT Callback = 0;
    std::u16string Tip;
};

// The pointer over the tray icons: the tip shown after the hover time, and the last press for
// double clicks.
struct TTrayPointer {
    TTrayKey Hovered{0, 0};
    TPoint Point;
    std::uint64_t TipDue = 0; // 0 when no tip is waiting
    bool Suppressed = false;  // a press hides the tip until the pointer comes back
    HWND TipWindow = 0;
    TTrayKey Pressed{0, 0};
    UINT PressMessage = 0; // 0 when the next press cannot complete a double click
    std::uint64_t PressTime = 0;
    TPoint PressPoint;
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
    std::map<TTrayKey, TTrayEntry> TrayIcons;
    TTrayPointer TrayPointer;
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

// Input helpers.
void ProcessRawEvent(const TInputEvent& event);
void CheckHover();
void ActivateWindow(HWND top, WPARAM how, bool askDisplay);
HWND HitTest(TPoint screen, HWND surfaceHint, LRESULT* hit);
WPARAM KeyFlags();
void ForgetWindowInput(HWND hwnd); // capture, focus, tracking and activation of a dying window
void ApplyModifiers(std::uint32_t modifiers);

// Tray helpers.
void TrayInput(const TInputEvent& event);
void CheckTrayTip();
void ForgetTray(HWND hwnd); // icons of a dead owner; the tip window when it is the one dying

void RunMoveLoop(HWND hwnd);
LRESULT StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace platform::wm
