#include "SecureConnection.h"

#include "MailWindowPort.h"
#include "mailbox/Kiropop3.h"
#include "platform/MessageBox.h"
#include "retrieval/VemPOP3.h"

namespace {

std::string OrNone(const std::string& text) { return text.empty() ? "(none)" : text; }

}  // namespace

std::string CertificateQuestion(const tls::CertificateProblem& p, const std::string& account)
{
    return "The certificate of the mail server " + p.serverName + " is not trusted: " + p.reasonText + "\n\n" +
           "Certificate for: " + OrNone(p.subject) + "\n" + "Valid for: " + OrNone(p.names) + "\n" +
           "Issued by: " + OrNone(p.issuer) + "\n" + "Valid from " + p.notBefore + " to " + p.notAfter + "\n" +
           "SHA-256 fingerprint: " + p.sha256 + "\n\n" + "Do you want to trust this certificate for the account \"" +
           account + "\" from now on? Say Yes only if you know it is your server's own certificate.";
}

bool TSecureConnection::TrustCertificate(const tls::CertificateProblem& problem)
{
    if (window_.Closing()) return false;
    const std::string account = window_.AccountInUse();
    platform::MessageBoxRequest question{CertificateQuestion(problem, account), "Untrusted certificate",
                                         platform::MsgIcon::Warning, platform::MsgButtons::YesNo, platform::MsgResult::No};
    if (platform::ShowMessageBox(question) != platform::MsgResult::Yes) return false;
    window_.StoreCertificatePin(account, problem.sha256);
    mailbox_.CertificatePin = problem.sha256;
    retrieval_.CertificatePin = problem.sha256;
    return true;
}

void TSecureConnection::ConnectMailbox()
{
    try {
        mailbox_.Connect();
    } catch (const tls::ECertificateRefused& e) {
        if (!TrustCertificate(e.Problem())) throw ECertificateDeclined(e.what());
        mailbox_.Connect();  // once more with the pin; a second refusal is a failure like any other
    }
}

TSecureConnection::TConnectOutcome TSecureConnection::ConnectRetrieval()
{
    retrieval_.Connect();
    if (!retrieval_.LastCmdFailed()) return TConnectOutcome::Connected;
    if (retrieval_.RefusedCertificate()) {
        if (!TrustCertificate(*retrieval_.RefusedCertificate())) return TConnectOutcome::Told;
        retrieval_.Connect();
        if (!retrieval_.LastCmdFailed()) return TConnectOutcome::Connected;
    }
    if (retrieval_.SecureConnectionRefused()) {
        if (!window_.Closing())
            platform::ShowMessageBox({platform::kSecureConnectionRefused, platform::ApplicationTitle(),
                                      platform::MsgIcon::Warning, platform::MsgButtons::OK, platform::MsgResult::None});
        return TConnectOutcome::Told;
    }
    return TConnectOutcome::Failed;
}
