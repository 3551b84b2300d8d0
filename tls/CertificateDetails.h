#pragma once
// Reads what the user is shown about a refused certificate out of OpenSSL's structures.
#include "tls/CertificateProblem.h"

#include <openssl/types.h>
#include <string>

namespace tls {

// The SHA-256 fingerprint of the certificate's DER form, "3F:A0:..."; empty on failure.
std::string CertificateFingerprint(X509* certificate);

// The refusal for OpenSSL's verification error `error` (X509_V_ERR_...), met at `depth` in
// the chain (0: the server's own certificate), described with the details of `leaf`.
CertificateProblem DescribeRefusal(int error, int depth, X509* leaf, const std::string& serverName);

}  // namespace tls
