// libFuzzer entry over the raw-mail parser and the decoders; built by run_fuzz.sh.
#include "MailFuzzInput.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
std::string workFolder;
void RemoveWorkFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(workFolder, ec);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Attachments are decoded through work files: keep them in a folder of our own.
    std::string pattern = std::filesystem::temp_directory_path().string() + "/quillbox-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) return 1;
    workFolder = name.data();
    ::setenv("TMPDIR", workFolder.c_str(), 1);
    std::atexit(RemoveWorkFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ExerciseMailParser(data, size);
    return 0;
}
