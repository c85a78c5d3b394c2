// widgets/ is the toolkit: controls bound to platform windows, message dispatch into handlers
// and events, layered composition, bitmaps, canvas, text, tray icon, tooltip and desktop.
// Start with control.h (TControl and WidgetWndProc), then controlex.h and windowex.h for the
// painted element tree, and canvas.h for what elements draw with.
#pragma once

#include "widgets/control.h"
#include "widgets/controlex.h"
#include "widgets/windowex.h"
