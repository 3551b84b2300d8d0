#include "accounts/AccountName.h"

#include "platform/Strings.h"

std::string AccountNameProblem(const std::string& name)
{
    if (Trim(name).empty()) return "Please enter a name for the account.";
    for (unsigned char c : name)
        if (c < 32 || c == 127) return "An account name cannot contain control characters.";
    if (name.find_first_of("\\/") != std::string::npos)
        return "An account name cannot contain \"\\\" or \"/\".";
    // acc.dat keeps only the text before the first ";" as the name.
    if (name.find(';') != std::string::npos) return "An account name cannot contain \";\".";
    if (name == "." || name == "..") return "\"" + name + "\" cannot be used as an account name.";
    // The message rules live in the key of this name, beside the accounts.
    if (SameText(name, "delList"))
        return "\"" + name + "\" is reserved for the message rules and cannot be used as an account name.";
    return {};
}
