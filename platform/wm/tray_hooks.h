// The window manager's side door for the notification area, which lives in the shell above it
// (shell/tray.cpp) yet needs what only the manager sees: the display's tray input, the moments
// it checks its timers, windows dying and the display being replaced. Window thread only.
#pragma once

#include "platform/display.h"

#include <cstdint>
#include <optional>

namespace platform {

struct TTrayHooks {
    void (*Input)(const TInputEvent& event) = nullptr;    // TrayButtonDown .. TrayLeave
    void (*Check)() = nullptr;                            // before every hover check
    std::optional<std::uint64_t> (*Deadline)() = nullptr; // when Check next has work
    void (*WindowGone)(HWND hwnd) = nullptr;              // as the manager forgets the window
    void (*Reset)() = nullptr; // a new display: forget everything, without a message
};

// The tray installs these with its first icon; they stay until the process ends.
void SetTrayHooks(const TTrayHooks& hooks);

} // namespace platform
