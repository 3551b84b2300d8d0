#pragma once
// Where remembered passwords go when the desktop offers a keyring: one secret per account. The
// program installs an implementation at start-up (keyring/SecretServiceStore.h); without one,
// or while it finds no keyring, the account store keeps the scrambled value in the settings file.
// Every call may wait for the keyring (an unlock prompt can take a minute); implementations wait
// through the message pump, and StopSecretWait ends the waits in progress.
#include <memory>
#include <string>

namespace platform {

// Names an account's secret for the keyring and for the person who looks into it.
struct SecretOwner {
    std::string Account;
    std::string User;
    std::string Server;
};

// "Quillbox: Demo (demo@127.0.0.1)": the label the keyring's own window shows.
std::string SecretLabel(const SecretOwner& owner);

enum class SecretRead {
    Found,
    Missing,  // the keyring holds no secret for the account
    Locked,   // it holds one, but stayed locked (unlock refused or cancelled, or not asked for)
    Stopped,  // Stop was pressed while waiting
    Failed,   // no keyring to ask, or it gave an error or no answer in time
};

class SecretStore {
public:
    virtual ~SecretStore() = default;

    // Whether a keyring is there to take passwords now.
    virtual bool Present() = 0;
    // With `mayUnlock` false a locked keyring reads as Locked without asking the user.
    virtual SecretRead Read(const std::string& account, bool mayUnlock, std::string& password) = 0;
    // Stores or replaces the account's one secret; false when the keyring did not take it.
    virtual bool Write(const SecretOwner& owner, const std::string& password) = 0;
    // Removes the account's secret; true when it is gone (or there was none).
    virtual bool Remove(const std::string& account) = 0;
};

// The installed store, or nullptr. Installing returns the one it replaces.
SecretStore* InstalledSecretStore();
std::unique_ptr<SecretStore> InstallSecretStore(std::unique_ptr<SecretStore> store);

// Ends every wait for the keyring in progress (the Stop button); each returns Stopped or false.
void StopSecretWait();
// Counts the Stop presses: a wait ends when the count moves on from its start.
unsigned SecretWaitStops();

}  // namespace platform
