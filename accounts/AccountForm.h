#pragma once
// The account dialog's fields as typed, and the one check its OK makes before anything is
// stored. A field the dialog gains joins the form here and, when it can be wrong, the check.
#include "accounts/AccountStore.h"
#include "platform/Security.h"
#include "platform/Strings.h"

#include <optional>
#include <string>

struct TAccountForm {
    std::string Name;
    std::string User;
    std::string Password;
    std::string Server;
    std::string Port;
    bool Remember = false;
    platform::SecurityMode Security = platform::SecurityMode::None;
    int Interval = 0;  // "Check every N minutes"; 0: off
};

// The fields the check can refuse, so the dialog can take the user to the one at fault.
enum class TAccountField { Name, User, Server, Port, Interval };

struct TFormProblem {
    TAccountField Field;
    std::string Text;  // worded for the user
};

// The first field, in the dialog's tab order, that cannot be stored, with the reason; nothing
// when every field can. `takenNames` are the names the account may not take, in any letter case
// (see TakenAccountNames): storing under one of them would overwrite that account's settings.
std::optional<TFormProblem> CheckAccountForm(const TAccountForm& form, const StringList& takenNames);

// What OK stores for `form` over the account's `stored` settings (defaults for a new account):
// the fields as typed, and the certificate the user trusted while the form still names the same
// server (letter case aside) over TLS or STARTTLS. A new server is not vouched for by the old
// one's certificate, and a plain connection has none. A password the keyring did not give
// (stored.Unread) stays in the keyring while "Remember password" stays on and none is typed.
TMailSettings SettingsToStore(const TAccountForm& form, const TMailSettings& stored);
