// Region growing: a flood from a seed pixel in rings of city-block or chessboard distance.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <new>

#include "CVelora.h"

unsigned CVelora::RegionGrowing(unsigned column, unsigned row, unsigned distance, unsigned criterion,
                                std::uint8_t threshold, std::uint32_t fill) {
    const unsigned depth = GetBitCount();
    if (!HasImage() || (depth != 4 && depth != 8 && depth != 24 && depth != 32)) return 1;
    const std::int32_t width = GetWidth(), height = GetHeight();
    if (column >= unsigned(width) || row >= unsigned(height)) return 2;
    if (distance > 1) return 3;
    if (criterion > 1) return 4;
    const bool indexed = depth <= 8;
    const std::uint8_t red = std::uint8_t(fill & 0xFF);
    const std::uint32_t paint = indexed ? (red & ((1u << depth) - 1)) : (0x010101u * red);
    const auto value = [&](std::int32_t x, std::int32_t y) -> std::uint8_t {
        const std::uint32_t v = GetPixel(x, y);
        return std::uint8_t(indexed ? v : (v >> 16) & 0xFF);
    };
    std::uint8_t limit = threshold;
    if (criterion == 1) {
        InfoHistogram levels;
        GetInfoHistogram(levels);
        limit = std::uint8_t((int(threshold) * (levels.highest[0].level - levels.lowest[0].level)) / 100);
    }
    // Each pixel joins a wavefront at most once, so one array in joining order holds every
    // wavefront: the current one is a stretch of it and the next one follows it.
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    std::unique_ptr<std::uint8_t[]> visited(new (std::nothrow) std::uint8_t[pixels]());
    std::unique_ptr<std::uint32_t[]> joined(new (std::nothrow) std::uint32_t[pixels]);
    if (!visited || !joined) return 5;
    if (indexed && paint >= PaletteEntries()) {
        std::array<std::uint8_t, 256> table;
        table.fill(std::uint8_t(paint));  // the table must reach the fill index
        if (!CoverRemappedIndices(table.data())) return 5;
    }
    const std::int32_t sx = std::int32_t(column), sy = std::int32_t(row);
    const std::uint8_t seed = value(sx, sy);
    std::size_t head = 0, currentEnd = 1, tail = 1;
    joined[0] = std::uint32_t(std::size_t(sy) * width + sx);
    visited[joined[0]] = 1;
    for (std::int64_t ring = 1; head < currentEnd; ++ring) {
        for (; head < currentEnd; ++head) {
            const std::int32_t px = std::int32_t(joined[head] % std::uint32_t(width));
            const std::int32_t py = std::int32_t(joined[head] / std::uint32_t(width));
            SetPixel(px, py, paint);
            for (std::int32_t y = py - 1; y <= py + 1; ++y)
                for (std::int32_t x = px - 1; x <= px + 1; ++x) {
                    if (x < 0 || y < 0 || x >= width || y >= height) continue;
                    const std::size_t at = std::size_t(y) * std::size_t(width) + std::size_t(x);
                    if (visited[at]) continue;
                    const std::int64_t dx = std::abs(std::int64_t(sx) - x), dy = std::abs(std::int64_t(sy) - y);
                    const std::int64_t d = distance == 0 ? dx + dy : std::max(dx, dy);
                    if (d <= ring && std::abs(int(value(x, y)) - int(seed)) <= limit) {
                        joined[tail++] = std::uint32_t(at);
                        visited[at] = 1;
                    }
                }
        }
        currentEnd = tail;
    }
    return 0;
}

