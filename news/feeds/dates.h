// Dates as feeds write them (RFC 822 and its many relatives, RFC 3339), as the alarm server
// writes them (DD.MM.YYYY HH:MM:SS in the publisher's time, Europe/Istanbul), and the alarm's
// form written back in local time for the news document.
#pragma once

#include "news/feeds/item.h"

#include <optional>
#include <string>
#include <string_view>

namespace news::feeds {

// "Sat, 07 Sep 2002 00:00:01 GMT" and what feeds make of it: the weekday and seconds may be
// missing, the year may have two digits, the month may be spelt out (English, or the Turkish
// abbreviations some publishers use), parts may be joined by "-" (RFC 850), and the zone may be
// a numeric offset, UT, GMT, Z, a North American name, a military letter, a few European names,
// or missing (UTC). An unknown zone name counts as UTC.
std::optional<TUnixTime> ParseRfc822Date(std::string_view text);
// "2002-09-07T00:00:01.25+03:00": fractional seconds are dropped, a missing zone is UTC, a
// space may stand for the T, and a bare date is midnight UTC.
std::optional<TUnixTime> ParseRfc3339Date(std::string_view text);
// Either of the two, whichever the text looks like.
std::optional<TUnixTime> ParseFeedDate(std::string_view text);

// The alarm server's DD.MM.YYYY HH:MM:SS, a wall-clock time in Istanbul.
std::optional<TUnixTime> ParseAlarmDate(std::string_view text);
// A time in the alarm's own form, DD.MM.YYYY HH:MM:SS, in the process's local time zone.
std::string FormatAlarmDate(TUnixTime time);

// Seconds from 1970-01-01 00:00 UTC to the given UTC date and time; no range check.
TUnixTime UnixTimeOf(int year, int month, int day, int hour, int minute, int second);

} // namespace news::feeds
