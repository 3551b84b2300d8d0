#include "filter/HeaderDate.h"

#include <array>
#include <cctype>
#include <string>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameLetters(std::string_view word, std::string_view lowerName)
{
    if (word.size() != lowerName.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(word[i]) != lowerName[i]) return false;
    return true;
}

// 1..12 for "jan".."dec" (any case, a longer name "September" too), 0 otherwise.
int MonthOf(std::string_view word)
{
    static const std::array<std::string_view, 12> names = {"jan", "feb", "mar", "apr", "may", "jun",
                                                           "jul", "aug", "sep", "oct", "nov", "dec"};
    if (word.size() < 3) return 0;
    for (size_t m = 0; m < names.size(); ++m)
        if (SameLetters(word.substr(0, 3), names[m])) return static_cast<int>(m) + 1;
    return 0;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// A number of at most `maxDigits` digits at `at`; advances past it.
std::optional<int> Number(std::string_view s, size_t& at, size_t maxDigits)
{
    size_t start = at;
    int value = 0;
    while (at < s.size() && IsDigit(s[at]) && at - start < maxDigits) value = value * 10 + (s[at++] - '0');
    if (at == start || (at < s.size() && IsDigit(s[at]))) return std::nullopt;
    return value;
}

void SkipBlanks(std::string_view s, size_t& at)
{
    while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == ',')) ++at;
}

std::string_view Word(std::string_view s, size_t& at)
{
    size_t start = at;
    while (at < s.size() && std::isalpha(static_cast<unsigned char>(s[at]))) ++at;
    return s.substr(start, at - start);
}

// The zone names RFC 5322 keeps for old mailers, in minutes east of UTC.
std::optional<int> NamedZone(std::string_view name)
{
    struct TZone {
        std::string_view name;
        int minutes;
    };
    static const TZone zones[] = {{"ut", 0},      {"utc", 0},     {"gmt", 0},     {"z", 0},       {"est", -300},
                                  {"edt", -240},  {"cst", -360},  {"cdt", -300},  {"mst", -420},  {"mdt", -360},
                                  {"pst", -480},  {"pdt", -420}};
    for (const TZone& z : zones)
        if (SameLetters(name, z.name)) return z.minutes;
    return std::nullopt;
}

}  // namespace

std::optional<THeaderDate> ParseHeaderDate(std::string_view s)
{
    size_t at = 0;
    SkipBlanks(s, at);
    // An optional weekday: "Thu," or "Thursday".
    if (at < s.size() && std::isalpha(static_cast<unsigned char>(s[at]))) {
        size_t wordStart = at;
        std::string_view word = Word(s, at);
        if (MonthOf(word) != 0 && !SameLetters(word, "mon")) at = wordStart;  // "Sep 20 2002" style: a month first
        SkipBlanks(s, at);
    }
    int day = 0, month = 0;
    if (at < s.size() && IsDigit(s[at])) {
        std::optional<int> d = Number(s, at, 2);
        if (!d) return std::nullopt;
        day = *d;
        SkipBlanks(s, at);
        if (at < s.size() && s[at] == '-') ++at;
        month = MonthOf(Word(s, at));
    } else {
        month = MonthOf(Word(s, at));
        SkipBlanks(s, at);
        std::optional<int> d = Number(s, at, 2);
        if (!d) return std::nullopt;
        day = *d;
    }
    if (month == 0 || day < 1 || day > 31) return std::nullopt;
    SkipBlanks(s, at);
    if (at < s.size() && s[at] == '-') ++at;
    size_t yearStart = at;
    std::optional<int> year = Number(s, at, 4);
    if (!year) return std::nullopt;
    if (at - yearStart <= 2) *year += *year >= 50 ? 1900 : 2000;
    else if (at - yearStart == 3) *year += 1900;  // "102" from a year counted from 1900
    SkipBlanks(s, at);
    std::optional<int> hour = Number(s, at, 2);
    if (!hour || at >= s.size() || s[at] != ':') return std::nullopt;
    ++at;
    std::optional<int> minute = Number(s, at, 2);
    if (!minute) return std::nullopt;
    int second = 0;
    if (at < s.size() && s[at] == ':') {
        ++at;
        std::optional<int> sec = Number(s, at, 2);
        if (!sec) return std::nullopt;
        second = *sec;
    }
    if (*hour > 23 || *minute > 59 || second > 60) return std::nullopt;
    SkipBlanks(s, at);
    // "PM" after the time (seen in forged Received lines).
    if (at + 1 < s.size() && std::isalpha(static_cast<unsigned char>(s[at]))) {
        size_t wordStart = at;
        std::string_view word = Word(s, at);
        if (SameLetters(word, "pm") && *hour < 12) *hour += 12;
        else if (SameLetters(word, "am") && *hour == 12) *hour = 0;
        else if (!SameLetters(word, "am") && !SameLetters(word, "pm")) at = wordStart;
        SkipBlanks(s, at);
    }
    THeaderDate date;
    if (at < s.size() && (s[at] == '+' || s[at] == '-')) {
        int sign = s[at] == '-' ? -1 : 1;
        size_t start = ++at;
        std::optional<int> hhmm = Number(s, at, 4);
        if (hhmm && at - start == 4) {
            date.zoneMinutes = sign * ((*hhmm / 100) * 60 + *hhmm % 100);
            date.zoneWritten = true;
        }
    } else if (std::optional<int> named = NamedZone(Word(s, at))) {
        date.zoneMinutes = *named;
        date.zoneWritten = true;
    }
    int64_t days = DaysFromCivil(*year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    date.utcSeconds = days * 86400 + *hour * 3600 + *minute * 60 + second - static_cast<int64_t>(date.zoneMinutes) * 60;
    return date;
}
