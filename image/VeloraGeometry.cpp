// Geometric operations that move pixels without changing their values: flips, scaling, crop.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "ByteRows.h"
#include "CVelora.h"
#include "Parallel.h"
#include "PixelRow.h"
#include "ScaleMap.h"
#include "VectorTarget.h"
#include "LargeArrays.h"

using velora::detail::ForEachRowBand;
using velora::detail::NearestSource;
using velora::detail::ReadPixel;
using velora::detail::WritePixel;
using velora::detail::RefuseWithoutMemory;

static_assert(std::endian::native == std::endian::little, "pixel words are read as little-endian");

namespace {

// Exchanges the bits of a and b that mask selects.
void SwapBits(std::uint8_t& a, std::uint8_t& b, std::uint8_t mask) {
    const std::uint8_t t = std::uint8_t((a ^ b) & mask);
    a ^= t;
    b ^= t;
}

#if VELORA_X86
// SwapBytes 128 bytes a step; returns how many it did.
VELORA_AVX2 std::size_t SwapBytesAvx2(std::uint8_t* a, std::uint8_t* b, std::size_t n) {
    std::size_t i = 0;
    for (; i + 128 <= n; i += 128) {
        __m256i* p = reinterpret_cast<__m256i*>(a + i);
        __m256i* q = reinterpret_cast<__m256i*>(b + i);
        const __m256i a0 = _mm256_loadu_si256(p), a1 = _mm256_loadu_si256(p + 1), a2 = _mm256_loadu_si256(p + 2),
                      a3 = _mm256_loadu_si256(p + 3);
        const __m256i b0 = _mm256_loadu_si256(q), b1 = _mm256_loadu_si256(q + 1), b2 = _mm256_loadu_si256(q + 2),
                      b3 = _mm256_loadu_si256(q + 3);
        _mm256_storeu_si256(p, b0), _mm256_storeu_si256(p + 1, b1), _mm256_storeu_si256(p + 2, b2), _mm256_storeu_si256(p + 3, b3);
        _mm256_storeu_si256(q, a0), _mm256_storeu_si256(q + 1, a1), _mm256_storeu_si256(q + 2, a2), _mm256_storeu_si256(q + 3, a3);
    }
    return i;
}
#endif

// Exchanges n bytes of two rows that do not overlap, in one pass over both.
void SwapBytes(std::uint8_t* a, std::uint8_t* b, std::size_t n) {
    std::size_t i = 0;
#if VELORA_X86
    if (velora::detail::HasAvx2()) i = SwapBytesAvx2(a, b, n);
#endif
    for (; i < n; ++i) std::swap(a[i], b[i]);
}

// Exchanges the pixels of two rows, leaving the row padding and the alpha bytes of 32-bit
// pixels where they are.
void SwapRowPixels(std::uint8_t* a, std::uint8_t* b, std::int32_t width, unsigned depth, std::size_t stride) {
    auto swapBytes = [&](std::size_t n) { SwapBytes(a, b, n); };
    switch (depth) {
        case 1:
        case 4: {
            const std::size_t bits = std::size_t(width) * depth;
            swapBytes(bits / 8);
            if (bits % 8) SwapBits(a[bits / 8], b[bits / 8], std::uint8_t(0xFF00u >> (bits % 8)));
            break;
        }
        case 8:
        case 16: swapBytes(stride); break;
        case 24: swapBytes(3 * std::size_t(width)); break;
        case 32:
            for (std::int32_t x = 0; x < width; ++x, a += 4, b += 4) {
                std::uint32_t pa, pb;
                std::memcpy(&pa, a, 4);
                std::memcpy(&pb, b, 4);
                const std::uint32_t t = (pa ^ pb) & 0x00FFFFFFu;
                pa ^= t;
                pb ^= t;
                std::memcpy(a, &pa, 4);
                std::memcpy(b, &pb, 4);
            }
            break;
        default: break;
    }
}

#if VELORA_X86
// MirrorRow's 24-bit pixels into out four at a time: the sixteen bytes that end with the
// fourth pixel from the end, reversed by pixel into their first twelve, stored sixteen (the
// next store overwrites the last four). Returns how many pixels it did: it leaves the last
// ones, whose sixteen bytes would start before the row.
VELORA_AVX2 std::size_t MirrorRow24Lanes(const std::uint8_t* row, std::uint8_t* out, std::size_t width) {
    const __m128i reverse = _mm_setr_epi8(13, 14, 15, 10, 11, 12, 7, 8, 9, 4, 5, 6, -1, -1, -1, -1);
    std::size_t x = 0;
    for (; x + 6 <= width; x += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 3 * (width - x) - 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(bytes, reverse));
    }
    return x;
}
#endif

// Reverses the pixels of a row; buffer holds a row and one byte.
void MirrorRow(std::uint8_t* row, std::int32_t width, unsigned depth, std::uint8_t* buffer) {
    const std::size_t w = std::size_t(width);
    switch (depth) {
        case 1:
        case 4:
            for (std::int32_t x = 0, z = width - 1; x < width / 2; ++x, --z) {
                const std::uint32_t left = ReadPixel(row, x, depth);
                WritePixel(row, x, depth, ReadPixel(row, z, depth));
                WritePixel(row, z, depth, left);
            }
            break;
        case 8: {
            // Eight bytes at a time from both ends, reversed within the word; the middle by bytes.
            std::size_t left = 0, right = w;
            for (; left + 16 <= right; left += 8, right -= 8) {
                std::uint64_t a, b;
                std::memcpy(&a, row + left, 8);
                std::memcpy(&b, row + right - 8, 8);
                a = __builtin_bswap64(a);
                b = __builtin_bswap64(b);
                std::memcpy(row + left, &b, 8);
                std::memcpy(row + right - 8, &a, 8);
            }
            std::reverse(row + left, row + right);
            break;
        }
        case 16:
            for (std::size_t x = 0; x < w; ++x) std::memcpy(buffer + 2 * x, row + 2 * (w - 1 - x), 2);
            std::memcpy(row, buffer, 2 * w);
            break;
        case 24: {
            // Four bytes a pixel: read ending at the pixel's last byte (the first is the pixel
            // before it), written starting at its place (the last is overwritten by the next).
            // Pixel 0 of the source, which has nothing before it, moves by three bytes.
            std::size_t done = 0;
#if VELORA_X86
            if (velora::detail::HasAvx2()) done = MirrorRow24Lanes(row, buffer, w);
#endif
            for (std::size_t x = done; x + 1 < w; ++x) {
                std::uint32_t v;
                std::memcpy(&v, row + 3 * (w - 1 - x) - 1, 4);
                v >>= 8;
                std::memcpy(buffer + 3 * x, &v, 4);
            }
            if (w > 0) std::memcpy(buffer + 3 * (w - 1), row, 3);
            std::memcpy(row, buffer, 3 * w);
            break;
        }
        case 32:
            // The colour bytes move; each alpha byte stays in its place.
            for (std::size_t x = 0; x < w; ++x) {
                std::uint32_t here, there;
                std::memcpy(&here, row + 4 * x, 4);
                std::memcpy(&there, row + 4 * (w - 1 - x), 4);
                const std::uint32_t out = (there & 0x00FFFFFFu) | (here & 0xFF000000u);
                std::memcpy(buffer + 4 * x, &out, 4);
            }
            std::memcpy(row, buffer, 4 * w);
            break;
        default: break;
    }
}

// Writes one row of a scaled image from its source row: pixel c comes from column[c]. The
// bytes after the last pixel become 0. Plain copies: AVX2's gather was slower on the
// processors we measured.
void ScaleRow(const std::uint8_t* src, std::uint8_t* dst, const std::int32_t* column, std::int32_t width,
              unsigned depth, std::size_t stride) {
    const std::size_t w = std::size_t(width);
    std::size_t used = 0;  // bytes holding pixels
    switch (depth) {
        case 1:
        case 4:
            std::memset(dst, 0, stride);
            for (std::int32_t c = 0; c < width; ++c) WritePixel(dst, c, depth, ReadPixel(src, column[c], depth));
            return;
        case 8:
            for (std::size_t c = 0; c < w; ++c) dst[c] = src[column[c]];
            used = w;
            break;
        case 16:
            for (std::size_t c = 0; c < w; ++c) std::memcpy(dst + 2 * c, src + 2 * std::size_t(column[c]), 2);
            used = 2 * w;
            break;
        case 24: {
            for (std::size_t c = 0; c < w; ++c) std::memcpy(dst + 3 * c, src + 3 * std::size_t(column[c]), 3);
            used = 3 * w;
            break;
        }
        case 32: {
            // 32-bit pixels keep their alpha byte with the colour.
            for (std::size_t c = 0; c < w; ++c) std::memcpy(dst + 4 * c, src + 4 * std::size_t(column[c]), 4);
            used = 4 * w;
            break;
        }
        default: {
            // Any other whole-byte depth: pixels of depth / 8 bytes.
            const std::size_t bytes = depth / 8;
            for (std::size_t c = 0; c < w; ++c) std::memcpy(dst + bytes * c, src + bytes * std::size_t(column[c]), bytes);
            used = bytes * w;
            break;
        }
    }
    std::memset(dst + used, 0, stride - used);
}

}  // namespace

unsigned CVelora::Flip(int mode) {
    return RefuseWithoutMemory(3, [&]() -> unsigned {
        if (mode < 0 || mode > 1) return 1;
        const unsigned depth = GetBitCount();
        if (!HasAccessibleDepth() && depth != 16) return 2;
        const std::int32_t width = GetWidth(), height = GetHeight();
        const std::size_t stride = m_bytesPerRow;
        std::uint8_t* const bits = m_pchMapaBits;
        if (mode == 0) {
            ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
                std::vector<std::uint8_t> buffer(stride + 1);  // a four-byte store may pass the last pixel by one
                for (std::int32_t r = first; r < last; ++r) MirrorRow(bits + std::size_t(r) * stride, width, depth, buffer.data());
            });
        } else {
            // Band rows are the upper half's; each is exchanged with its mirror in the lower half.
            ForEachRowBand(height / 2, 2 * stride, [&](std::int32_t first, std::int32_t last) {
                for (std::int32_t r = first; r < last; ++r)
                    SwapRowPixels(bits + std::size_t(r) * stride, bits + std::size_t(height - 1 - r) * stride, width, depth, stride);
            });
        }
        return 0;
    });
}

CVelora CVelora::BlankLike(std::int32_t width, std::int32_t height) const {
    CVelora result(nullptr, nullptr, 0, 0, 0);
    if (!HasImage() || width < 0 || height < 0) return result;
    const std::uint64_t stride = GetBytesPerRow(width, GetBitCount());
    const std::uint64_t pixelBytes = stride * std::uint64_t(height);
    if (pixelBytes > kMaxPixelBytes) return result;
    const std::size_t head = std::size_t(m_pchMapaBits - m_lpDIB);  // header and colour table
    const std::size_t size = head + std::size_t(pixelBytes);
    std::unique_ptr<std::uint8_t[]> block = NewBlock(size, false);
    if (!block) return result;
    std::memcpy(block.get(), m_lpDIB, head);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block.get());
    header->biWidth = width;
    header->biHeight = height;
    header->biSizeImage = std::uint32_t(pixelBytes);
    result.AdoptBlock(std::move(block), size);
    result.m_name = m_name;
    return result;
}

unsigned CVelora::Scale(float fx, float fy, int mode) {
    return RefuseWithoutMemory(3, [&]() -> unsigned {
        if (fx < 0 || fy < 0 || std::isnan(fx) || std::isnan(fy)) return 1;
        if (mode < 0 || mode > 1) return 2;
        if (!HasImage()) return 3;
        const std::int32_t width = GetWidth(), height = GetHeight();
        if (mode == 1) {
            // Target columns and rows; an image without columns or rows keeps a zero factor.
            fx = width > 0 ? fx / float(width) : 0.0f;
            fy = height > 0 ? fy / float(height) : 0.0f;
        }
        const double newWidth = RoundHalfDown(float(width) * fx), newHeight = RoundHalfDown(float(height) * fy);
        if (!(newWidth <= INT32_MAX && newHeight <= INT32_MAX)) return 3;
        // An image without columns or rows could be neither shown nor saved and read back.
        if (newWidth < 1 || newHeight < 1) return 4;
        CVelora result = BlankLike(std::int32_t(newWidth), std::int32_t(newHeight));
        if (!result.HasImage()) return 3;

        const unsigned depth = GetBitCount();
        const std::int32_t outWidth = result.GetWidth(), outHeight = result.GetHeight();
        std::vector<std::int32_t> column(static_cast<std::size_t>(outWidth));
        for (std::int32_t c = 0; c < outWidth; ++c)
            column[std::size_t(c)] = NearestSource(c, fx, width);
        const std::size_t inStride = m_bytesPerRow, outStride = result.m_bytesPerRow;
        const std::uint8_t* const inBits = m_pchMapaBits;
        std::uint8_t* const outBits = result.m_pchMapaBits;
        ForEachRowBand(outHeight, outStride, [&](std::int32_t first, std::int32_t last) {
            std::int32_t previous = -1;
            for (std::int32_t r = first; r < last; ++r) {
                // Storage rows: row 0 is the bottom of the picture, which anchors the mapping.
                const std::int32_t sourceRow = NearestSource(r, fy, height);
                std::uint8_t* dst = outBits + std::size_t(r) * outStride;
                if (sourceRow == previous) {  // enlarging: the row above came from the same source row
                    std::memcpy(dst, dst - outStride, outStride);
                    continue;
                }
                previous = sourceRow;
                ScaleRow(inBits + std::size_t(sourceRow) * inStride, dst, column.data(), outWidth, depth, outStride);
            }
        });
        ReplaceKeepingName(std::move(result));
        return 0;
    });
}

unsigned CVelora::Crop(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    const std::int32_t width = GetWidth(), height = GetHeight();
    if (!(0 <= x1 && x1 < x2 && x2 < width && 0 <= y1 && y1 < y2 && y2 < height)) return 1;
    if (!HasAccessibleDepth()) return 2;
    CVelora result = BlankLike(x2 - x1 + 1, y2 - y1 + 1);
    if (!result.HasImage()) return 3;
    const unsigned depth = GetBitCount();
    const std::int32_t outWidth = result.GetWidth(), outHeight = result.GetHeight();
    const std::size_t inStride = m_bytesPerRow, outStride = result.m_bytesPerRow;
    const std::size_t used = (std::size_t(outWidth) * depth + 7) / 8;
    // Storage rows: the bottom row of the rectangle (y2) is the result's storage row 0.
    const std::uint8_t* const inBits = m_pchMapaBits + std::size_t(height - 1 - y2) * inStride;
    std::uint8_t* const outBits = result.m_pchMapaBits;
    ForEachRowBand(outHeight, outStride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t r = first; r < last; ++r) {
            const std::uint8_t* src = inBits + std::size_t(r) * inStride;
            std::uint8_t* dst = outBits + std::size_t(r) * outStride;
            std::memset(dst + used, 0, outStride - used);
            if (depth >= 8) {
                std::memcpy(dst, src + std::size_t(x1) * (depth / 8), used);  // 32-bit pixels keep their alpha
            } else {
                std::memset(dst, 0, used);
                for (std::int32_t x = 0; x < outWidth; ++x) WritePixel(dst, x, depth, ReadPixel(src, x1 + x, depth));
            }
        }
    });
    ReplaceKeepingName(std::move(result));
    return 0;
}
