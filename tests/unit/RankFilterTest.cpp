// The predefined list's window filters (rank, midpoint, max-min, means) against each window, every depth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "CVelora.h"
#include "FilterCatalogue.h"
#include "TestImages.h"

using namespace testing_support;
using velora::FilterKind;

namespace {

CVelora NaiveWindowFilter(const CVelora& in, FilterKind kind, int n) {
    CVelora out = in;
    const int h = n / 2, N = n * n;
    for (int y = h; y < in.GetHeight() - h; ++y)
        for (int x = h; x < in.GetWidth() - h; ++x) {
            std::vector<int> w;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) w.push_back(Level(in, x - h + j, y - h + i));
            std::vector<int> sorted = w;
            std::sort(sorted.begin(), sorted.end());
            const int lo = sorted.front(), hi = sorted.back(), c = Level(in, x, y);
            int v = 0;
            switch (kind) {
                case FilterKind::Median: v = sorted[std::size_t(N / 2)]; break;
                case FilterKind::Maximum: v = hi; break;
                case FilterKind::Minimum: v = lo; break;
                case FilterKind::Midpoint: v = (lo + hi) >> 1; break;
                case FilterKind::MaxMinEnhancement: v = (hi - c) < (c - lo) ? lo : hi; break;
                case FilterKind::GeometricMean: {
                    double product = 1;
                    for (int s : w) product *= s;
                    v = int(std::pow(product, double(1.0f / float(N))));
                    break;
                }
                case FilterKind::HarmonicMean: {
                    float sum = 0;
                    for (int s : w) sum += s == 0 ? INFINITY : 1.0f / float(s);
                    v = int(float(N) / sum) & 0xFF;
                    break;
                }
                default: ADD_FAILURE() << "not a window filter";
            }
            out.SetPixel(x, y, in.GetBitCount() > 8 ? std::uint32_t(v) * 0x010101u : std::uint32_t(v));
        }
    return out;
}

// Random levels, or few distinct ones (ties), or mostly high ones without zeros (means).
CVelora Subject(int width, int height, int depth, unsigned seed, int style) {
    CVelora im = RandomImage(width, height, depth, seed);
    std::mt19937 rng(seed);
    const std::uint32_t top = depth == 4 ? 15 : 255;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t v = rng() % (top + 1);
            if (style == 1) v = (rng() % 3) * (top / 2);
            if (style == 2) v = top - rng() % (top / 3);
            im.SetPixel(x, y, depth > 8 ? (v << 16) | (rng() & 0xFFFF) : v);
        }
    return im;
}

}  // namespace

TEST(RankFilters, EveryWindowEntryGivesTheDirectEvaluation) {
    for (const velora::FilterEntry& e : velora::FilterEntries()) {
        if (e.kind == FilterKind::Linear || e.kind == FilterKind::TwoMasks || e.kind == FilterKind::EightDirections) continue;
        for (int depth : {4, 8, 24, 32})
            for (int style = 0; style < 3; ++style)
                // 70 columns: vectors and a tail; 3: fewer than most windows; 40 rows: several chunks for every size.
                for (const auto& [w, h] : {std::pair{70, 13}, std::pair{3, 5}, std::pair{12, 40}}) {
                    SCOPED_TRACE(testing::Message() << e.index << " depth " << depth << " style " << style << " " << w << "x" << h);
                    const CVelora source = Subject(w, h, depth, unsigned(e.index * 7 + depth + style), style);
                    CVelora image = source;
                    // The modes do not matter to these filters.
                    ASSERT_EQ(image.PredefinedFilter(e.index, 2, 1), 0u);
                    ASSERT_EQ(Block(image), Block(NaiveWindowFilter(source, e.kind, e.size)));
                }
    }
}
