// Histogram, its summary, and histogram equalization in RGB and in the other colour models.
//
// Counting is done in 64 bits: a 1- or 4-bit image within the pixel-data limit can hold more
// than 2^31 pixels of one level. The 32-bit histogram table saturates; equalization uses the
// exact counts.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

#include "CVelora.h"
#include "ModelPaths.h"
#include "Parallel.h"
#include "PixelRow.h"
#include "LargeArrays.h"

using velora::detail::ReadPixel;
using velora::detail::WritePixel;
using velora::detail::RefuseWithoutMemory;

namespace {

using Counts = std::array<std::uint64_t, 256>;

// The component(s) equalization works on in each model: intensity, value, lightness or luma;
// CMYK and CIE XYZ equalize three components, each with its own histogram.
struct EqualizedComponents {
    int first, count;
};
EqualizedComponents ComponentsOf(int model) {
    switch (model) {
        case kModelHSI:
        case kModelHSV:
        case kModelHSL: return {2, 1};
        case kModelCMYK:
        case kModelCIEXYZ: return {0, 3};
        default: return {0, 1};
    }
}

// A copy of an indexed block whose colour table is grown to `entries`. The new entries
// continue the table when it is the gray ramp (entry i is level i, as PGM files and new
// tables have it), so that an index keeps meaning its level; otherwise they are black,
// which is how the pixels beyond the table were shown until now. Null without memory.
std::unique_ptr<std::uint8_t[]> WithGrownTable(const std::uint8_t* dib, std::uint32_t oldEntries, std::uint32_t entries,
                                               std::size_t pixelBytes, std::size_t& size) {
    size = sizeof(BITMAPINFOHEADER) + 4 * std::size_t(entries) + pixelBytes;
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[size]);
    if (!block) return nullptr;
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    header.biClrUsed = entries;
    if (header.biClrImportant != 0) header.biClrImportant = entries;
    std::memcpy(block.get(), &header, sizeof header);
    const std::uint8_t* oldTable = dib + sizeof header;
    std::uint8_t* table = block.get() + sizeof header;
    std::memcpy(table, oldTable, 4 * std::size_t(oldEntries));
    bool ramp = true;
    for (std::uint32_t i = 0; i < oldEntries && ramp; ++i)
        ramp = oldTable[4 * i] == i && oldTable[4 * i + 1] == i && oldTable[4 * i + 2] == i;
    for (std::uint32_t i = oldEntries; i < entries; ++i) {
        const auto level = std::uint8_t(ramp ? i : 0);
        table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = level;
        table[4 * i + 3] = 0;
    }
    std::memcpy(table + 4 * std::size_t(entries), oldTable + 4 * std::size_t(oldEntries), pixelBytes);
    return block;
}

}  // namespace

bool CVelora::CoverRemappedIndices(const std::uint8_t* table) {
    // The pixels hold indices inside the table, so those are the ones that move.
    const std::uint32_t entries = PaletteEntries();
    std::uint32_t needed = 0;
    for (std::uint32_t i = 0; i < entries; ++i) needed = std::max(needed, std::uint32_t(table[i]) + 1);
    if (needed <= entries) return true;
    std::size_t size = 0;
    auto block = WithGrownTable(m_lpDIB, entries, needed, std::size_t(m_bytesPerRow) * std::size_t(GetHeight()), size);
    if (!block) return false;
    AdoptBlock(std::move(block), size);
    return true;
}

namespace {

// A range-1 component truncated to its bin; rounding in the conversions may step a hair
// outside [0, 255].
int Bin(float component) {
    if (!(component > 0)) return 0;
    return int(std::min(component, 255.0f));
}

std::uint32_t ColourOf(const RGBQUAD& c) {
    return (std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
}

std::int32_t Saturate(std::uint64_t count) {
    return std::int32_t(std::min<std::uint64_t>(count, std::numeric_limits<std::int32_t>::max()));
}

// Adds the indices of one stored row; whole bytes at a time below 8 bits.
void CountIndexRow(const std::uint8_t* row, std::int64_t width, unsigned depth, Counts& counts) {
    if (depth == 8) {
        for (std::int64_t x = 0; x < width; ++x) ++counts[row[x]];
    } else if (depth == 4) {
        const std::int64_t whole = width / 2;
        for (std::int64_t i = 0; i < whole; ++i) {
            ++counts[row[i] >> 4];
            ++counts[row[i] & 0x0F];
        }
        if (width & 1) ++counts[row[whole] >> 4];
    } else {
        const std::uint64_t ones = velora::detail::OnesInBitRow(row, width);
        counts[1] += ones;
        counts[0] += std::uint64_t(width) - ones;
    }
}

// Replaces every index of one stored row by table[index]. Below 8 bits a byte table maps
// all the pixels of a byte at once; the last partial byte goes pixel by pixel so that the
// padding bits stay as they are.
void RemapIndexRow(std::uint8_t* row, std::int64_t width, unsigned depth, const std::uint8_t* table,
                   const std::uint8_t* byteTable) {
    if (depth == 8) {
        for (std::int64_t x = 0; x < width; ++x) row[x] = table[row[x]];
        return;
    }
    const std::int64_t perByte = 8 / depth, whole = width / perByte;
    if (depth == 1) {
        // Two levels: each bit becomes table[1] where it is set and table[0] where it is clear.
        const std::uint64_t keep = table[1] ? ~0ull : 0, flip = table[0] ? ~0ull : 0;
        const std::int64_t words = whole / 8;
        for (std::int64_t i = 0; i < words; ++i) {
            std::uint64_t word;
            std::memcpy(&word, row + 8 * i, 8);
            word = (word & keep) | (~word & flip);
            std::memcpy(row + 8 * i, &word, 8);
        }
        for (std::int64_t i = words * 8; i < whole; ++i) row[i] = byteTable[row[i]];
    } else {
        for (std::int64_t i = 0; i < whole; ++i) row[i] = byteTable[row[i]];
    }
    for (std::int64_t x = whole * perByte; x < width; ++x)
        WritePixel(row, std::int32_t(x), depth, table[ReadPixel(row, std::int32_t(x), depth)]);
}

void BuildByteTable(unsigned depth, const std::uint8_t* table, std::uint8_t* byteTable) {
    for (unsigned b = 0; b < 256; ++b) {
        unsigned mapped = 0;
        if (depth == 4) {
            mapped = ((table[b >> 4] & 0x0Fu) << 4) | (table[b & 0x0F] & 0x0Fu);
        } else {
            for (unsigned bit = 0; bit < 8; ++bit)
                if (table[(b >> bit) & 1] != 0) mapped |= 1u << bit;
        }
        byteTable[b] = std::uint8_t(mapped);
    }
}

}  // namespace

unsigned CVelora::Histogram(HistogramTable& out, int scale) const {
    if (!HasAccessibleDepth()) return 1;
    const unsigned depth = GetBitCount();
    const std::int64_t width = GetWidth();
    Counts channels[4] = {};
    if (IsIndexed()) {
        for (std::int32_t y = 0; y < GetHeight(); ++y) CountIndexRow(Row(y), width, depth, channels[0]);
        for (std::uint32_t i = 0; i < 256; ++i) {
            if (channels[0][i] == 0) continue;
            const RGBQUAD c = PaletteColor(i);
            channels[1][c.rgbRed] += channels[0][i];
            channels[2][c.rgbGreen] += channels[0][i];
            channels[3][c.rgbBlue] += channels[0][i];
        }
    } else {
        // Each band counts into tables of its own; the sums are the same in any order.
        const std::size_t step = depth / 8;
        std::mutex merge;
        velora::detail::ForEachRowBand(GetHeight(), m_bytesPerRow, [&](std::int32_t first, std::int32_t last) {
            Counts band[4] = {};
            for (std::int32_t y = first; y < last; ++y) {
                const std::uint8_t* p = Row(y);
                for (std::int64_t x = 0; x < width; ++x, p += step) {
                    ++band[0][(p[0] + p[1] + p[2]) / 3];
                    ++band[1][p[2]];
                    ++band[2][p[1]];
                    ++band[3][p[0]];
                }
            }
            const std::lock_guard lock(merge);
            for (std::size_t channel = 0; channel < 4; ++channel)
                for (std::size_t level = 0; level < 256; ++level) channels[channel][level] += band[channel][level];
        });
    }
    for (std::size_t level = 0; level < 256; ++level)
        for (std::size_t channel = 0; channel < 4; ++channel) out[level][channel] = Saturate(channels[channel][level]);

    // For direct colour the luminance channel keeps its counts.
    if (scale >= 1) ScaleHistogram(out, scale, IsIndexed() ? 0 : 1);
    return 0;
}

void CVelora::ScaleHistogram(HistogramTable& table, int scale, std::size_t firstChannel) {
    for (std::size_t channel = firstChannel; channel < 4; ++channel) {
        std::int32_t max = 0;
        for (const auto& level : table) max = std::max(max, level[channel]);
        if (max == 0) continue;
        for (auto& level : table) {
            const float scaled = float(level[channel]) / float(max) * float(scale);
            // A scale near 2^31 rounds up to 2^31 in single precision, beyond int32.
            level[channel] = scaled >= 2147483648.0f ? std::numeric_limits<std::int32_t>::max() : std::int32_t(scaled);
        }
    }
}

unsigned CVelora::GetInfoHistogram(InfoHistogram& info) const {
    HistogramTable table;
    if (const unsigned code = Histogram(table, 0)) return code;
    info = SummarizeHistogram(table);
    return 0;
}

InfoHistogram CVelora::SummarizeHistogram(const HistogramTable& counts) {
    InfoHistogram info{};
    for (std::size_t channel = 0; channel < 4; ++channel) {
        for (int level = 0; level < 256; ++level)
            if (const std::int32_t n = counts[std::size_t(level)][channel]; n != 0) {
                info.lowest[channel] = {level, n};
                break;
            }
        for (int level = 255; level >= 0; --level)
            if (const std::int32_t n = counts[std::size_t(level)][channel]; n != 0) {
                info.highest[channel] = {level, n};
                break;
            }
        for (int level = 0; level < 256; ++level)
            if (const std::int32_t n = counts[std::size_t(level)][channel]; n > info.mode[channel].count)
                info.mode[channel] = {level, n};
    }
    return info;
}

unsigned CVelora::Equalize(int colorModel, int rounding) {
    return RefuseWithoutMemory(4, [&]() -> unsigned {
        if (!HasAccessibleDepth()) return 1;
        if (colorModel < 0 || colorModel >= kColorModelCount) return 2;
        if (colorModel == kModelRGB && (rounding < 0 || rounding > 2)) return 3;
        const unsigned depth = GetBitCount();
        const std::int32_t width = GetWidth(), height = GetHeight();
        const std::int64_t pixels = std::int64_t(width) * height;
        // No pixels: every p[i] would be 0 / 0, and there is nothing to change.
        if (pixels == 0) return 0;
        const bool indexed = IsIndexed();
        const std::size_t step = depth / 8;

        Counts indexCounts{};
        if (indexed)
            for (std::int32_t y = 0; y < height; ++y) CountIndexRow(Row(y), width, depth, indexCounts);

        if (colorModel == kModelRGB) {
            const int k = indexed ? 1 << depth : 256;
            Counts redCounts{};
            if (!indexed)
                for (std::int32_t y = 0; y < height; ++y) {
                    const std::uint8_t* p = Row(y);
                    for (std::int32_t x = 0; x < width; ++x, p += step) ++redCounts[p[2]];
                }
            const Counts& counts = indexed ? indexCounts : redCounts;
            std::uint8_t newLevel[256] = {};
            float cumulative = 0.0f;
            for (int i = 0; i < k; ++i) {
                cumulative += float(counts[std::size_t(i)]) / float(pixels);
                const float m = float(k - 1) * cumulative;
                const float low = std::floor(m), high = std::ceil(m);
                const float level = rounding == 1 ? low : rounding == 2 ? high : (m - low >= 0.5f ? high : low);
                // The single-precision sum can end a hair above 1; rounded upwards the top level
                // would become k, which wraps to 0 in the pixel. It stays k - 1.
                newLevel[i] = std::uint8_t(std::min(level, float(k - 1)));
            }
            if (indexed) {
                // New levels run up to 2^depth - 1, past a shorter colour table: it grows to
                // cover every index a pixel gets, before any pixel changes.
                std::uint32_t needed = 0;
                for (int i = 0; i < k; ++i)
                    if (indexCounts[std::size_t(i)] != 0) needed = std::max(needed, std::uint32_t(newLevel[i]) + 1);
                if (const std::uint32_t entries = PaletteEntries(); needed > entries) {
                    std::size_t size = 0;
                    auto block = WithGrownTable(m_lpDIB, entries, needed, std::size_t(m_bytesPerRow) * std::size_t(height), size);
                    if (!block) return 4;
                    AdoptBlock(std::move(block), size);
                }
                std::uint8_t byteTable[256];
                if (depth < 8) BuildByteTable(depth, newLevel, byteTable);
                for (std::int32_t y = 0; y < height; ++y) RemapIndexRow(Row(y), width, depth, newLevel, byteTable);
                return 0;
            }
            for (std::int32_t y = 0; y < height; ++y) {
                std::uint8_t* p = Row(y);
                for (std::int32_t x = 0; x < width; ++x, p += step) p[0] = p[1] = p[2] = newLevel[p[2]];
            }
            return 0;
        }

        // Other models: direct colour goes through the per-model paths; an indexed image takes the
        // histogram of the equalized component(s) over its palette colours, each weighted by the
        // pixels using it, then its palette entries are transformed.
        if (!indexed) {
            velora::detail::EqualizeInModel({m_pchMapaBits, width, height, m_bytesPerRow, unsigned(step)}, colorModel);
            return 0;
        }
        const EqualizedComponents which = ComponentsOf(colorModel);
        const int last = which.first + which.count;
        double bins[4][256] = {};
        for (std::uint32_t i = 0; i < (1u << depth); ++i) {
            if (indexCounts[i] == 0) continue;
            float values[4] = {};
            ToModel(colorModel, ColourOf(PaletteColor(i)), values);
            for (int c = which.first; c < last; ++c) bins[c][Bin(values[c])] += double(indexCounts[i]);
        }

        float mapped[4][256] = {};
        for (int c = which.first; c < last; ++c) velora::detail::EqualizedLevels(bins[c], pixels, mapped[c]);
        for (std::uint32_t i = 0; i < PaletteEntries(); ++i) {
            float values[4] = {};
            ToModel(colorModel, ColourOf(m_pPaleta[i]), values);
            for (int c = which.first; c < last; ++c) values[c] = mapped[c][Bin(values[c])];
            RGBQUAD result{};
            FromModel(colorModel, values, result);
            m_pPaleta[i].rgbRed = result.rgbRed;
            m_pPaleta[i].rgbGreen = result.rgbGreen;
            m_pPaleta[i].rgbBlue = result.rgbBlue;
        }
        return 0;
    });
}
