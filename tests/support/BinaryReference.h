// The plain rules of binary smoothing, set operations and region growing, pixel by pixel
// through the accessors: what the library's row and word paths must match byte for byte.
#pragma once

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "CVelora.h"

namespace testing_support {

// A derived image, so that the plain code may use the members the library's own code uses.
class PlainBinary : public CVelora {
public:
    explicit PlainBinary(const CVelora& image) : CVelora(image) {}

    unsigned Smoothing(const std::array<bool, 6>& rules) {
        if (!HasImage() || GetBitCount() != 1) return 1;
        const std::int32_t width = GetWidth(), height = GetHeight();
        for (int rule = 1; rule <= 6; ++rule) {
            if (!rules[std::size_t(rule - 1)]) continue;
            CVelora next(*this);
            const auto at = [&](std::int32_t x, std::int32_t y) { return GetPixel(x, y) == 1; };
            for (std::int32_t y = 1; y < height - 1; ++y)
                for (std::int32_t x = 1; x < width - 1; ++x)
                    next.SetPixel(x, y, Rule(rule, at(x - 1, y - 1), at(x, y - 1), at(x + 1, y - 1), at(x - 1, y), at(x, y),
                                             at(x + 1, y), at(x - 1, y + 1), at(x, y + 1), at(x + 1, y + 1)));
            ReplaceKeepingName(std::move(next));
        }
        return 0;
    }

    unsigned SetOperation(unsigned code, const CVelora* b) {
        if (code > 4) return 1;
        const auto twoColours = [](const CVelora* im) {
            const unsigned depth = im ? im->GetBitCount() : 0;
            return (depth == 1 || depth == 4 || depth == 8) && im->GetNumColors() == 2;
        };
        if (!twoColours(this) || (code >= 2 && !twoColours(b))) return 2;
        const std::int32_t width = GetWidth(), height = GetHeight();
        if (code == 0) {
            if (!IsGray()) return Negative(1, 0, 0, 0) == 0 ? 0 : 3;
            for (std::int32_t y = 0; y < height; ++y)
                for (std::int32_t x = 0; x < width; ++x)
                    if (const std::uint32_t i = GetPixel(x, y); i <= 1) SetPixel(x, y, 1 - i);
            return 0;
        }
        if (code == 1) return Flip(0) == 0 && Flip(1) == 0 ? 0 : 3;
        const CVelora other(*b);
        const std::int32_t w = std::min(width, other.GetWidth()), h = std::min(height, other.GetHeight());
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x) {
                const bool a0 = GetPixel(x, y) == 0;
                const std::uint32_t bv = other.GetPixel(x, y);
                const bool member = code == 2 ? (a0 || bv == 0) : code == 3 ? (a0 && bv == 0) : (a0 && bv == 1);
                SetPixel(x, y, member ? 0 : 1);
            }
        return 0;
    }

    // Rings of growing distance: a position too far for this ring stays unvisited and may join
    // from a later one.
    unsigned RegionGrowing(unsigned column, unsigned row, unsigned distance, unsigned criterion, std::uint8_t threshold,
                           std::uint32_t fill) {
        const unsigned depth = GetBitCount();
        if (!HasImage() || (depth != 4 && depth != 8 && depth != 24 && depth != 32)) return 1;
        const std::int32_t width = GetWidth(), height = GetHeight();
        if (column >= unsigned(width) || row >= unsigned(height)) return 2;
        if (distance > 1) return 3;
        if (criterion > 1) return 4;
        const bool indexed = depth <= 8;
        const std::uint8_t red = std::uint8_t(fill & 0xFF);
        const std::uint32_t paint = indexed ? (red & ((1u << depth) - 1)) : (0x010101u * red);
        const auto value = [&](std::int32_t x, std::int32_t y) {
            const std::uint32_t v = GetPixel(x, y);
            return int(indexed ? v : (v >> 16) & 0xFF);
        };
        int limit = threshold;
        if (criterion == 1) {
            InfoHistogram levels;
            GetInfoHistogram(levels);
            limit = std::uint8_t((int(threshold) * (levels.highest[0].level - levels.lowest[0].level)) / 100);
        }
        if (indexed && paint >= PaletteEntries()) {
            std::array<std::uint8_t, 256> table;
            table.fill(std::uint8_t(paint));
            if (!CoverRemappedIndices(table.data())) return 5;
        }
        const std::int32_t sx = std::int32_t(column), sy = std::int32_t(row);
        const int seed = value(sx, sy);
        std::vector<bool> visited(std::size_t(width) * std::size_t(height));
        std::vector<std::array<std::int32_t, 2>> current{{sx, sy}}, next;
        visited[std::size_t(sy) * std::size_t(width) + std::size_t(sx)] = true;
        for (std::int64_t ring = 1; !current.empty(); ++ring, current.swap(next), next.clear())
            for (const auto [px, py] : current) {
                SetPixel(px, py, paint);
                for (std::int32_t y = py - 1; y <= py + 1; ++y)
                    for (std::int32_t x = px - 1; x <= px + 1; ++x) {
                        if (x < 0 || y < 0 || x >= width || y >= height) continue;
                        const std::size_t at = std::size_t(y) * std::size_t(width) + std::size_t(x);
                        const std::int64_t dx = std::abs(sx - x), dy = std::abs(sy - y);
                        const std::int64_t d = distance == 0 ? dx + dy : std::max(dx, dy);
                        if (!visited[at] && d <= ring && std::abs(value(x, y) - seed) <= limit) {
                            next.push_back({x, y});
                            visited[at] = true;
                        }
                    }
            }
        return 0;
    }

private:
    static bool Rule(int rule, bool nw, bool n, bool ne, bool w, bool p, bool e, bool sw, bool s, bool se) {
        switch (rule) {
            case 1: return p || (n && s && (w || e)) || (w && e && (n || s));
            case 2: return p && (((nw || n || w) && (e || s || se)) || ((n || ne || e) && (w || sw || s)));
            case 3: return p || (w && sw && s && !(nw || n || ne || e || se));
            case 4: return p || (e && s && se && !(nw || n || ne || w || sw));
            case 5: return p || (nw && n && w && !(ne || e || sw || s || se));
            default: return p || (n && ne && e && !(nw || w || sw || s || se));
        }
    }
};

}  // namespace testing_support
