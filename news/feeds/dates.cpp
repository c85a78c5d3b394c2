#include "news/feeds/dates.h"

#include <unicode/ucal.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace news::feeds {

namespace {

constexpr int MinYear = 1900;
constexpr int MaxYear = 9999;
constexpr std::size_t MaxDateText = 128;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           static_cast<unsigned char>(c) >= 0x80;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = Lower(c);
    return out;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : Days[month - 1];
}

struct TFields {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
    int OffsetSeconds = 0;
};

// Range-checks the fields and gives the UTC time. A leap second counts as the second before.
std::optional<TUnixTime> Checked(const TFields& f) {
    if (f.Year < MinYear || f.Year > MaxYear || f.Month < 1 || f.Month > 12 || f.Day < 1 ||
        f.Day > DaysInMonth(f.Year, f.Month) || f.Hour < 0 || f.Hour > 23 || f.Minute < 0 ||
        f.Minute > 59 || f.Second < 0 || f.Second > 60)
        return std::nullopt;
    int second = f.Second == 60 ? 59 : f.Second;
    return UnixTimeOf(f.Year, f.Month, f.Day, f.Hour, f.Minute, second) - f.OffsetSeconds;
}

// Reads 1 to maxDigits digits at pos; -1 when there is none.
int Number(std::string_view s, std::size_t& pos, std::size_t maxDigits,
           std::size_t* count = nullptr) {
    std::size_t start = pos;
    int value = 0;
    while (pos < s.size() && IsDigit(s[pos]) && pos - start < maxDigits)
        value = value * 10 + (s[pos++] - '0');
    if (count)
        *count = pos - start;
    return pos == start ? -1 : value;
}

int MonthNumber(std::string_view word) {
    static constexpr std::string_view English[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    // The abbreviations of Turkish month names, as some publishers write them.
    static constexpr std::string_view Turkish[] = {"oca",
                                                   "\xC5\x9F"
                                                   "ub",
                                                   "mar",
                                                   "nis",
                                                   "may",
                                                   "haz",
                                                   "tem",
                                                   "a\xC4\x9F"
                                                   "u",
                                                   "eyl",
                                                   "eki",
                                                   "kas",
                                                   "ara"};
    std::string w = LowerAscii(word);
    // "Şub" starts with a capital Ş, whose lower case is another pair of bytes.
    if (w.compare(0, 2, "\xC5\x9E") == 0)
        w.replace(0, 2, "\xC5\x9F");
    for (int i = 0; i < 12; ++i) {
        for (std::string_view name : {English[i], Turkish[i]}) {
            if (w.compare(0, name.size(), name) != 0)
                continue;
            // Beyond the abbreviation only letters may follow ("March", "Ocak", "Sept").
            bool letters = true;
            for (std::size_t k = name.size(); k < w.size(); ++k)
                letters = letters && IsAlpha(w[k]);
            if (letters)
                return i + 1;
        }
    }
    return 0;
}

// Offset in seconds east of UTC for a zone name; nullopt for a name we do not know.
std::optional<int> NamedZone(std::string_view name) {
    struct TZone {
        std::string_view Name;
        int Hours;
    };
    static constexpr TZone Zones[] = {
        {"ut", 0},   {"utc", 0},  {"gmt", 0},  {"z", 0},    {"est", -5}, {"edt", -4}, {"cst", -6},
        {"cdt", -5}, {"mst", -7}, {"mdt", -6}, {"pst", -8}, {"pdt", -7}, {"wet", 0},  {"bst", 1},
        {"cet", 1},  {"cest", 2}, {"eet", 2},  {"eest", 3}, {"trt", 3},  {"msk", 3},
    };
    std::string n = LowerAscii(name);
    for (const TZone& z : Zones)
        if (n == z.Name)
            return z.Hours * 3600;
    // Military letters: A to I are one to nine hours east, K to M ten to twelve, N to Y one to
    // twelve hours west; J is not a zone.
    if (n.size() == 1 && n[0] >= 'a' && n[0] <= 'y' && n[0] != 'j') {
        char c = n[0];
        if (c <= 'i')
            return (c - 'a' + 1) * 3600;
        if (c <= 'm')
            return (c - 'k' + 10) * 3600;
        return -(c - 'n' + 1) * 3600;
    }
    return std::nullopt;
}

// "+0300", "-05:00", "+03"; nullopt when the text is not an offset.
std::optional<int> NumericZone(std::string_view z) {
    if (z.size() < 3 || (z[0] != '+' && z[0] != '-'))
        return std::nullopt;
    std::size_t pos = 1, count = 0;
    int hours = Number(z, pos, 2, &count);
    if (count != 2)
        return std::nullopt;
    int minutes = 0;
    if (pos < z.size() && z[pos] == ':')
        ++pos;
    if (pos < z.size()) {
        minutes = Number(z, pos, 2, &count);
        if (count != 2)
            return std::nullopt;
    }
    if (pos != z.size() || hours > 23 || minutes > 59)
        return std::nullopt;
    int seconds = hours * 3600 + minutes * 60;
    return z[0] == '-' ? -seconds : seconds;
}

// Splits at spaces and commas. "06-Nov-94" (RFC 850) becomes three tokens, and a zone glued to
// the time ("12:00:00+0300") a token of its own.
std::vector<std::string_view> Tokens(std::string_view s) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < s.size() && words.size() < 16) {
        if (IsSpace(s[i]) || s[i] == ',') {
            ++i;
            continue;
        }
        std::size_t start = i;
        while (i < s.size() && !IsSpace(s[i]) && s[i] != ',')
            ++i;
        words.push_back(s.substr(start, i - start));
    }
    std::vector<std::string_view> out;
    for (std::string_view w : words) {
        if (IsDigit(w.front()) && w.find(':') != std::string_view::npos) {
            std::size_t sign = w.find_first_of("+-Zz");
            out.push_back(w.substr(0, sign));
            if (sign != std::string_view::npos)
                out.push_back(w.substr(sign));
        } else if (IsDigit(w.front()) && w.find('-') != std::string_view::npos) {
            while (!w.empty()) {
                std::size_t dash = w.find('-');
                out.push_back(w.substr(0, dash));
                w = dash == std::string_view::npos ? std::string_view() : w.substr(dash + 1);
            }
        } else {
            out.push_back(w);
        }
    }
    return out;
}

bool AllDigits(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (!IsDigit(c))
            return false;
    return true;
}

bool AllAlpha(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (!IsAlpha(c))
            return false;
    return true;
}

int FullYear(std::string_view digits) {
    int year = 0;
    for (char c : digits)
        year = year * 10 + (c - '0');
    // Two digits: 00-49 are this century, 50-99 the last; three digits count from 1900.
    if (digits.size() == 2)
        return year < 50 ? 2000 + year : 1900 + year;
    if (digits.size() == 3)
        return 1900 + year;
    return year;
}

// "HH:MM" or "HH:MM:SS", optionally with a fraction after the seconds.
bool ParseClock(std::string_view t, TFields& f) {
    std::size_t pos = 0, count = 0;
    f.Hour = Number(t, pos, 2, &count);
    if (count == 0 || pos >= t.size() || t[pos] != ':')
        return false;
    ++pos;
    f.Minute = Number(t, pos, 2, &count);
    if (count != 2)
        return false;
    f.Second = 0;
    if (pos < t.size() && t[pos] == ':') {
        ++pos;
        f.Second = Number(t, pos, 2, &count);
        if (count != 2)
            return false;
        if (pos < t.size() && t[pos] == '.') {
            ++pos;
            while (pos < t.size() && IsDigit(t[pos]))
                ++pos;
        }
    }
    return pos == t.size();
}

bool IsClock(std::string_view t) {
    return t.find(':') != std::string_view::npos && !t.empty() && IsDigit(t[0]);
}

// The zone tokens after the time: nothing, one name or offset, or a name with an offset in
// parentheses ("+0300 (TRT)"), where the numeric part wins.
std::optional<int> Zone(const std::vector<std::string_view>& tokens, std::size_t from) {
    if (from >= tokens.size())
        return 0;
    std::string_view z = tokens[from];
    if (z.empty())
        return std::nullopt;
    if (auto numeric = NumericZone(z))
        return numeric;
    // "GMT+3", "UTC+03:00"
    for (std::string_view prefix : {"gmt", "utc", "ut"}) {
        if (z.size() > prefix.size() && LowerAscii(z.substr(0, prefix.size())) == prefix &&
            (z[prefix.size()] == '+' || z[prefix.size()] == '-')) {
            std::string_view offset = z.substr(prefix.size());
            if (auto numeric = NumericZone(offset))
                return numeric;
            std::size_t pos = 1, count = 0;
            int hours = Number(offset, pos, 2, &count);
            if (count > 0 && pos == offset.size() && hours <= 23)
                return offset[0] == '-' ? -hours * 3600 : hours * 3600;
            return std::nullopt;
        }
    }
    if (z.front() == '(')
        return 0;
    if (!AllAlpha(z))
        return std::nullopt;
    return NamedZone(z).value_or(0);
}

} // namespace

TUnixTime UnixTimeOf(int year, int month, int day, int hour, int minute, int second) {
    // Days from the civil date (proleptic Gregorian), counted from 1970-01-01.
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t mp = (month + 9) % 12;
    std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    std::int64_t days = era * 146097 + doe - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::optional<TUnixTime> ParseRfc822Date(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.size() > MaxDateText)
        return std::nullopt;
    std::vector<std::string_view> t = Tokens(text);
    std::size_t i = 0;
    // A weekday, in whatever language, is skipped: it adds nothing to the date.
    if (i < t.size() && AllAlpha(t[i]) && !MonthNumber(t[i]))
        ++i;
    TFields f;
    std::size_t zoneAt = 0;
    if (i + 2 < t.size() && AllDigits(t[i]) && t[i].size() <= 2 && MonthNumber(t[i + 1]) &&
        AllDigits(t[i + 2])) {
        // day month year [time] [zone]
        f.Day = std::stoi(std::string(t[i]));
        f.Month = MonthNumber(t[i + 1]);
        if (t[i + 2].size() < 2 || t[i + 2].size() > 4)
            return std::nullopt;
        f.Year = FullYear(t[i + 2]);
        i += 3;
        if (i < t.size() && IsClock(t[i])) {
            if (!ParseClock(t[i], f))
                return std::nullopt;
            ++i;
        }
        zoneAt = i;
    } else if (i + 3 < t.size() && MonthNumber(t[i]) && AllDigits(t[i + 1]) &&
               t[i + 1].size() <= 2 && IsClock(t[i + 2]) && AllDigits(t[i + 3]) &&
               t[i + 3].size() == 4) {
        // asctime: month day time year
        f.Month = MonthNumber(t[i]);
        f.Day = std::stoi(std::string(t[i + 1]));
        if (!ParseClock(t[i + 2], f))
            return std::nullopt;
        f.Year = FullYear(t[i + 3]);
        zoneAt = i + 4;
    } else {
        return std::nullopt;
    }
    std::optional<int> zone = Zone(t, zoneAt);
    if (!zone)
        return std::nullopt;
    f.OffsetSeconds = *zone;
    return Checked(f);
}

std::optional<TUnixTime> ParseRfc3339Date(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.size() > MaxDateText)
        return std::nullopt;
    TFields f;
    std::size_t pos = 0, count = 0;
    f.Year = Number(text, pos, 4, &count);
    if (count != 4 || pos >= text.size() || text[pos] != '-')
        return std::nullopt;
    ++pos;
    f.Month = Number(text, pos, 2, &count);
    if (count != 2 || pos >= text.size() || text[pos] != '-')
        return std::nullopt;
    ++pos;
    f.Day = Number(text, pos, 2, &count);
    if (count != 2)
        return std::nullopt;
    if (pos == text.size())
        return Checked(f);
    if (text[pos] != 'T' && text[pos] != 't' && text[pos] != ' ')
        return std::nullopt;
    ++pos;
    std::size_t clockEnd = pos;
    while (clockEnd < text.size() && (IsDigit(text[clockEnd]) || text[clockEnd] == ':' ||
                                      text[clockEnd] == '.' || text[clockEnd] == ','))
        ++clockEnd;
    std::string clock(text.substr(pos, clockEnd - pos));
    if (auto comma = clock.find(','); comma != std::string::npos)
        clock[comma] = '.';
    if (!ParseClock(clock, f))
        return std::nullopt;
    std::string_view zone = Trim(text.substr(clockEnd));
    if (zone.empty() || zone == "Z" || zone == "z") {
        f.OffsetSeconds = 0;
    } else if (auto numeric = NumericZone(zone)) {
        f.OffsetSeconds = *numeric;
    } else {
        return std::nullopt;
    }
    return Checked(f);
}

std::optional<TUnixTime> ParseFeedDate(std::string_view text) {
    std::string_view t = Trim(text);
    if (t.size() >= 5 && IsDigit(t[0]) && IsDigit(t[1]) && IsDigit(t[2]) && IsDigit(t[3]) &&
        t[4] == '-')
        return ParseRfc3339Date(t);
    return ParseRfc822Date(t);
}

std::optional<TUnixTime> ParseAlarmDate(std::string_view text) {
    text = Trim(text);
    TFields f;
    std::size_t pos = 0, count = 0;
    auto field = [&](int& value, std::size_t digits, char after) {
        value = Number(text, pos, digits, &count);
        if (count != digits)
            return false;
        if (after == '\0')
            return pos == text.size();
        if (pos >= text.size() || text[pos] != after)
            return false;
        ++pos;
        return true;
    };
    if (!field(f.Day, 2, '.') || !field(f.Month, 2, '.') || !field(f.Year, 4, ' ') ||
        !field(f.Hour, 2, ':') || !field(f.Minute, 2, ':') || !field(f.Second, 2, '\0'))
        return std::nullopt;
    // Validate as UTC first; the zone only moves the instant.
    if (!Checked(f))
        return std::nullopt;

    // The publisher's wall clock is Istanbul's, whatever zone this process runs in.
    static constexpr UChar Zone[] = u"Europe/Istanbul";
    UErrorCode status = U_ZERO_ERROR;
    struct TCalendarCloser {
        void operator()(UCalendar* c) const { ucal_close(c); }
    };
    std::unique_ptr<UCalendar, TCalendarCloser> cal(
        ucal_open(Zone, -1, "en_US_POSIX", UCAL_GREGORIAN, &status));
    if (U_FAILURE(status))
        return std::nullopt;
    ucal_clear(cal.get());
    ucal_setDateTime(cal.get(), f.Year, f.Month - 1, f.Day, f.Hour, f.Minute,
                     f.Second == 60 ? 59 : f.Second, &status);
    UDate millis = ucal_getMillis(cal.get(), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    return static_cast<TUnixTime>(millis / 1000.0);
}

std::string FormatAlarmDate(TUnixTime time) {
    std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec);
    return text;
}

} // namespace news::feeds
