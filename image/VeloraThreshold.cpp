// Thresholds: global, locally adaptive, and the optimal threshold with its methods.
// The loops work on whole rows; each gives exactly what the per-pixel rule gives.
#include <algorithm>
#include <cstring>
#include <vector>

#include "ByteRows.h"
#include "CVelora.h"
#include "Parallel.h"
#include "LargeArrays.h"

using velora::detail::ForEachRowBand;
using velora::detail::RefuseWithoutMemory;

namespace {

// The loops below go over a fixed number of bytes at a time: at -O2 the compiler turns a
// fixed-count loop into vector code, where a loop of unknown length stays byte by byte.
constexpr std::size_t kChunk = 32;

// Sum, minimum and maximum of n bytes, added to what the arguments hold.
void SumMinMax(const std::uint8_t* p, std::size_t n, std::uint64_t& sum, std::uint8_t& lo, std::uint8_t& hi) {
    std::size_t i = 0;
    if (n >= kChunk) {
        std::uint32_t sums[kChunk] = {};
        std::uint8_t mins[kChunk], maxs[kChunk];
        std::memset(mins, 0xFF, kChunk);
        std::memset(maxs, 0, kChunk);
        // 32-bit lanes hold 2^24 chunks of bytes before they could overflow.
        std::size_t chunks = 0;
        for (; i + kChunk <= n; i += kChunk) {
            for (std::size_t k = 0; k < kChunk; ++k) {
                const std::uint8_t v = p[i + k];
                sums[k] += v;
                mins[k] = std::min(mins[k], v);
                maxs[k] = std::max(maxs[k], v);
            }
            if (++chunks == (std::size_t(1) << 24)) {
                for (std::size_t k = 0; k < kChunk; ++k) sum += sums[k], sums[k] = 0;
                chunks = 0;
            }
        }
        for (std::size_t k = 0; k < kChunk; ++k) {
            sum += sums[k];
            lo = std::min(lo, mins[k]);
            hi = std::max(hi, maxs[k]);
        }
    }
    for (; i < n; ++i) {
        sum += p[i];
        lo = std::min(lo, p[i]);
        hi = std::max(hi, p[i]);
    }
}

// sum / count, truncated, from an approximate reciprocal of count and an exact correction.
inline std::uint64_t QuotientBy(std::uint64_t sum, std::uint64_t count, double reciprocal) {
    auto q = std::uint64_t(double(sum) * reciprocal);
    while (q * count > sum) --q;
    while ((q + 1) * count <= sum) ++q;
    return q;
}

// Adds a row into per-column sums, minima and maxima. Chunks go through locals, so that the
// compiler knows the arrays do not overlap and makes vector code of the fixed-count loop.
void AccumulateRow(const std::uint8_t* row, std::size_t n, std::uint32_t* sums, std::uint8_t* lows, std::uint8_t* highs) {
    std::size_t i = 0;
    for (; i + kChunk <= n; i += kChunk) {
        std::uint8_t in[kChunk], lo[kChunk], hi[kChunk];
        std::uint32_t sum[kChunk];
        std::memcpy(in, row + i, kChunk);
        std::memcpy(lo, lows + i, kChunk);
        std::memcpy(hi, highs + i, kChunk);
        std::memcpy(sum, sums + i, sizeof sum);
        for (std::size_t k = 0; k < kChunk; ++k) {
            sum[k] += in[k];
            lo[k] = std::min(lo[k], in[k]);
            hi[k] = std::max(hi[k], in[k]);
        }
        std::memcpy(lows + i, lo, kChunk);
        std::memcpy(highs + i, hi, kChunk);
        std::memcpy(sums + i, sum, sizeof sum);
    }
    for (; i < n; ++i) {
        sums[i] += row[i];
        lows[i] = std::min(lows[i], row[i]);
        highs[i] = std::max(highs[i], row[i]);
    }
}

// row[x] = row[x] < below[x] ? low[x] : high[x].
void ChooseRow(std::uint8_t* row, std::size_t n, const std::uint8_t* below, const std::uint8_t* low, const std::uint8_t* high) {
    std::size_t i = 0;
    for (; i + kChunk <= n; i += kChunk) {
        std::uint8_t in[kChunk], t[kChunk], lo[kChunk], hi[kChunk], out[kChunk];
        std::memcpy(in, row + i, kChunk);
        std::memcpy(t, below + i, kChunk);
        std::memcpy(lo, low + i, kChunk);
        std::memcpy(hi, high + i, kChunk);
        for (std::size_t k = 0; k < kChunk; ++k) out[k] = in[k] < t[k] ? lo[k] : hi[k];
        std::memcpy(row + i, out, kChunk);
    }
    for (; i < n; ++i) row[i] = row[i] < below[i] ? low[i] : high[i];
}

}  // namespace

// ---------------------------------------------------------------- global threshold

unsigned CVelora::Threshold(std::uint8_t t, std::uint8_t low, std::uint8_t high) {
    const unsigned depth = GetBitCount();
    const unsigned levels = IsIndexed() ? PaletteEntries() : 256;
    if (t >= levels) return 1;
    if (depth != 4 && depth != 8 && depth != 24 && depth != 32) return 2;
    if (low > levels - 1 || high > levels - 1) return 3;

    if (depth == 4) {
        std::uint8_t table[256];
        for (unsigned v = 0; v < 256; ++v) table[v] = v < t ? low : high;
        RemapIndices(table);
        return 0;
    }
    // 8 bits: the indices; 24 and 32: the colour bytes, with the same rule for each.
    const std::size_t rowBytes = std::size_t(GetWidth()) * (depth / 8);
    const std::size_t stride = m_bytesPerRow;
    std::uint8_t* const bits = m_pchMapaBits;
    ForEachRowBand(GetHeight(), stride, [&](std::int32_t first, std::int32_t last) {
        velora::detail::ForEachRun(bits, stride, rowBytes, first, last, [&](std::uint8_t* p, std::size_t n) {
            velora::detail::ThresholdRow(p, n, t, low, high, depth == 32);
        });
    });
    return 0;
}

// ---------------------------------------------------------------- local adaptive threshold

unsigned CVelora::LocalThreshold(int blockHeight, int blockWidth, int thresholdKind, int outputKind) {
    return RefuseWithoutMemory(4, [&]() -> unsigned {
        if (GetBitCount() != 8) return 2;
        const std::int32_t width = GetWidth(), height = GetHeight();
        if (blockHeight < 1 || blockHeight > height || blockWidth < 1 || blockWidth > width) return 1;
        if (outputKind < 0 || outputKind > 3) return 3;

        const std::size_t stride = m_bytesPerRow;
        std::uint8_t* const bits = m_pchMapaBits;
        // The lowest and highest level present, as the histogram's channel 0 gives them.
        std::uint8_t imageLow = 0xFF, imageHigh = 0;
        if (thresholdKind == -3 || outputKind == 2) {
            std::uint64_t ignored = 0;
            for (std::int32_t r = 0; r < height; ++r) SumMinMax(bits + std::size_t(r) * stride, std::size_t(width), ignored, imageLow, imageHigh);
        }
        // 0 and L - 1: a short colour table ends before 255, and no index may point past it.
        const auto topLevel = std::uint8_t(PaletteEntries() - 1);

        if (blockHeight == 1 && blockWidth == 1) {
            // Every pixel is a block of its own: the rule depends on its level alone.
            std::uint8_t table[256];
            for (int v = 0; v < 256; ++v) {
                const int t = thresholdKind == -1 || thresholdKind == -2 ? v : thresholdKind == -3 ? imageHigh : thresholdKind;
                const int outputs[4][2] = {{v, v}, {0, v}, {imageLow, imageHigh}, {0, topLevel}};
                table[v] = std::uint8_t(outputs[outputKind][v < t ? 0 : 1]);
            }
            RemapIndices(table);
            return 0;
        }

        const std::int32_t blockRows = height / blockHeight, blockColumns = width / blockWidth;
        // The first column of each block, and one past the last column of the image.
        std::vector<std::int32_t> columnStart(std::size_t(blockColumns) + 1);
        for (std::int32_t j = 0; j < blockColumns; ++j) columnStart[std::size_t(j)] = j * blockWidth;
        columnStart[std::size_t(blockColumns)] = width;

        // Block rows are independent: each band of them reads and writes only its own rows.
        // Within a block row the statistics go column by column over whole rows, then into
        // blocks. Wide blocks spread their choice over the columns, for one vector loop over
        // each row; narrow ones choose block by block, where spreading would cost more.
        const bool narrow = blockWidth < std::int32_t(kChunk);
        ForEachRowBand(blockRows, std::size_t(blockHeight) * stride, [&](std::int32_t firstBlockRow, std::int32_t lastBlockRow) {
            const std::size_t w = std::size_t(width);
            std::vector<std::uint32_t> columnSum(w);
            std::vector<std::uint64_t> columnTotal;  // only for block rows too tall for 32-bit sums
            std::vector<std::uint8_t> columnLow(w), columnHigh(w), below(w), outLow(w), outHigh(w);
            // Per block: the level below which a pixel takes the low output, and the two outputs.
            const std::size_t columns = std::size_t(blockColumns);
            std::vector<std::uint8_t> blockBelow(columns), blockLow(columns), blockHigh(columns);
            for (std::int32_t i = firstBlockRow; i < lastBlockRow; ++i) {
                // Rows as displayed, from the top: y0 .. y1 - 1.
                const std::int32_t y0 = i * blockHeight;
                const std::int32_t y1 = i == blockRows - 1 ? height : y0 + blockHeight;
                const std::uint8_t* first = bits + std::size_t(height - 1 - y0) * stride;
                std::copy_n(first, w, columnSum.begin());
                std::memcpy(columnLow.data(), first, w);
                std::memcpy(columnHigh.data(), first, w);
                // 32-bit sums hold 2^24 rows of bytes; taller block rows add them up on the way.
                const bool tall = y1 - y0 > (1 << 24);
                if (tall) columnTotal.assign(w, 0);
                std::int32_t rowsInSum = 1;
                for (std::int32_t y = y0 + 1; y < y1; ++y) {
                    if (tall && rowsInSum == (1 << 24)) {
                        for (std::size_t x = 0; x < w; ++x) columnTotal[x] += columnSum[x], columnSum[x] = 0;
                        rowsInSum = 0;
                    }
                    AccumulateRow(bits + std::size_t(height - 1 - y) * stride, w, columnSum.data(), columnLow.data(),
                                  columnHigh.data());
                    ++rowsInSum;
                }
                // The block's mean: a division per block would cost more than its pixels when they
                // are few; two reciprocals per block row serve every block of it.
                const double regular = 1.0 / double(std::uint64_t(y1 - y0) * std::uint64_t(blockWidth));
                const double last = 1.0 / double(std::uint64_t(y1 - y0) * std::uint64_t(width - columnStart[std::size_t(blockColumns) - 1]));
                for (std::int32_t j = 0; j < blockColumns; ++j) {
                    const std::size_t x0 = std::size_t(columnStart[std::size_t(j)]), x1 = std::size_t(columnStart[std::size_t(j) + 1]);
                    std::uint64_t sum = 0;
                    std::uint8_t lo = 0xFF, hi = 0;
                    for (std::size_t x = x0; x < x1; ++x) {
                        sum += columnSum[x] + (tall ? columnTotal[x] : 0);
                        lo = std::min(lo, columnLow[x]);
                        hi = std::max(hi, columnHigh[x]);
                    }
                    int t = 0;
                    switch (thresholdKind) {
                        case -1: t = int(QuotientBy(sum, std::uint64_t(y1 - y0) * (x1 - x0), j + 1 < blockColumns ? regular : last)); break;
                        case -2: t = hi; break;
                        case -3: t = imageHigh; break;
                        default: t = thresholdKind; break;
                    }
                    std::uint8_t a = 0, b = 0;
                    switch (outputKind) {
                        case 0: a = lo, b = hi; break;
                        case 1: a = 0, b = hi; break;
                        case 2: a = imageLow, b = imageHigh; break;
                        default: a = 0, b = topLevel; break;
                    }
                    // As bytes: no level is below 0 or less, every level is below 256 or more.
                    if (t > 255) b = a;
                    blockBelow[std::size_t(j)] = std::uint8_t(std::clamp(t, 0, 255));
                    blockLow[std::size_t(j)] = a;
                    blockHigh[std::size_t(j)] = b;
                }
                if (narrow) {
                    for (std::int32_t y = y0; y < y1; ++y) {
                        std::uint8_t* row = bits + std::size_t(height - 1 - y) * stride;
                        for (std::size_t j = 0; j < std::size_t(blockColumns); ++j) {
                            const std::uint8_t t = blockBelow[j], a = blockLow[j], b = blockHigh[j];
                            for (std::int32_t x = columnStart[j]; x < columnStart[j + 1]; ++x) row[x] = row[x] < t ? a : b;
                        }
                    }
                    continue;
                }
                for (std::size_t j = 0; j < std::size_t(blockColumns); ++j) {
                    const auto x0 = std::ptrdiff_t(columnStart[j]), x1 = std::ptrdiff_t(columnStart[j + 1]);
                    std::fill(below.begin() + x0, below.begin() + x1, blockBelow[j]);
                    std::fill(outLow.begin() + x0, outLow.begin() + x1, blockLow[j]);
                    std::fill(outHigh.begin() + x0, outHigh.begin() + x1, blockHigh[j]);
                }
                for (std::int32_t y = y0; y < y1; ++y)
                    ChooseRow(bits + std::size_t(height - 1 - y) * stride, w, below.data(), outLow.data(), outHigh.data());
            }
        });
        return 0;
    });
}

// ---------------------------------------------------------------- optimal threshold

int CVelora::MeanLevel(RGBQUAD& rgb) const {
    if (!HasAccessibleDepth()) {
        rgb.rgbRed = rgb.rgbGreen = rgb.rgbBlue = 0;
        return -1;
    }
    const std::int64_t mean = MeanOf(0, GetWidth(), 0, GetHeight(), false, rgb);
    // Direct colour: the level is the blue byte.
    return IsIndexed() ? int(mean) : int(rgb.rgbBlue);
}

namespace {

// The mean of the levels in [first, last) weighted by their counts; -1 when none has a pixel.
std::int64_t MeanOfLevels(const std::int64_t* counts, int first, int last) {
    std::int64_t sum = 0, count = 0;
    for (int level = first; level < last; ++level) sum += std::int64_t(level) * counts[level], count += counts[level];
    return count == 0 ? -1 : sum / count;
}

}  // namespace

int CVelora::OptimalThreshold(int method, int& extra) const {
    const unsigned depth = GetBitCount();
    if (depth != 4 && depth != 8 && depth != 24 && depth != 32) return -1;
    if (method < 0 || method > 2) return -2;
    RGBQUAD rgb{};
    if (method == 0) return MeanLevel(rgb);

    HistogramTable table{};
    Histogram(table, 0);
    if (method == 1) {
        const int mean = MeanLevel(rgb);
        // ISODATA on the indices, or on the red byte of direct colour.
        const std::size_t channel = IsIndexed() ? 0 : 1;
        std::int64_t counts[256];
        for (std::size_t level = 0; level < 256; ++level) counts[level] = table[level][channel];
        int t = mean, iterations = 0;
        // Each step moves T to a level not visited before, so 256 steps bound a run that
        // converges; the bound only guards against looping for ever.
        while (iterations < 256) {
            ++iterations;
            const std::int64_t below = MeanOfLevels(counts, 0, t);
            const std::int64_t above = MeanOfLevels(counts, t + 1, 256);
            // A side without pixels has no mean: T stays what it is.
            if (below < 0 || above < 0) break;
            const int next = int((below + above) / 2);
            if (next == t) break;
            t = next;
        }
        extra = iterations;
        return t;
    }

    // Two peaks: the mode of channel 0, and the level farthest from it weighted by its count.
    const int levels = depth == 4 ? 16 : 256;
    const int first = SummarizeHistogram(table).mode[0].level;
    int second = 0;
    std::int64_t best = 0;
    for (int level = 0; level < levels; ++level) {
        const std::int64_t d = level - first;
        const std::int64_t product = d * d * table[std::size_t(level)][0];
        if (product > best) best = product, second = level;
    }
    const int a = std::min(first, second), b = std::max(first, second);
    int threshold = a;
    std::int64_t fewest = table[std::size_t(a)][0];
    for (int j = a + 1; j < b; ++j)
        if (table[std::size_t(j)][0] < fewest) threshold = j, fewest = table[std::size_t(j)][0];
    extra = second;
    return threshold;
}
