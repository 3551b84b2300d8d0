#pragma once
// SHA-256 fingerprints of certificates, as shown to the user and stored for an account
// (registry value "certsha256"). The stored and shown form is upper-case hex pairs joined by
// colons, "3F:A0:...:9C" (95 characters), the form `openssl x509 -fingerprint -sha256`
// prints, so a user can compare it with what an administrator reads out. Comparison accepts
// either case and ignores colons and white space.
#include <cstddef>
#include <string>
#include <string_view>

namespace tls {

// "3F:A0:..." for the raw digest bytes.
std::string FormatFingerprint(const unsigned char* digest, std::size_t length);

// The 64 lower-case hex digits of a SHA-256 fingerprint text; empty when the text is not one
// (wrong length, a stray character).
std::string NormalizedFingerprint(std::string_view text);

// True when both texts are well-formed and name the same digest: a malformed or empty pin
// never matches anything.
bool FingerprintsMatch(std::string_view pin, std::string_view fingerprint);

}  // namespace tls
