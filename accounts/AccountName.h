#pragma once
// An account name becomes the last component of a registry key below the program's own key,
// the name of a folder beside the program and the first field of an acc.dat line. Names that
// would reach outside the account's own key or folder, or that acc.dat cannot hold, are refused.
#include "platform/Exception.h"

#include <string>

// An account name that cannot be used.
class EAccountName : public Exception {
public:
    using Exception::Exception;
};

// Empty when `name` can be an account name; otherwise the reason, worded for the user.
std::string AccountNameProblem(const std::string& name);

inline bool IsValidAccountName(const std::string& name) { return AccountNameProblem(name).empty(); }
