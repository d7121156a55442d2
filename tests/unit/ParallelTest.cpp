// The worker pool: how rows are split into bands, when work stays on the calling thread,
// concurrent and nested callers; and every threaded operation giving the same bytes with one
// thread and with four (the catalogue's steps, with their defaults and the step table's values).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "CVelora.h"
#include "Operation.h"
#include "Parallel.h"
#include "StepCases.h"
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

TEST(RowBands, EveryStepGivesTheSameBytesWithOneAndFourThreads) {
    using namespace velora::catalog;
    // Every row of the step table, and every step with its defaults.
    const std::string palette = TempPath("threads.pal"), written = TempPath("threads.out");
    ASSERT_EQ(RandomImage(4, 4, 8, 17).SavePalette(palette), 0u);
    std::vector<std::pair<std::string, std::function<unsigned(CVelora&, const StepInputs&)>>> calls;
    // Hoover scatters along random rays one draw after another: nothing is shared out, and
    // on these images it would take most of the time.
    for (const StepCase& c : StepCases())
        if (StepName(c) != "Hoover") calls.emplace_back(std::string(c.text), c.call);
    for (const Operation& op : Operations())
        if (!op.IsQuery() && op.name != "Hoover")
            calls.emplace_back(std::string(op.name) + " defaults", [&op](CVelora& im, const StepInputs& in) {
                Args args = DefaultArgs(op);
                for (std::size_t i = 0; i < op.params.size(); ++i) {
                    if (op.params[i].kind == ParamKind::Image) args.Values()[i] = std::make_shared<const CVelora>(in.other);
                    if (op.params[i].kind == ParamKind::Path) args.Values()[i] = in.written;
                }
                if (op.needsMonitor) args.SetMonitor(TestMonitor());
                return op.call(im, args);
            });
    // Rows of about 2 KiB (odd widths, so partial bytes and padding are there) and 67 rows:
    // enough work for four bands.
    const std::pair<int, int> depthAndWidth[] = {{1, 16411}, {4, 4103}, {8, 2051}, {24, 683}, {32, 513}};
    for (const auto& [depth, width] : depthAndWidth)
        for (bool gray : {false, true}) {
            const auto made = [&](unsigned seed) {
                CVelora image = RandomImage(width, 67, depth, seed, gray);
                if (gray && depth >= 24) image.ColorToGray(1);  // so that the gray-only steps take it
                return image;
            };
            const CVelora source = made(unsigned(depth + 100 * gray)), other = made(unsigned(depth + 100 * gray + 7));
            const StepInputs inputs{source, other, palette, written};
            for (const auto& [name, call] : calls) {
                SCOPED_TRACE(name + " depth " + std::to_string(depth) + (gray ? " gray" : ""));
                CVelora one = source, four = source;
                unsigned codeOne = 0, codeFour = 0;
                velora::SetFixedRandomSeed(5);  // the random steps draw alike
                {
                    Threads single(1);
                    codeOne = call(one, inputs);
                }
                velora::SetFixedRandomSeed(5);
                {
                    Threads several(4);
                    codeFour = call(four, inputs);
                }
                ASSERT_EQ(codeOne, codeFour);
                ASSERT_EQ(Block(one), Block(four));
            }
        }
    velora::SetFixedRandomSeed(std::nullopt);
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
