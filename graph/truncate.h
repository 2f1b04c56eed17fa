// Float to integer conversions for coordinates that a host may have set to anything.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace graph {

// Truncation toward zero that saturates instead of overflowing; NaN gives 0.
inline int32_t Truncate(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Integer sums done wide and saturated back into 32 bits.
inline int32_t Saturate(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

}  // namespace graph
