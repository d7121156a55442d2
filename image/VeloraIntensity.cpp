// Intensity operations: negative, colour to gray and colour-depth change.
// They work on whole rows; each gives exactly what the per-pixel definition gives.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "ByteRows.h"
#include "CVelora.h"
#include "Parallel.h"
#include "PixelRow.h"
#include "LargeArrays.h"

using velora::detail::ForEachRowBand;
using velora::detail::ForEachRun;
using velora::detail::XorRow;
using velora::detail::MapPixels;
using velora::detail::ReadPixel;
using velora::detail::WritePixel;
using velora::detail::RefuseWithoutMemory;

static_assert(std::endian::native == std::endian::little, "pixel words are read as little-endian");

namespace {

// What a pixel loop over rows of packed indices touches: the whole bytes, and the bits of
// the last, partial byte that belong to pixels (from the most significant bit).
struct PackedRow {
    std::size_t wholeBytes;
    std::uint8_t partialMask;
};

PackedRow PackedRowOf(std::int32_t width, unsigned depth) {
    const std::size_t bits = std::size_t(width) * depth;
    return {bits / 8, std::uint8_t(0xFF00u >> (bits % 8))};
}

// A table of 256 indices (depth 1, 4 or 8) as a table of whole bytes: every pixel of the byte
// goes through it.
void ByteTableOfIndexTable(const std::uint8_t* table, unsigned depth, std::uint8_t* bytes) {
    const unsigned mask = (1u << depth) - 1;
    for (unsigned b = 0; b < 256; ++b) {
        unsigned out = 0;
        for (unsigned shift = 8; shift >= depth;) {
            shift -= depth;
            out |= (table[(b >> shift) & mask] & mask) << shift;
        }
        bytes[b] = std::uint8_t(out);
    }
}

}  // namespace

void CVelora::RemapIndices(const std::uint8_t* table) {
    const unsigned depth = GetBitCount();
    const std::int32_t width = GetWidth();
    const std::size_t stride = m_bytesPerRow;
    std::uint8_t* const bits = m_pchMapaBits;
    std::uint8_t bytes[256];
    if (depth != 8) ByteTableOfIndexTable(table, depth, bytes);
    const std::uint8_t* byteTable = depth == 8 ? table : bytes;
    const PackedRow packed = PackedRowOf(width, depth);
    ForEachRowBand(GetHeight(), stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t r = first; r < last; ++r) {
            std::uint8_t* row = bits + std::size_t(r) * stride;
            velora::detail::TableRow(row, packed.wholeBytes, byteTable);
            if (packed.partialMask != 0) {
                std::uint8_t& b = row[packed.wholeBytes];
                b = std::uint8_t((b & ~packed.partialMask) | (byteTable[b] & packed.partialMask));
            }
        }
    });
}

unsigned CVelora::Negative(int luminance, int red, int green, int blue) {
    if (!HasAccessibleDepth()) return 1;
    const unsigned depth = GetBitCount();
    const std::int32_t width = GetWidth();
    const std::size_t stride = m_bytesPerRow;
    std::uint8_t* const bits = m_pchMapaBits;
    // Each flag complements bytes; complements compose as exclusive-or, so the four flags
    // in their order come down to one mask per byte.
    const std::uint8_t maskRed = std::uint8_t((red ? 0xFF : 0) ^ (luminance && !IsIndexed() ? 0xFF : 0));
    const std::uint8_t maskGreen = std::uint8_t((green ? 0xFF : 0) ^ (luminance && !IsIndexed() ? 0xFF : 0));
    const std::uint8_t maskBlue = std::uint8_t((blue ? 0xFF : 0) ^ (luminance && !IsIndexed() ? 0xFF : 0));

    if (!IsIndexed()) {
        if ((maskRed | maskGreen | maskBlue) == 0) return 0;
        const std::size_t step = depth / 8;
        std::uint8_t mask[48];  // 48 bytes hold whole pixels of 3 and of 4 bytes
        for (std::size_t k = 0; k < 48; k += step) {
            mask[k] = maskBlue;
            mask[k + 1] = maskGreen;
            mask[k + 2] = maskRed;
            if (step == 4) mask[k + 3] = 0;
        }
        ForEachRowBand(GetHeight(), stride, [&](std::int32_t first, std::int32_t last) {
            ForEachRun(bits, stride, step * std::size_t(width), first, last,
                       [&](std::uint8_t* p, std::size_t n) { XorRow(p, n, mask); });
        });
        return 0;
    }

    const std::uint32_t n = PaletteEntries();
    std::uint8_t paletteRed = red ? 0xFF : 0, paletteGreen = green ? 0xFF : 0, paletteBlue = blue ? 0xFF : 0;
    if (luminance) {
        if ((depth == 4 || depth == 8) && IsGray()) {
            if (n == GetMaxColors()) {
                // With a full table, n - 1 - i is the complement of every index bit.
                std::uint8_t ones[48];
                std::memset(ones, 0xFF, sizeof ones);
                const PackedRow packed = PackedRowOf(width, depth);
                ForEachRowBand(GetHeight(), stride, [&](std::int32_t first, std::int32_t last) {
                    if (packed.partialMask == 0) {
                        ForEachRun(bits, stride, packed.wholeBytes, first, last,
                                   [&](std::uint8_t* p, std::size_t count) { XorRow(p, count, ones); });
                        return;
                    }
                    for (std::int32_t r = first; r < last; ++r) {
                        std::uint8_t* row = bits + std::size_t(r) * stride;
                        XorRow(row, packed.wholeBytes, ones);
                        row[packed.wholeBytes] ^= packed.partialMask;
                    }
                });
            } else {
                std::uint8_t inverse[256];
                for (std::uint32_t i = 0; i < 256; ++i)
                    inverse[i] = std::uint8_t(std::clamp<std::int64_t>(std::int64_t(n) - 1 - i, 0, n - 1));
                RemapIndices(inverse);
            }
        } else {
            paletteRed ^= 0xFF;
            paletteGreen ^= 0xFF;
            paletteBlue ^= 0xFF;
        }
    }
    for (std::uint32_t i = 0; i < n; ++i) {
        m_pPaleta[i].rgbRed ^= paletteRed;
        m_pPaleta[i].rgbGreen ^= paletteGreen;
        m_pPaleta[i].rgbBlue ^= paletteBlue;
    }
    return 0;
}

unsigned CVelora::ColorToGray(int method) {
    if (!HasAccessibleDepth()) return 1;
    if (method < 0 || method > 1) return 2;
    // gray = trunc(wR*R + wG*G + wB*B) in single precision, each product rounded, the sum
    // taken in the same order as the formula (the build keeps multiply-adds unfused).
    const float wRed = method == 0 ? 0.299f : 0.33333334f;
    const float wGreen = method == 0 ? 0.587f : 0.33333334f;
    const float wBlue = method == 0 ? 0.114f : 0.33333334f;
    auto gray = [&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return std::uint8_t(int(wRed * float(r) + wGreen * float(g) + wBlue * float(b)));
    };

    const unsigned depth = GetBitCount();
    if (depth == 24 || depth == 32) {
        const std::size_t step = depth / 8, stride = m_bytesPerRow;
        const std::int32_t width = GetWidth();
        std::uint8_t* const bits = m_pchMapaBits;
        ForEachRowBand(GetHeight(), stride, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t r = first; r < last; ++r)
                velora::detail::GrayPixelRow(bits + std::size_t(r) * stride, width, step, wRed, wGreen, wBlue);
        });
        return 0;
    }
    if (depth == 1) {
        for (std::uint32_t i = 0; i < PaletteEntries(); ++i) {
            RGBQUAD& e = m_pPaleta[i];
            e.rgbRed = e.rgbGreen = e.rgbBlue = gray(e.rgbRed, e.rgbGreen, e.rgbBlue);
        }
        return 0;
    }

    // 4 and 8 bits: each index becomes the level of its colour on a full gray ramp
    // (for 4 bits the nearest of the 16 levels i * 17).
    std::uint8_t newIndex[256];
    for (std::uint32_t i = 0; i < 256; ++i) {
        const RGBQUAD c = PaletteColor(i);
        const std::uint8_t level = gray(c.rgbRed, c.rgbGreen, c.rgbBlue);
        newIndex[i] = depth == 8 ? level : std::uint8_t((level + 8) / 17);
    }
    const std::uint32_t fullTable = GetMaxColors();
    if (PaletteEntries() < fullTable) {
        CVelora full = WithTable(GetWidth(), GetHeight(), depth, fullTable);
        if (!full.HasImage()) return 1;
        std::copy_n(m_pchMapaBits, GetSizeImage(), full.m_pchMapaBits);
        ReplaceKeepingName(std::move(full));
    }
    RemapIndices(newIndex);
    const std::uint32_t step = depth == 8 ? 1 : 17;
    for (std::uint32_t i = 0; i < fullTable; ++i) {
        const auto level = std::uint8_t(i * step);
        m_pPaleta[i] = RGBQUAD{level, level, level, 0};
    }
    return 0;
}

namespace {

// Unpacks the indices of a 1- or 4-bit row, one byte each.
void UnpackIndices(const std::uint8_t* src, std::int32_t width, unsigned depth, std::uint8_t* out) {
    if (depth == 1) {
        for (std::int32_t x = 0; x < width; ++x) out[x] = std::uint8_t((src[x >> 3] >> (7 - (x & 7))) & 1u);
    } else {
        for (std::int32_t x = 0; x < width; ++x) out[x] = std::uint8_t((x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4);
    }
}

// Writes a row of a 1-, 4- or 8-bit image from levelAt(x): for 1 bit a nonzero value sets
// the bit, for 4 bits the low nibble counts. The bits and bytes after the last pixel become 0.
// Templates, so that each caller's way of reading a pixel is inlined into the loop.
template <class LevelAt>
void WriteLevels(LevelAt levelAt, std::int32_t width, unsigned depth, std::uint8_t* dst, std::size_t stride) {
    const std::size_t w = std::size_t(width);
    std::size_t j = 0;  // bytes written
    if (depth == 8) {
        for (; j < w; ++j) dst[j] = std::uint8_t(levelAt(j));
    } else if (depth == 4) {
        for (; 2 * j + 2 <= w; ++j) dst[j] = std::uint8_t(((levelAt(2 * j) & 0x0F) << 4) | (levelAt(2 * j + 1) & 0x0F));
        if (2 * j < w) {
            dst[j] = std::uint8_t((levelAt(2 * j) & 0x0F) << 4);
            ++j;
        }
    } else {
        for (; 8 * j + 8 <= w; ++j) {
            unsigned b = 0;
            for (unsigned k = 0; k < 8; ++k) b |= unsigned(levelAt(8 * j + k) != 0) << (7 - k);
            dst[j] = std::uint8_t(b);
        }
        if (8 * j < w) {
            unsigned b = 0;
            for (unsigned k = 0; 8 * j + k < w; ++k) b |= unsigned(levelAt(8 * j + k) != 0) << (7 - k);
            dst[j] = std::uint8_t(b);
            ++j;
        }
    }
    std::memset(dst + j, 0, stride - j);
}

// Writes a row of a 24- or 32-bit image (alpha 255) from colourAt(x), 0x00RRGGBB, zeroing the padding.
template <class ColourAt>
void WriteColours(ColourAt colourAt, std::int32_t width, unsigned depth, std::uint8_t* dst, std::size_t stride) {
    const std::size_t w = std::size_t(width);
    if (depth == 32) {
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint32_t c = colourAt(x) | 0xFF000000u;
            std::memcpy(dst + 4 * x, &c, 4);
        }
        return;
    }
    // Four bytes a pixel, the fourth overwritten by the next pixel; the last pixel writes three.
    for (std::size_t x = 0; x + 1 < w; ++x) {
        const std::uint32_t c = colourAt(x);
        std::memcpy(dst + 3 * x, &c, 4);
    }
    if (w > 0) {
        const std::uint32_t c = colourAt(w - 1);
        std::memcpy(dst + 3 * (w - 1), &c, 3);
    }
    std::memset(dst + 3 * w, 0, stride - 3 * w);
}

struct DepthJob {
    const std::uint8_t* srcBits;
    std::uint8_t* dstBits;
    std::size_t srcStride, dstStride;
    std::int32_t width;
    unsigned source, target;
    bool indexed;
    const std::uint8_t* levelOf;    // palette sources, targets 1, 4, 8: the level of each index
    const std::uint32_t* colourOf;  // palette sources, targets 24, 32: the colour of each index
    const std::uint8_t* grayOf;     // 8-bit sources with a gray palette, target 24: each index's level
    bool grayRamp;                  // ... and that level is the index itself
};

// Converts the storage rows [first, last) (both images are bottom-up and of the same height).
// False as soon as a direct-colour pixel is not gray where a gray target needs it; also stops
// when another band has found one. The job comes by value: its fields then stay in registers
// while bytes are stored.
bool ConvertDepthRows(const DepthJob job, std::int32_t first, std::int32_t last, const std::atomic<bool>& notGray) {
    const std::int32_t width = job.width;
    const unsigned source = job.source, target = job.target;
    const std::size_t step = source / 8, dstStride = job.dstStride;
    const std::uint8_t* const levelOf = job.levelOf;
    const std::uint32_t* const colourOf = job.colourOf;
    std::vector<std::uint8_t> indices(job.indexed && (source != 8 || (job.grayOf && !job.grayRamp)) ? std::size_t(width) : 0);
    for (std::int32_t r = first; r < last; ++r) {
        const std::uint8_t* src = job.srcBits + std::size_t(r) * job.srcStride;
        std::uint8_t* dst = job.dstBits + std::size_t(r) * dstStride;
        if (job.grayOf) {
            // Gray colours: each level three times.
            const std::uint8_t* levels = src;
            if (!job.grayRamp) {
                for (std::int32_t x = 0; x < width; ++x) indices[std::size_t(x)] = job.grayOf[src[x]];
                levels = indices.data();
            }
            velora::detail::TripleBytes(levels, width, dst);
            std::memset(dst + 3 * std::size_t(width), 0, dstStride - 3 * std::size_t(width));
        } else if (job.indexed) {
            const std::uint8_t* index = src;
            if (source != 8) {
                UnpackIndices(src, width, source, indices.data());
                index = indices.data();
            }
            if (target >= 24) WriteColours([&](std::size_t x) { return colourOf[index[x]]; }, width, target, dst, dstStride);
            else WriteLevels([&](std::size_t x) { return levelOf[index[x]]; }, width, target, dst, dstStride);
        } else if (target >= 24) {
            WriteColours(
                [&](std::size_t x) {
                    const std::uint8_t* p = src + step * x;
                    return p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
                },
                width, target, dst, dstStride);
        } else if (target == 1) {
            WriteLevels(
                [&](std::size_t x) {
                    const std::uint8_t* p = src + step * x;
                    return unsigned(p[0]) + p[1] + p[2] >= 3 * 128 ? 1u : 0u;
                },
                width, target, dst, dstStride);
        } else {
            // The red byte, or its top nibble; any pixel whose bytes differ refuses the change.
            // For 8 bits in the same pass; for 4 bits a second pass packs the nibbles.
            unsigned differ = 0;
            const std::uint8_t* p = src;
            if (target == 8) {
                if (!velora::detail::RedsOfGrayRow(src, width, step, dst)) differ = 1;
                std::memset(dst + width, 0, dstStride - std::size_t(width));
            } else {
                for (std::int32_t x = 0; x < width; ++x, p += step) differ |= unsigned(p[0] ^ p[1]) | unsigned(p[1] ^ p[2]);
            }
            if (differ != 0) return false;
            if (notGray.load(std::memory_order_relaxed)) return true;
            if (target == 4) WriteLevels([&](std::size_t x) { return unsigned(src[step * x + 2]) >> 4; }, width, target, dst, dstStride);
        }
    }
    return true;
}

}  // namespace

unsigned CVelora::ChangeColorDepth(int code) {
    return RefuseWithoutMemory(4, [&]() -> unsigned {
        if (!HasAccessibleDepth()) return 1;
        static constexpr int kDepthOfCode[] = {1, 4, 8, 24, 32};
        if (code < 0 || code > 4) return 2;
        const unsigned target = unsigned(kDepthOfCode[code]);
        const unsigned source = GetBitCount();
        const bool indexed = IsIndexed();
        // Palette depths below 24 are for gray images (two-colour images always count as gray).
        // A direct-colour source is checked while it is converted, in the same pass.
        const bool grayTarget = target == 4 || target == 8;
        if (grayTarget && indexed && source != 1 && !IsGray()) return 3;
        const bool checkGray = grayTarget && !indexed;

        const std::int32_t width = GetWidth(), height = GetHeight();
        CVelora result = Unfilled(width, height, std::int32_t(target));
        if (!result.HasImage()) return checkGray && !IsGray() ? 3 : 4;
        if (target == 1) result.m_pPaleta[1] = RGBQUAD{255, 255, 255, 0};
        if (target == 4)
            for (std::uint8_t i = 0; i < 16; ++i) result.m_pPaleta[i] = RGBQUAD{std::uint8_t(i * 17), std::uint8_t(i * 17), std::uint8_t(i * 17), 0};

        // Palette sources go through a table of what each index becomes: a level (targets 1, 4
        // and 8) or a colour (24 and 32).
        std::uint8_t levelOf[256], grayOf[256];
        std::uint32_t colourOf[256];
        bool grayPalette = indexed && source == 8 && target == 24, grayRamp = grayPalette;
        if (indexed) {
            for (std::uint32_t i = 0; i < 256; ++i) {
                const RGBQUAD c = PaletteColor(i);
                colourOf[i] = c.rgbBlue | (std::uint32_t(c.rgbGreen) << 8) | (std::uint32_t(c.rgbRed) << 16);
                std::uint32_t level = 0;
                switch (target) {
                    case 1: level = (unsigned(c.rgbBlue) + c.rgbGreen + c.rgbRed) / 3 >= 128 ? 1 : 0; break;
                    case 4: level = source == 1 ? i * 15 : source == 4 ? i : i >> 4; break;
                    case 8: level = source == 1 ? i * 255 : source == 4 ? i * 255 / 15 : i; break;
                    default: break;
                }
                levelOf[i] = std::uint8_t(level);
                grayOf[i] = c.rgbRed;
                grayPalette = grayPalette && c.rgbRed == c.rgbGreen && c.rgbGreen == c.rgbBlue;
                grayRamp = grayRamp && c.rgbRed == i;
            }
        }

        const DepthJob job{m_pchMapaBits, result.m_pchMapaBits, m_bytesPerRow, result.m_bytesPerRow, width,
                           source, target, indexed, levelOf, colourOf, grayPalette ? grayOf : nullptr,
                           grayPalette && grayRamp};
        std::atomic<bool> notGray{false};
        ForEachRowBand(height, job.srcStride + job.dstStride, [&](std::int32_t first, std::int32_t last) {
            if (!ConvertDepthRows(job, first, last, notGray)) notGray.store(true, std::memory_order_relaxed);
        });
        if (checkGray && notGray.load()) return 3;
        ReplaceKeepingName(std::move(result));
        return 0;
    });
}

// ---------------------------------------------------------------- point operations
// Each is a function of one level, tabulated once for the 256 levels and then applied to
// indices, palette entries or colour bytes; the tables hold exactly the formula's values.

bool CVelora::IsGrayIndexed() const {
    const unsigned depth = GetBitCount();
    return (depth == 4 || depth == 8) && IsGray();
}

void CVelora::RemapChannels(const std::uint8_t* table, bool red, bool green, bool blue) {
    if (IsIndexed()) {
        for (std::uint32_t i = 0; i < PaletteEntries(); ++i) {
            RGBQUAD& e = m_pPaleta[i];
            if (red) e.rgbRed = table[e.rgbRed];
            if (green) e.rgbGreen = table[e.rgbGreen];
            if (blue) e.rgbBlue = table[e.rgbBlue];
        }
        return;
    }
    if (!red && !green && !blue) return;
    std::uint8_t identity[256];
    for (unsigned v = 0; v < 256; ++v) identity[v] = std::uint8_t(v);
    const std::uint8_t* tableBlue = blue ? table : identity;
    const std::uint8_t* tableGreen = green ? table : identity;
    const std::uint8_t* tableRed = red ? table : identity;
    const std::size_t step = GetBitCount() / 8, stride = m_bytesPerRow;
    const std::int32_t width = GetWidth();
    std::uint8_t* const bits = m_pchMapaBits;
    ForEachRowBand(GetHeight(), stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t r = first; r < last; ++r)
            MapPixels(bits + std::size_t(r) * stride, width, step, tableBlue, tableGreen, tableRed);
    });
}

namespace {

bool IsPointDepth(unsigned depth) { return depth == 4 || depth == 8 || depth == 24 || depth == 32; }

// The luminance part of the linear contrast on a 24- or 32-bit row: a pixel whose red level
// turns (mask 0xFF) becomes gray at table[red], alpha 0. Without branches: on real images
// whether a pixel turns is as unpredictable as a coin.
void GrayInRangeRow(std::uint8_t* p, std::int32_t width, std::size_t step, const std::uint8_t* turns,
                    const std::uint8_t* table) {
    for (std::int32_t x = 0; x < width; ++x, p += step) {
        const std::uint8_t m = turns[p[2]], keep = std::uint8_t(~m), gray = std::uint8_t(table[p[2]] & m);
        p[0] = std::uint8_t((p[0] & keep) | gray);
        p[1] = std::uint8_t((p[1] & keep) | gray);
        p[2] = std::uint8_t((p[2] & keep) | gray);
        if (step == 4) p[3] = std::uint8_t(p[3] & keep);
    }
}

}  // namespace

unsigned CVelora::Brightness(int percent) {
    if (percent < -100 || percent > 100) return 1;
    if (!IsPointDepth(GetBitCount())) return 2;
    const bool grayIndexed = IsGrayIndexed();
    const int maxLevel = grayIndexed && GetBitCount() == 4 ? 15 : 255;
    const int delta = maxLevel * percent / 100;  // truncated towards zero
    if (delta == 0) return 0;
    const int top = grayIndexed ? int(PaletteEntries()) - 1 : 255;
    std::uint8_t table[256];
    for (int v = 0; v < 256; ++v) table[v] = std::uint8_t(std::clamp(v + delta, 0, top));
    if (grayIndexed) RemapIndices(table);
    else RemapChannels(table, true, true, true);
    return 0;
}

unsigned CVelora::Gamma(float gamma) {
    if (!(gamma >= 0)) return 1;  // negative or not a number
    if (!IsPointDepth(GetBitCount())) return 2;
    const bool grayIndexed = IsGrayIndexed();
    const float maxLevel = grayIndexed && GetBitCount() == 4 ? 15.0f : 255.0f;
    const int top = grayIndexed ? int(PaletteEntries()) - 1 : 255;
    const float exponent = 1.0f / gamma;  // gamma 0 gives +inf: every level below the top goes to 0
    std::uint8_t table[256];
    for (int v = 0; v < 256; ++v) {
        const float f = std::pow(float(v) / maxLevel, exponent) * maxLevel;
        // Levels above the top (beyond the table) grow past it; the clamp keeps them in range.
        table[v] = std::uint8_t(std::clamp(f < 1e9f ? int(f) : top, 0, top));
    }
    if (grayIndexed) RemapIndices(table);
    else RemapChannels(table, true, true, true);
    return 0;
}

unsigned CVelora::LinearContrast(int inMin, int inMax, int outMin, int outMax, int luminance, int red, int green,
                                 int blue) {
    const unsigned depth = GetBitCount();
    if (!IsPointDepth(depth)) return 1;
    if (inMin > inMax) return 2;
    if (outMin > outMax) return 3;
    const int maxLevel = int(std::min<std::uint32_t>(GetNumColors(), 255));
    if (inMin < 0 || outMin < 0 || inMax > maxLevel || outMax > maxLevel) return 4;

    // g(v) inside the input range, in single precision in the formula's order; a range of one
    // level (0/0) sends that level to 0. Levels outside the range stay.
    const float slope = inMax > inMin ? float(outMax - outMin) / float(inMax - inMin) : 0.0f;
    std::uint8_t table[256];
    for (int v = 0; v < 256; ++v) {
        if (v < inMin || v > inMax) table[v] = std::uint8_t(v);
        else if (inMax == inMin) table[v] = 0;
        else table[v] = std::uint8_t(int(slope * float(v - inMin) + float(outMin)));
    }

    if (IsIndexed()) {
        if (luminance) {
            // A level beyond the last index would wrap in the pixel; it stops at the last index.
            std::uint8_t indices[256];
            const int top = int(GetMaxColors()) - 1;
            for (int v = 0; v < 256; ++v) indices[v] = std::uint8_t(std::min<int>(table[v], top));
            RemapIndices(indices);
        }
        RemapChannels(table, red != 0, green != 0, blue != 0);
        return 0;
    }
    const std::size_t step = depth / 8, stride = m_bytesPerRow;
    const std::int32_t width = GetWidth();
    std::uint8_t* const bits = m_pchMapaBits;
    if (luminance) {
        std::uint8_t turns[256];
        for (int v = 0; v < 256; ++v) turns[v] = v >= inMin && v <= inMax ? 0xFF : 0x00;
        ForEachRowBand(GetHeight(), stride, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t r = first; r < last; ++r) GrayInRangeRow(bits + std::size_t(r) * stride, width, step, turns, table);
        });
    }
    RemapChannels(table, red != 0, green != 0, blue != 0);
    return 0;
}
