// What every image must satisfy after any operation (random images, every depth and table, default and
// random arguments): a column and a row, indices inside the table, zero padding, a BMP we read back unchanged.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "Operation.h"
#include "Subjects.h"
#include "TestImages.h"

using namespace testing_support;
using namespace velora::catalog;

namespace {

// The invariants, as one message naming the first that fails; empty when all hold.
std::string BrokenInvariant(const CVelora& image) {
    if (!image.HasImage() || image.GetWidth() < 1 || image.GetHeight() < 1) return "no pixels";
    const unsigned depth = image.GetBitCount();
    const std::uint32_t entries = image.GetNumColors();
    if (depth > 8) return {};
    if (entries < 1 || entries > (1u << depth)) return "colour count " + std::to_string(entries);
    for (std::int32_t y = 0; y < image.GetHeight(); ++y)
        for (std::int32_t x = 0; x < image.GetWidth(); ++x)
            if (image.GetPixel(x, y) >= entries) return "index past the table at " + std::to_string(x) + "," + std::to_string(y);
    return {};
}

// The bytes after the last pixel of every row are 0.
bool PaddingIsZero(const CVelora& image) {
    const std::size_t used = (std::size_t(image.GetWidth()) * image.GetBitCount() + 7) / 8;
    for (int r = 0; r < image.GetHeight(); ++r) {
        const std::uint8_t* row = image.GetBits() + std::size_t(r) * image.GetBytesPerRow();
        for (std::size_t i = used; i < image.GetBytesPerRow(); ++i)
            if (row[i] != 0) return false;
        const unsigned bits = unsigned(image.GetWidth()) * image.GetBitCount() % 8;
        if (bits && (row[used - 1] & (0xFFu >> bits)) != 0) return false;
    }
    return true;
}

// The block our BMP writer and reader give back: the image's, but for direct colour's counts, written as 0.
void ExpectBmpRoundTrip(const CVelora& image) {
    const auto file = image.EncodeBMP();
    CVelora back;
    ASSERT_EQ(back.LoadBMP(file.data(), file.size()), 0u) << "the reader refuses what the writer made";
    auto expected = Block(image);
    if (image.GetBitCount() > 8) std::fill(expected.begin() + 32, expected.begin() + 40, 0);
    EXPECT_EQ(Block(back), expected);
}

bool Takes(const Operation& op, ParamKind kind) {
    return std::any_of(op.params.begin(), op.params.end(), [&](const Param& p) { return p.kind == kind; });
}

// Arguments inside the declared ranges; factors and counts without one stay small, as do the results.
Args RandomArgs(const Operation& op, const CVelora& image, std::mt19937& rng) {
    std::vector<ArgValue> values;
    for (const Param& p : op.params) {
        Range range = p.range.value_or(p.kind == ParamKind::Decimal ? Range{0, 3} : Range{-5, 300});
        if (p.kind != ParamKind::Decimal && range.max - range.min > 1000) range.max = range.min + 300;  // counts
        switch (p.kind) {
            case ParamKind::Decimal: values.emplace_back(std::uniform_real_distribution<double>(range.min, range.max)(rng)); break;
            case ParamKind::Colour: values.emplace_back(std::int64_t(rng() & 0xFFFFFF)); break;
            case ParamKind::Image: values.emplace_back(std::make_shared<const CVelora>(image)); break;
            case ParamKind::Path: values.emplace_back(std::string()); break;
            case ParamKind::IntegerList: values.emplace_back(std::vector<std::int64_t>()); break;
            default: values.emplace_back(std::uniform_int_distribution<std::int64_t>(std::int64_t(range.min), std::int64_t(range.max))(rng));
        }
    }
    return Args(std::move(values));
}

Args WithImages(const Operation& op, Args args, const CVelora& image) {
    for (std::size_t i = 0; i < op.params.size(); ++i)
        if (op.params[i].kind == ParamKind::Image) args.Values()[i] = std::make_shared<const CVelora>(image);
    return args;
}

}  // namespace

TEST(Invariants, HoldAfterEveryOperationAndSurviveTheBmpRoundTrip) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 2; ++round) {  // two rounds: the subjects are many, and wide
        for (const Subject& subject : Subjects(rng, true)) {
            ASSERT_EQ(BrokenInvariant(subject.image), "") << subject.label;
            for (const Operation& op : Operations()) {
                if (op.IsQuery() || Takes(op, ParamKind::Path)) continue;
                std::vector<Args> argSets{WithImages(op, DefaultArgs(op), subject.image)};
                for (int i = 0; i < 4; ++i) argSets.push_back(RandomArgs(op, subject.image, rng));
                // Other images with a full table: their indices may lie past a short one's.
                const CVelora& s = subject.image;
                if (s.GetBitCount() <= 8 && Takes(op, ParamKind::Image))
                    argSets.push_back(WithImages(op, DefaultArgs(op), RandomImage(s.GetWidth(), s.GetHeight(), int(s.GetBitCount()), rng())));
                for (const Args& args : argSets) {
                    SCOPED_TRACE(std::string(op.name) + " on " + subject.label);
                    CVelora image = subject.image;
                    const unsigned code = op.call(image, args);
                    if (code != 0) {
                        EXPECT_FALSE(RefusalText(op, code).empty()) << "undeclared result " << code;
                        EXPECT_EQ(Block(image), Block(subject.image)) << "a refusal changed the image";
                        continue;
                    }
                    EXPECT_EQ(BrokenInvariant(image), "");
                    EXPECT_TRUE(PaddingIsZero(image)) << "bytes after the last pixel of a row";
                    ExpectBmpRoundTrip(image);
                }
            }
        }
    }
}

TEST(Invariants, EqualizeGrowsAShortTableToCoverItsIndices) {
    // A ramp grows as a ramp, other tables with black (as those pixels showed); indices as a full table gives.
    std::mt19937 rng(7);
    for (const bool ramp : {true, false}) {
        const int depth = ramp ? 8 : 4;
        const CVelora before = ShortTableImage(9, 4, depth, ramp ? 16 : 5, ramp, rng);
        CVelora image = before, full = CVelora::WithTable(9, 4, depth, 1u << depth);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x) full.SetPixel(x, y, before.GetPixel(x, y));
        ASSERT_EQ(image.Equalize(kModelRGB, ramp ? 0 : 2), 0u);
        ASSERT_EQ(full.Equalize(kModelRGB, ramp ? 0 : 2), 0u);
        EXPECT_EQ(image.GetNumColors(), 1u << depth);
        std::map<std::uint32_t, std::uint32_t> mapped;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x) mapped[before.GetPixel(x, y)] = full.GetPixel(x, y);
        ExpectIndices(image, before, [&](std::uint32_t v) { return mapped[v]; });
    }
}

TEST(Invariants, MeansEqualThePixelByPixelSums) {
    std::mt19937 rng(5);
    for (int depth : {1, 4, 8, 24, 32})
        for (int width : {1, 7, 8, 9, 63, 64, 65, 130}) {
            SCOPED_TRACE(std::to_string(depth) + " bits, width " + std::to_string(width));
            const int height = 1 + int(rng() % 5);
            CVelora image = RandomImage(width, height, depth, unsigned(rng()));
            if (width % 2 && depth <= 8) image = ShortTableImage(width, height, depth, depth == 1 ? 1 : 3, false, rng);
            std::uint64_t value = 0, red = 0, green = 0, blue = 0;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const RGBQUAD c = Colour(image, x, y);
                    value += image.GetPixel(x, y);
                    red += c.rgbRed, green += c.rgbGreen, blue += c.rgbBlue;
                }
            const std::uint64_t n = std::uint64_t(width) * std::uint64_t(height);
            RGBQUAD mean{};
            EXPECT_EQ(image.GetMeanImage(mean), std::int64_t(value / n));
            EXPECT_EQ(mean.rgbRed, red / n);
            EXPECT_EQ(mean.rgbGreen, green / n);
            EXPECT_EQ(mean.rgbBlue, blue / n);
        }
}
