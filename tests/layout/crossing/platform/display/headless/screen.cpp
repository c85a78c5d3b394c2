// Refused: a screen backend reaches into the window manager's room.
#include "platform/wm/wm_internal.h"
