// Warps and interlacing against a per-pixel evaluation of each mapping; refusals; arguments at their limits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>

#include "ByteRows.h"
#include "CVelora.h"
#include "TestImages.h"
#include "MathLanes.h"

using namespace testing_support;

namespace {

constexpr int kDepths[] = {1, 4, 8, 24, 32};

// Random pixels under a colour table of `entries` entries (all of them for 0).
CVelora Subject(int width, int height, int depth, unsigned seed, std::uint32_t entries = 0) {
    std::mt19937 rng(seed);
    return depth > 8 || entries == 0 ? RandomImage(width, height, depth, seed) : ShortTableImage(width, height, depth, entries, false, rng);
}

std::uint32_t Entries(const CVelora& im) { return std::min(im.GetNumColors(), im.GetMaxColors()); }

void Fill(CVelora& im, std::uint32_t value) {
    for (int y = 0; y < im.GetHeight(); ++y)
        for (int x = 0; x < im.GetWidth(); ++x) im.SetPixel(x, y, value);
}

bool Inside(const CVelora& im, double x, double y) { return x >= 0 && x < im.GetWidth() && y >= 0 && y < im.GetHeight(); }

CVelora NaiveEllipse(const CVelora& in) {
    CVelora out = in;
    const int w = in.GetWidth(), h = in.GetHeight();
    const float cx = float(w * 0.5), cy = float(h * 0.5), q = float(h) / float(w);
    const std::uint32_t top = in.GetBitCount() > 8 ? 0xFFFFFFu : Entries(in) - 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = (float(x) - cx) * q, v = float(y) - cy;
            float k = 0;
            if (u != 0 || v != 0) {
                const float r = std::sqrt(u * u + v * v);
                k = std::fabs(u) > std::fabs(v) ? std::fabs(r / u) : std::fabs(r / v);
            }
            const double sx = std::trunc(k * u / q + cx), sy = std::trunc(k * v + cy);
            out.SetPixel(x, y, Inside(in, sx, sy) ? in.GetPixel(int(sx), int(sy)) : top);
        }
    return out;
}

CVelora NaiveRipple(const CVelora& in, int amplitude, int divisor, int zone, std::uint32_t colourRef) {
    CVelora out = in;
    Fill(out, ExpectedBackground(in, colourRef));
    const int h = in.GetHeight();
    for (int x = 0; x < in.GetWidth(); ++x) {
        const double d = (std::sin(double(x) / divisor) + 1.0) * amplitude;
        for (int i = 0; i < h; ++i) {
            const int y = zone == 0 ? i : h - 1 - i;
            const double t = std::trunc(zone == 0 ? y + d : y - d);
            if (t >= 0 && t < h) out.SetPixel(x, int(t), in.GetPixel(x, y));
        }
    }
    return out;
}

CVelora NaiveSwirl(const CVelora& in, double angle, int radius) {
    CVelora out = in;
    const int cx = in.GetWidth() / 2, cy = in.GetHeight() / 2;
    const std::uint32_t outside = in.GetBitCount() > 8 ? 0 : std::min(in.GetMaxColors(), Entries(in)) - 1;
    const double k = angle * 0.02741556778080377;
    for (int y = 0; y < in.GetHeight(); ++y)
        for (int x = 0; x < in.GetWidth(); ++x) {
            const int dx = x - cx, dy = y - cy;
            const double r = std::sqrt(double(dx * dx + dy * dy));
            if (r > radius) continue;
            const double theta = (radius - r) / radius * k;
            const double sx = std::trunc(std::cos(theta) * dx - std::sin(theta) * dy + cx);
            const double sy = std::trunc(std::sin(theta) * dx + std::cos(theta) * dy + cy);
            out.SetPixel(x, y, Inside(in, sx, sy) ? in.GetPixel(int(sx), int(sy)) : outside);
        }
    return out;
}

CVelora NaiveShear(const CVelora& in, int type, double percent, std::uint32_t colourRef) {
    CVelora out = in;
    Fill(out, ExpectedBackground(in, colourRef));
    const double s = type <= 3 ? percent / 50 : percent / 100;
    for (int i = 0; i < in.GetWidth(); ++i)
        for (int j = 0; j < in.GetHeight(); ++j) {
            double x = i, y = j;
            switch (type) {
                case 0: x = i + s * j; break;
                case 1: x = i - s * j; break;
                case 2: y = j + s * i; break;
                case 3: y = j - s * i; break;
                case 4: x = i - s * j; y = j - s * i; break;
                case 5: y = j - s * j; break;
                case 6: x = i - s * j; y = j - s * j; break;
                case 7: x = i - s * i; break;
                case 8: x = i - s * i; y = j - s * i; break;
                case 9: x = i + s * j; y = j + s * i; break;
            }
            x = std::trunc(x);
            y = std::trunc(y);
            if (Inside(in, x, y)) out.SetPixel(int(x), int(y), in.GetPixel(i, j));
        }
    return out;
}

// Copies whole pixels, alpha included, as interlacing moves them.
void CopyPixel(CVelora& out, int x, int y, const CVelora& in, int sx, int sy) {
    out.SetPixel(x, y, in.GetPixel(sx, sy));
    if (in.GetBitCount() == 32) out.SetAlfa(x, y, in.GetAlfa(sx, sy));
}

// The colour reference of a middle entry of the table (any colour for direct colour).
std::uint32_t InTable(const CVelora& im) {
    if (im.GetBitCount() > 8) return 0x123456u;
    const RGBQUAD e = im.GetPaletteData()[Entries(im) / 2];
    return std::uint32_t(e.rgbRed) | std::uint32_t(e.rgbGreen) << 8 | std::uint32_t(e.rgbBlue) << 16;
}

// The warp on a copy of source against the mapping's own result.
void ExpectWarp(const CVelora& source, const std::function<unsigned(CVelora&)>& warp, const CVelora& expected) {
    CVelora image = source;
    ASSERT_EQ(warp(image), 0u);
    EXPECT_EQ(Block(image), Block(expected));
}

}  // namespace

TEST(Warps, EveryWarpMatchesItsPerPixelMappingOnEveryDepth) {
    std::mt19937 rng(2024);
    for (int depth : kDepths)
        for (int round = 0; round < 6; ++round) {
            const int w = 1 + int(rng() % 37), h = 1 + int(rng() % 29);
            const std::uint32_t entries = depth <= 8 && round % 2 ? 1 + rng() % ((1u << depth) - 1) : 0;
            const CVelora source = Subject(w, h, depth, unsigned(rng()), entries);
            SCOPED_TRACE(testing::Message() << depth << " bits " << w << "x" << h << " table " << entries);
            // A background that is in the table, and one that is not.
            const std::uint32_t colours[] = {InTable(source), 0x01FE7Fu};
            ExpectWarp(source, [](CVelora& im) { return im.Ellipse(); }, NaiveEllipse(source));
            for (int zone : {0, 1}) {
                const int amplitude = int(rng() % 40) - 10, divisor = int(rng() % 30) - 7;
                SCOPED_TRACE(testing::Message() << "ripple " << amplitude << " " << divisor << " " << zone);
                if (divisor != 0)
                    ExpectWarp(source, [&](CVelora& im) { return im.Ripple(amplitude, divisor, zone, colours[zone]); },
                               NaiveRipple(source, amplitude, divisor, zone, colours[zone]));
            }
            const double angle = std::uniform_real_distribution<double>(-720, 720)(rng);
            const int radius = int(rng() % 40);
            SCOPED_TRACE(testing::Message() << "swirl " << angle << " " << radius);
            ExpectWarp(source, [&](CVelora& im) { return im.Swirl(angle, radius); }, NaiveSwirl(source, angle, std::max(radius, 1)));
            for (int type = 0; type <= 9; ++type) {
                const double percent = round == 0 ? 100 : std::uniform_real_distribution<double>(0, 100)(rng);
                SCOPED_TRACE(testing::Message() << "shear " << type << " " << percent);
                ExpectWarp(source, [&](CVelora& im) { return im.Shear(type, percent, colours[type % 2]); },
                           NaiveShear(source, type, percent, colours[type % 2]));
            }
        }
}

TEST(Warps, LargerPicturesTakeTheFastPathsWithTheSameBytes) {
    // Shifts with fractions just below 1 in some columns, on a picture large enough to share among threads.
    const CVelora source = RandomImage(301, 260, 24, 9);
    for (int amplitude : {-250, -37, 1, 64, 255})
        for (int zone : {0, 1}) {
            SCOPED_TRACE(testing::Message() << amplitude << " " << zone);
            ExpectWarp(source, [&](CVelora& im) { return im.Ripple(amplitude, 7, zone, 0xFF); }, NaiveRipple(source, amplitude, 7, zone, 0xFF));
        }
    ExpectWarp(source, [](CVelora& im) { return im.Swirl(300, 140); }, NaiveSwirl(source, 300, 140));
    // The ellipse eight columns at a time, with the centre on a pixel (odd sizes) and between.
    for (int depth : {8, 24, 32})
        for (const auto& [w, h] : {std::pair{301, 260}, std::pair{200, 333}, std::pair{200, 334}}) {
            const CVelora picture = RandomImage(w, h, depth, unsigned(w + depth));
            SCOPED_TRACE(testing::Message() << depth << " " << w << " x " << h);
            ExpectWarp(picture, [](CVelora& im) { return im.Ellipse(); }, NaiveEllipse(picture));
        }
    // Discs cut by the edges; a disc over a picture without padding whose last pixel is a source (no 4-byte read).
    for (const auto& [w, h, angle, radius] : {std::tuple{400, 300, -200.0, 250}, std::tuple{300, 400, -200.0, 250},
                                              std::tuple{400, 301, 0.01, 600}}) {
        const CVelora large = RandomImage(w, h, 24, 10);
        SCOPED_TRACE(testing::Message() << w << " x " << h << " " << angle);
        ExpectWarp(large, [&](CVelora& im) { return im.Swirl(angle, radius); }, NaiveSwirl(large, angle, radius));
    }
    // At 99.99 % the column shifts 1.9998 i have fractions just below 1; near 100 % types 5 and 6 crowd rows.
    for (int type : {2, 3, 4, 5, 6, 8, 9})
        for (double percent : {10.0, 73.0, 99.99, 100 - 1e-12}) {
            SCOPED_TRACE(testing::Message() << type << " " << percent);
            ExpectWarp(source, [&](CVelora& im) { return im.Shear(type, percent, 0xFF); }, NaiveShear(source, type, percent, 0xFF));
        }
}

TEST(Interlace, RowsAndColumnsOfBothPicturesInTurn) {
    for (int depth : kDepths)
        for (int kind : {0, 1}) {
            SCOPED_TRACE(std::to_string(depth) + " kind " + std::to_string(kind));
            // Rows: 7 x 10 and 7 x 6 give 7 x 16; columns: 5 x 4 and 8 x 4 give 13 x 4, the rest after the pairs.
            const CVelora a = kind ? RandomImage(5, 4, depth, 14) : RandomImage(7, 10, depth, 11);
            const CVelora b = kind ? RandomImage(8, 4, depth, 15) : RandomImage(7, 6, depth, 12);
            CVelora target = RandomImage(3, 3, depth, 13);
            target.SetName("target.bmp");
            const CVelora before = target;
            ASSERT_EQ(target.Interlace(kind, &a, &b), 0u);
            EXPECT_EQ(target.GetName(), "target.bmp");
            const int w = kind ? 13 : 7, h = kind ? 4 : 16;
            CVelora expected = depth <= 8 ? CVelora::WithTable(w, h, depth, Entries(before), before.GetPaletteData())
                                          : CVelora(nullptr, nullptr, w, h, depth);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    if (kind == 0) CopyPixel(expected, x, y, y < 12 ? (y % 2 ? b : a) : a, x, y < 12 ? y / 2 : y - 6);
                    else CopyPixel(expected, x, y, x < 10 ? (x % 2 ? b : a) : b, x < 10 ? x / 2 : x - 5, y);
                }
            EXPECT_EQ(Block(target), Block(expected));
        }
    // A target of another depth takes the pictures' colour table with their depth.
    const CVelora a = RandomImage(4, 3, 8, 1), b = RandomImage(4, 2, 8, 2);
    CVelora target = RandomImage(2, 2, 24, 3);
    ASSERT_EQ(target.Interlace(0, &a, &b), 0u);
    EXPECT_EQ(target.GetBitCount(), 8);
    EXPECT_EQ(std::memcmp(target.GetPaletteData(), a.GetPaletteData(), 256 * sizeof(RGBQUAD)), 0);
    EXPECT_EQ(target.GetPixel(3, 1), b.GetPixel(3, 0));
    EXPECT_EQ(target.GetPixel(3, 4), a.GetPixel(3, 2));
}

TEST(Deinterlace, EvenAndOddRowsAndColumns) {
    for (int depth : kDepths) {
        SCOPED_TRACE(depth);
        const CVelora source = RandomImage(9, 5, depth, 21);
        for (int kind : {0, 1})
            for (int parity : {1, 2}) {
                const int rows = kind == 0 ? (parity == 1 ? 3 : 2) : 5, columns = kind == 1 ? (parity == 1 ? 5 : 4) : 9;
                CVelora expected = depth <= 8 ? CVelora::WithTable(columns, rows, depth, Entries(source), source.GetPaletteData())
                                              : CVelora(nullptr, nullptr, columns, rows, depth);
                for (int y = 0; y < rows; ++y)
                    for (int x = 0; x < columns; ++x)
                        CopyPixel(expected, x, y, source, kind == 1 ? 2 * x + parity - 1 : x, kind == 0 ? 2 * y + parity - 1 : y);
                ExpectWarp(source, [&](CVelora& im) { return im.Deinterlace(kind, parity); }, expected);
            }
    }
}

TEST(Warps, RefusalsComeInTheirOrderAndLeaveTheImage) {
    // Single ranges and depths: CatalogTest. Here the order among several bad arguments.
    const CVelora sixteen = SixteenBitImage(4, 4);
    const CVelora eight = RandomImage(4, 4, 8, 1);
    struct Case {
        const char* what;
        const CVelora& image;
        std::function<unsigned(CVelora&)> call;
        unsigned code;
    };
    const CVelora other = RandomImage(5, 3, 24, 2), tallOther = RandomImage(4, 9, 8, 3), wide = RandomImage(5, 4, 8, 1);
    const CVelora oneRow = RandomImage(6, 1, 24, 1), oneColumn = RandomImage(1, 6, 1, 1);
    const Case cases[] = {
        {"ripple zone before depth", sixteen, [](CVelora& im) { return im.Ripple(1, 1, 2, 0); }, 1},
        {"swirl depth", sixteen, [](CVelora& im) { return im.Swirl(NAN, 3); }, 1},
        {"ripple zero divisor", eight, [](CVelora& im) { return im.Ripple(5, 0, 0, 0); }, 3},
        {"swirl infinite angle", eight, [](CVelora& im) { return im.Swirl(INFINITY, 3); }, 2},
        {"swirl NaN angle", eight, [](CVelora& im) { return im.Swirl(NAN, 3); }, 2},
        {"shear depth first", sixteen, [](CVelora& im) { return im.Shear(10, 200, 0); }, 1},
        {"interlace missing", eight, [&](CVelora& im) { return im.Interlace(0, &eight, nullptr); }, 2},
        {"interlace target depth", sixteen, [&](CVelora& im) { return im.Interlace(0, &eight, &eight); }, 3},
        {"interlace picture depth", eight, [&](CVelora& im) { return im.Interlace(0, &eight, &sixteen); }, 3},
        {"interlace depths differ", eight, [&](CVelora& im) { return im.Interlace(0, &eight, &other); }, 4},
        {"interlace widths", eight, [&](CVelora& im) { return im.Interlace(0, &eight, &wide); }, 5},
        {"interlace heights", eight, [&](CVelora& im) { return im.Interlace(1, &eight, &tallOther); }, 6},
        {"deinterlace depth", sixteen, [](CVelora& im) { return im.Deinterlace(5, 5); }, 1},
        {"deinterlace one row, odd rows", oneRow, [](CVelora& im) { return im.Deinterlace(0, 2); }, 4},
        {"deinterlace one column, odd columns", oneColumn, [](CVelora& im) { return im.Deinterlace(1, 2); }, 4},
    };
    for (const Case& c : cases) {
        CVelora image = c.image;
        EXPECT_EQ(c.call(image), c.code) << c.what;
        EXPECT_EQ(Block(image), Block(c.image)) << c.what;
    }
}

TEST(Warps, ArgumentsAtTheLimitsGiveDefinedResults) {
    // For the sanitizers: shifts beyond int, a radius of 0, the widest shears, one row or column.
    const CVelora source = RandomImage(13, 11, 24, 31);
    for (int amplitude : {std::numeric_limits<int>::max(), std::numeric_limits<int>::min()})
        for (int divisor : {1, -1, std::numeric_limits<int>::min()})
            for (int zone : {0, 1}) {
                SCOPED_TRACE(testing::Message() << amplitude << " " << divisor << " " << zone);
                ExpectWarp(source, [&](CVelora& im) { return im.Ripple(amplitude, divisor, zone, 0x00FF00); },
                           NaiveRipple(source, amplitude, divisor, zone, 0x00FF00));
            }
    for (double angle : {1e300, -1e300, 0.0}) {
        SCOPED_TRACE(angle);
        constexpr int kWidest = std::numeric_limits<int>::max();
        ExpectWarp(source, [&](CVelora& im) { return im.Swirl(angle, kWidest); }, NaiveSwirl(source, angle, kWidest));
        for (int radius : {0, -4}) ExpectWarp(source, [&](CVelora& im) { return im.Swirl(angle, radius); }, source);  // no disc
    }
    for (auto [w, h] : {std::pair{1, 1}, {1, 7}, {7, 1}})
        for (int depth : kDepths) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " " << depth);
            const CVelora thin = RandomImage(w, h, depth, unsigned(w * 10 + h));
            ExpectWarp(thin, [](CVelora& im) { return im.Ellipse(); }, NaiveEllipse(thin));
            for (int type = 0; type <= 9; ++type)
                ExpectWarp(thin, [&](CVelora& im) { return im.Shear(type, 100, 0); }, NaiveShear(thin, type, 100, 0));
            ExpectWarp(thin, [](CVelora& im) { return im.Swirl(720, 3); }, NaiveSwirl(thin, 720, 3));
        }
}

#if VELORA_X86
namespace {

VELORA_AVX2 void LaneSinCos(const double* x, double* sine, double* cosine) {
    __m256d s, c;
    velora::detail::SinCosLanes(_mm256_loadu_pd(x), s, c);
    _mm256_storeu_pd(sine, s);
    _mm256_storeu_pd(cosine, c);
}

}  // namespace

TEST(Warps, LaneSineAndCosineStayWellWithinTheirBoundOfTheLibrarys) {
    // The swirl trusts these bounds: the whole lane range, small turns, beside multiples of pi/2, its own turns.
    if (!velora::detail::HasAvx2()) GTEST_SKIP() << "the processor has no AVX2";
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> anywhere(-velora::detail::kSinCosLaneLimit, velora::detail::kSinCosLaneLimit);
    std::uniform_real_distribution<double> small(-8, 8), unit(0, 1);
    double worst = 0;
    for (int i = 0; i < 250000; ++i) {
        double x[4], s[4], c[4];
        x[0] = anywhere(rng);
        x[1] = small(rng);
        x[2] = std::nextafter(std::round(anywhere(rng) / 1.5707963267948966) * 1.5707963267948966, 0.0) +
               double(int(rng() % 64) - 32) * 1e-13;
        x[3] = unit(rng) * (720 * 0.02741556778080377);
        LaneSinCos(x, s, c);
        for (int lane = 0; lane < 4; ++lane)
            worst = std::max({worst, std::fabs(s[lane] - std::sin(x[lane])), std::fabs(c[lane] - std::cos(x[lane]))});
    }
    EXPECT_LT(worst, velora::detail::kSinCosLaneError / 8);
}
#endif
