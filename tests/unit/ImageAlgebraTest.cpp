// Operations between two images against a per-pixel evaluation; refusals; values a plain cast leaves undefined.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

#include "CVelora.h"
#include "Subjects.h"

using namespace testing_support;

namespace {

bool Direct(const CVelora& im) { return im.GetBitCount() >= 24; }

// The rule of one pair, as written for a pupil: a = A * wA, b = B * wB in single precision, limited to L.
int Rule(unsigned op, bool direct, std::uint32_t va, std::uint32_t vb, float wA, float wB, int L) {
    const float a = float(va) * wA, b = float(vb) * wB;
    const float bp = vb == 0 ? 0.2f : float(vb);
    auto truncated = [L](float x) { return std::isnan(x) || x <= 0 ? 0 : x > float(L) ? L : int(x); };
    auto ceiling = [L](float x) { return std::isnan(x) || x <= 0 ? 0 : x > float(L) ? L : int(std::ceil(x)); };
    switch (op) {
        case 0: return truncated(a + b);
        case 1: return truncated(a - b);
        case 2: return truncated(a * b);
        case 3: return direct ? ceiling(a / bp * wB) : ceiling(a / (bp * wB));
        case 4: return truncated((a + b) * 0.5f);
        case 5: return direct ? std::max(truncated(a), truncated(b)) : b > a ? truncated(b) : int(va);
        default: return direct ? std::min(truncated(a), truncated(b)) : a > b ? truncated(b) : int(va);
    }
}

// The weighted operation pixel by pixel through the accessors; B is read as it was.
void NaiveArithmetic(CVelora& A, unsigned op, const CVelora& B0, float wA, float wB, int col, int row) {
    const CVelora B = B0;
    const int L = Direct(A) ? 255 : int(A.GetMaxColors()) - 1;
    for (int y = 0; y < std::min(A.GetHeight(), B.GetHeight()); ++y)
        for (int x = 0; x < std::min(A.GetWidth(), B.GetWidth()); ++x) {
            const int xa = x + col, ya = y + row;
            if (!A.IsValidPoint(xa, ya)) continue;
            if (!Direct(A)) {
                A.SetPixel(xa, ya, std::uint32_t(Rule(op, false, A.GetPixel(xa, ya), B.GetPixel(x, y), wA, wB, L)));
                continue;
            }
            const std::uint32_t pa = A.GetPixel(xa, ya), pb = B.GetPixel(x, y);
            std::uint32_t out = 0;
            for (int shift : {0, 8, 16})
                out |= std::uint32_t(Rule(op, true, (pa >> shift) & 255, (pb >> shift) & 255, wA, wB, L)) << shift;
            A.SetPixel(xa, ya, out);
        }
}

void NaiveLogical(CVelora& A, unsigned op, const CVelora& B0) {
    const CVelora B = B0;
    const bool notOp = op == 0;
    const int w = notOp ? A.GetWidth() : std::min(A.GetWidth(), B.GetWidth());
    const int h = notOp ? A.GetHeight() : std::min(A.GetHeight(), B.GetHeight());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t a = A.GetPixel(x, y), b = notOp ? 0 : B.GetPixel(x, y);
            const std::uint32_t r[] = {~a, a & b, a | b, a ^ b, ~(a & b), ~(a | b)};
            A.SetPixel(x, y, A.GetBitCount() == 1 ? r[op] & 1 : r[op]);
        }
}


std::vector<std::uint32_t> Row0(const CVelora& image) {
    std::vector<std::uint32_t> out;
    for (int x = 0; x < image.GetWidth(); ++x) out.push_back(image.GetPixel(x, 0));
    return out;
}

}  // namespace

TEST(ImageAlgebra, FastPathsMatchTheRulePixelByPixelOnEveryDepth) {
    const auto arithmetic = [](const CVelora& A, const CVelora& B, unsigned op, float wA, float wB, int col, int row) {
        SCOPED_TRACE(testing::Message() << A.GetBitCount() << "/" << B.GetBitCount() << " bits, op " << op << ", weights "
                                        << wA << " " << wB << ", offset " << col << " " << row);
        CVelora fast = A, naive = A;
        ASSERT_EQ(fast.Arithmetic(op, B, wA, wB, col, row), 0u);
        NaiveArithmetic(naive, op, B, wA, wB, col, row);
        ASSERT_EQ(Block(fast), Block(naive));
        if (col == 0 && row == 0 && wA == 1 && wB == 1) {
            CVelora saturating = A;
            ASSERT_EQ(saturating.SaturatingArithmetic(op, B), 0u);
            ASSERT_EQ(Block(saturating), Block(naive));
        }
    };
    const auto logical = [](const CVelora& A, const CVelora& B, unsigned op) {
        SCOPED_TRACE(testing::Message() << A.GetBitCount() << "/" << B.GetBitCount() << " bits, logical " << op);
        CVelora fast = A, naive = A;
        ASSERT_EQ(fast.Logical(op, &B), 0u);
        NaiveLogical(naive, op, B);
        ASSERT_EQ(Block(fast), Block(naive));
    };
    std::mt19937 rng(83);
    const std::pair<int, int> pairs[] = {{1, 1}, {4, 4}, {8, 8}, {24, 24}, {32, 32}, {24, 32}, {32, 24}};
    const std::pair<float, float> weights[] = {{1, 1}, {0.5f, 0.5f}, {1.35f, 0.8f}, {0, 2.6f}, {3.05f, 0}};
    for (const auto& [da, db] : pairs) {
        // Unequal sizes, odd widths (partial bytes, padding), B sometimes the larger.
        const CVelora A = RandomImage(37 + int(rng() % 40), 9 + int(rng() % 30), da, unsigned(rng()));
        const CVelora B = RandomImage(29 + int(rng() % 60), 7 + int(rng() % 30), db, unsigned(rng()));
        for (unsigned op = 0; op <= 6; ++op)
            for (const auto& [wA, wB] : weights)
                for (const auto& [col, row] : {std::pair{0, 0}, std::pair{10, 3}, std::pair{A.GetWidth() - 1, 1}})
                    arithmetic(A, B, op, wA, wB, col, row);
        for (unsigned op = 0; op <= 5; ++op) logical(A, B, op);
    }
    // Unpadded rows of one width go as one run per band: B shorter than A and moved down, and both of one size.
    for (int depth : {8, 24, 32})
        for (const auto& [heightB, row] : {std::pair{13, 0}, std::pair{9, 5}}) {
            const CVelora A = RandomImage(64, 13, depth, unsigned(rng())), B = RandomImage(64, heightB, depth, unsigned(rng()));
            for (unsigned op = 0; op <= 6; ++op) arithmetic(A, B, op, 1, 1, 0, row);
            for (unsigned op = 0; op <= 5; ++op) logical(A, B, op);
        }
    // Logic mixes any depths: raw values, cut to A's pixel.
    for (int da : {1, 4, 8, 24, 32})
        for (int db : {1, 4, 8, 24, 32})
            for (unsigned op = 1; op <= 5; ++op) logical(RandomImage(21, 5, da, unsigned(rng())), RandomImage(19, 6, db, unsigned(rng())), op);
}

TEST(ImageAlgebra, RefusalsComeInOrderAndLeaveAAsItWas) {
    const CVelora a8 = RandomImage(9, 6, 8, 1), a4 = RandomImage(9, 6, 4, 2), c24 = RandomImage(9, 6, 24, 3);
    std::vector<std::uint8_t> pixels(CVelora::GetImageSize(9, 6, 16));
    const CVelora sixteen(pixels.data(), nullptr, 9, 6, 16);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const CVelora& b;
        unsigned op;
        float wA, wB;
        int col, row;
        unsigned code;
    };
    const Case cases[] = {
        {a8, 7, -1, 1, -1, 0, 1},  {sixteen, 0, -1, 1, 0, 0, 2}, {a4, 0, -1, 1, 0, 0, 4},
        {a8, 0, 1, nan, 0, 0, 4},  {a4, 0, 1, 1, -1, 0, 5},      {a8, 0, 1, 1, 9, 0, 5},
        {a8, 0, 1, 1, 0, 6, 5},    {a4, 0, 1, 1, 0, 0, 3},       {c24, 0, 1, 1, 0, 0, 3},
    };
    for (const Case& c : cases) {
        CVelora a = a8;
        EXPECT_EQ(a.Arithmetic(c.op, c.b, c.wA, c.wB, c.col, c.row), c.code);
        EXPECT_EQ(Block(a), Block(a8));
    }
    CVelora a = a8;
    for (auto [op, b, code] : {std::tuple{7u, &sixteen, 1u}, {0u, &sixteen, 2u}, {0u, &a4, 3u}})
        EXPECT_EQ(a.SaturatingArithmetic(op, *b), code) << op << " " << b->GetBitCount();
    EXPECT_EQ(a.Logical(1, &sixteen), 2u);
    EXPECT_EQ(a.Logical(1, nullptr), 3u);
    EXPECT_EQ(Block(a), Block(a8));
}

TEST(ImageAlgebra, HugeWeightsAndZeroDivisorsGiveTheSaturationNotGarbage) {
    const float inf = std::numeric_limits<float>::infinity();
    // The four pairs 13 times over, for the 32- and 16-byte paths and the tail (52 bytes of 8 bits, 156 of 24).
    const auto repeated = [](std::vector<std::uint32_t> four) {
        std::vector<std::uint32_t> all;
        for (int i = 0; i < 13; ++i) all.insert(all.end(), four.begin(), four.end());
        return all;
    };
    const CVelora b = Gray8(52, 1, repeated({0, 5, 0, 5}));
    struct Case {
        unsigned op;
        float wA, wB;
        std::vector<std::uint32_t> want;
    };
    const Case cases[] = {
        {0, 3e38f, 3e38f, {0, 255, 255, 255}},  // 0 * 3e38 + 0 = 0; the rest overflow to infinity
        {1, inf, 1, {0, 0, 255, 255}},          // 0 * inf is not a number
        {2, 1e30f, 1e30f, {0, 0, 0, 255}},
        {3, 1, 0, {0, 0, 255, 255}},            // x / 0 = inf, 0 / 0 is not a number
        {3, 1e38f, 1e-38f, {0, 0, 255, 255}},
        {4, inf, 1, {0, 0, 255, 255}},
        {5, inf, inf, {0, 0, 1, 1}},            // no comparison with a NaN holds: A stays
        {6, inf, 1, {0, 0, 0, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        CVelora a = Gray8(52, 1, repeated({0, 0, 1, 1}));
        ASSERT_EQ(a.Arithmetic(c.op, b, c.wA, c.wB, 0, 0), 0u);
        EXPECT_EQ(Row0(a), repeated(c.want));
        CVelora colour(nullptr, nullptr, 52, 1, 24), colourB(nullptr, nullptr, 52, 1, 24);
        const std::uint32_t levelsA[] = {0, 0, 1, 1}, levelsB[] = {0, 5, 0, 5};
        for (int x = 0; x < 52; ++x) {
            colour.SetPixel(x, 0, 0x010101u * levelsA[x % 4] + 0x200000u);
            colourB.SetPixel(x, 0, 0x010101u * levelsB[x % 4]);
        }
        CVelora naive = colour;
        ASSERT_EQ(colour.Arithmetic(c.op, colourB, c.wA, c.wB, 0, 0), 0u);
        NaiveArithmetic(naive, c.op, colourB, c.wA, c.wB, 0, 0);
        EXPECT_EQ(Block(colour), Block(naive));
    }
}

TEST(ImageAlgebra, ItselfAsBEmptyImagesAndShortTables) {
    // B is A: read as it was, even where the offset makes A's writes land on B's pixels.
    const CVelora source = RandomImage(23, 11, 8, 5);
    for (unsigned op = 0; op <= 6; ++op) {
        CVelora self = source, withCopy = source;
        ASSERT_EQ(self.Arithmetic(op, self, 0.7f, 1.2f, 3, 2), 0u);
        ASSERT_EQ(withCopy.Arithmetic(op, source, 0.7f, 1.2f, 3, 2), 0u);
        EXPECT_EQ(Block(self), Block(withCopy)) << op;
        self = source;
        ASSERT_EQ(self.SaturatingArithmetic(op, self), 0u);
        withCopy = source;
        ASSERT_EQ(withCopy.SaturatingArithmetic(op, source), 0u);
        EXPECT_EQ(Block(self), Block(withCopy)) << op;
    }
    CVelora xorSelf = source;
    ASSERT_EQ(xorSelf.Logical(3, &xorSelf), 0u);
    for (int x = 0; x < 23; ++x) EXPECT_EQ(xorSelf.GetPixel(x, 4), 0u);

    // An image without pixels is refused on either side, NOT included.
    for (const int width : {0, -1}) {
        CVelora none(nullptr, nullptr, width, 1, 8), empty(nullptr, nullptr, width, 1, 8);
        ASSERT_FALSE(none.HasImage());
        CVelora a = source;
        EXPECT_EQ(a.Arithmetic(0, none, 1, 1, 0, 0), 2u);
        EXPECT_EQ(a.SaturatingArithmetic(0, none), 2u);
        EXPECT_EQ(a.Logical(1, &none), 2u);
        EXPECT_EQ(Block(a), Block(source));
        EXPECT_EQ(empty.Arithmetic(0, source, 1, 1, 0, 0), 2u);
        EXPECT_EQ(empty.Logical(0, nullptr), 2u);
    }

    // A short table grows to cover the indices written, continuing a gray ramp.
    std::mt19937 rng(9);
    const CVelora before = ShortTableImage(13, 4, 8, 20, true, rng);
    CVelora ramp = before;
    ASSERT_EQ(ramp.Arithmetic(0, before, 1.5f, 1, 0, 0), 0u);
    ExpectIndices(ramp, before, [](std::uint32_t v) { return std::uint32_t(Rule(0, false, v, v, 1.5f, 1, 255)); });
    std::uint32_t highest = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 13; ++x) highest = std::max(highest, ramp.GetPixel(x, y));
    EXPECT_EQ(ramp.GetNumColors(), std::max<std::uint32_t>(20, highest + 1));
    CVelora oneEntry = CVelora::WithTable(9, 2, 1, 1);
    ASSERT_EQ(oneEntry.Logical(0, nullptr), 0u);
    EXPECT_EQ(oneEntry.GetNumColors(), 2u);
}
