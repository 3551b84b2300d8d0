#pragma once
// When to check which account by itself. The main window drives it from a timer tick: it asks
// NextCheck whether a check should start now, runs that check through the usual check road,
// and reports CheckDone when the check has ended, however it ended. Checks run one at a time:
// none starts while a check or any other operation is running, or while a modal window is
// open; a due check then waits and starts at the first tick that finds the window idle.
// A timed check never asks for a password, so accounts without a remembered one are left out.
// "Check All Accounts" queues every account; the queue goes first, one account at a time.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TScheduledAccount {
    std::string Name;
    int Interval = 0;         // minutes between timed checks; 0: none
    bool Remembered = false;  // whether the password is remembered
};

class TCheckSchedule {
public:
    using Clock = std::function<int64_t()>;  // milliseconds, never going back

    explicit TCheckSchedule(Clock nowMs = SteadyNowMs);
    static int64_t SteadyNowMs();

    // The accounts in the order of the account list. An account keeps its place in time when
    // its interval stays as it was; a new account, or one whose interval changed, is first due
    // one interval from now. Accounts that are gone leave the queue too.
    void SetAccounts(const std::vector<TScheduledAccount>& accounts);

    // The accounts whose timed check is due now: the longest waiting first, then in list order.
    std::vector<std::string> Due() const;

    // Queues every account, in list order, for "Check All Accounts" (those already queued keep
    // their place). These are checks the user asked for: they include accounts without timed
    // checks or without a remembered password.
    void CheckAll();
    // Drops what is left of the queue (the user pressed Stop).
    void CancelCheckAll();
    const std::deque<std::string>& Queued() const { return queue_; }

    // The account to check now, if any: nothing while a check handed out here has not been
    // reported done, while busy or while a modal window is open; else the next queued account,
    // else the first due one. The caller must check it and then call CheckDone.
    std::optional<std::string> NextCheck(bool busy, bool modalOpen);
    // A check of the account ended (also one the user started himself): its next timed check
    // is one interval from now.
    void CheckDone(const std::string& account);
    const std::optional<std::string>& Running() const { return running_; }
    // Whether the running check came from "Check All Accounts", which the user asked for and
    // which may therefore ask for a password; a timed check must not.
    bool RunningIsCheckAll() const { return running_ && runningAsked_; }

private:
    struct TEntry {
        TScheduledAccount account;
        int64_t dueMs = 0;  // meaningful only with an interval
    };
    TEntry* Find(const std::string& name);
    int64_t OneIntervalFromNow(int minutes) const;

    Clock now_;
    std::vector<TEntry> entries_;
    std::deque<std::string> queue_;
    std::optional<std::string> running_;
    bool runningAsked_ = false;
};
