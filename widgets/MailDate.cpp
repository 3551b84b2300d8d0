#include "widgets/MailDate.h"

#include "platform/Strings.h"
#include "widgets/DisplayText.h"

#include <QLocale>

#include <string_view>
#include <vector>

namespace {

using Tokens = std::vector<std::string>;

bool IsDigits(std::string_view text)
{
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

bool IsLetters(std::string_view text)
{
    if (text.empty()) return false;
    for (char c : text)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    return true;
}

int Number(std::string_view digits)
{
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

// 1 to 12 for "Jan", "January", "Sept" ...; 0 for anything else.
int MonthOf(std::string_view token)
{
    static const char* const kMonths[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                          "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
    if (token.size() < 3 || !IsLetters(token)) return 0;
    std::string upper = UpperCase(token);
    for (int m = 0; m < 12; ++m)
        if (std::string_view(kMonths[m]).substr(0, upper.size()) == upper) return m + 1;
    return 0;
}

// Blanks, commas and comments (nested, with quoted pairs) separate tokens; so does the "-" of
// "3-Jun-2024", but not the sign of a zone.
Tokens Tokenize(const std::string& raw)
{
    Tokens tokens;
    std::string current;
    auto flush = [&] {
        if (!current.empty()) tokens.push_back(current);
        current.clear();
    };
    int depth = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (depth > 0) {
            if (c == '\\') ++i;
            else if (c == '(') ++depth;
            else if (c == ')') --depth;
        } else if (c == '(') {
            flush();
            depth = 1;
        } else if (static_cast<unsigned char>(c) <= ' ' || c == ',') {
            flush();
        } else if (c == '-' && ((IsDigits(current) && i + 1 < raw.size() && MonthOf(raw.substr(i + 1, 3))) || MonthOf(current))) {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return tokens;
}

bool IsDayName(std::string_view token)
{
    static const char* const kDays[] = {"MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY", "SUNDAY"};
    if (token.size() < 3 || !IsLetters(token)) return false;
    std::string upper = UpperCase(token);
    for (const char* day : kDays)
        if (std::string_view(day).substr(0, upper.size()) == upper) return true;
    return false;
}

std::optional<int> YearOf(std::string_view token)
{
    if (!IsDigits(token) || token.size() < 2 || token.size() > 4) return std::nullopt;
    int year = Number(token);
    if (token.size() == 2) return year < 50 ? 2000 + year : 1900 + year;
    if (token.size() == 3) return 1900 + year;
    return year;
}

std::optional<QTime> TimeOf(std::string_view token)
{
    int parts[3] = {0, 0, 0};
    int count = 0;
    size_t start = 0;
    for (;;) {
        size_t colon = token.find(':', start);
        std::string_view part = token.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
        if (count == 3 || !IsDigits(part) || part.size() > 2) return std::nullopt;
        parts[count++] = Number(part);
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 60) return std::nullopt;
    return QTime(parts[0], parts[1], parts[2] == 60 ? 59 : parts[2]);  // a leap second shows as :59
}

// Seconds east of UTC.
std::optional<int> ZoneOf(std::string_view token)
{
    if (token[0] == '+' || token[0] == '-') {
        std::string digits(token.substr(1));
        if (digits.size() == 5 && digits[2] == ':') digits.erase(2, 1);
        if (digits.size() != 4 || !IsDigits(digits)) return std::nullopt;
        int hours = Number(digits.substr(0, 2)), minutes = Number(digits.substr(2));
        if (minutes > 59) return std::nullopt;
        return (token[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    }
    if (!IsLetters(token)) return std::nullopt;
    struct Named {
        const char* name;
        int hours;
    };
    static const Named kZones[] = {{"EST", -5}, {"EDT", -4}, {"CST", -6}, {"CDT", -5},
                                   {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}};
    std::string upper = UpperCase(token);
    for (const Named& zone : kZones)
        if (upper == zone.name) return zone.hours * 3600;
    return 0;  // GMT, UT, UTC, Z, and zones whose meaning is unknown
}

}  // namespace

std::optional<QDateTime> ParseMailDate(const std::string& raw)
{
    Tokens tokens = Tokenize(raw);
    size_t i = 0;
    if (i < tokens.size() && IsDayName(tokens[i])) ++i;
    if (tokens.size() - i < 4) return std::nullopt;

    std::string_view day, month, year, time;
    if (MonthOf(tokens[i])) {  // asctime: month day time year
        month = tokens[i], day = tokens[i + 1], time = tokens[i + 2], year = tokens[i + 3];
    } else {
        day = tokens[i], month = tokens[i + 1], year = tokens[i + 2], time = tokens[i + 3];
    }
    i += 4;
    if (!IsDigits(day) || day.size() > 2) return std::nullopt;
    std::optional<int> y = YearOf(year);
    std::optional<QTime> t = TimeOf(time);
    QDate date = y ? QDate(*y, MonthOf(month), Number(day)) : QDate();
    if (!date.isValid() || !t) return std::nullopt;

    int offset = 0;
    if (i < tokens.size()) {
        std::optional<int> zone = ZoneOf(tokens[i]);
        if (!zone) return std::nullopt;
        offset = *zone;
    }
    QDateTime utc = QDateTime(date, *t, Qt::UTC).addSecs(-offset);
    // Qt keeps offsets up to 14 hours; a wilder one is still the right instant, told in UTC.
    if (offset == 0 || offset < -14 * 3600 || offset > 14 * 3600) return utc;
    return utc.toOffsetFromUtc(offset);
}

QString DisplayDate(const std::string& raw)
{
    std::optional<QDateTime> date = ParseMailDate(raw);
    if (!date) return DisplayPlainText(raw);
    return DisplayTime(date->toSecsSinceEpoch());
}

QString DisplayTime(int64_t secondsSince1970)
{
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(secondsSince1970).toLocalTime(), QLocale::ShortFormat);
}
