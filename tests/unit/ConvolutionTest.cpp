// Convolution, linear and edge filters and emboss against their rules per pixel: every depth, range, border, size.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "CVelora.h"
#include "FilterCatalogue.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

constexpr int kFilterDepths[] = {4, 8, 24, 32};

void PutValue(CVelora& im, int x, int y, int v) {
    im.SetPixel(x, y, im.GetBitCount() > 8 ? std::uint32_t(v) * 0x010101u : std::uint32_t(v));
}

// The image framed by h: padding (raw 255, 15 or 0x0000FF) for mode 1; for mode 2 the same,
// then the image pasted at (0,0), (2h,0), (2h,2h), (0,2h) and (h,h).
CVelora NaiveEnlarged(const CVelora& in, int h, int borderMode) {
    const int W = in.GetWidth(), H = in.GetHeight(), depth = in.GetBitCount();
    CVelora e(nullptr, in.GetPaletteData(), W + 2 * h, H + 2 * h, depth);
    const std::uint32_t pad = depth == 4 ? 15 : depth == 8 ? 255 : 0x0000FF;
    for (int y = 0; y < e.GetHeight(); ++y)
        for (int x = 0; x < e.GetWidth(); ++x) e.SetPixel(x, y, pad);
    const auto paste = [&](int x0, int y0) {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) e.SetPixel(x0 + x, y0 + y, in.GetPixel(x, y));
    };
    if (borderMode == 2) paste(0, 0), paste(2 * h, 0), paste(2 * h, 2 * h), paste(0, 2 * h);
    paste(h, h);
    return e;
}

// The engine's rule: sums over the working image, extremes from 0, mapping, crop.
CVelora NaiveConvolution(const CVelora& in, const std::vector<int>& mask, int n, int divisor, int rangeMode,
                         int borderMode) {
    const int h = n / 2;
    const CVelora work = borderMode == 0 ? in : NaiveEnlarged(in, h, borderMode);
    const int W = work.GetWidth(), H = work.GetHeight(), top = in.GetBitCount() == 4 ? 15 : 255;
    std::vector<std::int64_t> sums(std::size_t(W) * std::size_t(H));
    std::int64_t lo = 0, hi = 0;
    for (int y = h; y <= H - h - 1; ++y)
        for (int x = h; x <= W - h - 1; ++x) {
            std::int64_t s = 0;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) s += std::int64_t(mask[std::size_t(i * n + j)]) * Level(work, x - h + j, y - h + i);
            sums[std::size_t(y * W + x)] = s;
            lo = std::min(lo, s);
            hi = std::max(hi, s);
        }
    const std::int64_t qmin = lo / divisor, qmax = hi / divisor;
    CVelora out = in;  // the visited pixels of the working image are those of the result
    const int shift = borderMode == 0 ? 0 : h;
    for (int y = h; y <= H - h - 1; ++y)
        for (int x = h; x <= W - h - 1; ++x) {
            const std::int64_t q = sums[std::size_t(y * W + x)] / divisor;
            int v;
            if (rangeMode == 0)
                v = qmax == qmin ? 0 : int(float(top) / float(qmax - qmin) * float(q - qmin)) & 0xFF;
            else if (rangeMode == 1)
                v = int(std::clamp<std::int64_t>(q, 0, top));
            else
                v = int(std::min<std::int64_t>(std::llabs(q), top));
            PutValue(out, x - shift, y - shift, v);
        }
    return out;
}

std::vector<int> RandomMask(int n, int spread, std::mt19937& rng) {
    std::vector<int> mask(std::size_t(n * n));
    std::uniform_int_distribution<int> coefficient(-spread, spread);
    for (int& c : mask) c = coefficient(rng);
    return mask;
}

// A column times a row.
std::vector<int> Outer(int n, std::mt19937& rng) {
    std::vector<int> column(static_cast<std::size_t>(n)), row(static_cast<std::size_t>(n)), mask;
    for (int& c : column) c = int(rng() % 7) - 3;
    for (int& c : row) c = int(rng() % 9) - 2;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) mask.push_back(column[std::size_t(i)] * row[std::size_t(j)]);
    return mask;
}

CVelora NaiveEightDirections(const CVelora& in, std::vector<int> m, int rangeMode, int borderMode) {
    CVelora acc = in;
    for (int y = 0; y < in.GetHeight(); ++y)
        for (int x = 0; x < in.GetWidth(); ++x) acc.SetPixel(x, y, 0);
    for (int turn = 0; turn < 8; ++turn) {
        const CVelora filtered = NaiveConvolution(in, m, 3, 1, rangeMode, borderMode);
        for (int y = 0; y < in.GetHeight(); ++y)
            for (int x = 0; x < in.GetWidth(); ++x)
                if (Level(filtered, x, y) > Level(acc, x, y)) PutValue(acc, x, y, Level(filtered, x, y));
        const int old = m[0];
        m[0] = m[1], m[1] = m[2], m[2] = m[5], m[5] = m[8], m[8] = m[7], m[7] = m[6], m[6] = m[3], m[3] = old;
    }
    return acc;
}

CVelora NaiveEmboss(const CVelora& in, int d) {
    const velora::FilterEntry& mean = *velora::FindFilterEntry(19);
    const CVelora a = NaiveConvolution(in, mean.coefficients, 5, 25, 0, 2);
    CVelora out = in;
    const int L = 1 << in.GetBitCount();
    for (int y = 1; y < in.GetHeight(); ++y)
        for (int x = d; x < in.GetWidth(); ++x)
            out.SetPixel(x, y, std::uint32_t(std::clamp(L / 2 - int(a.GetPixel(x - d, y)) + int(in.GetPixel(x, y)), 0, L - 1)));
    return out;
}

}  // namespace

TEST(Convolution, EveryDepthSizeAndModeGivesTheRulesBytes) {
    std::mt19937 rng(7);
    for (int depth : kFilterDepths)
        for (int n = 1; n <= 11; ++n)
            for (int borderMode = 0; borderMode <= 2; ++borderMode)
                for (int rangeMode = 0; rangeMode <= 2; ++rangeMode) {
                    // Sizes below the mask: mode 0 may visit nothing, mode 2's pastes may leave padding.
                    const int width = 1 + int(rng() % 29), height = 1 + int(rng() % 23);
                    const CVelora source = RandomImage(width, height, depth, rng());
                    // Every other mask a column times a row, as the smoothing masks are.
                    const std::vector<int> mask =
                        rangeMode == 1 ? RandomMask(n, 1 + int(rng() % 4), rng) : Outer(n, rng);
                    const int divisors[] = {1, 1, 2, 3, 5, -1, -4};
                    const int divisor = divisors[rng() % 7];
                    SCOPED_TRACE(testing::Message() << "depth " << depth << " n " << n << " border " << borderMode << " range "
                                                    << rangeMode << " size " << width << "x" << height << " divisor " << divisor);
                    CVelora image = source;
                    ASSERT_EQ(image.Convolution(mask, n, divisor, rangeMode, borderMode), 0u);
                    ASSERT_EQ(Block(image), Block(NaiveConvolution(source, mask, n, divisor, rangeMode, borderMode)));
                }
}

TEST(Convolution, WideSumsKeepTheirExactValues) {
    // Coefficients whose sums need 32 and 64 bits, and divisors that bring them back.
    std::mt19937 rng(11);
    const CVelora source = RandomImage(31, 17, 8, 5);
    for (int spread : {3000, 2000000, 2000000000})
        for (int rangeMode = 0; rangeMode <= 2; ++rangeMode)
            for (int divisor : {1, -7, 100000, 2000000000}) {
                SCOPED_TRACE(testing::Message() << spread << " " << rangeMode << " " << divisor);
                const std::vector<int> mask = RandomMask(11, spread, rng);
                CVelora image = source;
                ASSERT_EQ(image.Convolution(mask, 11, divisor, rangeMode, 2), 0u);
                ASSERT_EQ(Block(image), Block(NaiveConvolution(source, mask, 11, divisor, rangeMode, 2)));
            }
}

TEST(Convolution, NoRangeAtAllGivesZeroInEveryMode) {
    // Every sum 0: no division by the empty width.
    for (int depth : kFilterDepths)
        for (int rangeMode = 0; rangeMode <= 2; ++rangeMode) {
            CVelora flat(nullptr, nullptr, 7, 7, depth);
            flat.Initialize(depth > 8 ? 0x404040 : 9);
            ASSERT_EQ(flat.PredefinedFilter(0, rangeMode, 2), 0u);
            EXPECT_EQ(Block(flat), Block(CVelora(nullptr, nullptr, 7, 7, depth))) << depth << " " << rangeMode;
        }
}

TEST(Convolution, RefusalsLeaveTheImage) {
    const CVelora source = RandomImage(9, 8, 8, 1);
    const auto refused = [&](const std::function<unsigned(CVelora&)>& call) {
        CVelora image = source;
        const unsigned code = call(image);
        EXPECT_EQ(Block(image), Block(source));
        return code;
    };
    const std::vector<int> mask(9, 1);
    EXPECT_EQ(refused([&](CVelora& im) { return im.Convolution(mask, 3, 0, 1, 0); }), 2u);  // divisor 0
    EXPECT_EQ(refused([&](CVelora& im) { return im.Convolution(mask, 4, 1, 1, 0); }), 5u);  // 9 coefficients for 4 x 4
    for (int index : {-1, 38, 39, 69, 78}) EXPECT_EQ(refused([&](CVelora& im) { return im.PredefinedFilter(index, 1, 0); }), 2u) << index;
    EXPECT_EQ(refused([](CVelora& im) { return im.Emboss(2); }), 1u);
}

TEST(Convolution, LinearAndEdgeEntriesFollowTheirMasks) {
    // Every entry the engine runs, in every mode pair, on one image of each depth.
    for (int depth : kFilterDepths) {
        const CVelora source = RandomImage(23, 14, depth, unsigned(depth));
        for (const velora::FilterEntry& e : velora::FilterEntries())
            for (int rangeMode = 0; rangeMode <= 2; ++rangeMode)
                for (int borderMode = 0; borderMode <= 2; ++borderMode) {
                    CVelora expected;
                    if (e.kind == velora::FilterKind::Linear) {
                        expected = NaiveConvolution(source, e.coefficients, e.size, e.divisor, rangeMode, borderMode);
                    } else if (e.kind == velora::FilterKind::TwoMasks) {
                        const velora::FilterEntry& a = *velora::FindFilterEntry(e.firstMask);
                        const velora::FilterEntry& b = *velora::FindFilterEntry(e.secondMask);
                        // The saturating sum of the two, as ImageAlgebraTest checks it.
                        expected = NaiveConvolution(source, a.coefficients, a.size, 1, rangeMode, borderMode);
                        ASSERT_EQ(expected.SaturatingArithmetic(0, NaiveConvolution(source, b.coefficients, b.size, 1, rangeMode, borderMode)), 0u);
                    } else if (e.kind == velora::FilterKind::EightDirections) {
                        expected = NaiveEightDirections(source, e.coefficients, rangeMode, borderMode);
                    } else {
                        continue;
                    }
                    SCOPED_TRACE(testing::Message() << e.index << " depth " << depth << " modes " << rangeMode << borderMode);
                    CVelora image = source;
                    ASSERT_EQ(image.PredefinedFilter(e.index, rangeMode, borderMode), 0u);
                    ASSERT_EQ(Block(image), Block(expected));
                }
    }
}

TEST(Emboss, FollowsItsRule) {
    for (int depth : {4, 8})
        for (int d : {1, 3, 5})
            for (const auto& [w, h] : {std::pair{37, 21}, std::pair{5, 9}, std::pair{2, 1}}) {
                const CVelora source = RandomImage(w, h, depth, unsigned(d * w));
                CVelora image = source;
                ASSERT_EQ(image.Emboss(d), 0u);
                EXPECT_EQ(Block(image), Block(NaiveEmboss(source, d))) << depth << " " << d << " " << w;
            }
}
