// Messages other programs may send to our top-level windows. A display backend that can carry
// them (x11: a client message of type ExternalMessageAtom whose first word is the message
// number, the next two its WParam and LParam) posts each one the program has allowed and
// drops every other, so another client cannot drive the window with arbitrary messages. The
// sending side on X11 is display/x11/x11_external.h.
#pragma once

#include "platform/types.h"

namespace platform {

constexpr const char* ExternalMessageAtom = "_MINIPELIKORA_MESSAGE";

// Any thread.
void AllowExternalMessage(UINT message);
bool ExternalMessageAllowed(UINT message);

} // namespace platform
