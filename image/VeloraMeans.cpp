// Means of a column, a row or the whole image, for the image-information window.
#include <mutex>

#include "CVelora.h"
#include "Parallel.h"
#include "PixelRow.h"

using velora::detail::OnesInBitRow;
using velora::detail::ReadPixel;

std::int64_t CVelora::MeanOf(std::int32_t x0, std::int32_t x1, std::int32_t y0, std::int32_t y1, bool sumRawDirect,
                             RGBQUAD& colour) const {
    const unsigned depth = GetBitCount();
    std::uint64_t value = 0, red = 0, green = 0, blue = 0;
    if (IsIndexed()) {
        // Pixels counted by index, then summed by palette entry: the same sums, without a
        // palette look-up per pixel; whole 1-bit rows are counted a byte at a time.
        std::uint64_t counts[256] = {};
        const bool wholeBitRows = depth == 1 && x0 == 0 && x1 == GetWidth();
        for (std::int32_t y = y0; y < y1; ++y) {
            const std::uint8_t* row = Row(y);
            if (wholeBitRows) {
                const std::uint64_t ones = OnesInBitRow(row, x1);
                counts[1] += ones;
                counts[0] += std::uint64_t(x1) - ones;
            } else if (depth == 8) {
                for (std::int32_t x = x0; x < x1; ++x) ++counts[row[x]];
            } else {
                for (std::int32_t x = x0; x < x1; ++x) ++counts[ReadPixel(row, x, depth)];
            }
        }
        for (std::uint32_t i = 0; i < (1u << depth); ++i) {
            if (counts[i] == 0) continue;
            const RGBQUAD c = PaletteColor(i);
            value += i * counts[i];
            red += c.rgbRed * counts[i], green += c.rgbGreen * counts[i], blue += c.rgbBlue * counts[i];
        }
    } else {
        // Channel sums by bands of rows, added up afterwards: integer sums, the same in any order.
        const std::size_t step = depth / 8;
        std::mutex merge;
        velora::detail::ForEachRowBand(y1 - y0, std::size_t(x1 - x0) * step, [&](std::int32_t first, std::int32_t last) {
            std::uint64_t r = 0, g = 0, b = 0;
            for (std::int32_t y = y0 + first; y < y0 + last; ++y) {
                const std::uint8_t* p = Row(y) + std::size_t(x0) * step;
                for (std::int32_t x = x0; x < x1; ++x, p += step) b += p[0], g += p[1], r += p[2];
            }
            const std::lock_guard lock(merge);
            red += r, green += g, blue += b;
        });
        // Direct colour: a column or row sums no value; the whole image sums 0x00RRGGBB.
        if (sumRawDirect) value = (red << 16) + (green << 8) + blue;
    }
    const std::uint64_t count = std::uint64_t(x1 - x0) * std::uint64_t(y1 - y0);
    if (count == 0) {
        colour.rgbRed = colour.rgbGreen = colour.rgbBlue = 0;
        return 0;
    }
    colour.rgbRed = std::uint8_t(red / count);
    colour.rgbGreen = std::uint8_t(green / count);
    colour.rgbBlue = std::uint8_t(blue / count);
    return std::int64_t(value / count);
}

namespace {
void Zero(RGBQUAD& c) { c.rgbRed = c.rgbGreen = c.rgbBlue = 0; }
}  // namespace

std::int64_t CVelora::GetMeanColumn(std::int32_t x, RGBQUAD& colour) const {
    if (!HasAccessibleDepth()) return Zero(colour), -1;
    if (x < 0 || x >= GetWidth()) return -2;
    return MeanOf(x, x + 1, 0, GetHeight(), false, colour);
}

std::int64_t CVelora::GetMeanRow(std::int32_t y, RGBQUAD& colour) const {
    if (!HasAccessibleDepth()) return Zero(colour), -1;
    if (y < 0 || y >= GetHeight()) return -2;
    return MeanOf(0, GetWidth(), y, y + 1, false, colour);
}

std::int64_t CVelora::GetMeanImage(RGBQUAD& colour) const {
    if (!HasAccessibleDepth()) return Zero(colour), -1;
    return MeanOf(0, GetWidth(), 0, GetHeight(), true, colour);
}
