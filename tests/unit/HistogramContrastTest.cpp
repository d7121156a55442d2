// Histogram, equalization and non-linear contrast: the defined values at the edges, and the
// row-wise and tabulated paths against a pixel-by-pixel evaluation of the formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "CVelora.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

CVelora Filled24(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    CVelora image(nullptr, nullptr, width, height, 24);
    image.InitializeRGB(RGBQUAD{b, g, r, 0});
    return image;
}

// The transfer function evaluated as written, for the RGB path.
int Transfer(int function, int x, int L, double M, float alpha) {
    switch (function) {
        case 0: return x * x / L;
        case 1: return int(std::int64_t(x) * x * x / (std::int64_t(L) * L));
        case 2: return int(std::sqrt(float(x * L)));
        case 3: return int(std::pow(float(x * L * L), 0.333333f));
        case 4: return int(std::log(float(x + 1)) / std::log(float(L + 1)) * float(L));
        default: {
            if (alpha == 0) return int(x * 2 * M / L);
            const double a = alpha * 3.1415926535;
            const double t = (double(x) / L - 0.5) * a;
            const double v = function == 5 ? std::sin(t) * M / std::sin(a * 0.5) + M : std::tan(t) * M / std::tan(a * 0.5) + M;
            return int(v);
        }
    }
}

struct Recorder : CStepProgress {
    std::vector<std::string> log;
    void EnableControls(bool enabled) override { log.push_back(enabled ? "enable" : "disable"); }
    void SetProgressText(const std::string& text) override { log.push_back(text); }
    void ShowWorkingImage(const CVelora&) override { log.push_back("show"); }
    void Pause(unsigned ms) override { log.push_back("pause " + std::to_string(ms)); }
};

}  // namespace

TEST(Histogram, CountsLuminanceAndChannelsAndScalesForDrawing) {
    HistogramTable table;
    const CVelora flat = Filled24(7, 3, 10, 20, 30);
    ASSERT_EQ(flat.Histogram(table, 0), 0u);
    EXPECT_EQ(table[20][0], 21);
    EXPECT_EQ(table[10][1], 21);
    EXPECT_EQ(table[20][2], 21);
    EXPECT_EQ(table[30][3], 21);

    for (int depth : {1, 4, 8, 24, 32}) {
        const CVelora image = RandomImage(37, 11, depth, unsigned(depth));
        HistogramTable expected{};
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 37; ++x) {
                RGBQUAD c{};
                image.GetRGBPixel(x, y, c);
                const std::uint32_t level = depth < 24 ? image.GetPixel(x, y) : (c.rgbRed + c.rgbGreen + c.rgbBlue) / 3u;
                ++expected[level][0], ++expected[c.rgbRed][1], ++expected[c.rgbGreen][2], ++expected[c.rgbBlue][3];
            }
        ASSERT_EQ(image.Histogram(table, 0), 0u);
        EXPECT_EQ(table, expected) << depth;
        ASSERT_EQ(image.Histogram(table, 100), 0u);
        for (std::size_t channel = depth < 24 ? 0 : 1; channel < 4; ++channel) {
            int top = 0;
            for (const auto& level : table) top = std::max(top, level[channel]);
            EXPECT_EQ(top, 100) << depth << " " << channel;
        }
        if (depth >= 24) {
            EXPECT_EQ(table[0][0], expected[0][0]);
        }  // direct colour: luminance unscaled
    }
    EXPECT_EQ(CVelora(nullptr, nullptr, 4, 4, 16).Histogram(table, 0), 1u);
}

TEST(Histogram, InfoGivesRangeAndTheLowerModeOnATie) {
    CVelora image = CVelora::WithTable(4, 2, 8, 256);
    const std::uint32_t levels[8] = {9, 9, 40, 40, 200, 7, 7, 250};
    for (int i = 0; i < 8; ++i) image.SetPixel(i % 4, i / 4, levels[i]);
    InfoHistogram info;
    ASSERT_EQ(image.GetInfoHistogram(info), 0u);
    EXPECT_EQ(info.lowest[0].level, 7);
    EXPECT_EQ(info.lowest[0].count, 2);
    EXPECT_EQ(info.highest[0].level, 250);
    EXPECT_EQ(info.highest[0].count, 1);
    EXPECT_EQ(info.mode[0].level, 7);  // 7, 9 and 40 each appear twice
    EXPECT_EQ(info.mode[0].count, 2);
}

TEST(Equalization, RgbFollowsTheCumulativeDistributionWithEachRounding) {
    CVelora uniform = CVelora::WithTable(256, 4, 8, 256);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 256; ++x) uniform.SetPixel(x, y, std::uint32_t(x));
    CVelora classic = uniform, truncated = uniform, upwards = uniform;
    ASSERT_EQ(classic.Equalize(0, 0), 0u);
    ASSERT_EQ(truncated.Equalize(0, 1), 0u);
    ASSERT_EQ(upwards.Equalize(0, 2), 0u);
    EXPECT_EQ(classic.GetPixel(0, 0), 1u);
    EXPECT_EQ(truncated.GetPixel(0, 0), 0u);
    EXPECT_EQ(upwards.GetPixel(0, 0), 1u);
    for (const CVelora* image : {&classic, &truncated, &upwards}) EXPECT_EQ(image->GetPixel(255, 3), 255u);

    CVelora single = CVelora::WithTable(5, 5, 8, 256);
    single.Initialize(77);
    ASSERT_EQ(single.Equalize(0, 1), 0u);
    EXPECT_EQ(single.GetPixel(2, 2), 255u);

    // Direct colour turns gray, driven by red; compare with the formula on random images.
    for (int depth : {1, 4, 8, 24, 32}) {
        const CVelora source = RandomImage(33, 9, depth, 40u + unsigned(depth));
        for (int rounding = 0; rounding < 3; ++rounding) {
            CVelora image = source;
            ASSERT_EQ(image.Equalize(0, rounding), 0u);
            const int k = depth < 24 ? 1 << depth : 256;
            std::vector<int> count(256, 0);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 33; ++x) {
                    RGBQUAD c{};
                    source.GetRGBPixel(x, y, c);
                    ++count[depth < 24 ? int(source.GetPixel(x, y)) : c.rgbRed];
                }
            std::vector<int> mapped(256);
            float cumulative = 0;
            for (int i = 0; i < k; ++i) {
                cumulative += float(count[std::size_t(i)]) / float(33 * 9);
                const float m = float(k - 1) * cumulative;
                const float v = rounding == 1 ? std::floor(m) : rounding == 2 ? std::ceil(m)
                                : (m - std::floor(m) >= 0.5f ? std::ceil(m) : std::floor(m));
                mapped[std::size_t(i)] = std::min(int(v), k - 1);
            }
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 33; ++x) {
                    if (depth < 24) {
                        ASSERT_EQ(image.GetPixel(x, y), std::uint32_t(mapped[source.GetPixel(x, y)]));
                    } else {
                        RGBQUAD c{}, was{};
                        image.GetRGBPixel(x, y, c);
                        source.GetRGBPixel(x, y, was);
                        const auto level = std::uint8_t(mapped[was.rgbRed]);
                        ASSERT_TRUE(c.rgbRed == level && c.rgbGreen == level && c.rgbBlue == level);
                        if (depth == 32) {
                            ASSERT_EQ(image.GetAlfa(x, y), source.GetAlfa(x, y));
                        }
                    }
                }
        }
    }
}

TEST(Equalization, OtherModelsChangeOnlyTheirIntensityAndIndexedImagesTheirPalette) {
    const CVelora source = RandomImage(24, 16, 24, 5);
    for (int model = 1; model < kColorModelCount; ++model) {
        CVelora image = source;
        ASSERT_EQ(image.Equalize(model, 0), 0u) << model;
        EXPECT_NE(Block(image), Block(source)) << model;
    }
    // HSV: hue and saturation survive (within the rounding of the conversions), value spreads out.
    CVelora hsv = source;
    hsv.Equalize(kModelHSV, 0);
    int maxValue = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            float v[3];
            CVelora::RGBToHSV(v, hsv.GetPixel(x, y), 1);
            maxValue = std::max(maxValue, int(v[2]));
        }
    EXPECT_GE(maxValue, 254);

    const CVelora indexed = RandomImage(24, 16, 8, 6);
    CVelora image = indexed;
    ASSERT_EQ(image.Equalize(kModelYUV, 0), 0u);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) ASSERT_EQ(image.GetPixel(x, y), indexed.GetPixel(x, y));
    EXPECT_NE(Block(image), Block(indexed));

    CVelora refused = source;
    EXPECT_EQ(refused.Equalize(11, 0), 2u);
    EXPECT_EQ(refused.Equalize(0, 3), 3u);
    EXPECT_EQ(Block(refused), Block(source));
}

TEST(NonLinearContrast, EdgeValuesOfTheFunctions) {
    const auto map24 = [](int function, float alpha, std::uint8_t value) {
        CVelora image = Filled24(1, 1, value, value, value);
        EXPECT_EQ(image.NonLinearContrast(0, function, alpha), 0u);
        return int(image.GetPixel(0, 0) & 0xFF);
    };
    EXPECT_EQ(map24(0, 0, 255), 255);
    EXPECT_EQ(map24(0, 0, 128), 64);
    EXPECT_EQ(map24(0, 0, 15), 0);
    EXPECT_EQ(map24(3, 0, 0), 0);
    EXPECT_EQ(map24(3, 0, 64), 160);
    EXPECT_EQ(map24(3, 0, 255), 254);
    EXPECT_EQ(map24(4, 0, 0), 0);
    EXPECT_EQ(map24(4, 0, 255), 255);
    EXPECT_EQ(map24(5, 1, 0), 0);
    EXPECT_EQ(map24(5, 1, 255), 255);
    for (int v : {0, 1, 77, 128, 254, 255}) {  // alpha 0: the limit, not 0 / 0
        EXPECT_EQ(map24(5, 0, std::uint8_t(v)), v);
        EXPECT_EQ(map24(6, 0, std::uint8_t(v)), v);
    }

    CVelora indexed = RandomImage(4, 1, 8, 3);
    indexed.SetPixel(0, 0, 16);
    const CVelora before = indexed;
    ASSERT_EQ(indexed.NonLinearContrast(0, 0, 0.5f), 0u);
    EXPECT_EQ(indexed.GetPixel(0, 0), 1u);
    EXPECT_EQ(indexed.GetPaletteSize(), before.GetPaletteSize());

    CVelora refused = before;
    EXPECT_EQ(refused.NonLinearContrast(0, 0, 1.5f), 2u);
    EXPECT_EQ(refused.NonLinearContrast(0, 0, std::nanf("")), 2u);
    EXPECT_EQ(refused.NonLinearContrast(0, 7, 0.5f), 3u);
    EXPECT_EQ(refused.NonLinearContrast(11, 0, 0.5f), 4u);
    EXPECT_EQ(Block(refused), Block(before));
    CVelora oneBit = RandomImage(4, 4, 1, 2);
    EXPECT_EQ(oneBit.NonLinearContrast(0, 0, 0.5f), 1u);
}

TEST(NonLinearContrast, TabulatedPathsMatchTheFormulaOnEveryDepth) {
    for (int depth : {4, 8, 24, 32})
        for (int function = 0; function < 7; ++function)
            for (float alpha : {0.0f, 0.37f, 1.0f}) {
                const CVelora source = RandomImage(19, 5, depth, unsigned(depth * 10 + function));
                CVelora image = source;
                ASSERT_EQ(image.NonLinearContrast(0, function, alpha), 0u);
                const bool indexed = depth < 24;
                const int L = indexed ? (1 << depth) - 1 : 255;
                const double M = indexed ? double(L / 2) : 127.5;
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < 19; ++x) {
                        const std::uint32_t was = source.GetPixel(x, y);
                        std::uint32_t expected = 0;
                        if (indexed) {
                            expected = std::uint32_t(Transfer(function, int(was), L, M, alpha)) & ((1u << depth) - 1);
                        } else {
                            for (int shift : {0, 8, 16})
                                expected |= std::uint32_t(std::clamp(Transfer(function, int((was >> shift) & 0xFF), L, M, alpha), 0, 255)) << shift;
                        }
                        ASSERT_EQ(image.GetPixel(x, y), expected) << depth << " f" << function << " a" << alpha;
                        if (depth == 32) {
                            ASSERT_EQ(image.GetAlfa(x, y), source.GetAlfa(x, y));
                        }
                    }

                CVelora slow = source;
                Recorder progress;
                ASSERT_EQ(slow.NonLinearContrastStepByStep(function, alpha, progress), 0u);
                EXPECT_EQ(Block(slow), Block(image));
            }
}

TEST(NonLinearContrast, StepByStepReportsEveryRow) {
    CVelora image = RandomImage(10, 4, 24, 9);
    Recorder progress;
    ASSERT_EQ(image.NonLinearContrastStepByStep(1, 0.5f, progress), 0u);
    const std::string phase = "  Aplicando FUNCIÓN CÚBICA ... ";
    std::vector<std::string> expected = {"disable", phase};
    for (int percent : {25, 50, 75, 100})
        for (const std::string& entry : {std::string("show"), phase + std::to_string(percent) + "%", std::string("pause 20")})
            expected.push_back(entry);
    expected.push_back("enable");
    expected.push_back("   Operación Finalizada ...         ");
    EXPECT_EQ(progress.log, expected);

    Recorder untouched;
    EXPECT_EQ(image.NonLinearContrastStepByStep(0, -0.1f, untouched), 2u);
    EXPECT_TRUE(untouched.log.empty());
}

TEST(NonLinearContrast, ModelPathsChangeTheIntensityAndKeepGrayGray) {
    const CVelora source = RandomImage(16, 8, 24, 12);
    for (int model = 1; model < kColorModelCount; ++model) {
        CVelora image = source;
        ASSERT_EQ(image.NonLinearContrast(model, 0, 0.5f), 0u) << model;
        EXPECT_NE(Block(image), Block(source)) << model;
    }
    // In HSV the square of V on a gray stays gray and equals the RGB result within rounding.
    CVelora gray = Filled24(2, 2, 128, 128, 128);
    ASSERT_EQ(gray.NonLinearContrast(kModelHSV, 0, 0.5f), 0u);
    RGBQUAD c{};
    gray.GetRGBPixel(0, 0, c);
    EXPECT_EQ(c.rgbRed, c.rgbGreen);
    EXPECT_EQ(c.rgbGreen, c.rgbBlue);
    EXPECT_NEAR(c.rgbRed, 64, 1);
}
