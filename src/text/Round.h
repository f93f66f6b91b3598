#pragma once
// Rounding to the nearest integer with halves going to the even neighbour (banker's rounding),
// the rule every size and position computation of the system uses.
#include <cmath>
#include <cstdint>

namespace tavrel {

inline int64_t RoundHalfEven(double value)
{
    double lower = std::floor(value);
    double diff = value - lower;
    if (diff > 0.5)
        return static_cast<int64_t>(lower) + 1;
    if (diff < 0.5)
        return static_cast<int64_t>(lower);
    int64_t l = static_cast<int64_t>(lower);
    return (l % 2 == 0) ? l : l + 1;
}

} // namespace tavrel
