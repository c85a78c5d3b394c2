// The window manager's side door for services that live on the window thread beside the screen
// (the D-Bus connections in dbus/): they wait with it, and they may tell the windows that the
// machine woke from sleep. Window thread only.
#pragma once

#include "platform/display.h"

#include <cstddef>
#include <vector>

namespace platform {

class TWaitSource {
public:
    virtual ~TWaitSource() = default;
    // Before the window thread blocks: appends the descriptors to watch and returns how many real
    // milliseconds the wait may last at most (-1: no limit, 0: do not block).
    virtual int Prepare(std::vector<TWaitFd>& fds) = 0;
    // After every wait that followed a Prepare: the descriptors it appended, with Ready filled
    // in. Runs what became due; it may post messages but never waits for one.
    virtual void Dispatch(const TWaitFd* fds, std::size_t count) = 0;
};

// A source joins every wait of the window thread until it is removed.
void AddWaitSource(TWaitSource* source);
void RemoveWaitSource(TWaitSource* source);

// Posts WM_POWERBROADCAST with PBT_APMRESUMEAUTOMATIC to every top-level window, as after a
// resume from sleep. The manager does so itself when its two clocks drift apart.
void PostResumeNotice();

} // namespace platform
