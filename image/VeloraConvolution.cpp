// Convolution filters: the engine, the predefined linear and edge-detector entries, emboss.
#include "CVelora.h"
#include "FilterCatalogue.h"

namespace {
bool IsFilterDepth(unsigned depth) { return depth == 4 || depth == 8 || depth == 24 || depth == 32; }
}  // namespace

unsigned CVelora::Convolution(std::span<const int> mask, int size, int divisor, int rangeMode, int borderMode) {
    if (!IsFilterDepth(GetBitCount())) return 1;
    if (divisor == 0) return 2;
    if (rangeMode < 0 || rangeMode > 2) return 3;
    if (borderMode < 0 || borderMode > 2) return 4;
    if (size < 1 || size > 11 || mask.size() < std::size_t(size) * std::size_t(size)) return 5;
    return 5;
}

unsigned CVelora::PredefinedFilter(int index, int rangeMode, int borderMode) {
    if (!IsFilterDepth(GetBitCount())) return 1;
    if (!velora::FindFilterEntry(index)) return 2;
    if (rangeMode < 0 || rangeMode > 2) return 3;
    if (borderMode < 0 || borderMode > 2) return 4;
    return 2;
}

unsigned CVelora::Emboss(int offset) {
    if (GetBitCount() != 4 && GetBitCount() != 8) return 2;
    if (offset != 1 && offset != 3 && offset != 5) return 1;
    return 1;
}
