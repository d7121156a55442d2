// Translation by pixels and by visual angle, the angular extent, and their command line.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <random>

#include "CVelora.h"
#include "CliRun.h"
#include "Operation.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

// Main monitor 1920 x 1080 on 531 x 299 mm (53 x 29 whole cm).
MonitorGeometry OneMonitor() {
    return DescribeMonitors(1, MonitorMeasures{1920, 1080, 531, 299, 96, 96}, nullptr);
}
// And a second one of 1280 x 1024 on 376 x 301 mm (37 x 30 cm).
MonitorGeometry TwoMonitors() {
    const MonitorMeasures second{1280, 1024, 376, 301, 96, 96};
    return DescribeMonitors(2, MonitorMeasures{1920, 1080, 531, 299, 96, 96}, &second);
}

// The rule: a background canvas, every source pixel (with its alpha) written moved, writes outside dropped.
CVelora NaiveTranslate(const CVelora& src, int mode, int dx, int dy, std::uint32_t background) {
    const int w = src.GetWidth(), h = src.GetHeight();
    const int nw = mode == 0 ? w + std::abs(dx) : w, nh = mode == 0 ? h + std::abs(dy) : h;
    std::vector<RGBQUAD> table(src.GetBitCount() <= 8 ? src.GetNumColors() : 0);
    if (src.GetBitCount() <= 8) src.GetPalette(table.data());
    CVelora out = src.GetBitCount() <= 8
                      ? CVelora::WithTable(nw, nh, src.GetBitCount(), src.GetNumColors(), table.data())
                      : CVelora(nullptr, nullptr, nw, nh, src.GetBitCount());
    const std::uint32_t bg = ExpectedBackground(src, background);
    for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x) out.SetPixel(x, y, bg);
    const int ox = mode == 0 ? std::max(dx, 0) : dx, oy = mode == 0 ? std::max(dy, 0) : dy;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            out.SetPixel(x + ox, y + oy, src.GetPixel(x, y));
            if (src.GetBitCount() == 32) out.SetAlfa(x + ox, y + oy, src.GetAlfa(x, y));
        }
    out.SetName(src.GetName());
    return out;
}

}  // namespace

TEST(Translate, EveryDepthMatchesThePixelByPixelRule) {
    std::mt19937 rng(7031);
    // Odd widths give partial bytes and padding; offsets cross byte boundaries of 1/4 bits.
    for (int depth : {1, 4, 8, 24, 32})
        for (int round = 0; round < 6; ++round) {
            const int w = 1 + int(rng() % 37), h = 1 + int(rng() % 9);
            CVelora source = RandomImage(w, h, depth, rng());
            if (depth <= 8 && round % 2) source = CVelora::WithTable(w, h, depth, 1 + rng() % (1u << depth));
            if (depth <= 8 && round % 2)
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) source.SetPixel(x, y, rng() % source.GetNumColors());
            source.SetName("pic.bmp");
            for (int mode : {0, 1})
                for (int k = 0; k < 6; ++k) {
                    const int dx = int(rng() % 61) - 30, dy = int(rng() % 21) - 10;
                    // A palette colour half of the time, else (almost surely) one not in it.
                    std::uint32_t bg = rng() & 0xFFFFFF;
                    if (depth <= 8 && k % 2) {
                        RGBQUAD c{};
                        source.GetRGBPixel(0, 0, c);
                        bg = c.rgbRed | (c.rgbGreen << 8) | (c.rgbBlue << 16);
                    }
                    SCOPED_TRACE(testing::Message() << w << "x" << h << "x" << depth << " mode " << mode << " by " << dx << "," << dy
                                                    << " bg " << bg);
                    CVelora fast = source;
                    ASSERT_EQ(fast.Translate(mode, dx, dy, bg), 0u);
                    const CVelora naive = NaiveTranslate(source, mode, dx, dy, bg);
                    EXPECT_EQ(Block(fast), Block(naive));
                    EXPECT_EQ(fast.GetName(), "pic.bmp");
                }
        }
}

TEST(Translate, TheLargestOffsetsKeepTheSizeInMode1AndAreRefusedInMode0) {
    CVelora image = RandomImage(20, 6, 24, 3);
    const CVelora source = image;
    ASSERT_EQ(image.Translate(1, INT_MIN, INT_MAX, 0), 0u);
    EXPECT_EQ(Block(image), Block(NaiveTranslate(source, 1, 20, 6, 0)));  // background only
    image = source;
    EXPECT_EQ(image.Translate(0, INT_MIN, 0, 0), 3u);
    EXPECT_EQ(image.Translate(0, 40000, 40000, 0), 3u);  // over 1 GiB
    EXPECT_EQ(Block(image), Block(source));
}

TEST(Translate, Refusals) {
    // Depths and ranges alone: CatalogTest.
    EXPECT_EQ(SixteenBitImage(4, 3).Translate(5, 1, 1, 0), 1u);  // the depth before the mode
    DisplacementReadout readout;
    CVelora image = RandomImage(6, 4, 8, 9);
    EXPECT_EQ(image.TranslateByAngle(1, 40, 5, 45, 0, readout, MonitorGeometry{}), 5u);
    EXPECT_EQ(image.TranslateByAngle(1, 40, 5, 45, 0, readout,
                                     DescribeMonitors(1, MonitorMeasures{800, 600, 9, 300}, nullptr)),
              5u);  // under 1 cm: it would divide by zero
    EXPECT_EQ(image.TranslateByAngle(0, 2000000000, 80, 90, 0, readout, OneMonitor()), 6u);
}

TEST(TranslateByAngle, ComponentsAndTruncation) {
    const MonitorGeometry m = OneMonitor();
    DisplacementReadout r;
    // d = 40, alpha = 5, beta = 90: r = 40 sin 5 = 3.486 cm, all of it to the right.
    ASSERT_EQ(CVelora::AngularDisplacement(40, 5, 90, m, r), 0u);
    EXPECT_NEAR(r.centimetres, 3.48623, 1e-4);
    EXPECT_NEAR(r.inches, 3.48623 * 0.393700787, 1e-4);
    EXPECT_FLOAT_EQ(r.horizontal, r.centimetres);
    // Right: dx = trunc(1920 * 3.48623 / 53) = trunc(126.29); up: dx exactly 0, dy negative
    // (truncated toward zero); down; left: dy exactly 0; the second monitor (1280 px on 37 cm).
    struct Case {
        float beta;
        MonitorGeometry monitors;
        int dx, dy;
    };
    for (const Case& c : {Case{90, m, 126, 0}, Case{0, m, 0, -129}, Case{180, m, 0, 129}, Case{270, m, -126, 0}, Case{360, m, 0, -129},
                          Case{90, TwoMonitors(), 120, 0}}) {
        ASSERT_EQ(CVelora::AngularDisplacement(40, 5, c.beta, c.monitors, r), 0u);
        EXPECT_TRUE(r.dx == c.dx && r.dy == c.dy) << c.beta << ": " << r.dx << ", " << r.dy;
        EXPECT_TRUE((c.dx == 0) == (r.horizontal == 0.0f) && (c.dy == 0) == (r.vertical == 0.0f)) << c.beta;
    }
    // Offsets beyond int are held at its ends instead of overflowing.
    ASSERT_EQ(CVelora::AngularDisplacement(INT_MAX, 80, 90, m, r), 0u);
    EXPECT_EQ(r.dx, INT_MAX);
    ASSERT_EQ(CVelora::AngularDisplacement(INT_MAX, 80, 270, m, r), 0u);
    EXPECT_EQ(r.dx, INT_MIN);

    // The translation uses these offsets.
    CVelora image = RandomImage(300, 20, 24, 4);
    CVelora expected = image;
    ASSERT_EQ(expected.Translate(0, 126, 0, 0xFFFFFF), 0u);
    ASSERT_EQ(image.TranslateByAngle(0, 40, 5, 90, 0xFFFFFF, r, m), 0u);
    EXPECT_EQ(Block(image), Block(expected));
}

TEST(AngularExtent, OneDegreeAtFortyCentimetresAndRefusals) {
    AngularExtentResult r;
    ASSERT_EQ(CVelora::AngularExtent(40, 1, 0, OneMonitor(), r), 0u);
    EXPECT_NEAR(r.centimetres, 0.69810, 1e-4);
    EXPECT_NEAR(r.inches, 0.69810 * 0.393700787, 1e-5);
    EXPECT_EQ(r.horizontalPixels, 25);  // trunc(1920 * 0.6981 / 53)
    EXPECT_EQ(r.verticalPixels, 25);    // trunc(1080 * 0.6981 / 29)
    ASSERT_EQ(CVelora::AngularExtent(40, 1, 1, TwoMonitors(), r), 0u);
    EXPECT_EQ(r.horizontalPixels, 24);  // trunc(1280 * 0.6981 / 37)
    EXPECT_EQ(r.verticalPixels, 23);    // trunc(1024 * 0.6981 / 30)

    // Refusals leave the result alone.
    auto refused = [&](int d, float angle, int monitor, const MonitorGeometry& g) {
        AngularExtentResult out{1, 2, 3, 4};
        const unsigned code = CVelora::AngularExtent(d, angle, monitor, g, out);
        EXPECT_EQ(out.horizontalPixels, 3);
        return code;
    };
    EXPECT_EQ(refused(-1, 1, 0, OneMonitor()), 1u);
    EXPECT_EQ(refused(40, 1, 1, OneMonitor()), 3u);  // no second monitor
    EXPECT_EQ(refused(40, 1, 2, TwoMonitors()), 3u);
    EXPECT_EQ(refused(40, 1, 0, MonitorGeometry{}), 4u);

    // The diagonals: trunc(sqrt(29.9^2 + 53.1^2) * 0.3937 + 1) = 24 inches.
    EXPECT_EQ(OneMonitor().mainDiagonal, 24u);
    EXPECT_EQ(OneMonitor().secondWidth, 0u);
    EXPECT_EQ(TwoMonitors().secondDiagonal, 19u);
    EXPECT_EQ(TwoMonitors().secondHeightMm, 301u);
}

TEST(TranslationCommandLine, VisualAnglesNeedTheMonitorOptionWhichMayGiveTwo) {
    // Steps against their member calls, and ranges: CatalogTest.
    const std::string input = TempPath("translate_in.bmp"), output = TempPath("translate_out.bmp");
    ASSERT_EQ(RandomImage(50, 8, 8, 12).SaveBMP(input), 0u);
    CliRun run = Velora("apply " + input + " " + output + " TranslateByAngle:1,40,5,90,0");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("TranslateByAngle measures visual angles on a monitor and needs --monitor"), std::string::npos)
        << run.err;
    run = Velora("--monitor \"1920x1080:531x299;1280x1024:376x301\" query " + input +
                 " AngularExtent:40,1.0,0 AngularExtent:40,1.0,1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"horizontalPixels\":24,\"verticalPixels\":23"), std::string::npos) << run.out;  // the second
}
