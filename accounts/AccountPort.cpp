#include "accounts/AccountPort.h"

#include "platform/Exception.h"
#include "platform/Strings.h"

uint16_t PortNumber(const std::string& text)
{
    int32_t number = StrToInt(text);
    if (number < 1 || number > 65535)
        throw EConvertError("'" + text + "' is not a valid port number (1 to 65535)");
    return static_cast<uint16_t>(number);
}

bool IsValidPort(const std::string& text)
{
    try {
        PortNumber(text);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

std::string PortAfterSecurityChange(const std::string& port, platform::SecurityMode from, platform::SecurityMode to)
{
    return port == IntToStr(platform::DefaultPort(from)) ? IntToStr(platform::DefaultPort(to)) : port;
}
