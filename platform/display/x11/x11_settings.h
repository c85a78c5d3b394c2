// The XSETTINGS blob that desktop settings managers publish on their selection window: a few
// user preferences (double-click time and distance, tooltip delay, the font DPI that gives the
// desktop's scale) come from it when a manager runs. The parser takes untrusted bytes from
// another client and never reads past them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

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

// Where the desktop's scale is published, each absent when not found.
struct TScaleSources {
    std::optional<std::string> GdkScale;        // the GDK_SCALE environment variable
    TXSettings XSettings;                       // the settings manager's, empty without one
    std::optional<std::string> ResourceManager; // the root window's RESOURCE_MANAGER text
};

// The first source that holds a usable value wins: GDK_SCALE, then XSETTINGS Xft/DPI (in
// 1024ths of a DPI) / 96, then Xft.dpi in the resources / 96, else 1. Gdk/WindowScalingFactor
// is never used: a desktop at 200 % publishes it beside an Xft/DPI of 192 that already carries
// the factor. The result is rounded to a quarter step and held between MinScale and MaxScale.
double DesktopScale(const TScaleSources& sources);

// Xft.dpi of an X resource database's text; nullopt when it holds none that is a number.
std::optional<double> ResourceDpi(std::string_view resources);

} // namespace platform
