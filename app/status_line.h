// TStatusLine: what the footer beside the busy indicator says. One text shows at a time, by
// precedence: the busy text while a refresh runs; else an outcome message while one is set (a
// short word on how the last refresh went, meant to stand a few seconds); else
// "Son güncelleme HH:MM", the local time of the last refresh that brought news; else nothing.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace app {

class TStatusLine {
public:
    void SetBusy(bool On) { FBusy = On; }
    void SetOutcome(std::u16string Text) { FOutcome = std::move(Text); }
    void ClearOutcome() { FOutcome.clear(); }
    void SetLastUpdate(std::time_t When) { FLastUpdate = When; }

    bool Busy() const { return FBusy; }
    const std::optional<std::time_t>& LastUpdate() const { return FLastUpdate; }
    std::u16string Text() const;

private:
    bool FBusy = false;
    std::u16string FOutcome;
    std::optional<std::time_t> FLastUpdate;
};

// "HH:MM" of When in local time.
std::u16string LocalClockText(std::time_t When);

} // namespace app
