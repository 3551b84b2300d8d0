#pragma once
// The Date header of a message, read as real mail writes it and shown in the user's time zone.
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

// An RFC 5322 date with the obsolete forms still in use: optional day name, one- or two-digit
// day, month names (also written out), two-, three- or four-digit years, seconds optional,
// "+hhmm" (or "+hh:mm") zones, GMT/UT/UTC and the North American zone names, comments such as
// "(CET)", extra blanks, and the asctime order "Mon Jun  3 10:15:00 2024". The result keeps the
// written offset. Military and other zone letters, and a missing zone, count as UTC, as
// RFC 5322 advises (their meaning is unknown). Nothing when it is not a date.
std::optional<QDateTime> ParseMailDate(const std::string& raw);

// The date in the local time zone in the locale's short format; the raw text, trimmed and shown
// as it stands, when it does not parse.
QString DisplayDate(const std::string& raw);
// A time as DisplayDate shows a date.
QString DisplayTime(int64_t secondsSince1970);
