// Nearest-neighbour mapping of positions (internal to the library): Scale's rule, shared by
// the operations that resize parts of an image as Scale would.
#pragma once

#include <algorithm>
#include <cstdint>

#include "CVelora.h"

namespace velora::detail {

// The source of target position `target` when `count` positions are scaled by `factor`: the
// quotient rounded (an exact half down), kept inside the source.
inline std::int32_t NearestSource(std::int32_t target, float factor, std::int32_t count) {
    return std::min(std::int32_t(RoundHalfDown(float(target) / factor)), count - 1);
}

// The factor that scales count positions to size positions.
inline float FactorToSize(std::int32_t size, std::int32_t count) { return float(size) / float(count); }

}  // namespace velora::detail
