#include "accounts/AccountStore.h"

#include "accounts/AccountName.h"
#include "accounts/PasswordScramble.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

std::string AccountKeyPath(const std::string& accName) { return "software\\quillbox\\" + accName; }

TMailSettings Load_Mail_Settings(const std::string& accName)
{
    TMailSettings s;
    // An invalid name would address the program's own key, a nested key or the rules' key.
    if (!IsValidAccountName(accName)) return s;
    try {
        platform::TRegistry reg;
        if (reg.OpenKey(AccountKeyPath(accName), false)) {
            s.User = reg.ReadString("usrname");
            s.Server = reg.ReadString("mailsrvr");
            s.Port = reg.ReadString("port");
            s.Remember = reg.ReadInteger("opt") != 0;
            if (s.Remember) s.Password = Unscramble_Password(reg.ReadString("data"));
        }
    } catch (const Exception&) {
        s.Password.clear();
        s.Remember = false;
    }
    // Callers ask for the password exactly when Remember is false.
    if (Trim(s.Password).empty()) s.Remember = false;
    return s;
}

void Save_Mail_Settings(const std::string& accName, const std::string& user, const std::string& password,
                        const std::string& server, const std::string& port, bool remember)
{
    std::string problem = AccountNameProblem(accName);
    if (!problem.empty()) throw EAccountName(problem);
    platform::TRegistry reg;
    reg.OpenKey(AccountKeyPath(accName), true);
    reg.WriteString("usrname", user);
    reg.WriteString("mailsrvr", server);
    reg.WriteString("port", port);
    reg.WriteInteger("opt", remember ? 1 : 0);
    if (remember) reg.WriteString("data", Scramble_Password(password));
    else reg.DeleteValue("data");
}

bool Delete_Mail_Settings(const std::string& accName)
{
    if (!IsValidAccountName(accName)) return false;
    platform::TRegistry reg;
    return reg.DeleteKey(AccountKeyPath(accName));
}
