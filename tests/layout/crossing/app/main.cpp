// Allowed: the program entry may include X11 headers.
#include <X11/Xlib.h>
