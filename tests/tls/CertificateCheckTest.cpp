// The server's certificate against the trusted authority, the server name, and the user's pin.
#include "TlsTestDriver.h"

#include <cctype>

namespace {

using tls::CertificateReason;
using Act = TlsTestPeer::Act;

class CertificateCheck : public TlsClientTest {};

// "2024-01-31 12:00:00 UTC", matched by hand: g++ 12 warns inside std::regex under the sanitizers.
bool IsUtcTime(const std::string& text)
{
    const std::string shape = "dddd-dd-dd dd:dd:dd UTC";
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != shape[i]) return false;
    return true;
}

}  // namespace

TEST_F(CertificateCheck, AcceptsATrustedCertificateForEachNameItIsIssuedFor)
{
    struct Case {
        std::string host;
        std::string sentName;  // SNI: names only, never addresses
    };
    for (const Case& c : std::vector<Case>{{"127.0.0.1", ""},
                                           {"::1", ""},
                                           {"[::1]", ""},
                                           {"localhost", "localhost"},
                                           {"LocalHost", "LocalHost"},
                                           {"localhost.", "localhost"}}) {
        SCOPED_TRACE(c.host);
        const IoResult result = Open(Serving(Certificates().Server(), Act::ServeThenCloseNotify), {c.host, ""});
        ASSERT_EQ(result.status, IoStatus::Done) << result.message;
        EXPECT_FALSE(tls_->RefusedCertificate());
        EXPECT_FALSE(tls_->AcceptedByPin());
        EXPECT_EQ(tls_->Description(), "TLS 1.3");
        LineReader reader(*tls_);
        EXPECT_EQ(reader.ReadLine(), "+OK TLS test peer ready\r\n");
        tls_.reset();
        connection_.reset();
        const TlsTestPeer::Outcome peer = peer_->Finish();
        EXPECT_TRUE(peer.handshook) << peer.error;
        EXPECT_EQ(peer.serverName, c.sentName);
    }
}

TEST_F(CertificateCheck, RefusesAnUntrustedCertificateWithItsReasonAndDetails)
{
    TestCertificates& made = Certificates();
    struct Case {
        const char* what;
        const CertificateFiles& files;
        std::string host;
        CertificateReason reason;
        std::string inText;
    };
    const std::vector<Case> cases = {
        {"expired", made.Expired(), "127.0.0.1", CertificateReason::Expired, "has expired"},
        {"not yet valid", made.NotYetValid(), "localhost", CertificateReason::NotYetValid, "not valid yet"},
        {"for another name", made.OtherName(), "127.0.0.1", CertificateReason::NameMismatch, "not for 127.0.0.1"},
        {"other address", made.Server(), "127.0.0.2", CertificateReason::NameMismatch, "not for 127.0.0.2"},
        {"other host name", made.Server(), "mail.example.org", CertificateReason::NameMismatch, "mail.example.org"},
        {"partial wildcard", made.Server(), "xlocalhost", CertificateReason::NameMismatch, "xlocalhost"},
        {"unknown authority", made.UnknownIssuer(), "127.0.0.1", CertificateReason::UnknownIssuer, "does not know"},
        {"self-signed", made.SelfSigned(), "127.0.0.1", CertificateReason::SelfSigned, "self-signed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const IoResult result = Open(Serving(c.files), {c.host, ""});
        ASSERT_EQ(result.status, IoStatus::Failed);
        ASSERT_TRUE(tls_->RefusedCertificate());
        const tls::CertificateProblem& problem = *tls_->RefusedCertificate();
        EXPECT_EQ(problem.reason, c.reason);
        EXPECT_NE(problem.reasonText.find(c.inText), std::string::npos) << problem.reasonText;
        EXPECT_EQ(result.message, "The server's certificate is not trusted. " + problem.reasonText);
        EXPECT_EQ(result.error, 0);
        EXPECT_EQ(problem.serverName, c.host);
        EXPECT_EQ(problem.sha256, made.Fingerprint(c.files));
        EXPECT_NE(problem.subject.find("CN="), std::string::npos) << problem.subject;
        EXPECT_NE(problem.issuer.find("CN="), std::string::npos) << problem.issuer;
        EXPECT_TRUE(IsUtcTime(problem.notBefore)) << problem.notBefore;
        EXPECT_TRUE(IsUtcTime(problem.notAfter)) << problem.notAfter;
        EXPECT_EQ(tls_->Description(), "");
        // A broken transport stays broken, whatever is asked of it next.
        char byte;
        EXPECT_EQ(tls_->Receive(&byte, 1).message, result.message);
        EXPECT_EQ(tls_->Send("x", 1).message, result.message);
        EXPECT_EQ(tls_->Handshake().status, IoStatus::Failed);
        tls_->Shutdown();
    }
}

TEST_F(CertificateCheck, DetailsNameTheCertificateAsIssued)
{
    ASSERT_EQ(Open(Serving(Certificates().Expired()), {"localhost", ""}).status, IoStatus::Failed);
    ASSERT_TRUE(tls_->RefusedCertificate());
    const tls::CertificateProblem& expired = *tls_->RefusedCertificate();
    EXPECT_EQ(expired.subject, "CN=localhost, O=Quillbox Tests");
    EXPECT_EQ(expired.issuer, "CN=Quillbox Test Authority, O=Quillbox Tests");
    EXPECT_EQ(expired.names, "localhost, 127.0.0.1, ::1");
    EXPECT_EQ(expired.notBefore, "2000-01-01 00:00:00 UTC");
    EXPECT_EQ(expired.notAfter, "2001-01-01 00:00:00 UTC");

    ASSERT_EQ(Open(Serving(Certificates().SelfSigned()), {"127.0.0.1", ""}).status, IoStatus::Failed);
    ASSERT_TRUE(tls_->RefusedCertificate());
    EXPECT_EQ(tls_->RefusedCertificate()->subject, tls_->RefusedCertificate()->issuer);
}

TEST_F(CertificateCheck, APinTrustsThatOneCertificateAndNoOther)
{
    TestCertificates& made = Certificates();
    const std::string selfSignedPin = made.Fingerprint(made.SelfSigned());
    std::string lowerPlain;
    for (char c : selfSignedPin)
        if (c != ':') lowerPlain += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    struct Case {
        const char* what;
        const CertificateFiles& files;
        std::string host;
        std::string pin;
        bool accepted;
        bool byPin;
    };
    const std::vector<Case> cases = {
        {"the pinned certificate", made.SelfSigned(), "127.0.0.1", selfSignedPin, true, true},
        {"pin written in lower case, no colons", made.SelfSigned(), "localhost", lowerPlain, true, true},
        {"pin covers a name mismatch", made.OtherName(), "127.0.0.1", made.Fingerprint(made.OtherName()), true, true},
        {"another untrusted certificate, old pin", made.Expired(), "127.0.0.1", selfSignedPin, false, false},
        {"an unknown authority's certificate, old pin", made.UnknownIssuer(), "127.0.0.1", selfSignedPin, false, false},
        {"a trusted certificate needs no pin", made.Server(), "127.0.0.1", selfSignedPin, true, false},
        {"a pin cut short matches nothing", made.SelfSigned(), "127.0.0.1", lowerPlain.substr(1), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const IoResult result = Open(Serving(c.files), {c.host, c.pin});
        EXPECT_EQ(result.status, c.accepted ? IoStatus::Done : IoStatus::Failed) << result.message;
        EXPECT_EQ(tls_->AcceptedByPin(), c.byPin);
        EXPECT_EQ(tls_->RefusedCertificate().has_value(), !c.accepted);
    }
}

TEST_F(CertificateCheck, WithoutAServerNameNoCertificateIsTrusted)
{
    const IoResult result = Open(Serving(Certificates().Server()), {"", ""});
    EXPECT_EQ(result.status, IoStatus::Failed);
    EXPECT_EQ(result.message, "No server name was given to check the server's certificate against.");
    tls_.reset();
    connection_.reset();
    EXPECT_FALSE(peer_->Finish().handshook);
}
