// Noise and hoover against their rules per pixel from the same seed, every depth; refusals; the C generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "CVelora.h"
#include "RandomSeed.h"
#include "Subjects.h"

using namespace testing_support;

namespace {

// The last index a pixel may hold (a short colour table ends earlier).
std::uint32_t LastIndex(const CVelora& image) {
    const int depth = image.GetBitCount();
    if (depth > 8) return 0xFFFFFF;
    return std::min<std::uint32_t>((1u << depth) - 1, image.GetNumColors() - 1);
}

struct NoiseArgs {
    int noiseMode, distributionMode, minimum, maximum, bandMinimum, bandMaximum, count;
};

void NaiveNoise(CVelora& image, const NoiseArgs& a, unsigned seed) {
    const int depth = image.GetBitCount();
    const int highest = depth > 8 ? 255 : int(LastIndex(image));
    const auto level = [&](int x, int y) {
        if (depth < 24) return int(image.GetPixel(x, y));
        const RGBQUAD c = Colour(image, x, y);
        return int(c.rgbRed);
    };
    const auto hit = [&](int x, int y) {
        const int l = level(x, y);
        if (a.noiseMode == 1 && (l < a.bandMinimum || l > a.bandMaximum)) return;
        const int r = std::rand() & 0x7FFF;
        const float v = float(r) * 3.0517578e-5f * float(a.maximum - a.minimum) + float(a.minimum) + float(l);
        const int n = std::clamp(int(RoundHalfDown(v)), 0, highest);
        if (depth < 24) {
            image.SetPixel(x, y, std::uint32_t(n));
        } else {
            const std::uint8_t g = std::uint8_t(n);
            image.SetRGBPixel(x, y, RGBQUAD{g, g, g, 0});
        }
    };
    std::srand(seed);
    if (a.distributionMode == 0) {
        for (int i = 0; i < a.count; ++i) {
            const int x = std::rand() % image.GetWidth();
            const int y = std::rand() % image.GetHeight();
            hit(x, y);
        }
    } else {
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) hit(x, y);
    }
}

unsigned RunNoise(CVelora& image, const NoiseArgs& a) {
    return image.Noise(a.noiseMode, a.distributionMode, a.minimum, a.maximum, a.bandMinimum, a.bandMaximum, a.count);
}

void NaiveHoover(CVelora& image, int direction, int cx, int cy, int iterations, unsigned seed) {
    const int width = image.GetWidth();
    std::srand(seed);
    for (int n = 0; n < iterations; ++n)
        for (int k = 0; k < 50000; ++k) {
            const double angle = (std::rand() & 0x7FFF) * 6.28318 * 3.0517578125e-5;
            const double r = std::rand() % width;
            const double c = std::cos(angle), s = std::sin(angle);
            const auto px = std::int32_t(std::trunc(c * r + cx)), py = std::int32_t(std::trunc(s * r + cy));
            const auto qx = std::int32_t(std::trunc((r - 1) * c + cx)), qy = std::int32_t(std::trunc((r - 1) * s + cy));
            if (!image.IsValidPoint(px, py)) continue;
            if (direction == 0) {
                if (image.IsValidPoint(qx, qy)) image.SetPixel(qx, qy, image.GetPixel(px, py));
            } else {
                // Outside the picture a read gives all ones: the last index, or white.
                image.SetPixel(px, py, std::min(image.GetPixel(qx, qy), LastIndex(image)));
            }
        }
}

std::vector<Subject> NoiseSubjects(unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<Subject> subjects;
    for (int depth : {1, 4, 8, 24, 32})
        subjects.push_back({std::to_string(depth) + " bits", RandomImage(37, 23, depth, unsigned(rng()), depth == 8)});
    subjects.push_back({"8 bits, 16 entries", ShortTableImage(37, 23, 8, 16, true, rng)});
    return subjects;
}

}  // namespace

TEST(Noise, EveryModeMatchesTheRuleDrawForDrawOnEveryDepth) {
    for (const Subject& subject : NoiseSubjects(1)) {
        const int depth = subject.image.GetBitCount(), top = depth == 1 ? 1 : depth == 4 ? 15 : 255;
        InfoHistogram info;
        ASSERT_EQ(subject.image.GetInfoHistogram(info), 0u);
        const int low = info.lowest[0].level, high = info.highest[0].level, middle = (low + high) / 2;
        const NoiseArgs cases[] = {
            {0, 0, -top, top, low, high, 300},          // random picks, whole range
            {0, 1, -top, top, low, high, 1},            // every pixel
            {1, 0, 0, 1, low, middle, 500},             // coloured: only the lower half of the levels
            {1, 1, -top / 2 - 1, top, middle, high, 1}, // coloured, every pixel
        };
        for (const NoiseArgs& a : cases) {
            SCOPED_TRACE(subject.label + " mode " + std::to_string(a.noiseMode) + "/" + std::to_string(a.distributionMode));
            CVelora fast = subject.image, naive = subject.image;
            velora::SetFixedRandomSeed(4242);
            EXPECT_EQ(RunNoise(fast, a), 0u);
            velora::SetFixedRandomSeed(std::nullopt);
            NaiveNoise(naive, a, 4242);
            EXPECT_EQ(Block(fast), Block(naive));
        }
    }
}

TEST(Noise, RefusalsInTheirOrder) {
    const CVelora source = RandomImage(31, 17, 24, 8);
    InfoHistogram info;
    source.GetInfoHistogram(info);
    const int low = info.lowest[0].level, high = info.highest[0].level;
    const int pixels = 31 * 17;
    struct Case {
        int depth;
        NoiseArgs args;
        unsigned code;
    };
    const Case cases[] = {
        {24, {0, 0, 1, 1, 0, 255, 1}, 4},      // minimum not below maximum
        {4, {0, 0, -16, 1, 0, 255, 1}, 4},     // below -top
        {1, {0, 0, 0, 2, 0, 255, 1}, 4},       // above top
        {24, {1, 0, -1, 1, low - 1, high, 1}, 5},
        {24, {1, 0, -1, 1, low, high + 1, 1}, 5},
        {24, {1, 0, -1, 1, high, low, 1}, 5},
        {24, {0, 0, -1, 1, 0, 255, 0}, 6},
        {24, {0, 1, -1, 1, 0, 255, pixels + 1}, 6},
        {24, {0, 0, -1, 1, low - 1, high + 1, pixels}, 0},  // white noise takes any band
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        CVelora image = c.depth == 24 ? source : RandomImage(31, 17, c.depth, 3);
        EXPECT_EQ(RunNoise(image, c.args), c.code);
    }
}

TEST(Hoover, BothDirectionsMatchTheRuleDrawForDrawOnEveryDepth) {
    for (const Subject& subject : NoiseSubjects(2)) {
        const int w = subject.image.GetWidth(), h = subject.image.GetHeight();
        for (const auto& [direction, cx, cy, iterations] :
             {std::tuple{0, w / 2, h / 2, 2}, std::tuple{1, w / 2, h / 2, 1}, std::tuple{1, 0, h - 1, 2},
              std::tuple{0, w - 1, 0, 1}}) {
            SCOPED_TRACE(testing::Message() << subject.label << " direction " << direction << " from " << cx << "," << cy);
            CVelora fast = subject.image, naive = subject.image;
            velora::SetFixedRandomSeed(31337);
            EXPECT_EQ(fast.Hoover(direction, cx, cy, iterations), 0u);
            velora::SetFixedRandomSeed(std::nullopt);
            NaiveHoover(naive, direction, cx, cy, iterations, 31337);
            EXPECT_EQ(Block(fast), Block(naive));
        }
    }
}

TEST(Hoover, RefusesInItsOrder) {
    const CVelora image = RandomImage(20, 10, 8, 4);
    struct Case {
        bool sixteen;
        int direction, column, row, iterations;
        unsigned code;
    };
    for (const Case& c : {Case{true, 2, 50, 50, 0, 1}, Case{true, 0, 20, 0, 0, 2},
                          Case{false, 1, 0, -1, 1, 2}, Case{true, 1, 19, 9, 0, 3}, Case{true, 0, 0, 0, 1, 4},
                          Case{false, 0, 0, 0, 2147483647, 6}}) {  // days of work, refused at once
        CVelora subject = c.sixteen ? SixteenBitImage(20, 10) : image;
        EXPECT_EQ(subject.Hoover(c.direction, c.column, c.row, c.iterations), c.code);
    }
}

TEST(RandomSeed, RunDrawsGiveTheCGeneratorsValues) {
    // Seeds at the edges of the seeding arithmetic: 0 (taken as 1), words that turn negative.
    for (const unsigned seed : {0u, 1u, 2024u, 2147483647u, 2147483648u, 4294967295u, 1765000000u}) {
        SCOPED_TRACE(seed);
        velora::RunDraws draws(seed);
        std::srand(seed);
        std::vector<int> expected(300000);
        for (int& v : expected) v = std::rand();
        int mismatches = 0;
        for (const int v : expected) mismatches += draws() != v;
        EXPECT_EQ(mismatches, 0);
    }
}
