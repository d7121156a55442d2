// Histogram, its summary, and histogram equalization in RGB and in the other colour models.
#include <algorithm>
#include <cmath>
#include <vector>

#include "CVelora.h"
#include "PixelRow.h"

using velora::detail::ReadPixel;

namespace {

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

int Bin(float component) {
    if (!(component > 0)) return 0;
    return int(std::min(component, 255.0f));
}

std::uint32_t ColourOf(const RGBQUAD& c) {
    return (std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
}

}  // namespace

unsigned CVelora::Histogram(HistogramTable& out, int scale) const {
    if (!HasAccessibleDepth()) return 1;
    for (auto& level : out) level.fill(0);
    const unsigned depth = GetBitCount();
    const std::int32_t width = GetWidth();
    if (IsIndexed()) {
        std::array<std::int32_t, 256> indices{};
        for (std::int32_t y = 0; y < GetHeight(); ++y) {
            const std::uint8_t* row = Row(y);
            if (depth == 8)
                for (std::int32_t x = 0; x < width; ++x) ++indices[row[x]];
            else
                for (std::int32_t x = 0; x < width; ++x) ++indices[ReadPixel(row, x, depth)];
        }
        for (std::uint32_t i = 0; i < 256; ++i) {
            if (indices[i] == 0) continue;
            const RGBQUAD c = PaletteColor(i);
            out[i][0] += indices[i];
            out[c.rgbRed][1] += indices[i];
            out[c.rgbGreen][2] += indices[i];
            out[c.rgbBlue][3] += indices[i];
        }
    } else {
        const std::size_t step = depth / 8;
        for (std::int32_t y = 0; y < GetHeight(); ++y) {
            const std::uint8_t* p = Row(y);
            for (std::int32_t x = 0; x < width; ++x, p += step) {
                ++out[(p[0] + p[1] + p[2]) / 3][0];
                ++out[p[2]][1];
                ++out[p[1]][2];
                ++out[p[0]][3];
            }
        }
    }
    if (scale >= 1) {
        // For direct colour the luminance channel keeps its counts.
        for (int channel = IsIndexed() ? 0 : 1; channel < 4; ++channel) {
            std::int32_t max = 0;
            for (const auto& level : out) max = std::max(max, level[std::size_t(channel)]);
            if (max == 0) continue;
            for (auto& level : out)
                level[std::size_t(channel)] =
                    std::int32_t(float(level[std::size_t(channel)]) / float(max) * float(scale));
        }
    }
    return 0;
}

unsigned CVelora::GetInfoHistogram(InfoHistogram& info) const {
    HistogramTable table;
    if (const unsigned code = Histogram(table, 0)) return code;
    info = InfoHistogram{};
    for (std::size_t channel = 0; channel < 4; ++channel) {
        for (int level = 0; level < 256; ++level)
            if (table[std::size_t(level)][channel] != 0) {
                info.lowest[channel] = {level, table[std::size_t(level)][channel]};
                break;
            }
        for (int level = 255; level >= 0; --level)
            if (table[std::size_t(level)][channel] != 0) {
                info.highest[channel] = {level, table[std::size_t(level)][channel]};
                break;
            }
        for (int level = 0; level < 256; ++level)
            if (table[std::size_t(level)][channel] > info.mode[channel].count)
                info.mode[channel] = {level, table[std::size_t(level)][channel]};
    }
    return 0;
}

unsigned CVelora::Equalize(int colorModel, int rounding) {
    if (!HasAccessibleDepth()) return 1;
    if (colorModel < 0 || colorModel >= kColorModelCount) return 2;
    if (colorModel == kModelRGB && (rounding < 0 || rounding > 2)) return 3;
    const unsigned depth = GetBitCount();
    const std::int32_t width = GetWidth(), height = GetHeight();
    const std::int64_t pixels = std::int64_t(width) * height;
    const bool indexed = IsIndexed();

    if (colorModel == kModelRGB) {
        const int k = indexed ? 1 << depth : 256;
        HistogramTable table;
        Histogram(table, 0);
        const std::size_t channel = indexed ? 0 : 1;
        std::uint8_t newLevel[256] = {};
        float cumulative = 0.0f;
        for (int i = 0; i < k; ++i) {
            cumulative += float(table[std::size_t(i)][channel]) / float(pixels);
            const float m = float(k - 1) * cumulative;
            const float low = std::floor(m), high = std::ceil(m);
            const float level = rounding == 1 ? low : rounding == 2 ? high : (m - low >= 0.5f ? high : low);
            // Single-precision sums may end a hair above 1: the top level stays k - 1.
            newLevel[i] = std::uint8_t(std::clamp(level, 0.0f, float(k - 1)));
        }
        if (indexed) {
            RemapIndices(newLevel);
            return 0;
        }
        const std::size_t step = depth / 8;
        for (std::int32_t y = 0; y < height; ++y) {
            std::uint8_t* p = Row(y);
            for (std::int32_t x = 0; x < width; ++x, p += step) p[0] = p[1] = p[2] = newLevel[p[2]];
        }
        return 0;
    }

    // Other models. The colours to convert: the palette entries of an indexed image (each
    // weighted by the pixels using it), or every pixel.
    const EqualizedComponents which = ComponentsOf(colorModel);
    std::vector<float> components;
    std::vector<std::int64_t> weight;
    const std::uint32_t entries = indexed ? PaletteEntries() : 0;
    if (indexed) {
        HistogramTable table;
        Histogram(table, 0);
        components.resize(std::size_t(entries) * 4);
        for (std::uint32_t i = 0; i < entries; ++i) {
            ToModel(colorModel, ColourOf(m_pPaleta[i]), &components[std::size_t(i) * 4]);
            weight.push_back(table[i][0]);
        }
    } else {
        components.resize(std::size_t(pixels) * 4);
        std::size_t n = 0;
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint8_t* row = Row(y);
            for (std::int32_t x = 0; x < width; ++x, n += 4) ToModel(colorModel, ReadPixel(row, x, depth), &components[n]);
        }
    }
    const std::size_t colours = components.size() / 4;

    double mapping[4][256] = {};
    for (int c = which.first; c < which.first + which.count; ++c) {
        double bins[256] = {};
        for (std::size_t i = 0; i < colours; ++i)
            bins[Bin(components[i * 4 + std::size_t(c)])] += indexed ? double(weight[i]) : 1.0;
        double cumulative = 0.0;
        for (int bin = 0; bin < 256; ++bin) {
            cumulative += bins[bin] / double(pixels);
            mapping[c][bin] = 255.0 * cumulative + 0.5;
        }
    }
    const auto transform = [&](float* values) {
        for (int c = which.first; c < which.first + which.count; ++c) values[c] = std::trunc(float(mapping[c][Bin(values[c])]));
        RGBQUAD result{};
        FromModel(colorModel, values, result);
        return result;
    };
    if (indexed) {
        for (std::uint32_t i = 0; i < entries; ++i) {
            const RGBQUAD result = transform(&components[std::size_t(i) * 4]);
            m_pPaleta[i].rgbRed = result.rgbRed;
            m_pPaleta[i].rgbGreen = result.rgbGreen;
            m_pPaleta[i].rgbBlue = result.rgbBlue;
        }
        return 0;
    }
    const std::size_t step = depth / 8;
    std::size_t n = 0;
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* p = Row(y);
        for (std::int32_t x = 0; x < width; ++x, p += step, n += 4) {
            const RGBQUAD result = transform(&components[n]);
            p[0] = result.rgbBlue;
            p[1] = result.rgbGreen;
            p[2] = result.rgbRed;
        }
    }
    return 0;
}
