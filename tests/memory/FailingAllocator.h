// Global allocation functions that count every allocation and fail a chosen one, as when memory runs out.
#pragma once

#include <cstddef>

namespace testing_support {

// Makes the n-th allocation from now fail (1: the next one); 0 makes none fail. Resets the count.
void FailAllocationAt(long n);
// Allocations asked for since the last FailAllocationAt, the failed one included, and their bytes.
long AllocationsSinceReset();
std::size_t BytesSinceReset();

}  // namespace testing_support
