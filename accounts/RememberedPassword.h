#pragma once
// Where a remembered password is kept: in the desktop keyring when the program has one
// (platform/SecretStore.h), else scrambled in the account's "data" value. A "data" value found
// while a keyring is there is moved into it the first time it is read (written, read back, then
// the value deleted); whatever fails on the way leaves the value where it is.
#include "accounts/AccountStore.h"
#include "platform/Registry.h"

#include <string>

// The account dialog's one line about it.
std::string PasswordPlaceText();

// With `reg` open at the account's key and "opt" 1: fills s.Password, or s.Unread when the
// keyring holds the password but did not give it. Throws EConvertError for a malformed "data".
void LoadRememberedPassword(platform::TRegistry& reg, const std::string& accName, TPasswordRead read,
                            TMailSettings& s);
// With `reg` open at the account's key: stores the password where it belongs, or removes it
// from both places when it is not remembered. A remembered password left unread (s.Unread with
// an empty s.Password) stays as it is.
void StoreRememberedPassword(platform::TRegistry& reg, const std::string& accName, const TMailSettings& s);
// Removes the account's item from the keyring, if there is one.
void ForgetKeyringPassword(const std::string& accName);
