#include "BenchProfile.h"

#include "accounts/AccountList.h"
#include "accounts/AccountStore.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

BenchProfile::BenchProfile(const std::string& folder) : folder_(folder)
{
    if (folder_.empty()) {
        char pattern[] = "/tmp/quillbox-mailcheck-bench-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("no profile folder under /tmp");
        folder_ = pattern;
        owned_ = true;
    }
    const std::string home = folder_ + "/home";
    std::filesystem::create_directories(home);
    ::setenv("QUILLBOX_HOME", home.c_str(), 1);
    ::setenv("QUILLBOX_REGISTRY", (folder_ + "/registry.reg").c_str(), 1);
}

BenchProfile::~BenchProfile()
{
    std::error_code ec;
    if (owned_) std::filesystem::remove_all(folder_, ec);
}

void BenchProfile::SaveAccount(int port, const std::string& user, const std::string& password) const
{
    Save_Mail_Settings("Bench", user, password, "127.0.0.1", std::to_string(port), true);
    WriteAccList({AccListLine("Bench", "127.0.0.1")});
}
