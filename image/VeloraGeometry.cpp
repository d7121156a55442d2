// Geometric operations that move pixels without changing their values.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

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

CVelora CVelora::BlankLike(std::int32_t width, std::int32_t height) const {
    CVelora result(nullptr, nullptr, 0, 0, 0);
    if (!HasImage() || width < 0 || height < 0) return result;
    const std::uint64_t stride = GetBytesPerRow(width, GetBitCount());
    const std::uint64_t pixelBytes = stride * std::uint64_t(height);
    if (pixelBytes > kMaxPixelBytes) return result;
    const std::size_t head = std::size_t(m_pchMapaBits - m_lpDIB);  // header and colour table
    const std::size_t size = head + std::size_t(pixelBytes);
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[size]());
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
        column[std::size_t(c)] = std::min(std::int32_t(RoundHalfDown(float(c) / fx)), width - 1);
    const std::size_t pixelBytes = depth / 8;
    for (std::int32_t r = 0; r < outHeight; ++r) {
        // Storage rows: row 0 is the bottom of the picture, which anchors the mapping.
        const std::int32_t sourceRow = std::min(std::int32_t(RoundHalfDown(float(r) / fy)), height - 1);
        const std::uint8_t* src = m_pchMapaBits + std::size_t(sourceRow) * m_bytesPerRow;
        std::uint8_t* dst = result.m_pchMapaBits + std::size_t(r) * result.m_bytesPerRow;
        if (depth < 8) {
            for (std::int32_t c = 0; c < outWidth; ++c)
                WritePixel(dst, c, depth, ReadPixel(src, column[std::size_t(c)], depth));
        } else {
            // 32-bit pixels keep their alpha byte with the colour.
            for (std::int32_t c = 0; c < outWidth; ++c)
                std::memcpy(dst + std::size_t(c) * pixelBytes, src + std::size_t(column[std::size_t(c)]) * pixelBytes,
                            pixelBytes);
        }
    }
    ReplaceKeepingName(std::move(result));
    return 0;
}
