// The scotoma pixel by pixel, as its rules read, for comparison with the library's row work.
#pragma once

#include <cstdint>
#include <vector>

#include "CVelora.h"
#include "TestImages.h"

namespace testing_support {

// Every pixel's stored value, rows from the top; 32-bit pixels carry their alpha in the high byte.
using PixelGrid = std::vector<std::vector<std::uint32_t>>;

inline PixelGrid GridOf(const CVelora& image) {
    PixelGrid grid(std::size_t(image.GetHeight()), std::vector<std::uint32_t>(std::size_t(image.GetWidth())));
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            grid[std::size_t(y)][std::size_t(x)] =
                AnyPixel(image, x, y) | (image.GetBitCount() == 32 ? std::uint32_t(image.GetAlfa(x, y)) << 24 : 0u);
    return grid;
}

// The pixel bytes of a grid, rows bottom up, padding 0.
inline std::vector<std::uint8_t> BitsOfGrid(const PixelGrid& grid, int depth) {
    const int height = int(grid.size()), width = int(grid[0].size());
    const std::size_t stride = CVelora::GetBytesPerRow(width, depth);
    std::vector<std::uint8_t> bits(stride * std::size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bits.data() + std::size_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = grid[std::size_t(y)][std::size_t(x)];
            if (depth < 8) row[x * depth / 8] = std::uint8_t(row[x * depth / 8] | v << (8 - depth - x * depth % 8));
            else for (int k = 0; k < depth / 8; ++k) row[std::size_t(x * (depth / 8) + k)] = std::uint8_t(v >> (8 * k));
        }
    }
    return bits;
}

// An image of like's depth and colour table holding the grid.
inline CVelora ImageOfGrid(const CVelora& like, const PixelGrid& grid) {
    const int height = int(grid.size()), width = int(grid[0].size()), depth = like.GetBitCount();
    if (depth == 16) return SixteenBitImage(width, height, BitsOfGrid(grid, 16));
    if (depth > 8) return CVelora(BitsOfGrid(grid, depth).data(), nullptr, width, height, depth);
    CVelora out = CVelora::WithTable(width, height, depth, like.GetNumColors(), like.GetPaletteData());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.SetPixel(x, y, grid[std::size_t(y)][std::size_t(x)]);
    return out;
}

// part resized to width x height by the library's Scale (to a size); empty for no columns or rows.
inline PixelGrid Resized(const CVelora& like, const PixelGrid& part, int width, int height) {
    if (part.empty() || part[0].empty() || width == 0 || height == 0) return {};
    CVelora image = ImageOfGrid(like, part);
    image.Scale(float(width), float(height), 1);
    return GridOf(image);
}

// The scotoma's result code, and in out the pixels it gives.
inline unsigned ReferenceScotoma(const CVelora& image, PixelGrid& out, unsigned type, unsigned cc, unsigned cr, unsigned a, unsigned b,
                                 unsigned c, unsigned e, unsigned mode, unsigned withImage, std::uint32_t fill) {
    const long w = image.GetWidth(), h = image.GetHeight();
    if (type > 1) return 1;
    const long along = type == 0 ? cc : cr, across = type == 0 ? cr : cc;
    if (along - long(a) < 0 || along + long(b) > (type == 0 ? w : h) - 1 || across - long(e) < 0 ||
        across + long(c) > (type == 0 ? h : w) - 1)
        return 2;
    if (mode > 1) return 3;
    if (withImage > 1) return 4;
    const int depth = image.GetBitCount();
    const bool moves = depth >= 8;
    const PixelGrid before = GridOf(image);
    PixelGrid grid = before;
    const std::uint32_t colour = ExpectedBackground(image, fill);
    // A fill keeps the pixel's alpha byte.
    auto put = [&](long x, long y, std::uint32_t v) {
        std::uint32_t& p = grid[std::size_t(y)][std::size_t(x)];
        p = depth == 32 ? (p & 0xFF000000u) | (v & 0xFFFFFFu) : v;
    };
    if (type == 0) {
        const long x0 = long(cc) - long(a), x1 = long(cc) + long(b);
        for (long y = long(cr) - long(e); y <= long(cr) + long(c); ++y) {
            const auto& old = before[std::size_t(y)];
            auto& now = grid[std::size_t(y)];
            if (mode == 0 && moves) {
                for (long x = long(a); x < long(cc); ++x) now[std::size_t(x - long(a))] = old[std::size_t(x)];
                for (long x = long(cc); x <= w - long(b) - 1; ++x) now[std::size_t(x + long(b))] = old[std::size_t(x)];
            }
            if (mode == 1) {
                PixelGrid left{{old.begin(), old.begin() + long(cc)}}, right{{old.begin() + long(cc), old.end()}};
                left = Resized(image, left, int(x0), 1);
                right = Resized(image, right, int(w - x1), 1);
                for (long x = 0; !left.empty() && x < x0; ++x) now[std::size_t(x)] = left[0][std::size_t(x)];
                for (long x = 0; !right.empty() && x < w - x1; ++x) now[std::size_t(x1 + x)] = right[0][std::size_t(x)];
            }
            for (long x = x0; x < x1; ++x) put(x, y, withImage ? old[std::size_t(cc)] : colour);
        }
    } else {
        const long y0 = long(cr) - long(a), y1 = long(cr) + long(b);
        if (mode == 0 && moves) {
            for (long y = long(a); y < long(cr); ++y) grid[std::size_t(y - long(a))] = before[std::size_t(y)];
            for (long y = long(cr); y <= h - long(b) - 1; ++y) grid[std::size_t(y + long(b))] = before[std::size_t(y)];
        }
        if (mode == 1) {
            const PixelGrid top = Resized(image, {before.begin(), before.begin() + long(cr)}, int(w), int(y0));
            const PixelGrid bottom = Resized(image, {before.begin() + long(cr), before.end()}, int(w), int(h - y1));
            for (long y = 0; y < long(top.size()); ++y) grid[std::size_t(y)] = top[std::size_t(y)];
            for (long y = 0; y < long(bottom.size()); ++y) grid[std::size_t(y1 + y)] = bottom[std::size_t(y)];
        }
        for (long y = y0; y < y1; ++y)
            for (long x = 0; x < w; ++x) put(x, y, withImage ? before[std::size_t(cr)][std::size_t(x)] : colour);
    }
    out = grid;
    return 0;
}

}  // namespace testing_support
