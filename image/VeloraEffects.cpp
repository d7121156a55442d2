// Picture effects: mosaic.
#include <algorithm>
#include <vector>

#include "CVelora.h"
#include "Parallel.h"
#include "PixelRow.h"
#include "LargeArrays.h"

using velora::detail::ReadPixel;
using velora::detail::WritePixel;
using velora::detail::RefuseWithoutMemory;

unsigned CVelora::Mosaic(int blockHeight, int blockWidth) {
    return RefuseWithoutMemory(3, [&]() -> unsigned {
        const std::int32_t width = GetWidth(), height = GetHeight();
        if (blockHeight < 1 || blockHeight > height / 2 || blockWidth < 1 || blockWidth > width / 2) return 1;
        if (!HasAccessibleDepth()) return 2;
        const unsigned depth = GetBitCount();
        const std::int32_t blockRows = height / blockHeight, blockColumns = width / blockWidth;
        // The sums are single precision: a mean that rounds above the largest value a pixel
        // holds is held at it, rather than wrap into another colour.
        std::uint32_t largest = 0xFFFFFFu;
        if (IsIndexed()) largest = std::min<std::uint32_t>((1u << depth) - 1, std::max<std::uint32_t>(PaletteEntries(), 1) - 1);

        // Block rows are independent. Within a block the values add row by row, top first.
        const std::size_t bytesPerBlockRow = std::size_t(m_bytesPerRow) * std::size_t(blockHeight);
        velora::detail::ForEachRowBand(blockRows, bytesPerBlockRow, [&](std::int32_t first, std::int32_t last) {
            std::vector<float> sums(static_cast<std::size_t>(blockColumns));
            std::vector<std::uint32_t> means(static_cast<std::size_t>(blockColumns));
            for (std::int32_t by = first; by < last; ++by) {
                const std::int32_t y0 = by * blockHeight;
                const std::int32_t y1 = by + 1 == blockRows ? height : y0 + blockHeight;
                std::fill(sums.begin(), sums.end(), 0.0f);
                for (std::int32_t y = y0; y < y1; ++y) {
                    const std::uint8_t* row = Row(y);
                    for (std::int32_t bx = 0; bx < blockColumns; ++bx) {
                        const std::int32_t x0 = bx * blockWidth;
                        const std::int32_t x1 = bx + 1 == blockColumns ? width : x0 + blockWidth;
                        float sum = sums[std::size_t(bx)];
                        if (depth == 24) {
                            const std::uint8_t* p = row + 3 * std::size_t(x0);
                            for (std::int32_t x = x0; x < x1; ++x, p += 3)
                                sum += float(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16));
                        } else if (depth == 8) {
                            for (std::int32_t x = x0; x < x1; ++x) sum += float(row[x]);
                        } else {
                            for (std::int32_t x = x0; x < x1; ++x) sum += float(ReadPixel(row, x, depth));
                        }
                        sums[std::size_t(bx)] = sum;
                    }
                }
                for (std::int32_t bx = 0; bx < blockColumns; ++bx) {
                    const std::int32_t x0 = bx * blockWidth;
                    const std::int32_t x1 = bx + 1 == blockColumns ? width : x0 + blockWidth;
                    const float mean = sums[std::size_t(bx)] / float(std::int64_t(x1 - x0) * (y1 - y0));
                    means[std::size_t(bx)] = mean >= float(largest) ? largest : mean > 0 ? std::uint32_t(mean) : 0u;
                }
                for (std::int32_t y = y0; y < y1; ++y) {
                    std::uint8_t* row = Row(y);
                    for (std::int32_t bx = 0; bx < blockColumns; ++bx) {
                        const std::int32_t x0 = bx * blockWidth;
                        const std::int32_t x1 = bx + 1 == blockColumns ? width : x0 + blockWidth;
                        const std::uint32_t v = means[std::size_t(bx)];
                        if (depth == 8) {
                            std::fill(row + x0, row + x1, std::uint8_t(v));
                        } else {
                            for (std::int32_t x = x0; x < x1; ++x) WritePixel(row, x, depth, v);
                        }
                    }
                }
            }
        });
        return 0;
    });
}
