#include "platform/display/x11/x11_settings.h"
#include "platform/display.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform {

namespace {

constexpr std::uint8_t SETTING_INTEGER = 0;
constexpr std::uint8_t SETTING_STRING = 1;
constexpr std::uint8_t SETTING_COLOR = 2;
constexpr std::uint8_t ORDER_MSB_FIRST = 1;

class TReader {
public:
    TReader(const std::uint8_t* data, std::size_t size, bool msbFirst)
        : Data(data), Size(size), MsbFirst(msbFirst) {}

    bool Skip(std::size_t n) {
        if (n > Size - Pos) {
            return false;
        }
        Pos += n;
        return true;
    }
    bool Card8(std::uint8_t& v) {
        if (Size - Pos < 1) {
            return false;
        }
        v = Data[Pos++];
        return true;
    }
    bool Card16(std::uint16_t& v) {
        if (Size - Pos < 2) {
            return false;
        }
        const std::uint8_t* p = Data + Pos;
        v = MsbFirst ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                     : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
        Pos += 2;
        return true;
    }
    bool Card32(std::uint32_t& v) {
        if (Size - Pos < 4) {
            return false;
        }
        const std::uint8_t* p = Data + Pos;
        v = MsbFirst ? (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                        std::uint32_t{p[2]} << 8 | p[3])
                     : (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                        std::uint32_t{p[1]} << 8 | p[0]);
        Pos += 4;
        return true;
    }
    // Text of n bytes followed by padding up to a multiple of four.
    bool Text(std::size_t n, std::string& out) {
        const std::size_t padded = (n + 3) & ~std::size_t{3};
        if (padded < n || padded > Size - Pos) {
            return false;
        }
        out.assign(reinterpret_cast<const char*>(Data + Pos), n);
        Pos += padded;
        return true;
    }

private:
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Pos = 0;
    bool MsbFirst;
};

} // namespace

bool ParseXSettings(const std::uint8_t* data, std::size_t size, TXSettings& out) {
    if (data == nullptr || size < 12) {
        return false;
    }
    TReader in(data, size, data[0] == ORDER_MSB_FIRST);
    std::uint32_t serial = 0, count = 0;
    if (!in.Skip(4) || !in.Card32(serial) || !in.Card32(count)) {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t type = 0, pad = 0;
        std::uint16_t nameLength = 0;
        std::uint32_t lastChange = 0;
        std::string name;
        if (!in.Card8(type) || !in.Card8(pad) || !in.Card16(nameLength) ||
            !in.Text(nameLength, name) || !in.Card32(lastChange)) {
            return false;
        }
        TXSetting setting;
        switch (type) {
        case SETTING_INTEGER: {
            std::uint32_t v = 0;
            if (!in.Card32(v)) {
                return false;
            }
            setting.Kind = TXSetting::TKind::Integer;
            setting.Integer = static_cast<std::int32_t>(v);
            break;
        }
        case SETTING_STRING: {
            std::uint32_t length = 0;
            if (!in.Card32(length) || !in.Text(length, setting.Text)) {
                return false;
            }
            setting.Kind = TXSetting::TKind::String;
            break;
        }
        case SETTING_COLOR:
            setting.Kind = TXSetting::TKind::Color;
            for (auto& c : setting.Color) {
                if (!in.Card16(c)) {
                    return false;
                }
            }
            break;
        default:
            // Without knowing the size of an unknown type nothing after it can be trusted.
            return false;
        }
        out[name] = std::move(setting);
    }
    return true;
}

namespace {

constexpr double BaseDpi = 96;

// A whole text that is a finite number above 0.
std::optional<double> PositiveNumber(std::string_view text) {
    const std::string copy(text);
    const char* begin = copy.c_str();
    while (*begin == ' ' || *begin == '\t') {
        ++begin;
    }
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin) {
        return std::nullopt;
    }
    while (*end == ' ' || *end == '\t' || *end == '\r') {
        ++end;
    }
    if (*end != '\0' || !std::isfinite(value) || value <= 0) {
        return std::nullopt;
    }
    return value;
}

double Settle(double scale) {
    return std::clamp(std::round(scale * 4) / 4, MinScale, MaxScale);
}

} // namespace

std::optional<double> ResourceDpi(std::string_view resources) {
    constexpr std::string_view key = "Xft.dpi";
    std::optional<double> found;
    while (!resources.empty()) {
        const std::size_t eol = resources.find('\n');
        std::string_view line = resources.substr(0, eol);
        resources = eol == std::string_view::npos ? std::string_view{} : resources.substr(eol + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        if (line.substr(0, key.size()) != key) {
            continue;
        }
        line.remove_prefix(key.size());
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        if (line.empty() || line.front() != ':') {
            continue;
        }
        line.remove_prefix(1);
        // As in any resource database, a later line for the same name overrides an earlier one.
        if (const auto v = PositiveNumber(line)) {
            found = v;
        }
    }
    return found;
}

double DesktopScale(const TScaleSources& sources) {
    if (sources.GdkScale) {
        if (const auto v = PositiveNumber(*sources.GdkScale)) {
            return Settle(*v);
        }
    }
    const auto dpi = sources.XSettings.find("Xft/DPI");
    if (dpi != sources.XSettings.end() && dpi->second.Kind == TXSetting::TKind::Integer &&
        dpi->second.Integer > 0) {
        return Settle(dpi->second.Integer / 1024.0 / BaseDpi);
    }
    if (sources.ResourceManager) {
        if (const auto dpi = ResourceDpi(*sources.ResourceManager)) {
            return Settle(*dpi / BaseDpi);
        }
    }
    return 1;
}

} // namespace platform
