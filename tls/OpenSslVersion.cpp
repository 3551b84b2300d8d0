#include "tls/OpenSslVersion.h"

#include <openssl/crypto.h>

namespace tls {

// The library loaded at run time, which may be newer than the headers it was built with.
std::string OpenSslVersion() { return OpenSSL_version(OPENSSL_VERSION); }

}  // namespace tls
