#include "tls/Fingerprint.h"

namespace tls {
namespace {

constexpr std::size_t Sha256Digits = 64;

bool IsSeparator(char c) { return c == ':' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char LowerHex(char c)
{
    if (c >= '0' && c <= '9') return c;
    if (c >= 'a' && c <= 'f') return c;
    if (c >= 'A' && c <= 'F') return static_cast<char>(c - 'A' + 'a');
    return 0;
}

}  // namespace

std::string FormatFingerprint(const unsigned char* digest, std::size_t length)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        if (i > 0) text += ':';
        text += digits[digest[i] >> 4];
        text += digits[digest[i] & 0x0F];
    }
    return text;
}

std::string NormalizedFingerprint(std::string_view text)
{
    std::string hex;
    hex.reserve(Sha256Digits);
    for (char c : text) {
        if (IsSeparator(c)) continue;
        const char digit = LowerHex(c);
        if (!digit || hex.size() == Sha256Digits) return {};
        hex += digit;
    }
    return hex.size() == Sha256Digits ? hex : std::string();
}

bool FingerprintsMatch(std::string_view pin, std::string_view fingerprint)
{
    const std::string a = NormalizedFingerprint(pin);
    return !a.empty() && a == NormalizedFingerprint(fingerprint);
}

}  // namespace tls
