#include "accounts/AccountFolder.h"

#include "accounts/AccountName.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Strings.h"

#include <filesystem>
#include <system_error>

std::string AccountFolderPath(const std::string& accName) { return platform::ProgramFolder() + accName + "/"; }

namespace {

bool OwnFolderName(const std::string& accName) { return IsValidAccountName(accName) && !SameText(accName, "MailBox"); }

}  // namespace

bool RemoveAccountFolder(const std::string& accName)
{
    namespace fs = std::filesystem;
    if (!OwnFolderName(accName)) return false;
    const fs::path folder = fs::path(platform::ProgramFolder()) / accName;
    std::error_code error;
    // Not followed: a link of the account's name may point anywhere.
    if (!fs::is_directory(fs::symlink_status(folder, error))) return false;
    fs::remove_all(folder, error);  // removes the links it meets, not what they point at
    if (error) throw EInOutError("Cannot remove the folder " + folder.string() + ": " + error.message());
    return true;
}

bool MoveAccountFolder(const std::string& oldName, const std::string& newName)
{
    namespace fs = std::filesystem;
    if (oldName == newName || !OwnFolderName(oldName) || !OwnFolderName(newName)) return false;
    const fs::path from = fs::path(platform::ProgramFolder()) / oldName, to = fs::path(platform::ProgramFolder()) / newName;
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(from, error)) || fs::exists(fs::symlink_status(to, error))) return false;
    fs::rename(from, to, error);
    if (error) throw EInOutError("Cannot rename the folder " + from.string() + ": " + error.message());
    return true;
}
