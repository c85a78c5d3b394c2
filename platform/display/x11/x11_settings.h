// The XSETTINGS blob that desktop settings managers publish on their selection window: a few
// user preferences (double-click time and distance, tooltip delay) come from it when a manager
// runs. The parser takes untrusted bytes from another client and never reads past them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace platform {

struct TXSetting {
    enum class TKind { Integer, String, Color } Kind = TKind::Integer;
    std::int32_t Integer = 0;
    std::string Text;
    std::uint16_t Color[4] = {0, 0, 0, 0}; // red, green, blue, alpha
};

using TXSettings = std::map<std::string, TXSetting>;

// False (with out left partly filled up to the bad entry) when the blob is malformed.
bool ParseXSettings(const std::uint8_t* data, std::size_t size, TXSettings& out);

} // namespace platform
