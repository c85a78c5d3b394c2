#include "platform/sys/external_messages.h"

#include <mutex>
#include <set>

namespace platform {

namespace {

std::mutex Lock;
std::set<UINT>& Allowed() {
    static std::set<UINT> allowed;
    return allowed;
}

} // namespace

void AllowExternalMessage(UINT message) {
    std::lock_guard<std::mutex> guard(Lock);
    Allowed().insert(message);
}

bool ExternalMessageAllowed(UINT message) {
    std::lock_guard<std::mutex> guard(Lock);
    return Allowed().count(message) != 0;
}

} // namespace platform
