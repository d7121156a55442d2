#include "RandomSeed.h"

#include <atomic>
#include <climits>
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

RunDraws::RunDraws(unsigned seed) {
    // The state glibc's srandom builds: 31 words of the minimal standard generator from the
    // seed (0 counts as 1), then 310 draws thrown away.
    const unsigned start = seed == 0 ? 1 : seed;
    m_state[0] = std::int32_t(start);
    std::int32_t word = std::int32_t(start);
    for (std::size_t i = 1; i < m_state.size(); ++i) {
        const std::int64_t hi = word / 127773, lo = word % 127773;
        std::int64_t next = 16807 * lo - 2836 * hi;
        if (next < 0) next += 2147483647;
        word = std::int32_t(next);
        m_state[i] = word;
    }
    for (int i = 0; i < 310; ++i) Next();

    // Ours only where it gives what the library gives.
    std::srand(seed);
    bool same = RAND_MAX == INT_MAX;
    RunDraws copy = *this;
    for (int i = 0; i < 64 && same; ++i) same = copy.Next() == std::rand();
    std::srand(seed);
    m_own = same;
}

void RunDraws::Fill(int* out, std::size_t count) {
    if (!m_own) {
        for (std::size_t i = 0; i < count; ++i) out[i] = std::rand();
        return;
    }
    for (std::size_t i = 0; i < count; ++i) out[i] = Next();
}

}  // namespace velora
