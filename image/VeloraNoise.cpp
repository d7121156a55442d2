// Random noise and the hoover effect: the two operations that draw from the C generator.
// Each run seeds it once and draws in the order of a single pass, which is part of the
// result, so neither uses the worker threads. RunDraws gives the generator's values.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "CVelora.h"
#include "PixelRow.h"
#include "RandomSeed.h"
#include "LargeArrays.h"

using velora::detail::ReadPixel;
using velora::detail::WritePixel;
using velora::detail::RefuseWithoutMemory;

namespace {

// RoundHalfDown of a level sum, without a call to floor and without branches. A sum lies in
// -255..510 (the lowest value, a drawn part below the span, the level), so x + 4096 is positive
// and exact in double precision, and truncating it is its floor.
inline int RoundedLevel(float v) {
    const double x = v;
    const int f = int(x + 4096.0) - 4096;
    return f + int(x - double(f) > 0.5);
}

}  // namespace

unsigned CVelora::Noise(int noiseMode, int distributionMode, int minimum, int maximum, int bandMinimum,
                        int bandMaximum, int count) {
    if (!HasAccessibleDepth()) return 1;
    if (noiseMode < 0 || noiseMode > 1) return 2;
    if (distributionMode < 0 || distributionMode > 1) return 3;
    const unsigned depth = GetBitCount();
    const int top = depth == 1 ? 1 : depth == 4 ? 15 : 255;
    if (minimum >= maximum || minimum < -top || maximum > top) return 4;
    // The band only matters to coloured noise; white noise takes any.
    if (noiseMode == 1) {
        InfoHistogram info;
        if (GetInfoHistogram(info) != 0) return 1;
        if (bandMinimum < info.lowest[0].level || bandMaximum > info.highest[0].level || bandMinimum > bandMaximum)
            return 5;
    }
    const std::int32_t width = GetWidth(), height = GetHeight();
    if (count < 1 || std::int64_t(count) > std::int64_t(width) * height) return 6;

    // Indices stay inside a colour table shorter than the depth allows.
    const int highest = IsIndexed() ? std::min(top, int(std::max<std::uint32_t>(PaletteEntries(), 1)) - 1) : top;
    const float span = float(maximum - minimum), low = float(minimum);
    const bool banded = noiseMode == 1;
    const std::size_t step = depth / 8;
    // The level's draw takes the generator's low 15 bits, 0..32767, so that r / 32768 stays
    // below 1 whatever RAND_MAX the C library has; positions take the whole draw.
    velora::RunDraws draw;
    const auto noisyFrom = [span, low, highest](int drawn, int level) {
        const float v = float(drawn & 0x7FFF) * 3.0517578e-5f * span + low + float(level);
        return std::min(std::max(RoundedLevel(v), 0), highest);
    };
    const auto inBand = [&](int level) { return !banded || (level >= bandMinimum && level <= bandMaximum); };
    // One pixel: the level read, the band test, then the value's draw (taken only in the band,
    // so that the draws keep their order), the write.
    const auto touch = [&](std::uint8_t* row, std::int32_t x, const auto& valueDraw) {
        if (depth >= 24) {
            std::uint8_t* p = row + step * std::size_t(x);
            if (!inBand(p[2])) return;
            const std::uint8_t v = std::uint8_t(noisyFrom(valueDraw(), p[2]));
            p[0] = p[1] = p[2] = v;
        } else {
            const int level = int(ReadPixel(row, x, depth));
            if (!inBand(level)) return;
            WritePixel(row, x, depth, std::uint32_t(noisyFrom(valueDraw(), level)));
        }
    };
    const auto nextDraw = [&] { return draw(); };

    if (distributionMode == 0 && !banded) {
        // Every pixel takes three draws, column, row and value: taken a block at a time.
        std::vector<int> drawn(3 * 4096);
        for (int done = 0; done < count;) {
            const int block = std::min(count - done, 4096);
            draw.Fill(drawn.data(), 3 * std::size_t(block));
            for (int i = 0; i < block; ++i) {
                const int* d = drawn.data() + 3 * i;
                touch(Row(d[1] % height), d[0] % width, [d] { return d[2]; });
            }
            done += block;
        }
    } else if (distributionMode == 0) {
        for (int i = 0; i < count; ++i) {
            const std::int32_t x = draw() % width;
            const std::int32_t y = draw() % height;
            touch(Row(y), x, nextDraw);
        }
    } else {
        // Without a band every pixel takes one draw: a row's draws are taken first.
        std::vector<int> drawn(banded ? 0 : std::size_t(width));
        for (std::int32_t y = 0; y < height; ++y) {
            std::uint8_t* row = Row(y);
            if (depth >= 24 && !banded) {
                draw.Fill(drawn.data(), drawn.size());
                std::uint8_t* p = row;
                for (std::int32_t x = 0; x < width; ++x, p += step)
                    p[0] = p[1] = p[2] = std::uint8_t(noisyFrom(drawn[std::size_t(x)], p[2]));
            } else if (depth == 8 && !banded) {
                draw.Fill(drawn.data(), drawn.size());
                for (std::int32_t x = 0; x < width; ++x) row[x] = std::uint8_t(noisyFrom(drawn[std::size_t(x)], row[x]));
            } else {
                for (std::int32_t x = 0; x < width; ++x) touch(row, x, nextDraw);
            }
        }
    }
    return 0;
}

namespace {

// cos and sin of the 32768 angles a draw can give, computed as each draw would.
struct AngleTable {
    std::array<double, 32768> cosine{}, sine{};
    AngleTable() {
        for (int a = 0; a < 32768; ++a) {
            const double angle = double(a) * 6.28318 * 3.0517578125e-5;
            cosine[std::size_t(a)] = std::cos(angle);
            sine[std::size_t(a)] = std::sin(angle);
        }
    }
};

const AngleTable& Angles() {
    static const AngleTable table;
    return table;
}

}  // namespace

unsigned CVelora::Hoover(int direction, int column, int row, int iterations) {
    return RefuseWithoutMemory(5, [&]() -> unsigned {
        if (direction < 0 || direction > 1) return 1;
        if (!IsValidPoint(column, row)) return 2;
        if (iterations < 1) return 3;
        if (!HasAccessibleDepth()) return 4;
        if (iterations > kMaxHooverIterations) return 6;

        const std::int32_t width = GetWidth(), height = GetHeight();
        const unsigned depth = GetBitCount();
        const std::size_t stride = m_bytesPerRow;
        std::uint8_t* const bits = m_pchMapaBits;
        // What a read outside the picture gives: all ones, or the last entry of a shorter table.
        std::uint32_t outside = 0xFFFFFFu;
        if (IsIndexed()) outside = std::min<std::uint32_t>((1u << depth) - 1, std::max<std::uint32_t>(PaletteEntries(), 1) - 1);
        const auto rowOf = [&](std::int64_t y) { return bits + std::size_t(height - 1 - y) * stride; };
        const auto inside = [&](std::int64_t x, std::int64_t y) { return x >= 0 && x < width && y >= 0 && y < height; };
        const AngleTable& angles = Angles();
        const double cx = column, cy = row;
        const bool inward = direction == 0;

        velora::RunDraws draw;
        std::vector<int> drawn(2 * 50000);  // an iteration's draws: angle, radius, angle, ...
        for (int n = 0; n < iterations; ++n) {
            draw.Fill(drawn.data(), drawn.size());
            for (std::size_t k = 0; k < drawn.size(); k += 2) {
                const std::size_t a = std::size_t(drawn[k] & 0x7FFF);
                const double r = double(drawn[k + 1] % width);
                const double c = angles.cosine[a], s = angles.sine[a];
                const std::int64_t px = std::int64_t(c * r + cx), py = std::int64_t(s * r + cy);
                if (!inside(px, py)) continue;
                const std::int64_t qx = std::int64_t((r - 1) * c + cx), qy = std::int64_t((r - 1) * s + cy);
                if (inward) {
                    if (inside(qx, qy))
                        WritePixel(rowOf(qy), std::int32_t(qx), depth, ReadPixel(rowOf(py), std::int32_t(px), depth));
                } else {
                    const std::uint32_t v = inside(qx, qy) ? ReadPixel(rowOf(qy), std::int32_t(qx), depth) : outside;
                    WritePixel(rowOf(py), std::int32_t(px), depth, v);
                }
            }
        }
        return 0;
    });
}
