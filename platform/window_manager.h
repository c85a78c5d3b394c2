// platform/ stands in for the operating system the widget was written against. Its public face
// is this folder's four headers: types.h (handles, points, rectangles), messages.h (the numbers),
// display.h (what a screen backend provides) and this file; the rooms below implement it: wm/
// (the window manager), display/headless/ and display/x11/ (the screens), shell/ (what the
// platform paints, and the tray), gfx/ (cairo and PNG helpers) and sys/ (HTTP, files, resources,
// text conversion). Read types.h, then this file, then wm/wm_internal.h.
//
// The window manager: a tree of windows with classes, properties, z-order, focus, capture and
// activation, one message queue with timers, and the routing of the display's raw input to the
// window under the pointer. The calls keep the shape and the numbers of the services the widget
// was written against (messages.h); the screen behind them is the installed display (display.h).
//
// Every call belongs to the one window thread, except PostMessage and IsWindow, which any thread
// may use.
#pragma once

#include "platform/display.h"
#include "platform/messages.h"

#include <string>

namespace platform {

// Classes. The built-in class "STATIC" exists from the start.
ATOM RegisterClass(const TWndClass& wc); // 0 when the name is taken or empty
bool UnregisterClass(const std::u16string& className, HINSTANCE instance);
bool GetClassInfo(HINSTANCE instance, const std::u16string& className, TWndClass* wc);
LONG_PTR GetClassLong(HWND hwnd, int index); // GCL_HCURSOR, GCL_STYLE, GCL_WNDPROC, GCL_HICON

// Windows. A child (WS_CHILD) needs a live parent; a top-level window given a parent is owned by
// it. The creation data reaches WM_NCCREATE and WM_CREATE through TCreateStruct. 0 on failure.
HWND CreateWindowEx(DWORD exStyle, const std::u16string& className, const std::u16string& caption,
                    DWORD style, int x, int y, int width, int height, HWND parent, UINT id,
                    void* creationData);
// WM_DESTROY goes to the window and then to its descendants, parents first; WM_NCDESTROY follows
// bottom-up, so every child's final message comes before its parent's.
bool DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd); // any thread; handles are never reused
bool IsChild(HWND parent, HWND hwnd);

// Atoms and properties.
ATOM GlobalAddAtom(const std::u16string& name);
ATOM GlobalDeleteAtom(ATOM atom); // 0 on success
bool SetProp(HWND hwnd, ATOM atom, HANDLE value);
HANDLE GetProp(HWND hwnd, ATOM atom);
HANDLE RemoveProp(HWND hwnd, ATOM atom);

// The tree and z-order: the first child is the topmost.
HWND GetParent(HWND hwnd); // the parent of a child, the owner of an owned top-level window
HWND GetWindow(HWND hwnd, UINT relation);
HWND GetTopWindow(HWND hwnd);    // topmost child; 0 asks for the topmost top-level window
HWND GetAncestorRoot(HWND hwnd); // the top-level window a window belongs to

// State and geometry. Positions of children are in their parent's client coordinates, those of
// top-level windows in screen coordinates; a window's client area is its whole rectangle.
bool ShowWindow(HWND hwnd, int command);   // was visible before
bool IsWindowVisible(HWND hwnd);           // visible together with all its ancestors
bool EnableWindow(HWND hwnd, bool enable); // was disabled before
bool IsWindowEnabled(HWND hwnd);
bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint);
bool GetWindowRect(HWND hwnd, TRect* rect); // screen coordinates
bool GetClientRect(HWND hwnd, TRect* rect);
bool ClientToScreen(HWND hwnd, TPoint* point);
bool ScreenToClient(HWND hwnd, TPoint* point);
int MapWindowPoints(HWND from, HWND to, TPoint* points, int count);
bool SetWindowText(HWND hwnd, const std::u16string& text);
std::u16string GetWindowText(HWND hwnd);
int GetWindowTextLength(HWND hwnd);
LONG_PTR GetWindowLong(HWND hwnd, int index);
LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value); // the previous value
UINT GetDlgCtrlID(HWND hwnd);
HWND FindWindow(const std::u16string& className, const std::u16string& title); // empty: any
HWND WindowFromPoint(TPoint screen); // deepest visible window, input rules applied
HWND ChildWindowFromPoint(HWND parent, TPoint client); // topmost direct visible child, or parent

// Messages.
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Any thread. False for a window that is gone; hwnd 0 posts a message to the thread itself.
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Blocks until a message arrives; false for WM_QUIT. Posted messages come before input, input
// before timer ticks, which are made only when nothing else waits.
bool GetMessage(TMsg* msg, HWND hwnd, UINT filterMin, UINT filterMax);
bool PeekMessage(TMsg* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Adds WM_CHAR (WM_SYSCHAR with Alt) after a key-down that typed text, one per UTF-16 unit.
bool TranslateMessage(const TMsg* msg);
LRESULT DispatchMessage(const TMsg* msg);
// Sees every pointer message (WM_MOUSEMOVE to WM_MOUSELEAVE) as DispatchMessage hands it out,
// before the window does; the tooltip service watches its tools this way. Null removes it.
using TPointerObserver = void (*)(const TMsg& msg);
void SetPointerObserver(TPointerObserver observer);
// Handles every message that is waiting now without blocking; the count handled. WM_QUIT stays.
int ProcessPendingMessages();

// Timers: one per (window, id); a tick is made when the queue is otherwise empty and the interval
// has passed, and at most one tick per timer ever waits. SetTimer again restarts the interval.
UINT SetTimer(HWND hwnd, UINT id, UINT interval); // id, or 0 for a dead window
bool KillTimer(HWND hwnd, UINT id);

// Input state.
HWND SetCapture(HWND hwnd); // previous capture window
bool ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND hwnd); // previous focus window; 0 for a dead or disabled window
HWND GetFocus();
HWND GetActiveWindow();
HWND SetActiveWindow(HWND hwnd); // previous active window
bool SetForegroundWindow(HWND hwnd);
bool TrackMouseEvent(TTrackMouseEvent* tme);
short GetKeyState(int virtualKey); // high bit: down; low bit: toggled
bool GetCursorPos(TPoint* point);

// Cursors: shared ones by IDC_ id; a cursor handle names its id.
HCURSOR LoadCursor(HINSTANCE instance, int cursorId); // 0 for an unknown id
HCURSOR SetCursor(HCURSOR cursor);                    // previous cursor
HCURSOR GetCursor();
bool DestroyCursor(HCURSOR cursor);

// Clock and screen facts, all from the display.
DWORD GetTickCount();
void Sleep(DWORD ms);
UINT GetDoubleClickTime();
int GetSystemMetrics(int index);
// The desktop's scale as dots per inch (96 at 100 %). Window coordinates stay logical, the
// skin's 96-DPI pixels; a change reaches every top-level window as WM_DPICHANGED.
UINT GetDpiForSystem();
// The whole factor pictures are drawn at for that scale (1 to 3): the scale itself when it is
// whole, else the next whole one, which the display reduces smoothly to the screen's pixels.
int GetRenderScale();
// SPI_GETWORKAREA fills a TRect, SPI_GETMOUSEHOVERTIME/WIDTH/HEIGHT a UINT; false otherwise.
bool SystemParametersInfo(UINT action, UINT param, void* out, UINT winIni);

// The clipboard: asks the display for its text; the answer comes to hwnd's top-level window as
// WM_DROPTEXT with FromClipboard set (empty text when the clipboard held none or its owner did
// not answer in time). False for a dead window.
bool RequestClipboardText(HWND hwnd);

// Layered windows. The frame is premultiplied ARGB32; position null keeps the window where it is.
// Where the presented alpha is 0 the window takes no input. False (and the previous image kept)
// for a window without WS_EX_LAYERED or a bad frame.
// The pixels are width x height times scale: a picture drawn at that whole factor of the
// window's logical size (see GetRenderScale).
bool UpdateLayeredWindow(HWND hwnd, const TPoint* position, int width, int height,
                         const std::uint32_t* pixels, int stride, std::uint8_t alpha,
                         DWORD flags = ULW_ALPHA, int scale = 1);
bool SetLayeredWindowAttributes(HWND hwnd, DWORD colorKey, std::uint8_t alpha, DWORD flags);

// Icons: premultiplied ARGB32 pictures behind HICON handles (shell/icons.h loads the program's
// own). A window shows the icons WM_SETICON gives it where the desktop shows window icons.
HICON CreateIconFromPixels(int width, int height, const std::uint32_t* pixels); // 0 when empty
// One icon drawn at several sizes, each picture its own; 0 when none is usable.
HICON CreateIconFromFrames(const std::vector<TFrameView>& frames);
bool DestroyIcon(HICON icon);
// A view of the icon's pixels (its biggest picture), valid until the icon is destroyed; false for
// no icon.
bool GetIconFrame(HICON icon, TFrameView* frame);
// Views of all of the icon's pictures, smallest first; false for no icon.
bool GetIconFrames(HICON icon, std::vector<TFrameView>* frames);

} // namespace platform
