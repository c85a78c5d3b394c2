#include "app/wintimer.h"

#include "platform/window_manager.h"

namespace app {

void TWinTimer::Start() {
    if (FEnabled || !platform::IsWindow(FWindow))
        return;
    platform::SetTimer(FWindow, static_cast<platform::UINT>(FTimerID),
                       static_cast<platform::UINT>(FInterval));
    FEnabled = true;
}

void TWinTimer::Stop() {
    if (!FEnabled || !platform::IsWindow(FWindow))
        return;
    platform::KillTimer(FWindow, static_cast<platform::UINT>(FTimerID));
    FEnabled = false;
}

} // namespace app
