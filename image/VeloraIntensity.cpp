// Intensity operations: negative, colour to gray and colour-depth change.
// They work on whole rows; each gives exactly what the per-pixel definition gives.
#include <algorithm>
#include <cmath>

#include "CVelora.h"
#include "PixelRow.h"

using velora::detail::ReadPixel;
using velora::detail::WritePixel;

void CVelora::RemapIndices(const std::uint8_t* table) {
    const unsigned depth = GetBitCount();
    for (std::int32_t y = 0; y < GetHeight(); ++y) {
        std::uint8_t* row = Row(y);
        if (depth == 8) {
            for (std::int32_t x = 0; x < GetWidth(); ++x) row[x] = table[row[x]];
        } else {
            for (std::int32_t x = 0; x < GetWidth(); ++x) WritePixel(row, x, depth, table[ReadPixel(row, x, depth)]);
        }
    }
}

unsigned CVelora::Negative(int luminance, int red, int green, int blue) {
    if (!HasAccessibleDepth()) return 1;
    const unsigned depth = GetBitCount();
    // Each flag complements bytes; complements compose as exclusive-or, so the four flags
    // in their order come down to one mask per byte.
    const std::uint8_t maskRed = std::uint8_t((red ? 0xFF : 0) ^ (luminance && !IsIndexed() ? 0xFF : 0));
    const std::uint8_t maskGreen = std::uint8_t((green ? 0xFF : 0) ^ (luminance && !IsIndexed() ? 0xFF : 0));
    const std::uint8_t maskBlue = std::uint8_t((blue ? 0xFF : 0) ^ (luminance && !IsIndexed() ? 0xFF : 0));

    if (!IsIndexed()) {
        const std::size_t step = depth / 8;
        for (std::int32_t y = 0; y < GetHeight(); ++y) {
            std::uint8_t* p = Row(y);
            for (std::int32_t x = 0; x < GetWidth(); ++x, p += step) {
                p[0] ^= maskBlue;
                p[1] ^= maskGreen;
                p[2] ^= maskRed;
            }
        }
        return 0;
    }

    const std::uint32_t n = PaletteEntries();
    std::uint8_t paletteRed = red ? 0xFF : 0, paletteGreen = green ? 0xFF : 0, paletteBlue = blue ? 0xFF : 0;
    if (luminance) {
        if ((depth == 4 || depth == 8) && IsGray()) {
            std::uint8_t inverse[256];
            for (std::uint32_t i = 0; i < 256; ++i)
                inverse[i] = std::uint8_t(std::clamp<std::int64_t>(std::int64_t(n) - 1 - i, 0, n - 1));
            RemapIndices(inverse);
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
    // gray = trunc(wR*R + wG*G + wB*B) in single precision; the products are tabulated,
    // the sum is taken in the same order as the formula.
    const float wRed = method == 0 ? 0.299f : 0.33333334f;
    const float wGreen = method == 0 ? 0.587f : 0.33333334f;
    const float wBlue = method == 0 ? 0.114f : 0.33333334f;
    float byRed[256], byGreen[256], byBlue[256];
    for (int v = 0; v < 256; ++v) {
        byRed[v] = wRed * float(v);
        byGreen[v] = wGreen * float(v);
        byBlue[v] = wBlue * float(v);
    }
    auto gray = [&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return std::uint8_t(int(byRed[r] + byGreen[g] + byBlue[b]));
    };

    const unsigned depth = GetBitCount();
    if (depth == 24 || depth == 32) {
        const std::size_t step = depth / 8;
        for (std::int32_t y = 0; y < GetHeight(); ++y) {
            std::uint8_t* p = Row(y);
            for (std::int32_t x = 0; x < GetWidth(); ++x, p += step) p[0] = p[1] = p[2] = gray(p[2], p[1], p[0]);
        }
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

unsigned CVelora::ChangeColorDepth(int code) {
    if (!HasAccessibleDepth()) return 1;
    static constexpr int kDepthOfCode[] = {1, 4, 8, 24, 32};
    if (code < 0 || code > 4) return 2;
    const int target = kDepthOfCode[code];
    const unsigned source = GetBitCount();
    // Palette depths below 24 are for gray images (two-colour images always count as gray).
    if ((target == 4 || target == 8) && source != 1 && !IsGray()) return 3;

    CVelora result(nullptr, nullptr, GetWidth(), GetHeight(), target);
    if (!result.HasImage()) return 1;
    if (target == 1) result.m_pPaleta[1] = RGBQUAD{255, 255, 255, 0};
    if (target == 4)
        for (std::uint8_t i = 0; i < 16; ++i) result.m_pPaleta[i] = RGBQUAD{std::uint8_t(i * 17), std::uint8_t(i * 17), std::uint8_t(i * 17), 0};

    // The level of a pixel for the gray targets: its index for palette sources, its red byte otherwise.
    auto level = [&](std::uint32_t raw) -> std::uint32_t { return IsIndexed() ? raw : (raw >> 16) & 0xFF; };
    auto colour = [&](std::uint32_t raw) -> std::uint32_t {
        if (!IsIndexed()) return raw;
        const RGBQUAD c = PaletteColor(raw);
        return c.rgbBlue | (std::uint32_t(c.rgbGreen) << 8) | (std::uint32_t(c.rgbRed) << 16);
    };
    auto convert = [&](std::uint32_t raw) -> std::uint32_t {
        switch (target) {
            case 1: {
                const std::uint32_t c = colour(raw);
                return ((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3 >= 128 ? 1 : 0;
            }
            case 4:
                if (source == 1) return raw * 15;
                if (source == 4) return raw;  // already a 4-bit level
                return level(raw) >> 4;
            case 8:
                if (source == 1) return raw * 255;
                if (source == 4) return raw * 255 / 15;
                return level(raw);
            default: return colour(raw);
        }
    };
    // Tabulate for palette sources; direct colour converts per pixel.
    std::uint32_t table[256];
    if (IsIndexed())
        for (std::uint32_t i = 0; i < 256; ++i) table[i] = convert(i);

    for (std::int32_t y = 0; y < GetHeight(); ++y) {
        const std::uint8_t* src = Row(y);
        std::uint8_t* dst = result.Row(y);
        for (std::int32_t x = 0; x < GetWidth(); ++x) {
            const std::uint32_t raw = ReadPixel(src, x, source);
            WritePixel(dst, x, unsigned(target), IsIndexed() ? table[raw] : convert(raw));
        }
        if (target == 32)
            for (std::int32_t x = 0; x < GetWidth(); ++x) dst[4 * std::size_t(x) + 3] = 255;
    }
    ReplaceKeepingName(std::move(result));
    return 0;
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
    const std::size_t step = GetBitCount() / 8;
    for (std::int32_t y = 0; y < GetHeight(); ++y) {
        std::uint8_t* p = Row(y);
        for (std::int32_t x = 0; x < GetWidth(); ++x, p += step) {
            if (blue) p[0] = table[p[0]];
            if (green) p[1] = table[p[1]];
            if (red) p[2] = table[p[2]];
        }
    }
}

namespace {

bool IsPointDepth(unsigned depth) { return depth == 4 || depth == 8 || depth == 24 || depth == 32; }

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
    const std::size_t step = depth / 8;
    if (luminance) {
        // Without branches: a mask per red level says whether the pixel turns gray, which on
        // real images is as unpredictable as a coin.
        std::uint8_t turns[256];
        for (int v = 0; v < 256; ++v) turns[v] = v >= inMin && v <= inMax ? 0xFF : 0x00;
        for (std::int32_t y = 0; y < GetHeight(); ++y) {
            std::uint8_t* p = Row(y);
            for (std::int32_t x = 0; x < GetWidth(); ++x, p += step) {
                const std::uint8_t m = turns[p[2]], keep = std::uint8_t(~m), gray = std::uint8_t(table[p[2]] & m);
                p[0] = std::uint8_t((p[0] & keep) | gray);
                p[1] = std::uint8_t((p[1] & keep) | gray);
                p[2] = std::uint8_t((p[2] & keep) | gray);
                if (step == 4) p[3] = std::uint8_t(p[3] & keep);
            }
        }
        luminance = 0;
        if (!red && !green && !blue) return 0;
    }
    for (std::int32_t y = 0; y < GetHeight(); ++y) {
        std::uint8_t* p = Row(y);
        for (std::int32_t x = 0; x < GetWidth(); ++x, p += step) {
            if (luminance && p[2] >= inMin && p[2] <= inMax) {
                p[0] = p[1] = p[2] = table[p[2]];
                if (step == 4) p[3] = 0;
            }
            if (red) p[2] = table[p[2]];
            if (green) p[1] = table[p[1]];
            if (blue) p[0] = table[p[0]];
        }
    }
    return 0;
}
