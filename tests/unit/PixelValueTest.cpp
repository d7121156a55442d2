// Whole-image pixel writes (by value, by colour, alpha) against the accessors pixel by pixel, padding included.
#include <gtest/gtest.h>

#include <functional>

#include "CVelora.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

// Odd widths, so that partial bytes and padding are there.
const int kDepths[] = {1, 4, 8, 24, 32};
constexpr int kWidth = 37, kHeight = 9;

CVelora EachPixelSet(CVelora image, const std::function<void(CVelora&, int, int)>& set) {
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) set(image, x, y);
    return image;
}

}  // namespace

TEST(Fill, ByValueAndByColourWriteWhatTheAccessorsWriteAndNothingElse) {
    const RGBQUAD colour{10, 200, 77, 0};
    for (int depth : kDepths) {
        for (std::uint32_t value : {0u, 1u, 0x5u, 0xC3u, 0x123456u}) {
            SCOPED_TRACE("depth " + std::to_string(depth) + " value " + std::to_string(value));
            const CVelora source = RandomImage(kWidth, kHeight, depth, unsigned(depth) + value);
            const CVelora naive = EachPixelSet(source, [&](CVelora& im, int x, int y) { im.SetPixel(x, y, value); });
            CVelora fast = source, filled = source;
            ASSERT_EQ(fast.Initialize(value), 0u);
            EXPECT_EQ(Block(fast), Block(naive));
            const bool inTable = depth > 8 || value < source.GetNumColors();
            EXPECT_EQ(filled.FillIndex(value), inTable ? 0u : 2u);
            EXPECT_EQ(Block(filled), Block(inTable ? naive : source));
        }
        const CVelora source = RandomImage(kWidth, kHeight, depth, unsigned(depth) * 3);
        CVelora fast = source;
        ASSERT_EQ(fast.InitializeRGB(colour), 0u);
        EXPECT_EQ(Block(fast), Block(EachPixelSet(source, [&](CVelora& im, int x, int y) { im.SetRGBPixel(x, y, colour); })));
    }
    // A table shorter than the depth allows ends the indices sooner.
    CVelora image = CVelora::WithTable(5, 3, 8, 16);
    const auto before = Block(image);
    EXPECT_EQ(image.FillIndex(16), 2u);
    EXPECT_EQ(Block(image), before);
    EXPECT_EQ(image.FillIndex(15), 0u);
    EXPECT_EQ(image.GetPixel(4, 2), 15u);
}

TEST(Alpha, SetInvertAndMeanOfTheColourLeaveTheColours) {
    const CVelora source = RandomImage(kWidth, kHeight, 32, 5);
    CVelora set = source, inverted = source, mean = source;
    ASSERT_EQ(set.SetAlfa(std::uint8_t(9)), 0u);
    ASSERT_EQ(inverted.AlphaOperation(2), 0u);
    ASSERT_EQ(mean.AlphaOperation(3), 0u);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const RGBQUAD c = Colour(source, x, y);
            ASSERT_EQ(set.GetAlfa(x, y), 9);
            ASSERT_EQ(inverted.GetAlfa(x, y), 255 - source.GetAlfa(x, y));
            ASSERT_EQ(mean.GetAlfa(x, y), (c.rgbRed + c.rgbGreen + c.rgbBlue) / 3);
            for (const CVelora* image : {&set, &inverted, &mean}) ASSERT_EQ(image->GetPixel(x, y), source.GetPixel(x, y));
        }
}
