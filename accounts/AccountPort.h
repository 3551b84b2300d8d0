#pragma once
// An account's port is stored as typed; a connection needs a TCP port number from 1 to 65535.
// The account dialog and the mail check judge the text by this one rule.
#include "platform/Security.h"

#include <cstdint>
#include <string>

// The port `text` names, read as StrToInt reads a number. Throws EConvertError: with StrToInt's
// own words for text that is no whole number, and "'70000' is not a valid port number
// (1 to 65535)" for one outside the range.
uint16_t PortNumber(const std::string& text);

bool IsValidPort(const std::string& text);

// The port field after the security mode changed from `from` to `to`: the new mode's default
// when it held the old mode's default (110 <-> 995), otherwise as typed.
std::string PortAfterSecurityChange(const std::string& port, platform::SecurityMode from, platform::SecurityMode to);
