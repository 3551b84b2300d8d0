// Every input the mailbox fuzzer kept, and every crash it ever found, must run cleanly.
#include "FuzzReplay.h"
#include "fuzz/MailboxSession.h"

#include <gtest/gtest.h>

TEST(FuzzReplay, SessionCorpusAndCrashesRunCleanly)
{
    int corpus = ReplayFuzzFolder(MAILBOX_DATA_DIR "/fuzz/corpus/", ExerciseMailboxClient);
    ReplayFuzzFolder(MAILBOX_DATA_DIR "/fuzz/crashes/", ExerciseMailboxClient);
    EXPECT_GT(corpus, 0) << "the fuzz corpus is missing";
}
