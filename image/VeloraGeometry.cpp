// Geometric operations that move pixels without changing their values.
#include <algorithm>
#include <utility>

#include "CVelora.h"
#include "PixelRow.h"

using velora::detail::ReadPixel;
using velora::detail::WritePixel;

namespace {

// Exchanges the bits of a and b that mask selects.
void SwapBits(std::uint8_t& a, std::uint8_t& b, std::uint8_t mask) {
    const std::uint8_t t = std::uint8_t((a ^ b) & mask);
    a ^= t;
    b ^= t;
}

// Exchanges the pixels of two rows, leaving the row padding and the alpha bytes of 32-bit
// pixels where they are.
void SwapRowPixels(std::uint8_t* a, std::uint8_t* b, std::int32_t width, unsigned depth, std::size_t stride) {
    switch (depth) {
        case 1:
        case 4: {
            const std::size_t bits = std::size_t(width) * depth;
            std::swap_ranges(a, a + bits / 8, b);
            if (bits % 8) SwapBits(a[bits / 8], b[bits / 8], std::uint8_t(0xFF00u >> (bits % 8)));
            break;
        }
        case 8:
        case 16: std::swap_ranges(a, a + stride, b); break;
        case 24: std::swap_ranges(a, a + 3 * std::size_t(width), b); break;
        case 32:
            for (std::int32_t x = 0; x < width; ++x, a += 4, b += 4) std::swap_ranges(a, a + 3, b);
            break;
        default: break;
    }
}

void MirrorRow(std::uint8_t* row, std::int32_t width, unsigned depth) {
    switch (depth) {
        case 1:
        case 4:
            for (std::int32_t x = 0, z = width - 1; x < width / 2; ++x, --z) {
                const std::uint32_t left = ReadPixel(row, x, depth);
                WritePixel(row, x, depth, ReadPixel(row, z, depth));
                WritePixel(row, z, depth, left);
            }
            break;
        case 8: std::reverse(row, row + width); break;
        default: {
            // 16 and 24 bits move whole pixels; 32 bits move the colour bytes only.
            const std::size_t step = depth / 8, moved = depth == 32 ? 3 : step;
            for (std::int32_t x = 0, z = width - 1; x < width / 2; ++x, --z)
                std::swap_ranges(row + x * step, row + x * step + moved, row + z * step);
            break;
        }
    }
}

}  // namespace

unsigned CVelora::Flip(int mode) {
    if (mode < 0 || mode > 1) return 1;
    const unsigned depth = GetBitCount();
    if (!HasAccessibleDepth() && depth != 16) return 2;
    const std::int32_t width = GetWidth(), height = GetHeight();
    if (mode == 0) {
        for (std::int32_t y = 0; y < height; ++y) MirrorRow(Row(y), width, depth);
    } else {
        for (std::int32_t y = 0; y < height / 2; ++y) SwapRowPixels(Row(y), Row(height - 1 - y), width, depth, m_bytesPerRow);
    }
    return 0;
}
