// TWinTimer: one platform timer of one window. Its ticks arrive in the window's queue as
// WM_TIMER with the timer's id; nothing is called back.
#pragma once

#include "platform/types.h"

#include <memory>

namespace app {

class TWinTimer {
public:
    // Starts nothing.
    TWinTimer(platform::HWND Window, int TimerID, int Interval)
        : FWindow(Window), FInterval(Interval), FTimerID(TimerID) {}
    TWinTimer(const TWinTimer&) = delete;
    TWinTimer& operator=(const TWinTimer&) = delete;
    ~TWinTimer() { Stop(); }

    // Both do nothing on a window that is gone, so Enabled then keeps its value.
    void Start();
    void Stop();

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { Value ? Start() : Stop(); }

    platform::HWND Window() const { return FWindow; }
    int Interval() const { return FInterval; }
    int TimerID() const { return FTimerID; }

private:
    platform::HWND FWindow;
    int FInterval;
    int FTimerID;
    bool FEnabled = false;
};

// A timer that may already be freed (after a cancelled session end they stay gone).
inline void EnableTimer(const std::unique_ptr<TWinTimer>& Timer, bool On) {
    if (Timer)
        Timer->SetEnabled(On);
}

} // namespace app
