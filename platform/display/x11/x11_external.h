// The sending side of external messages (sys/external_messages.h): another process finds the
// running widget's window on the X display and hands it one message number, which the widget
// posts to itself only if it allows that number.
#pragma once

#include "platform/types.h"

#include <string>

namespace platform {

// Finds the top-level window of ours titled title on the named display ($DISPLAY when empty),
// looking inside window-manager frames too, and sends it message. False with the reason in
// error when no display answers or no such window runs.
bool SendExternalMessage(const std::string& displayName, const std::string& title, UINT message,
                         std::string* error);

} // namespace platform
