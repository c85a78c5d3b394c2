// The numbers the widget shares with its resources and with other programs: private messages,
// menu commands, window timers, resource and string-table ids, and the window's fixed sizes.
// Every part of the main window reads them from here.
#pragma once

#include "platform/messages.h"
#include "platform/types.h"

namespace app {

using platform::HWND;
using platform::UINT;

// Messages another program may send; the widget itself never does.
constexpr UINT WM_EXTERNALRESERVED = 5938;
constexpr UINT WM_EXTERNALCLOSE = 5939;
// Posted by the program entry when the process is asked to end by a signal.
constexpr UINT WM_SIGNALEND = platform::WM_APP + 1;

using platform::ICON_BIG;
using platform::WM_SETICON;

// Menu commands.
constexpr UINT CM_ABOUT = 40000;
constexpr UINT CM_OPTIONS = 40003;
constexpr UINT CM_CLOSE = 40005;
constexpr UINT CM_UPDATE = 40007;

constexpr int StartTimerId = 1001;
constexpr int IdleTimerId = 1002;
constexpr int PollTimerId = 1003;
constexpr int ThrobberTimerId = 1005;
// One shot after a resume from sleep: the news is refreshed once the network is likely back.
constexpr int ResumeTimerId = 1006;
constexpr int ResumeRefreshDelay = 10000;
constexpr int StartInterval = 50;
constexpr int IdleInterval = 10000;
constexpr int ThrobberInterval = 20;
constexpr int DefaultPollInterval = 300000;
constexpr platform::DWORD IdleLimit = 10000;

constexpr int MainMenuId = 101;
constexpr int MainIconId = 101;

// String-table entries.
constexpr UINT TitleString = 100;
constexpr UINT AboutString = 101;
constexpr UINT LinkString = 102;
constexpr UINT CloseHintString = 103;
constexpr UINT StartupString = 104;
constexpr UINT AlwaysTopString = 105;
constexpr UINT ShowTrayString = 106;
constexpr UINT AutoScaleString = 107;
constexpr UINT TrayHintString = 108;
constexpr UINT NewVersionString = 200;
constexpr UINT BusyString = 301;

constexpr int WindowWidth = 475;
constexpr int WindowHeight = 350;
// Views slide this far per frame.
constexpr int SlideStep = 15;
constexpr int FadeStep = 4;
constexpr int FadeDelay = 1;
// Edge snapping reaches this far (exclusive) from an edge.
constexpr int SnapRange = 8;
// Smooth scaling of the settled small picture.
constexpr int InterpolationHighQualityBilinear = 6;

} // namespace app
