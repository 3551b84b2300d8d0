#include "platform/SecretStore.h"

#include <atomic>

namespace platform {
namespace {
std::unique_ptr<SecretStore>& Installed()
{
    static std::unique_ptr<SecretStore> store;
    return store;
}

std::atomic<unsigned> stops{0};
}  // namespace

std::string SecretLabel(const SecretOwner& owner)
{
    return "Quillbox: " + owner.Account + " (" + owner.User + "@" + owner.Server + ")";
}

SecretStore* InstalledSecretStore() { return Installed().get(); }

std::unique_ptr<SecretStore> InstallSecretStore(std::unique_ptr<SecretStore> store)
{
    std::unique_ptr<SecretStore> old = std::move(Installed());
    Installed() = std::move(store);
    return old;
}

void StopSecretWait() { ++stops; }

unsigned SecretWaitStops() { return stops.load(); }

}  // namespace platform
