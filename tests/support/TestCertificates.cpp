#include "TestCertificates.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Extensions of each kind of certificate, and a database for `openssl ca`, which alone can
// set arbitrary validity dates in OpenSSL 3.0 (`x509 -days` takes no negative count).
const char* const Configuration = R"(
[req]
distinguished_name = unused_dn
prompt = no
[unused_dn]
CN = unused

[authority_ext]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[loopback_ext]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost, IP:127.0.0.1, IP:::1
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid

[other_name_ext]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = DNS:mail.example.org
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid

[self_signed_ext]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, keyCertSign
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost, IP:127.0.0.1
subjectKeyIdentifier = hash

[ca]
default_ca = test_ca
[test_ca]
database = index.txt
new_certs_dir = issued
serial = serial
default_md = sha256
policy = any_subject
unique_subject = no
copy_extensions = none
[any_subject]
commonName = supplied
organizationName = optional
)";

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("test certificates: cannot write " + path);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::vector<std::string> TenYears = {"-days", "3650"};

}  // namespace

TestCertificates::TestCertificates()
{
    char pattern[] = "/tmp/quillbox-certs-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("test certificates: mkdtemp failed");
    root_ = pattern;
    // Dovecot's processes read the files too, as whatever user they run as.
    ::chmod(root_.c_str(), 0755);
    fs::create_directories(root_ + "/issued");
    WriteFile(root_ + "/openssl.cnf", Configuration);
    WriteFile(root_ + "/index.txt", "");
    WriteFile(root_ + "/serial", "1000\n");
}

TestCertificates::~TestCertificates()
{
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string TestCertificates::Run(const std::vector<std::string>& args)
{
    const std::string out = root_ + "/openssl.out", err = root_ + "/openssl.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // `openssl ca` finds its database relative to the working folder.
    posix_spawn_file_actions_addchdir_np(&actions, root_.c_str());
    std::vector<std::string> all = {Binary};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, Binary, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error(std::string("test certificates: cannot run ") + Binary);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string command;
        for (const std::string& a : all) command += a + " ";
        throw std::runtime_error("test certificates: failed: " + command + "\n" + ReadFile(err));
    }
    return ReadFile(out);
}

const CertificateFiles& TestCertificates::AuthorityOf(Issuer issuer)
{
    const std::string name = issuer == Issuer::Trusted ? "authority" : "stranger";
    if (auto found = made_.find(name); found != made_.end()) return found->second;
    CertificateFiles files{root_ + "/" + name + ".pem", root_ + "/" + name + ".key"};
    const std::string subject =
        issuer == Issuer::Trusted ? "/O=Quillbox Tests/CN=Quillbox Test Authority" : "/O=Nobody Knows/CN=Stranger Authority";
    Run({"req", "-x509", "-new", "-config", "openssl.cnf", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
         "-nodes", "-keyout", files.key, "-out", files.certificate, "-subj", subject, "-days", "3650", "-extensions",
         "authority_ext"});
    return made_[name] = files;
}

const CertificateFiles& TestCertificates::Issued(const std::string& name, const std::string& subject, Issuer issuer,
                                                 const std::string& extensions, const std::vector<std::string>& validity)
{
    if (auto found = made_.find(name); found != made_.end()) return found->second;
    CertificateFiles files{root_ + "/" + name + ".pem", root_ + "/" + name + ".key"};
    const std::vector<std::string> newKey = {"-config", "openssl.cnf", "-newkey", "ec", "-pkeyopt",
                                             "ec_paramgen_curve:P-256", "-nodes", "-keyout", files.key, "-subj", subject};
    if (issuer == Issuer::Itself) {
        std::vector<std::string> args = {"req", "-x509", "-new", "-out", files.certificate, "-extensions", extensions};
        args.insert(args.end(), newKey.begin(), newKey.end());
        args.insert(args.end(), validity.begin(), validity.end());
        Run(args);
    } else {
        const CertificateFiles& authority = AuthorityOf(issuer);
        const std::string request = root_ + "/" + name + ".csr";
        std::vector<std::string> args = {"req", "-new", "-out", request};
        args.insert(args.end(), newKey.begin(), newKey.end());
        Run(args);
        // -preserveDN: the subject keeps the order of the request instead of the policy's.
        args = {"ca", "-config", "openssl.cnf", "-batch", "-notext", "-preserveDN", "-cert", authority.certificate, "-keyfile",
                authority.key, "-in", request, "-out", files.certificate, "-extensions", extensions};
        args.insert(args.end(), validity.begin(), validity.end());
        Run(args);
    }
    return made_[name] = files;
}

const std::string& TestCertificates::AuthorityFile() { return AuthorityOf(Issuer::Trusted).certificate; }

const CertificateFiles& TestCertificates::Server()
{
    return Issued("server", "/O=Quillbox Tests/CN=localhost", Issuer::Trusted, "loopback_ext", TenYears);
}

const CertificateFiles& TestCertificates::Expired()
{
    return Issued("expired", "/O=Quillbox Tests/CN=localhost", Issuer::Trusted, "loopback_ext",
                  {"-startdate", "20000101000000Z", "-enddate", "20010101000000Z"});
}

const CertificateFiles& TestCertificates::NotYetValid()
{
    return Issued("not-yet-valid", "/O=Quillbox Tests/CN=localhost", Issuer::Trusted, "loopback_ext",
                  {"-startdate", "20900101000000Z", "-enddate", "20910101000000Z"});
}

const CertificateFiles& TestCertificates::OtherName()
{
    return Issued("other-name", "/O=Quillbox Tests/CN=mail.example.org", Issuer::Trusted, "other_name_ext", TenYears);
}

const CertificateFiles& TestCertificates::UnknownIssuer()
{
    return Issued("unknown-issuer", "/O=Nobody Knows/CN=localhost", Issuer::Stranger, "loopback_ext", TenYears);
}

const CertificateFiles& TestCertificates::SelfSigned()
{
    return Issued("self-signed", "/O=Homemade/CN=localhost", Issuer::Itself, "self_signed_ext", TenYears);
}

std::string TestCertificates::Fingerprint(const CertificateFiles& files)
{
    // "sha256 Fingerprint=A7:85:...\n"
    std::string line = Run({"x509", "-in", files.certificate, "-noout", "-fingerprint", "-sha256"});
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) throw std::runtime_error("test certificates: no fingerprint in " + line);
    line.erase(0, equals + 1);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

TrustedAuthorityScope::TrustedAuthorityScope(const std::string& authorityFile)
{
    char pattern[] = "/tmp/quillbox-no-certs-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("trusted authority scope: mkdtemp failed");
    emptyFolder_ = pattern;
    for (const char* name : {"SSL_CERT_FILE", "SSL_CERT_DIR"}) {
        const char* value = std::getenv(name);
        saved_[name] = {value != nullptr, value ? value : ""};
    }
    ::setenv("SSL_CERT_FILE", authorityFile.c_str(), 1);
    ::setenv("SSL_CERT_DIR", emptyFolder_.c_str(), 1);
}

TrustedAuthorityScope::~TrustedAuthorityScope()
{
    for (const auto& [name, value] : saved_) {
        if (value.first) ::setenv(name.c_str(), value.second.c_str(), 1);
        else ::unsetenv(name.c_str());
    }
    ::rmdir(emptyFolder_.c_str());
}
