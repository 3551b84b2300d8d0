// Every input the fuzzer kept, and every crash it ever found, must run cleanly.
#include "fuzz/MailFuzzInput.h"

#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

namespace {

int ReplayFolder(const std::string& folder)
{
    int count = 0;
    for (const auto& entry : platform::ListFolder(folder)) {
        if (entry.isDirectory || entry.name[0] == '.') continue;
        SCOPED_TRACE(folder + entry.name);
        std::string bytes = platform::ReadBytes(folder + entry.name);
        EXPECT_NO_THROW(ExerciseMailParser(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        ++count;
    }
    return count;
}

}  // namespace

TEST(FuzzReplay, CorpusAndCrashesRunCleanly)
{
    TempHome home;
    int corpus = ReplayFolder(RETRIEVAL_DATA_DIR "/fuzz/corpus/");
    ReplayFolder(RETRIEVAL_DATA_DIR "/fuzz/crashes/");
    EXPECT_GT(corpus, 0) << "the fuzz corpus is missing";
    EXPECT_TRUE(platform::ListFolder(home.Temp()).empty());
}
