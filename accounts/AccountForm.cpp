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
    // Without them a check could only fail, and only later, at the server.
    if (Trim(form.User).empty()) return TFormProblem{TAccountField::User, "Please enter the login name for the account."};
    if (Trim(form.Server).empty())
        return TFormProblem{TAccountField::Server, "Please enter the POP3 mail server of the account."};
    if (!IsValidPort(form.Port))
        return TFormProblem{TAccountField::Port, "The port must be a number from 1 to 65535."};
    if (form.Interval < 0 || form.Interval > kMaxCheckInterval)
        return TFormProblem{TAccountField::Interval,
                            "The check interval must be from 0 (off) to " + IntToStr(kMaxCheckInterval) +
                                " minutes (once a day)."};
    return std::nullopt;
}

TMailSettings SettingsToStore(const TAccountForm& form, const TMailSettings& stored)
{
    TMailSettings s;
    s.User = form.User;
    s.Password = form.Password;
    s.Server = form.Server;
    s.Port = form.Port;
    s.Remember = form.Remember;
    s.Security = form.Security;
    s.Interval = form.Interval;
    s.Unread = stored.Unread && form.Remember && form.Password.empty();
    if (SameText(form.Server, stored.Server) && form.Security != platform::SecurityMode::None)
        s.CertSha256 = stored.CertSha256;
    return s;
}
