// Global, local and optimal thresholds: each fast path against the rule per pixel, on every depth they take.
#include <gtest/gtest.h>

#include <random>

#include "CVelora.h"
#include "CliRun.h"
#include "Subjects.h"

using namespace testing_support;

namespace {

unsigned Levels(const CVelora& image) { return image.GetBitCount() <= 8 ? image.GetNumColors() : 256; }

// The global rule: each index, or each of red, green and blue, below t becomes low, else high.
CVelora NaiveThreshold(CVelora image, int t, int low, int high) {
    const auto rule = [&](int v) { return std::uint8_t(v < t ? low : high); };
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) {
            if (image.GetBitCount() <= 8) {
                image.SetPixel(x, y, rule(int(image.GetPixel(x, y))));
                continue;
            }
            const RGBQUAD c = Colour(image, x, y);
            image.SetRGBPixel(x, y, RGBQUAD{rule(c.rgbBlue), rule(c.rgbGreen), rule(c.rgbRed), 0});
        }
    return image;
}

// The local rule as first written: flip upside down, take the blocks from the first stored row, flip back.
CVelora NaiveLocal(CVelora image, int bh, int bw, int kind, int output) {
    InfoHistogram info;
    image.GetInfoHistogram(info);
    const int imageLow = info.lowest[0].level, imageHigh = info.highest[0].level;
    image.Flip(1);
    const int width = image.GetWidth(), height = image.GetHeight();
    // Stored row r is displayed row height - 1 - r.
    const auto at = [&](int x, int r) { return int(image.GetPixel(x, height - 1 - r)); };
    const int rows = height / bh, columns = width / bw;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) {
            const int r0 = i * bh, r1 = i == rows - 1 ? height : r0 + bh;
            const int x0 = j * bw, x1 = j == columns - 1 ? width : x0 + bw;
            long long sum = 0;
            int lo = 255, hi = 0;
            for (int r = r0; r < r1; ++r)
                for (int x = x0; x < x1; ++x) sum += at(x, r), lo = std::min(lo, at(x, r)), hi = std::max(hi, at(x, r));
            const int t = kind == -1 ? int(sum / ((r1 - r0) * (x1 - x0))) : kind == -2 ? hi : kind == -3 ? imageHigh : kind;
            const int outLow[4] = {lo, 0, imageLow, 0};
            const int outHigh[4] = {hi, hi, imageHigh, int(image.GetNumColors()) - 1};
            for (int r = r0; r < r1; ++r)
                for (int x = x0; x < x1; ++x)
                    image.SetPixel(x, height - 1 - r, std::uint32_t(at(x, r) < t ? outLow[output] : outHigh[output]));
        }
    image.Flip(1);
    return image;
}

// The level each method reads: the index, or the blue byte (mean), red (ISODATA), (R + G + B) / 3 (channel 0).
enum class Of { Mean, Isodata, Channel0 };
std::vector<int> LevelsOf(const CVelora& image, Of of) {
    std::vector<int> levels;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) {
            if (image.GetBitCount() <= 8) {
                levels.push_back(int(image.GetPixel(x, y)));
                continue;
            }
            const RGBQUAD c = Colour(image, x, y);
            levels.push_back(of == Of::Mean ? c.rgbBlue : of == Of::Isodata ? c.rgbRed : (c.rgbRed + c.rgbGreen + c.rgbBlue) / 3);
        }
    return levels;
}

int NaiveMean(const std::vector<int>& levels) {
    long long sum = 0;
    for (int v : levels) sum += v;
    return int(sum / (long long)levels.size());
}

std::pair<int, int> NaiveIsodata(const CVelora& image) {
    const std::vector<int> levels = LevelsOf(image, Of::Isodata);
    int t = NaiveMean(LevelsOf(image, Of::Mean)), iterations = 0;
    for (;;) {
        ++iterations;
        long long sumBelow = 0, below = 0, sumAbove = 0, above = 0;
        for (int v : levels) {
            if (v < t) sumBelow += v, ++below;
            if (v > t) sumAbove += v, ++above;
        }
        if (below == 0 || above == 0) return {t, iterations};
        const int next = int((sumBelow / below + sumAbove / above) / 2);
        if (next == t) return {t, iterations};
        t = next;
    }
}

std::pair<int, int> NaiveTwoPeaks(const CVelora& image) {
    std::vector<long long> h(256);
    for (int v : LevelsOf(image, Of::Channel0)) ++h[std::size_t(v)];
    int p1 = 0;
    for (int i = 1; i < 256; ++i)
        if (h[std::size_t(i)] > h[std::size_t(p1)]) p1 = i;
    int p2 = 0;
    long long best = 0;
    for (int i = 0; i < (image.GetBitCount() >= 8 ? 256 : 1 << image.GetBitCount()); ++i)
        if ((i - p1) * (i - p1) * h[std::size_t(i)] > best) best = (i - p1) * (i - p1) * h[std::size_t(i)], p2 = i;
    const int a = std::min(p1, p2), b = std::max(p1, p2);
    int t = a;
    for (int j = a + 1; j < b; ++j)
        if (h[std::size_t(j)] < h[std::size_t(t)]) t = j;
    return {t, p2};
}


}  // namespace

TEST(Threshold, RowsGiveWhatThePixelRuleGivesOnEveryDepth) {
    std::mt19937 rng(41);
    for (int round = 0; round < 6; ++round)
        for (const auto& [label, subject] : Subjects(rng)) {
            if (subject.GetBitCount() == 1) continue;
            const unsigned n = Levels(subject);
            for (int trial = 0; trial < 4; ++trial) {
                const int t = int(rng() % n), low = int(rng() % n), high = int(rng() % n);
                SCOPED_TRACE(label + ", t " + std::to_string(t));
                CVelora image = subject;
                ASSERT_EQ(image.Threshold(std::uint8_t(t), std::uint8_t(low), std::uint8_t(high)), 0u);
                EXPECT_EQ(Block(image), Block(NaiveThreshold(subject, t, low, high)));
            }
        }
}

TEST(Threshold, CodesInOrder) {
    // t is judged first, against the image's own levels; then the depth; then the outputs.
    std::mt19937 rng(3);
    const CVelora bits1 = RandomImage(9, 4, 1, 1), five = ShortTableImage(9, 4, 8, 5, false, rng),
                  four = RandomImage(9, 4, 4, 2), sixteen = SixteenBitImage(9, 4);
    struct Case {
        const CVelora& image;
        std::uint8_t t, low, high;
        unsigned code;
    };
    for (const Case& c : {Case{bits1, 2, 0, 0, 1}, Case{bits1, 1, 9, 9, 2}, Case{sixteen, 255, 0, 0, 2}, Case{five, 5, 9, 9, 1},
                          Case{five, 4, 0, 5, 3}, Case{five, 4, 5, 0, 3}, Case{four, 16, 0, 15, 1}, Case{four, 15, 16, 0, 3},
                          Case{five, 4, 4, 4, 0}}) {
        CVelora image = c.image;
        EXPECT_EQ(image.Threshold(c.t, c.low, c.high), c.code) << c.image.GetBitCount() << " bits, t " << int(c.t);
    }
}

TEST(LocalThreshold, TopDownRowsGiveWhatTheFlippedPixelRuleGives) {
    std::mt19937 rng(17);
    for (int round = 0; round < 48; ++round) {
        const int width = 1 + int(rng() % 90), height = 1 + int(rng() % 45);
        const CVelora subject = round % 3 == 2 ? ShortTableImage(width, height, 8, 2 + std::uint32_t(rng() % 200), false, rng)
                                               : RandomImage(width, height, 8, unsigned(rng()), round % 2 == 0);
        // Blocks of one pixel, one row, one column, the whole image, and any size.
        const int bh = round % 4 == 0 ? 1 : round % 7 == 0 ? height : 1 + int(rng() % std::uint32_t(height));
        const int bw = round % 8 == 0 ? 1 : round % 5 == 0 ? width : 1 + int(rng() % std::uint32_t(width));
        for (int kind : {-1, -2, -3, int(rng() % 256), 300, -7})
            for (int output = 0; output < 4; ++output) {
                SCOPED_TRACE(testing::Message() << width << "x" << height << ", blocks " << bh << "x" << bw << ", kind " << kind << ", output " << output);
                CVelora image = subject;
                ASSERT_EQ(image.LocalThreshold(bh, bw, kind, output), 0u);
                ASSERT_EQ(Block(image), Block(NaiveLocal(subject, bh, bw, kind, output)));
            }
    }
}

TEST(LocalThreshold, CodesInOrder) {
    // The depth, then the blocks against the size, then the output (that refusals keep the image: InvariantsTest).
    CVelora colour = RandomImage(10, 6, 24, 1), gray = RandomImage(10, 6, 8, 2, true);
    EXPECT_EQ(colour.LocalThreshold(0, 0, -1, 9), 2u);
    for (auto [height, width, output, code] : {std::tuple{0, 1, 9, 1u}, {7, 1, 0, 1u}, {1, 11, 0, 1u}, {6, 10, 3, 0u}})
        EXPECT_EQ(gray.LocalThreshold(height, width, -1, output), code) << height << "x" << width;
}

TEST(OptimalThreshold, MethodsGiveWhatThePixelRulesGive) {
    std::mt19937 rng(29);
    for (int round = 0; round < 8; ++round) {
        std::vector<Subject> subjects = Subjects(rng);
        // Few levels, far apart: ISODATA takes more than one step.
        std::vector<int> clustered;
        for (int i = 0; i < 40 * 30; ++i) clustered.push_back(int(rng() % 4) * 60 + int(rng() % 9));
        subjects.push_back({"clustered", Gray8(40, 30, clustered)});
        // An empty class ends ISODATA after one step: one level, or 5, 5, 5, 6 (mean 5); one level: second peak 0.
        subjects.push_back({"one level", Gray8(5, 3, std::vector<int>(15, 77))});
        subjects.push_back({"5 5 5 6", Gray8(2, 2, std::vector<int>{5, 5, 5, 6})});
        subjects.push_back({"one colour", CVelora(nullptr, nullptr, 4, 4, 24)});
        subjects.back().image.InitializeRGB(RGBQUAD{9, 9, 9, 0});
        for (const auto& [label, image] : subjects) {
            SCOPED_TRACE(label);
            RGBQUAD mean{};
            const int level = image.MeanLevel(mean);
            EXPECT_EQ(level, NaiveMean(LevelsOf(image, Of::Mean)));
            RGBQUAD whole{};  // the mean colour, whose sums InvariantsTest checks
            image.GetMeanImage(whole);
            EXPECT_EQ(mean, whole);
            if (image.GetBitCount() == 1) continue;

            int extra = -5;
            EXPECT_EQ(image.OptimalThreshold(0, extra), level);
            EXPECT_EQ(extra, -5);
            const auto [isodata, iterations] = NaiveIsodata(image);
            EXPECT_EQ(image.OptimalThreshold(1, extra), isodata);
            EXPECT_EQ(extra, iterations);
            const auto [valley, secondPeak] = NaiveTwoPeaks(image);
            EXPECT_EQ(image.OptimalThreshold(2, extra), valley);
            EXPECT_EQ(extra, secondPeak);
        }
    }
}

TEST(OptimalThreshold, CodesInOrderLeaveExtraAlone) {
    int extra = 42;
    EXPECT_EQ(RandomImage(9, 4, 1, 1).OptimalThreshold(9, extra), -1);
    EXPECT_EQ(SixteenBitImage(9, 4).OptimalThreshold(1, extra), -1);
    EXPECT_EQ(RandomImage(9, 4, 8, 1).OptimalThreshold(3, extra), -2);
    EXPECT_EQ(RandomImage(9, 4, 24, 1).OptimalThreshold(-1, extra), -2);
    EXPECT_EQ(extra, 42);
    RGBQUAD c{1, 2, 3, 0};
    EXPECT_EQ(SixteenBitImage(9, 4).MeanLevel(c), -1);
    EXPECT_EQ(c, (RGBQUAD{0, 0, 0, 0}));
}

TEST(ThresholdCommandLine, QueriesSayWhatTheLibrarySays) {
    std::vector<int> halves;
    for (int i = 0; i < 64; ++i) halves.push_back(i % 2 ? 150 : 50);
    const CVelora image = Gray8(8, 8, halves);
    const std::string input = TempPath("threshold_in.bmp");
    ASSERT_EQ(image.SaveBMP(input), 0u);
    const CliRun run = Velora("query " + input + " OptimalThreshold:isodata OptimalThreshold:2 MeanLevel");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, R"({"query":"OptimalThreshold","arguments":[1],"result":{"code":0,"threshold":100,"iterations":1}}
{"query":"OptimalThreshold","arguments":[2],"result":{"code":0,"threshold":51,"secondPeak":150}}
{"query":"MeanLevel","arguments":[],"result":{"value":100,"red":100,"green":100,"blue":100}}
)");
}
