// Whole-image writes of pixel values: filling with one value or one colour, and the alpha
// channel of 32-bit images.
#include <algorithm>
#include <cstring>

#include "CVelora.h"
#include "Parallel.h"
#include "PixelRow.h"

using velora::detail::ForEachRowBand;
using velora::detail::ReadPixel;
using velora::detail::WritePixel;

namespace {

constexpr std::uint32_t RawOf(const RGBQUAD& c) {
    return c.rgbBlue | (std::uint32_t(c.rgbGreen) << 8) | (std::uint32_t(c.rgbRed) << 16);
}

}  // namespace

// Every pixel gets one raw value. The first row is written pixel by pixel, as SetPixel would;
// the others copy its whole bytes, and the pixels sharing a byte with the padding are written
// one by one, so that no padding bit changes. 32-bit pixels keep their own alpha.
unsigned CVelora::Initialize(std::uint32_t value) {
    if (!HasAccessibleDepth()) return 1;
    const unsigned depth = GetBitCount();
    const std::int32_t width = GetWidth(), height = GetHeight();
    if (depth == 32) {
        const std::uint8_t b = std::uint8_t(value), g = std::uint8_t(value >> 8), r = std::uint8_t(value >> 16);
        ForEachRowBand(height, m_bytesPerRow, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t y = first; y < last; ++y) {
                std::uint8_t* p = Row(y);
                for (std::int32_t x = 0; x < width; ++x, p += 4) {
                    p[0] = b;
                    p[1] = g;
                    p[2] = r;
                }
            }
        });
        return 0;
    }
    const std::size_t wholeBytes = std::size_t(width) * depth / 8;
    const std::int32_t pixelsInWholeBytes = std::int32_t(wholeBytes * 8 / depth);
    std::uint8_t* first = Row(0);
    for (std::int32_t x = 0; x < width; ++x) WritePixel(first, x, depth, value);
    ForEachRowBand(height, m_bytesPerRow, [&](std::int32_t firstRow, std::int32_t last) {
        for (std::int32_t y = std::max(firstRow, 1); y < last; ++y) {
            std::uint8_t* row = Row(y);
            std::memcpy(row, first, wholeBytes);
            for (std::int32_t x = pixelsInWholeBytes; x < width; ++x) WritePixel(row, x, depth, value);
        }
    });
    return 0;
}

unsigned CVelora::InitializeRGB(const RGBQUAD& colour) {
    if (!HasAccessibleDepth()) return 1;
    if (!IsIndexed()) return Initialize(RawOf(colour));
    // Writing the colour through every pixel rewrites exactly the entries in use.
    const unsigned depth = GetBitCount();
    const std::int32_t width = GetWidth();
    bool used[256] = {};
    for (std::int32_t y = 0; y < GetHeight(); ++y) {
        const std::uint8_t* row = Row(y);
        if (depth == 8) {
            for (std::int32_t x = 0; x < width; ++x) used[row[x]] = true;
        } else {
            for (std::int32_t x = 0; x < width; ++x) used[ReadPixel(row, x, depth)] = true;
        }
    }
    for (std::uint32_t i = 0; i < PaletteEntries(); ++i)
        if (used[i]) m_pPaleta[i] = colour;
    return 0;
}

unsigned CVelora::FillIndex(std::uint32_t value) {
    if (!HasAccessibleDepth()) return 1;
    // An index beyond the colour table would name no colour.
    if (IsIndexed() && value >= PaletteEntries()) return 2;
    return Initialize(value);
}

unsigned CVelora::SetAlfa(std::uint8_t alfa) {
    if (GetBitCount() != 32) return 1;
    const std::int32_t width = GetWidth();
    ForEachRowBand(GetHeight(), m_bytesPerRow, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = Row(y) + 3;
            for (std::int32_t x = 0; x < width; ++x, p += 4) *p = alfa;
        }
    });
    return 0;
}

unsigned CVelora::AlphaOperation(int mode) {
    if (GetBitCount() != 32) return 1;
    if (mode != 2 && mode != 3) return 2;
    const std::int32_t width = GetWidth();
    ForEachRowBand(GetHeight(), m_bytesPerRow, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = Row(y);
            if (mode == 2) {
                for (std::int32_t x = 0; x < width; ++x, p += 4) p[3] = std::uint8_t(255 - p[3]);
            } else {
                for (std::int32_t x = 0; x < width; ++x, p += 4)
                    p[3] = std::uint8_t((unsigned(p[0]) + p[1] + p[2]) / 3);
            }
        }
    });
    return 0;
}
