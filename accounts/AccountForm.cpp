#include "accounts/AccountForm.h"

#include "accounts/AccountName.h"
#include "accounts/AccountPort.h"

#include <algorithm>

std::optional<TFormProblem> CheckAccountForm(const TAccountForm& form, const StringList& takenNames)
{
    std::string nameProblem = AccountNameProblem(form.Name);
    if (!nameProblem.empty()) return TFormProblem{TAccountField::Name, nameProblem};
    // Names differing in letter case address one registry key.
    auto taken = std::find_if(takenNames.begin(), takenNames.end(),
                              [&](const std::string& other) { return SameText(other, form.Name); });
    if (taken != takenNames.end())
        return TFormProblem{TAccountField::Name,
                            "There is already an account named \"" + *taken + "\". Please choose another name."};
    if (!IsValidPort(form.Port))
        return TFormProblem{TAccountField::Port, "The port must be a number from 1 to 65535."};
    return std::nullopt;
}
