#pragma once
// The main window: toolbar, status display, message list, status bar and menus; the commands
// and the idle/busy switching that every mail operation uses. View, delete, apply rules and the
// secure connect are carried out by classes of their own that see the window as a TMailWindowPort.
#include "session/CheckFailure.h"
#include "session/SeenMessages.h"
#include "session/UidlTable.h"
#include "ApplyRules.h"
#include "MailListModel.h"
#include "MailWindowPort.h"
#include "MessageCommands.h"
#include "NewMailText.h"
#include "SecureConnection.h"
#include "platform/Strings.h"
#include "mailbox/Kiropop3.h"
#include "retrieval/VemPOP3.h"
#include "rules/RuleTable.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class TBackgroundScoring;
class QSortFilterProxyModel;
class QTimer;
class TCheckSchedule;
class TDesktopNotifier;
class TTrayIcon;
class QFrame;
class QLabel;
class QMenu;
class QTableView;
class QToolBar;
namespace lcd {
class TLCDScreen;
class TLCDAnimator;
}  // namespace lcd
class TFrm_Acc;
struct TMailSettings;
class Tfrm_NewAcc;
class TFrm_srcvu;
class TFrm_Rules;
class TFrm_defRule;
class TAboutBox;
class TManualWindow;
class TSpamFilter;
struct TSpamScore;
class TFrm_Senders;
class TFrm_TrainFolder;
enum class TSenderList;
class QMenuBar;
class Tfrm_pwd_req;

// The windows that start-up creates after the main one; each exists once for the program's life.
struct TAppWindows {
    TFrm_Acc* Frm_Acc = nullptr;
    Tfrm_NewAcc* frm_NewAcc = nullptr;
    TFrm_srcvu* Frm_srcvu = nullptr;
    TFrm_Rules* Frm_Rules = nullptr;
    TFrm_defRule* Frm_defRule = nullptr;
    TAboutBox* AboutBox = nullptr;
    Tfrm_pwd_req* frm_pwd_req = nullptr;
};

// The commands on the listed messages see the window only as their TMailWindowPort.
class TMainFrm : public QMainWindow, private TMailWindowPort {
public:
    explicit TMainFrm(QWidget* parent = nullptr);
    ~TMainFrm() override;

    void SetWindows(const TAppWindows& windows);
    const TAppWindows& Windows() const { return windows_; }

    // Replaces the status display's text by one line (empty: a blank display).
    void DisplayLCD_Msg(const std::string& msg);
    // Switches the commands between the idle and the busy state.
    void update_ctrls(bool idle);
    // Appends every file in `folder` and its sub-folders matching `mask`, a folder's own files
    // before those of its sub-folders.
    static void FindFiles(StringList& list, const std::string& folder, const std::string& mask);
    // The project's page, when the build names one (none: the links to it are hidden).
    void ShowHome();
    // The local manual (docs/manual.html, installed with the program), in the program's own
    // window, at `section` (an id of the manual; empty: the top).
    void ShowManual(const std::string& section = {});
    TManualWindow* ManualWindow() const { return manualWindow_; }
    static std::string ManualPath();
    // F5: checks the account checked last, or the only one; else drops the accounts down.
    void CheckMailKey();
    // Checks by themselves: the timer's turn, "Check All Accounts", the account list they follow.
    void CheckTick();
    void CheckAllAccounts();
    void RefreshSchedule();
    // Shows and raises the window (from the tray or a notification), on `account`'s list.
    void ShowFromTray(const std::string& account = {});
    TCheckSchedule& Schedule() { return *schedule_; }
    TTrayIcon& Tray() { return *tray_; }
    TDesktopNotifier& Notifier() { return *notifier_; }
    QTimer* CheckTimer = nullptr;
    // The clock of timed checks and the notifier (tests give a clock of their own and a bus).
    void UseScheduleClock(std::function<int64_t()> nowMs);
    void UseNotifier(std::unique_ptr<TDesktopNotifier> notifier);
    // Window size and place, column widths and sort order, kept between runs.
    void SaveWindowState();
    void RestoreWindowState();
    std::string StatusText() const;

    // Handlers.
    void FormCreate();
    void FormResize();
    bool FormCloseQuery();
    void MailListSelectItem();
    void SelectAll1Click();
    void Exit1Click();
    void cmdNewAccClick();
    void mnu_onLineHLPClick(QAction* item);
    void ASPPHPCF1Click(QAction* item);
    void About1Click();
    void cmd_ruleClick();

    // Reading and deleting the listed messages.
    void cmd_vumsgClick();
    void cmd_vusrcClick();
    void cmd_delClick();
    void Deletefromserver1Click() { cmd_delClick(); }
    // The bold "new" mark: a viewed message loses it, "Mark as unread" gives it back for good.
    void MarkViewed(int row) override;
    void MarkUnread1Click();

    // The spam filter: each row's verdict, and the commands that teach the filter.
    TSpamFilter* SpamFilter();  // opened when first wanted; none when its database cannot be had (said once)
    void UseSpamFilter(std::unique_ptr<TSpamFilter> filter);
    // A row's verdict: the filter's score and sender lists from its header, then its mark from
    // those, the rules (`headerLines`, when given, for the header-field rules) and the user's word.
    void JudgeRow(TMailRow& row, std::string_view header, const StringList* headerLines);
    void ScoreRow(TMailRow& row, std::string_view header);
    void MarkRow(TMailRow& row, const StringList* headerLines) const;
    void MarkRowWith(TMailRow& row, bool ruleMatched) const;
    void TakeScore(TMailRow& row, const TSpamScore& score);
    // The filter's verdicts on the rows a check listed from `firstRow` on, in their order.
    void ApplyScores(int firstRow, TBackgroundScoring& scoring);
    // Marks every row again (after the rules, the threshold or, with `senders`, the lists changed).
    void RemarkRows(bool senders);
    // A click on the row's mark: a rule's or the filter's mark goes, and the message is kept.
    void UnmarkRow(int row);
    void RejudgeAllRows();
    double SpamThreshold() const { return spamThreshold_; }
    void MarkAsSpam1Click();
    void NotSpam1Click();
    void AddSenderToFriends1Click();
    void BlockSender1Click();
    void Senders1Click();
    void TrainFromFolder1Click();
    void SpamSettings1Click();
    QAction* mnuMarkSpam = nullptr;
    QAction* mnuNotSpam = nullptr;
    QAction* mnuAddFriend = nullptr;
    QAction* mnuBlockSender = nullptr;
    QAction* mnuSenders = nullptr;
    QAction* mnuTrainFolder = nullptr;
    QAction* mnuSpamSettings = nullptr;
    QAction* mnuSpamColumn = nullptr;
    TFrm_Senders* SendersDialog() const { return sendersDialog_; }
    TFrm_TrainFolder* TrainDialog() const { return trainDialog_; }

    // The mail check.
    void sub_mnu_click(QObject* clicked);
    void chk_mail(const std::string& accName);
    void Get_msg_Summary(const std::string& accName);
    void cmdStopClick();
    // Deletes the messages that rules marked, after asking; called after every check that
    // listed messages and from Message, "Apply Rules".
    void Apply_rules();
    void ApplyRules1Click() { Apply_rules(); }
    std::function<void()> OnApplyRules;  // lets a test see each run
    int MailCheckTimeOut = 20000;        // milliseconds for each wait of a check
    // Every text the status display is given, as it is given (for tests and tracing).
    std::function<void(const std::string&)> OnLCDMessage;

    // Handlers of the mailbox client's events.
    void POP31Connect();
    void POP31Disconnect();
    void POP31InvalidHost(bool& handled);
    void POP31ConnectionFailed();
    void POP31AuthenticationFailed(bool& handled);
    void POP31List(int msg, int64_t size);

    // Handlers of the retrieval client's events.
    void VemPOP1Connect();
    void VemPOP1Disconnect();
    void VemPOP1BeforeRetrieve(int msgIndex);
    void VemPOP1RetrieveProgress(unsigned percent);
    void VemPOP1Error(const std::string& msg);

    // The loaded message rules, and whether a listed message falls under one of them.
    void load_rules() { RuleTable.load_rules(); }
    int Get_rule_id(const std::string& fromText, const std::string& subjectText) const
    {
        return RuleTable.Get_rule_id(fromText, subjectText);
    }
    // A listed row: its raw texts and the decoded ones the list shows; with its header lines,
    // header-field rules are judged too.
    int Get_rule_id(const TMailRow& row, const StringList* header = nullptr) const
    {
        return RuleTable.Get_rule_id(row.From(), row.Subject(), row.ShownFrom(), row.ShownSubject(), header);
    }

    // Controls.
    QToolBar* Toolbar971 = nullptr;
    QAction* cmdNewAcc = nullptr;
    QAction* cmdChkMail = nullptr;
    QAction* cmd_vumsg = nullptr;
    QAction* cmd_vusrc = nullptr;
    QAction* cmd_del = nullptr;
    QAction* cmdStop = nullptr;
    QAction* cmd_rule = nullptr;
    QFrame* Panel1 = nullptr;
    lcd::TLCDScreen* LCD1 = nullptr;
    std::unique_ptr<lcd::TLCDAnimator> LCDAnimator1;
    QTableView* MailList = nullptr;
    TMailListModel* MailRows = nullptr;          // the rows in server order: row i is message i + 1
    QSortFilterProxyModel* MailSort = nullptr;   // the order the user sorted them in, on screen only
    QLabel* sbar = nullptr;
    QLabel* sbarListed = nullptr;  // "N messages listed"
    QAction* mnuCheckMail = nullptr;     // File, "Check Mail" (F5)
    QAction* mnuCheckAll = nullptr;      // File, "Check All Accounts" (Shift+F5)
    QAction* mnuKeepInTray = nullptr;    // File, "Keep running in the notification area"
    QAction* mnuHelpContents = nullptr;  // Help, the manual (F1)
    QAction* mnuExit = nullptr;          // File, "Exit"
    QAction* mnuMarkUnread = nullptr;    // "Mark as unread", in the Message menu and the list's menu
    QMenu* mnuFile = nullptr;
    QMenu* mnuMessage = nullptr;
    QMenu* mnuHelp = nullptr;
    QMenu* mnuDevServices = nullptr;
    QMenu* PopupMenu1 = nullptr;  // the accounts of the "Check Mail" drop-down
    QMenu* PopupMenu2 = nullptr;  // the list's right-click menu

    // Engines.
    std::unique_ptr<TKiroPOP3> POP31;
    std::unique_ptr<TVemPOP> VemPOP1;

    // State.
    rules::TRuleTable RuleTable;
    StringList msg_list;  // "number/octets" of each message, as LIST gives them, until the rows are made
    std::string cur_account;
    std::unique_ptr<TVemMsg> cur_msg;  // the message under view, only while it is viewed

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolbar();
    void BuildStatusDisplay();
    void BuildMailList();
    void BuildMenus();
    void BuildKeys();
    void ShowListedCount();
    // The window's title and the status bar name the account whose messages are listed;
    // `state` says what became of its last check when it listed nothing ("not checked").
    void ShowListedAccount(const std::string& account, const std::string& state = {});
    // A failed check: shown at once when the user started it, else kept for TellCheckFailures.
    void ReportCheckFailure(const std::string& accName, const TMailSettings& settings, const std::exception& e);
    void ShowCheckFailures(const std::vector<TCheckFailure>& failures);
    // After a run of checks the user did not start one by one: one box for Check All Accounts,
    // a notification for a timed check.
    void TellCheckFailures(bool timed);
    void OfferFirstAccount();
    void BindNewMail();
    // After a check listed its rows: which are new since the last check (drawn bold, counted,
    // told about); `ids` is each row's unique id in list order.
    void NoteNewMail(const std::string& accName, const TIdList& ids, bool complete);
    // The tray's count of the listed account follows its bold rows, until the user has seen them.
    void FollowNewMail();
    bool TimedCheckNeedsRules() const;
    // Draws bold again the listed messages the user marked unread; a complete check forgets
    // the marks of messages no longer on the server.
    void KeepUnreadMarks(const std::string& accName, const TIdList& ids, bool complete);
    void BindReadMarks();
    std::string SeenIdOf(int row) const;  // the id a check gives the row's message
    QAction* AddMenuItem(QMenu* menu, const char* caption, int icon, void (TMainFrm::*handler)());
    void BuildHelpMenu(QMenuBar* bar);

    void BindMailboxClient();
    // Also makes the commands on the listed messages, once both clients exist.
    void BindRetrievalClient();
    static std::string CheckFailureText(const std::exception& e);

    // The window as the commands see it.
    void ShowStatus(const std::string& text) override { DisplayLCD_Msg(text); }
    void ScrollStatus(bool on) override;
    void OperationBegins() override { ++operations_; }
    void OperationEnds() override { --operations_; }
    bool Closing() const override { return closing_; }
    TMailListModel& Rows() override { return *MailRows; }
    // The positions of the selected rows, lowest first; taken once by each command.
    std::vector<int> SelectedRows() const override;
    const std::string& AccountInUse() const override { return cur_account; }
    void StoreCertificatePin(const std::string& account, const std::string& sha256) override;
    TFrm_srcvu& MessageWindow() override { return *windows_.Frm_srcvu; }

    // Counts a command for as long as it runs, so no timed check starts inside it.
    class TOperationScope {
    public:
        explicit TOperationScope(int& count) : count_(count) { ++count_; }
        ~TOperationScope() { --count_; }
        TOperationScope(const TOperationScope&) = delete;
        TOperationScope& operator=(const TOperationScope&) = delete;

    private:
        int& count_;
    };

    TAppWindows windows_;
    std::unique_ptr<TSecureConnection> connection_;
    std::unique_ptr<TMessageCommands> messages_;
    std::unique_ptr<TApplyRules> applyRules_;
    TUidlTable uidls_;  // the unique ids of the check's messages, by number, while it lists them
    QAction* addAccountEntry_ = nullptr;  // "Add an account..." while the drop-down has no account
    std::unique_ptr<TCheckSchedule> schedule_;
    std::unique_ptr<TTrayIcon> tray_;
    std::unique_ptr<TDesktopNotifier> notifier_;
    int operations_ = 0;        // commands running (each may wait in a nested event loop)
    bool timedCheck_ = false;   // the check running was started by the timer, not by the user
    bool userCheck_ = true;     // the check running is one the user asked for himself
    bool quitting_ = false;     // Exit: closing the window ends the program, tray or not
    int freshCount_ = 0;               // how many messages the last check found new
    std::vector<TNewMail> freshMail_;  // the newest of them, those the user is told about
    std::string newMailAccount_;  // whose rows the list shows, once a check has told the new ones
    bool newMailSeen_ = true;     // the user has seen them: nothing is counted for the list
    bool closing_ = false;  // the window closed during an operation: it ends without asking more
    bool stopped_ = false;  // the user pressed Stop during the check running
    std::vector<TCheckFailure> checkFailures_;  // of the run of checks going on, told after it
    std::string listedAccount_;                 // whose messages the list shows
    std::string listedState_;                   // what became of that account's last check
    TManualWindow* manualWindow_ = nullptr;     // made when the manual is first asked for
    std::unique_ptr<TSpamFilter> spamFilter_;
    bool spamFilterTried_ = false;
    bool spamTrained_ = false;  // a training run changed the counts
    double spamThreshold_ = 90;
    TFrm_Senders* sendersDialog_ = nullptr;
    TFrm_TrainFolder* trainDialog_ = nullptr;
    void BindSpamFilter();
    void RejudgeRows(const std::vector<int>& rows);
    void TrainSelected(bool spam);
    void ListSelectedSenders(TSenderList list);
};

// The Tag of a toolbar button or menu item.
int TagOf(const QAction* action);
void SetTag(QAction* action, int tag);
