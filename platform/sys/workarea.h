// The usable desktop rectangle of the primary screen, as the window thread sees it.
#pragma once

#include "platform/types.h"

#include <functional>

namespace platform {

// The work area from the installed source, or the whole 1024 x 768 screen when none is set.
TRect GetWorkArea();

// Display backends (and tests) install where the work area comes from; an empty function
// restores the default. Window thread only.
void SetWorkAreaSource(std::function<TRect()> source);

} // namespace platform
