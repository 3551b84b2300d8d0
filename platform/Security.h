#pragma once
// How a connection to a mail server is protected. Stored per account as the registry value
// "security" in the words below; a missing value is plain text, as accounts made before secure
// connections existed expect.
#include <string>

namespace platform {

enum class SecurityMode {
    None,      // plain text, port 110
    Tls,       // TLS from the first byte (RFC 8314), port 995
    StartTls,  // plain connect, STLS after the greeting (RFC 2595), port 110
};

inline std::string SecurityWord(SecurityMode mode)
{
    switch (mode) {
    case SecurityMode::Tls: return "tls";
    case SecurityMode::StartTls: return "starttls";
    case SecurityMode::None: break;
    }
    return "none";
}

// Letter case does not matter. A word that is none of the three (a hand edit: "ssl", "TLS 1.3")
// reads as TLS: a password must not go out in plain text by a typing mistake.
inline SecurityMode SecurityFromWord(const std::string& word)
{
    std::string lower;
    for (char c : word) lower.push_back(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
    if (lower.empty() || lower == "none") return SecurityMode::None;
    if (lower == "starttls") return SecurityMode::StartTls;
    return SecurityMode::Tls;
}

// What the user is told when the server will not switch to TLS: nothing more is sent then.
inline const char* const kSecureConnectionRefused = "This server does not offer a secure connection (STLS).";

// The port a mode uses unless the account says otherwise.
inline int DefaultPort(SecurityMode mode) { return mode == SecurityMode::Tls ? 995 : 110; }

}  // namespace platform
