// Refused: a layer above platform/ includes an X11 header.
#include <X11/Xlib.h>
