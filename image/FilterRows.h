// Rows of sample values for the neighbourhood filters (internal to the library): the sample
// of a pixel is its palette index (4 and 8 bits) or its red component (24 and 32 bits), and
// a filtered value goes back as that index or as a gray colour.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "VectorTarget.h"

namespace velora::detail {

// The row code below reads and writes pixels a word at a time.
static_assert(std::endian::native == std::endian::little);

// An allocator whose vectors leave new elements uninitialised: the filters' working planes
// and sums are written whole before they are read, and zero-filling megabytes first would
// cost as much as a pass of the filter.
template <class T>
struct DefaultInitAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    DefaultInitAllocator() = default;
    template <class U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
template <class T>
using WorkVector = std::vector<T, DefaultInitAllocator<T>>;

#if VELORA_X86
// 24-bit rows sixteen pixels at a time with byte shuffles, where HasSsse3(); each returns how
// many pixels it did.
VELORA_SSSE3 inline std::int32_t ReadReds24(const std::uint8_t* row, std::int32_t width,
                                                                std::uint8_t* out) {
    // The reds of 16 pixels are bytes 2, 5, ... 47 of 48: 5 in the first block, 5 in the
    // second, 6 in the third.
    const __m128i m0 = _mm_setr_epi8(2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i m1 = _mm_setr_epi8(-1, -1, -1, -1, -1, 1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1);
    const __m128i m2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15);
    std::int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const std::uint8_t* p = row + 3 * std::size_t(x);
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        const __m128i reds = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, m0), _mm_shuffle_epi8(b, m1)), _mm_shuffle_epi8(c, m2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), reds);
    }
    return x;
}

VELORA_SSSE3 inline std::int32_t WriteGrays24(std::uint8_t* p, std::int32_t count, const std::uint8_t* values) {
    // Each value three times: 16 values fill 48 bytes.
    const __m128i m0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i m1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i m2 = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    std::int32_t i = 0;
    for (; i + 16 <= count; i += 16, p += 48) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_shuffle_epi8(v, m0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), _mm_shuffle_epi8(v, m1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 32), _mm_shuffle_epi8(v, m2));
    }
    return i;
}
#endif

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
#if VELORA_X86
            if (HasSsse3()) x = ReadReds24(row, width, out);
#endif
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
#if VELORA_X86
            if (HasSsse3()) {
                i = WriteGrays24(p, count, values);
                p += 3 * std::size_t(i);
            }
#endif
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
