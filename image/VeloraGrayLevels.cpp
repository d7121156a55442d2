// Gray-level operations: slicing, bit planes, gray bands, false colour, colour balance.
// Each level maps to a level through a table of 256 entries applied row by row; bit planes
// are masks over the row's bytes. Rows are independent, so they go to the library's workers.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ByteRows.h"
#include "CVelora.h"
#include "Parallel.h"
#include "PixelRow.h"
#include "LargeArrays.h"

using velora::detail::ForEachRowBand;
using velora::detail::MapPixels;
using velora::detail::ShiftLevelsRow;
using velora::detail::RefuseWithoutMemory;

static_assert(std::endian::native == std::endian::little, "pixel words are read as little-endian");

namespace {

// Bit `bit` of every pixel of a stored row, packed eight to a byte from the most significant
// bit; the bytes after the last pixel become 0. Templates, so that the read is inlined.
template <class BitAt>
void PackBits(BitAt bitAt, std::int32_t width, std::uint8_t* dst, std::size_t stride) {
    const std::size_t w = std::size_t(width);
    std::size_t j = 0;
    for (; 8 * j + 8 <= w; ++j) {
        unsigned b = 0;
        for (unsigned k = 0; k < 8; ++k) b |= bitAt(8 * j + k) << (7 - k);
        dst[j] = std::uint8_t(b);
    }
    if (8 * j < w) {
        unsigned b = 0;
        for (unsigned k = 0; 8 * j + k < w; ++k) b |= bitAt(8 * j + k) << (7 - k);
        dst[j++] = std::uint8_t(b);
    }
    std::memset(dst + j, 0, stride - j);
}

// Whether every pixel of a 24- or 32-bit image has equal red, green and blue: IsGray's
// answer, with the rows shared among the workers.
bool AllPixelsGray(const std::uint8_t* bits, std::size_t stride, std::int32_t width, std::int32_t height, std::size_t step) {
    std::atomic<bool> colour{false};
    ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
        std::vector<std::uint8_t> reds(static_cast<std::size_t>(width));
        for (std::int32_t r = first; r < last && !colour.load(std::memory_order_relaxed); ++r)
            if (!velora::detail::RedsOfGrayRow(bits + std::size_t(r) * stride, width, step, reds.data()))
                colour.store(true, std::memory_order_relaxed);
    });
    return !colour.load();
}

}  // namespace

// Every level through its own table per channel: the colour table of palette images, the
// pixels of 24/32-bit images.
static void MapColourBytes(RGBQUAD* palette, std::uint32_t entries, std::uint8_t* bits, std::size_t stride,
                           std::int32_t width, std::int32_t height, unsigned depth, const std::uint8_t* blue,
                           const std::uint8_t* green, const std::uint8_t* red) {
    if (depth <= 8) {
        for (std::uint32_t i = 0; i < entries; ++i) {
            RGBQUAD& e = palette[i];
            e.rgbBlue = blue[e.rgbBlue];
            e.rgbGreen = green[e.rgbGreen];
            e.rgbRed = red[e.rgbRed];
        }
        return;
    }
    const std::size_t step = depth / 8;
    ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t r = first; r < last; ++r) MapPixels(bits + std::size_t(r) * stride, width, step, blue, green, red);
    });
}

unsigned CVelora::GrayLevelSlice(int mode, int lo, int hi, int inValue, int outValue) {
    const unsigned depth = GetBitCount();
    if (depth != 4 && depth != 8 && depth != 24 && depth != 32) return 1;
    if (mode < 0 || mode > 1) return 2;
    const int levels = depth == 4 ? 16 : 256;
    if (lo > hi || lo < 0 || hi >= levels) return 3;
    if (inValue < 0 || inValue >= levels) return 4;
    if (outValue < 0 || outValue >= levels) return 5;
    std::uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = std::uint8_t(v >= lo && v <= hi ? inValue : mode == 0 ? outValue : v);
    if (IsIndexed()) {
        // A short colour table grows so that the values written stay indices of it.
        if (!CoverRemappedIndices(table)) return 6;
        RemapIndices(table);
    } else {
        RemapChannels(table, true, true, true);
    }
    return 0;
}

unsigned CVelora::EraseBitPlanes(const std::array<int, 24>& flags) {
    const unsigned depth = GetBitCount();
    if (!HasImage() || depth == 0) return 0;
    std::uint32_t clear = 0;
    for (unsigned p = 0; p < 24; ++p)
        if (flags[23 - p] == 1) clear |= 1u << p;
    // Planes the depth lacks are not there to clear; for 32 bits the alpha byte stays.
    const std::uint32_t keep = depth >= 24 ? ~clear : ~clear & ((1u << depth) - 1);
    std::uint8_t pattern[48];
    switch (depth) {
        case 1: std::memset(pattern, (keep & 1) ? 0xFF : 0x00, sizeof pattern); break;
        case 4: std::memset(pattern, int((keep & 0x0F) * 0x11), sizeof pattern); break;
        case 8: std::memset(pattern, int(keep & 0xFF), sizeof pattern); break;
        default: {
            const std::size_t step = depth / 8;  // 2, 3 or 4 bytes, little-endian
            for (std::size_t k = 0; k < 48; ++k) pattern[k] = std::uint8_t(keep >> (8 * (k % step)));
            break;
        }
    }
    const std::size_t stride = m_bytesPerRow;
    const std::size_t rowBits = std::size_t(GetWidth()) * depth;
    const std::size_t wholeBytes = rowBits / 8;
    // The bits of a last, partial byte that belong to pixels (1 and 4 bits).
    const std::uint8_t partial = std::uint8_t(0xFF00u >> (rowBits % 8));
    std::uint8_t* const bits = m_pchMapaBits;
    ForEachRowBand(GetHeight(), stride, [&](std::int32_t first, std::int32_t last) {
        if (partial == 0) {
            velora::detail::ForEachRun(bits, stride, wholeBytes, first, last,
                                       [&](std::uint8_t* p, std::size_t n) { velora::detail::AndRow(p, n, pattern); });
            return;
        }
        for (std::int32_t r = first; r < last; ++r) {
            std::uint8_t* row = bits + std::size_t(r) * stride;
            velora::detail::AndRow(row, wholeBytes, pattern);
            row[wholeBytes] &= std::uint8_t(pattern[0] | ~partial);
        }
    });
    return 0;
}

unsigned CVelora::ExtractBitPlane(int p) {
    const unsigned depth = GetBitCount();
    const int planes = depth == 32 ? 24 : (depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24) ? int(depth) : 0;
    if (p < 0 || p >= planes) return 1;
    const std::int32_t width = GetWidth(), height = GetHeight();
    CVelora result = Unfilled(width, height, 1);
    if (!result.HasImage()) return 2;
    result.m_pPaleta[0] = RGBQUAD{0, 0, 0, 0};
    result.m_pPaleta[1] = RGBQUAD{255, 255, 255, 0};
    const std::uint8_t* const src = m_pchMapaBits;
    std::uint8_t* const dst = result.m_pchMapaBits;
    const std::size_t srcStride = m_bytesPerRow, dstStride = result.m_bytesPerRow;
    const unsigned plane = unsigned(p);
    ForEachRowBand(height, srcStride + dstStride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t r = first; r < last; ++r) {
            const std::uint8_t* in = src + std::size_t(r) * srcStride;
            std::uint8_t* out = dst + std::size_t(r) * dstStride;
            switch (depth) {
                case 1: PackBits([in](std::size_t x) { return unsigned(in[x >> 3] >> (7 - (x & 7))) & 1u; }, width, out, dstStride); break;
                case 4: {
                    // High nibble first: pixel x's bit p sits at bit p + 4 of its byte for even x.
                    PackBits([in, plane](std::size_t x) { return unsigned(in[x >> 1] >> ((x & 1) ? plane : plane + 4)) & 1u; },
                             width, out, dstStride);
                    break;
                }
                case 8: PackBits([in, plane](std::size_t x) { return unsigned(in[x] >> plane) & 1u; }, width, out, dstStride); break;
                case 16: {
                    const std::uint8_t* byte = in + plane / 8;
                    const unsigned shift = plane % 8;
                    PackBits([byte, shift](std::size_t x) { return unsigned(byte[2 * x] >> shift) & 1u; }, width, out, dstStride);
                    break;
                }
                default: {
                    const std::size_t step = depth / 8;
                    const std::uint8_t* byte = in + plane / 8;
                    const unsigned shift = plane % 8;
                    PackBits([byte, shift, step](std::size_t x) { return unsigned(byte[step * x] >> shift) & 1u; }, width, out,
                             dstStride);
                    break;
                }
            }
        }
    });
    ReplaceKeepingName(std::move(result));
    return 0;
}

unsigned CVelora::GrayBands(int n) {
    return RefuseWithoutMemory(4, [&]() -> unsigned {
        if (n < 2 || n > 128) return 1;
        const unsigned depth = GetBitCount();
        if (depth != 8 && depth != 24 && depth != 32) return 2;
        if (depth == 8 ? !IsGray() : !AllPixelsGray(m_pchMapaBits, m_bytesPerRow, GetWidth(), GetHeight(), depth / 8)) return 3;
        const int step = 256 / n;
        std::uint8_t table[256];
        for (int v = 0; v < 256; ++v) table[v] = std::uint8_t(std::min(v / step, n - 1) * step + step / 2);
        if (depth == 8) {
            if (!CoverRemappedIndices(table)) return 4;
            RemapIndices(table);
        } else {
            // Gray pixels: the band of the red byte, written to all three, is each byte's band.
            const std::size_t pixelBytes = depth / 8;
            const std::int32_t width = GetWidth();
            ForEachRowBand(GetHeight(), m_bytesPerRow, [&](std::int32_t first, std::int32_t last) {
                std::vector<std::uint8_t> levels(static_cast<std::size_t>(width));
                for (std::int32_t r = first; r < last; ++r) {
                    std::uint8_t* row = m_pchMapaBits + std::size_t(r) * m_bytesPerRow;
                    velora::detail::RedsOfGrayRow(row, width, pixelBytes, levels.data());
                    for (std::uint8_t& level : levels) level = table[level];
                    if (pixelBytes == 3) {
                        velora::detail::TripleBytes(levels.data(), width, row);
                    } else {
                        for (std::int32_t x = 0; x < width; ++x) std::memset(row + 4 * std::size_t(x), levels[std::size_t(x)], 3);
                    }
                }
            });
        }
        return 0;
    });
}

unsigned CVelora::FalseColor() {
    if (!HasAccessibleDepth()) return 1;
    std::uint8_t red[256], green[256], blue[256];
    for (int v = 0; v < 256; ++v) {
        red[v] = std::uint8_t(v < 128 ? 254 - 2 * v : 0);
        green[v] = std::uint8_t(v < 128 ? 2 * v : 511 - 2 * v);
        blue[v] = std::uint8_t(v < 128 ? 0 : 2 * v - 256);
    }
    MapColourBytes(m_pPaleta, PaletteEntries(), m_pchMapaBits, m_bytesPerRow, GetWidth(), GetHeight(), GetBitCount(), blue,
                   green, red);
    return 0;
}

unsigned CVelora::ColorBalance(int red, int green, int blue) {
    for (int percent : {red, green, blue})
        if (percent < -100 || percent > 100) return 1;
    const unsigned depth = GetBitCount();
    if (depth != 4 && depth != 8 && depth != 24 && depth != 32) return 2;
    // Each component moves by its delta, held to 0..255: blue, green, red.
    const int deltas[3] = {255 * blue / 100, 255 * green / 100, 255 * red / 100};  // truncated towards zero
    if (depth <= 8) {
        std::uint8_t tables[3][256];
        for (int c = 0; c < 3; ++c)
            for (int v = 0; v < 256; ++v) tables[c][v] = std::uint8_t(std::clamp(v + deltas[c], 0, 255));
        MapColourBytes(m_pPaleta, PaletteEntries(), m_pchMapaBits, m_bytesPerRow, GetWidth(), GetHeight(), depth,
                       tables[0], tables[1], tables[2]);
        return 0;
    }
    // In direct colour that is a saturated shift of each byte by a pattern of the three deltas
    // (and 0 for alpha).
    std::uint8_t up[48]{}, down[48]{};
    const std::size_t step = depth / 8;
    for (std::size_t i = 0; i < 48; ++i) {
        if (i % step == 3) continue;
        const int delta = deltas[i % step];
        (delta > 0 ? up : down)[i] = std::uint8_t(std::abs(delta));
    }
    const std::size_t stride = m_bytesPerRow, bytes = step * std::size_t(GetWidth());
    std::uint8_t* const bits = m_pchMapaBits;
    ForEachRowBand(GetHeight(), stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t r = first; r < last; ++r) ShiftLevelsRow(bits + std::size_t(r) * stride, bytes, up, down);
    });
    return 0;
}
