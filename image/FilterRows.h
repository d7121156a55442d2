// Rows of sample values for the neighbourhood filters (internal to the library): the sample
// of a pixel is its palette index (4 and 8 bits) or its red component (24 and 32 bits), and
// a filtered value goes back as that index or as a gray colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velora::detail {

// The samples of the first width pixels of a stored row.
inline void ReadSampleRow(const std::uint8_t* row, std::int32_t width, unsigned depth, std::uint8_t* out) {
    switch (depth) {
        case 8: std::memcpy(out, row, std::size_t(width)); break;
        case 4:
            for (std::int32_t x = 0; x + 1 < width; x += 2) {
                out[x] = std::uint8_t(row[x >> 1] >> 4);
                out[x + 1] = std::uint8_t(row[x >> 1] & 0x0F);
            }
            if (width & 1) out[width - 1] = std::uint8_t(row[width >> 1] >> 4);
            break;
        case 24:
            for (std::int32_t x = 0; x < width; ++x) out[x] = row[3 * std::size_t(x) + 2];
            break;
        case 32:
            for (std::int32_t x = 0; x < width; ++x) out[x] = row[4 * std::size_t(x) + 2];
            break;
        default: break;
    }
}

// Writes count values from column x0 of a stored row: indices, or gray colours (the alpha
// byte of a 32-bit pixel stays).
inline void WriteSampleRow(std::uint8_t* row, std::int32_t x0, std::int32_t count, unsigned depth,
                           const std::uint8_t* values) {
    switch (depth) {
        case 8: std::memcpy(row + x0, values, std::size_t(count)); break;
        case 4:
            for (std::int32_t i = 0; i < count; ++i) {
                const std::int32_t x = x0 + i;
                std::uint8_t& b = row[x >> 1];
                const unsigned v = values[i] & 0x0Fu;
                b = (x & 1) ? std::uint8_t((b & 0xF0u) | v) : std::uint8_t((b & 0x0Fu) | (v << 4));
            }
            break;
        case 24:
        case 32: {
            const std::size_t step = depth / 8;
            std::uint8_t* p = row + step * std::size_t(x0);
            for (std::int32_t i = 0; i < count; ++i, p += step) p[0] = p[1] = p[2] = values[i];
            break;
        }
        default: break;
    }
}

inline bool IsFilterDepth(unsigned depth) { return depth == 4 || depth == 8 || depth == 24 || depth == 32; }

}  // namespace velora::detail

namespace velora::detail {

// The predefined window filters (median, maximum, minimum, midpoint, max-min enhancement,
// geometric and harmonic means; kind as velora::FilterKind) over the pixels whose whole
// size x size window lies inside the image, written in place; the rest stay.
void RankFilter(std::uint8_t* bits, std::size_t stride, std::int32_t width, std::int32_t height, unsigned depth,
                int kind, int size);

}  // namespace velora::detail
