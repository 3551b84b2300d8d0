#pragma once
// A private Dovecot that also speaks TLS (implicit TLS on TlsPort(), STLS on Port()) with a
// certificate of the test authority, which OpenSSL trusts while this object lives.
#include "Dovecot.h"
#include "TestCertificates.h"

#include <memory>

class SecureDovecot {
public:
    TestCertificates certificates;
    Dovecot server;

    void Start()
    {
        server.EnableTls(certificates.Server().certificate, certificates.Server().key);
        trust_ = std::make_unique<TrustedAuthorityScope>(certificates.AuthorityFile());
        server.Start();
    }

private:
    std::unique_ptr<TrustedAuthorityScope> trust_;
};
