#include "fuzz/PrivateTempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fuzzing {
namespace {

std::string& Folder()
{
    static std::string folder;
    return folder;
}

void RemoveFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(Folder(), ec);
}

}  // namespace

bool UsePrivateTempFolder()
{
    std::string pattern = std::filesystem::temp_directory_path().string() + "/quillbox-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) return false;
    Folder() = name.data();
    ::setenv("TMPDIR", Folder().c_str(), 1);
    std::atexit(RemoveFolder);
    return true;
}

}  // namespace fuzzing
