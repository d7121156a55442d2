// Subjects of every depth for the operations' tests, and the per-pixel rules to compare their results with.
#pragma once

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CVelora.h"
#include "TestImages.h"

namespace testing_support {

struct Subject {
    std::string label;
    CVelora image;
};

// A gray 24- or 32-bit image: random levels in all three bytes, alpha random.
inline CVelora GrayDirect(int width, int height, int depth, std::mt19937& rng) {
    CVelora image = RandomImage(width, height, depth, unsigned(rng()));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.SetPixel(x, y, (rng() & 0xFF) * 0x010101u);
    return image;
}

// Random images of every depth, colour and gray, odd widths, full and short tables; 16 bits when asked.
inline std::vector<Subject> Subjects(std::mt19937& rng, bool sixteen = false) {
    std::vector<Subject> out;
    for (int depth : {1, 4, 8, 24, 32}) {
        const int width = 9 + int(rng() % 40), height = 1 + int(rng() % 6);
        out.push_back({std::to_string(depth) + " bits", RandomImage(width, height, depth, unsigned(rng()))});
        if (depth <= 8) {
            out.push_back({std::to_string(depth) + " bits gray", RandomImage(width, height, depth, unsigned(rng()), true)});
            const std::uint32_t entries = 1 + std::uint32_t(rng() % ((1u << depth) - 1));
            out.push_back({std::to_string(depth) + " bits, short table", ShortTableImage(width, height, depth, entries, false, rng)});
            out.push_back({std::to_string(depth) + " bits, short ramp", ShortTableImage(width, height, depth, entries, true, rng)});
        } else {
            out.push_back({std::to_string(depth) + " bits gray", GrayDirect(width, height, depth, rng)});
        }
    }
    if (sixteen) out.push_back({"16 bits", RandomImage(11, 3, 16, unsigned(rng()))});
    return out;
}
inline std::vector<Subject> Subjects(unsigned seed, bool sixteen = false) {
    std::mt19937 rng(seed);
    return Subjects(rng, sixteen);
}

// Each byte of a raw 0x00RRGGBB value through f.
inline std::uint32_t EachByte(std::uint32_t v, const std::function<int(int)>& f) {
    return std::uint32_t(f(int(v & 0xFF))) | std::uint32_t(f(int(v >> 8 & 0xFF))) << 8 | std::uint32_t(f(int(v >> 16 & 0xFF))) << 16;
}

// An indexed result, table growth aside: every pixel's expected index, the old entries kept, indices inside.
inline void ExpectIndices(const CVelora& result, const CVelora& before, const std::function<std::uint32_t(std::uint32_t)>& rule) {
    ASSERT_EQ(result.GetWidth(), before.GetWidth());
    ASSERT_EQ(result.GetBitCount(), before.GetBitCount());
    for (std::uint32_t i = 0; i < before.GetNumColors(); ++i) ASSERT_EQ(result.GetPaletteData()[i], before.GetPaletteData()[i]);
    for (int y = 0; y < before.GetHeight(); ++y)
        for (int x = 0; x < before.GetWidth(); ++x) {
            const std::uint32_t v = result.GetPixel(x, y);
            ASSERT_EQ(v, rule(before.GetPixel(x, y))) << x << "," << y;
            ASSERT_LT(v, result.GetNumColors());
        }
    // Entries a grown table adds: gray levels for a ramp, black otherwise.
    bool ramp = true;
    for (std::uint32_t i = 0; i < before.GetNumColors(); ++i) {
        const RGBQUAD e = before.GetPaletteData()[i];
        ramp = ramp && e.rgbRed == i && e.rgbGreen == i && e.rgbBlue == i;
    }
    for (std::uint32_t i = before.GetNumColors(); i < result.GetNumColors(); ++i) {
        const auto level = std::uint8_t(ramp ? i : 0);
        ASSERT_EQ(result.GetPaletteData()[i], (RGBQUAD{level, level, level, 0})) << i;
    }
}

// Pixel values through a rule on the raw value: SetPixel keeps the alpha byte.
inline CVelora EachPixel(CVelora image, const std::function<std::uint32_t(std::uint32_t)>& rule) {
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) image.SetPixel(x, y, rule(image.GetPixel(x, y)));
    return image;
}

// Colours through three byte rules: the table of palette images, the pixels of the others.
inline CVelora EachColour(CVelora image, const std::function<int(int)>& red, const std::function<int(int)>& green,
                   const std::function<int(int)>& blue) {
    auto map = [&](RGBQUAD& c) {
        c.rgbRed = std::uint8_t(red(c.rgbRed));
        c.rgbGreen = std::uint8_t(green(c.rgbGreen));
        c.rgbBlue = std::uint8_t(blue(c.rgbBlue));
    };
    if (image.GetBitCount() <= 8) {
        std::vector<RGBQUAD> table = PaletteOf(image);
        for (RGBQUAD& e : table) map(e);
        image.SetPalette(table.data());
        return image;
    }
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) {
            RGBQUAD c = Colour(image, x, y);
            map(c);
            image.SetRGBPixel(x, y, c);
        }
    return image;
}

inline CVelora KeepAlpha(CVelora image, const CVelora& from) {
    if (image.GetBitCount() == 32)
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) image.SetAlfa(x, y, from.GetAlfa(x, y));
    return image;
}

}  // namespace testing_support
