// libFuzzer entry over the retrieval client's conversation with a scripted server; built by
// tests/support/fuzz/run_fuzz.sh.
#include "RetrievalSession.h"

#include "fuzz/PrivateTempFolder.h"

// Every retrieval streams into a work file: keep them in a folder of our own.
extern "C" int LLVMFuzzerInitialize(int*, char***) { return fuzzing::UsePrivateTempFolder() ? 0 : 1; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ExerciseRetrievalClient(data, size);
    return 0;
}
