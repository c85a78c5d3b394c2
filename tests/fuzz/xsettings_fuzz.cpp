// The XSETTINGS blob and the root window's resources come from other clients on the display: any
// bytes must parse or fail without reading past them, and the scale read from them stays within
// the supported range.
#include "fuzz_check.h"
#include "platform/display.h"
#include "platform/display/x11/x11_settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::TScaleSources sources;
    platform::ParseXSettings(data, size, sources.XSettings);
    sources.ResourceManager = std::string(reinterpret_cast<const char*>(data), size);
    const double scale = platform::DesktopScale(sources);
    fuzz::Check(scale >= platform::MinScale && scale <= platform::MaxScale, "scale out of range");
    return 0;
}
