#pragma once
// The desktop keyring through the freedesktop Secret Service (GNOME Keyring, KWallet), spoken by
// libsecret. Each account's password is one item of the default collection, with the attributes
// program "quillbox", account, user and server, and a label from platform::SecretLabel.
// libsecret's calls block (an unlock prompt waits for the user), so each runs on a helper thread
// while the caller keeps pumping messages; Stop and the time limit end the wait, and a call left
// behind finishes on its own thread, touching nothing but its own state.
#include "platform/SecretStore.h"

#include <chrono>

namespace keyring {

class SecretServiceStore : public platform::SecretStore {
public:
    // Time enough to type the keyring's password into its unlock prompt.
    static constexpr std::chrono::seconds kWaitLimit{180};

    bool Present() override;
    platform::SecretRead Read(const std::string& account, bool mayUnlock, std::string& password) override;
    bool Write(const platform::SecretOwner& owner, const std::string& password) override;
    bool Remove(const std::string& account) override;
};

// False when QUILLBOX_NO_KEYRING is set and not empty: a profile that must leave the user's
// keyring alone (the demo) keeps its passwords in its own settings file.
bool KeyringWanted();

}  // namespace keyring
