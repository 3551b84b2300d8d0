#include "accounts/AccountForm.h"
#include "accounts/AccountList.h"
#include "accounts/AccountName.h"
#include "accounts/AccountPort.h"
#include "accounts/AccountStore.h"
#include "accounts/PasswordScramble.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "platform/TextFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

using platform::RegistryValue;
using platform::TRegistry;

namespace {
// Writes one account's values directly, as an older version or a hand edit may have left them.
void RawAccount(const std::string& name, const std::vector<RegistryValue>& values)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("software\\quillbox\\" + name, true));
    for (const auto& v : values) {
        if (v.type == RegistryValue::Type::String) reg.WriteString(v.name, v.text);
        else reg.WriteInteger(v.name, int32_t(v.number));
    }
}
RegistryValue Str(const char* name, const std::string& text) { return {name, RegistryValue::Type::String, text, 0}; }
RegistryValue Int(const char* name, uint32_t n) { return {name, RegistryValue::Type::Integer, "", n}; }

TMailSettings Settings(std::string user, std::string password, std::string server, std::string port, bool remember)
{
    return {std::move(user), std::move(password), std::move(server), std::move(port), remember};
}
}  // namespace

TEST(PasswordScramble, EveryByteValueSurvivesAndEachCharacterIsOneGroup)
{
    std::string all;
    for (int c = 0; c < 256; ++c) all += char(c);
    std::string stored = Scramble_Password(all);
    EXPECT_EQ(std::count(stored.begin(), stored.end(), '-'), 256);
    EXPECT_EQ(stored.back(), '-');
    EXPECT_EQ(Unscramble_Password(stored), all);
    EXPECT_EQ(Scramble_Password("Az"), "27-32-");  // 0x41^0x5A, 0x7A^0x5A
    EXPECT_EQ(Scramble_Password(""), "");
}

TEST(PasswordScramble, ReadingTakesTheLowByteIgnoresOneTrailingCharacterAndRejectsBadGroups)
{
    EXPECT_EQ(Unscramble_Password("27-9"), "A");
    EXPECT_EQ(Unscramble_Password("283-"), "A");  // 283 = 256 + 27
    EXPECT_EQ(Unscramble_Password(""), "");
    for (const char* bad : {"27-x-", "-27-", "27--32-", "27-32", "2 7-", "99999999999-"})
        EXPECT_THROW(Unscramble_Password(bad), EConvertError) << bad;
}

TEST(AccountSettings, SavedValuesHaveTheirTypesOrderAndComeBackAsTyped)
{
    TempHome home;
    Save_Mail_Settings("Work", "joe", " s3cret ", "pop.example.com", " pop3 ", true);
    const auto& key = platform::RegistryStore::CurrentUser().Read().keys.at("SOFTWARE\\QUILLBOX\\WORK");
    std::vector<std::string> names;
    for (const auto& v : key.values) names.push_back(v.name);
    EXPECT_EQ(names, (std::vector<std::string>{"usrname", "mailsrvr", "port", "opt", "data"}));
    EXPECT_EQ(key.values[3].type, RegistryValue::Type::Integer);
    EXPECT_EQ(key.values[3].number, 1u);
    EXPECT_EQ(key.values[4].text, Scramble_Password(" s3cret "));
    EXPECT_EQ(Load_Mail_Settings("work"), Settings("joe", " s3cret ", "pop.example.com", " pop3 ", true));

    Save_Mail_Settings("Work", "joe", "s3cret", "pop.example.com", "110", false);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("software\\quillbox\\Work", false));
    EXPECT_FALSE(reg.ValueExists("data"));
    EXPECT_EQ(reg.ReadInteger("opt"), 0);
    EXPECT_EQ(Load_Mail_Settings("Work"), Settings("joe", "", "pop.example.com", "110", false));
}

TEST(AccountSettings, BlankRememberedPasswordIsNotRemembered)
{
    TempHome home;
    for (const char* blank : {"", "  \t"}) {
        Save_Mail_Settings("Work", "joe", blank, "srv", "110", true);
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("software\\quillbox\\Work", false));
        EXPECT_EQ(reg.ReadInteger("opt"), 1);
        EXPECT_EQ(Load_Mail_Settings("Work"), Settings("joe", blank, "srv", "110", false));
    }
}

TEST(AccountSettings, DamagedValuesKeepWhatWasReadBeforeAndNeverFail)
{
    TempHome home;
    EXPECT_EQ(Load_Mail_Settings("Nowhere"), Settings("", "", "", "", false));
    RawAccount("NoOpt", {Str("usrname", "u"), Str("mailsrvr", "s"), Str("port", "110")});
    EXPECT_EQ(Load_Mail_Settings("NoOpt"), Settings("u", "", "s", "110", false));
    RawAccount("OptText", {Str("usrname", "u"), Str("mailsrvr", "s"), Str("port", "110"), Str("opt", "1"),
                           Str("data", "27-")});
    EXPECT_EQ(Load_Mail_Settings("OptText"), Settings("u", "", "s", "110", false));
    RawAccount("PortNumber", {Str("usrname", "u"), Str("mailsrvr", "s"), Int("port", 110), Int("opt", 1)});
    EXPECT_EQ(Load_Mail_Settings("PortNumber"), Settings("u", "", "s", "", false));
    RawAccount("BadData", {Str("usrname", "u"), Str("mailsrvr", "s"), Str("port", "110"), Int("opt", 1),
                           Str("data", "27-x-")});
    EXPECT_EQ(Load_Mail_Settings("BadData"), Settings("u", "", "s", "110", false));
}

TEST(AccountNames, NamesReachingBeyondTheirOwnKeyOrFolderAreRefused)
{
    for (const char* bad : {"", "  ", "a\\b", "\\", "a/b", ".", "..", "delList", "DELLIST", "a;b", "x\ty", "x\x7f"})
        EXPECT_FALSE(AccountNameProblem(bad).empty()) << bad;
    EXPECT_EQ(AccountNameProblem("delList"),
              "\"delList\" is reserved for the message rules and cannot be used as an account name.");
    for (const char* good : {"Work", "Me & You", "a.b", "...", " x", "delList2", "M\xfcller"})
        EXPECT_EQ(AccountNameProblem(good), "") << good;
}

TEST(AccountNames, RefusedNamesAreNeitherWrittenNorReadNorDeleted)
{
    TempHome home;
    Save_Mail_Settings("Work", "joe", "pw", "srv", "110", true);
    RawAccount("delList\\from", {Int("total", 1), Str("List_0", "SPAM")});
    RawAccount("", {Str("usrname", "root-level")});
    EXPECT_THROW(Save_Mail_Settings("a\\b", "u", "p", "s", "110", false), EAccountName);
    EXPECT_FALSE(TRegistry().KeyExists("software\\quillbox\\a"));
    EXPECT_EQ(Load_Mail_Settings("").User, "");
    for (const char* bad : {"", "\\", "delList", "DelList\\from", "..", "Work\\"})
        EXPECT_FALSE(Delete_Mail_Settings(bad)) << bad;
    EXPECT_TRUE(TRegistry().KeyExists("software\\quillbox\\delList\\from"));
    EXPECT_EQ(Load_Mail_Settings("Work").Password, "pw");
    Save_Mail_Settings("Workshop", "", "", "", "", false);
    EXPECT_TRUE(Delete_Mail_Settings("WORK"));
    EXPECT_FALSE(TRegistry().KeyExists("software\\quillbox\\Work"));
    EXPECT_TRUE(TRegistry().KeyExists("software\\quillbox\\Workshop"));
}

TEST(AccountListFile, EveryLineEndsWithCrLfAndNamesAreTheTextBeforeTheFirstSemicolon)
{
    TempHome home;
    EXPECT_TRUE(ReadAccList().empty());
    WriteAccList({AccListLine("Work", "pop.example.com"), "no separator", "M\xfcller;  a;b"});
    EXPECT_EQ(platform::ReadBytes(AccListPath()), "Work;  pop.example.com\r\nno separator\r\nM\xfcller;  a;b\r\n");
    StringList lines = ReadAccList();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(Get_MailAcc_Name(lines[0]), "Work");
    EXPECT_EQ(Get_MailAcc_Name(lines[1]), "");
    EXPECT_EQ(Get_MailAcc_Name(lines[2]), "M\xfcller");
    WriteAccList({});
    EXPECT_EQ(platform::ReadBytes(AccListPath()), "");
}

TEST(AccountForm, FieldsAreJudgedInTabOrderAndTakenNamesInAnyLetterCase)
{
    auto problem = [](std::string name, std::string port, StringList taken = {}, std::string user = "joe",
                      std::string server = "pop.example.com") {
        TAccountForm form;
        form.Name = std::move(name);
        form.User = std::move(user);
        form.Server = std::move(server);
        form.Port = std::move(port);
        std::optional<TFormProblem> p = CheckAccountForm(form, taken);
        static const char* const fields[] = {"name: ", "login: ", "server: ", "port: ", "interval: "};
        return p ? fields[int(p->Field)] + p->Text : std::string("ok");
    };
    EXPECT_EQ(problem("", "abc", {}, ""), "name: Please enter a name for the account.");
    for (const char* blank : {"", "  ", "\t"}) {
        EXPECT_EQ(problem("Work", "abc", {}, blank, ""), "login: Please enter the login name for the account.");
        EXPECT_EQ(problem("Work", "abc", {}, "joe", blank), "server: Please enter the POP3 mail server of the account.");
    }
    EXPECT_EQ(problem("work", "abc", {"Home", "Work"}),
              "name: There is already an account named \"Work\". Please choose another name.");
    EXPECT_EQ(problem("Work2", "110", {"Home", "Work"}), "ok");
    EXPECT_EQ(problem("W\xe9rk", "110", {"W\xc9RK"}), "ok");  // letters beyond a to z are not folded
    for (const char* bad : {"abc", "", " 110", "110 ", "0", "-110", "65536", "99999999999", "1e3"})
        EXPECT_EQ(problem("Work", bad), "port: The port must be a number from 1 to 65535.") << bad;
    for (const char* good : {"1", "110", "0995", "+995", "65535"}) EXPECT_EQ(problem("Work", good), "ok") << good;
}

TEST(AccountForm, PortNumberKeepsTheCheckWordsForTextAndNamesTheRange)
{
    EXPECT_EQ(PortNumber("65535"), 65535);
    EXPECT_EQ(PortNumber("0995"), 995);
    auto words = [](const char* text) {
        try {
            PortNumber(text);
        } catch (const EConvertError& e) {
            return e.Message();
        }
        return std::string("accepted");
    };
    EXPECT_EQ(words("abc"), "'abc' is not a valid integer value");
    EXPECT_EQ(words("0"), "'0' is not a valid port number (1 to 65535)");
    EXPECT_EQ(words("65536"), "'65536' is not a valid port number (1 to 65535)");
}

TEST(AccountListFile, TakenNamesSpareOnlyTheEditedAccountsOwnKey)
{
    // An older list may name one key twice ("Work" and "WORK").
    const StringList lines{"Work;  a", "Home;  b", "WORK;  c", "no separator"};
    EXPECT_EQ(TakenAccountNames(lines), (StringList{"Work", "Home", "WORK", ""}));
    EXPECT_EQ(TakenAccountNames(lines, 2), (StringList{"Home", ""}));
    EXPECT_EQ(TakenAccountNames(lines, 1), (StringList{"Work", "WORK", ""}));
    EXPECT_EQ(TakenAccountNames(lines, 9), TakenAccountNames(lines));
    EXPECT_TRUE(IsNamedElsewhere(lines, "work", 0));
    EXPECT_FALSE(IsNamedElsewhere(lines, "home", 1));
    EXPECT_TRUE(IsNamedElsewhere(lines, "home", -1));
}


// --- security, trusted certificate and periodic checks -----------------------------------------

namespace {
const std::string kPin = "3F:A0:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:01:23:45:67:89:AB:CD:EF:10:32:54:76:98:9C";
const std::vector<RegistryValue> kOldFive{Str("usrname", "u"), Str("mailsrvr", "s"), Str("port", "110"), Int("opt", 1),
                                          Str("data", Scramble_Password("pw"))};
using platform::SecurityMode;

TMailSettings Secured(SecurityMode security, std::string pin, int interval)
{
    return {"joe", "pw", "pop.example.com", "995", true, security, std::move(pin), interval};
}
std::vector<std::string> ValueNames(const std::string& name)
{
    std::vector<std::string> names;
    for (const auto& v : platform::RegistryStore::CurrentUser().Read().keys.at(UpperCase(AccountKeyPath(name))).values)
        names.push_back(v.name);
    return names;
}
}  // namespace

TEST(AccountSettings, LaterValuesFollowTheOriginalFiveAndComeBackAsStored)
{
    TempHome home;
    const TMailSettings pinned = Secured(SecurityMode::Tls, kPin, 1440);
    Save_Mail_Settings("Work", pinned);
    EXPECT_EQ(ValueNames("Work"), (std::vector<std::string>{"usrname", "mailsrvr", "port", "opt", "data", "security",
                                                            "certsha256", "interval"}));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(AccountKeyPath("Work"), false));
    EXPECT_EQ(reg.ReadString("security"), "tls");
    EXPECT_EQ(reg.ReadInteger("interval"), 1440);
    EXPECT_EQ(Load_Mail_Settings("Work"), pinned);
    // No pin: the value goes. The five-value save of older callers leaves the later values alone.
    Save_Mail_Settings("Work", Secured(SecurityMode::StartTls, "", 0));
    EXPECT_FALSE(reg.ValueExists("certsha256"));
    Save_Mail_Settings("Work", "ann", "", "pop.other", "110", false);
    EXPECT_EQ(reg.ReadString("security"), "starttls");
    // Refused before anything is written.
    EXPECT_THROW(Save_Mail_Settings("Work", Secured(SecurityMode::Tls, "3f:a0", 5)), EConvertError);
    for (int interval : {-1, 1441}) EXPECT_THROW(Save_Mail_Settings("Work", Secured(SecurityMode::Tls, "", interval)), EConvertError);
    EXPECT_EQ(Load_Mail_Settings("Work").User, "ann");
}

TEST(AccountSettings, OldAccountsAndDamagedLaterValuesReadAsPlainUnpinnedAndUnchecked)
{
    TempHome home;
    const TMailSettings old = Settings("u", "pw", "s", "110", true);  // None, "", 0
    RawAccount("Old", kOldFive);
    EXPECT_EQ(Load_Mail_Settings("Old"), old);
    std::string lowerPin = kPin;
    for (char& c : lowerPin) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& later : std::vector<std::vector<RegistryValue>>{
             {Int("security", 1), Str("certsha256", lowerPin), Str("interval", "15")},
             {Str("security", ""), Str("certsha256", kPin + ":00"), Int("interval", 1441)},
             {Int("interval", uint32_t(-5))}}) {
        std::vector<RegistryValue> values = kOldFive;
        values.insert(values.end(), later.begin(), later.end());
        RawAccount("Damaged", values);
        EXPECT_EQ(Load_Mail_Settings("Damaged"), old);
        Delete_Mail_Settings("Damaged");
    }
    // A mode word that is not one of ours never means plain text: a typing mistake must not
    // send the password in the clear.
    for (const char* word : {"ssl", "TLS", "tls1.3"}) {
        std::vector<RegistryValue> values = kOldFive;
        values.push_back(Str("security", word));
        RawAccount("Typo", values);
        EXPECT_EQ(Load_Mail_Settings("Typo").Security, SecurityMode::Tls) << word;
    }
    RawAccount("Upper", {Str("usrname", "u"), Str("security", "StartTLS")});
    EXPECT_EQ(Load_Mail_Settings("Upper").Security, SecurityMode::StartTls);
    // Damage to the original values costs the later ones nothing.
    RawAccount("NoOpt", {Str("usrname", "u"), Str("security", "starttls"), Str("certsha256", kPin), Int("interval", 30)});
    EXPECT_EQ(Load_Mail_Settings("NoOpt"), (TMailSettings{"u", "", "", "", false, SecurityMode::StartTls, kPin, 30}));
}

TEST(CertificatePin, StoredAloneOnlyForAnExistingAccountAndOnlyInItsStoredForm)
{
    TempHome home;
    for (const std::string& bad : {kPin.substr(3), kPin + ":00", std::string(kPin).replace(2, 1, "-"),
                                   std::string(kPin).replace(0, 1, "f"), std::string(kPin).replace(0, 1, "G")})
        EXPECT_FALSE(IsCertificatePin(bad)) << bad;
    EXPECT_FALSE(StoreCertificatePin("Nobody", kPin));
    EXPECT_FALSE(TRegistry().KeyExists(AccountKeyPath("Nobody")));
    EXPECT_THROW(StoreCertificatePin("..", kPin), EAccountName);
    RawAccount("Old", kOldFive);
    EXPECT_THROW(StoreCertificatePin("Old", "3F:A0"), EConvertError);
    EXPECT_TRUE(StoreCertificatePin("OLD", kPin));
    EXPECT_EQ(Load_Mail_Settings("Old"), (TMailSettings{"u", "pw", "s", "110", true, SecurityMode::None, kPin, 0}));
    EXPECT_TRUE(StoreCertificatePin("Old", ""));
    EXPECT_EQ(ValueNames("Old"), (std::vector<std::string>{"usrname", "mailsrvr", "port", "opt", "data"}));
}

TEST(AccountForm, AnIntervalOutOfRangeIsRefusedAndTheTrustedCertificateStaysOnlyWithItsServerOverTls)
{
    EXPECT_EQ(CheckAccountForm(TAccountForm{"Work", "joe", "", "pop.work", "995", false, SecurityMode::None, -1}, {})->Field,
              TAccountField::Interval);
    TAccountForm form;
    const TMailSettings stored = Secured(SecurityMode::Tls, kPin, 10);
    auto kept = [&](const char* server, SecurityMode security) {
        form.Server = server;
        form.Security = security;
        return SettingsToStore(form, stored).CertSha256 == kPin;
    };
    EXPECT_TRUE(kept("POP.Example.COM", SecurityMode::StartTls));  // host names ignore letter case
    EXPECT_FALSE(kept("pop.example.net", SecurityMode::Tls));
    EXPECT_FALSE(kept("pop.example.com", SecurityMode::None));
    EXPECT_EQ(SettingsToStore(form, TMailSettings()).CertSha256, "");
}
