// The seed of the operations that draw random numbers. Each run seeds the C generator once,
// at its start: with a fixed seed when one was set (the command line's --seed, tests), so
// that a run can be repeated exactly, else with the current time in seconds.
#pragma once

#include <optional>

namespace velora {

// Process-wide; none puts the clock back.
void SetFixedRandomSeed(std::optional<unsigned> seed);
std::optional<unsigned> FixedRandomSeed();
// The seed of the run about to start.
unsigned RunSeed();

}  // namespace velora
