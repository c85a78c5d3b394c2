// platform/ stands in for the operating system services the widget was written against: a
// window manager with message queue and timers, display backends (x11 for the screen,
// headless for tests), HTTP, XML and session services. Start with types.h, then
// window_manager.h (the calls) and display.h (what a screen backend provides); tests use
// headless_display.h. Nothing above this folder includes X11 or curl headers.
#pragma once

#include "platform/types.h"
