// The clock and the screen's facts, all answered by the installed display.
#include "platform/sys/workarea.h"
#include "platform/wm/wm_internal.h"

#include <cmath>
#include <cstring>

namespace platform {

DWORD GetTickCount() {
    return static_cast<DWORD>(Display().Now());
}

void Sleep(DWORD ms) {
    Display().Sleep(ms);
}

UINT GetDoubleClickTime() {
    return Display().DoubleClickTime();
}

int GetSystemMetrics(int index) {
    auto& display = Display();
    switch (index) {
    case SM_CXSCREEN:
        return display.ScreenRect().Width();
    case SM_CYSCREEN:
        return display.ScreenRect().Height();
    case SM_CXDOUBLECLK:
        return display.DoubleClickSize().X;
    case SM_CYDOUBLECLK:
        return display.DoubleClickSize().Y;
    default:
        return 0;
    }
}

UINT GetDpiForSystem() {
    return static_cast<UINT>(std::lround(wm::State().Scale * USER_DEFAULT_SCREEN_DPI));
}

int GetRenderScale() {
    return RenderScaleFor(wm::State().Scale);
}

bool SystemParametersInfo(UINT action, UINT, void* out, UINT) {
    if (!out) {
        return false;
    }
    switch (action) {
    case SPI_GETWORKAREA: {
        const TRect area = GetWorkArea();
        std::memcpy(out, &area, sizeof area);
        return true;
    }
    case SPI_GETMOUSEHOVERTIME: {
        const UINT time = Display().HoverTime();
        std::memcpy(out, &time, sizeof time);
        return true;
    }
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT: {
        const UINT size = 4;
        std::memcpy(out, &size, sizeof size);
        return true;
    }
    default:
        return false;
    }
}

} // namespace platform
