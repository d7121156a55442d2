// Mosaic against its rule per pixel on every depth (the last block takes the rest), and its refusals.
#include <gtest/gtest.h>

#include <algorithm>

#include "CVelora.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

void NaiveMosaic(CVelora& image, int bh, int bw) {
    const int w = image.GetWidth(), h = image.GetHeight();
    const int rows = h / bh, columns = w / bw;
    const int depth = image.GetBitCount();
    const std::uint32_t largest =
        depth > 8 ? 0xFFFFFFu : std::min<std::uint32_t>((1u << depth) - 1, image.GetNumColors() - 1);
    for (int by = 0; by < rows; ++by)
        for (int bx = 0; bx < columns; ++bx) {
            const int y0 = by * bh, y1 = by + 1 == rows ? h : y0 + bh;
            const int x0 = bx * bw, x1 = bx + 1 == columns ? w : x0 + bw;
            float sum = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) sum += float(image.GetPixel(x, y));
            const float mean = sum / float((x1 - x0) * (y1 - y0));
            const std::uint32_t v = std::min(std::uint32_t(mean), largest);
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) image.SetPixel(x, y, v);
        }
}

}  // namespace

TEST(Mosaic, MatchesTheRuleOnEveryDepthAndBlockShape) {
    std::mt19937 rng(8);
    std::vector<CVelora> subjects;
    for (int depth : {1, 4, 8, 24, 32}) subjects.push_back(RandomImage(43, 29, depth, unsigned(depth)));
    subjects.push_back(ShortTableImage(43, 29, 8, 12, false, rng));
    for (const CVelora& source : subjects)
        for (const auto& [bh, bw] : {std::pair{1, 1}, std::pair{3, 3}, std::pair{2, 7}, std::pair{14, 21}, std::pair{5, 1}}) {
            SCOPED_TRACE(std::to_string(source.GetBitCount()) + " bits, " + std::to_string(bh) + "x" + std::to_string(bw));
            CVelora fast = source, naive = source;
            ASSERT_EQ(fast.Mosaic(bh, bw), 0u);
            NaiveMosaic(naive, bh, bw);
            EXPECT_EQ(Block(fast), Block(naive));
        }
}

TEST(Mosaic, RefusesBlocksOutsideHalfTheImageAndOtherDepths) {
    const CVelora image = RandomImage(10, 7, 8, 6);
    for (const auto& [bh, bw] : {std::pair{0, 1}, std::pair{4, 1}, std::pair{1, 0}, std::pair{1, 6}, std::pair{-3, 2}}) {
        CVelora subject = image;
        EXPECT_EQ(subject.Mosaic(bh, bw), 1u) << bh << "x" << bw;
        EXPECT_EQ(Block(subject), Block(image));
    }
    CVelora sixteen = SixteenBitImage(10, 7);
    EXPECT_EQ(sixteen.Mosaic(4, 5), 1u);
}
