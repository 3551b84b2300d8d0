#pragma once
#include <cstdint>

namespace platform {
// a * b / c computed in 64 bits and rounded half away from zero, as the Windows call does;
// gives -1 when c is 0.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);
}  // namespace platform
