// Each allocation of every step fails in turn: no exception escapes; the step copes (same bytes as with
// memory) or refuses with its declared "no memory" code, leaving the image as it was.
#include <gtest/gtest.h>

#include <cstring>

#include "FailingAllocator.h"
#include "Operation.h"
#include "RandomSeed.h"
#include "StepCases.h"
#include "TestImages.h"

using namespace testing_support;
using namespace velora::catalog;

namespace {

// The first subject of the depth the step takes: random colours, or gray levels.
std::optional<CVelora> Taken(const StepCase& c, const Operation& op, int depth, const StepInputs& inputs, CVelora& self) {
    const bool small = op.takesSize && !op.takesSize(CVelora(nullptr, nullptr, 21, 12, 8));
    for (bool gray : {false, true}) {
        CVelora subject = RandomImage(small ? 16 : 21, small ? 8 : 12, depth, 7u + unsigned(depth), gray);
        if (gray && depth >= 24) subject.ColorToGray(0);
        self = subject;
        CVelora probe = subject;
        const unsigned code = c.call(probe, inputs);
        velora::SetFixedRandomSeed(std::nullopt);
        if (code == 0) return subject;
    }
    return std::nullopt;
}

}  // namespace

TEST(LowMemory, EveryStepCopesOrRefusesWithItsCodeAndLeavesTheImage) {
    CVelora::SetThreadCount(1);  // the same allocations in the same order on every run
    const std::string palette = TempPath("memory.pal"), written = TempPath("memory.out");
    ASSERT_EQ(RandomImage(4, 4, 8, 17).SavePalette(palette), 0u);
    for (const StepCase& c : StepCases()) {
        const Operation& op = *FindOperation(StepName(c));
        for (int depth : {1, 4, 8, 24, 32}) {
            if (!(op.depths & DepthBitOf(unsigned(depth)))) continue;
            SCOPED_TRACE(std::string(c.text) + " on " + std::to_string(depth) + " bits");
            CVelora self, other = RandomImage(1, 1, depth, 3);
            const StepInputs inputs{self, other, palette, written};
            const std::optional<CVelora> subject = Taken(c, op, depth, inputs, self);
            if (!subject) continue;
            other = RandomImage(subject->GetWidth(), subject->GetHeight(), depth, 5);
            CVelora expected = *subject;
            ASSERT_EQ(c.call(expected, inputs), 0u);
            for (long n = 1;; ++n) {
                CVelora trial = *subject;
                unsigned code = 0;
                bool escaped = false;
                FailAllocationAt(n);
                try {
                    code = c.call(trial, inputs);
                } catch (...) {
                    escaped = true;
                }
                const long made = AllocationsSinceReset();
                FailAllocationAt(0);
                velora::SetFixedRandomSeed(std::nullopt);
                EXPECT_FALSE(escaped) << "allocation " << n << " of " << made << " escaped as an exception";
                if (made < n) {
                    EXPECT_EQ(code, 0u);
                    break;  // every allocation of the step has failed once
                }
                if (code == 0) {
                    EXPECT_TRUE(trial.EncodeBMP() == expected.EncodeBMP()) << "allocation " << n << " failed and the result differs";
                } else {
                    EXPECT_EQ(code, op.NoMemoryCode()) << "allocation " << n;
                    EXPECT_TRUE(trial.EncodeBMP() == subject->EncodeBMP()) << "allocation " << n << " failed and the image changed";
                }
            }
        }
    }
}

// The transform's work is one complex double per pixel, the twiddles a few kilobytes beside it.
TEST(LowMemory, TheSpectrumWorksInSixteenBytesPerPixel) {
    CVelora image = RandomImage(1024, 1024, 8, 9, true);
    FailAllocationAt(0);
    ASSERT_EQ(image.Spectrum(1), 0u);
    const std::size_t pixels = 1024 * 1024;
    EXPECT_LE(BytesSinceReset(), 16 * pixels + pixels / 2);
}
