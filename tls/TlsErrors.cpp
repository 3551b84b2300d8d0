#include "tls/TlsErrors.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace tls {
namespace {

// The first error from the TLS layer itself, else the first of all: later entries only say
// where the failure was passed on.
unsigned long TakeMainError()
{
    unsigned long first = 0, tls = 0;
    while (const unsigned long e = ERR_get_error()) {
        if (!first) first = e;
        if (!tls && ERR_GET_LIB(e) == ERR_LIB_SSL) tls = e;
    }
    return tls ? tls : first;
}

bool NotTls(int reason)
{
    switch (reason) {
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_HTTP_REQUEST:
    case SSL_R_HTTPS_PROXY_REQUEST:
    case SSL_R_PACKET_LENGTH_TOO_LONG:
    case SSL_R_UNKNOWN_PROTOCOL:
    case SSL_R_RECORD_LENGTH_MISMATCH:
    case SSL_R_WRONG_SSL_VERSION: return true;
    default: return false;
    }
}

bool OutdatedVersion(int reason)
{
    switch (reason) {
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_NO_PROTOCOLS_AVAILABLE:
    case SSL_R_VERSION_TOO_LOW:
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION: return true;
    default: return false;
    }
}

// An alert the server sent is reported with this offset to its code.
bool IsAlert(int reason) { return reason > SSL_AD_REASON_OFFSET && reason < SSL_AD_REASON_OFFSET + 256; }

}  // namespace

std::string TakeTlsFailureText(bool handshaking)
{
    const unsigned long error = TakeMainError();
    const int reason = ERR_GET_REASON(error);
    const bool fromTls = ERR_GET_LIB(error) == ERR_LIB_SSL;
    if (fromTls && reason == SSL_R_UNEXPECTED_EOF_WHILE_READING) return UnexpectedEndText(handshaking);
    if (fromTls && handshaking && NotTls(reason))
        return "The server did not answer in TLS: this port may be one for plain text or for STLS.";
    if (fromTls && OutdatedVersion(reason))
        return "The server offers only TLS versions older than 1.2, which are no longer safe.";
    if (fromTls && IsAlert(reason)) {
        const std::string alert = SSL_alert_desc_string_long(reason - SSL_AD_REASON_OFFSET);
        return (handshaking ? "The server refused the secure connection (" : "The server broke off the secure connection (") +
               alert + ").";
    }
    const char* text = error ? ERR_reason_error_string(error) : nullptr;
    return std::string("The secure connection failed: ") + (text ? text : "unknown error") + ".";
}

std::string UnexpectedEndText(bool handshaking)
{
    return handshaking ? "The server closed the connection during the secure handshake."
                       : "The server closed the secure connection unexpectedly.";
}

}  // namespace tls
