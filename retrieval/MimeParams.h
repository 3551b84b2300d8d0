#pragma once
// Parameters of structured MIME header values such as Content-Type
// ("text/plain; charset=\"utf-8\"; format=flowed").
#include <string>
#include <string_view>

// The value of the named parameter (any letter case) after the first ";", unquoted, with
// backslash escapes inside quotes resolved; empty when the parameter is missing. A comment
// after an unquoted value ("us-ascii (plain text)") is not part of it.
std::string ParameterOf(std::string_view headerValue, std::string_view name);

// The charset parameter of a Content-Type value, as written (letter case kept); empty when
// there is none.
std::string CharsetOf(const std::string& contentTypeValue);
