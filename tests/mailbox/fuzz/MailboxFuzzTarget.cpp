// libFuzzer entry over the mailbox client's conversation with a scripted server; built by
// tests/support/fuzz/run_fuzz.sh.
#include "MailboxSession.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ExerciseMailboxClient(data, size);
    return 0;
}
