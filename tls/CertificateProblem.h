#pragma once
// Why the server's certificate was refused, with what the user needs to decide whether to
// trust it anyway for this account (by storing its fingerprint).
#include "platform/Exception.h"

#include <string>

namespace tls {

enum class CertificateReason {
    Expired,
    NotYetValid,
    SelfSigned,     // the server's certificate vouches for itself
    UnknownIssuer,  // issued by an authority this computer does not trust
    NameMismatch,   // valid, but for other server names
    Other,
};

struct CertificateProblem {
    CertificateReason reason = CertificateReason::Other;
    std::string reasonText;   // one sentence for the user: "The certificate has expired."
    std::string serverName;   // the host the connection was made to, as configured
    // Of the server's own certificate (the one a stored fingerprint trusts), whichever
    // certificate of its chain failed:
    std::string subject;      // "CN=mail.example.com, O=Example"
    std::string issuer;
    std::string names;        // the names it is valid for: "mail.example.com, 192.0.2.7"
    std::string notBefore;    // "2024-01-31 12:00:00 UTC"
    std::string notAfter;
    std::string sha256;       // "3F:A0:...", see Fingerprint.h
};

// A connection ended because the server's certificate was not trusted; the message says why.
class ECertificateRefused : public Exception {
public:
    explicit ECertificateRefused(CertificateProblem problem)
        : Exception("The server's certificate is not trusted. " + problem.reasonText), problem_(std::move(problem))
    {
    }
    const CertificateProblem& Problem() const { return problem_; }

private:
    CertificateProblem problem_;
};

}  // namespace tls
