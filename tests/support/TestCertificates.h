#pragma once
// Certificates for the TLS tests, made with the `openssl` command in a folder of their own
// under /tmp (removed again by the destructor). Each is made when first asked for.
//
//     TestCertificates certificates;          // tests first check REQUIRE_TOOL(TestCertificates::Binary)
//     TrustedAuthorityScope trust(certificates.AuthorityFile());
//     serve certificates.Server().certificate / .key; a client checking "127.0.0.1" accepts it
//
// All keys are EC P-256 (quick to make). Errors throw std::runtime_error with openssl's output.
#include <map>
#include <string>
#include <vector>

struct CertificateFiles {
    std::string certificate;  // PEM
    std::string key;          // PEM, unencrypted
};

class TestCertificates {
public:
    static constexpr const char* Binary = "/usr/bin/openssl";

    TestCertificates();
    ~TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    // The test authority: the one file to trust (SSL_CERT_FILE).
    const std::string& AuthorityFile();
    // Issued by the test authority for 127.0.0.1, ::1 and localhost, valid for ten years.
    const CertificateFiles& Server();
    // The same names, valid 2000 to 2001 only, and 2090 to 2091 only.
    const CertificateFiles& Expired();
    const CertificateFiles& NotYetValid();
    // Issued by the test authority for mail.example.org only.
    const CertificateFiles& OtherName();
    // For 127.0.0.1 and localhost, issued by a second authority that nobody trusts.
    const CertificateFiles& UnknownIssuer();
    // For 127.0.0.1 and localhost, signed by its own key.
    const CertificateFiles& SelfSigned();

    // The SHA-256 fingerprint as the openssl command prints it: "A7:85:...".
    std::string Fingerprint(const CertificateFiles& files);

    const std::string& Folder() const { return root_; }

private:
    enum class Issuer { Trusted, Stranger, Itself };
    const CertificateFiles& AuthorityOf(Issuer issuer);
    // `extensions` names a section of the openssl configuration; `validity` are the options
    // that set the dates.
    const CertificateFiles& Issued(const std::string& name, const std::string& subject, Issuer issuer,
                                   const std::string& extensions, const std::vector<std::string>& validity);
    // Runs openssl with `args`; its standard output is returned, a failure thrown with its errors.
    std::string Run(const std::vector<std::string>& args);

    std::string root_;
    std::map<std::string, CertificateFiles> made_;
};

// Makes OpenSSL trust exactly one authority file while it lives (SSL_CERT_FILE, and an empty
// SSL_CERT_DIR), restoring what was set before.
class TrustedAuthorityScope {
public:
    explicit TrustedAuthorityScope(const std::string& authorityFile);
    ~TrustedAuthorityScope();
    TrustedAuthorityScope(const TrustedAuthorityScope&) = delete;
    TrustedAuthorityScope& operator=(const TrustedAuthorityScope&) = delete;

private:
    std::string emptyFolder_;
    std::map<std::string, std::pair<bool, std::string>> saved_;
};
