#include "TempHome.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace {
void Save(const char* name, std::string& value, bool& had)
{
    const char* v = std::getenv(name);
    had = v != nullptr;
    if (v) value = v;
}
void Restore(const char* name, const std::string& value, bool had)
{
    if (had) ::setenv(name, value.c_str(), 1);
    else ::unsetenv(name);
}
}  // namespace

void RemoveTree(const std::string& path)
{
    std::error_code ec;
    // Tests make folders read-only on purpose; give write access back before removing.
    for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path, ec);
}

TempHome::TempHome()
{
    std::string base = std::filesystem::temp_directory_path().string() + "/quillbox-test-XXXXXX";
    std::vector<char> pattern(base.begin(), base.end());
    pattern.push_back('\0');
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = std::string(pattern.data()) + "/";
    home_ = root_ + "home/";
    registry_ = root_ + "config/registry.reg";
    temp_ = root_ + "tmp/";
    std::filesystem::create_directories(home_);
    std::filesystem::create_directories(temp_);
    Save("QUILLBOX_HOME", savedHome_, hadHome_);
    Save("QUILLBOX_REGISTRY", savedRegistry_, hadRegistry_);
    Save("TMPDIR", savedTmp_, hadTmp_);
    ::setenv("QUILLBOX_HOME", home_.c_str(), 1);
    ::setenv("QUILLBOX_REGISTRY", registry_.c_str(), 1);
    ::setenv("TMPDIR", temp_.c_str(), 1);
}

TempHome::~TempHome()
{
    Restore("QUILLBOX_HOME", savedHome_, hadHome_);
    Restore("QUILLBOX_REGISTRY", savedRegistry_, hadRegistry_);
    Restore("TMPDIR", savedTmp_, hadTmp_);
    RemoveTree(root_);
}
