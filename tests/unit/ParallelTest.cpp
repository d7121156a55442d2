// The worker pool's bands, callers and nesting; every threaded step gives the same bytes on 1 and 4 threads.
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
#include "StepCases.h"
#include "TestImages.h"

using namespace testing_support;
using velora::detail::ForEachRowBand;

namespace {

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
}

TEST(RowBands, NoRowsNoBandsAndOneThreadStaysOnTheCallingThread) {
    EXPECT_TRUE(Record(0, 1 << 20).bands.empty());
    EXPECT_TRUE(Record(-3, 1 << 20).bands.empty());
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

TEST(RowBands, EveryStepGivesTheSameBytesWithOneAndFourThreads) {
    const std::string palette = TempPath("threads.pal"), written = TempPath("threads.out");
    ASSERT_EQ(RandomImage(4, 4, 8, 17).SavePalette(palette), 0u);
    // Rows of about 2 KiB (odd widths; 2048 x 64 for the spectrum) and 64 of them: enough for four bands.
    const std::pair<int, int> depthAndWidth[] = {{1, 16411}, {4, 4103}, {8, 2051}, {8, 2048}, {24, 683}, {32, 513}};
    for (const auto& [depth, width] : depthAndWidth)
        for (bool gray : {false, true}) {
            const auto made = [&](unsigned seed) {
                CVelora image = RandomImage(width, 64, depth, seed, gray);
                if (gray && depth >= 24) image.ColorToGray(1);  // so that the gray-only steps take it
                return image;
            };
            const CVelora source = made(unsigned(depth + 100 * gray)), other = made(unsigned(depth + 100 * gray + 7));
            const StepInputs inputs{source, other, palette, written};
            for (const StepCase& c : StepCases()) {
                // Hoover scatters along random rays one draw after another: nothing shared out, and slow here.
                if (StepName(c) == "Hoover") continue;
                SCOPED_TRACE(std::string(c.text) + " depth " + std::to_string(depth) + (gray ? " gray" : ""));
                CVelora result[2] = {source, source};
                unsigned code[2]{};
                for (int i : {0, 1}) {
                    const Threads count(i == 0 ? 1 : 4);
                    velora::SetFixedRandomSeed(5);  // the random steps draw alike
                    code[i] = c.call(result[i], inputs);
                }
                ASSERT_EQ(code[0], code[1]);
                ASSERT_EQ(Block(result[0]), Block(result[1]));
            }
        }
    velora::SetFixedRandomSeed(std::nullopt);
}

TEST(RowBands, HistogramAndMeansCountTheSameWithOneAndFourThreads) {
    // The sums themselves: InvariantsTest.
    for (int depth : {24, 32}) {
        SCOPED_TRACE(depth);
        const CVelora image = RandomImage(683, 67, depth, unsigned(depth));
        HistogramTable table[2]{};
        RGBQUAD mean[2]{};
        std::int64_t value[2]{};
        for (int i : {0, 1}) {
            Threads count(i == 0 ? 1 : 4);
            ASSERT_EQ(image.Histogram(table[i], 0), 0u);
            value[i] = image.GetMeanImage(mean[i]);
        }
        EXPECT_EQ(table[0], table[1]);
        EXPECT_EQ(value[0], value[1]);
        EXPECT_TRUE(mean[0].rgbRed == mean[1].rgbRed && mean[0].rgbGreen == mean[1].rgbGreen && mean[0].rgbBlue == mean[1].rgbBlue);
    }
}
