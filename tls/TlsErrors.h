#pragma once
// User texts for TLS failures that OpenSSL reports on its error queue.
#include <string>

namespace tls {

// Describes the failure waiting on this thread's OpenSSL error queue and empties the queue.
// `handshaking`: the connection was still being opened, which changes what the likely
// causes are (a plain-text port, an outdated server) and how they are worded.
std::string TakeTlsFailureText(bool handshaking);

// The text for a TCP connection that ended without TLS close_notify.
std::string UnexpectedEndText(bool handshaking);

}  // namespace tls
