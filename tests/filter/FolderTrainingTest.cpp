// Training from a Maildir folder and an mbox file of real headers (tests/data/filter).
#include "filter/FilterError.h"
#include "filter/FolderTraining.h"
#include "filter/MboxReader.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

const std::string kData = FILTER_DATA_DIR;

TEST(FolderTraining, MaildirAndMboxWithProgressAndCancel)
{
    TempHome home;
    TSpamFilter filter(home.Root() + "spam.db");
    std::vector<std::pair<size_t, size_t>> progress;
    TFolderTraining ham;
    ham.as = TTrainAs::Ham;
    ham.OnProgress = [&](const TTrainingProgress& p) { progress.emplace_back(p.done, p.total); };
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
    std::vector<double> shares;
    spam.OnProgress = [&](const TTrainingProgress& p) {
        EXPECT_EQ(p.total, 0u);  // an mbox file is counted as it is read
        shares.push_back(p.share);
        cancel = p.done == 5;
    };
    r = TrainFromFolder(filter, kData + "/spam.mbox", spam);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.counted);
    EXPECT_EQ(r.done, 5u);
    spam.OnProgress = [&](const TTrainingProgress& p) { shares.push_back(p.share); };
    shares.clear();
    cancel = false;
    r = TrainFromFolder(filter, kData + "/spam.mbox", spam);
    EXPECT_TRUE(r.counted);
    EXPECT_EQ(r.total, 20u);
    EXPECT_EQ(r.trained, 15u);
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
    EXPECT_EQ(shares.back(), 1.0);
    EXPECT_EQ(filter.SpamMessages(), 20u);

    EXPECT_THROW(TrainFromFolder(filter, kData + "/missing", spam), EFilterError);
}

TEST(FolderTraining, MboxSplitsAtFromLinesAfterABlankLine)
{
    const std::string mbox = "From a\nSubject: one\n\nbody\nFrom inside a line\n\nFrom b\r\nSubject: two\r\n\r\n"
                             "From c\nSubject: three";
    const std::vector<std::string> whole = MboxHeaders(mbox);
    ASSERT_EQ(whole.size(), 3u);
    EXPECT_EQ(whole[0], "Subject: one\n");
    EXPECT_EQ(whole[1], "Subject: two\r\n");
    EXPECT_EQ(whole[2], "Subject: three");  // no line end at the end of the file
    // Read in pieces, as a file is, cut at every byte: the same headers.
    for (size_t cut = 1; cut < mbox.size(); ++cut) {
        TMboxSplitter splitter;
        std::deque<TMboxHeader> out;
        splitter.Feed(std::string_view(mbox).substr(0, cut), out);
        splitter.Feed(std::string_view(mbox).substr(cut), out);
        splitter.Finish(out);
        std::vector<std::string> texts;
        for (const TMboxHeader& h : out) texts.push_back(h.text);
        EXPECT_EQ(texts, whole) << "cut at " << cut;
        ASSERT_EQ(out.size(), 3u);
        EXPECT_EQ(out[0].end, mbox.find("\n\nbody") + 2);  // past its blank line
        EXPECT_EQ(out[2].end, mbox.size());
    }
}

// A mailbox bigger than what is read at once, with a body line of megabytes and a header past
// the bound: the reader holds neither whole, and every message is found.
TEST(FolderTraining, BigMboxIsReadInPieces)
{
    TempHome home;
    const std::string path = home.Root() + "big.mbox";
    {
        std::ofstream out(path, std::ios::binary);
        out << "From a\nSubject: first\n\n" << std::string(5u << 20, 'x') << "\n\n";
        out << "From b\nX-Long: " << std::string(TMboxSplitter::kMaxHeaderBytes, 'y') << "\nSubject: lost\n\nbody\n\n";
        for (int i = 0; i < 3000; ++i) out << "From c\nSubject: m" << i << "\n\nshort body\n\n";
    }
    TMboxReader reader(path);
    using TRead = TMboxReader::TRead;
    std::string header;
    ASSERT_EQ(reader.Next(header), TRead::Header);
    EXPECT_EQ(header, "Subject: first\n");
    EXPECT_LT(reader.Share(), 1.0);
    size_t pending = 0;
    TRead read;
    while ((read = reader.Next(header)) == TRead::Pending) ++pending;
    EXPECT_GE(pending, 3u);  // the long body is read piece by piece, each a chance to show progress
    ASSERT_EQ(read, TRead::Header);
    EXPECT_EQ(header.size(), TMboxSplitter::kMaxHeaderBytes);  // judged by its start
    size_t rest = 0;
    std::string last;
    while ((read = reader.Next(header)) != TRead::End) {
        if (read == TRead::Pending) continue;
        ++rest;
        last = header;
    }
    EXPECT_EQ(rest, 3000u);
    EXPECT_EQ(last, "Subject: m2999\n");
    EXPECT_EQ(reader.Found(), 3002u);
    EXPECT_EQ(reader.Share(), 1.0);
    EXPECT_THROW(TMboxReader(home.Root() + "missing.mbox"), EFilterError);
}

}  // namespace
