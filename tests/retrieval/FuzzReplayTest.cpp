// Every input the fuzzers kept, and every crash they ever found, must run cleanly.
#include "FuzzReplay.h"
#include "fuzz/MailFuzzInput.h"
#include "fuzz/RetrievalSession.h"

#include "platform/Folders.h"
#include "TempHome.h"

#include <gtest/gtest.h>

TEST(FuzzReplay, CorpusAndCrashesRunCleanly)
{
    TempHome home;
    ReplayCorpusAndCrashes(RETRIEVAL_DATA_DIR "/fuzz/corpus/", RETRIEVAL_DATA_DIR "/fuzz/crashes/", ExerciseMailParser);
    EXPECT_TRUE(platform::ListFolder(home.Temp()).empty());
}

// The retrieval client's conversations with a scripted server.
TEST(FuzzReplay, SessionCorpusAndCrashesRunCleanly)
{
    TempHome home;
    ReplayCorpusAndCrashes(RETRIEVAL_DATA_DIR "/fuzz/session-corpus/", RETRIEVAL_DATA_DIR "/fuzz/session-crashes/",
                           ExerciseRetrievalClient);
    EXPECT_TRUE(platform::ListFolder(home.Temp()).empty());
}
