// Binary smoothing, region growing, set operations and morphology: worked cases whose
// answers are known by hand, and the refusals.
#include <gtest/gtest.h>

#include <string>

#include "CVelora.h"
#include "MorphologyReference.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

// A 1-bit image drawn as text, row 0 at the top: '#' is index 0 (a set member), '.' index 1.
CVelora Binary(const std::vector<std::string>& rows) {
    CVelora image(nullptr, nullptr, int(rows[0].size()), int(rows.size()), 1);
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x) image.SetPixel(int(x), int(y), rows[y][x] == '#' ? 0 : 1);
    return image;
}

std::vector<std::string> Drawing(const CVelora& image) {
    std::vector<std::string> rows(std::size_t(image.GetHeight()), std::string(std::size_t(image.GetWidth()), '.'));
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (image.GetPixel(x, y) == 0) rows[std::size_t(y)][std::size_t(x)] = '#';
    return rows;
}

const std::uint8_t kFlat3x3[9] = {};

struct NoPauses : CStepProgress {
    void EnableControls(bool) override {}
    void SetProgressText(const std::string&) override {}
    void ShowWorkingImage(const CVelora&) override {}
    void Pause(unsigned) override {}
};

}  // namespace

// Every size and origin, each operation in turn, flat, constant and mixed elements, on random
// images (odd widths, random unused bits, short tables) against the pixel-by-pixel rules; one
// case in four on a larger image with four threads, one in five step by step.
TEST(Morphology, FastPathsGiveTheBytesOfThePlainRules) {
    std::mt19937 rng(2024);
    int count = 0;
    for (const int depth : {1, 4, 8})
        for (int h = 1; h <= 5; ++h)
            for (int w = 1; w <= 5; ++w)
                for (int origin = 0; origin < w * h; ++origin, ++count) {
                    const unsigned operation = unsigned(count % 7);
                    const bool threaded = count % 4 == 0;
                    const int width = threaded ? 150 + int(rng() % 40) : 1 + int(rng() % 37);
                    const int height = threaded ? 60 + int(rng() % 20) : 1 + int(rng() % 13);
                    const std::uint32_t entries = 1 + rng() % ((1u << depth) - (depth == 1 ? 1 : 0));
                    CVelora image = rng() % 3 == 0 ? ShortTableImage(width, height, depth, entries, rng() % 2 == 0, rng)
                                                   : NoisyImage(width, height, depth, rng);
                    // Flat, one value throughout, or mixed small and large values.
                    const int kind = int(rng() % 3);
                    const std::uint8_t same = std::uint8_t(depth == 1 ? rng() % 3 : rng() % 20);
                    std::vector<std::uint8_t> element(std::size_t(w * h));
                    for (auto& v : element)
                        v = kind == 0 ? 0 : kind == 1 ? same : std::uint8_t(rng() % 2 ? rng() % 3 : rng() % 256);
                    const Threads threads(threaded ? 4 : 1);
                    CVelora fast = image, expected = image;
                    const unsigned code = ReferenceMorphology(expected, operation, element, w, h, origin % w, origin / w);
                    ASSERT_EQ(fast.Morphology(operation, element, w, h, origin % w, origin / w), code);
                    ASSERT_EQ(Block(fast), Block(expected)) << depth << " bits, " << w << "x" << h << " origin "
                                                            << origin << " operation " << operation << ", " << width
                                                            << "x" << height;
                    if (count % 5 == 0 && !threaded) {
                        NoPauses progress;
                        CVelora stepped = image;
                        ASSERT_EQ(stepped.MorphologyStepByStep(operation, element, w, h, origin % w, origin / w,
                                                               progress),
                                  code);
                        ASSERT_EQ(Block(stepped), Block(expected)) << "step by step, case " << count;
                    }
                }
}

TEST(Morphology, BinaryDilationErosionAndTheCompoundsOnAWorkedCase) {
    const CVelora dot = Binary({".....", ".....", "..#..", ".....", "....."});
    CVelora grown = dot;
    ASSERT_EQ(grown.Morphology(0, kFlat3x3, 3, 3, 1, 1), 0u);
    EXPECT_EQ(Drawing(grown), (std::vector<std::string>{".....", ".###.", ".###.", ".###.", "....."}));
    // Erosion counts the outside as white: a black border row goes.
    CVelora block = Binary({"###..", "###..", "###..", ".....", "....."});
    ASSERT_EQ(block.Morphology(1, kFlat3x3, 3, 3, 1, 1), 0u);
    EXPECT_EQ(Drawing(block), (std::vector<std::string>{".....", ".#...", ".....", ".....", "....."}));
    // Opening removes the lone dot and keeps the 3x3 block; top-hat keeps just the dot.
    const CVelora both = Binary({"#....", ".....", "..###", "..###", "..###"});
    CVelora opened = both, topHat = both;
    ASSERT_EQ(opened.Morphology(2, kFlat3x3, 3, 3, 1, 1), 0u);
    EXPECT_EQ(Drawing(opened), (std::vector<std::string>{".....", ".....", "..###", "..###", "..###"}));
    ASSERT_EQ(topHat.Morphology(6, kFlat3x3, 3, 3, 1, 1), 0u);
    EXPECT_EQ(Drawing(topHat), (std::vector<std::string>{"#....", ".....", ".....", ".....", "....."}));
    // A 1x1 element of 0 changes nothing; the origin must lie inside the element.
    const std::uint8_t one[1] = {0};
    CVelora same = both;
    EXPECT_EQ(same.Morphology(0, one, 1, 1, 0, 0), 0u);
    EXPECT_EQ(Block(same), Block(both));
    EXPECT_EQ(same.Morphology(0, kFlat3x3, 3, 3, 3, 1), 3u);
    EXPECT_EQ(same.Morphology(7, kFlat3x3, 3, 3, 1, 1), 1u);
    EXPECT_EQ(same.Morphology(0, kFlat3x3, 6, 1, 0, 0), 3u);
}

TEST(Morphology, GrayDilationIsTheMaximumAndSaturates) {
    CVelora image = Gray8(3, 3, std::vector<int>{10, 20, 30, 40, 250, 60, 70, 80, 90});
    CVelora dilated = image, eroded = image;
    std::uint8_t raised[9] = {};
    raised[4] = 10;  // the centre cell adds 10 levels
    ASSERT_EQ(dilated.Morphology(0, raised, 3, 3, 1, 1), 0u);
    EXPECT_EQ(Level(dilated, 0, 0), 250);
    EXPECT_EQ(Level(dilated, 1, 1), 255);
    ASSERT_EQ(eroded.Morphology(1, kFlat3x3, 3, 3, 1, 1), 0u);
    EXPECT_EQ(Level(eroded, 1, 1), 10);
    EXPECT_EQ(Level(eroded, 0, 0), 10);
    CVelora colour(nullptr, nullptr, 4, 4, 24);
    EXPECT_EQ(colour.Morphology(0, kFlat3x3, 3, 3, 1, 1), 2u);
}

TEST(RegionGrowing, FloodsTheConnectedSimilarPixelsOnly) {
    CVelora image = Gray8(5, 3, std::vector<int>{50, 50, 90, 50, 50,  //
                                                 52, 50, 90, 50, 50,  //
                                                 50, 50, 90, 50, 50});
    CVelora copy = image;
    ASSERT_EQ(image.RegionGrowing(0, 0, 0, 0, 2, 0x0000C8), 0u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(Level(image, x, y), x < 2 ? 200 : Level(copy, x, y)) << x << "," << y;
    // Percentage of the range 50..90: 10 % gives 4, which still stops at the wall.
    EXPECT_EQ(copy.RegionGrowing(4, 2, 1, 1, 10, 0x000001), 0u);
    EXPECT_EQ(Level(copy, 3, 0), 1);
    EXPECT_EQ(Level(copy, 1, 0), 50);
    EXPECT_EQ(copy.RegionGrowing(5, 0, 0, 0, 2, 0), 2u);
    EXPECT_EQ(copy.RegionGrowing(0, 0, 2, 0, 2, 0), 3u);
    CVelora binary = Binary({"#."});
    EXPECT_EQ(binary.RegionGrowing(0, 0, 0, 0, 2, 0), 1u);
}

TEST(SetOperation, SetsCombineByTheirBlackMembers) {
    const CVelora a = Binary({"##..", "##.."}), b = Binary({"#.#.", "#.#."});
    const std::vector<std::pair<unsigned, std::vector<std::string>>> cases = {
        {2, {"###.", "###."}}, {3, {"#...", "#..."}}, {4, {".#..", ".#.."}}, {1, {"..##", "..##"}}};
    for (const auto& [code, expected] : cases) {
        CVelora result = a;
        ASSERT_EQ(result.SetOperation(code, &b), 0u);
        EXPECT_EQ(Drawing(result), expected) << code;
    }
    CVelora twice = a;
    ASSERT_EQ(twice.SetOperation(0, nullptr), 0u);
    EXPECT_EQ(Drawing(twice), (std::vector<std::string>{"..##", "..##"}));
    ASSERT_EQ(twice.SetOperation(0, nullptr), 0u);
    EXPECT_EQ(Block(twice), Block(a));
    CVelora left = a;
    EXPECT_EQ(left.SetOperation(2, nullptr), 2u);
    EXPECT_EQ(left.SetOperation(5, &b), 1u);
}

TEST(BinarySmoothing, RulesFillHolesAndRemoveLonePoints) {
    // Value 1 is the region here: '.' pixels. Rule 1 fills the 0 at the centre of a 1 cross.
    CVelora hole = Binary({"#####", "#...#", "#.#.#", "#...#", "#####"});
    ASSERT_EQ(hole.BinarySmoothing({true, false, false, false, false, false}), 0u);
    EXPECT_EQ(hole.GetPixel(2, 2), 1u);
    // Rule 2 removes a lone 1; the frame never changes.
    CVelora lone = Binary({".###.", "#####", "##.##", "#####", ".###."});
    ASSERT_EQ(lone.BinarySmoothing({false, true, false, false, false, false}), 0u);
    EXPECT_EQ(Drawing(lone), (std::vector<std::string>{".###.", "#####", "#####", "#####", ".###."}));
    CVelora gray = Gray8(3, 3, std::vector<int>(9, 0));
    EXPECT_EQ(gray.BinarySmoothing({true, true, true, true, true, true}), 1u);
}
