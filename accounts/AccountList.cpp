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

StringList TakenAccountNames(const StringList& lines, int edited)
{
    const bool editing = edited >= 0 && size_t(edited) < lines.size();
    const std::string own = editing ? Get_MailAcc_Name(lines[size_t(edited)]) : std::string();
    StringList names;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name = Get_MailAcc_Name(lines[i]);
        if (editing && SameText(name, own)) continue;
        names.push_back(std::move(name));
    }
    return names;
}

bool IsNamedElsewhere(const StringList& lines, const std::string& name, int except)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (int(i) != except && SameText(Get_MailAcc_Name(lines[i]), name)) return true;
    return false;
}
