// Refused: the window manager includes curl, which belongs to platform/sys.
#include <curl/curl.h>
