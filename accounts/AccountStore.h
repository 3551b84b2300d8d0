#pragma once
// Each account's settings live in the per-user registry under "software\quillbox\" + name:
// "usrname", "mailsrvr", "port" (strings, as typed), "opt" (integer, remember password) and,
// only while "opt" is 1, "data" (the scrambled password).
#include <string>

// The settings of one account, in the order the callers take them.
struct TMailSettings {
    std::string User;
    std::string Password;  // plain
    std::string Server;
    std::string Port;      // as typed
    bool Remember = false;  // true only with a password that is not blank

    bool operator==(const TMailSettings&) const = default;
};

// The registry path of an account's key.
std::string AccountKeyPath(const std::string& accName);

// Reads an account's settings; never creates the key and never fails outward. A missing key,
// an invalid name, or damaged values give empty texts and Remember false (texts read before
// the damage are kept).
TMailSettings Load_Mail_Settings(const std::string& accName);

// Writes the settings, creating the key when missing, in the order usrname, mailsrvr, port,
// opt, then data (or removes data when the password is not remembered). Nothing is trimmed.
// Throws EAccountName for a name that cannot be an account, EInOutError when the settings file
// cannot be written.
void Save_Mail_Settings(const std::string& accName, const std::string& user, const std::string& password,
                        const std::string& server, const std::string& port, bool remember);

// Deletes the account's key with its values. A name that cannot be an account addresses no key
// of its own, so nothing is deleted for it. False when nothing was deleted.
bool Delete_Mail_Settings(const std::string& accName);
