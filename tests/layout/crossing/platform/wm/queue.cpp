// Refused: the window manager includes curl, which belongs to platform/sys/fetch.
#include <curl/curl.h>
