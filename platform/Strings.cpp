#include "Strings.h"

#include "Exception.h"

#include <charconv>
#include <limits>

namespace {
char UpperAZ(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
}  // namespace

std::string UpperCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = UpperAZ(c);
    return out;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAZ(a[i]) != UpperAZ(b[i])) return false;
    return true;
}

std::string TrimLeft(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text)
{
    size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) --n;
    return std::string(text.substr(0, n));
}

std::string Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

int32_t StrToInt(std::string_view text)
{
    auto fail = [&]() -> int32_t {
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    };
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) return fail();
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return fail();
        value = value * 10 + (c - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1) return fail();
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min())
        return fail();
    return static_cast<int32_t>(value);
}

int64_t StrToInt64(std::string_view text)
{
    int64_t value = 0;
    std::string_view digits = text.substr(!text.empty() && text.front() == '+' ? 1 : 0);
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || (digits.front() == '-' && text.front() == '+'))
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

int32_t StrToIntDef(std::string_view text, int32_t fallback)
{
    try {
        return StrToInt(text);
    } catch (const EConvertError&) {
        return fallback;
    }
}

std::string IntToStr(int64_t value) { return std::to_string(value); }
