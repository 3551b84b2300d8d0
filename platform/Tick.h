#pragma once
#include <cstdint>

namespace platform {
// Milliseconds since an arbitrary start, wrapping like the system tick count it stands for.
uint32_t GetTickCount();
}  // namespace platform
