// Histogram, equalization and non-linear contrast: values at the edges, every path against the formulas per pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <array>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "CVelora.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

// A random image with the colours the model paths treat apart: black, grays, white, primaries, near-grays.
CVelora RandomWithEdges(int width, int height, int depth, unsigned seed) {
    CVelora image = RandomImage(width, height, depth, seed);
    const std::uint32_t edges[] = {0x000000, 0xFFFFFF, 0x808080, 0x010101, 0xFEFEFE, 0xFF0000, 0x00FF00, 0x0000FF,
                                   0xFFFF00, 0x00FFFF, 0xFF00FF, 0x010000, 0x000100, 0x000001, 0x7F8080, 0x80807F};
    for (std::size_t i = 0; i < std::size(edges); ++i)
        image.SetPixel(int(i * 7 % std::size_t(width)), int(i % std::size_t(height)), edges[i]);
    return image;
}

// The model components each operation changes: [first, first + count).
int FirstOf(int model) { return model >= kModelHSI && model <= kModelHSL ? 2 : 0; }

// A copy of source whose colours (palette entries, or pixels) went through change in the model.
template <class Change>
CVelora ChangedInModel(const CVelora& source, int model, Change change) {
    CVelora out = source;
    const auto convert = [&](std::uint32_t colour) {
        float v[4] = {};
        CVelora::ToModel(model, colour, v);
        change(v);
        RGBQUAD c{};
        CVelora::FromModel(model, v, c);
        return c;
    };
    if (source.GetBitCount() <= 8) {
        std::vector<RGBQUAD> table = PaletteOf(source);
        for (RGBQUAD& e : table) {
            const RGBQUAD c = convert(Packed(e));
            e = RGBQUAD{c.rgbBlue, c.rgbGreen, c.rgbRed, e.rgbReserved};
        }
        out.SetPalette(table.data());
    } else {
        for (int y = 0; y < source.GetHeight(); ++y)
            for (int x = 0; x < source.GetWidth(); ++x) out.SetPixel(x, y, Packed(convert(ColourAt(source, x, y))));
    }
    return out;
}

// The transfer function as written, for the RGB path (M given: 127.5 or L / 2).
int Transfer(int function, int x, int L, double M, float alpha) {
    switch (function) {
        case 0: return x * x / L;
        case 1: return x * x * x / (L * L);
        case 2: return int(std::sqrt(float(x * L)));
        case 3: return int(std::pow(float(x * L * L), 0.333333f));
        case 4: return int(std::log(float(x + 1)) / std::log(float(L + 1)) * float(L));
        default: {
            if (alpha == 0) return int(x * 2 * M / L);
            const double t = (double(x) / L - 0.5) * alpha * 3.1415926535, half = alpha * 3.1415926535 * 0.5;
            return int(function == 5 ? std::sin(t) * M / std::sin(half) + M : std::tan(t) * M / std::tan(half) + M);
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

TEST(Histogram, CountsEveryDepthAndScalesForDrawing) {
    HistogramTable table;
    for (int depth : {1, 4, 8, 24, 32}) {
        const CVelora image = NoisyImage(150, 11, depth, unsigned(depth));
        HistogramTable expected{};
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 150; ++x) {
                const RGBQUAD c = Colour(image, x, y);
                const std::uint32_t level = depth < 24 ? image.GetPixel(x, y) : (c.rgbRed + c.rgbGreen + c.rgbBlue) / 3u;
                ++expected[level][0], ++expected[c.rgbRed][1], ++expected[c.rgbGreen][2], ++expected[c.rgbBlue][3];
            }
        ASSERT_EQ(image.Histogram(table, 0), 0u);
        EXPECT_EQ(table, expected) << depth;
        for (int scale : {100, std::numeric_limits<std::int32_t>::max()}) {
            ASSERT_EQ(image.Histogram(table, scale), 0u);
            for (std::size_t channel = 0; channel < 4; ++channel) {
                int top = 0, max = 0;
                for (std::size_t level = 0; level < 256; ++level) {
                    top = std::max(top, table[level][channel]);
                    max = std::max(max, expected[level][channel]);
                }
                const bool raw = channel == 0 && depth >= 24;  // direct colour: luminance unscaled
                EXPECT_EQ(top, raw ? max : scale) << depth << " " << channel;
                for (std::size_t level = 0; level < 256 && scale == 100; ++level)
                    ASSERT_EQ(table[level][channel], raw ? expected[level][channel]
                                                         : int(float(expected[level][channel]) / float(max) * 100.0f));
            }
        }
    }
    // 53 of 100 scaled in single precision: 0.53f * 100 = 52.999996, truncated to 52.
    CVelora split = CVelora::WithTable(153, 1, 8, 256);
    for (int x = 100; x < 153; ++x) split.SetPixel(x, 0, 1);
    ASSERT_EQ(split.Histogram(table, 100), 0u);
    EXPECT_TRUE(table[0][0] == 100 && table[1][0] == 52);
    EXPECT_EQ(CVelora(nullptr, nullptr, 4, 4, 16).Histogram(table, 0), 1u);
}

TEST(Histogram, InfoGivesRangeAndTheLowerModeOnATie) {
    CVelora image = CVelora::WithTable(4, 2, 8, 256);
    const std::uint32_t levels[8] = {9, 9, 40, 40, 200, 7, 7, 250};
    for (int i = 0; i < 8; ++i) image.SetPixel(i % 4, i / 4, levels[i]);
    InfoHistogram info;
    ASSERT_EQ(image.GetInfoHistogram(info), 0u);
    EXPECT_TRUE(info.lowest[0].level == 7 && info.lowest[0].count == 2 && info.highest[0].level == 250 && info.highest[0].count == 1);
    EXPECT_TRUE(info.mode[0].level == 7 && info.mode[0].count == 2);  // 7, 9 and 40 each twice
    // A channel without counts gives zeros.
    CVelora gray = CVelora::WithTable(3, 2, 8, 256);
    ASSERT_EQ(gray.GetInfoHistogram(info), 0u);
    EXPECT_TRUE(info.highest[1].level == 0 && info.highest[1].count == 6);
    CVelora red(nullptr, nullptr, 3, 2, 24);
    red.Initialize(0xC80000);
    ASSERT_EQ(red.GetInfoHistogram(info), 0u);
    EXPECT_TRUE(info.highest[3].level == 0 && info.highest[3].count == 6 && info.lowest[1].level == 200);
}

TEST(Histogram, CountsBeyondInt32SaturateAndEqualizationUsesTheExactOnes) {
    // 2^31 + 65536 pixels of level 0 in a 1-bit image (256 MiB).
    CVelora huge(nullptr, nullptr, 65536, 32769, 1);
    ASSERT_TRUE(huge.HasImage());
    HistogramTable table;
    ASSERT_EQ(huge.Histogram(table, 0), 0u);
    EXPECT_EQ(table[0][0], std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(table[1][0], 0);
    ASSERT_EQ(huge.Equalize(0, 1), 0u);  // one level: it becomes k - 1
    EXPECT_EQ(huge.GetPixel(65535, 32768), 1u);
}

TEST(Equalization, RgbFollowsTheCumulativeDistributionWithEachRounding) {
    // One level only: its cumulative sum is 1, the top.
    for (int rounding = 0; rounding < 3; ++rounding) {
        CVelora single = CVelora::WithTable(5, 5, 8, 256);
        single.Initialize(77);
        ASSERT_EQ(single.Equalize(0, rounding), 0u);
        EXPECT_EQ(single.GetPixel(2, 2), 255u);
    }

    // Ten levels once each: the float sum ends at 1.0000001; rounded upwards the top would wrap to 0.
    for (int depth : {4, 8, 24}) {
        CVelora ten(nullptr, nullptr, 10, 1, depth);
        for (std::uint32_t x = 0; x < 10; ++x) ten.SetPixel(int(x), 0, depth == 24 ? x << 16 : x);
        ASSERT_EQ(ten.Equalize(0, 2), 0u);
        EXPECT_EQ(ten.GetPixel(9, 0), depth == 4 ? 15u : depth == 8 ? 255u : 0xFFFFFFu) << depth;
    }

    // Direct colour turns gray, driven by red. 150 wide: words, bytes, a partial byte and padding at 1 bit.
    for (int depth : {1, 4, 8, 24, 32}) {
        const CVelora source = NoisyImage(150, 9, depth, 40u + unsigned(depth));
        const int k = depth < 24 ? 1 << depth : 256;
        std::vector<int> count(256, 0);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 150; ++x) ++count[depth < 24 ? source.GetPixel(x, y) : ColourAt(source, x, y) >> 16];
        for (int rounding = 0; rounding < 3; ++rounding) {
            std::vector<std::uint32_t> mapped(256);
            float cumulative = 0;
            for (int i = 0; i < k; ++i) {
                cumulative += float(count[std::size_t(i)]) / float(150 * 9);
                const float m = float(k - 1) * cumulative, low = std::floor(m);
                const float v = rounding == 1 ? low : rounding == 2 ? std::ceil(m) : m - low >= 0.5f ? std::ceil(m) : low;
                mapped[std::size_t(i)] = std::uint32_t(std::min(int(v), k - 1));
            }
            CVelora expected = source;
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 150; ++x)
                    expected.SetPixel(x, y, depth < 24 ? mapped[source.GetPixel(x, y)]
                                                       : mapped[ColourAt(source, x, y) >> 16] * 0x010101u);
            CVelora image = source;
            ASSERT_EQ(image.Equalize(0, rounding), 0u);
            EXPECT_EQ(Block(image), Block(expected)) << depth << " rounding " << rounding;
        }
    }

    CVelora outsideRgb = RandomImage(5, 5, 24, 1);
    EXPECT_EQ(outsideRgb.Equalize(3, 3), 0u);  // the rounding means nothing there
}

namespace {

// Equalization in a model as defined: each changed component's bins, their distribution rounded, applied.
CVelora EqualizedAsDefined(const CVelora& source, int model) {
    const int width = source.GetWidth(), height = source.GetHeight();
    const int first = FirstOf(model), last = first + (model == kModelCMYK || model == kModelCIEXYZ ? 3 : 1);
    const auto bin = [](float v) { return std::clamp(int(v), 0, 255); };
    std::vector<double> bins(4 * 256);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float v[4] = {};
            CVelora::ToModel(model, ColourAt(source, x, y), v);
            for (int c = first; c < last; ++c) bins[std::size_t(c * 256 + bin(v[c]))] += 1;
        }
    float m[4][256] = {};
    for (int c = first; c < last; ++c) {
        double cumulative = 0;
        for (int i = 0; i < 256; ++i)
            m[c][i] = float(int(255 * (cumulative += bins[std::size_t(c * 256 + i)] / (double(width) * height)) + 0.5));
    }
    return ChangedInModel(source, model, [&](float* v) {
        for (int c = first; c < last; ++c) v[c] = m[c][bin(v[c])];
    });
}

}  // namespace

TEST(Equalization, OtherModelsEqualizeTheirIntensityAsDefined) {
    // A 510-pixel ramp: at level 32 m = 16.999999999999996, where truncation and a float trip part ways.
    const Threads bands(4);
    CVelora ramp(nullptr, nullptr, 510, 1, 24);
    for (std::uint32_t x = 0; x < 510; ++x) ramp.SetPixel(int(x), 0, std::min(x, 255u) * 0x010101u);
    for (int depth : {1, 4, 8, 24, 32, 0, 124})
        for (int model = 1; model < kColorModelCount; ++model) {
            // 124: the per-model loops of direct colour on 64 x 48 and its bands.
            const CVelora source = depth == 0     ? ramp
                                   : depth == 124 ? RandomWithEdges(64, 48, 24, unsigned(model))
                                                  : RandomWithEdges(21, 7, depth, unsigned(depth * 16 + model));
            const CVelora expected = EqualizedAsDefined(source, model);
            for (int rounding = 0; rounding < 3; ++rounding) {  // it means nothing outside RGB
                CVelora image = source;
                ASSERT_EQ(image.Equalize(model, rounding), 0u);
                EXPECT_EQ(Block(image), Block(expected)) << depth << " model " << model;
            }
        }
}

TEST(Equalization, AMillionColoursInTheModelsWithLanesGiveTheDefinition) {
    const CVelora noise = RandomImage(1024, 1024, 24, 78);
    for (int model : {kModelHSV, kModelYIQ, kModelYUV, kModelYCbCr, kModelCIEXYZ, kModelCIELAB, kModelCIELUV}) {
        CVelora image = noise;
        ASSERT_EQ(image.Equalize(model, 0), 0u);
        EXPECT_TRUE(Block(image) == Block(EqualizedAsDefined(noise, model))) << model;
    }
}

TEST(NonLinearContrast, StepByStepRefusesSilentlyAndReportsEveryRow) {
    CVelora refused = RandomImage(4, 1, 8, 3);
    const CVelora before = refused;
    CVelora oneBit = RandomImage(4, 4, 1, 2);
    Recorder untouched;
    EXPECT_EQ(oneBit.NonLinearContrastStepByStep(0, 0.5f, untouched), 1u);
    EXPECT_EQ(refused.NonLinearContrastStepByStep(0, -0.1f, untouched), 2u);
    EXPECT_EQ(refused.NonLinearContrastStepByStep(9, 0.5f, untouched), 3u);
    EXPECT_TRUE(untouched.log.empty());
    EXPECT_EQ(Block(refused), Block(before));

    CVelora image = NoisyImage(7, 3, 24, 9);
    Recorder progress;
    ASSERT_EQ(image.NonLinearContrastStepByStep(1, 0.5f, progress), 0u);
    const std::string phase = "  Aplicando FUNCIÓN CÚBICA ... ";
    std::vector<std::string> expected = {"disable", phase};
    for (int percent : {33, 66, 100})  // truncated, not rounded
        for (const std::string& entry : {std::string("show"), phase + std::to_string(percent) + "%", std::string("pause 20")})
            expected.push_back(entry);
    expected.push_back("enable");
    expected.push_back("   Operación Finalizada ...         ");
    EXPECT_EQ(progress.log, expected);
}

TEST(NonLinearContrast, TabulatedAndStepByStepPathsMatchTheFormulaOnEveryDepth) {
    for (int depth : {4, 8, 24, 32})
        for (int function = 0; function < 7; ++function)
            for (float alpha : {0.0f, 0.37f, 0.9f, 1.0f}) {
                CVelora source = NoisyImage(19, 5, depth, unsigned(depth * 10 + function));
                for (std::uint32_t x = 0; x < 5; ++x)  // the ends, and levels where the cube root lands a hair low
                    source.SetPixel(int(x), 0, (depth == 4 ? std::array{0u, 1u, 7u, 14u, 15u} : std::array{0u, 15u, 64u, 128u, 255u})[x] * (depth < 24 ? 1 : 0x010101u));
                const bool indexed = depth < 24;
                const int L = indexed ? (1 << depth) - 1 : 255;
                const double M = indexed ? double(L / 2) : 127.5;
                CVelora expected = source;
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < 19; ++x) {
                        const std::uint32_t was = source.GetPixel(x, y);
                        std::uint32_t value = 0;
                        if (indexed) value = std::uint32_t(Transfer(function, int(was), L, M, alpha)) & 0xFF;
                        for (int shift = 0; !indexed && shift < 24; shift += 8)
                            value |= std::uint32_t(Transfer(function, int((was >> shift) & 0xFF), L, M, alpha)) << shift;
                        expected.SetPixel(x, y, value);
                    }
                CVelora image = source, slow = source;
                ASSERT_EQ(image.NonLinearContrast(0, function, alpha), 0u);
                EXPECT_EQ(Block(image), Block(expected)) << depth << " f" << function << " a" << alpha;
                Recorder progress;
                ASSERT_EQ(slow.NonLinearContrastStepByStep(function, alpha, progress), 0u);
                EXPECT_EQ(Block(slow), Block(expected)) << depth << " f" << function << " a" << alpha;
            }
}

namespace {

// The function on one component in the models, clamped to [0, 255] (a NaN to 0).
float Shape(int function, float x, float alpha) {
    x = std::clamp(x, 0.0f, 255.0f);
    float v = 0;
    switch (function) {
        case 0: v = x * x / 255.0f; break;
        case 1: v = x * x * x / 65025.0f; break;
        case 2: v = std::sqrt(x * 255.0f); break;
        case 3: v = std::pow(x * 65025.0f, 0.333333f); break;
        case 4: v = std::log(x + 1) / std::log(256.0f) * 255.0f; break;
        default: {
            if (alpha == 0) return x;
            const float t = (x / 255.0f - 0.5f) * alpha * 3.1415926535f, half = alpha * 3.1415926535f * 0.5f;
            v = function == 5 ? std::sin(t) * 127.5f / std::sin(half) + 127.5f : std::tan(t) * 127.5f / std::tan(half) + 127.5f;
        }
    }
    return v > 0.0f ? std::min(v, 255.0f) : 0.0f;
}

// The plain call and the preview (tables, vector ways back, bounds) against ToModel, Shape and FromModel.
void ExpectAsDefined(const CVelora& source, int model, int function, float alpha) {
    SCOPED_TRACE(std::to_string(source.GetWidth()) + "x" + std::to_string(source.GetBitCount()) + " model " +
                 std::to_string(model) + " f" + std::to_string(function) + " a" + std::to_string(alpha));
    const int first = FirstOf(model), last = first + (model == kModelCMYK ? 4 : model == kModelCIEXYZ ? 3 : 1);
    const CVelora expected = ChangedInModel(source, model, [&](float* v) {
        for (int c = first; c < last; ++c) v[c] = Shape(function, v[c], alpha);
    });
    CModelPreview preview(source);
    CVelora plain = source, previewed = source;
    ASSERT_EQ(plain.NonLinearContrast(model, function, alpha), 0u);
    ASSERT_EQ(preview.NonLinearContrast(previewed, model, function, alpha), 0u);
    EXPECT_TRUE(Block(plain) == Block(expected));
    EXPECT_TRUE(Block(previewed) == Block(expected)) << "preview";
}

// The preview against the plain call, for the tangent sigmoid on many colours.
void ExpectPreviewIsThePlainCall(const CVelora& source, int model) {
    CModelPreview preview(source);
    CVelora plain = source, previewed = source;
    ASSERT_EQ(plain.NonLinearContrast(model, 6, 0.7f), 0u);
    ASSERT_EQ(preview.NonLinearContrast(previewed, model, 6, 0.7f), 0u);
    EXPECT_TRUE(Block(plain) == Block(previewed)) << model;
}

}  // namespace

TEST(NonLinearContrast, ModelPathsApplyTheFunctionToTheirComponentsAsDefined) {
    struct Case {
        int width, height, depth;
    };
    // Palettes; 9 x 4 rows; 64 x 48 (the bands of four threads); an odd width with padding.
    const Threads bands(4);
    for (const Case& size : {Case{9, 4, 4}, Case{9, 4, 8}, Case{9, 4, 24}, Case{9, 4, 32}, Case{64, 48, 24},
                             Case{61, 7, 32}, Case{61, 7, 24}})
        for (int model = 1; model < kColorModelCount; ++model) {
            const CVelora source = RandomWithEdges(size.width, size.height, size.depth, unsigned(model * 7 + size.width));
            for (int function = 0; function < 7; ++function)
                for (float alpha : {0.0f, 0.6f, 1.0f}) {
                    if (function < 5 && alpha != 0.6f) continue;
                    ExpectAsDefined(source, model, function, alpha);
                }
        }
}

TEST(NonLinearContrast, EveryColourInTheHueModelsGivesTheDefinition) {
    // All 2^24 colours; under the sanitizers a million, spread by an odd multiplier.
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kSide = 1024;
#else
    constexpr int kSide = 4096;
#endif
    std::vector<std::uint8_t> bits(std::size_t(3) * kSide * kSide);
    for (std::uint32_t i = 0; i < std::uint32_t(kSide * kSide); ++i) {
        const std::uint32_t c = (i * 2654435761u) & 0xFFFFFFu;
        std::memcpy(&bits[3 * std::size_t(i)], &c, 3);
    }
    const CVelora all(bits.data(), nullptr, kSide, kSide, 24);
    for (int model : {kModelHSI, kModelHSV, kModelHSL}) {
        ExpectAsDefined(all, model, 0, 0.7f);
        ExpectPreviewIsThePlainCall(all, model);
    }
}

TEST(NonLinearContrast, LibraryFunctionsOnNoiseGiveTheLibrarysValues) {
    // Bounded library functions give the calls' bytes: at alpha 1 (the tangent's poles) and small alphas.
    const CVelora million = RandomImage(1024, 1024, 24, 77);
    for (int model : {kModelYIQ, kModelYUV, kModelYCbCr, kModelCIEXYZ, kModelCIELAB, kModelCIELUV}) {
        ExpectAsDefined(million, model, 0, 0.7f);
        ExpectPreviewIsThePlainCall(million, model);
    }
#if defined(__SANITIZE_ADDRESS__)
    const CVelora noise = RandomImage(256, 256, 24, 79);
#else
    const CVelora noise = RandomImage(1024, 512, 24, 79);
#endif
    for (int model : {kModelYIQ, kModelYCbCr, kModelCIEXYZ, kModelCIELAB, kModelCIELUV})
        for (int function : {3, 4, 5, 6})
            for (float alpha : {0.02f, 0.7f, 1.0f})
                if (function >= 5 || alpha == 1.0f) ExpectAsDefined(noise, model, function, alpha);  // no alpha in the power and the logarithm
}

TEST(NonLinearContrast, PreviewOfFewColoursInBandsAndItsRefusals) {
    // Costly functions run once per distinct value, numbered per band (three, of differing size) and merged.
    const CVelora palette = RandomWithEdges(40, 1, 24, 8);
    CVelora few = RandomImage(150, 201, 24, 10);
    std::mt19937 pick(9);
    for (int y = 0; y < 201; ++y)
        for (int x = 0; x < 150; ++x) few.SetPixel(x, y, palette.GetPixel(int(pick() % 40), 0));
    CVelora::SetThreadCount(3);
    CModelPreview preview(few);
    for (int model : {kModelYIQ, kModelYCbCr, kModelCIEXYZ, kModelCIELAB, kModelCIELUV})
        for (int function : {1, 3, 4, 5, 6}) {
            CVelora image = few, expected = few;
            ASSERT_EQ(preview.NonLinearContrast(image, model, function, 0.8f), 0u);
            ASSERT_EQ(expected.NonLinearContrast(model, function, 0.8f), 0u);
            EXPECT_EQ(Block(image), Block(expected)) << model << " f" << function;
        }
    CVelora::SetThreadCount(0);
    CVelora image = few;
    for (auto [model, function, alpha, code] : {std::tuple{int(kModelHSV), 7, 0.5f, 3u}, {kModelHSV, 0, 1.5f, 2u},
                                                {kModelHSV, 0, std::nanf(""), 2u}, {11, 0, 0.5f, 4u}})
        EXPECT_EQ(preview.NonLinearContrast(image, model, function, alpha), code) << model << " f" << function;
    EXPECT_EQ(Block(image), Block(few));
}
