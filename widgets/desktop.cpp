#include "widgets/desktop.h"

#include "platform/window_manager.h"

namespace widgets {

bool TDesktop::WorkArea(platform::TRect& R) const {
    platform::TRect area;
    if (!platform::SystemParametersInfo(platform::SPI_GETWORKAREA, 0, &area, 0))
        return false;
    R = area;
    return true;
}

} // namespace widgets
