#pragma once
// Each account's settings live in the per-user registry under "software\quillbox\" + name:
// "usrname", "mailsrvr", "port" (strings, as typed), "opt" (integer, remember password) and,
// only while "opt" is 1 and no desktop keyring took the password, "data" (the scrambled password;
// see RememberedPassword.h). Later versions added "security"
// (platform::SecurityWord), "certsha256" (a trusted certificate's fingerprint, only while there
// is one) and "interval" (integer minutes between periodic checks); accounts stored before them
// lack them and read as plain text, no trusted certificate and no periodic checks.
#include "platform/Security.h"

#include <string>

// The longest interval between periodic checks, in minutes: once a day.
constexpr int kMaxCheckInterval = 1440;

// The settings of one account, in the order the callers take them.
struct TMailSettings {
    std::string User;
    std::string Password;  // plain
    std::string Server;
    std::string Port;      // as typed
    bool Remember = false;  // true only with a password that is not blank
    platform::SecurityMode Security = platform::SecurityMode::None;
    // The SHA-256 fingerprint ("3F:A0:...", tls/Fingerprint.h) of the one certificate the user
    // chose to trust for this server although it failed the check; empty: none.
    std::string CertSha256{};
    int Interval = 0;  // minutes between periodic checks, 0 to kMaxCheckInterval; 0: off
    // "Remember password" is on, but the desktop keyring did not give the password (it was not
    // asked, stayed locked, or did not answer): Remember is false, so a check asks; saving with
    // an empty Password leaves the keyring's item as it is.
    bool Unread = false;

    bool operator==(const TMailSettings&) const = default;
};

// The registry path of an account's key.
std::string AccountKeyPath(const std::string& accName);

// How far reading an account may go for its password.
enum class TPasswordRead {
    MayUnlock,  // the keyring may ask the user to unlock it
    Quiet,      // no prompt of any kind (a timed check)
    Skip,       // not asked at all: a password kept in the keyring reads as Unread
};

// Reads an account's settings; never creates the key and never fails outward. A missing key,
// an invalid name, or damaged values give empty texts and Remember false (texts read before
// the damage are kept). The later values are read on their own: one that is missing, of the
// wrong type, malformed or out of range reads as None, "" or 0, whatever became of the others.
// (A malformed fingerprint would never match a certificate anyway.)
// The password waits for the keyring through the message pump (platform/SecretStore.h).
TMailSettings Load_Mail_Settings(const std::string& accName, TPasswordRead read = TPasswordRead::MayUnlock);

// Writes the five original values, creating the key when missing, in the order usrname,
// mailsrvr, port, opt, then data (or removes data when the password is not remembered); the
// later values stay as they are. Nothing is trimmed. Throws EAccountName for a name that cannot
// be an account, EInOutError when the settings file cannot be written.
void Save_Mail_Settings(const std::string& accName, const std::string& user, const std::string& password,
                        const std::string& server, const std::string& port, bool remember);
// Writes every value: the five as above, then security, certsha256 (removed when empty) and
// interval. Throws as above, and EConvertError for a fingerprint that is not one or an interval
// out of range, before anything is written.
void Save_Mail_Settings(const std::string& accName, const TMailSettings& settings);

// Stores the fingerprint of the certificate the user trusts for the account ("" removes the
// trust). Only an account that exists gets one: false when it has no key. Throws as
// Save_Mail_Settings.
bool StoreCertificatePin(const std::string& accName, const std::string& sha256);

// Whether `text` is a fingerprint in the stored form: 32 upper-case hex pairs joined by colons.
bool IsCertificatePin(const std::string& text);

// Deletes the account's key with its values, and its password from the keyring. A name that cannot be an account addresses no key
// of its own, so nothing is deleted for it. False when nothing was deleted.
bool Delete_Mail_Settings(const std::string& accName);
