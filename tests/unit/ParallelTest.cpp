// The worker pool: how rows are split into bands, when work stays on the calling thread,
// concurrent and nested callers; and every threaded operation giving the same bytes with one
// thread and with four.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "CVelora.h"
#include "Parallel.h"
#include "TestImages.h"

using namespace testing_support;
using velora::detail::ForEachRowBand;

namespace {

// Sets the thread count for one scope and puts the default back.
struct Threads {
    explicit Threads(unsigned count) { CVelora::SetThreadCount(count); }
    ~Threads() { CVelora::SetThreadCount(0); }
};

// The bands a call produces, sorted, with whether any ran off the calling thread.
struct Split {
    std::vector<std::pair<std::int32_t, std::int32_t>> bands;
    bool offThread = false;
};

Split Record(std::int32_t rows, std::size_t bytesPerRow) {
    Split split;
    std::mutex mutex;
    const auto caller = std::this_thread::get_id();
    ForEachRowBand(rows, bytesPerRow, [&](std::int32_t first, std::int32_t last) {
        std::lock_guard lock(mutex);
        split.bands.emplace_back(first, last);
        split.offThread |= std::this_thread::get_id() != caller;
    });
    std::sort(split.bands.begin(), split.bands.end());
    return split;
}

}  // namespace

TEST(RowBands, CoverEveryRowOnceAndDependOnlyOnTheSizes) {
    Threads four(4);
    EXPECT_EQ(CVelora::GetThreadCount(), 4u);
    for (const auto& [rows, stride] : {std::pair{1000, 4096}, std::pair{3, 1 << 20}, std::pair{7, 10000}}) {
        SCOPED_TRACE(rows);
        const Split split = Record(rows, std::size_t(stride));
        ASSERT_FALSE(split.bands.empty());
        EXPECT_LE(split.bands.size(), 4u);
        std::int32_t next = 0;
        for (const auto& [first, last] : split.bands) {
            EXPECT_EQ(first, next);
            EXPECT_LT(first, last);
            next = last;
        }
        EXPECT_EQ(next, rows);
        for (int again = 0; again < 5; ++again) EXPECT_EQ(Record(rows, std::size_t(stride)).bands, split.bands);
    }
    // 7 rows of 10000 bytes: two bands of at least 32 KiB, not four.
    EXPECT_EQ(Record(7, 10000).bands.size(), 2u);
}

TEST(RowBands, SmallWorkAndOneThreadStayOnTheCallingThread) {
    {
        Threads four(4);
        const Split small = Record(100, 100);  // 10 000 bytes
        EXPECT_EQ(small.bands, (decltype(small.bands){{0, 100}}));
        EXPECT_FALSE(small.offThread);
        EXPECT_TRUE(Record(0, 1 << 20).bands.empty());
        EXPECT_TRUE(Record(-3, 1 << 20).bands.empty());
    }
    Threads one(1);
    const Split big = Record(4000, 4000);
    EXPECT_EQ(big.bands, (decltype(big.bands){{0, 4000}}));
    EXPECT_FALSE(big.offThread);
}

TEST(RowBands, ConcurrentAndNestedCallersAllFinish) {
    Threads four(4);
    // Several threads at once, each band calling the pool again from inside.
    std::vector<std::thread> callers;
    std::atomic<std::int64_t> rowsDone{0};
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([&] {
            for (int repeat = 0; repeat < 50; ++repeat)
                ForEachRowBand(64, 4096, [&](std::int32_t first, std::int32_t last) {
                    ForEachRowBand(last - first, 1 << 20, [&](std::int32_t a, std::int32_t b) { rowsDone += b - a; });
                });
        });
    for (auto& caller : callers) caller.join();
    EXPECT_EQ(rowsDone.load(), 4 * 50 * 64);
}

TEST(RowBands, AnExceptionReachesTheCallerAfterAllBands) {
    Threads four(4);
    std::atomic<int> rows{0};
    EXPECT_THROW(ForEachRowBand(400, 4096,
                                [&](std::int32_t first, std::int32_t last) {
                                    rows += last - first;
                                    if (first == 0) throw std::runtime_error("band");
                                }),
                 std::runtime_error);
    EXPECT_EQ(rows.load(), 400);
    // The pool still works afterwards.
    EXPECT_EQ(Record(400, 4096).bands.back().second, 400);
}

TEST(RowBands, ThreadCountSetting) {
    CVelora::SetThreadCount(3);
    EXPECT_EQ(CVelora::GetThreadCount(), 3u);
    CVelora::SetThreadCount(0);
    EXPECT_EQ(CVelora::GetThreadCount(), std::max(1u, std::thread::hardware_concurrency()));
}

namespace {

struct Operation {
    const char* name;
    unsigned (*run)(CVelora&);
};

const Operation kRowOperations[] = {
    {"Negative lum", [](CVelora& im) { return im.Negative(1, 0, 0, 0); }},
    {"Negative red blue", [](CVelora& im) { return im.Negative(0, 1, 0, 1); }},
    {"Brightness", [](CVelora& im) { return im.Brightness(35); }},
    {"Gamma", [](CVelora& im) { return im.Gamma(0.7f); }},
    {"LinearContrast lum", [](CVelora& im) { return im.LinearContrast(30, 200, 0, 255, 1, 0, 0, 0); }},
    {"LinearContrast green", [](CVelora& im) { return im.LinearContrast(30, 200, 10, 240, 0, 0, 1, 0); }},
    {"NonLinearContrast RGB", [](CVelora& im) { return im.NonLinearContrast(0, 6, 0.5f); }},
    {"ColorToGray", [](CVelora& im) { return im.ColorToGray(0); }},
    {"ChangeColorDepth 1", [](CVelora& im) { return im.ChangeColorDepth(0); }},
    {"ChangeColorDepth 4", [](CVelora& im) { return im.ChangeColorDepth(1); }},
    {"ChangeColorDepth 8", [](CVelora& im) { return im.ChangeColorDepth(2); }},
    {"ChangeColorDepth 24", [](CVelora& im) { return im.ChangeColorDepth(3); }},
    {"ChangeColorDepth 32", [](CVelora& im) { return im.ChangeColorDepth(4); }},
    {"FillIndex", [](CVelora& im) { return im.FillIndex(1); }},
    {"InitializeRGB", [](CVelora& im) { return im.InitializeRGB(RGBQUAD{10, 20, 30, 0}); }},
    {"SetAlfa", [](CVelora& im) { return im.SetAlfa(std::uint8_t(77)); }},
    {"AlphaOperation invert", [](CVelora& im) { return im.AlphaOperation(2); }},
    {"AlphaOperation mean", [](CVelora& im) { return im.AlphaOperation(3); }},
    {"Flip mirror", [](CVelora& im) { return im.Flip(0); }},
    {"Flip upside down", [](CVelora& im) { return im.Flip(1); }},
    {"Scale 1.37", [](CVelora& im) { return im.Scale(1.37f, 1.37f, 0); }},
    {"Scale 2", [](CVelora& im) { return im.Scale(2.0f, 2.0f, 0); }},
    {"Scale 0.5 x 3", [](CVelora& im) { return im.Scale(0.5f, 3.0f, 0); }},
    {"GrayLevelSlice", [](CVelora& im) { return im.GrayLevelSlice(1, 3, 9, 12, 0); }},
    {"EraseBitPlanes", [](CVelora& im) { return im.EraseBitPlanes({1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1}); }},
    {"ExtractBitPlane 3", [](CVelora& im) { return im.ExtractBitPlane(3); }},
    {"GrayBands", [](CVelora& im) { return im.GrayBands(5); }},
    {"FalseColor", [](CVelora& im) { return im.FalseColor(); }},
    {"ColorBalance", [](CVelora& im) { return im.ColorBalance(30, -45, 100); }},
    {"Threshold", [](CVelora& im) { return im.Threshold(9, 0, 1); }},
    {"LocalThreshold 5 x 7 mean", [](CVelora& im) { return im.LocalThreshold(5, 7, -1, 0); }},
    {"LocalThreshold 1 x 1 image range", [](CVelora& im) { return im.LocalThreshold(1, 1, 100, 2); }},
    {"LocalThreshold 16 x 40 maximum", [](CVelora& im) { return im.LocalThreshold(16, 40, -2, 1); }},
    {"Ellipse", [](CVelora& im) { return im.Ellipse(); }},
    {"Ripple down", [](CVelora& im) { return im.Ripple(25, 30, 0, 0x00FF00); }},
    {"Ripple up", [](CVelora& im) { return im.Ripple(-13, 7, 1, 0x000000); }},
    {"Swirl", [](CVelora& im) { return im.Swirl(250, 40); }},
    {"Shear rows", [](CVelora& im) { return im.Shear(1, 37.5, 0xFFFFFF); }},
    {"Shear columns", [](CVelora& im) { return im.Shear(3, 61, 0x00FF00); }},
    {"Shear both", [](CVelora& im) { return im.Shear(9, 23, 0); }},
    {"Swirl whole", [](CVelora& im) { return im.Swirl(-400, 5000); }},
    {"Interlace columns", [](CVelora& im) { const CVelora other = im; return im.Interlace(1, &other, &other); }},
    {"Deinterlace columns", [](CVelora& im) { return im.Deinterlace(1, 2); }},
    // Translation
    {"Translate new size", [](CVelora& im) { return im.Translate(0, -13, 7, 0x00FF00u); }},
    {"Translate keep size", [](CVelora& im) { return im.Translate(1, 9, -21, 0x123456u); }},
    {"Rotate 30 same size", [](CVelora& im) { return im.Rotate(1, 30, 0x00FF00); }},
    {"Rotate 3 new size", [](CVelora& im) { return im.Rotate(0, -3, 0x808080); }},
    {"Rotate3D", [](CVelora& im) { return im.Rotate3D(1, 20, -35, 10, 0x0000FF); }},
    {"Crop", [](CVelora& im) { return im.Crop(3, 2, im.GetWidth() - 5, 60); }},
    // Convolution filters
    {"Convolution 3x3 rescaled", [](CVelora& im) { return im.PredefinedFilter(6, 0, 0); }},
    {"Convolution 11x11 replicated", [](CVelora& im) { return im.PredefinedFilter(65, 1, 2); }},
    {"Convolution 2x2 padded absolute", [](CVelora& im) { return im.PredefinedFilter(41, 2, 1); }},
    {"Sobel", [](CVelora& im) { return im.PredefinedFilter(50, 2, 2); }},
    {"Kirsch", [](CVelora& im) { return im.PredefinedFilter(57, 0, 1); }},
    {"Median 5x5", [](CVelora& im) { return im.PredefinedFilter(23, 0, 0); }},
    {"Median 9x9", [](CVelora& im) { return im.PredefinedFilter(25, 0, 0); }},
    {"Max-min 7x7", [](CVelora& im) { return im.PredefinedFilter(72, 0, 0); }},
    {"Harmonic mean", [](CVelora& im) { return im.PredefinedFilter(77, 0, 0); }},
    {"Emboss", [](CVelora& im) { return im.Emboss(3); }},
    // Operations between images
    {"Arithmetic weighted, offset", [](CVelora& im) { const CVelora b = im; return im.Arithmetic(0, b, 0.6f, 0.7f, 3, 2); }},
    {"Arithmetic division", [](CVelora& im) { const CVelora b = im; return im.Arithmetic(3, b, 1, 1, 0, 0); }},
    {"SaturatingArithmetic difference", [](CVelora& im) { CVelora b = im; b.Flip(0); return im.SaturatingArithmetic(1, b); }},
    {"Logical XOR", [](CVelora& im) { CVelora b = im; b.Flip(1); return im.Logical(3, &b); }},
    {"Mosaic 5 x 9", [](CVelora& im) { return im.Mosaic(5, 9); }},
    {"Mosaic 16 x 3", [](CVelora& im) { return im.Mosaic(16, 3); }},
};

}  // namespace

TEST(RowBands, EveryThreadedOperationGivesTheSameBytesWithOneAndFourThreads) {
    // Rows of about 2 KiB (odd widths, so partial bytes and padding are there) and 67 rows:
    // enough work for four bands.
    const std::pair<int, int> depthAndWidth[] = {{1, 16411}, {4, 4103}, {8, 2051}, {24, 683}, {32, 513}};
    for (const auto& [depth, width] : depthAndWidth)
        for (bool gray : {false, true}) {
            const CVelora source = [&] {
                CVelora made = RandomImage(width, 67, depth, unsigned(depth + 100 * gray), gray);
                if (gray && depth >= 24) made.ColorToGray(1);  // so that the gray depth changes take it
                return made;
            }();
            for (const Operation& operation : kRowOperations) {
                SCOPED_TRACE(std::string(operation.name) + " depth " + std::to_string(depth) + (gray ? " gray" : ""));
                CVelora one = source, four = source;
                unsigned codeOne = 0, codeFour = 0;
                {
                    Threads single(1);
                    codeOne = operation.run(one);
                }
                {
                    Threads several(4);
                    codeFour = operation.run(four);
                }
                ASSERT_EQ(codeOne, codeFour);
                ASSERT_EQ(Block(one), Block(four));
            }
        }
}

TEST(RowBands, HistogramAndMeansCountTheSameWithOneAndFourThreads) {
    for (int depth : {24, 32}) {
        SCOPED_TRACE(depth);
        const CVelora image = RandomImage(683, 67, depth, unsigned(depth));
        HistogramTable one{}, four{};
        RGBQUAD meanOne{}, meanFour{};
        std::int64_t valueOne = 0, valueFour = 0;
        {
            Threads single(1);
            ASSERT_EQ(image.Histogram(one, 0), 0u);
            valueOne = image.GetMeanImage(meanOne);
        }
        {
            Threads several(4);
            ASSERT_EQ(image.Histogram(four, 0), 0u);
            valueFour = image.GetMeanImage(meanFour);
        }
        EXPECT_EQ(one, four);
        EXPECT_EQ(valueOne, valueFour);
        EXPECT_EQ(std::vector<std::uint8_t>({meanOne.rgbRed, meanOne.rgbGreen, meanOne.rgbBlue}),
                  std::vector<std::uint8_t>({meanFour.rgbRed, meanFour.rgbGreen, meanFour.rgbBlue}));
        // The whole image's value is the mean of the 0x00RRGGBB values, pixel by pixel.
        std::uint64_t sum = 0;
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) sum += image.GetPixel(x, y);
        EXPECT_EQ(valueOne, std::int64_t(sum / (683u * 67u)));
    }
}
