#pragma once
// Dates as mail headers write them (RFC 5322 "Thu, 8 Aug 2002 02:42:40 -0700", with the looser
// forms mailers send: no weekday, two-digit years, no seconds, zone names, a comment after).
// The filter compares a message's Date with the time its own mail server received it.
#include <cstdint>
#include <optional>
#include <string_view>

struct THeaderDate {
    int64_t utcSeconds = 0;    // seconds since 1970 in UTC, the zone applied
    int zoneMinutes = 0;       // the zone's offset east of UTC as written
    bool zoneWritten = false;  // false: no zone or one not known (taken as UTC)
};

// Empty when the text holds no day, month, year and time of day in that order.
std::optional<THeaderDate> ParseHeaderDate(std::string_view text);
