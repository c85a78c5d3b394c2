// Screen facts of the X11 backend: size, pointer, the user's click and hover preferences, and the
// cursors of the shared cursor table (the monitors are in x11_monitors.cpp).
#include "platform/display/x11/x11_internal.h"
#include "platform/display/x11/x11_settings.h"
#include "platform/messages.h"

#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/cursorfont.h>

namespace platform {

namespace {

constexpr DWORD DEFAULT_DOUBLE_CLICK_MS = 500;
constexpr DWORD DEFAULT_HOVER_MS = 400;
constexpr int DEFAULT_DOUBLE_CLICK_DISTANCE = 4;

struct TCursorName {
    int Id;
    const char* Themed; // name in cursor themes
    unsigned Font;      // the core cursor font's shape when no theme has it
};

constexpr TCursorName CursorNames[] = {
    {IDC_ARROW, "left_ptr", XC_left_ptr},
    {IDC_IBEAM, "xterm", XC_xterm},
    {IDC_WAIT, "watch", XC_watch},
    {IDC_CROSS, "crosshair", XC_crosshair},
    {IDC_UPARROW, "sb_up_arrow", XC_sb_up_arrow},
    {IDC_SIZE, "fleur", XC_fleur},
    {IDC_ICON, "icon", XC_icon},
    {IDC_SIZENWSE, "bottom_right_corner", XC_bottom_right_corner},
    {IDC_SIZENESW, "bottom_left_corner", XC_bottom_left_corner},
    {IDC_SIZEWE, "sb_h_double_arrow", XC_sb_h_double_arrow},
    {IDC_SIZENS, "sb_v_double_arrow", XC_sb_v_double_arrow},
    {IDC_SIZEALL, "fleur", XC_fleur},
    {IDC_NO, "not-allowed", XC_X_cursor},
    {IDC_HAND, "hand2", XC_hand2},
    {IDC_APPSTARTING, "left_ptr_watch", XC_watch},
    {IDC_HELP, "question_arrow", XC_question_arrow},
};

} // namespace

Cursor TX11Display::TImpl::CursorFor(int cursorId) {
    auto it = Cursors.find(cursorId);
    if (it != Cursors.end()) {
        return it->second;
    }
    const TCursorName* entry = &CursorNames[0];
    for (const auto& c : CursorNames) {
        if (c.Id == cursorId) {
            entry = &c;
        }
    }
    Cursor cursor = XcursorLibraryLoadCursor(Dpy, entry->Themed);
    if (cursor == 0) {
        cursor = XCreateFontCursor(Dpy, entry->Font);
    }
    Cursors[cursorId] = cursor;
    return cursor;
}

bool TX11Display::TImpl::ReadSetting(const char* name, std::int32_t& value) {
    TXSettings settings;
    if (!ReadSettings(settings)) {
        return false;
    }
    auto it = settings.find(name);
    if (it == settings.end() || it->second.Kind != TXSetting::TKind::Integer) {
        return false;
    }
    value = it->second.Integer;
    return true;
}

bool TX11Display::TImpl::ReadSettings(TXSettings& settings) {
    if (Dead) {
        return false;
    }
    const ::Window owner = XGetSelectionOwner(Dpy, Atoms.XSettingsSelection);
    if (owner == 0) {
        return false;
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status =
        XGetWindowProperty(Dpy, owner, Atoms.XSettingsSettings, 0, 1 << 16, False,
                           Atoms.XSettingsSettings, &type, &format, &count, &after, &data);
    if (status != Success || data == nullptr) {
        return false;
    }
    ParseXSettings(data, format == 8 ? count : 0, settings);
    XFree(data);
    return true;
}

TRect TX11Display::ScreenRect() {
    const TImpl& x = *Impl;
    if (x.Dead) {
        return TRect{};
    }
    return x.ToLogical(TRect{0, 0, DisplayWidth(x.Dpy, x.Screen), DisplayHeight(x.Dpy, x.Screen)});
}

TPoint TX11Display::PointerPosition() {
    TImpl& x = *Impl;
    if (x.Dead) {
        return TPoint{};
    }
    ::Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(x.Dpy, x.Root, &root, &child, &rx, &ry, &wx, &wy, &mask);
    return x.ToLogical(TPoint{rx, ry});
}

DWORD TX11Display::DoubleClickTime() {
    std::int32_t value = 0;
    if (Impl->ReadSetting("Net/DoubleClickTime", value) && value > 0) {
        return static_cast<DWORD>(value);
    }
    return DEFAULT_DOUBLE_CLICK_MS;
}

TPoint TX11Display::DoubleClickSize() {
    std::int32_t value = 0;
    if (Impl->ReadSetting("Net/DoubleClickDistance", value) && value > 0) {
        return TPoint{value, value};
    }
    return TPoint{DEFAULT_DOUBLE_CLICK_DISTANCE, DEFAULT_DOUBLE_CLICK_DISTANCE};
}

DWORD TX11Display::HoverTime() {
    std::int32_t value = 0;
    if (Impl->ReadSetting("Gtk/TooltipTimeout", value) && value > 0) {
        return static_cast<DWORD>(value);
    }
    return DEFAULT_HOVER_MS;
}

void TX11Display::SetCursorShape(int cursorId) {
    TImpl& x = *Impl;
    if (x.Dead || cursorId == x.CursorId) {
        return;
    }
    x.CursorId = cursorId;
    const Cursor cursor = x.CursorFor(cursorId);
    for (auto& entry : x.Surfaces) {
        XDefineCursor(x.Dpy, entry.second.Xid, cursor);
    }
    if (x.Grab != 0) {
        XChangeActivePointerGrab(x.Dpy,
                                 ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                     EnterWindowMask | LeaveWindowMask,
                                 cursor, CurrentTime);
    }
    XFlush(x.Dpy);
}

} // namespace platform
