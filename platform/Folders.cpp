#include "Folders.h"

#include "Exception.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string WithSlash(std::string path)
{
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return (value && *value) ? std::string(value) : fallback;
}

std::string HomeFolder() { return EnvOr("HOME", "/tmp"); }

}  // namespace

std::string ProgramFolder()
{
    std::string folder = EnvOr("QUILLBOX_HOME", "");
    if (folder.empty()) folder = EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share") + "/quillbox";
    folder = WithSlash(folder);
    if (!DirectoryExists(folder)) ForceDirectories(folder);
    return folder;
}

std::string TempFolder() { return WithSlash(EnvOr("TMPDIR", "/tmp")); }

bool DirectoryExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void CreateDir(const std::string& path)
{
    if (::mkdir(path.c_str(), 0777) != 0 && !(errno == EEXIST && DirectoryExists(path)))
        throw EInOutError("Cannot create folder " + path + ": " + std::strerror(errno));
}

void ForceDirectories(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    if (trimmed.empty() || DirectoryExists(trimmed)) return;
    size_t slash = trimmed.rfind('/');
    if (slash != std::string::npos && slash > 0) ForceDirectories(trimmed.substr(0, slash));
    CreateDir(trimmed);
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::vector<DirEntry> ListFolder(const std::string& folder)
{
    std::vector<DirEntry> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return entries;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) isDir = DirectoryExists(WithSlash(folder) + name);
        entries.push_back({name, isDir});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
}

bool MatchesMask(const std::string& name, const std::string& mask)
{
    if (mask == "*.*" || mask == "*") return true;
    // Iterative wildcard match with one back-tracking point for the last '*'.
    size_t n = 0, m = 0, starMask = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::string UniqueTempFile(const std::string& stem)
{
    std::string pattern = TempFolder() + stem + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int fd = ::mkstemp(buffer.data());
    if (fd < 0) throw EInOutError("Cannot create work file " + pattern + ": " + std::strerror(errno));
    ::close(fd);
    return std::string(buffer.data());
}

}  // namespace platform
