// The mail check: choosing an account in the "Check Mail" drop-down lists the messages waiting
// on its server, one row per message, built from the headers alone.
#include "Main.h"
#include "filter/BackgroundScoring.h"
#include "session/MessageCells.h"
#include "session/HeaderFileWriter.h"
#include "session/CheckFailure.h"
#include "session/CheckSchedule.h"
#include "DesktopNotifier.h"
#include "session/SeenMessages.h"
#include "accounts/AccountMenu.h"
#include "accounts/AccountPort.h"
#include "accounts/pop_acc.h"
#include "accounts/pwd_req.h"
#include "lcd/LCDScreen.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/MessageBox.h"
#include "platform/SecretStore.h"
#include "platform/TextFile.h"
#include "widgets/Modal.h"
#include "widgets/QtText.h"

#include <algorithm>
#include <deque>
#include <optional>

#include <QAction>
#include <QElapsedTimer>
#include <QLocale>
#include <QMenu>

namespace {

void Inform(const std::string& text)
{
    platform::ShowMessageBox({text, platform::ApplicationTitle(), platform::MsgIcon::Information,
                              platform::MsgButtons::OK, platform::MsgResult::None});
}

char UserDecimalSeparator()
{
    QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? char(point[0].unicode()) : '.';
}

}  // namespace

void TMainFrm::BindMailboxClient()
{
    POP31 = std::make_unique<TKiroPOP3>();
    POP31->Port = 110;
    POP31->ReportLevel = 0;
    POP31->Parse = false;
    POP31->DeleteOnRead = false;
    POP31->OnConnect = [this](TPowersock*) { POP31Connect(); };
    POP31->OnDisconnect = [this](TPowersock*) { POP31Disconnect(); };
    POP31->OnInvalidHost = [this](bool& handled) { POP31InvalidHost(handled); };
    POP31->OnConnectionFailed = [this](TPowersock*) { POP31ConnectionFailed(); };
    POP31->OnAuthenticationFailed = [this](bool& handled) { POP31AuthenticationFailed(handled); };
    POP31->OnList = [this](int msg, int64_t size) { POP31List(msg, size); };

    connect(PopupMenu1, &QMenu::triggered, this, [this](QAction* entry) { platform::RunGuarded([&] { sub_mnu_click(entry); }); });
    connect(cmdStop, &QAction::triggered, this, [this] { platform::RunGuarded([&] { cmdStopClick(); }); });
}

void TMainFrm::sub_mnu_click(QObject* clicked)
{
    auto* entry = qobject_cast<QAction*>(clicked);
    if (!entry) return;
    if (entry == addAccountEntry_) {
        // No account yet: the drop-down's one entry makes the first.
        if (windows_.Frm_Acc) windows_.Frm_Acc->cmd_AddClick();
        RefreshSchedule();
        return;
    }
    LCD1->SetAnimationEnabled(false);
    DisplayLCD_Msg("Checking Mail ...");
    // The entry keeps the account's name itself; its caption only shows it.
    std::string accName = accounts::EntryAccount(*entry);
    cur_account = accName;
    TOperationScope operation(operations_);
    struct Checked {
        TMainFrm& frm;
        std::string account;
        ~Checked()
        {
            // The next timed check of the account is one interval from this one.
            if (frm.userCheck_ && frm.schedule_) frm.schedule_->CheckDone(account);
        }
    } checked{*this, accName};
    try {
        chk_mail(accName);
    } catch (...) {
        // The window closed meanwhile: the check's end is nobody's business any more.
        if (!closing_) throw;
    }
}

void TMainFrm::chk_mail(const std::string& accName)
{
    // However the check ends, the window is idle again unless a connection is still open.
    struct IdleUnlessConnected {
        TMainFrm& frm;
        ~IdleUnlessConnected()
        {
            if (!frm.POP31->Connected()) frm.update_ctrls(true);
        }
    } idleAtEnd{*this};

    stopped_ = false;
    // The keyring may wait for its unlock prompt: meanwhile Stop is there to end the check.
    update_ctrls(false);
    const unsigned stops = platform::SecretWaitStops();
    TMailSettings settings = windows_.Frm_Acc->Load_Mail_Settings(
        accName, timedCheck_ ? TPasswordRead::Quiet : TPasswordRead::MayUnlock);
    if (closing_ || platform::SecretWaitStops() != stops) return;
    update_ctrls(true);
    std::string password = settings.Password;
    if (!settings.Remember) {
        if (timedCheck_) return;  // no prompt pops up by itself
        Tfrm_pwd_req& prompt = *windows_.frm_pwd_req;
        prompt.SetAccountName(accName);
        if (widgets::ShowModal(prompt) != QDialog::Accepted) {
            // The list stays as it was, and the display says why nothing happened.
            LCD1->SetAnimationEnabled(true);
            DisplayLCD_Msg("No password given: " + accName + " was not checked");
            return;
        }
        password = prompt.Password();
    }
    MailRows->Clear();
    ShowListedAccount(accName);
    DisplayLCD_Msg("Connecting " + accName + " ...");
    VemPOP1->Host = settings.Server;
    VemPOP1->Port = settings.Port;
    VemPOP1->UserId = settings.User;
    VemPOP1->UserPasswd = password;
    VemPOP1->Security = settings.Security;
    VemPOP1->CertificatePin = settings.CertSha256;
    POP31->Security = settings.Security;
    POP31->CertificatePin = settings.CertSha256;
    POP31->ReportLevel = 2;
    POP31->TimeOut = MailCheckTimeOut;
    POP31->Host = settings.Server;
    try {
        POP31->Port = PortNumber(settings.Port);
    } catch (const EConvertError&) {
        // Only settings edited by hand get here (the account dialog refuses such ports). The
        // error report says why; the display must not go on saying "Connecting".
        DisplayLCD_Msg("Invalid port: " + (settings.Port.empty() ? std::string("(none)") : settings.Port));
        ShowListedAccount(accName, "not checked");
        throw;
    }
    POP31->UserID = settings.User;
    POP31->Password = password;

    // From here no second check may start: it would reuse the client while this one waits.
    update_ctrls(false);
    try {
        msg_list.clear();
        uidls_.Clear();
        connection_->ConnectMailbox();
        msg_list.reserve(POP31->ExpectedListSize());  // a big mailbox's list is not copied as it grows
        POP31->List();
        // The unique ids let a later deletion confirm that each number is still its row's message.
        uidls_.Reserve(POP31->ExpectedListSize());
        POP31->GetUIDLs([this](int number, const std::string& id) { uidls_.Add(number, id); });
        uidls_.Seal();
    } catch (const std::exception& e) {
        // Nothing can be listed: the check ends here, and the ids of the last complete check
        // stay as they were (an empty list must not make every message new next time).
        try {
            POP31->Disconnect();  // QUIT, when the connection is still there: nothing was deleted
        } catch (...) {
            POP31->Abort();
        }
        LCD1->SetAnimationEnabled(true);
        if (closing_) return;
        ShowListedAccount(accName, "not checked");
        if (dynamic_cast<const ECertificateDeclined*>(&e)) {
            // The question about the certificate was the one box of this check.
            DisplayLCD_Msg("Certificate not trusted: " + accName + " was not checked");
        } else if (stopped_) {
            DisplayLCD_Msg("Operation cancelled by user");  // not the failure the Stop caused
        } else {
            ReportCheckFailure(accName, settings, e);
        }
        return;
    }
    if (closing_) return;
    DisplayLCD_Msg("Total Messages: " + IntToStr(POP31->MessageCount()));
    Get_msg_Summary(accName);
    if (closing_) return;
    if (MailRows->Count() > 0 && (!timedCheck_ || TimedCheckNeedsRules())) Apply_rules();
    if (timedCheck_ && !closing_) {
        // The display tells what the check found, the notification area keeps the count.
        const int n = freshCount_;
        DisplayLCD_Msg(n == 0 ? "No new messages in " + accName
                              : IntToStr(int64_t(n)) + (n == 1 ? " new message in " : " new messages in ") + accName);
    }
}

void TMainFrm::ReportCheckFailure(const std::string& accName, const TMailSettings& settings, const std::exception& e)
{
    TCheckFailure failure{accName, settings.Server, POP31->Port,
                          CheckFailureReason(e, POP31->LastErrorNo(), std::max(1, MailCheckTimeOut / 1000))};
    DisplayLCD_Msg("Check of " + accName + " failed: " + failure.reason);
    if (userCheck_) {
        ShowCheckFailures({std::move(failure)});
        return;
    }
    // Checks the user did not start one by one are told about together, after the run.
    checkFailures_.push_back(std::move(failure));
}

void TMainFrm::ShowCheckFailures(const std::vector<TCheckFailure>& failures)
{
    if (failures.empty() || closing_) return;
    platform::ShowMessageBox({CheckFailuresText(failures), platform::ApplicationTitle(), platform::MsgIcon::Warning,
                              platform::MsgButtons::OK, platform::MsgResult::None});
}

void TMainFrm::TellCheckFailures(bool timed)
{
    std::vector<TCheckFailure> failures;
    failures.swap(checkFailures_);
    if (failures.empty() || closing_) return;
    if (!timed) return ShowCheckFailures(failures);
    // Nobody asked for a timed check: no box waits for the user, the notification says it.
    for (const TCheckFailure& f : failures)
        notifier_->Tell(f.account, {ToQ("Checking " + f.account + " failed"), {ToQ(f.reason)}});
}

namespace {
constexpr size_t kMostPendingRows = 1000;
}

void TMainFrm::Get_msg_Summary(const std::string& accName)
{
    std::string folder = platform::ProgramFolder() + accName;
    try {
        if (!platform::DirectoryExists(folder)) platform::CreateDir(folder);
    } catch (...) {
        // Nothing can be listed without the folder: close the connection (no QUIT is needed),
        // so the window does not stay busy, and let the error report say why.
        POP31->Abort();
        throw;
    }

    std::vector<int> numbers;
    numbers.reserve(msg_list.size());
    try {
        for (const std::string& entry : msg_list) numbers.push_back(StrToInt(entry.substr(0, entry.find('/'))));
    } catch (const EConvertError&) {
        // an entry that is no number ends the list there
    }
    const size_t count = numbers.size();
    StringList().swap(msg_list);  // the rows hold the sizes from here on

    // Rows reach the list in batches and the header files go to disk on a thread of their own:
    // neither a repaint nor the disk holds up the replies coming in.
    THeaderFileWriter headerFiles;
    std::vector<TMailRow> pending;
    QElapsedTimer sinceShown;
    sinceShown.start();
    auto showPending = [&] {
        MailRows->AddRows(std::move(pending));
        pending.clear();
        sinceShown.restart();
    };
    size_t listed = 0;
    std::string header;  // one message's header lines as one text, for the spam filter
    // The filter scores on a thread of its own while the replies come in; its verdicts join the
    // rows at the end of the list.
    std::optional<TBackgroundScoring> scoring;
    if (TSpamFilter* filter = SpamFilter()) scoring.emplace(*filter, numbers.size());
    const int firstRow = MailRows->Count();
    // The ids made from the header for rows whose server gave no unique id, in list order.
    std::deque<std::string> headerIds;
    MailRows->Reserve(numbers.size());
    MailRows->SetDecimalSeparator(UserDecimalSeparator());
    MailRows->SetHeaderFolder(folder + "/");
    try {
        if (!numbers.empty() && !closing_) DisplayLCD_Msg("Dowmloading Message 1 of " + IntToStr(int64_t(count)));
        // Servers list in ascending order; the ids of rows made can then go as the list goes on.
        const bool ascending = std::is_sorted(numbers.begin(), numbers.end());
        POP31->GetSummaries(numbers, [&](int number, const TSummary& summary) {
            if (closing_) throw Exception("The window closed.");
            const size_t i = listed++;
            TMailRow row;
            row.SetFrom(summary.From);
            row.SetSubject(summary.Subject);
            row.SetDate(DateOfHeader(summary.Header));
            row.octets = summary.Bytes;
            ShowRow(row);
            MarkRow(row, &summary.Header);  // the rules' verdict; the filter's comes at the end
            if (scoring) {
                // Its room at once: the text moved to the thread leaves none to grow in.
                size_t bytes = 0;
                for (const std::string& line : summary.Header) bytes += line.size() + 1;
                header.clear();
                header.reserve(bytes);
                for (const std::string& line : summary.Header) header.append(line).push_back('\n');
                scoring->Post(std::move(header));
            }
            row.headerNumber = int32_t(i);
            // The unique id alone tells the message when the server gave one.
            if (const std::string_view uidl = uidls_.Of(number); !uidl.empty()) {
                row.SetUidl(uidl);
            } else {
                row.SetIdentity(IdentityOfHeader(summary.Header));
                headerIds.push_back(FallbackId(summary.Header));
            }
            if (ascending) uidls_.ForgetBelow(number);  // the rows behind hold their own
            headerFiles.Post(MailRows->HeaderFolder() + row.HeaderName(), summary.Header);
            pending.push_back(std::move(row));
            // Five times a second is as fast as anyone reads rows coming in; each time costs a
            // repaint of the list, which more often would hold up the replies. A fast server
            // gives thousands in that time: what the views make for one insertion grows with
            // it, so a batch has a bound too.
            if (sinceShown.hasExpired(200) || pending.size() >= kMostPendingRows) showPending();
            if (i + 1 < count)
                DisplayLCD_Msg("Dowmloading Message " + IntToStr(int64_t(i) + 2) + " of " + IntToStr(int64_t(count)));
        });
    } catch (const ELineTooLong& e) {
        // The connection is gone with it: say why the list ends here.
        if (!closing_) Inform(e.Message());
    } catch (...) {
        // A summary that cannot be had ends the list quietly; the rows so far stay.
    }
    showPending();
    // Every row holds its own id and size from here on.
    uidls_.Clear();
    POP31->ForgetListedSizes();
    const bool listedAll = listed == numbers.size();
    std::vector<int>().swap(numbers);
    try {
        headerFiles.Finish();  // every row's header file exists from here on
    } catch (const std::exception& e) {
        if (!closing_) platform::ShowException(e);
    }
    if (closing_) return;
    if (scoring) ApplyScores(firstRow, *scoring);
    scoring.reset();
    // Each listed row's id, for telling the new ones: views of the rows' own texts.
    TIdList ids;
    ids.reserve(listed);
    for (int i = firstRow, fallback = 0; i < MailRows->Count(); ++i) {
        const std::string_view uidl = MailRows->Row(i).Uidl();
        ids.push_back(!uidl.empty() ? uidl : std::string_view(headerIds[size_t(fallback++)]));
    }
    NoteNewMail(accName, ids, listedAll);

    POP31->Disconnect();
    DisplayLCD_Msg(MailRows->Count() > 0 ? "right click messages to view details ...." : "No messages in " + accName);
    LCD1->SetAnimationEnabled(true);
}

void TMainFrm::cmdStopClick()
{
    try {
        platform::StopSecretWait();
        POP31->Abort();
        POP31->Disconnect();
        // A download or a rule deletion in progress ends too, without QUIT: nothing is deleted.
        VemPOP1->Abort();
        // The user's own Stop is no failure to report, and the rest of a Check All is off too.
        stopped_ = true;
        if (schedule_) schedule_->CancelCheckAll();
        update_ctrls(true);
        DisplayLCD_Msg("Operation cancelled by user");
    } catch (...) {
        Inform("Download aborted!!!");
    }
}

void TMainFrm::POP31Connect()
{
    update_ctrls(false);
    const std::string secure = POP31->SecurityDescription();
    DisplayLCD_Msg(secure.empty() ? "Connected" : "Connected (" + secure + ")");
}

void TMainFrm::POP31Disconnect() { update_ctrls(true); }

void TMainFrm::POP31InvalidHost(bool&) { DisplayLCD_Msg("Host not found"); }

void TMainFrm::POP31ConnectionFailed() { DisplayLCD_Msg("Connection Failed"); }

void TMainFrm::POP31AuthenticationFailed(bool&) { DisplayLCD_Msg("Invalid user name or password"); }

void TMainFrm::POP31List(int msg, int64_t size) { msg_list.push_back(IntToStr(msg) + "/" + IntToStr(size)); }
