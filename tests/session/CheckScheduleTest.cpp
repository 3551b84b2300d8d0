// When accounts are checked by themselves, driven by a fake clock the way the main window's
// timer drives the real one.
#include "session/CheckSchedule.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

class CheckScheduleTest : public ::testing::Test {
protected:
    static constexpr int64_t kSecond = 1000, kMinute = 60 * kSecond;

    // One tick of the main window's timer at `at`: the account it starts, if any.
    std::optional<std::string> TickAt(int64_t at, bool busy = false, bool modal = false)
    {
        now = at;
        return schedule.NextCheck(busy, modal);
    }
    void DoneAt(int64_t at, const std::string& account)
    {
        now = at;
        schedule.CheckDone(account);
    }

    int64_t now = 0;
    TCheckSchedule schedule{[this] { return now; }};
};

TEST_F(CheckScheduleTest, AccountsAtOneAndTwoMinutesAreCheckedAtTheirTimesOneAtATime)
{
    schedule.SetAccounts({{"A", 1, true}, {"B", 2, true}});
    // Every second a tick; a check of A takes two seconds, one of B ten.
    Names started;
    std::optional<std::string> running;
    int64_t runningSince = 0;
    for (int64_t t = 0; t <= 265 * kSecond; t += kSecond) {
        if (running && t - runningSince == (*running == "A" ? 2 : 10) * kSecond) {
            DoneAt(t, *running);
            running.reset();
        }
        std::optional<std::string> next = TickAt(t);
        if (!next) continue;
        ASSERT_FALSE(running) << "a second check started at " << t;
        running = next;
        runningSince = t;
        started.push_back(*next + "@" + std::to_string(t / kSecond));
    }
    // A falls due at 122 s and at 254 s while B runs, and starts as soon as B has ended.
    EXPECT_EQ(started, (Names{"A@60", "B@120", "A@130", "A@192", "B@250", "A@260"}));
}

TEST_F(CheckScheduleTest, ADueCheckWaitsForABusyWindowOrAModalDialogAndRunsWhenIdle)
{
    schedule.SetAccounts({{"A", 1, true}, {"B", 1, true}});
    EXPECT_EQ(TickAt(59 * kSecond), std::nullopt);
    EXPECT_EQ(TickAt(60 * kSecond, true, false), std::nullopt);
    EXPECT_EQ(TickAt(61 * kSecond, false, true), std::nullopt);
    EXPECT_EQ(schedule.Due(), (Names{"A", "B"}));  // still due, in list order
    EXPECT_EQ(TickAt(62 * kSecond), "A");
    EXPECT_EQ(schedule.Running(), "A");
    // While A runs nothing else starts, though the window may look idle in between.
    EXPECT_EQ(TickAt(63 * kSecond), std::nullopt);
    DoneAt(64 * kSecond, "A");
    EXPECT_EQ(schedule.Due(), (Names{"B"}));
    EXPECT_EQ(TickAt(65 * kSecond), "B");
    DoneAt(66 * kSecond, "B");
    EXPECT_EQ(TickAt(67 * kSecond), std::nullopt);
    EXPECT_EQ(schedule.Running(), std::nullopt);

    // A check the user started himself counts: the timed one comes an interval after it.
    DoneAt(100 * kSecond, "A");
    EXPECT_EQ(TickAt(124 * kSecond), std::nullopt);  // A was last checked at 64 s, then by hand at 100 s
    EXPECT_EQ(TickAt(126 * kSecond), "B");
    DoneAt(127 * kSecond, "B");
    EXPECT_EQ(TickAt(159 * kSecond), std::nullopt);
    EXPECT_EQ(TickAt(160 * kSecond), "A");
}

TEST_F(CheckScheduleTest, TimedChecksLeaveOutAccountsWithoutARememberedPasswordOrInterval)
{
    schedule.SetAccounts({{"asks", 1, false}, {"off", 0, true}, {"B", 1, true}});
    EXPECT_EQ(TickAt(60 * kSecond), "B");
    DoneAt(61 * kSecond, "B");
    for (int64_t t = 62 * kSecond; t < 10LL * 24 * 60 * kMinute; t += 17 * kMinute) {
        for (const std::string& due : schedule.Due()) EXPECT_EQ(due, "B") << t;
        if (std::optional<std::string> next = TickAt(t)) {
            ASSERT_EQ(*next, "B") << t;
            DoneAt(t, "B");
        }
    }
    // Once the password is remembered, the account's long-waiting check is due at once.
    schedule.SetAccounts({{"asks", 1, true}, {"off", 0, true}, {"B", 1, true}});
    EXPECT_EQ(schedule.Due().front(), "asks");
}

TEST_F(CheckScheduleTest, CheckAllQueuesEveryAccountInTurnAndGoesFirst)
{
    schedule.SetAccounts({{"off", 0, true}, {"asks", 5, false}, {"C", 1, true}});
    now = 60 * kSecond;  // C is due as well
    schedule.CheckAll();
    schedule.CheckAll();  // pressed twice: each account still once
    EXPECT_EQ(schedule.Queued(), (std::deque<std::string>{"off", "asks", "C"}));
    EXPECT_EQ(TickAt(60 * kSecond), "off");
    EXPECT_TRUE(schedule.RunningIsCheckAll());
    EXPECT_EQ(TickAt(61 * kSecond), std::nullopt);
    DoneAt(62 * kSecond, "off");
    EXPECT_EQ(TickAt(63 * kSecond, true), std::nullopt);  // the queue waits for idle too
    EXPECT_EQ(TickAt(64 * kSecond), "asks");
    DoneAt(65 * kSecond, "asks");
    EXPECT_EQ(TickAt(66 * kSecond), "C");
    DoneAt(67 * kSecond, "C");
    EXPECT_EQ(TickAt(68 * kSecond), std::nullopt);  // C's timed check was done by the queue
    EXPECT_EQ(TickAt(127 * kSecond), "C");
    EXPECT_FALSE(schedule.RunningIsCheckAll());  // timed: no password prompt
    DoneAt(128 * kSecond, "C");

    // Stop drops the rest; an account that is gone leaves the queue.
    schedule.CheckAll();
    EXPECT_EQ(TickAt(130 * kSecond), "off");
    schedule.SetAccounts({{"off", 0, true}, {"C", 1, true}});
    EXPECT_EQ(schedule.Queued(), (std::deque<std::string>{"C"}));
    schedule.CancelCheckAll();
    DoneAt(131 * kSecond, "off");
    EXPECT_EQ(TickAt(132 * kSecond), std::nullopt);
}

TEST_F(CheckScheduleTest, ANewListKeepsEachAccountsTimeUnlessItsIntervalChanged)
{
    schedule.SetAccounts({{"A", 2, true}, {"B", 2, true}});
    now = 90 * kSecond;
    schedule.SetAccounts({{"B", 2, true}, {"A", 3, true}, {"new", 1, true}});
    EXPECT_EQ(TickAt(120 * kSecond), "B");
    DoneAt(120 * kSecond, "B");
    EXPECT_EQ(TickAt(149 * kSecond), std::nullopt);
    EXPECT_EQ(TickAt(150 * kSecond), "new");
    DoneAt(150 * kSecond, "new");
    EXPECT_EQ(TickAt(210 * kSecond), "new");
    DoneAt(210 * kSecond, "new");
    EXPECT_EQ(TickAt(240 * kSecond), "B");
    DoneAt(240 * kSecond, "B");
    EXPECT_EQ(TickAt(269 * kSecond), std::nullopt);
    // A, three minutes from the change, and new fall due together: the list order decides.
    now = 270 * kSecond;
    EXPECT_EQ(schedule.Due(), (Names{"A", "new"}));
    EXPECT_EQ(TickAt(270 * kSecond), "A");
    // Interval 0 switches an account off for good.
    schedule.SetAccounts({{"A", 0, true}});
    DoneAt(271 * kSecond, "A");
    EXPECT_EQ(TickAt(1000 * kMinute), std::nullopt);
    EXPECT_TRUE(schedule.Due().empty());
}

}  // namespace
