#include "accounts/PasswordScramble.h"

#include "platform/Exception.h"
#include "platform/Strings.h"

namespace {
constexpr unsigned char kKey = 0x5A;
}

std::string Scramble_Password(const std::string& password)
{
    std::string out;
    out.reserve(password.size() * 4);
    for (unsigned char c : password) {
        out += IntToStr(c ^ kKey);
        out += '-';
    }
    return out;
}

std::string Unscramble_Password(const std::string& scrambled)
{
    std::string out;
    size_t pos = 0;
    while (scrambled.size() - pos > 1) {
        size_t dash = scrambled.find('-', pos);
        if (dash == std::string::npos)
            throw EConvertError("'" + scrambled.substr(pos) + "' is not a valid integer value");
        int32_t value = StrToInt(std::string_view(scrambled).substr(pos, dash - pos));
        out += static_cast<char>(static_cast<unsigned char>(value & 0xFF) ^ kKey);
        pos = dash + 1;
    }
    return out;
}
