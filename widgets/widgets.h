// widgets/ is the toolkit: controls bound to platform windows, message dispatch into handlers
// and events, layered composition, bitmaps, canvas, text, tray icon, tooltip and desktop.
#pragma once
