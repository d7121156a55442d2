// The image record: layout of every depth, accessors and their order of checks, copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "CVelora.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

struct DepthCase {
    int depth;
    std::uint32_t colours;
    std::uint32_t tableEntries;
};

const DepthCase kDepths[] = {{1, 2, 2}, {4, 16, 16}, {8, 256, 256}, {24, 1u << 24, 0}, {32, 1u << 24, 0}};

}  // namespace

TEST(Record, LayoutOfEveryDepth) {
    for (const auto& c : kDepths) {
        for (int width : {1, 3, 10, 33}) {
            SCOPED_TRACE("depth " + std::to_string(c.depth) + " width " + std::to_string(width));
            CVelora image(nullptr, nullptr, width, 3, c.depth);
            ASSERT_TRUE(image.HasImage());
            const std::uint32_t stride = (std::uint32_t(width) * std::uint32_t(c.depth) + 31) / 32 * 4;
            const auto h = image.GetBitmapInfoHeader();
            EXPECT_TRUE(h.biSize == 40 && h.biPlanes == 1 && h.biCompression == 0 && h.biSizeImage == stride * 3);
            EXPECT_TRUE(h.biClrUsed == c.colours && h.biClrImportant == c.colours);
            EXPECT_TRUE(image.GetNumColors() == c.colours && image.GetMaxColors() == c.colours);
            EXPECT_TRUE(image.GetBytesPerRow() == stride && CVelora::GetBytesPerRow(width, c.depth) == stride);
            EXPECT_EQ(CVelora::GetImageSize(width, 3, c.depth), stride * 3);
            EXPECT_EQ(image.GetPaletteSize(), c.tableEntries ? 4 * c.tableEntries : 0xFFFFFFFFu);
            EXPECT_EQ(image.GetBits() - image.GetDIB(), std::ptrdiff_t(40 + 4 * c.tableEntries));
            EXPECT_EQ(image.GetPaletteData() != nullptr, c.tableEntries > 0);
            EXPECT_EQ(image.GetDibSize(), 40 + 4 * c.tableEntries + stride * 3);
            EXPECT_EQ(image.CopyToGlobal().size(), image.GetDibSize());
        }
    }
    // The constructor's ramp for 1 and 4 bits is i, not spread from black to white.
    EXPECT_EQ(CVelora(nullptr, nullptr, 10, 1, 1).GetPaletteData()[1], (RGBQUAD{1, 1, 1, 0}));
}

TEST(Record, UnsupportedDepthOrSizeHoldsNoImage) {
    for (int depth : {0, 2, 16, 64}) {
        CVelora image(nullptr, nullptr, 4, 4, depth);
        EXPECT_FALSE(image.HasImage()) << depth;
        EXPECT_EQ(image.GetDIB(), nullptr);
        EXPECT_EQ(image.GetName(), "");
        EXPECT_EQ(image.GetPixel(0, 0), 0xFFFFFFFFu);
        EXPECT_TRUE(image.CopyToGlobal().empty());
    }
    // Over 1 GiB of pixels; no column or no row (nothing writes or reads back less).
    for (auto [w, h, depth] : {std::tuple{-1, 4, 8}, {70000, 70000, 32}, {0, 5, 8}, {5, 0, 24}})
        EXPECT_FALSE(CVelora(nullptr, nullptr, w, h, depth).HasImage()) << w << "x" << h;
    EXPECT_FALSE(CVelora::WithTable(0, 3, 8, 16).HasImage());
}

TEST(Record, AccessorsCheckPointAndDepthInTheirOrder) {
    CVelora rgb(nullptr, nullptr, 2, 2, 24);
    EXPECT_TRUE(rgb.GetPixel(-1, 0) == 0xFFFFFFFFu && rgb.GetPixel(0, 2) == 0xFFFFFFFFu && rgb.SetPixel(2, 0, 1) == 1);
    RGBQUAD c{};
    EXPECT_TRUE(rgb.GetRGBPixel(0, -1, c) == 1 && rgb.SetRGBPixel(0, -1, c) == 1);
    EXPECT_TRUE(rgb.GetAlfa(-1, 0) == 255 && rgb.GetAlfa(0, 0) == 254);  // point first
    EXPECT_EQ(rgb.SetAlfa(-1, 0, 1), 1u);  // depth first
    CVelora rgba(nullptr, nullptr, 2, 2, 32);
    EXPECT_EQ(rgba.SetAlfa(-1, 0, 1), 2u);

    // A pixel keeps what its depth holds: the low nibble, any non-zero as 1, never the alpha.
    CVelora nibbles(nullptr, nullptr, 3, 1, 4), bits(nullptr, nullptr, 10, 1, 1);
    nibbles.SetPixel(0, 0, 0xA);
    nibbles.SetPixel(1, 0, 0x15);
    bits.SetPixel(9, 0, 2);
    rgba.SetAlfa(0, 0, 7);
    rgba.SetPixel(0, 0, 0xFFFFFFFFu);
    EXPECT_TRUE(nibbles.GetPixel(0, 0) == 0xA && nibbles.GetPixel(1, 0) == 5 && bits.GetPixel(9, 0) == 1);
    EXPECT_TRUE(rgba.GetAlfa(0, 0) == 7 && rgba.GetPixel(0, 0) == 0xFFFFFF && rgba.GetRGBPixel(0, 0, c) == 0 && c.rgbReserved == 0);

    // A 16-bit image loads but has no pixel accessors.
    CVelora sixteen = SixteenBitImage(2, 1);
    ASSERT_EQ(sixteen.GetBitCount(), 16);
    EXPECT_TRUE(sixteen.GetPixel(0, 0) == 0xFFFFFFFEu && sixteen.GetPixel(5, 0) == 0xFFFFFFFFu);
    EXPECT_TRUE(sixteen.SetPixel(0, 0, 1) == 2 && sixteen.GetRGBPixel(0, 0, c) == 2);
    EXPECT_TRUE(sixteen.Initialize(0) == 1 && sixteen.GetPalette(&c) == 1 && !sixteen.IsGray());
    EXPECT_EQ(sixteen.CountDifferentPixels(rgb), 0xFFFFFFFFu);
}

TEST(Record, PaletteWritesRecolourEveryIndexAndTablesChangeAsAsked) {
    CVelora image;
    ASSERT_EQ(image.SetRGBPixel(3, 3, RGBQUAD{10, 20, 30, 40}), 0u);
    EXPECT_EQ(image.GetPaletteData()[0], (RGBQUAD{10, 20, 30, 40}));
    RGBQUAD c;
    image.GetRGBPixel(15, 0, c);
    EXPECT_EQ(c, (RGBQUAD{10, 20, 30, 40}));

    // InitializeRGB rewrites only the entries in use.
    image.SetPixel(0, 0, 5);
    image.InitializeRGB(RGBQUAD{1, 1, 1, 1});
    for (auto [i, entry] : {std::pair{0, RGBQUAD{1, 1, 1, 1}}, {5, RGBQUAD{1, 1, 1, 1}}, {6, RGBQUAD{6, 6, 6, 0}}})
        EXPECT_EQ(image.GetPaletteData()[i], entry) << i;

    CVelora rgb(nullptr, nullptr, 3, 3, 24);
    rgb.InitializeRGB(RGBQUAD{1, 2, 3, 0});
    EXPECT_EQ(rgb.GetPixel(2, 2), 0x030201u);
    rgb.Initialize(0x445566);
    EXPECT_EQ(rgb.GetPixel(1, 1), 0x445566u);

    CVelora oneBit(nullptr, nullptr, 8, 1, 1), fourBit(nullptr, nullptr, 8, 1, 4);
    RGBQUAD reserved[16];
    for (auto& e : reserved) e = RGBQUAD{9, 9, 9, 77};
    fourBit.SetPalette(reserved);
    EXPECT_EQ(oneBit.SetGrayPalette(), 0u);
    EXPECT_EQ(oneBit.GetPaletteData()[1], (RGBQUAD{255, 255, 255, 0}));
    fourBit.SetGrayPalette();
    EXPECT_EQ(fourBit.GetPaletteData()[1], (RGBQUAD{17, 17, 17, 77}));  // reserved byte untouched
    EXPECT_EQ(fourBit.GetPaletteData()[15], (RGBQUAD{255, 255, 255, 77}));
    EXPECT_EQ(rgb.SetGrayPalette(), 1u);

    RGBQUAD table[256] = {};
    table[3] = table[9] = RGBQUAD{0x33, 0x22, 0x11, 0};
    for (int i = 10; i < 256; ++i) table[i] = RGBQUAD{1, 1, 1, 0};
    CVelora indexed(nullptr, table, 2, 2, 8);
    EXPECT_EQ(indexed.FindPaletteIndex(0x112233), 3u);
    EXPECT_EQ(indexed.FindPaletteIndex(0x445566), 0xFFFFFFFFu);
    EXPECT_EQ(rgb.FindPaletteIndex(0), 0xFFFFFFFEu);
    RGBQUAD out[256];
    EXPECT_EQ(indexed.GetPalette(out), 0u);
    EXPECT_EQ(out[9], table[9]);

    // A table of one entry (only a loaded file can have it) turns black.
    CVelora single = CVelora::WithTable(4, 1, 1, 1, &table[9]);
    ASSERT_TRUE(single.HasImage());
    EXPECT_EQ(single.SetGrayPalette(), 0u);
    EXPECT_EQ(single.GetPaletteData()[0], (RGBQUAD{0, 0, 0, 0}));
}

TEST(Record, GrayTest) {
    CVelora image;
    EXPECT_TRUE(image.IsGray());
    image.SetRGBPixel(0, 0, RGBQUAD{1, 2, 1, 0});
    EXPECT_FALSE(image.IsGray());
    CVelora rgb(nullptr, nullptr, 3, 3, 32);
    rgb.SetAlfa(1, 1, 99);  // alpha does not count
    rgb.SetPixel(2, 2, 0x010101);
    EXPECT_TRUE(rgb.IsGray());
    rgb.SetPixel(2, 1, 0x010100);
    EXPECT_FALSE(rgb.IsGray());
}

TEST(Record, CountDifferentPixelsUsesTheCommonTopLeftRectangle) {
    CVelora a(nullptr, nullptr, 10, 10, 8), b(nullptr, nullptr, 5, 20, 8);
    EXPECT_EQ(a.CountDifferentPixels(b), 0u);
    b.SetPixel(4, 9, 1);   // inside the 5 x 10 rectangle
    b.SetPixel(0, 15, 1);  // below it
    a.SetPixel(7, 0, 1);   // right of it
    EXPECT_EQ(a.CountDifferentPixels(b), 1u);
    EXPECT_EQ(b.CountDifferentPixels(a), 1u);
    // Palette images compare by index, and depths may differ.
    CVelora rgb(nullptr, nullptr, 5, 5, 24);
    rgb.SetPixel(0, 0, 1);
    EXPECT_EQ(a.CountDifferentPixels(rgb), 1u);
}

TEST(Record, CopiesShareNothing) {
    CVelora original = RandomImage(7, 5, 8, 1);
    original.SetName("a.bmp");
    CVelora copy;
    copy = original;
    const auto before = Block(original);
    EXPECT_TRUE(Block(copy) == before && copy.GetName() == "a.bmp" && copy.GetDIB() != original.GetDIB());
    copy.SetPixel(0, 0, original.GetPixel(0, 0) + 1);
    copy.SetRGBPixel(1, 1, RGBQUAD{1, 2, 3, 4});
    EXPECT_EQ(Block(original), before);

    CVelora constructed(original);
    EXPECT_EQ(Block(constructed), before);
    CVelora moved(std::move(constructed));
    EXPECT_FALSE(constructed.HasImage());  // NOLINT(bugprone-use-after-move): moved-from is empty
    CVelora& self = moved;
    moved = self;
    EXPECT_EQ(Block(moved), before);

    // Assigning an object without an image keeps the block and takes the name.
    CVelora empty(nullptr, nullptr, 1, 1, 2);
    moved = empty;
    EXPECT_TRUE(Block(moved) == before && moved.GetName().empty());
}

TEST(Record, RoundingAndChannelSwap) {
    for (auto [in, out] : {std::pair{2.5, 2.0}, {-2.5, -3.0}, {2.5000001, 3.0}, {-2.4, -2.0}, {7.0, 7.0}}) EXPECT_EQ(RoundHalfDown(in), out) << in;
    EXPECT_EQ(SwapRedBlue(0xAA112233u), 0xAA332211u);
    EXPECT_EQ(SwapRedBlue(SwapRedBlue(0x00ABCDEFu)), 0x00ABCDEFu);
}

namespace {

struct RecordingPainter : CDibPainter {
    bool result = true;
    int calls = 0, x = 0, y = 0;
    BITMAPINFOHEADER header{};
    const std::uint8_t* bits = nullptr;
    bool DrawDib(int px, int py, const BITMAPINFO& info, const std::uint8_t* b) override {
        ++calls, x = px, y = py, header = info.bmiHeader, bits = b;
        return result;
    }
};

}  // namespace

TEST(Record, PaintHandsTheDibToThePainter) {
    CVelora image = RandomImage(5, 4, 8, 3);
    RecordingPainter painter;
    EXPECT_EQ(image.Paint(&painter, 10, 20), 0u);
    EXPECT_TRUE(painter.calls == 1 && painter.x == 10 && painter.y == 20 && painter.header.biWidth == 5 && painter.bits == image.GetBits());
    painter.result = false;
    EXPECT_EQ(image.Paint(&painter, 0, 0), 1u);
    EXPECT_EQ(image.Paint(nullptr, 0, 0), 1u);
    CVelora noRows(nullptr, nullptr, 0, 3, 24);
    EXPECT_EQ(noRows.Paint(&painter, 0, 0), 1u);
}

namespace {

// The display colour of one pixel: the accessors', or for 16 bits the 5-5-5 word widened by its high bits.
std::uint32_t DisplayColour(const CVelora& image, int x, int y) {
    if (image.GetBitCount() == 16) {
        const unsigned v = AnyPixel(image, x, y);
        const auto widen = [](unsigned c) { return (c << 3) | (c >> 2); };
        return 0xFF000000u | (widen((v >> 10) & 31) << 16) | (widen((v >> 5) & 31) << 8) | widen(v & 31);
    }
    RGBQUAD q{};
    EXPECT_EQ(image.GetRGBPixel(x, y, q), 0u);
    return 0xFF000000u | Packed(q);
}

}  // namespace

TEST(Record, DisplayConversionMatchesThePixelByPixelColoursAtEveryDepthAndWidth) {
    std::mt19937 rng(19);
    constexpr int kHeight = 5, kSpare = 3;  // pixels past each row that must stay untouched
    constexpr std::uint32_t kUntouched = 0xDEADBEEF;
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        // Widths around every whole group of the row loops (8 pixels a byte, 4 pixels a load).
        for (int width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 16, 17, 31, 33}) {
            SCOPED_TRACE("depth " + std::to_string(depth) + " width " + std::to_string(width));
            const CVelora image = NoisyImage(width, kHeight, depth, rng);
            ASSERT_EQ(image.GetBitCount(), depth);
            const std::size_t stride = std::size_t(width + kSpare);
            std::vector<std::uint32_t> rows(stride * kHeight + 1, kUntouched);
            image.ConvertToRGB32(0, kHeight, rows.data(), stride);
            const auto at = [&](int x, int y) { return rows[std::size_t(y) * stride + std::size_t(x)]; };
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < width; ++x) ASSERT_EQ(at(x, y), DisplayColour(image, x, y)) << x << ", " << y;
                for (int x = width; x < width + kSpare; ++x) ASSERT_EQ(at(x, y), kUntouched);
            }
            EXPECT_EQ(rows.back(), kUntouched);

            // A window of rows starts at its first row; rows outside the image are not written.
            const auto rowsOf = [stride](const std::vector<std::uint32_t>& v, std::size_t first, std::size_t count) {
                return std::vector<std::uint32_t>(v.begin() + std::ptrdiff_t(first * stride),
                                                  v.begin() + std::ptrdiff_t((first + count) * stride));
            };
            const std::vector<std::uint32_t> untouched(stride * 2, kUntouched);
            std::vector<std::uint32_t> window(stride * 4, kUntouched);
            image.ConvertToRGB32(3, 4, window.data(), stride);
            EXPECT_EQ(rowsOf(window, 0, 2), rowsOf(rows, 3, 2));
            EXPECT_EQ(rowsOf(window, 2, 2), untouched);
            std::fill(window.begin(), window.end(), kUntouched);
            image.ConvertToRGB32(-2, 3, window.data(), stride);
            EXPECT_EQ(rowsOf(window, 0, 2), untouched);
            EXPECT_EQ(rowsOf(window, 2, 1), rowsOf(rows, 0, 1));
        }
    }
}

TEST(Record, LoadFromDibTakesClipboardData) {
    // A 32-bit DIB with bit-field masks and no size: it arrives as 24 bits, rows re-padded.
    ByteWriter dib;
    dib.u32(40).u32(3).u32(2).u16(1).u16(32).u32(BI_BITFIELDS).u32(0).u32(0).u32(0).u32(0).u32(0);
    dib.u32(0xFF0000).u32(0xFF00).u32(0xFF);
    for (int i = 0; i < 6; ++i) dib.u8(i).u8(10 + i).u8(20 + i).u8(0xEE);
    const auto before = dib.bytes;
    CVelora image;
    image.SetName("kept.bmp");
    ASSERT_EQ(image.LoadFromDIB(dib.bytes.data(), dib.bytes.size()), 0u);
    EXPECT_EQ(dib.bytes, before);
    EXPECT_EQ(image.GetName(), "kept.bmp");
    EXPECT_EQ(image.GetBitCount(), 24);
    EXPECT_EQ(image.GetBitmapInfoHeader().biCompression, 0u);
    EXPECT_EQ(image.GetSizeImage(), 2 * 12u);
    EXPECT_EQ(image.GetPixel(0, 1), 0x140A00u);  // first stored row is the bottom row
    EXPECT_EQ(image.GetPixel(2, 0), 0x190F05u);

    // A palette DIB copied back from CopyToGlobal is the same image.
    const CVelora palette = RandomImage(9, 4, 4, 5);
    const auto global = palette.CopyToGlobal();
    CVelora pasted;
    ASSERT_EQ(pasted.LoadFromDIB(global.data(), global.size()), 0u);
    EXPECT_EQ(Block(pasted), global);

    // Truncated data is refused and the image stays.
    const auto kept = Block(pasted);
    for (std::size_t n : {std::size_t(0), std::size_t(20), global.size() - 1})
        EXPECT_NE(pasted.LoadFromDIB(global.data(), n), 0u) << n;
    EXPECT_EQ(Block(pasted), kept);
    EXPECT_NE(pasted.LoadFromDIB(nullptr, 100), 0u);
}
