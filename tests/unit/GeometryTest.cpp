// Rotation, crop and scaling against the mapping per pixel on every depth, and the cases that tell rules apart.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

#include "CVelora.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

const int kRotationDepths[] = {1, 4, 8, 16, 24, 32};

// What an image shows pixel by pixel (top row first): the raw value and, for 32 bits, the alpha byte.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> value;
    std::vector<std::uint8_t> alpha;
    std::uint32_t& at(int x, int y) { return value[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    std::uint8_t& alphaAt(int x, int y) { return alpha[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    bool operator==(const Picture&) const = default;
};

Picture Blank(int width, int height) {
    const std::size_t n = std::size_t(width) * std::size_t(height);
    return {width, height, std::vector<std::uint32_t>(n), std::vector<std::uint8_t>(n)};
}

Picture Read(const CVelora& image) {
    Picture p = Blank(image.GetWidth(), image.GetHeight());
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            p.at(x, y) = AnyPixel(image, x, y);
            if (image.GetBitCount() == 32) p.alphaAt(x, y) = image.GetAlfa(x, y);
        }
    return p;
}

// The in-plane rotation, output column by column as the rule is written.
Picture NaiveRotate(const Picture& in, int mode, double theta, std::uint32_t background) {
    const double t = theta / 180 * std::numbers::pi;
    const double s = std::sin(t), c = std::cos(t);
    const int W = in.width, H = in.height;
    int w = W, h = H;
    if (mode == 0) {
        w = int(std::max(std::abs(RoundHalfDown(W * c) + RoundHalfDown(H * s)), std::abs(RoundHalfDown(H * s) - RoundHalfDown(W * c))));
        h = int(std::max(std::abs(RoundHalfDown(H * c) + RoundHalfDown(W * s)), std::abs(RoundHalfDown(H * c) - RoundHalfDown(W * s))));
    }
    Picture out = Blank(w, h);
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y) {
            const double u = x - w / 2, v = h / 2 - y;
            const int sy = int(RoundHalfDown(H / 2 - (v * c + u * s)));
            const int sx = int(RoundHalfDown(u * c - v * s + W / 2));
            const bool inside = sx >= 0 && sx < W && sy >= 0 && sy < H;
            const std::size_t from = std::size_t(sy) * std::size_t(W) + std::size_t(sx);
            out.at(x, y) = inside ? in.value[from] : background;
            out.alphaAt(x, y) = inside ? in.alpha[from] : std::uint8_t(0);
        }
    return out;
}

// The three-axis rotation: a forward mapping in source order, then the in-plane rotation.
Picture NaiveRotate3D(const Picture& in, int mode, double alpha, double beta, double theta, std::uint32_t background) {
    const double a = alpha / 180 * std::numbers::pi, b = beta / 180 * std::numbers::pi;
    const int W = in.width, H = in.height;
    Picture out = Blank(W, H);
    for (auto& v : out.value) v = background;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double px = x - W / 2, py = y - H / 2;
            const int tx = int(std::trunc(px * std::cos(a) + W / 2));
            const int ty = int(std::trunc(py * std::cos(b) + px * std::sin(a) * std::sin(b) + H / 2));
            if (tx >= 0 && tx < W && ty >= 0 && ty < H) {
                out.at(tx, ty) = in.value[std::size_t(y) * std::size_t(W) + std::size_t(x)];
                out.alphaAt(tx, ty) = in.alpha[std::size_t(y) * std::size_t(W) + std::size_t(x)];
            }
        }
    return theta != 0 ? NaiveRotate(out, mode, theta, background) : out;
}

}  // namespace

TEST(Rotate, MatchesThePerPixelMappingOnEveryDepth) {
    std::mt19937 rng(11);
    const double angles[] = {0, 30, 45, -45, 90, -90, 180, 270, 12.345, -359.9, 360, -360, 135.5};
    for (int depth : kRotationDepths)
        for (const auto& size : {std::pair{13, 7}, std::pair{8, 11}, std::pair{1, 1}, std::pair{2, 5}})
            for (double theta : angles)
                for (int mode : {0, 1}) {
                    SCOPED_TRACE(testing::Message() << depth << " bits " << size.first << "x" << size.second << " theta " << theta << " mode " << mode);
                    CVelora image = RandomImage(size.first, size.second, depth, rng());
                    image.SetName("r.bmp");
                    const std::uint32_t colour = rng() & 0xFFFFFF;
                    const Picture expected = NaiveRotate(Read(image), mode, theta, ExpectedBackground(image, colour));
                    const BITMAPINFOHEADER before = image.GetBitmapInfoHeader();
                    ASSERT_EQ(image.Rotate(mode, theta, colour), 0u);
                    ASSERT_EQ(Read(image), expected);
                    EXPECT_EQ(image.GetName(), "r.bmp");
                    EXPECT_EQ(image.GetBitmapInfoHeader().biClrUsed, before.biClrUsed);
                    EXPECT_EQ(image.GetSizeImage(), CVelora::GetImageSize(expected.width, expected.height, depth));
                }
}

TEST(Rotate, QuarterTurnsAndOtherAnglesOnLargerImages) {
    // Quarter turns step by whole pixels; angles near them too, while rounding cannot tell the difference.
    std::mt19937 rng(13);
    // Other angles take four columns at a time where the processor can: 60 degrees puts many beside a half.
    for (int depth : {8, 16, 24, 32})
        for (double theta : {90.0, -90.0, 180.0, 270.0, 89.99, 90.0000001, 179.9999, -270.00001, 90.3, 60.0, -137.2})
            for (int mode : {0, 1}) {
                SCOPED_TRACE("depth " + std::to_string(depth) + " theta " + std::to_string(theta));
                CVelora image = RandomImage(301, 203, depth, rng());
                const Picture expected = NaiveRotate(Read(image), mode, theta, ExpectedBackground(image, 0x123456));
                ASSERT_EQ(image.Rotate(mode, theta, 0x123456), 0u);
                ASSERT_EQ(Read(image), expected);
            }
}

TEST(Rotate3D, MatchesThePerPixelMappingOnEveryDepth) {
    std::mt19937 rng(12);
    std::uniform_real_distribution<double> any(-360, 360);
    for (int depth : kRotationDepths)
        for (int trial = 0; trial < 12; ++trial) {
            const double alpha = trial < 2 ? 90.0 * trial : any(rng), beta = trial == 2 ? 0.0 : any(rng);
            const double theta = trial % 3 == 0 ? 0.0 : any(rng);
            const int mode = trial % 2;
            SCOPED_TRACE("depth " + std::to_string(depth) + " trial " + std::to_string(trial));
            CVelora image = RandomImage(11 + trial, 9, depth, rng());
            const std::uint32_t colour = rng() & 0xFFFFFF;
            const Picture expected = NaiveRotate3D(Read(image), mode, alpha, beta, theta, ExpectedBackground(image, colour));
            ASSERT_EQ(image.Rotate3D(mode, alpha, beta, theta, colour), 0u);
            ASSERT_EQ(Read(image), expected);
        }
}

TEST(Rotate3D, WidePicturesShareOutTheirColumnsWithTheSameBytes) {
    // Several tiles and bands; near 90 degrees a hundred source columns fold into one, beyond 90 they run back.
    std::mt19937 rng(31);
    for (int depth : {8, 24, 32})
        for (const auto& [alpha, beta] : {std::pair{20.0, 35.0}, {89.5, -10.0}, {93.0, 50.0}, {-60.0, -170.0}}) {
            SCOPED_TRACE("depth " + std::to_string(depth) + " alpha " + std::to_string(alpha));
            CVelora image = RandomImage(333, 170, depth, rng());
            const Picture expected = NaiveRotate3D(Read(image), 1, alpha, beta, 0, ExpectedBackground(image, 0x445566));
            ASSERT_EQ(image.Rotate3D(1, alpha, beta, 0, 0x445566), 0u);
            ASSERT_EQ(Read(image), expected);
        }
}

TEST(Rotate, RefusalsInOrderAndExtremeAngles) {
    const double inf = std::numeric_limits<double>::infinity();
    CVelora image = RandomImage(7, 5, 8, 9);
    EXPECT_EQ(image.Rotate(5, -400, 0), 1u);  // the angle is checked before the mode
    EXPECT_EQ(image.Rotate(0, inf, 0), 1u);
    EXPECT_EQ(image.Rotate3D(0, 0, 0, -inf, 0), 1u);
    CVelora none(nullptr, nullptr, -1, 1, 8);
    EXPECT_EQ(none.Rotate(3, 10, 0), 2u);
    EXPECT_EQ(none.Rotate3D(3, 0, 0, 10, 0), 2u);

    // Angles at and near the limits, and tiny ones, give images of at least one pixel.
    for (double theta : {360.0, -360.0, 359.9999999, 1e-300, -4.9e-324, 90.0000001, 180.0})
        for (const auto& size : {std::pair{1, 1}, std::pair{1, 40}, std::pair{40, 1}}) {
            CVelora small = RandomImage(size.first, size.second, 24, 10);
            const Picture expected = NaiveRotate(Read(small), 0, theta, 0);
            ASSERT_EQ(small.Rotate(0, theta, 0), 0u);
            EXPECT_GE(small.GetWidth(), 1);
            EXPECT_GE(small.GetHeight(), 1);
            EXPECT_EQ(Read(small), expected) << theta;
            CVelora deep = RandomImage(size.first, size.second, 1, 11);
            EXPECT_EQ(deep.Rotate3D(0, theta, -theta, theta, 0), 0u);
        }
}

TEST(Crop, MatchesTheRectangleOnEveryDepthAndRefuses) {
    std::mt19937 rng(13);
    for (int depth : {1, 4, 8, 24, 32})
        for (int trial = 0; trial < 6; ++trial) {
            CVelora image = RandomImage(19, 13, depth, rng());
            image.SetName("c.bmp");
            const int x1 = int(rng() % 18), y1 = int(rng() % 12);
            const int x2 = x1 + 1 + int(rng() % unsigned(18 - x1)), y2 = y1 + 1 + int(rng() % unsigned(12 - y1));
            SCOPED_TRACE(testing::Message() << depth << " bits " << x1 << "," << y1 << " " << x2 << "," << y2);
            const Picture in = Read(image);
            Picture expected = Blank(x2 - x1 + 1, y2 - y1 + 1);
            for (int y = y1; y <= y2; ++y)
                for (int x = x1; x <= x2; ++x) {
                    expected.at(x - x1, y - y1) = in.value[std::size_t(y) * 19 + std::size_t(x)];
                    expected.alphaAt(x - x1, y - y1) = in.alpha[std::size_t(y) * 19 + std::size_t(x)];
                }
            ASSERT_EQ(image.Crop(x1, y1, x2, y2), 0u);
            ASSERT_EQ(Read(image), expected);
            EXPECT_EQ(image.GetName(), "c.bmp");
        }
    CVelora image = RandomImage(6, 4, 8, 14);
    // x1 = x2 (the smallest crop is 2 x 2), outside the image, upside down.
    for (auto [x1, y1, x2, y2] : {std::tuple{2, 0, 2, 3}, {-1, 0, 2, 3}, {0, 0, 6, 3}, {0, 2, 5, 1}})
        EXPECT_EQ(image.Crop(x1, y1, x2, y2), 1u) << x1 << "," << y1 << " " << x2 << "," << y2;
    ASSERT_EQ(image.Crop(4, 2, 5, 3), 0u);
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_EQ(image.GetHeight(), 2);
    CVelora sixteen = RandomImage(6, 4, 16, 15);
    EXPECT_EQ(sixteen.Crop(0, 0, 0, 3), 1u);  // the rectangle is checked before the depth
}

TEST(Scale, SixteenBitsAndFactorsAtTheEdges) {
    // 16-bit pixels move two bytes at a time, as the mapping of the other depths says.
    CVelora image = RandomImage(9, 5, 16, 16);
    const Picture in = Read(image);
    ASSERT_EQ(image.Scale(1.7f, 0.6f, 0), 0u);
    const int w = int(RoundHalfDown(9 * 1.7f)), h = int(RoundHalfDown(5 * 0.6f));
    ASSERT_EQ(image.GetWidth(), w);
    ASSERT_EQ(image.GetHeight(), h);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const int sr = std::min(int(RoundHalfDown(float(r) / 0.6f)), 4), sc = std::min(int(RoundHalfDown(float(c) / 1.7f)), 8);
            ASSERT_EQ(AnyPixel(image, c, h - 1 - r), in.value[std::size_t(4 - sr) * 9 + std::size_t(sc)]);
        }
    // Factors whose results no integer holds, or that are not numbers, are refused cleanly.
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    CVelora small = RandomImage(5, 5, 24, 17);
    for (auto [fx, fy, mode, code] : {std::tuple{inf, 1.0f, 0, 3u}, {1, 3e38f, 0, 3u}, {nan, 1, 0, 1u},
                                      {1, nan, 1, 1u}, {1e-30f, 1, 0, 4u}, {0, 7, 1, 4u}, {3e9f, 5, 1, 3u}})
        EXPECT_EQ(small.Scale(fx, fy, mode), code) << fx << " " << fy << " mode " << mode;  // 0 x 7: no columns
    ASSERT_EQ(small.Scale(0.11f, 0.11f, 0), 0u);  // 0.55 columns round to 1
    EXPECT_EQ(small.GetWidth(), 1);
}
