// Every input the mailbox fuzzer kept, and every crash it ever found, must run cleanly.
#include "FuzzReplay.h"
#include "fuzz/MailboxSession.h"

#include <gtest/gtest.h>

TEST(FuzzReplay, SessionCorpusAndCrashesRunCleanly)
{
    ReplayCorpusAndCrashes(MAILBOX_DATA_DIR "/fuzz/corpus/", MAILBOX_DATA_DIR "/fuzz/crashes/", ExerciseMailboxClient);
}
