// Thresholds: global, locally adaptive, and the optimal threshold with its methods.
// The loops work on whole rows; each gives exactly what the per-pixel rule gives.
#include <algorithm>
#include <cstring>
#include <vector>

#include "CVelora.h"
#include "Parallel.h"

using velora::detail::ForEachRowBand;

namespace {

// The loops below go over a fixed number of bytes at a time: at -O2 the compiler turns a
// fixed-count loop into vector code, where a loop of unknown length stays byte by byte.
constexpr std::size_t kChunk = 32;

// p[i] = p[i] < t ? low : high, except where keepOf4[i % 4] is 0xFF (the alpha byte of 32-bit
// pixels). The bytes are copied in and out of locals: the compiler then knows that the
// stores do not alias the loads, and the masks make the choice a vector blend.
void ThresholdBytes(std::uint8_t* p, std::size_t n, std::uint8_t t, std::uint8_t low, std::uint8_t high,
                    const std::uint8_t (&keepOf4)[4]) {
    std::uint8_t keep[kChunk];
    for (std::size_t k = 0; k < kChunk; ++k) keep[k] = keepOf4[k % 4];
    std::size_t i = 0;
    for (; i + kChunk <= n; i += kChunk) {
        std::uint8_t in[kChunk], out[kChunk];
        std::memcpy(in, p + i, kChunk);
        for (std::size_t k = 0; k < kChunk; ++k) {
            const std::uint8_t v = in[k];
            const std::uint8_t chosen = v < t ? low : high;
            out[k] = std::uint8_t((v & keep[k]) | (chosen & ~keep[k]));
        }
        std::memcpy(p + i, out, kChunk);
    }
    for (std::size_t k = 0; i < n; ++i, ++k) p[i] = keep[k] ? p[i] : (p[i] < t ? low : high);
}

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

// p[i] = p[i] < t ? low : high for n bytes, with int t (any value the caller chose).
void ThresholdSpan(std::uint8_t* p, std::size_t n, int t, std::uint8_t low, std::uint8_t high) {
    if (t <= 0) {
        std::memset(p, high, n);
    } else if (t > 255) {
        std::memset(p, low, n);
    } else {
        static constexpr std::uint8_t kNone[4] = {};
        ThresholdBytes(p, n, std::uint8_t(t), low, high, kNone);
    }
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
    const std::uint8_t keep[4] = {0, 0, 0, std::uint8_t(depth == 32 ? 0xFF : 0)};
    ForEachRowBand(GetHeight(), stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t r = first; r < last; ++r) ThresholdBytes(bits + std::size_t(r) * stride, rowBytes, t, low, high, keep);
    });
    return 0;
}

// ---------------------------------------------------------------- local adaptive threshold

unsigned CVelora::LocalThreshold(int blockHeight, int blockWidth, int thresholdKind, int outputKind) {
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

    const std::int32_t blockRows = height / blockHeight, blockColumns = width / blockWidth;
    // The first column of each block, and one past the last column of the image.
    std::vector<std::int32_t> columnStart(std::size_t(blockColumns) + 1);
    for (std::int32_t j = 0; j < blockColumns; ++j) columnStart[std::size_t(j)] = j * blockWidth;
    columnStart[std::size_t(blockColumns)] = width;
    const bool narrow = blockWidth < std::int32_t(kChunk);

    // Block rows are independent: each band of them reads and writes only its own rows.
    ForEachRowBand(blockRows, std::size_t(blockHeight) * stride, [&](std::int32_t firstBlockRow, std::int32_t lastBlockRow) {
        const std::size_t columns = std::size_t(blockColumns);
        std::vector<std::uint64_t> sums(columns);
        std::vector<std::uint8_t> lows(columns), highs(columns), outLow(columns), outHigh(columns);
        std::vector<int> thresholds(columns);
        for (std::int32_t i = firstBlockRow; i < lastBlockRow; ++i) {
            // Rows as displayed, from the top: y0 .. y1 - 1.
            const std::int32_t y0 = i * blockHeight;
            const std::int32_t y1 = i == blockRows - 1 ? height : y0 + blockHeight;
            std::fill(sums.begin(), sums.end(), 0);
            std::fill(lows.begin(), lows.end(), std::uint8_t(0xFF));
            std::fill(highs.begin(), highs.end(), std::uint8_t(0));
            for (std::int32_t y = y0; y < y1; ++y) {
                const std::uint8_t* row = bits + std::size_t(height - 1 - y) * stride;
                if (narrow) {
                    // Narrow blocks: the pixels in line, without a call per block.
                    for (std::size_t b = 0; b < std::size_t(blockColumns); ++b) {
                        std::uint64_t sum = sums[b];
                        std::uint8_t lo = lows[b], hi = highs[b];
                        for (std::int32_t x = columnStart[b]; x < columnStart[b + 1]; ++x) {
                            const std::uint8_t v = row[x];
                            sum += v;
                            lo = std::min(lo, v);
                            hi = std::max(hi, v);
                        }
                        sums[b] = sum, lows[b] = lo, highs[b] = hi;
                    }
                    continue;
                }
                for (std::size_t b = 0; b < std::size_t(blockColumns); ++b)
                    SumMinMax(row + columnStart[b], std::size_t(columnStart[b + 1] - columnStart[b]), sums[b], lows[b], highs[b]);
            }
            for (std::int32_t j = 0; j < blockColumns; ++j) {
                const std::size_t b = std::size_t(j);
                const std::uint64_t count = std::uint64_t(y1 - y0) * std::uint64_t(columnStart[b + 1] - columnStart[b]);
                switch (thresholdKind) {
                    case -1: thresholds[b] = int(sums[b] / count); break;
                    case -2: thresholds[b] = highs[b]; break;
                    case -3: thresholds[b] = imageHigh; break;
                    default: thresholds[b] = thresholdKind; break;
                }
                switch (outputKind) {
                    case 0: outLow[b] = lows[b], outHigh[b] = highs[b]; break;
                    case 1: outLow[b] = 0, outHigh[b] = highs[b]; break;
                    case 2: outLow[b] = imageLow, outHigh[b] = imageHigh; break;
                    default: outLow[b] = 0, outHigh[b] = topLevel; break;
                }
            }
            for (std::int32_t y = y0; y < y1; ++y) {
                std::uint8_t* row = bits + std::size_t(height - 1 - y) * stride;
                if (narrow) {
                    for (std::size_t b = 0; b < std::size_t(blockColumns); ++b) {
                        const int t = thresholds[b];
                        const std::uint8_t lo = outLow[b], hi = outHigh[b];
                        for (std::int32_t x = columnStart[b]; x < columnStart[b + 1]; ++x) row[x] = int(row[x]) < t ? lo : hi;
                    }
                    continue;
                }
                for (std::size_t b = 0; b < std::size_t(blockColumns); ++b)
                    ThresholdSpan(row + columnStart[b], std::size_t(columnStart[b + 1] - columnStart[b]), thresholds[b],
                                  outLow[b], outHigh[b]);
            }
        }
    });
    return 0;
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
