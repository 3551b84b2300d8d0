#include "MemoryUse.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void KeepBigBlocksMapped()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);  // setting it also ends the moving of the limit
#endif
}

}  // namespace platform
