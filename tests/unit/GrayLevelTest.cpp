// Slicing, bit planes, bands, false colour, balance: against their rules per pixel on every depth and table.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <random>

#include "CVelora.h"
#include "Subjects.h"
#include "TestImages.h"

using namespace testing_support;

TEST(GrayLevelSlice, MatchesTheRuleOnEveryDepth) {
    std::mt19937 rng(11);
    for (const Subject& s : Subjects(1)) {
        const int depth = s.image.GetBitCount();
        if (depth == 1) continue;
        const int levels = depth == 4 ? 16 : 256;
        for (int trial = 0; trial < 6; ++trial) {
            int lo = int(rng() % levels), hi = int(rng() % levels);
            if (lo > hi) std::swap(lo, hi);
            const int mode = trial % 2, in = int(rng() % levels), out = int(rng() % levels);
            SCOPED_TRACE(testing::Message() << s.label << " mode " << mode << " [" << lo << "," << hi << "] -> " << in << "/" << out);
            auto level = [&](int v) { return v >= lo && v <= hi ? in : mode == 0 ? out : v; };
            CVelora image = s.image;
            ASSERT_EQ(image.GrayLevelSlice(mode, lo, hi, in, out), 0u);
            if (depth <= 8) {
                ExpectIndices(image, s.image, [&](std::uint32_t v) { return std::uint32_t(level(int(v))); });
            } else {
                const CVelora expected = EachPixel(s.image, [&](std::uint32_t v) { return EachByte(v, level); });
                ASSERT_EQ(Block(image), Block(expected));
            }
        }
    }
}

TEST(GrayLevelSlice, RefusalsInOrder) {
    CVelora image = RandomImage(5, 3, 8, 2, true);
    for (auto [mode, lo, hi, in, out, code] : {std::tuple{2, 300, 0, -1, 999, 2u}, {0, 300, 0, -1, 999, 3u},
                                               {0, 0, 256, 0, 0, 3u}, {0, 0, 255, 256, 999, 4u},
                                               {0, 0, 255, 0, -1, 5u}})
        EXPECT_EQ(image.GrayLevelSlice(mode, lo, hi, in, out), code) << mode << " " << lo << " " << hi;
    CVelora one = RandomImage(5, 3, 1, 2);
    EXPECT_EQ(one.GrayLevelSlice(9, 0, 0, 0, 0), 1u);
    // Four bits take levels below 16 only.
    CVelora four = RandomImage(5, 3, 4, 2, true);
    EXPECT_EQ(four.GrayLevelSlice(0, 0, 16, 0, 0), 3u);
    EXPECT_EQ(four.GrayLevelSlice(0, 0, 15, 16, 0), 4u);
    EXPECT_EQ(four.GrayLevelSlice(0, 0, 15, 15, 0), 0u);
}

TEST(EraseBitPlanes, MatchesTheMaskOnEveryDepthSixteenBitsIncluded) {
    std::mt19937 rng(5);
    for (const Subject& s : Subjects(2, true)) {
        const unsigned depth = s.image.GetBitCount();
        for (int trial = 0; trial < 4; ++trial) {
            std::array<int, 24> flags{};
            std::uint32_t cleared = 0;
            for (unsigned p = 0; p < 24; ++p)
                if (rng() % 3 == 0) flags[23 - p] = 1, cleared |= 1u << p;
            if (trial == 0) flags[0] = 2, cleared &= ~(1u << 23);  // only 1 erases
            SCOPED_TRACE(s.label + " cleared " + std::to_string(cleared));
            CVelora image = s.image;
            ASSERT_EQ(image.EraseBitPlanes(flags), 0u);
            if (depth == 16) {
                for (int y = 0; y < image.GetHeight(); ++y)
                    for (int x = 0; x < image.GetWidth(); ++x) ASSERT_EQ(AnyPixel(image, x, y), AnyPixel(s.image, x, y) & ~cleared & 0xFFFFu);
                continue;
            }
            const std::uint32_t all = depth >= 24 ? 0xFFFFFFu : (1u << depth) - 1;
            const CVelora expected = EachPixel(s.image, [&](std::uint32_t v) { return v & all & ~cleared; });
            ASSERT_EQ(Block(image), Block(expected));
        }
    }
}

TEST(ExtractBitPlane, WhiteWhereTheBitIsSetOnEveryDepth) {
    for (const Subject& s : Subjects(3, true)) {
        const int depth = s.image.GetBitCount();
        const int planes = depth == 32 ? 24 : depth;
        for (int p = 0; p < planes; ++p) {
            SCOPED_TRACE(s.label + " plane " + std::to_string(p));
            CVelora image = s.image;
            image.SetName("foto.bmp");
            ASSERT_EQ(image.ExtractBitPlane(p), 0u);
            CVelora expected(nullptr, nullptr, s.image.GetWidth(), s.image.GetHeight(), 1);
            const RGBQUAD blackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
            expected.SetPalette(blackWhite);
            for (int y = 0; y < s.image.GetHeight(); ++y)
                for (int x = 0; x < s.image.GetWidth(); ++x) expected.SetPixel(x, y, (AnyPixel(s.image, x, y) >> p) & 1u);
            ASSERT_EQ(Block(image), Block(expected));
            EXPECT_EQ(image.GetName(), "foto.bmp");
        }
        CVelora image = s.image;
        EXPECT_EQ(image.ExtractBitPlane(planes), 1u);
        EXPECT_EQ(image.ExtractBitPlane(-1), 1u);
    }
}

TEST(GrayBands, MatchesTheRuleOnEveryDepth) {
    for (const Subject& s : Subjects(4)) {
        const int depth = s.image.GetBitCount();
        if (depth != 8 && depth < 24) continue;  // refused: CatalogTest
        for (int n : {2, 3, 4, 7, 24, 100, 128}) {
            SCOPED_TRACE(s.label + " n " + std::to_string(n));
            CVelora image = s.image;
            ASSERT_EQ(image.GrayBands(n), s.image.IsGray() ? 0u : 3u);
            if (!s.image.IsGray()) continue;
            const int step = 256 / n;
            auto band = [&](int v) { return std::min(v / step, n - 1) * step + step / 2; };
            if (depth == 8) {
                ExpectIndices(image, s.image, [&](std::uint32_t v) { return std::uint32_t(band(int(v))); });
            } else {
                // From the red byte, written to all three.
                const CVelora expected = EachPixel(s.image, [&](std::uint32_t v) { return std::uint32_t(band(int(v >> 16))) * 0x010101u; });
                ASSERT_EQ(Block(image), Block(expected));
            }
        }
    }
    // Rows long enough for the vector kernels; one colour pixel at the very end refuses the whole image.
    std::mt19937 rng(12);
    for (int depth : {24, 32}) {
        const CVelora gray = GrayDirect(131, 3, depth, rng);
        CVelora image = gray;
        ASSERT_EQ(image.GrayBands(24), 0u);
        const CVelora expected = EachPixel(gray, [](std::uint32_t v) { return std::uint32_t(std::min(int(v >> 16) / 10, 23) * 10 + 5) * 0x010101u; });
        EXPECT_EQ(Block(image), Block(expected)) << depth;
        CVelora tinted = gray;
        tinted.SetPixel(130, 0, (tinted.GetPixel(130, 0) & 0xFFFF00u) | ((tinted.GetPixel(130, 0) + 1) & 0xFFu));
        const auto before = Block(tinted);
        EXPECT_EQ(tinted.GrayBands(24), 3u) << depth;
        EXPECT_EQ(Block(tinted), before) << depth;  // nothing done before the last pixel was read
    }
    CVelora four4 = RandomImage(4, 4, 4, 1, true);
    EXPECT_EQ(four4.GrayBands(300), 1u);  // the count before the depth
}

TEST(FalseColorAndBalance, MatchTheirRulesOnEveryDepth) {
    auto red = [](int v) { return v < 128 ? 254 - 2 * v : 0; };
    auto green = [](int v) { return v < 128 ? 2 * v : 511 - 2 * v; };
    auto blue = [](int v) { return v < 128 ? 0 : 2 * v - 256; };
    std::mt19937 rng(9);
    for (const Subject& s : Subjects(5)) {
        SCOPED_TRACE(s.label);
        CVelora image = s.image;
        ASSERT_EQ(image.FalseColor(), 0u);
        ASSERT_EQ(Block(image), Block(KeepAlpha(EachColour(s.image, red, green, blue), s.image)));

        const int r = int(rng() % 201) - 100, g = int(rng() % 201) - 100, b = int(rng() % 201) - 100;
        SCOPED_TRACE("balance " + std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b));
        CVelora balanced = s.image;
        if (s.image.GetBitCount() == 1) continue;  // refused: CatalogTest
        ASSERT_EQ(balanced.ColorBalance(r, g, b), 0u);
        auto add = [](int percent) { return [d = 255 * percent / 100](int v) { return std::clamp(v + d, 0, 255); }; };
        ASSERT_EQ(Block(balanced), Block(KeepAlpha(EachColour(s.image, add(r), add(g), add(b)), s.image)));
    }
}

TEST(FalseColorAndBalance, BalanceRefusesTheRangeBeforeTheDepth) { EXPECT_EQ(RandomImage(3, 3, 1, 1).ColorBalance(0, 500, 0), 1u); }
