#pragma once
#include <string>

namespace tls {

// The OpenSSL release in use, for the About box ("OpenSSL 3.0.19 27 Jan 2026").
std::string OpenSslVersion();

}  // namespace tls
