#include "app/status_line.h"

#include "app/ids.h"
#include "platform/sys/resources.h"

namespace app {

std::u16string LocalClockText(std::time_t When) {
    std::tm local{};
    if (!localtime_r(&When, &local))
        return {};
    char text[8];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string TStatusLine::Text() const {
    if (FBusy)
        return platform::LoadStr(BusyString);
    if (!FOutcome.empty())
        return FOutcome;
    if (!FLastUpdate)
        return {};
    std::u16string text = platform::LoadStr(LastUpdateString);
    if (const auto at = text.find(u"%s"); at != std::u16string::npos)
        text.replace(at, 2, LocalClockText(*FLastUpdate));
    return text;
}

} // namespace app
