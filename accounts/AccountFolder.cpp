#include "accounts/AccountFolder.h"

#include "accounts/AccountName.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Strings.h"

#include <filesystem>
#include <system_error>

std::string AccountFolderPath(const std::string& accName) { return platform::ProgramFolder() + accName + "/"; }

bool RemoveAccountFolder(const std::string& accName)
{
    namespace fs = std::filesystem;
    if (!IsValidAccountName(accName) || SameText(accName, "MailBox")) return false;
    const fs::path folder = fs::path(platform::ProgramFolder()) / accName;
    std::error_code error;
    // Not followed: a link of the account's name may point anywhere.
    if (!fs::is_directory(fs::symlink_status(folder, error))) return false;
    fs::remove_all(folder, error);  // removes the links it meets, not what they point at
    if (error) throw EInOutError("Cannot remove the folder " + folder.string() + ": " + error.message());
    return true;
}
