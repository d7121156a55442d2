// The seed of the operations that draw random numbers. Each run seeds the C generator once,
// at its start: with a fixed seed when one was set (the command line's --seed, tests), so
// that a run can be repeated exactly, else with the current time in seconds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace velora {

// Process-wide; none puts the clock back.
void SetFixedRandomSeed(std::optional<unsigned> seed);
std::optional<unsigned> FixedRandomSeed();
// The seed of the run about to start.
unsigned RunSeed();

// The draws of one run: the C generator's sequence after srand(seed), value for value. Where
// the C library's rand() is the additive feedback generator of glibc (checked on the seed's
// first draws), the same sequence is computed here, without the library's lock and call,
// several times faster; elsewhere every draw is std::rand(). Either way the C generator is
// left freshly seeded with the seed.
class RunDraws {
public:
    explicit RunDraws(unsigned seed);
    RunDraws() : RunDraws(RunSeed()) {}
    int operator()() { return m_own ? Next() : std::rand(); }
    // The next count draws into out, in order: faster than count calls where the caller
    // writes bytes between draws (the compiler must then assume they may touch the state).
    void Fill(int* out, std::size_t count);
    // Whether the draws are computed here.
    bool Own() const { return m_own; }

private:
    int Next() {
        const std::uint32_t v = std::uint32_t(m_state[m_front]) + std::uint32_t(m_state[m_rear]);
        m_state[m_front] = std::int32_t(v);
        m_front = m_front == 30 ? 0 : m_front + 1;
        m_rear = m_rear == 30 ? 0 : m_rear + 1;
        return int(v >> 1);
    }
    std::array<std::int32_t, 31> m_state{};
    int m_front = 3, m_rear = 0;
    bool m_own = false;
};

}  // namespace velora
