#include "MulDiv.h"

#include <cstdlib>

namespace platform {
int32_t MulDiv(int32_t a, int32_t b, int32_t c)
{
    if (c == 0) return -1;
    int64_t product = int64_t(a) * b;
    int64_t magnitude = (std::llabs(product) + std::llabs(int64_t(c)) / 2) / std::llabs(int64_t(c));
    bool negative = (product < 0) != (c < 0);
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}
}  // namespace platform
