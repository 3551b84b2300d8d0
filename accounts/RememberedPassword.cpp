#include "accounts/RememberedPassword.h"

#include "accounts/PasswordScramble.h"
#include "platform/SecretStore.h"
#include "platform/Strings.h"

namespace {
platform::SecretOwner OwnerOf(const std::string& accName, const TMailSettings& s)
{
    return {accName, s.User, s.Server};
}

void MoveIntoKeyring(platform::TRegistry& reg, const std::string& accName, const TMailSettings& s,
                     platform::SecretStore& keyring)
{
    if (!keyring.Write(OwnerOf(accName, s), s.Password)) return;
    std::string back;
    if (keyring.Read(accName, false, back) != platform::SecretRead::Found || back != s.Password) return;
    reg.DeleteValue("data");
}
}  // namespace

std::string PasswordPlaceText()
{
    platform::SecretStore* keyring = platform::InstalledSecretStore();
    if (keyring && keyring->Present()) return "A remembered password is kept in the desktop keyring.";
    return "A remembered password is kept scrambled in the settings file, readable by anyone who can read that file.";
}

void LoadRememberedPassword(platform::TRegistry& reg, const std::string& accName, TPasswordRead read,
                            TMailSettings& s)
{
    platform::SecretStore* keyring = platform::InstalledSecretStore();
    if (reg.ValueExists("data")) {
        s.Password = Unscramble_Password(reg.ReadString("data"));
        // Moving may ask to unlock the keyring: only when the user is there to answer.
        if (keyring && read == TPasswordRead::MayUnlock && !Trim(s.Password).empty())
            MoveIntoKeyring(reg, accName, s, *keyring);
        return;
    }
    if (!keyring) return;  // nothing was kept: the check asks
    if (read == TPasswordRead::Skip) {
        s.Unread = true;
        return;
    }
    std::string password;
    switch (keyring->Read(accName, read == TPasswordRead::MayUnlock, password)) {
    case platform::SecretRead::Found: s.Password = password; break;
    case platform::SecretRead::Missing: break;
    case platform::SecretRead::Locked:
    case platform::SecretRead::Stopped:
    case platform::SecretRead::Failed: s.Unread = true; break;
    }
}

void StoreRememberedPassword(platform::TRegistry& reg, const std::string& accName, const TMailSettings& s)
{
    platform::SecretStore* keyring = platform::InstalledSecretStore();
    if (!s.Remember) {
        reg.DeleteValue("data");
        if (keyring) keyring->Remove(accName);
        return;
    }
    if (s.Unread && s.Password.empty()) return;
    if (keyring && !Trim(s.Password).empty() && keyring->Write(OwnerOf(accName, s), s.Password)) {
        reg.DeleteValue("data");
        return;
    }
    // No keyring, or one that did not take it: the settings file keeps it, and is read first.
    reg.WriteString("data", Scramble_Password(s.Password));
}

void ForgetKeyringPassword(const std::string& accName)
{
    if (platform::SecretStore* keyring = platform::InstalledSecretStore()) keyring->Remove(accName);
}
