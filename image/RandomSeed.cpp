#include "RandomSeed.h"

#include <atomic>
#include <cstdint>
#include <ctime>

namespace velora {

namespace {
// Below 0: no fixed seed.
std::atomic<std::int64_t> g_fixedSeed{-1};
}  // namespace

void SetFixedRandomSeed(std::optional<unsigned> seed) { g_fixedSeed = seed ? std::int64_t(*seed) : -1; }

std::optional<unsigned> FixedRandomSeed() {
    const std::int64_t seed = g_fixedSeed;
    if (seed < 0) return std::nullopt;
    return unsigned(seed);
}

unsigned RunSeed() {
    if (const auto seed = FixedRandomSeed()) return *seed;
    return unsigned(std::time(nullptr));
}

}  // namespace velora
