// Whole-image writes of pixel values: filling by value and by colour, the alpha channel.
// The row-wise fills are checked against the accessors pixel by pixel, padding included.
#include <gtest/gtest.h>

#include "CVelora.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

std::vector<std::uint8_t> BlockOf(const CVelora& image) {
    return {image.GetDIB(), image.GetDIB() + image.GetDibSize()};
}

// Odd widths, so that partial bytes and padding are there.
const int kDepths[] = {1, 4, 8, 24, 32};
constexpr int kWidth = 37, kHeight = 9;

}  // namespace

TEST(Fill, ByValueWritesWhatSetPixelWritesAndNothingElse) {
    for (int depth : kDepths)
        for (std::uint32_t value : {0u, 1u, 0x5u, 0xC3u, 0x123456u}) {
            SCOPED_TRACE("depth " + std::to_string(depth) + " value " + std::to_string(value));
            const CVelora source = RandomImage(kWidth, kHeight, depth, unsigned(depth) + value);
            CVelora naive = source;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) naive.SetPixel(x, y, value);
            CVelora fast = source;
            ASSERT_EQ(fast.Initialize(value), 0u);
            EXPECT_EQ(BlockOf(fast), BlockOf(naive));

            CVelora filled = source;
            const bool inTable = depth > 8 || value < source.GetNumColors();
            EXPECT_EQ(filled.FillIndex(value), inTable ? 0u : 2u);
            EXPECT_EQ(BlockOf(filled), BlockOf(inTable ? naive : source));
        }
}

TEST(Fill, AnIndexBeyondAShortColourTableIsRefused) {
    CVelora image = CVelora::WithTable(5, 3, 8, 16);
    const auto before = BlockOf(image);
    EXPECT_EQ(image.FillIndex(16), 2u);
    EXPECT_EQ(BlockOf(image), before);
    EXPECT_EQ(image.FillIndex(15), 0u);
    EXPECT_EQ(image.GetPixel(4, 2), 15u);
}

TEST(Fill, ByColourWritesWhatSetRGBPixelWrites) {
    const RGBQUAD colour{10, 200, 77, 0};
    for (int depth : kDepths) {
        SCOPED_TRACE(depth);
        const CVelora source = RandomImage(kWidth, kHeight, depth, unsigned(depth) * 3);
        CVelora naive = source;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) naive.SetRGBPixel(x, y, colour);
        CVelora fast = source;
        ASSERT_EQ(fast.InitializeRGB(colour), 0u);
        EXPECT_EQ(BlockOf(fast), BlockOf(naive));
    }
}

TEST(Alpha, EveryPixelGetsTheValueAndColoursStay) {
    const CVelora source = RandomImage(kWidth, kHeight, 32, 4);
    CVelora image = source;
    ASSERT_EQ(image.SetAlfa(std::uint8_t(9)), 0u);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            ASSERT_EQ(image.GetAlfa(x, y), 9);
            ASSERT_EQ(image.GetPixel(x, y), source.GetPixel(x, y));
        }
}

TEST(Alpha, InvertAndMeanOfTheColour) {
    const CVelora source = RandomImage(kWidth, kHeight, 32, 5);
    CVelora inverted = source, mean = source;
    ASSERT_EQ(inverted.AlphaOperation(2), 0u);
    ASSERT_EQ(mean.AlphaOperation(3), 0u);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            RGBQUAD c{};
            source.GetRGBPixel(x, y, c);
            ASSERT_EQ(inverted.GetAlfa(x, y), 255 - source.GetAlfa(x, y));
            ASSERT_EQ(mean.GetAlfa(x, y), (c.rgbRed + c.rgbGreen + c.rgbBlue) / 3);
            ASSERT_EQ(mean.GetPixel(x, y), source.GetPixel(x, y));
        }
}
