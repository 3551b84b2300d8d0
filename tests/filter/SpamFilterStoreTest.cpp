// The store: training counted once per message, moved verdicts, a killed training step, a
// read-only, full or damaged file, the size bound, the sender lists and scoring on a thread.
#include "filter/BackgroundScoring.h"
#include "filter/FilterError.h"
#include "filter/SpamFilter.h"
#include "filter/HeaderTokens.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Header(const std::string& from, const std::string& subject)
{
    return "From: " + from + "\nSubject: " + subject + "\nMessage-ID: <" + subject + "@x>\n";
}

const std::string kSpam = Header("win@prize.test", "cheap pills winner");
const std::string kHam = Header("ann@work.test", "meeting agenda notes");

class FilterStore : public ::testing::Test {
protected:
    TempHome home;
    std::string path = home.Root() + "spam.db";
};

int Mode(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}

TEST_F(FilterStore, TrainingTwiceCountsOnceAndAMovedVerdictMoves)
{
    TSpamFilter filter(path);
    filter.Train("ham-1", kHam, TTrainAs::Ham);
    EXPECT_TRUE(filter.Train("m", kSpam, TTrainAs::Spam));
    double once = filter.Classify(kSpam).score;
    size_t tokens = filter.TokenCount();
    EXPECT_FALSE(filter.Train("m", kSpam, TTrainAs::Spam));
    EXPECT_EQ(filter.SpamMessages(), 1u);
    EXPECT_DOUBLE_EQ(filter.Classify(kSpam).score, once);
    EXPECT_EQ(filter.TokenCount(), tokens);

    // "Not spam" after "Spam": the message leaves the spam counts for the ham counts.
    EXPECT_TRUE(filter.Train("m", kSpam, TTrainAs::Ham));
    EXPECT_EQ(filter.SpamMessages(), 0u);
    EXPECT_EQ(filter.HamMessages(), 2u);
    EXPECT_EQ(filter.TrainedAs("m"), TTrainAs::Ham);
    EXPECT_LT(filter.Classify(kSpam).score, 50.0);

    // the "why" list: the message's known tokens, the most decisive first, now hammy
    std::vector<std::pair<std::string, double>> why = filter.Explain(kSpam);
    ASSERT_FALSE(why.empty());
    EXPECT_LT(why.front().second, 0.5);
    for (size_t i = 1; i < why.size(); ++i)
        EXPECT_GE(std::fabs(why[i - 1].second - 0.5), std::fabs(why[i].second - 0.5)) << why[i].first;

    EXPECT_TRUE(filter.Forget("m"));
    EXPECT_FALSE(filter.Forget("m"));
    EXPECT_FALSE(filter.TrainedAs("m").has_value());
    EXPECT_EQ(filter.HamMessages(), 1u);
}

// The score is the chi-square combination of the maxTokens most decisive known tokens, the ones
// the "why" list puts first; with the limit off, of all of them.
TEST_F(FilterStore, OnlyTheMostDecisiveTokensCount)
{
    TSpamFilter filter(path);
    filter.Train("s", kSpam, TTrainAs::Spam);
    filter.Train("h1", kHam, TTrainAs::Ham);
    filter.Train("h2", Header("bob@work.test", "cheap agenda"), TTrainAs::Ham);
    const std::string mixed = Header("win@prize.test", "cheap meeting notes");
    for (unsigned limit : {0u, 1u, 3u, 100u}) {
        TRobinsonParams params = filter.Robinson();
        params.maxTokens = limit;
        params.perSource = 0;  // no cap per source: that has its own test below
        filter.SetRobinson(params);
        std::vector<double> decisive;
        for (const auto& [token, f] : filter.Explain(mixed))
            if (std::fabs(f - 0.5) >= params.minDeviation) decisive.push_back(f);
        ASSERT_GT(decisive.size(), 3u);
        if (limit > 0 && limit < decisive.size()) decisive.resize(limit);
        EXPECT_NEAR(filter.Classify(mixed).score, 100 * CombineChiSquare(decisive, params), 1e-9) << limit;
    }
}

TEST_F(FilterStore, WritesThroughAndIsPrivate)
{
    double score = 0;
    {
        TSpamFilter filter(path);
        filter.Train("s", kSpam, TTrainAs::Spam);
        filter.Train("h", kHam, TTrainAs::Ham);
        score = filter.Classify(kSpam).score;
        EXPECT_EQ(Mode(path), 0600);
        EXPECT_EQ(Mode(path + "-wal"), 0600);
    }
    TSpamFilter reopened(path);
    EXPECT_EQ(reopened.SpamMessages(), 1u);
    EXPECT_DOUBLE_EQ(reopened.Classify(kSpam).score, score);
    EXPECT_GT(score, 50.0);
    EXPECT_EQ(reopened.IntegrityCheck(), "ok");
}

TEST_F(FilterStore, AKillInsideATrainingStepKeepsTheCommittedSteps)
{
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool die = false;
        TFilterOptions options;
        options.BeforeCommit = [&] {
            if (die) ::raise(SIGKILL);  // every write of the step is made, the commit is not
        };
        TSpamFilter filter(path, options);
        for (int i = 0; i < 3; ++i) filter.Train("m" + std::to_string(i), Header("a@b.test", "step" + std::to_string(i)), TTrainAs::Spam);
        die = true;
        filter.Train("in-flight", kSpam, TTrainAs::Spam);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    TSpamFilter filter(path);
    EXPECT_EQ(filter.IntegrityCheck(), "ok");
    EXPECT_EQ(filter.SpamMessages(), 3u);
    EXPECT_EQ(filter.TrainedAs("m2"), TTrainAs::Spam);
    EXPECT_FALSE(filter.TrainedAs("in-flight").has_value());
    EXPECT_TRUE(filter.Train("in-flight", kSpam, TTrainAs::Spam));  // and it trains on
}

TEST_F(FilterStore, AReadOnlyFileScoresButRefusesTraining)
{
    double score = 0;
    {
        TSpamFilter filter(path);
        filter.Train("s", kSpam, TTrainAs::Spam);
        filter.Train("h", kHam, TTrainAs::Ham);
        score = filter.Classify(kSpam).score;
    }
    // Root writes through any mode, so the check runs as nobody in a child process.
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(home.Root().c_str(), 0555), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(10);
        int code = 0;
        try {
            TSpamFilter filter(path);
            if (!filter.ReadOnly()) code |= 1;
            if (filter.Classify(kSpam).score != score) code |= 2;
            try {
                filter.Train("new", kHam, TTrainAs::Ham);
                code |= 4;
            } catch (const EFilterError& e) {
                if (std::string(e.what()).find("read-only") == std::string::npos) code |= 8;
            }
            if (filter.HamMessages() != 1) code |= 16;
        } catch (const std::exception&) {
            code |= 32;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod(home.Root().c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1 not read-only, 2 score differs, 4 trained, 8 unclear text, 16 counts, 32 threw";
}

TEST_F(FilterStore, AFullDiskFailsClearlyAndKeepsWhatWasSaved)
{
    TFilterOptions options;
    options.maxDatabaseBytes = 48 * 1024;  // the same SQLITE_FULL as a full disk
    TSpamFilter filter(path, options);
    size_t saved = 0;
    std::string error;
    for (int i = 0; i < 2000 && error.empty(); ++i) {
        std::string subject;
        for (int w = 0; w < 30; ++w) subject += "w" + std::to_string(i) + "x" + std::to_string(w) + " ";
        try {
            filter.Train("m" + std::to_string(i), Header("a@b.test", subject), TTrainAs::Spam);
            ++saved;
        } catch (const EFilterError& e) {
            error = e.what();
        }
    }
    EXPECT_NE(error.find("is full"), std::string::npos) << error;
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(filter.SpamMessages(), saved);  // memory holds what was committed, no more
    EXPECT_GT(filter.Classify(kSpam).score, -1.0);
    TSpamFilter reopened(path, options);
    EXPECT_EQ(reopened.SpamMessages(), saved);
    EXPECT_EQ(reopened.IntegrityCheck(), "ok");
}

TEST_F(FilterStore, ADamagedFileGivesAClearError)
{
    std::ofstream(path, std::ios::binary) << std::string(8192, '\x5a');
    try {
        TSpamFilter filter(path);
        FAIL() << "opened a damaged file";
    } catch (const EFilterError& e) {
        EXPECT_NE(std::string(e.what()).find("is damaged"), std::string::npos) << e.what();
    }
    EXPECT_THROW(TSpamFilter(home.Root() + "no/such/folder/spam.db"), EFilterError);
}

TEST_F(FilterStore, OldOnceSeenTokensAreDropped)
{
    int64_t today = 20000;
    TFilterOptions options;
    options.Today = [&] { return today; };
    {
        TSpamFilter filter(path, options);
        filter.Train("old", kSpam, TTrainAs::Spam);
        filter.Train("h1", kHam, TTrainAs::Ham);
        filter.Train("h2", kHam, TTrainAs::Ham);  // its tokens are seen twice: they stay
    }
    today += options.keepDays + 1;
    TSpamFilter filter(path, options);
    EXPECT_EQ(filter.SpamMessages(), 1u);
    EXPECT_EQ(filter.TrainedAs("old"), TTrainAs::Spam);
    // what is left: the ham tokens, each seen twice (the spam's shared ones among them)
    EXPECT_EQ(filter.TokenCount(), HeaderTokenHashes(kHam).size());
    // The token lists went too: the header given now stands in for them.
    EXPECT_TRUE(filter.Forget("old", kSpam));
    EXPECT_TRUE(filter.Forget("h1", kHam));
    EXPECT_TRUE(filter.Forget("h2", kHam));
    EXPECT_EQ(filter.SpamMessages() + filter.HamMessages(), 0u);
    EXPECT_EQ(filter.TokenCount(), 0u);
}

TEST_F(FilterStore, FriendsAndBlockedSenders)
{
    {
        TSpamFilter filter(path);
        filter.Train("s", Header("boss@example.org", "win money"), TTrainAs::Spam);
        filter.AddSender(TSenderList::Blocked, "Boss@Example.org");
        filter.AddSender(TSenderList::Friend, "@example.org");
        filter.AddSender(TSenderList::Blocked, "spam.test");
        EXPECT_THROW(filter.AddSender(TSenderList::Friend, "two words"), EFilterError);
        EXPECT_THROW(filter.AddSender(TSenderList::Friend, "a@b@c"), EFilterError);
    }
    TSpamFilter filter(path);
    struct Case {
        const char* from;
        std::optional<TSenderList> list;
        double score;
    } cases[] = {
        {"Boss <BOSS@example.org>", TSenderList::Friend, 0},   // the friend domain wins over the blocked address
        {"x@mail.example.org", TSenderList::Friend, 0},        // a domain covers its subdomains
        {"x@spam.test", TSenderList::Blocked, 100},
        {"x@deep.sub.spam.test", TSenderList::Blocked, 100},
        {"x@notspam.test", std::nullopt, -1},
    };
    for (const Case& c : cases) {
        TSpamScore s = filter.Classify(Header(c.from, "win money"));
        EXPECT_EQ(s.sender, c.list) << c.from;
        if (c.list) {
            EXPECT_EQ(s.score, c.score) << c.from;
        }
    }
    EXPECT_EQ(filter.Senders(TSenderList::Blocked), (std::vector<std::string>{"boss@example.org", "spam.test"}));
    filter.AddSender(TSenderList::Friend, "spam.test");  // moves it
    EXPECT_EQ(filter.Senders(TSenderList::Blocked), std::vector<std::string>{"boss@example.org"});
    EXPECT_TRUE(filter.RemoveSender("EXAMPLE.ORG"));
    EXPECT_FALSE(filter.RemoveSender("example.org"));
    EXPECT_EQ(filter.SenderMatch("boss@example.org"), TSenderList::Blocked);
}

TEST_F(FilterStore, ScoringOnAThreadKeepsEveryScoreInOrderPastItsBound)
{
    TSpamFilter filter(path);
    filter.Train("s", kSpam, TTrainAs::Spam);
    filter.Train("h", kHam, TTrainAs::Ham);
    filter.AddSender(TSenderList::Blocked, "prize.test");
    // More headers than may wait at once, so the poster waits for the thread again and again.
    const size_t count = TBackgroundScoring::kMostWaiting * 3 + 7;
    std::vector<TSpamScore> expected;
    {
        TBackgroundScoring scoring(filter);
        for (size_t i = 0; i < count; ++i) {
            const std::string& header = i % 3 ? kHam : kSpam;
            expected.push_back(filter.Classify(header));
            scoring.Post(header);
        }
        ASSERT_EQ(scoring.Finish(), count);
        for (size_t i = 0; i < count; ++i) {
            ASSERT_EQ(scoring.Score(i).score, float(expected[i].score)) << i;
            ASSERT_EQ(scoring.Score(i).verdict, expected[i].verdict) << i;
            ASSERT_EQ(scoring.Score(i).sender, expected[i].sender) << i;
        }
    }
    EXPECT_EQ(expected[0].sender, TSenderList::Blocked);
    EXPECT_FALSE(expected[1].sender);
    TBackgroundScoring dropped(filter);  // an unfinished run ends with it
    for (int i = 0; i < 100; ++i) dropped.Post(kSpam);
}

}  // namespace
