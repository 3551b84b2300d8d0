#include "accounts/AccountList.h"

#include "platform/Folders.h"
#include "platform/TextFile.h"

std::string AccListPath() { return platform::ProgramFolder() + "acc.dat"; }

StringList ReadAccList()
{
    std::string path = AccListPath();
    // Anything of that name is read, so a folder or an unreadable file is reported, not ignored.
    if (!platform::FileExists(path) && !platform::DirectoryExists(path)) return {};
    return platform::ReadLines(path);
}

void WriteAccList(const StringList& lines) { platform::WriteLines(AccListPath(), lines, true); }

std::string Get_MailAcc_Name(const std::string& line)
{
    size_t semicolon = line.find(';');
    return semicolon == std::string::npos ? std::string() : line.substr(0, semicolon);
}

std::string AccListLine(const std::string& name, const std::string& server) { return name + ";  " + server; }
