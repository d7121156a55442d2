// Rows of sample values for the neighbourhood filters (internal to the library): the sample
// of a pixel is its palette index (4 and 8 bits) or its red component (24 and 32 bits), and
// a filtered value goes back as that index or as a gray colour.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velora::detail {

// The row code below reads and writes pixels a word at a time.
static_assert(std::endian::native == std::endian::little);

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
        case 24: {
            // Four pixels (12 bytes) in three words: the reds are bytes 2, 5, 8 and 11.
            std::int32_t x = 0;
            for (; x + 4 <= width; x += 4) {
                std::uint32_t w[3];
                std::memcpy(w, row + 3 * std::size_t(x), 12);
                const std::uint32_t reds = ((w[0] >> 16) & 0xFFu) | ((w[1] & 0xFF00u)) | ((w[2] & 0xFFu) << 16) | (w[2] & 0xFF000000u);
                std::memcpy(out + x, &reds, 4);
            }
            for (; x < width; ++x) out[x] = row[3 * std::size_t(x) + 2];
            break;
        }
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
        case 24: {
            // Four gray pixels as three words: v0 v0 v0 v1 | v1 v1 v2 v2 | v2 v3 v3 v3.
            std::uint8_t* p = row + 3 * std::size_t(x0);
            std::int32_t i = 0;
            for (; i + 4 <= count; i += 4, p += 12) {
                const std::uint32_t a = values[i], b = values[i + 1], c = values[i + 2], d = values[i + 3];
                const std::uint32_t w[3] = {a * 0x010101u | b << 24, b * 0x0101u | c * 0x01010000u, c | d * 0x01010100u};
                std::memcpy(p, w, 12);
            }
            for (; i < count; ++i, p += 3) p[0] = p[1] = p[2] = values[i];
            break;
        }
        case 32: {
            std::uint8_t* p = row + 4 * std::size_t(x0);
            for (std::int32_t i = 0; i < count; ++i, p += 4) {
                std::uint32_t w;
                std::memcpy(&w, p, 4);
                w = (w & 0xFF000000u) | values[i] * 0x010101u;
                std::memcpy(p, &w, 4);
            }
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
