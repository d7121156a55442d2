// Picture effects: mosaic.
#include <algorithm>
#include <cstring>
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

        // Block rows are independent. Within a block the values add row by row, top first;
        // a row's values are made floats first (exact: below 2^24), then summed block by block.
        const std::size_t bytesPerBlockRow = std::size_t(m_bytesPerRow) * std::size_t(blockHeight);
        const std::size_t pixelBytes = depth / 8;
        const bool wholeBytes = depth == 8 || depth == 24;  // a row of means can be copied whole
        velora::detail::ForEachRowBand(blockRows, bytesPerBlockRow, [&](std::int32_t first, std::int32_t last) {
            std::vector<float> sums(static_cast<std::size_t>(blockColumns)), values(static_cast<std::size_t>(width));
            std::vector<std::uint32_t> means(static_cast<std::size_t>(blockColumns));
            std::vector<std::uint8_t> meansRow(wholeBytes ? pixelBytes * std::size_t(width) : 0);
            const auto blockEnd = [&](std::int32_t bx) { return bx + 1 == blockColumns ? width : (bx + 1) * blockWidth; };
            for (std::int32_t by = first; by < last; ++by) {
                const std::int32_t y0 = by * blockHeight;
                const std::int32_t y1 = by + 1 == blockRows ? height : y0 + blockHeight;
                std::fill(sums.begin(), sums.end(), 0.0f);
                for (std::int32_t y = y0; y < y1; ++y) {
                    const std::uint8_t* row = Row(y);
                    float* v = values.data();
                    if (depth == 24) {
                        std::int32_t x = 0;
                        for (; x + 1 < width; ++x) {  // four bytes, the last one the next pixel's
                            std::uint32_t word;
                            std::memcpy(&word, row + 3 * std::size_t(x), 4);
                            v[x] = float(std::int32_t(word & 0xFFFFFFu));
                        }
                        for (; x < width; ++x) v[x] = float(ReadPixel(row, x, depth));
                    } else if (depth == 8) {
                        for (std::int32_t x = 0; x < width; ++x) v[x] = float(row[x]);
                    } else {
                        for (std::int32_t x = 0; x < width; ++x) v[x] = float(ReadPixel(row, x, depth));
                    }
                    for (std::int32_t bx = 0; bx < blockColumns; ++bx) {
                        float sum = sums[std::size_t(bx)];
                        for (std::int32_t x = bx * blockWidth, x1 = blockEnd(bx); x < x1; ++x) sum += v[x];
                        sums[std::size_t(bx)] = sum;
                    }
                }
                for (std::int32_t bx = 0; bx < blockColumns; ++bx) {
                    const std::int32_t x0 = bx * blockWidth, x1 = blockEnd(bx);
                    const float mean = sums[std::size_t(bx)] / float(std::int64_t(x1 - x0) * (y1 - y0));
                    means[std::size_t(bx)] = mean >= float(largest) ? largest : mean > 0 ? std::uint32_t(mean) : 0u;
                }
                if (wholeBytes) {
                    // One row of means, copied into every row of the block row.
                    for (std::int32_t bx = 0; bx < blockColumns; ++bx)
                        for (std::int32_t x = bx * blockWidth, x1 = blockEnd(bx); x < x1; ++x)
                            WritePixel(meansRow.data(), x, depth, means[std::size_t(bx)]);
                    for (std::int32_t y = y0; y < y1; ++y) std::memcpy(Row(y), meansRow.data(), meansRow.size());
                    continue;
                }
                for (std::int32_t y = y0; y < y1; ++y) {
                    std::uint8_t* row = Row(y);
                    for (std::int32_t bx = 0; bx < blockColumns; ++bx)
                        for (std::int32_t x = bx * blockWidth, x1 = blockEnd(bx); x < x1; ++x)
                            WritePixel(row, x, depth, means[std::size_t(bx)]);
                }
            }
        });
        return 0;
    });
}
