#pragma once
// Text helpers shared by every part of the program. Text is 8-bit; letter case is folded for
// the letters a to z only, and trimming removes characters of code 32 or below.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using StringList = std::vector<std::string>;

std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Decimal text to integer with an optional sign; anything else throws EConvertError whose
// text names the bad input: "'12x' is not a valid integer value".
int32_t StrToInt(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t fallback);
// The same for 64-bit numbers (message sizes pass 2^31 on real servers).
int64_t StrToInt64(std::string_view text);
std::string IntToStr(int64_t value);
