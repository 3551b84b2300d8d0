#include "accounts/AccountStore.h"

#include "accounts/AccountName.h"
#include "accounts/RememberedPassword.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace {
void ThrowUnlessAccountName(const std::string& accName)
{
    std::string problem = AccountNameProblem(accName);
    if (!problem.empty()) throw EAccountName(problem);
}

// The values every version reads; the later ones are read apart so that damage here cannot
// cost them, nor they these.
void ReadOriginalValues(platform::TRegistry& reg, const std::string& accName, TPasswordRead read, TMailSettings& s)
{
    try {
        s.User = reg.ReadString("usrname");
        s.Server = reg.ReadString("mailsrvr");
        s.Port = reg.ReadString("port");
        s.Remember = reg.ReadInteger("opt") != 0;
        if (s.Remember) LoadRememberedPassword(reg, accName, read, s);
    } catch (const Exception&) {
        s.Password.clear();
        s.Remember = false;
        s.Unread = false;
    }
}

void ReadLaterValues(platform::TRegistry& reg, TMailSettings& s)
{
    try {
        s.Security = platform::SecurityFromWord(reg.ReadString("security"));
    } catch (const Exception&) {
    }
    try {
        std::string pin = reg.ReadString("certsha256");
        if (IsCertificatePin(pin)) s.CertSha256 = pin;
    } catch (const Exception&) {
    }
    // Absent in accounts made before periodic checks, which therefore stay off.
    try {
        int32_t minutes = reg.ReadInteger("interval");
        if (minutes >= 0 && minutes <= kMaxCheckInterval) s.Interval = minutes;
    } catch (const Exception&) {
    }
}

void WriteOriginalValues(platform::TRegistry& reg, const std::string& accName, const TMailSettings& s)
{
    reg.WriteString("usrname", s.User);
    reg.WriteString("mailsrvr", s.Server);
    reg.WriteString("port", s.Port);
    reg.WriteInteger("opt", s.Remember ? 1 : 0);
    StoreRememberedPassword(reg, accName, s);
}

void WritePin(platform::TRegistry& reg, const std::string& sha256)
{
    if (sha256.empty()) reg.DeleteValue("certsha256");
    else reg.WriteString("certsha256", sha256);
}

void ThrowUnlessPin(const std::string& sha256)
{
    if (!sha256.empty() && !IsCertificatePin(sha256))
        throw EConvertError("'" + sha256 + "' is not a SHA-256 fingerprint");
}
}  // namespace

std::string AccountKeyPath(const std::string& accName) { return "software\\quillbox\\" + accName; }

bool IsCertificatePin(const std::string& text)
{
    constexpr size_t kPairs = 32;  // SHA-256
    if (text.size() != kPairs * 3 - 1) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool ok = i % 3 == 2 ? c == ':' : ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
        if (!ok) return false;
    }
    return true;
}

TMailSettings Load_Mail_Settings(const std::string& accName, TPasswordRead read)
{
    TMailSettings s;
    // An invalid name would address the program's own key, a nested key or the rules' key.
    if (!IsValidAccountName(accName)) return s;
    try {
        platform::TRegistry reg;
        if (reg.OpenKey(AccountKeyPath(accName), false)) {
            ReadOriginalValues(reg, accName, read, s);
            ReadLaterValues(reg, s);
        }
    } catch (const Exception&) {
        // An unreadable settings file: whatever was read stays, as for damaged values.
        s.Password.clear();
        s.Remember = false;
        s.Unread = false;
    }
    // Callers ask for the password exactly when Remember is false.
    if (Trim(s.Password).empty()) s.Remember = false;
    return s;
}

void Save_Mail_Settings(const std::string& accName, const std::string& user, const std::string& password,
                        const std::string& server, const std::string& port, bool remember)
{
    ThrowUnlessAccountName(accName);
    platform::TRegistry reg;
    reg.OpenKey(AccountKeyPath(accName), true);
    TMailSettings s;
    s.User = user;
    s.Password = password;
    s.Server = server;
    s.Port = port;
    s.Remember = remember;
    WriteOriginalValues(reg, accName, s);
}

void Save_Mail_Settings(const std::string& accName, const TMailSettings& s)
{
    ThrowUnlessAccountName(accName);
    ThrowUnlessPin(s.CertSha256);
    if (s.Interval < 0 || s.Interval > kMaxCheckInterval)
        throw EConvertError("'" + IntToStr(s.Interval) + "' is not a check interval (0 to " +
                            IntToStr(kMaxCheckInterval) + " minutes)");
    platform::TRegistry reg;
    reg.OpenKey(AccountKeyPath(accName), true);
    WriteOriginalValues(reg, accName, s);
    reg.WriteString("security", platform::SecurityWord(s.Security));
    WritePin(reg, s.CertSha256);
    reg.WriteInteger("interval", s.Interval);
}

bool StoreCertificatePin(const std::string& accName, const std::string& sha256)
{
    ThrowUnlessAccountName(accName);
    ThrowUnlessPin(sha256);
    platform::TRegistry reg;
    // A pin alone would make a key that looks like an account but is none.
    if (!reg.OpenKey(AccountKeyPath(accName), false)) return false;
    WritePin(reg, sha256);
    return true;
}

bool Delete_Mail_Settings(const std::string& accName)
{
    if (!IsValidAccountName(accName)) return false;
    platform::TRegistry reg;
    const bool deleted = reg.DeleteKey(AccountKeyPath(accName));
    ForgetKeyringPassword(accName);
    return deleted;
}
