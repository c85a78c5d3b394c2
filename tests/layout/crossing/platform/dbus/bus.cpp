// Allowed: GIO belongs to the D-Bus room, which waits with the window manager.
#include "platform/wm/service_hooks.h"

#include <gio/gio.h>
