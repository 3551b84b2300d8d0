// Training from a Maildir folder and an mbox file of real headers (tests/data/filter).
#include "filter/FilterError.h"
#include "filter/FolderTraining.h"
#include "TempHome.h"

#include <gtest/gtest.h>

namespace {

const std::string kData = FILTER_DATA_DIR;

TEST(FolderTraining, MaildirAndMboxWithProgressAndCancel)
{
    TempHome home;
    TSpamFilter filter(home.Root() + "spam.db");
    std::vector<std::pair<size_t, size_t>> progress;
    TFolderTraining ham;
    ham.as = TTrainAs::Ham;
    ham.OnProgress = [&](size_t done, size_t total) { progress.emplace_back(done, total); };
    TFolderTrainingResult r = TrainFromFolder(filter, kData + "/ham", ham);
    EXPECT_EQ(r.total, 20u);  // cur/ and new/
    EXPECT_EQ(r.trained, 20u);
    ASSERT_EQ(progress.size(), 21u);
    EXPECT_EQ(progress.front(), std::make_pair(size_t{0}, size_t{20}));
    EXPECT_EQ(progress.back(), std::make_pair(size_t{20}, size_t{20}));
    EXPECT_EQ(TrainFromFolder(filter, kData + "/ham", ham).trained, 0u);  // counted once
    EXPECT_EQ(filter.HamMessages(), 20u);

    std::atomic<bool> cancel{false};
    TFolderTraining spam;
    spam.cancel = &cancel;
    spam.OnProgress = [&](size_t done, size_t) { cancel = done == 5; };
    r = TrainFromFolder(filter, kData + "/spam.mbox", spam);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.total, 20u);
    EXPECT_EQ(r.done, 5u);
    spam.OnProgress = nullptr;
    cancel = false;
    r = TrainFromFolder(filter, kData + "/spam.mbox", spam);
    EXPECT_EQ(r.trained, 15u);
    EXPECT_EQ(filter.SpamMessages(), 20u);

    EXPECT_THROW(TrainFromFolder(filter, kData + "/missing", spam), EFilterError);
}

TEST(FolderTraining, MboxSplitsAtFromLinesAfterABlankLine)
{
    std::vector<std::string> h = MboxHeaders("From a\nSubject: one\n\nbody\nFrom inside a line\n\nFrom b\r\nSubject: two\r\n");
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h[0], "Subject: one\n");
    EXPECT_EQ(h[1], "Subject: two\r\n");
}

}  // namespace
