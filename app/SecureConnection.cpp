// Connecting both POP3 clients for the account of the last check: a server certificate that
// is not trusted is shown to the user once, who may trust it for this account from now on
// (its fingerprint is stored), after which the connection is tried once more.
#include "Main.h"
#include "accounts/pop_acc.h"
#include "platform/MessageBox.h"

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

bool TMainFrm::TrustCertificate(const tls::CertificateProblem& problem)
{
    if (closing_) return false;
    platform::MessageBoxRequest question{CertificateQuestion(problem, cur_account), "Untrusted certificate",
                                         platform::MsgIcon::Warning, platform::MsgButtons::YesNo, platform::MsgResult::No};
    if (platform::ShowMessageBox(question) != platform::MsgResult::Yes) return false;
    if (windows_.Frm_Acc) windows_.Frm_Acc->StoreCertificatePin(cur_account, problem.sha256);
    POP31->CertificatePin = problem.sha256;
    VemPOP1->CertificatePin = problem.sha256;
    return true;
}

void TMainFrm::ConnectMailbox()
{
    try {
        POP31->Connect();
    } catch (const tls::ECertificateRefused& e) {
        if (!TrustCertificate(e.Problem())) throw ECertificateDeclined(e.what());
        POP31->Connect();  // once more with the pin; a second refusal is a failure like any other
    }
}

TMainFrm::TConnectOutcome TMainFrm::ConnectRetrieval()
{
    VemPOP1->Connect();
    if (!VemPOP1->LastCmdFailed()) return TConnectOutcome::Connected;
    if (VemPOP1->RefusedCertificate()) {
        if (!TrustCertificate(*VemPOP1->RefusedCertificate())) return TConnectOutcome::Told;
        VemPOP1->Connect();
        if (!VemPOP1->LastCmdFailed()) return TConnectOutcome::Connected;
    }
    if (VemPOP1->SecureConnectionRefused()) {
        if (!closing_)
            platform::ShowMessageBox({platform::kSecureConnectionRefused, platform::ApplicationTitle(),
                                      platform::MsgIcon::Warning, platform::MsgButtons::OK, platform::MsgResult::None});
        return TConnectOutcome::Told;
    }
    return TConnectOutcome::Failed;
}
