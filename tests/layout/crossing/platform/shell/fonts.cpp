// Allowed: fontconfig belongs to the shell, and the shell builds on the window manager.
#include "platform/wm/tray_hooks.h"

#include <fontconfig/fontconfig.h>
