// Region growing: a flood from a seed pixel in rings of city-block or chessboard distance.
//
// A pixel whose value lies too far from the seed's can never join, so one pass marks it in
// the visited map before the flood: the flood then asks only the map and the ring's distance
// bound. The map marks the pixels that join apart from the refused ones, and a last pass
// paints them row by row.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "CVelora.h"
#include "LargeArrays.h"
#include "Parallel.h"
#include "PixelRow.h"

namespace {

// Visited map values: free, refused by value (never joins), joined.
constexpr std::uint8_t kFree = 0, kRefused = 1, kJoined = 2;

template <unsigned Depth>
int LevelAt(const std::uint8_t* row, std::int32_t x) {
    if constexpr (Depth == 4) return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    else if constexpr (Depth == 8) return row[x];
    else return row[std::size_t(x) * (Depth / 8) + 2];
}

template <unsigned Depth>
void MarkRefused(const std::uint8_t* row, std::int32_t width, int seed, int limit, std::uint8_t* map) {
    for (std::int32_t x = 0; x < width; ++x) map[x] = std::abs(LevelAt<Depth>(row, x) - seed) > limit ? kRefused : kFree;
}

template <unsigned Depth>
void PaintJoined(std::uint8_t* row, std::int32_t width, const std::uint8_t* map, std::uint8_t paint) {
    for (std::int32_t x = 0; x < width; ++x) {
        if constexpr (Depth == 8) {
            row[x] = map[x] == kJoined ? paint : row[x];
        } else if (map[x] == kJoined) {
            if constexpr (Depth == 4) {
                std::uint8_t& b = row[x >> 1];
                b = (x & 1) ? std::uint8_t((b & 0xF0u) | paint) : std::uint8_t((b & 0x0Fu) | (paint << 4));
            } else {
                std::uint8_t* p = row + std::size_t(x) * (Depth / 8);
                p[0] = p[1] = p[2] = paint;
            }
        }
    }
}

struct Flood {
    std::int32_t width, height, sx, sy;
    bool chessboard;
    std::uint8_t* visited;  // one byte per pixel, row y of the image at y * width
    std::uint32_t* joined;  // every pixel that joins, in joining order, as (y << shift) | x
    unsigned shift;         // bits of a column within a joined entry
};

// The 3 x 3 block around a pixel in the order the rule scans it (row above, own row, row
// below; left to right): bit 3 * (dy + 1) + dx + 1 for the step (dx, dy), bit 4 the pixel.
constexpr unsigned kWholeBlock = 0x1FF;
constexpr unsigned BlockBit(int dx, int dy) { return 1u << (3 * (dy + 1) + dx + 1); }

// A pixel taken at ring r lies within r - 1 of the seed, so its neighbours lie within r + 1:
// beyond r only in city-block rings, and only the steps away from the seed in both x and y
// when it lies at r - 1 exactly. The steps such a pixel may take, by the signs of its
// offsets from the seed.
std::array<std::uint16_t, 9> CityBlockSteps() {
    std::array<std::uint16_t, 9> masks{};
    const auto away = [](int sign, int step) { return step == 0 ? 0 : sign == 0 || sign == step ? 1 : -1; };
    for (int sdx = -1; sdx <= 1; ++sdx)
        for (int sdy = -1; sdy <= 1; ++sdy)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (away(sdx, dx) + away(sdy, dy) <= 1) masks[std::size_t(3 * (sdx + 1) + sdy + 1)] |= std::uint16_t(BlockBit(dx, dy));
    return masks;
}

// The free cells among three of a map row, starting at cell (bit 0 the first); map values are
// 0, 1 or 2. Reads a fourth byte, which the map holds even after its last cell.
unsigned FreeOfThree(const std::uint8_t* cell) {
    std::uint32_t v;
    std::memcpy(&v, cell, 4);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    const std::uint32_t taken = (v | (v >> 1)) & 0x010101u;
    const std::uint32_t free = ~taken & 0x010101u;
    return (free | (free >> 7) | (free >> 14)) & 7u;
}

// The flood proper: the rings, the scan of each neighbourhood row by row and column by
// column, and so the order in which pixels join, are those of the plain rule. Everything in
// locals: the map's bytes may alias anything, which would reload every field at each step.
void Grow(const Flood& f) {
    std::uint8_t* const visited = f.visited;
    std::uint32_t* const joined = f.joined;
    const unsigned shift = f.shift;
    const std::int32_t width = f.width, height = f.height, sx = f.sx, sy = f.sy;
    const bool chessboard = f.chessboard;
    const std::uint32_t columnMask = (std::uint32_t(1) << shift) - 1, down = std::uint32_t(1) << shift;
    const std::ptrdiff_t w = width;
    const std::array<std::uint16_t, 9> cityBlock = CityBlockSteps();
    std::array<std::ptrdiff_t, 9> blockCell{};
    std::array<std::uint32_t, 9> blockEntry{};
    for (std::size_t k = 0; k < 9; ++k) {
        const int dx = int(k % 3) - 1, dy = int(k / 3) - 1;
        blockCell[k] = dy * w + dx;
        blockEntry[k] = std::uint32_t(std::int64_t(dy) * down + dx);
    }
    std::size_t head = 0, currentEnd = 1, tail = 1;
    joined[0] = (std::uint32_t(sy) << shift) | std::uint32_t(sx);
    visited[std::size_t(sy) * std::size_t(width) + std::size_t(sx)] = kJoined;
    for (std::int64_t ring = 1; head < currentEnd; ++ring, currentEnd = tail) {
        for (; head < currentEnd; ++head) {
            const std::uint32_t entry = joined[head];
            const std::int32_t px = std::int32_t(entry & columnMask), py = std::int32_t(entry >> shift);
            std::uint8_t* const cell = visited + std::size_t(py) * std::size_t(width) + std::size_t(px);
            if (px > 0 && py > 0 && px < width - 1 && py < height - 1) {
                // Most pixels of a wavefront find one free neighbour or none: the free cells of
                // the block first, then each of them that the ring allows, in scan order.
                const std::int32_t dx = px - sx, dy = py - sy;
                const bool tight = !chessboard && std::abs(dx) + std::abs(dy) == ring - 1;
                unsigned take = FreeOfThree(cell - w - 1) | FreeOfThree(cell - 1) << 3 | FreeOfThree(cell + w - 1) << 6;
                take &= tight ? cityBlock[std::size_t(3 * ((dx > 0) - (dx < 0) + 1) + (dy > 0) - (dy < 0) + 1)] : kWholeBlock;
                for (; take != 0; take &= take - 1) {
                    const unsigned k = unsigned(std::countr_zero(take));
                    cell[blockCell[k]] = kJoined;
                    joined[tail++] = entry + blockEntry[k];
                }
                continue;
            }
            // On the image's edge: each neighbour row clipped to the image and to the ring.
            for (std::int32_t y = std::max(py - 1, 0); y <= std::min(py + 1, height - 1); ++y) {
                const std::int64_t ay = std::abs(std::int64_t(y) - sy);
                const std::int64_t reach = chessboard ? (ay <= ring ? ring : -1) : ring - ay;
                const std::int64_t lo = std::max({std::int64_t(px) - 1, std::int64_t(sx) - reach, std::int64_t(0)});
                const std::int64_t hi = std::min({std::int64_t(px) + 1, std::int64_t(sx) + reach, std::int64_t(width) - 1});
                for (std::int64_t x = lo; x <= hi; ++x)
                    if (std::uint8_t& c = cell[(y - py) * w + (x - px)]; c == kFree) {
                        c = kJoined;
                        joined[tail++] = (std::uint32_t(y) << shift) | std::uint32_t(x);
                    }
            }
        }
    }
}

}  // namespace

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
    const std::uint32_t paint = indexed ? (red & ((1u << depth) - 1)) : red;
    std::uint8_t limit = threshold;
    if (criterion == 1) {
        InfoHistogram levels;
        GetInfoHistogram(levels);
        limit = std::uint8_t((int(threshold) * (levels.highest[0].level - levels.lowest[0].level)) / 100);
    }
    // A joined entry holds the row above the bits of a column: the row times the width
    // rounded up to a power of two stays below twice the pixel count, which the pixel-data
    // limit keeps within 32 bits.
    const unsigned shift = unsigned(std::bit_width(std::uint32_t(width - 1)));
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    std::unique_ptr<std::uint8_t[]> visited = velora::detail::NewLargeArray<std::uint8_t>(pixels + 1);
    std::unique_ptr<std::uint32_t[]> joined = velora::detail::NewLargeArray<std::uint32_t>(pixels);
    if (!visited || !joined) return 5;
    visited[pixels] = kRefused;  // read beside the last cell, never taken
    if (indexed && paint >= PaletteEntries()) {
        std::array<std::uint8_t, 256> table;
        table.fill(std::uint8_t(paint));  // the table must reach the fill index
        if (!CoverRemappedIndices(table.data())) return 5;
    }
    const std::uint8_t* seedRow = Row(std::int32_t(row));
    const auto pass = [&]<unsigned Depth>() {
        const int seed = LevelAt<Depth>(seedRow, std::int32_t(column));
        velora::detail::ForEachRowBand(height, m_bytesPerRow, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t y = first; y < last; ++y)
                MarkRefused<Depth>(Row(y), width, seed, limit, visited.get() + std::size_t(y) * std::size_t(width));
        });
        Grow(Flood{width, height, std::int32_t(column), std::int32_t(row), distance == 1, visited.get(), joined.get(), shift});
        velora::detail::ForEachRowBand(height, m_bytesPerRow, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t y = first; y < last; ++y)
                PaintJoined<Depth>(Row(y), width, visited.get() + std::size_t(y) * std::size_t(width), std::uint8_t(paint));
        });
    };
    switch (depth) {
        case 4: pass.template operator()<4>(); break;
        case 8: pass.template operator()<8>(); break;
        case 24: pass.template operator()<24>(); break;
        default: pass.template operator()<32>(); break;
    }
    return 0;
}
