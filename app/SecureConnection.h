#pragma once
// Connecting both POP3 clients for the account in use: a server certificate that is not trusted
// is shown to the user once, who may trust it for this account from now on (its fingerprint is
// stored), after which the connection is tried once more.
#include "platform/Exception.h"
#include "tls/CertificateProblem.h"

#include <string>

class TKiroPOP3;
class TMailWindowPort;
class TVemPOP;

// The user chose not to trust a server's certificate: the operation ends without another word.
class ECertificateDeclined : public Exception {
public:
    using Exception::Exception;
};

// The question shown for a certificate that is not trusted.
std::string CertificateQuestion(const tls::CertificateProblem& problem, const std::string& account);

class TSecureConnection {
public:
    TSecureConnection(TMailWindowPort& window, TKiroPOP3& mailbox, TVemPOP& retrieval)
        : window_(window), mailbox_(mailbox), retrieval_(retrieval)
    {
    }

    // Asks whether to trust the certificate for the account; Yes stores its fingerprint.
    bool TrustCertificate(const tls::CertificateProblem& problem);
    // Connects the mailbox client, asking about an untrusted certificate (ECertificateDeclined
    // after No); raises what Connect raises.
    void ConnectMailbox();
    enum class TConnectOutcome { Connected, Failed, Told };
    // Connects the retrieval client the same way; Told: the user has been told or asked already.
    TConnectOutcome ConnectRetrieval();

private:
    TMailWindowPort& window_;
    TKiroPOP3& mailbox_;
    TVemPOP& retrieval_;
};
