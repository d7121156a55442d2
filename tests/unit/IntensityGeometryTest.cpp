// Negative, gray, depth change and flips against per-pixel definitions, and the cases that tell rules apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "CVelora.h"
#include "Subjects.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

const int kAllDepths[] = {1, 4, 8, 24, 32};

// The gray level in single precision: luminance weights (method 0) or a third each.
int GrayOf(int method, int red, int green, int blue) {
    const float wR = method == 0 ? 0.299f : 0.33333334f, wG = method == 0 ? 0.587f : 0.33333334f, wB = method == 0 ? 0.114f : 0.33333334f;
    return int(wR * float(red) + wG * float(green) + wB * float(blue));
}

// Negative as defined per pixel and per palette entry.
CVelora ReferenceNegative(CVelora image, int lum, int red, int green, int blue) {
    const int depth = image.GetBitCount();
    const bool indexed = depth <= 8;
    const int n = int(image.GetNumColors());
    std::vector<RGBQUAD> table(indexed ? std::size_t(n) : 0);
    if (indexed) image.GetPalette(table.data());
    auto complement = [&](int channel) {  // 0 blue, 1 green, 2 red
        if (indexed) {
            for (auto& e : table) (&e.rgbBlue)[channel] = std::uint8_t(255 - (&e.rgbBlue)[channel]);
            return;
        }
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) {
                const std::uint32_t v = image.GetPixel(x, y);
                image.SetPixel(x, y, v ^ (0xFFu << (8 * channel)));
            }
    };
    if (lum) {
        if ((depth == 4 || depth == 8) && image.IsGray()) {
            for (int y = 0; y < image.GetHeight(); ++y)
                for (int x = 0; x < image.GetWidth(); ++x)
                    image.SetPixel(x, y, std::uint32_t(std::clamp(n - 1 - int(image.GetPixel(x, y)), 0, n - 1)));
        } else {
            complement(0), complement(1), complement(2);
        }
    }
    if (red) complement(2);
    if (green) complement(1);
    if (blue) complement(0);
    if (indexed) image.SetPalette(table.data());
    return image;
}

}  // namespace

TEST(Negative, MatchesThePerPixelDefinitionOnEveryDepth) {
    // Widths with padding and without (128), short and long enough for the vector loops.
    for (int depth : kAllDepths)
        for (int width : {11, 128, 133})
        for (bool gray : {false, true})
            for (int flags = 0; flags < 16; ++flags) {
                SCOPED_TRACE(testing::Message() << "depth " << depth << " width " << width << " flags " << flags << " gray " << gray);
                CVelora image = RandomImage(width, 5, depth, unsigned(depth * 31 + flags + width), gray);
                const int l = flags & 1, r = (flags >> 1) & 1, g = (flags >> 2) & 1, b = (flags >> 3) & 1;
                const CVelora expected = ReferenceNegative(image, l, r, g, b);
                ASSERT_EQ(image.Negative(l, r, g, b), 0u);
                ASSERT_EQ(Block(image), Block(expected));
            }
}

TEST(Negative, GrayIndicesInvertWithinTheTablesOwnSize) {
    const auto pgm = Bytes("P5 2 1 15\n\x03\x0f");  // 16 levels in 8 bits
    CVelora sixteen;
    ASSERT_EQ(sixteen.LoadPGM(pgm.data(), pgm.size()), 0u);
    ASSERT_EQ(sixteen.Negative(1, 0, 0, 0), 0u);
    EXPECT_TRUE(sixteen.GetPixel(0, 0) == 12 && sixteen.GetPixel(1, 0) == 0);
}

TEST(ColorToGray, EveryDepthGivesTheSinglePrecisionFormula) {
    for (int depth : kAllDepths)
        for (int width : {9, 61})
        for (int method : {0, 1}) {
        SCOPED_TRACE(testing::Message() << depth << " bits, width " << width << ", method " << method);
        CVelora image = RandomImage(width, 4, depth, unsigned(depth + width + method));
        const CVelora before = image;
        ASSERT_EQ(image.ColorToGray(method), 0u);
        EXPECT_TRUE(image.IsGray());
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < width; ++x) {
                const RGBQUAD c = Colour(before, x, y);
                const int g = GrayOf(method, c.rgbRed, c.rgbGreen, c.rgbBlue);
                const RGBQUAD out = Colour(image, x, y);
                EXPECT_EQ(out.rgbRed, depth == 4 ? (g + 8) / 17 * 17 : g);  // 4 bits: the nearest of the 16 levels
                EXPECT_TRUE(depth != 8 || image.GetPixel(x, y) == std::uint32_t(g));
                EXPECT_TRUE(depth != 32 || image.GetAlfa(x, y) == before.GetAlfa(x, y));
            }
    }
}

TEST(ColorToGray, EveryColourGivesTheSinglePrecisionFormula) {
    // All 2^24 colours, one per pixel, in both direct depths and with both weightings.
    for (int depth : {24, 32}) {
        const std::size_t step = std::size_t(depth / 8);
        std::vector<std::uint8_t> bits(step << 24);  // 4096 pixels a row: no padding
        for (std::uint32_t c = 0; c < (1u << 24); ++c) {
            std::uint8_t* p = bits.data() + step * c;
            p[0] = std::uint8_t(c), p[1] = std::uint8_t(c >> 8), p[2] = std::uint8_t(c >> 16);
            if (depth == 32) p[3] = std::uint8_t(c * 7);
        }
        const CVelora all(bits.data(), nullptr, 4096, 4096, depth);
        for (int method : {0, 1}) {
            SCOPED_TRACE(testing::Message() << depth << " bits, method " << method);
            CVelora image = all;
            ASSERT_EQ(image.ColorToGray(method), 0u);
            std::uint32_t wrong = 0;
            for (std::uint32_t c = 0; c < (1u << 24); ++c) {
                const std::uint8_t* p = image.GetBits() + step * c;
                const auto g = std::uint8_t(GrayOf(method, int(c >> 16), int((c >> 8) & 0xFF), int(c & 0xFF)));
                wrong += p[0] != g || p[1] != g || p[2] != g || (depth == 32 && p[3] != std::uint8_t(c * 7));
            }
            EXPECT_EQ(wrong, 0u);
        }
    }
}

TEST(ColorToGray, ShortPalettesGrowToAFullRamp) {
    // A 16-colour 8-bit image: levels above 15 need the full table.
    RGBQUAD table[16];
    for (int i = 0; i < 16; ++i) table[i] = RGBQUAD{0, 0, std::uint8_t(i * 16), 0};
    CVelora image = CVelora::WithTable(2, 1, 8, 16, table);
    image.SetPixel(1, 0, 15);
    image.SetName("corto.bmp");
    ASSERT_EQ(image.ColorToGray(0), 0u);
    EXPECT_EQ(image.GetNumColors(), 256u);
    EXPECT_EQ(image.GetPixel(1, 0), std::uint32_t(0.299f * 240.0f));
    EXPECT_EQ(image.GetPaletteData()[200], (RGBQUAD{200, 200, 200, 0}));
    EXPECT_EQ(image.GetName(), "corto.bmp");
}

namespace {

// The depth change as defined per pixel, through the accessors; 3 when it refuses.
unsigned ReferenceDepthChange(const CVelora& image, int code, CVelora& out) {
    const int target = std::array{1, 4, 8, 24, 32}[std::size_t(code)];
    const int source = image.GetBitCount();
    const bool indexed = source <= 8;
    if ((target == 4 || target == 8) && source != 1 && !image.IsGray()) return 3;
    const int w = image.GetWidth(), h = image.GetHeight();
    out = CVelora(nullptr, nullptr, w, h, target);
    out.SetName(image.GetName());
    if (target <= 8) {
        std::vector<RGBQUAD> table(out.GetNumColors());
        out.GetPalette(table.data());
        if (target == 1) table[1] = RGBQUAD{255, 255, 255, 0};
        if (target == 4)
            for (int i = 0; i < 16; ++i) table[std::size_t(i)] = RGBQUAD{std::uint8_t(i * 17), std::uint8_t(i * 17), std::uint8_t(i * 17), 0};
        out.SetPalette(table.data());
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t raw = image.GetPixel(x, y);
            const RGBQUAD c = Colour(image, x, y);
            const std::uint32_t colour = Packed(c);
            const std::uint32_t level = indexed ? raw : c.rgbRed;
            std::uint32_t value = colour;
            if (target == 1) value = (unsigned(c.rgbBlue) + c.rgbGreen + c.rgbRed) / 3 >= 128 ? 1 : 0;
            if (target == 4) value = source == 1 ? raw * 15 : source == 4 ? raw : level >> 4;
            if (target == 8) value = source == 1 ? raw * 255 : source == 4 ? raw * 255 / 15 : level;
            out.SetPixel(x, y, value);
            if (target == 32) out.SetAlfa(x, y, 255);
        }
    return 0;
}

}  // namespace

TEST(ChangeColorDepth, EveryCodeFromEveryDepthMatchesThePerPixelDefinition) {
    std::mt19937 rng(5);
    RGBQUAD reversed[256], tinted[256];
    for (int i = 0; i < 256; ++i) {
        const auto v = std::uint8_t(255 - i), u = std::uint8_t(i);
        reversed[i] = RGBQUAD{v, v, v, 0};
        tinted[i] = RGBQUAD{u, u, u, 0};
    }
    tinted[200] = RGBQUAD{1, 2, 3, 0};
    for (int width : {1, 7, 13, 33}) {
        std::vector<Subject> subjects;
        for (int depth : kAllDepths)
            for (bool gray : {false, true}) {
                CVelora image = RandomImage(width, 3, depth, unsigned(depth * 5 + width + gray), gray);
                if (gray && depth >= 24) image.ColorToGray(1);
                if (!gray && depth >= 24 && width == 1) image.SetPixel(0, 2, 0x010000);  // the last pixel alone differs
                subjects.push_back({std::to_string(depth) + (gray ? " gray" : ""), image});
            }
        // Gray tables that are not the ramp: reversed, one colour in it, short (indices past it).
        for (const RGBQUAD* table : {reversed, tinted}) {
            subjects.push_back({"8 not the ramp", RandomImage(width, 3, 8, unsigned(width))});
            subjects.back().image.SetPalette(table);
        }
        subjects.push_back({"8 short ramp", ShortTableImage(width, 3, 8, 100, true, rng)});
        for (Subject& s : subjects)
            for (int code = 0; code <= 4; ++code) {
                SCOPED_TRACE(s.label + " width " + std::to_string(width) + " code " + std::to_string(code));
                CVelora image = s.image;
                image.SetName("p.bmp");
                CVelora expected;
                const unsigned expectedCode = ReferenceDepthChange(image, code, expected);
                const auto before = Block(image);
                ASSERT_EQ(image.ChangeColorDepth(code), expectedCode);
                if (expectedCode != 0) {
                    ASSERT_EQ(Block(image), before);
                    continue;
                }
                ASSERT_EQ(Block(image), Block(expected));
                EXPECT_EQ(image.GetName(), "p.bmp");
            }
    }
}

TEST(PointOperations, ChannelSubsetsOnDirectColour) {
    for (int depth : {24, 32})
        for (int channels = 1; channels < 8; ++channels) {
            SCOPED_TRACE("depth " + std::to_string(depth) + " channels " + std::to_string(channels));
            const int red = channels & 1, green = (channels >> 1) & 1, blue = (channels >> 2) & 1;
            const CVelora source = RandomImage(13, 4, depth, unsigned(depth + channels));
            CVelora image = source;
            ASSERT_EQ(image.LinearContrast(40, 180, 20, 230, 0, red, green, blue), 0u);
            const std::function<int(int)> g = [](int v) { return v < 40 || v > 180 ? v : int(float(230 - 20) / float(180 - 40) * float(v - 40) + 20.0f); };
            const std::function<int(int)> same = [](int v) { return v; };
            ASSERT_EQ(Block(image), Block(KeepAlpha(EachColour(source, red ? g : same, green ? g : same, blue ? g : same), source)));
        }
}

TEST(Flip, MatchesThePixelExchangeOnEveryDepth) {
    for (int depth : kAllDepths)
        for (int width : {1, 5, 6, 7, 10, 33, 70})
            for (int mode : {0, 1}) {
                SCOPED_TRACE(testing::Message() << "depth " << depth << " width " << width << " mode " << mode);
                CVelora image = RandomImage(width, 5, depth, unsigned(depth + width * 3 + mode));
                CVelora expected = image;
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < width; ++x)
                        expected.SetPixel(x, y, mode == 0 ? image.GetPixel(width - 1 - x, y) : image.GetPixel(x, 4 - y));
                ASSERT_EQ(image.Flip(mode), 0u);
                ASSERT_EQ(Block(image), Block(expected));  // alpha bytes and padding stay in place
            }
}

TEST(Flip, PaddingStaysAndSixteenBitImagesFlip) {
    // Padding bits of a loaded 1-bit file (width 10: 6 bits and 2 bytes of padding per row).
    BmpSpec made;
    made.bitCount = 1, made.width = 10, made.height = 2;
    made.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    made.pixels = {0x80, 0x3F, 0xAA, 0xBB, 0x00, 0x40, 0x00, 0x00};
    const auto file = MakeBmp(made);
    CVelora image;
    ASSERT_EQ(image.LoadBMP(file.data(), file.size()), 0u);
    ASSERT_EQ(image.Flip(1), 0u);
    EXPECT_EQ(std::vector<std::uint8_t>(image.GetBits(), image.GetBits() + 8),
              (std::vector<std::uint8_t>{0x00, 0x40 | 0x3F, 0xAA, 0xBB, 0x80, 0x00, 0x00, 0x00}));

    image = SixteenBitImage(3, 2, {1, 0, 2, 0, 3, 0, 0, 0, 4, 0, 5, 0, 6, 0, 0, 0});
    ASSERT_EQ(image.GetBitCount(), 16);
    ASSERT_EQ(image.Flip(0), 0u);
    EXPECT_EQ(std::vector<std::uint8_t>(image.GetBits(), image.GetBits() + 16),
              (std::vector<std::uint8_t>{3, 0, 2, 0, 1, 0, 0, 0, 6, 0, 5, 0, 4, 0, 0, 0}));
    ASSERT_EQ(image.Flip(1), 0u);
    EXPECT_EQ(image.GetBits()[0], 6);
}

TEST(Scale, NearestNeighbourMappingOnEveryDepth) {
    for (int depth : kAllDepths)
        for (const auto& [fx, fy] : {std::pair{1.5f, 0.5f}, std::pair{1.1f, 1.1f}, std::pair{0.37f, 2.0f}}) {
            SCOPED_TRACE("depth " + std::to_string(depth) + " fx " + std::to_string(fx));
            CVelora image = RandomImage(13, 7, depth, unsigned(depth * 7));
            const CVelora source = image;
            ASSERT_EQ(image.Scale(fx, fy, 0), 0u);
            const int w = int(RoundHalfDown(13 * fx)), h = int(RoundHalfDown(7 * fy));
            // Byte for byte (header, source's table, zero padding) against the pixels set one by one.
            CVelora expected = depth <= 8 ? CVelora::WithTable(w, h, depth, source.GetNumColors(), source.GetPaletteData())
                                          : CVelora(nullptr, nullptr, w, h, depth);
            for (int r = 0; r < h; ++r)  // storage rows: r = 0 is the bottom row
                for (int c = 0; c < w; ++c) {
                    const int sr = std::min(int(RoundHalfDown(float(r) / fy)), 6), sc = std::min(int(RoundHalfDown(float(c) / fx)), 12);
                    expected.SetPixel(c, h - 1 - r, source.GetPixel(sc, 6 - sr));
                    if (depth == 32) expected.SetAlfa(c, h - 1 - r, source.GetAlfa(sc, 6 - sr));
                }
            ASSERT_EQ(Block(image), Block(expected));
        }
}

TEST(Scale, SizesAndModes) {
    CVelora keypad(nullptr, nullptr, 100, 100, 24);
    keypad.SetName("k.bmp");
    ASSERT_EQ(keypad.Scale(1.1f, 1.1f, 0), 0u);
    EXPECT_EQ(keypad.GetWidth(), 110);
    EXPECT_EQ(keypad.GetName(), "k.bmp");
    ASSERT_EQ(keypad.Scale(37, 21, 1), 0u);
    EXPECT_TRUE(keypad.GetWidth() == 37 && keypad.GetHeight() == 21);
    EXPECT_EQ(keypad.GetBitmapInfoHeader().biClrUsed, 16777216u);  // the header is kept
}

TEST(Means, ColumnRowAndImage) {
    RGBQUAD table[256] = {};
    table[2] = RGBQUAD{30, 20, 10, 0};
    table[4] = RGBQUAD{31, 21, 11, 0};
    CVelora palette(nullptr, table, 2, 2, 8);
    palette.SetPixel(0, 0, 2), palette.SetPixel(0, 1, 4);
    RGBQUAD c{};
    EXPECT_EQ(palette.GetMeanColumn(0, c), 3);
    EXPECT_EQ(c, (RGBQUAD{30, 20, 10, 0}));  // (10 + 11) / 2 truncates to 10
    EXPECT_EQ(palette.GetMeanRow(1, c), 2);
    c = RGBQUAD{9, 9, 9, 9};
    EXPECT_EQ(palette.GetMeanRow(2, c), -2);
    EXPECT_EQ(c, (RGBQUAD{9, 9, 9, 9}));

    CVelora rgb(nullptr, nullptr, 2, 1, 24);
    rgb.SetPixel(0, 0, 0x0A0B0C), rgb.SetPixel(1, 0, 0x000001);
    EXPECT_EQ(rgb.GetMeanRow(0, c), 0);  // direct colour: no value for a row or column
    EXPECT_EQ(c.rgbRed, 5);  // the whole image's means: InvariantsTest, ParallelTest

    const CVelora sixteen = SixteenBitImage(4, 2);
    ASSERT_EQ(sixteen.GetBitCount(), 16);
    EXPECT_EQ(sixteen.GetMeanImage(c), -1);
    EXPECT_EQ(c, (RGBQUAD{0, 0, 0, 9}));
}

TEST(PointOperations, BrightnessGammaAndLinearContrastCases) {
    // One row (indexed: the constructor's table, index i = level i), alpha before and after; refusals keep them.
    struct Case {
        const char* what;
        int depth;
        std::vector<std::uint32_t> in, out;
        std::function<unsigned(CVelora&)> call;
        unsigned code = 0;
        std::vector<int> alphaIn{}, alphaOut{};
    };
    const auto brightness = [](int p) { return [p](CVelora& im) { return im.Brightness(p); }; };
    const auto gamma = [](float g) { return [g](CVelora& im) { return im.Gamma(g); }; };
    const auto linear = [](int a, int b, int c, int d) {
        return [=](CVelora& im) { return im.LinearContrast(a, b, c, d, 1, 0, 0, 0); };
    };
    const std::vector<std::uint32_t> ramp = {49, 50, 75, 100, 101};
    const Case cases[] = {
        {"+50 on 8-bit gray adds 127, stopping at the last index", 8, {100, 200}, {227, 255}, brightness(50)},
        {"+50 on 4-bit gray adds 7", 4, {3, 0}, {10, 7}, brightness(50)},
        {"+6 on 4-bit gray changes nothing", 4, {3, 15}, {3, 15}, brightness(6)},
        {"-1 on 32 bits subtracts 2, alpha kept", 32, {0x010A64}, {0x000862}, brightness(-1), 0, {33}, {33}},
        {"gamma 1 changes nothing", 24, {0x000000, 0x404040, 0xFF40FF, 0x123456}, {0x000000, 0x404040, 0xFF40FF, 0x123456}, gamma(1)},
        {"gamma 2 maps 64 to 127", 24, {0x404040}, {0x7F7F7F}, gamma(2)},
        {"gamma 0 sends all but the top to 0", 24, {0xFF40FF}, {0xFF00FF}, gamma(0)},
        {"negative gamma", 24, {0x404040}, {0x404040}, gamma(-0.5f), 1},
        {"gamma not a number", 24, {0x404040}, {0x404040}, gamma(std::nanf("")), 1},
        {"[50, 100] -> [0, 255]: 49 and 101 stay", 8, ramp, {49, 0, 127, 255, 101}, linear(50, 100, 0, 255)},
        {"a single-level input range sends it to 0", 8, ramp, {49, 50, 0, 100, 101}, linear(75, 75, 0, 255)},
        {"inMin above inMax", 8, ramp, ramp, linear(60, 50, 0, 255), 2},
        {"outMin above outMax", 8, ramp, ramp, linear(50, 60, 9, 5), 3},
        {"a level past 255", 8, ramp, ramp, linear(50, 256, 0, 255), 4},
        // Luminance on 24/32 bits: pixels whose red is in range turn gray, alpha 0.
        {"red 75 in range, red 16 not", 32, {0x4B1020, 0x101020}, {0x7F7F7F, 0x101020}, linear(50, 100, 0, 255), 0, {9, 9}, {0, 9}},
        {"a 4-bit level past the last index stops there", 4, {15}, {15}, linear(0, 15, 0, 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CVelora image(nullptr, nullptr, int(c.in.size()), 1, c.depth);
        for (int x = 0; x < image.GetWidth(); ++x) {
            image.SetPixel(x, 0, c.in[std::size_t(x)]);
            if (!c.alphaIn.empty()) image.SetAlfa(x, 0, std::uint8_t(c.alphaIn[std::size_t(x)]));
        }
        ASSERT_EQ(c.call(image), c.code);
        for (int x = 0; x < image.GetWidth(); ++x) {
            EXPECT_EQ(image.GetPixel(x, 0), c.out[std::size_t(x)]) << x;
            if (!c.alphaOut.empty()) {
                EXPECT_EQ(image.GetAlfa(x, 0), c.alphaOut[std::size_t(x)]) << x;
            }
        }
    }
}

TEST(PointOperations, TablesMatchTheFormulaOnEveryDepth) {
    for (int depth : {4, 8, 24, 32})
        for (bool grayPalette : {false, true}) {
            SCOPED_TRACE("depth " + std::to_string(depth) + (grayPalette ? " gray" : ""));
            const CVelora source = RandomImage(17, 6, depth, unsigned(depth * 3 + grayPalette), grayPalette);
            CVelora image = source;
            ASSERT_EQ(image.Gamma(0.7f), 0u);
            const bool indices = depth <= 8 && source.IsGray();
            const float L = indices && depth == 4 ? 15.0f : 255.0f;
            const int top = indices ? int(source.GetNumColors()) - 1 : 255;
            const std::function<int(int)> f = [&](int v) { return std::clamp(int(std::pow(float(v) / L, 1.0f / 0.7f) * L), 0, top); };
            const CVelora expected = indices ? EachPixel(source, [&](std::uint32_t v) { return std::uint32_t(f(int(v))); })
                                             : KeepAlpha(EachColour(source, f, f, f), source);
            ASSERT_EQ(Block(image), Block(expected));
        }
}
