// Refused: GIO belongs to platform/dbus, not to the system services.
#include <gio/gio.h>
