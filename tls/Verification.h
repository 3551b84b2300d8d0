#pragma once
// The certificate policy of a TLS connection: the system's trusted authorities (OpenSSL's
// default paths, so SSL_CERT_FILE and SSL_CERT_DIR apply), the host name or IP address the
// certificate must be valid for, and the user's exception for one certificate.
//
// A certificate that fails the check is accepted only when its SHA-256 fingerprint equals the
// pinned one. A pin makes only that very certificate acceptable: any other certificate must
// pass the check on its own, so a server that changes to a properly issued certificate is
// still accepted, and one that changes to another untrusted certificate is refused.
#include "tls/CertificateProblem.h"

#include <optional>
#include <string>

// OpenSSL's SSL_CTX and SSL, declared here so users of this header need no OpenSSL headers.
struct ssl_ctx_st;
struct ssl_st;

namespace tls {

struct VerificationState {
    std::string serverName;
    std::string pinnedSha256;  // empty: no exception
    std::optional<CertificateProblem> refused;
    bool acceptedByPin = false;
};

// Sets the trusted authorities on a client context; false when OpenSSL cannot.
bool LoadTrustedAuthorities(ssl_ctx_st* context);

// Sets up the check of the server's certificate on `ssl` and the server name it sends (SNI,
// not for IP addresses). `state` must outlive `ssl`. Returns an error text, empty on success.
std::string InstallVerification(ssl_st* ssl, VerificationState* state);

}  // namespace tls
