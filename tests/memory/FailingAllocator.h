// A replacement of the global allocation functions for the low-memory tests: counts every
// allocation and makes a chosen one fail, as a system out of memory would.
#pragma once

#include <cstddef>

namespace testing_support {

// Makes the n-th allocation from now fail (1: the next one); 0 makes none fail. Resets the count.
void FailAllocationAt(long n);
// Allocations asked for since the last FailAllocationAt, the failed one included, and their bytes.
long AllocationsSinceReset();
std::size_t BytesSinceReset();

}  // namespace testing_support
