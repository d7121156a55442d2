// Colour models: hand-worked edges, round trips, refused ranges, hostile components, channel separation.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>
#include <cmath>
#include <limits>
#include <random>

#include "ByteRows.h"
#include "CVelora.h"
#include "ModelLanes.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

using FromRgb = float* (*)(float*, std::uint32_t, int);
using ToRgb = RGBQUAD* (*)(RGBQUAD*, const float*, int);

// Each model's conversions, its number of range codes and its measured round-trip worst case.
struct ModelForms {
    FromRgb from;
    ToRgb to;
    int ranges, tolerance;
};
const ModelForms kForms[] = {{&CVelora::RGBToCMYK, &CVelora::CMYKToRGB, 2, 1}, {&CVelora::RGBToHSI, &CVelora::HSIToRGB, 3, 0},
                             {&CVelora::RGBToHSV, &CVelora::HSVToRGB, 3, 0},   {&CVelora::RGBToHSL, &CVelora::HSLToRGB, 3, 6},
                             {&CVelora::RGBToYIQ, &CVelora::YIQToRGB, 4, 1},   {&CVelora::RGBToYUV, &CVelora::YUVToRGB, 5, 2},
                             {&CVelora::RGBToYCbCr, &CVelora::YCbCrToRGB, 2, 1}, {&CVelora::RGBToXYZ, &CVelora::XYZToRGB, 3, 1}};

int Distance(const RGBQUAD& a, std::uint32_t colour) {
    return std::max({std::abs(int(a.rgbRed) - int((colour >> 16) & 0xFF)),
                     std::abs(int(a.rgbGreen) - int((colour >> 8) & 0xFF)), std::abs(int(a.rgbBlue) - int(colour & 0xFF))});
}
bool IsRgb(const RGBQUAD& c, int red, int green, int blue) {
    return c.rgbRed == red && c.rgbGreen == green && c.rgbBlue == blue && c.rgbReserved == 0;
}
bool Near(const float* v, float a, float b, float c, float tolerance = 1e-3f) {
    return std::abs(v[0] - a) <= tolerance && std::abs(v[1] - b) <= tolerance && std::abs(v[2] - c) <= tolerance;
}

// A grid through the cube, random colours, and the worst cases of the round trips.
std::vector<std::uint32_t> SampleColours() {
    std::vector<std::uint32_t> colours = {0x000001, 0x0006FE, 0x0035FA, 0x000003, 0x000102, 0xFEFFFF};
    for (std::uint32_t c = 0; c < (1u << 24); c += 0x0B0B0B) colours.push_back(c);
    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i) colours.push_back(random() & 0xFFFFFF);
    return colours;
}

}  // namespace

TEST(ColorModel, KnownValuesAtTheEdges) {
    // HSV black's hue is one below the circle; HSL red's S = 255.5 capped; HSI blue from the B > G side;
    // YCbCr white a little above 235; YUV truncated step by step; XYZ white's Z = 1; LUV black not 0 / 0.
    struct Row {
        FromRgb from;
        std::uint32_t colour;
        int range;
        float a, b, c, tolerance;
    };
    const Row rows[] = {{&CVelora::RGBToHSV, 0x000000, 1, 254, 0, 0, 0}, {&CVelora::RGBToHSV, 0x000000, 2, 359, 0, 0, 0},
                        {&CVelora::RGBToHSV, 0x000000, 3, 359, 0, 0, 0}, {&CVelora::RGBToHSV, 0x336699, 3, 210, 66.666667f, 60, 1e-3f},
                        {&CVelora::RGBToHSL, 0x646464, 1, 170, 0, 100.5f, 0}, {&CVelora::RGBToHSL, 0xFF0000, 1, 0, 255, 128, 0},
                        {&CVelora::RGBToHSL, 0xC86432, 1, 15, 153.5f, 125.5f, 0},
                        {&CVelora::RGBToHSL, 0xC86432, 3, 15 * 1.4117647f, 153.5f * 0.39215687f, 125.5f * 0.39215687f, 0},
                        {&CVelora::RGBToHSI, 0x0000FF, 1, 170, 255, 85, 1e-3f}, {&CVelora::RGBToHSI, 0x0000FF, 2, 240, 1, 1 / 3.0f, 1e-3f},
                        {&CVelora::RGBToHSI, 0x505050, 3, 0, 0, 31.372549f, 1e-3f}, {&CVelora::RGBToYCbCr, 0xFFFFFF, 2, 235.045f, 128, 128, 1e-3f},
                        {&CVelora::RGBToYCbCr, 0x000000, 1, 0, 127.5f, 127.5f, 1e-3f}, {&CVelora::RGBToYUV, 0xFFFFFF, 1, 255, 128, 128, 0},
                        {&CVelora::RGBToYUV, 0xFF0000, 1, 76, 85, 255, 0}, {&CVelora::RGBToYUV, 0xFF0000, 5, 76, 85 * 224 / 255.0f + 16, 157, 1e-3f},
                        {&CVelora::RGBToYIQ, 0xFFFFFF, 4, 1, 0, 0, 1e-3f}, {&CVelora::RGBToXYZ, 0xFFFFFF, 2, 0.950456f, 1, 1, 1e-5f},
                        {&CVelora::RGBToXYZ, 0xFFFFFF, 3, 95.0456f, 100, 100, 1e-3f}, {&CVelora::RGBToLAB, 0x000000, 1, 0, 0, 0, 1e-5f},
                        {&CVelora::RGBToLUV, 0x000000, 1, 0, 0, 0, 1e-5f}};
    float v[4];
    for (const Row& r : rows) EXPECT_TRUE(Near(r.from(v, r.colour, r.range), r.a, r.b, r.c, r.tolerance)) << std::hex << r.colour << " " << r.range << ": " << v[0] << " " << v[1] << " " << v[2];
    EXPECT_FLOAT_EQ(CVelora::RGBToHSV(v, 0xFF0080, 1)[0], 255 - 42.5f * 128 / 255);  // a negative sector wraps by the circle
    EXPECT_FLOAT_EQ(CVelora::RGBToHSV(v, 0xFF0080, 2)[0], 360 - 60.0f * 128 / 255);
    EXPECT_EQ(CVelora::RGBToHSL(v, 0x0000FF, 1)[0], 170);
    // CMYK: K on top of unreduced C, M, Y.
    EXPECT_TRUE(Near(CVelora::RGBToCMYK(v, 0xFFFFFF, 1), 0, 0, 0, 0) && v[3] == 0);
    EXPECT_TRUE(Near(CVelora::RGBToCMYK(v, 0x000000, 1), 0, 0, 0, 0) && v[3] == 255);
    EXPECT_EQ(CVelora::RGBToCMYK(v, 0x000000, 2)[3], 1.0f);
    RGBQUAD back{};
    EXPECT_TRUE(IsRgb(*CVelora::CMYKToRGB(&back, CVelora::RGBToCMYK(v, 0x808080, 1), 1), 64, 64, 64));
    EXPECT_TRUE(IsRgb(*CVelora::CMYKToRGB(&back, CVelora::RGBToCMYK(v, 0x804000, 2), 2), 64, 32, 0));
    EXPECT_NEAR(CVelora::RGBToYCbCr(v, 0xFFFFFF, 1)[0], 255.052, 1e-3);
    EXPECT_NEAR(CVelora::RGBToLAB(v, 0xFFFFFF, 1)[0], 116 * std::cbrt(2.55) - 16, 1e-3);
    EXPECT_NEAR(CVelora::RGBToLAB(v, 0xFFFFFF, 3)[1], -128, 0.01);
    EXPECT_NEAR(CVelora::RGBToLUV(v, 0xFFFFFF, 2)[0], (116 * std::cbrt(2.55) - 16) / 255, 1e-5);
}

TEST(ColorModel, BadRangeCodesReturnNullAndLeaveTheOutputAlone) {
    const float in[4] = {100, 100, 100, 100};
    for (const auto& m : kForms) {
        float v[4] = {7, 7, 7, 7};
        RGBQUAD c{1, 2, 3, 4};
        for (int range : {0, -1, m.ranges + 1, 1000}) {
            EXPECT_TRUE(m.from(v, 0x123456, range) == nullptr && m.to(&c, in, range) == nullptr) << range;
            EXPECT_TRUE(v[0] == 7 && v[3] == 7 && c.rgbBlue == 1 && c.rgbReserved == 4);
        }
    }
    float v[4] = {7, 7, 7, 7};
    for (int range : {0, 4}) EXPECT_TRUE(!CVelora::RGBToLAB(v, 1, range) && !CVelora::RGBToLUV(v, 1, range));
    for (auto two : {&CVelora::XYZToLAB, &CVelora::XYZToLUV, &CVelora::LABToXYZ, &CVelora::LUVToXYZ}) {
        for (auto [a, b] : {std::pair{0, 1}, {4, 1}, {1, 0}, {1, 4}}) EXPECT_EQ(two(v, in, a, b), nullptr);
        EXPECT_TRUE(v[0] == 7 && v[1] == 7 && v[2] == 7);
        float out[3];
        EXPECT_EQ(two(out, in, 3, 3), out);
    }
    RGBQUAD c{1, 2, 3, 4};
    EXPECT_TRUE(!CVelora::ToModel(kColorModelCount, 0, v) && !CVelora::FromModel(-1, v, c));
    EXPECT_TRUE(v[0] == 7 && c.rgbBlue == 1);
}

TEST(ColorModel, RoundTripsReturnTheColourWithinTheirTolerance) {
    // Worst cases measured over the whole cube (HSL's 6 at 0x0006FE); CMYK's colours here have K = 0.
    const auto colours = SampleColours();
    for (const auto& m : kForms)
        for (int range = 1; range <= m.ranges; ++range)
            for (std::uint32_t colour : colours) {
                colour |= m.from == &CVelora::RGBToCMYK ? 0xFF00 : 0;
                float v[4];
                RGBQUAD back{};
                m.to(&back, m.from(v, colour, range), range);
                ASSERT_LE(Distance(back, colour), m.tolerance) << range << " " << colour;
            }
    std::mt19937 random(5);
    for (int range = 1; range <= 3; ++range)  // LAB and LUV through XYZ
        for (int i = 0; i < 2000; ++i) {
            const std::uint32_t colour = random() & 0xFFFFFF;
            float v[3], xyz[3];
            RGBQUAD back{};
            CVelora::XYZToRGB(&back, CVelora::LABToXYZ(xyz, CVelora::RGBToLAB(v, colour, range), range, 2), 2);
            ASSERT_LE(Distance(back, colour), 1) << "LAB " << range << " " << colour;
            CVelora::XYZToRGB(&back, CVelora::LUVToXYZ(xyz, CVelora::RGBToLUV(v, colour, range), range, 3), 3);
            ASSERT_LE(Distance(back, colour), 1) << "LUV " << range << " " << colour;
        }
}

TEST(ColorModel, HostileComponentsGiveDefinedColours) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    RGBQUAD a{}, b{};
    // RGB back rounds (an exact half down) and clamps.
    const float rgb[3] = {100.5f, 300, nan};
    EXPECT_TRUE(CVelora::FromModel(kModelRGB, rgb, a) && IsRgb(a, 100, 255, 0));
    // HSI: a hue past the full circle (or below 0) takes the last sector, which meets the first.
    const float top[3] = {255, 128, 100}, zero[3] = {0, 128, 100};
    EXPECT_TRUE(IsRgb(*CVelora::HSIToRGB(&a, top, 1), 200, 50, 50) && IsRgb(*CVelora::HSIToRGB(&b, zero, 1), 200, 50, 50));
    for (float hue : {260.0f, -5.0f}) {  // the last sector's G is (1 - s) i
        const float outside[3] = {hue, 128, 100};
        CVelora::HSIToRGB(&a, outside, 1);
        EXPECT_TRUE(a.rgbGreen == 50 && std::abs(a.rgbRed + a.rgbGreen + a.rgbBlue - 300) <= 2) << hue;
    }
    // HSV: NaN and huge hues fall in the last case (v, p, q), not into an integer overflow.
    const float nanHue[3] = {nan, 255, 255}, hugeHue[3] = {1e30f, 255, 255};
    EXPECT_TRUE(IsRgb(*CVelora::HSVToRGB(&a, nanHue, 1), 255, 0, 0));
    EXPECT_TRUE(IsRgb(*CVelora::HSVToRGB(&a, hugeHue, 1), 255, 0, 255));
    // LUV with L = 0 is black, whatever U and V say.
    const float dark[3] = {0, 12, -40};
    for (int range = 1; range <= 3; ++range) {
        float xyz[3] = {9, 9, 9};
        EXPECT_TRUE(Near(CVelora::LUVToXYZ(xyz, dark, range == 3 ? 1 : range, range), 0, 0, 0, 0)) << range;
    }
    // Any components give a colour; LAB back stays in [0, 255] and LUV back finite.
    const float specials[] = {0, -1, 1e-30f, 255, 1e30f, -1e30f, inf, -inf, nan};
    for (float p : specials)
        for (float q : specials) {
            const float in[4] = {p, q, 128, p}, swapped[3] = {q, 1, p};
            for (int model = 0; model < kColorModelCount; ++model) ASSERT_TRUE(CVelora::FromModel(model, in, a));
            for (const float* x : {in, swapped}) {
                float xyz[3];
                CVelora::LABToXYZ(xyz, x, 1, 1);
                for (float c : xyz) ASSERT_TRUE(c >= 0 && c <= 255) << p << " " << q;
                CVelora::LUVToXYZ(xyz, x, 1, 1);
                for (float c : xyz) ASSERT_TRUE(std::isfinite(c)) << p << " " << q;
            }
        }
    // Finite components; bounded models in [0, 255] but for HSL's L (511 * 255 / 510) and YCbCr's Y of white.
    for (std::uint32_t colour : SampleColours())
        for (int model = 0; model < kColorModelCount; ++model) {
            float v[4] = {};
            CVelora::ToModel(model, colour, v);
            const bool bounded = model <= kModelHSL || model == kModelCIEXYZ || model == kModelYCbCr;
            for (int i = 0; i < FindColorModel(model)->components; ++i)
                ASSERT_TRUE(std::isfinite(v[i]) && (!bounded || (v[i] >= -1e-4f && v[i] <= 255.5f))) << model << " " << colour;
        }
}

TEST(ColorModel, SplitChannelsMatchesTheConversionOfEveryPixel) {
    // 13 x 7: partial bytes and padding; a short table (indices past it black); 64 x 48 in four bands.
    const Threads bands(4);
    unsigned seed = 1;
    for (int depth : {1, 4, 8, 24, 32})
        for (bool second : {false, true}) {
            const bool shortTable = second && depth <= 8;
            const int width = second && depth > 8 ? 64 : 13, height = width == 64 ? 48 : 7;
            CVelora source = RandomImage(width, height, depth, ++seed);
            if (shortTable) {
                const CVelora full = source;
                source = CVelora::WithTable(width, height, depth, depth == 1 ? 1 : 5, full.GetPaletteData());
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) source.SetPixel(x, y, full.GetPixel(x, y));
            }
            for (int model = 0; model < kColorModelCount; ++model) {
                std::vector<CVelora> parts;
                for (int i = 0; i < 4; ++i) parts.push_back(RandomImage(width, height, 8, ++seed));
                const auto fourth = Block(parts[3]);
                ASSERT_EQ(source.SplitChannels(model, &parts[0], &parts[1], &parts[2], &parts[3]), 0u);
                const int count = model == kModelCMYK || (model == kModelRGB && depth == 32) ? 4 : 3;
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) {
                        const RGBQUAD c = Colour(source, x, y);
                        float expected[4] = {float(c.rgbRed), float(c.rgbGreen), float(c.rgbBlue), float(source.GetAlfa(x, y))};
                        if (model == kModelRGB && depth < 8) {
                            const std::uint32_t index = source.GetPixel(x, y);
                            expected[0] = expected[1] = expected[2] = float(depth == 1 ? index * 255 : index * 255 / 15);
                        } else if (model != kModelRGB) {
                            CVelora::ToModel(model, std::uint32_t(c.rgbRed << 16 | c.rgbGreen << 8 | c.rgbBlue), expected);
                        }
                        for (int i = 0; i < count; ++i)
                            ASSERT_EQ(int(parts[std::size_t(i)].GetPixel(x, y)), std::clamp(int(std::trunc(expected[i])), 0, 255))
                                << "depth " << depth << " model " << model << " part " << i << " at " << x << "," << y;
                    }
                for (int i = 0; i < count; ++i) EXPECT_TRUE(parts[std::size_t(i)].IsGray());
                if (count == 3) {
                    EXPECT_EQ(Block(parts[3]), fourth) << "depth " << depth << " model " << model;
                }
            }
        }
    // A 32-bit image in RGB without a fourth output gives the three colours only.
    const CVelora rgba = RandomImage(13, 7, 32, 77);
    CVelora r = CVelora::WithTable(13, 7, 8, 256), g = r, b = r;
    EXPECT_EQ(rgba.SplitChannels(kModelRGB, &r, &g, &b, nullptr), 0u);
    EXPECT_EQ(g.GetPixel(4, 5), (rgba.GetPixel(4, 5) >> 8) & 0xFF);
}

TEST(ColorModel, SplitChannelsRefusesAndLeavesTheOutputsAlone) {
    const CVelora source = RandomImage(8, 8, 24, 1);
    CVelora a = RandomImage(8, 8, 8, 2), b = RandomImage(8, 8, 8, 3), c = RandomImage(8, 8, 8, 4);
    CVelora wrongSize = CVelora::WithTable(8, 9, 8, 256), wrongDepth(nullptr, nullptr, 8, 8, 24);
    CVelora fourBits(nullptr, nullptr, 8, 8, 4), empty(nullptr, nullptr, 8, 8, 16);
    const auto before = Block(a);
    // CMYK's K with nowhere to go; an output without image; missing before size; size before depth.
    for (auto [model, p, q, r, s, code] : {std::tuple{int(kModelHSV), &a, &b, (CVelora*)nullptr, (CVelora*)nullptr, 2u}, {kModelCMYK, &a, &b, &c, nullptr, 2u},
                                          {kModelHSV, &a, &empty, &c, nullptr, 2u}, {kModelHSV, &a, nullptr, &wrongSize, nullptr, 2u},
                                          {kModelHSV, &a, &wrongDepth, &wrongSize, nullptr, 3u}, {kModelYIQ, &fourBits, &b, &c, nullptr, 4u},
                                          {kModelCMYK, &a, &b, &c, &wrongDepth, 4u}, {kColorModelCount, &a, &b, &c, nullptr, 5u}, {-1, &a, &b, &c, nullptr, 5u}})
        EXPECT_EQ(source.SplitChannels(model, p, q, r, s), code) << model;
    EXPECT_EQ(SixteenBitImage(8, 8).SplitChannels(99, &a, &b, &c, nullptr), 1u);  // depth first
    EXPECT_EQ(Block(a), before);
}

#if VELORA_X86
namespace {

VELORA_AVX2 void LaneCubeRoots(const double* t, double* root) {
    const __m256d in = _mm256_loadu_pd(t);
    __m256d out;
    velora::detail::CubeRoots4<1>(&in, &out);
    _mm256_storeu_pd(root, out);
}

// The lanes' quotients of eight floats by b, and of four floats widened and times m by b.
VELORA_AVX2 void LaneQuotients(const float* a, float b, float* q) {
    _mm256_storeu_ps(q, velora::detail::Quotient8(_mm256_loadu_ps(a), b));
}
VELORA_AVX2 void LaneQuotients(const float* a, double m, double b, double* q) {
    const __m256d wide = _mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(a)), _mm256_set1_pd(m));
    _mm256_storeu_pd(q, velora::detail::Quotient4(wide, b));
}

// The bounds the table of a costly transfer's library call gives for four arguments.
template <bool ByBits>
VELORA_AVX2 void TableBounds(int function, const float* y, float* low, float* high) {
    const velora::detail::LibraryView view = velora::detail::ViewOf(velora::detail::LibraryTableOf(function));
    __m256 l, h;
    velora::detail::LibraryBounds<ByBits>(view, _mm256_zextps128_ps256(_mm_loadu_ps(y)), l, h);
    _mm_storeu_ps(low, _mm256_castps256_ps128(l));
    _mm_storeu_ps(high, _mm256_castps256_ps128(h));
}

// The fast transfer of eight components, and its width (0 where it does not serve).
template <int Function>
VELORA_AVX2 float FastTransfer(float alpha, const float* x, float* out) {
    const velora::detail::FastTransfer f = velora::detail::MakeFastTransfer<Function>(velora::detail::MakeCostlyTransfer<Function>(alpha));
    if (!f.usable) return 0.0f;
    _mm256_storeu_ps(out, velora::detail::FastTransferred<Function>(_mm256_loadu_ps(x), f));
    return f.width;
}

// XYZToRGB's red, green and blue sums in floats at one corner of eight pixels, with their bounds.
VELORA_AVX2 void XyzFloatSums(const float* x, const float* y, const float* z, float (*sum)[8], float (*bound)[8]) {
    const __m256 corner[3] = {_mm256_loadu_ps(x), _mm256_loadu_ps(y), _mm256_loadu_ps(z)};
    __m256 magnitude[3];
    for (int c = 0; c < 3; ++c) magnitude[c] = velora::detail::Abs(corner[c]);
    const velora::detail::XyzSum* sums[3] = {&velora::detail::kXyzRed, &velora::detail::kXyzGreen, &velora::detail::kXyzBlue};
    for (int s = 0; s < 3; ++s) {
        _mm256_storeu_ps(sum[s], velora::detail::XyzSumAt(*sums[s], corner[0], corner[1], corner[2]));
        _mm256_storeu_ps(bound[s], velora::detail::XyzSumBound(*sums[s], magnitude));
    }
}

// Mismatches of XYZ's equalization bins with To's components, clamped and truncated, over a row.
VELORA_AVX2 int XyzBinMismatches(const std::uint8_t* row, std::size_t pixels) {
    int wrong = 0;
    for (std::size_t x = 0; x < pixels; x += 8) {
        __m256i bins[3];
        velora::detail::XyzLanes::Bins(row + 3 * x, 3, bins);
        __m256 v[3];
        velora::detail::XyzLanes::To(row + 3 * x, 3, v);
        for (int c = 0; c < 3; ++c)
            wrong += __builtin_popcount(~unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi32(bins[c], velora::detail::BinLanes(v[c])))) & 0xFFFFFFFFu) / 4;
    }
    return wrong;
}

// Every one of the 2^24 colours as 24-bit pixels, a row of 65536 for each red, to check(row, pixels).
template <class Check>
void ForEveryColour(const Check& check) {
    std::vector<std::uint8_t> row(3 * 65536 + 32);  // room past the last pixel, as a picture's padding
    for (int red = 0; red < 256; ++red) {
        for (int at = 0; at < 65536; ++at) {
            row[std::size_t(3 * at)] = std::uint8_t(at & 255);
            row[std::size_t(3 * at + 1)] = std::uint8_t(at >> 8);
            row[std::size_t(3 * at + 2)] = std::uint8_t(red);
        }
        check(row.data(), std::size_t(65536));
    }
}

// Mismatches of the L bins the floats settle with LAB's and LUV's own, over a row; counts open lanes too.
VELORA_AVX2 int LightnessBinMismatches(const std::uint8_t* row, std::size_t pixels, int& open) {
    int wrong = 0;
    for (std::size_t x = 0; x < pixels; x += 8) {
        __m256i lanes;
        const int left = velora::detail::LightnessBins8(row + 3 * x, 3, lanes);
        alignas(32) std::int32_t bins[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(bins), lanes);
        for (int k = 0; k < 8; ++k) {
            if ((left >> k) & 1) {
                ++open;
                continue;
            }
            const std::uint8_t* p = row + 3 * (x + std::size_t(k));
            float xyz[3];
            velora::detail::RGBToXYZ(xyz, std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0], 2);
            const float Y = xyz[1] * 255.0f;  // as LAB and LUV take it
            const float lab = 116 * velora::detail::LabF(Y / 100) - 16;
            const float luv = float(116 * velora::detail::LabFDouble(double(Y) / 100) - 16);
            wrong += velora::detail::EqualizeBin(lab) != bins[k];
            wrong += velora::detail::EqualizeBin(luv) != bins[k];
        }
    }
    return wrong;
}

// YCbCr's lanes' bytes of eight pixels from their components.
VELORA_AVX2 void YCbCrLaneBytes(const float* v0, const float* v1, const float* v2, std::int32_t (*bytes)[8]) {
    const __m256 v[3] = {_mm256_loadu_ps(v0), _mm256_loadu_ps(v1), _mm256_loadu_ps(v2)};
    __m256i red, green, blue;
    velora::detail::YCbCrLanes::Channels(v, red, green, blue);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes[0]), red);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes[1]), green);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes[2]), blue);
}

}  // namespace

TEST(ColorModel, YCbCrLanesGiveTheConversionsBytesAtEveryBoundary) {
    // Bytes from float sums where they leave no doubt: red (or green) a hair either side of whole numbers.
    if (!velora::detail::HasAvx2()) GTEST_SKIP() << "the processor has no AVX2";
    std::mt19937 rng(41);
    std::uniform_real_distribution<float> component(0.0f, 255.0f);
    const double kLuma = 1.164 * 219 / 255, kChroma = 224.0 / 255;
    int wrong = 0;
    for (int i = 0; i < 40000; ++i) {
        float v[3][8];
        for (int k = 0; k < 8; ++k) {
            v[1][k] = component(rng), v[2][k] = component(rng);
            const double target = double(i % 256) + (k - 4) * 1e-5;  // red or green near a whole number
            const double rest = i % 2 ? 1.596 * (kChroma * v[2][k] - 112)
                                      : -0.392 * (kChroma * v[1][k] - 112) - 0.813 * (kChroma * v[2][k] - 112);
            v[0][k] = k == 7 ? component(rng) : std::clamp(float((target - rest) / kLuma), 0.0f, 255.0f);
        }
        std::int32_t bytes[3][8];
        YCbCrLaneBytes(v[0], v[1], v[2], bytes);
        for (int k = 0; k < 8; ++k) {
            const float in[3] = {v[0][k], v[1][k], v[2][k]};
            RGBQUAD out{};
            velora::detail::YCbCrToRGB(&out, in, 1);
            wrong += bytes[0][k] != out.rgbRed || bytes[1][k] != out.rgbGreen || bytes[2][k] != out.rgbBlue;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ColorModel, LightnessBinsOfEveryColourAreLabsAndLuvsOwn) {
    // Every one of the 2^24 colours gets both models' own L bin from floats; few are left open.
    if (!velora::detail::HasAvx2()) GTEST_SKIP() << "the processor has no AVX2";
    int wrong = 0, open = 0;
    ForEveryColour([&](const std::uint8_t* row, std::size_t pixels) { wrong += LightnessBinMismatches(row, pixels, open); });
    EXPECT_EQ(wrong, 0);
    EXPECT_LT(open, 1 << 16) << "of 2^24";
}

TEST(ColorModel, XyzBinsOfEveryColourAreTheConversionsOwn) {
    // Every one of the 2^24 colours gets To's bin from the float sums.
    if (!velora::detail::HasAvx2()) GTEST_SKIP() << "the processor has no AVX2";
    int wrong = 0;
    ForEveryColour([&](const std::uint8_t* row, std::size_t pixels) { wrong += XyzBinMismatches(row, pixels); });
    EXPECT_EQ(wrong, 0);
}

TEST(ColorModel, XyzFloatSumsStayWithinTheirBoundOfTheDoubles) {
    // The bound must hold the doubles' sums, with room, for components of any sign and size.
    if (!velora::detail::HasAvx2()) GTEST_SKIP() << "the processor has no AVX2";
    std::mt19937 rng(31);
    std::uniform_real_distribution<float> exponent(-8.0f, 14.0f);
    double worst = 0;
    for (int i = 0; i < 100000; ++i) {
        float c[3][8];
        for (auto& component : c)
            for (float& v : component) v = (rng() & 1 ? -1.0f : 1.0f) * std::exp2(exponent(rng));
        float sum[3][8], bound[3][8];
        XyzFloatSums(c[0], c[1], c[2], sum, bound);
        for (int k = 0; k < 8; ++k) {
            const double X = double(c[0][k]) / 255.0, Y = double(c[1][k]) / 255.0, Z = double(c[2][k]) / 255.0 * 1.088751;
            const double doubles[3] = {(3.240479 * X - 1.53715 * Y - 0.498535 * Z) * 255.0,
                                       (-0.969256 * X + 1.875992 * Y + 0.041556 * Z) * 255.0,
                                       (0.055648 * X - 0.204043 * Y + 1.057311 * Z) * 255.0};
            for (int s = 0; s < 3; ++s) worst = std::max(worst, std::fabs(double(sum[s][k]) - doubles[s]) / double(bound[s][k]));
        }
    }
    EXPECT_LT(worst, 0.5);
}

TEST(ColorModel, FastTransfersStayWithinTheirWidthOfTheTransfer) {
    // The polynomials' width must hold the library's logf, sinf and tanf at the alphas a slider gives.
    if (!velora::detail::HasAvx2()) GTEST_SKIP() << "the processor has no AVX2";
    std::mt19937 rng(41);
    std::uniform_real_distribution<float> component(0.0f, 255.0f);
    for (const float alpha : {0.02f, 0.1f, 0.25f, 0.5f, 0.6f, 0.75f, 0.9f, 0.95f, 1.0f})
        for (int function : {4, 5, 6}) {
            if (function == 4 && alpha != 0.5f) continue;
            SCOPED_TRACE(std::to_string(function) + " a" + std::to_string(alpha));
            double worst = 0;
            float width = 0;
            for (int i = 0; i < 40000; ++i) {
                float x[8], fast[8];
                for (int k = 0; k < 8; ++k)  // every sixteenth first, then at random, small ones too
                    x[k] = i < 511 ? std::min(255.0f, float(8 * i + k) / 16.0f) : i % 7 == 0 ? std::exp2(-0.1f * float(rng() % 200)) : component(rng);
                width = function == 4   ? FastTransfer<4>(alpha, x, fast)
                        : function == 5 ? FastTransfer<5>(alpha, x, fast)
                                        : FastTransfer<6>(alpha, x, fast);
                if (width == 0.0f) break;
                for (int k = 0; k < 8; ++k) {
                    const float exact = velora::detail::ModelTransfer(function, x[k], alpha);
                    worst = std::max(worst, std::fabs(double(fast[k]) - double(exact)) / double(width));
                }
            }
            EXPECT_LE(worst, 1.0);
        }
}

TEST(ColorModel, LibraryTablesHoldTheLibrarysValues) {
    // The bounds must hold the library's powf, logf, sinf and tanf on the transfers' own arguments.
    if (!velora::detail::HasAvx2()) GTEST_SKIP() << "the processor has no AVX2";
    std::mt19937 rng(23);
    std::uniform_real_distribution<float> component(0.0f, 255.0f), exponent(-20.0f, 8.0f), alphas(0.0f, 1.0f);
    for (int function = 3; function <= 6; ++function) {
        SCOPED_TRACE(function);
        int outside = 0;
        for (int i = 0; i < 200000; ++i) {
            float y[4];
            for (float& e : y) {
                const float x = i % 3 == 0 ? std::min(255.0f, std::exp2(exponent(rng))) : i % 97 == 0 ? 0.0f : component(rng);
                const float alpha = i % 5 == 0 ? 1.0f : std::max(alphas(rng), 1e-3f);
                e = function == 3 ? x * 65025.0f : function == 4 ? x + 1.0f : (x / 255.0f - 0.5f) * alpha * 3.1415926535f;
            }
            float low[4], high[4];
            if (function <= 4) TableBounds<true>(function, y, low, high);
            else TableBounds<false>(function, y, low, high);
            for (int k = 0; k < 4; ++k) {
                const float library = function == 3 ? std::pow(y[k], 0.333333f) : function == 4 ? std::log(y[k])
                                      : function == 5                           ? std::sin(y[k])
                                                                                : std::tan(y[k]);
                outside += !(low[k] <= library && library <= high[k]);
            }
        }
        EXPECT_EQ(outside, 0);
    }
}

TEST(ColorModel, LaneQuotientsAreTheDivisionsOwn) {
    // A multiply and two fused steps give the division's bits: random floats, and those around multiples.
    if (!velora::detail::HasAvx2()) GTEST_SKIP() << "the processor has no AVX2";
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> exponent(-24.0f, 17.0f);
    const auto dividends = [&](float b) {
        std::vector<float> out;
        for (int i = 0; i < 200000; ++i) out.push_back(std::exp2(exponent(rng)));
        for (int k = 1; k < 2000; ++k) {
            float a = std::nextafter(b * float(k), 0.0f);
            for (int n = 0; n < 3; ++n, a = std::nextafter(a, 1e9f)) out.push_back(a);
        }
        out.resize(out.size() / 8 * 8);
        return out;
    };
    for (const float b : {255.0f, 65025.0f, 7.787f, 116.0f, 500.0f, 200.0f, 95.047f, 100.0f, 108.883f, 60.0f, 42.5f}) {
        const std::vector<float> a = dividends(b);
        int wrong = 0;
        for (std::size_t i = 0; i < a.size(); i += 8) {
            float q[8];
            LaneQuotients(&a[i], b, q);
            for (int k = 0; k < 8; ++k) wrong += q[k] != a[i + std::size_t(k)] / b;
        }
        EXPECT_EQ(wrong, 0) << "float / " << b;
    }
    // HSL's lightness divides (sum + 1) 255 by 510 for every sum of a maximum and a minimum.
    int wrongLightness = 0;
    for (int sum = 0; sum <= 510; sum += 8) {
        float a[8], q[8];
        for (int k = 0; k < 8; ++k) a[k] = float((std::min(sum + k, 510) + 1) * 255);
        LaneQuotients(a, 510.0f, q);
        for (int k = 0; k < 8; ++k) wrongLightness += q[k] != a[k] / 510.0f;
    }
    EXPECT_EQ(wrongLightness, 0);
    for (const auto& [m, b] : {std::pair{1.0, 255.0}, {219.0, 255.0}, {224.0, 255.0}, {1.0, 100.0}}) {
        const std::vector<float> a = dividends(float(b));
        int wrong = 0;
        for (std::size_t i = 0; i < a.size(); i += 4) {
            double q[4];
            LaneQuotients(&a[i], m, b, q);
            for (int k = 0; k < 4; ++k) wrong += q[k] != double(a[i + std::size_t(k)]) * m / b;
        }
        EXPECT_EQ(wrong, 0) << "double x " << m << " / " << b;
    }
}

TEST(ColorModel, LaneCubeRootsStayWellWithinTheBoundOnTheLibrarysPower) {
    // Within 2^-43 of the library's pow(t, 1/3), so that the 2^-40 bound holds: exact cubes, the threshold.
    if (!velora::detail::HasAvx2()) GTEST_SKIP() << "the processor has no AVX2";
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> exponent(-12, 4);
    double worst = 0;
    for (int i = 0; i < 500000; ++i) {
        double t[4] = {std::exp2(exponent(rng)), 0.008856 * (1 + 1e-6 * double(i % 7)), std::ldexp(1.0, i % 40 - 20),
                       std::pow(double(i % 1000 + 1) / 64, 3)};
        double root[4];
        LaneCubeRoots(t, root);
        for (int k = 0; k < 4; ++k) {
            const double library = std::pow(t[k], 0.3333333333333333);
            worst = std::max(worst, std::fabs(root[k] - library) / library);
        }
    }
    EXPECT_LT(worst, velora::detail::kCubeRootBound / 8) << worst;
}
#endif
