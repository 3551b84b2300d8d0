#include "tls/Verification.h"

#include "platform/HostLookup.h"
#include "tls/CertificateDetails.h"
#include "tls/Fingerprint.h"

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

namespace tls {
namespace {

int StateIndex()
{
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Called by OpenSSL for each certificate of the chain, with its own verdict in `ok`.
int OnVerify(int ok, X509_STORE_CTX* store)
{
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* state = ssl ? static_cast<VerificationState*>(SSL_get_ex_data(ssl, StateIndex())) : nullptr;
    if (!state) return 0;
    if (ok) return 1;
    // The exception is for the server's own certificate, whatever part of its chain failed.
    X509* leaf = X509_STORE_CTX_get0_cert(store);
    if (FingerprintsMatch(state->pinnedSha256, CertificateFingerprint(leaf))) {
        state->acceptedByPin = true;
        return 1;
    }
    if (!state->refused)
        state->refused = DescribeRefusal(X509_STORE_CTX_get_error(store), X509_STORE_CTX_get_error_depth(store), leaf,
                                         state->serverName);
    return 0;
}

}  // namespace

bool LoadTrustedAuthorities(SSL_CTX* context) { return SSL_CTX_set_default_verify_paths(context) == 1; }

std::string InstallVerification(SSL* ssl, VerificationState* state)
{
    std::string host = state->serverName;
    // A fully qualified "mail.example.com." is the same name; SNI must not carry the dot.
    if (host.size() > 1 && host.back() == '.') host.pop_back();
    // Without a name any trusted certificate would pass: refuse rather than check nothing.
    if (host.empty()) return "No server name was given to check the server's certificate against.";

    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    platform::SocketAddress address;
    if (platform::ParseNumericAddress(host, address)) {
        // An address is checked against the certificate's IP entries, and never sent as SNI.
        if (X509_VERIFY_PARAM_set1_ip_asc(param, address.ToString().c_str()) != 1)
            return "The server address " + host + " cannot be checked against a certificate.";
    } else {
        if (X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size()) != 1 ||
            SSL_set_tlsext_host_name(ssl, host.c_str()) != 1)
            return "The server name " + host + " cannot be checked against a certificate.";
    }
    if (StateIndex() < 0 || SSL_set_ex_data(ssl, StateIndex(), state) != 1)
        return "The secure connection could not be set up (out of memory).";
    SSL_set_verify(ssl, SSL_VERIFY_PEER, OnVerify);
    return {};
}

}  // namespace tls
