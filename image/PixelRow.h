// Pixel reads and writes within one stored row, shared by the accessors and the row-wise
// algorithms (internal to the library). The layout is that of the DIB: 1-bit pixels from the
// most significant bit, 4-bit pixels high nibble first, 24/32-bit pixels blue, green, red(, alpha).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "ByteRows.h"

namespace velora::detail {

inline std::uint32_t ReadPixel(const std::uint8_t* row, std::int32_t x, unsigned depth) {
    switch (depth) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
        case 4: return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
        case 8: return row[x];
        case 24: {
            const std::uint8_t* p = row + 3 * std::size_t(x);
            return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
        }
        case 32: {
            const std::uint8_t* p = row + 4 * std::size_t(x);
            return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
        }
        default: return 0;
    }
}

// Writes a raw value; the alpha byte of a 32-bit pixel is left alone.
inline void WritePixel(std::uint8_t* row, std::int32_t x, unsigned depth, std::uint32_t value) {
    switch (depth) {
        case 1: {
            const std::uint8_t bit = std::uint8_t(0x80u >> (x & 7));
            if (value != 0) row[x >> 3] |= bit; else row[x >> 3] &= std::uint8_t(~bit);
            break;
        }
        case 4: {
            std::uint8_t& b = row[x >> 1];
            b = (x & 1) ? std::uint8_t((b & 0xF0u) | (value & 0x0Fu))
                        : std::uint8_t((b & 0x0Fu) | ((value & 0x0Fu) << 4));
            break;
        }
        case 8: row[x] = std::uint8_t(value); break;
        case 24:
        case 32: {
            std::uint8_t* p = row + (depth / 8) * std::size_t(x);
            p[0] = std::uint8_t(value);
            p[1] = std::uint8_t(value >> 8);
            p[2] = std::uint8_t(value >> 16);
            break;
        }
        default: break;
    }
}

// Set pixels among the first `width` of a 1-bit row: eight bytes at a time, then the rest.
inline std::uint64_t OnesInBitRow(const std::uint8_t* row, std::int64_t width) {
    const std::int64_t whole = width / 8, words = whole / 8;
    std::uint64_t ones = 0;
    for (std::int64_t i = 0; i < words; ++i) {
        std::uint64_t word;
        std::memcpy(&word, row + 8 * i, 8);
        ones += unsigned(std::popcount(word));
    }
    for (std::int64_t i = words * 8; i < whole; ++i) ones += unsigned(std::popcount(row[i]));
    if (const int rest = int(width & 7)) ones += unsigned(std::popcount(std::uint8_t(row[whole] & (0xFF00u >> rest))));
    return ones;
}

inline bool IsAccessibleDepth(unsigned depth) {
    return depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32;
}

// Applies three byte tables (blue, green, red) to the pixels of a 24- or 32-bit row; the
// alpha byte stays.
inline void MapPixels(std::uint8_t* p, std::int32_t width, std::size_t step, const std::uint8_t* blue,
               const std::uint8_t* green, const std::uint8_t* red) {
    if (blue == green && green == red && step == 3) {
        TableRow(p, 3 * std::size_t(width), blue);
        return;
    }
    if (step == 4) {
        for (std::int32_t x = 0; x < width; ++x, p += 4) {
            std::uint32_t w;
            std::memcpy(&w, p, 4);
            w = (w & 0xFF000000u) | blue[w & 0xFF] | (std::uint32_t(green[(w >> 8) & 0xFF]) << 8) |
                (std::uint32_t(red[(w >> 16) & 0xFF]) << 16);
            std::memcpy(p, &w, 4);
        }
        return;
    }
    for (std::int32_t x = 0; x < width; ++x, p += 3) {
        p[0] = blue[p[0]];
        p[1] = green[p[1]];
        p[2] = red[p[2]];
    }
}

}  // namespace velora::detail
