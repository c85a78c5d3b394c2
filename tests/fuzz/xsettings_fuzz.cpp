// The XSETTINGS blob comes from another client on the display: any bytes must parse or fail
// without reading past them.
#include "platform/display/x11/x11_settings.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::TXSettings settings;
    platform::ParseXSettings(data, size, settings);
    return 0;
}
