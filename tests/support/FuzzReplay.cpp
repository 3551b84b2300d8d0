#include "FuzzReplay.h"

#include "platform/Folders.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

int ReplayFuzzFolder(const std::string& folder, const FuzzEntry& entry)
{
    int count = 0;
    for (const auto& file : platform::ListFolder(folder)) {
        if (file.isDirectory || file.name[0] == '.') continue;
        SCOPED_TRACE(folder + file.name);
        std::string bytes = platform::ReadBytes(folder + file.name);
        EXPECT_NO_THROW(entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        ++count;
    }
    return count;
}

void ReplayCorpusAndCrashes(const std::string& corpus, const std::string& crashes, const FuzzEntry& entry)
{
    EXPECT_GT(ReplayFuzzFolder(corpus, entry), 0) << "the fuzz corpus is missing: " << corpus;
    ReplayFuzzFolder(crashes, entry);
}
