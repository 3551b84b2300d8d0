// libFuzzer entry over the raw-mail parser and the decoders; built by run_fuzz.sh.
#include "MailFuzzInput.h"

#include "fuzz/PrivateTempFolder.h"

// Attachments are decoded through work files: keep them in a folder of our own.
extern "C" int LLVMFuzzerInitialize(int*, char***) { return fuzzing::UsePrivateTempFolder() ? 0 : 1; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ExerciseMailParser(data, size);
    return 0;
}
