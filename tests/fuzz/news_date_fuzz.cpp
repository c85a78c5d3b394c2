// Every date a parser accepts lies in its year range, and written in the alarm's form it reads
// back as the same instant (within the hour a clock change repeats).
#include "fuzz_check.h"
#include "news/feeds/cache.h"
#include "news/feeds/dates.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

namespace {

using fuzz::Check;

using namespace news::feeds;

const TUnixTime Earliest = UnixTimeOf(1899, 12, 31, 0, 0, 0);
const TUnixTime Latest = UnixTimeOf(10000, 1, 2, 0, 0, 0);

void CheckTime(std::optional<TUnixTime> t) {
    if (!t)
        return;
    Check(*t >= Earliest && *t <= Latest);
    std::string written = FormatAlarmDate(*t);
    if (written.size() != 19 || written.compare(6, 4, "1900") < 0 ||
        written.compare(6, 4, "9999") >= 0)
        return;
    std::optional<TUnixTime> back = ParseAlarmDate(written);
    Check(back.has_value());
    Check(*back - *t <= 3600 && *t - *back <= 3600);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The alarm's own zone as the local one, so the round trip is exact but for clock changes.
    setenv("TZ", "Europe/Istanbul", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckTime(ParseFeedDate(text));
    CheckTime(ParseRfc822Date(text));
    CheckTime(ParseRfc3339Date(text));
    CheckTime(ParseAlarmDate(text));
    const TUnixTime now = UnixTimeOf(2025, 3, 14, 12, 0, 0);
    TUnixTime next = NextRequestTime(size % 2 ? 429 : 200, text, text, now);
    Check(next >= now && next <= now + MaxRequestDelay);
    return 0;
}
