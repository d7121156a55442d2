// The word and row paths of binary smoothing, set operations and region growing against the
// plain rules of BinaryReference.h, byte for byte, on random images (padding bits included).
#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "BinaryReference.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

template <class Body>
void AtOneAndFourThreads(const Body& body) {
    for (unsigned threads : {1u, 4u}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        CVelora::SetThreadCount(threads);
        body();
    }
    CVelora::SetThreadCount(0);
}

// 1 bit with random padding, or 4 and 8 bits with a two-entry table and some indices beyond it.
CVelora TwoColourImage(int width, int height, int depth, bool gray, std::mt19937& rng) {
    if (depth == 1) {
        CVelora image = NoisyImage(width, height, 1, rng);
        if (gray) image.SetGrayPalette();
        return image;
    }
    CVelora image = ShortTableImage(width, height, depth, 2, gray, rng);
    for (int i = 0; i < width * height / 8; ++i) image.SetPixel(int(rng() % unsigned(width)), int(rng() % unsigned(height)), rng());
    return image;
}

struct Paced : CStepProgress {
    int pauses = 0;
    void EnableControls(bool) override {}
    void SetProgressText(const std::string&) override {}
    void ShowWorkingImage(const CVelora&) override {}
    void Pause(unsigned) override { ++pauses; }
};

}  // namespace

TEST(BinaryPaths, SmoothingMatchesThePlainRulesForEverySetOfRules) {
    std::mt19937 rng(11);
    for (const auto& [w, h] : {std::pair{1, 5}, {2, 2}, {3, 3}, {5, 4}, {63, 9}, {64, 3}, {65, 8}, {97, 13}, {130, 6}}) {
        const CVelora image = NoisyImage(w, h, 1, rng);
        for (unsigned set = 0; set < 64; ++set) {
            std::array<bool, 6> rules{};
            for (std::size_t r = 0; r < 6; ++r) rules[r] = (set >> r) & 1;
            CVelora fast = image;
            PlainBinary plain(image);
            EXPECT_EQ(fast.BinarySmoothing(rules), plain.Smoothing(rules));
            ASSERT_EQ(Block(fast), Block(plain)) << w << "x" << h << " rules " << set;
        }
    }
    const std::array<bool, 6> all{true, true, true, true, true, true}, some{true, false, true, false, false, true};
    const CVelora large = NoisyImage(1100, 700, 1, rng);  // enough bytes for the rows to be shared out
    PlainBinary plain(large);
    plain.Smoothing(all);
    AtOneAndFourThreads([&] {
        CVelora fast = large;
        ASSERT_EQ(fast.BinarySmoothing(all), 0u);
        EXPECT_EQ(Block(fast), Block(plain));
    });
    // Step by step: the same bytes, one pause per row of each rule.
    const CVelora small = NoisyImage(45, 17, 1, rng);
    CVelora stepped = small;
    PlainBinary expected(small);
    Paced progress;
    ASSERT_EQ(stepped.BinarySmoothingStepByStep(some, progress), 0u);
    expected.Smoothing(some);
    EXPECT_EQ(Block(stepped), Block(expected));
    EXPECT_EQ(progress.pauses, 3 * 17);
}

TEST(BinaryPaths, SetOperationsMatchThePlainRulesForEveryDepthAndSize) {
    std::mt19937 rng(5);
    for (int depthA : {1, 4, 8})
        for (bool gray : {false, true}) {
            const CVelora a = TwoColourImage(37, 11, depthA, gray, rng);
            const auto check = [&](unsigned code, const CVelora* b, const std::string& what) {
                CVelora fast = a;
                PlainBinary plain(a);
                EXPECT_EQ(fast.SetOperation(code, b ? b : &fast), plain.SetOperation(code, b ? b : &plain));
                ASSERT_EQ(Block(fast), Block(plain)) << depthA << " bits, gray " << gray << ", code " << code << ", " << what;
            };
            for (unsigned code = 0; code <= 4; ++code) check(code, nullptr, "b the image itself");
            for (int depthB : {1, 4, 8})
                for (const auto& [w, h] : {std::pair{37, 11}, {20, 15}, {64, 5}, {9, 30}}) {
                    const CVelora b = TwoColourImage(w, h, depthB, !gray, rng);
                    for (unsigned code = 2; code <= 4; ++code) check(code, &b, std::to_string(depthB) + " bits " + std::to_string(w));
                }
        }
    const CVelora a = TwoColourImage(1100, 700, 1, true, rng), b = TwoColourImage(1000, 800, 1, true, rng);
    for (unsigned code = 0; code <= 4; ++code) {
        PlainBinary plain(a);
        plain.SetOperation(code, &b);
        AtOneAndFourThreads([&] {
            CVelora fast = a;
            ASSERT_EQ(fast.SetOperation(code, &b), 0u);
            EXPECT_EQ(Block(fast), Block(plain)) << code;
        });
    }
}

TEST(BinaryPaths, RegionGrowingMatchesThePlainRingsForEveryDepthAndCriterion) {
    std::mt19937 rng(3);
    const auto check = [&](const CVelora& image, const std::string& what) {
        const unsigned top = image.GetBitCount() == 4 ? 16 : 256;
        for (int trial = 0; trial < 12; ++trial) {
            const unsigned column = rng() % unsigned(image.GetWidth()), row = rng() % unsigned(image.GetHeight());
            const unsigned distance = rng() % 2, criterion = rng() % 2;
            const auto threshold = std::uint8_t(criterion ? rng() % 101 : rng() % top);
            const std::uint32_t fill = rng() & 0xFFFFFF;
            CVelora fast = image;
            PlainBinary plain(image);
            EXPECT_EQ(fast.RegionGrowing(column, row, distance, criterion, threshold, fill),
                      plain.RegionGrowing(column, row, distance, criterion, threshold, fill));
            ASSERT_EQ(Block(fast), Block(plain)) << what << " seed " << column << "," << row << " distance " << distance
                                                 << " criterion " << criterion << " threshold " << int(threshold);
        }
    };
    for (int depth : {4, 8, 24, 32})
        for (const auto& [w, h] : {std::pair{37, 23}, {1, 9}, {9, 1}, {64, 40}}) {
            const std::string size = std::to_string(depth) + " bits " + std::to_string(w) + "x" + std::to_string(h);
            check(NoisyImage(w, h, depth, rng), size);
            if (depth <= 8) check(ShortTableImage(w, h, depth, depth == 4 ? 5 : 20, rng() % 2 == 0, rng), size + " short table");
        }
    const CVelora large = NoisyImage(300, 260, 8, rng);
    AtOneAndFourThreads([&] { check(large, "300x260"); });
}
