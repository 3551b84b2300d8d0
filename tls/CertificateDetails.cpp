#include "tls/CertificateDetails.h"
#include "tls/Fingerprint.h"

#include <arpa/inet.h>
#include <ctime>
#include <memory>
#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace tls {
namespace {

CertificateReason ReasonFor(int error)
{
    switch (error) {
    case X509_V_ERR_CERT_HAS_EXPIRED: return CertificateReason::Expired;
    case X509_V_ERR_CERT_NOT_YET_VALID: return CertificateReason::NotYetValid;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT: return CertificateReason::SelfSigned;
    // A chain that ends in an authority of the server's own making is just as unknown.
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED: return CertificateReason::UnknownIssuer;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return CertificateReason::NameMismatch;
    default: return CertificateReason::Other;
    }
}

std::string ReasonText(CertificateReason reason, int error, int depth, const std::string& serverName)
{
    const bool own = depth == 0;
    switch (reason) {
    case CertificateReason::Expired:
        return own ? "The certificate has expired." : "A certificate that vouches for the server's certificate has expired.";
    case CertificateReason::NotYetValid:
        return own ? "The certificate is not valid yet."
                   : "A certificate that vouches for the server's certificate is not valid yet.";
    case CertificateReason::SelfSigned:
        return "The certificate is self-signed: no authority known to this computer vouches for it.";
    case CertificateReason::UnknownIssuer:
        return "The certificate was issued by an authority this computer does not know.";
    case CertificateReason::NameMismatch:
        return "The certificate was issued for another server, not for " + serverName + ".";
    case CertificateReason::Other: break;
    }
    return std::string("The certificate could not be verified: ") + X509_verify_cert_error_string(error) + ".";
}

using BioPointer = std::unique_ptr<BIO, decltype(&BIO_free)>;

std::string Drain(BIO* bio)
{
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return length > 0 ? std::string(data, static_cast<std::size_t>(length)) : std::string();
}

// "CN=mail.example.com, O=Example": RFC 2253 order and escaping, a space after each comma,
// non-ASCII text kept as UTF-8.
std::string NameText(const X509_NAME* name)
{
    BioPointer out(BIO_new(BIO_s_mem()), BIO_free);
    if (!name || !out) return {};
    const unsigned long flags =
        ((XN_FLAG_RFC2253 & ~XN_FLAG_SEP_MASK) | XN_FLAG_SEP_CPLUS_SPC) & ~ASN1_STRFLGS_ESC_MSB;
    X509_NAME_print_ex(out.get(), name, 0, flags);
    return Drain(out.get());
}

std::string TimeText(const ASN1_TIME* time)
{
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1) return {};
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts) ? text : std::string();
}

// "192.0.2.7", "2001:db8::1"
std::string AddressText(const ASN1_OCTET_STRING* address)
{
    const int length = ASN1_STRING_length(address);
    const int family = length == 4 ? AF_INET : length == 16 ? AF_INET6 : 0;
    char text[INET6_ADDRSTRLEN] = "";
    if (!family || !::inet_ntop(family, ASN1_STRING_get0_data(address), text, sizeof text)) return {};
    return text;
}

std::string NamesText(X509* certificate)
{
    auto* names = static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    if (!names) return {};
    std::string text;
    for (int i = 0; i < sk_GENERAL_NAME_num(names); ++i) {
        const GENERAL_NAME* name = sk_GENERAL_NAME_value(names, i);
        std::string one;
        if (name->type == GEN_DNS)
            one.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(name->d.dNSName)),
                       static_cast<std::size_t>(ASN1_STRING_length(name->d.dNSName)));
        else if (name->type == GEN_IPADD)
            one = AddressText(name->d.iPAddress);
        if (one.empty()) continue;
        if (!text.empty()) text += ", ";
        text += one;
    }
    GENERAL_NAMES_free(names);
    return text;
}

}  // namespace

std::string CertificateFingerprint(X509* certificate)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!certificate || X509_digest(certificate, EVP_sha256(), digest, &length) != 1) return {};
    return FormatFingerprint(digest, length);
}

CertificateProblem DescribeRefusal(int error, int depth, X509* leaf, const std::string& serverName)
{
    CertificateProblem problem;
    problem.reason = ReasonFor(error);
    problem.reasonText = ReasonText(problem.reason, error, depth, serverName);
    problem.serverName = serverName;
    if (!leaf) return problem;
    problem.subject = NameText(X509_get_subject_name(leaf));
    problem.issuer = NameText(X509_get_issuer_name(leaf));
    problem.names = NamesText(leaf);
    problem.notBefore = TimeText(X509_get0_notBefore(leaf));
    problem.notAfter = TimeText(X509_get0_notAfter(leaf));
    problem.sha256 = CertificateFingerprint(leaf);
    return problem;
}

}  // namespace tls
