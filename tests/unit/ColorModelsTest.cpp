// Colour models: known values at the edges of each model, round trips over many colours,
// refused range codes, and channel separation against a pixel-by-pixel evaluation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

#include "CVelora.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

int Distance(const RGBQUAD& a, std::uint32_t colour) {
    return std::max({std::abs(int(a.rgbRed) - int((colour >> 16) & 0xFF)),
                     std::abs(int(a.rgbGreen) - int((colour >> 8) & 0xFF)), std::abs(int(a.rgbBlue) - int(colour & 0xFF))});
}

}  // namespace

TEST(ColorModel, KnownValuesAtTheEdges) {
    float v[4];
    CVelora::RGBToHSV(v, 0x000000, 1);
    EXPECT_EQ(v[0], 254.0f);
    EXPECT_EQ(v[1], 0.0f);
    EXPECT_EQ(v[2], 0.0f);
    CVelora::RGBToHSV(v, 0x000000, 2);
    EXPECT_EQ(v[0], 359.0f);

    CVelora::RGBToHSL(v, 0x646464, 1);
    EXPECT_EQ(v[0], 170.0f);
    EXPECT_EQ(v[1], 0.0f);
    EXPECT_FLOAT_EQ(v[2], 100.5f);

    CVelora::RGBToCMYK(v, 0xFFFFFF, 1);
    EXPECT_TRUE(v[0] == 0 && v[1] == 0 && v[2] == 0 && v[3] == 0);
    CVelora::RGBToCMYK(v, 0x000000, 1);
    EXPECT_EQ(v[3], 255.0f);
    CVelora::RGBToCMYK(v, 0x000000, 2);
    EXPECT_EQ(v[3], 1.0f);
    CVelora::RGBToCMYK(v, 0x808080, 1);
    RGBQUAD back{};
    CVelora::CMYKToRGB(&back, v, 1);  // K comes on top of unreduced C, M, Y
    EXPECT_TRUE(back.rgbRed == 64 && back.rgbGreen == 64 && back.rgbBlue == 64);

    CVelora::RGBToYCbCr(v, 0xFFFFFF, 2);
    EXPECT_NEAR(v[0], 235, 0.1);
    EXPECT_NEAR(v[1], 128, 0.1);
    EXPECT_NEAR(v[2], 128, 0.1);
    CVelora::RGBToYCbCr(v, 0xFFFFFF, 1);
    EXPECT_NEAR(v[0], 255, 0.1);

    // Black in LUV has no chromaticity: a defined 0, not 0 / 0; L = 0 back is black.
    CVelora::RGBToLUV(v, 0x000000, 1);
    EXPECT_TRUE(std::isfinite(v[1]) && std::isfinite(v[2]));
    EXPECT_NEAR(v[1], 0, 1e-3);
    const float dark[3] = {0, 12, -40};
    float xyz[3] = {9, 9, 9};
    ASSERT_NE(CVelora::LUVToXYZ(xyz, dark, 1, 1), nullptr);
    EXPECT_TRUE(xyz[0] == 0 && xyz[1] == 0 && xyz[2] == 0);
}

TEST(ColorModel, BadRangeCodesReturnNullAndLeaveTheOutputAlone) {
    float v[4] = {7, 7, 7, 7};
    EXPECT_EQ(CVelora::RGBToCMYK(v, 0x123456, 3), nullptr);
    EXPECT_EQ(CVelora::RGBToHSI(v, 0x123456, 0), nullptr);
    EXPECT_EQ(CVelora::RGBToYIQ(v, 0x123456, 5), nullptr);
    EXPECT_EQ(CVelora::RGBToYUV(v, 0x123456, 6), nullptr);
    EXPECT_EQ(CVelora::RGBToYCbCr(v, 0x123456, 3), nullptr);
    EXPECT_EQ(CVelora::XYZToLAB(v, v, 4, 1), nullptr);
    EXPECT_EQ(CVelora::LABToXYZ(v, v, 1, 0), nullptr);
    EXPECT_TRUE(v[0] == 7 && v[1] == 7 && v[2] == 7 && v[3] == 7);
    RGBQUAD c{1, 2, 3, 4};
    EXPECT_EQ(CVelora::HSVToRGB(&c, v, 9), nullptr);
    EXPECT_TRUE(c.rgbBlue == 1 && c.rgbReserved == 4);
    EXPECT_FALSE(CVelora::ToModel(11, 0, v));
    EXPECT_EQ(FindColorModel(11), nullptr);
    EXPECT_STREQ(FindColorModel(kModelCIEXYZ)->shortName, "CIEXYZ");
}

TEST(ColorModel, RoundTripsReturnTheColourWithinTheirTolerance) {
    // Measured worst cases over random colours and the corners of the cube; the integer
    // flavoured HSL and the truncating YUV lose the most. CMYK applies K on top of C, M
    // and Y, so only colours with K = 0 (one channel at 255) come back.
    const int tolerance[kColorModelCount] = {0, 1, 2, 1, 6, 2, 4, 2, 1, 2, 2};
    std::mt19937 random(11);
    std::vector<std::uint32_t> colours = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080, 0x010203};
    for (int i = 0; i < 5000; ++i) colours.push_back(random() & 0xFFFFFF);
    for (int model = 0; model < kColorModelCount; ++model) {
        int worst = 0;
        for (std::uint32_t colour : colours) {
            const bool full = (colour & 0xFF) == 0xFF || (colour & 0xFF00) == 0xFF00 || (colour & 0xFF0000) == 0xFF0000;
            if (model == kModelCMYK && !full) continue;
            float components[4] = {};
            ASSERT_TRUE(CVelora::ToModel(model, colour, components));
            for (float c : components) ASSERT_TRUE(std::isfinite(c)) << model << " " << colour;
            RGBQUAD back{};
            ASSERT_TRUE(CVelora::FromModel(model, components, back));
            worst = std::max(worst, Distance(back, colour));
        }
        EXPECT_LE(worst, tolerance[model]) << FindColorModel(model)->name;
    }
    // The other ranges come back the same way as range 1.
    for (std::uint32_t colour : {0x3A7FC0u, 0xF01008u, 0x0u}) {
        float v[4];
        RGBQUAD back{};
        for (int range = 1; range <= 3; ++range) {
            CVelora::HSVToRGB(&back, CVelora::RGBToHSV(v, colour, range), range);
            EXPECT_LE(Distance(back, colour), 1) << range;
            CVelora::XYZToRGB(&back, CVelora::RGBToXYZ(v, colour, range), range);
            EXPECT_LE(Distance(back, colour), 1) << range;
        }
        for (int range = 1; range <= 4; ++range) {
            CVelora::YIQToRGB(&back, CVelora::RGBToYIQ(v, colour, range), range);
            EXPECT_LE(Distance(back, colour), 2) << range;
        }
    }
}

TEST(ColorModel, SplitChannelsMatchesTheConversionOfEveryPixel) {
    for (int depth : {1, 4, 8, 24, 32})
        for (int model : {int(kModelRGB), int(kModelCMYK), int(kModelHSI), int(kModelCIELAB)}) {
            const CVelora source = RandomImage(13, 7, depth, unsigned(depth + model));
            std::vector<CVelora> parts;
            for (int i = 0; i < 4; ++i) parts.push_back(CVelora::WithTable(13, 7, 8, 256));
            ASSERT_EQ(source.SplitChannels(model, &parts[0], &parts[1], &parts[2], &parts[3]), 0u);
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 13; ++x) {
                    RGBQUAD c{};
                    source.GetRGBPixel(x, y, c);
                    float expected[4] = {float(c.rgbRed), float(c.rgbGreen), float(c.rgbBlue), float(source.GetAlfa(x, y))};
                    if (model == kModelRGB && depth < 8) {
                        const std::uint32_t index = source.GetPixel(x, y);
                        expected[0] = expected[1] = expected[2] = float(depth == 1 ? index * 255 : index * 255 / 15);
                    } else if (model != kModelRGB) {
                        CVelora::ToModel(model, (std::uint32_t(c.rgbRed) << 16) | (c.rgbGreen << 8) | c.rgbBlue, expected);
                    }
                    const int count = model == kModelCMYK || (model == kModelRGB && depth == 32) ? 4 : 3;
                    for (int i = 0; i < count; ++i)
                        ASSERT_EQ(int(parts[std::size_t(i)].GetPixel(x, y)), std::clamp(int(std::trunc(expected[i])), 0, 255))
                            << depth << " model " << model << " part " << i;
                }
            EXPECT_TRUE(parts[0].IsGray());
        }
    const CVelora source = RandomImage(8, 8, 24, 1);
    CVelora a = CVelora::WithTable(8, 8, 8, 256), b = a, c = a, wrongSize = CVelora::WithTable(8, 9, 8, 256);
    CVelora wrongDepth(nullptr, nullptr, 8, 8, 24);
    EXPECT_EQ(source.SplitChannels(kModelHSV, &a, &b, nullptr, nullptr), 2u);
    EXPECT_EQ(source.SplitChannels(kModelCMYK, &a, &b, &c, nullptr), 2u);  // K has nowhere to go
    EXPECT_EQ(source.SplitChannels(kModelHSV, &a, &b, &wrongSize, nullptr), 3u);
    EXPECT_EQ(source.SplitChannels(kModelHSV, &a, &wrongDepth, &c, nullptr), 4u);
    EXPECT_EQ(source.SplitChannels(12, &a, &b, &c, nullptr), 5u);
    EXPECT_EQ(CVelora(nullptr, nullptr, 8, 8, 16).SplitChannels(kModelRGB, &a, &b, &c, nullptr), 1u);
}
