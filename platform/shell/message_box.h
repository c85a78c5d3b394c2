// The message box: a small modal dialog with a caption, an icon, a text and its buttons,
// painted by the platform; MessageBox returns the button pressed once it closes, serving the
// queue meanwhile. Window thread only.
#pragma once

#include "platform/messages.h"

#include <string>

namespace platform {

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_TOPMOST = 0x00040000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// 0 when the box could not be shown.
int MessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type);

// The open box's window and the screen rectangles of its buttons, for tests that click them.
HWND GetOpenMessageBox();
bool GetMessageBoxButton(int id, TRect* screen);

} // namespace platform
