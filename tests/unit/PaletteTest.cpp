// Palette ramps, channel rearrangement and JASC-PAL files.
#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <sys/stat.h>

#include "CVelora.h"
#include "SmallDiskFiles.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

bool SameColour(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

// A JASC-PAL text with the given entries, line end and count line.
std::string PalText(const std::vector<RGBQUAD>& entries, const std::string& eol = "\r\n",
                    const std::string& count = {}) {
    std::string text = "JASC-PAL" + eol + "0100" + eol + (count.empty() ? std::to_string(entries.size()) : count) + eol;
    for (const RGBQUAD& e : entries)
        text += std::to_string(e.rgbRed) + " " + std::to_string(e.rgbGreen) + " " + std::to_string(e.rgbBlue) + eol;
    return text;
}

std::vector<RGBQUAD> RandomEntries(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<RGBQUAD> entries(n);
    for (auto& e : entries) e = RGBQUAD{std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
    return entries;
}

// Decodes, checking that a refusal leaves the image as it was.
unsigned Decode(CVelora& image, const std::string& text) {
    const auto before = Block(image);
    const unsigned code = image.DecodePalette(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (code != 0) {
        EXPECT_EQ(Block(image), before) << "a refused file changed the image";
    }
    return code;
}

std::uint8_t ChannelOf(const RGBQUAD& e, int channel) {
    return channel == 0 ? e.rgbRed : channel == 1 ? e.rgbGreen : e.rgbBlue;
}

}  // namespace

TEST(PaletteFiles, TheWriterGivesTheExactBytesForEveryEntryOfTheDepth) {
    CVelora gray;  // 8 bits, the gray ramp
    std::string expected = "JASC-PAL\r\n0100\r\n256\r\n";
    for (int i = 0; i < 256; ++i) expected += std::to_string(i) + " " + std::to_string(i) + " " + std::to_string(i) + "\r\n";
    EXPECT_EQ(gray.EncodePalette(), expected);
    const std::string path = TempPath("gray.PspPalette");
    ASSERT_EQ(gray.SavePalette(path), 0u);
    EXPECT_EQ(ReadFile(path), Bytes(expected));

    // A 4-bit image with a table of 5 entries still writes 16, the missing ones black.
    const auto five = RandomEntries(5, 3);
    const CVelora shortTable = CVelora::WithTable(3, 2, 4, 5, five.data());
    auto sixteen = five;
    sixteen.resize(16, RGBQUAD{0, 0, 0, 0});
    EXPECT_EQ(shortTable.EncodePalette(), PalText(sixteen));

    for (int depth : {1, 24, 32}) EXPECT_EQ(RandomImage(3, 2, depth, 1).EncodePalette(), "") << depth;
}

TEST(PaletteFiles, WhatTheWriterWritesReadsBackAndOnlyTheFilesEntriesChange) {
    for (int depth : {4, 8}) {
        const CVelora source = RandomImage(9, 5, depth, 11);
        CVelora target = RandomImage(9, 5, depth, 12);
        const std::string path = TempPath("round" + std::to_string(depth) + ".pal");
        ASSERT_EQ(source.SavePalette(path), 0u);
        ASSERT_EQ(target.LoadPalette(path), 0u);
        const auto got = PaletteOf(target), want = PaletteOf(source);
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(SameColour(got[i], want[i])) << i;
        EXPECT_EQ(target.CountDifferentPixels(RandomImage(9, 5, depth, 12)), 0u) << "pixels are not touched";
    }

    // 16 entries into an 8-bit image: entries 0..15 only.
    CVelora eight = RandomImage(4, 4, 8, 5);
    const auto before = PaletteOf(eight);
    const auto entries = RandomEntries(16, 6);
    ASSERT_EQ(Decode(eight, PalText(entries)), 0u);
    const auto after = PaletteOf(eight);
    for (std::size_t i = 0; i < 256; ++i) {
        EXPECT_TRUE(SameColour(after[i], i < 16 ? entries[i] : before[i])) << i;
        EXPECT_EQ(after[i].rgbReserved, 0) << i;
    }

    // 256 entries into a 4-bit image, and into one with a table of 5: the table keeps its length.
    const auto many = RandomEntries(256, 7);
    CVelora four = RandomImage(4, 4, 4, 8);
    ASSERT_EQ(Decode(four, PalText(many)), 0u);
    const auto fourAfter = PaletteOf(four);
    for (std::size_t i = 0; i < 16; ++i) EXPECT_TRUE(SameColour(fourAfter[i], many[i])) << i;
    CVelora shortTable = CVelora::WithTable(4, 4, 8, 5);
    ASSERT_EQ(Decode(shortTable, PalText(many)), 0u);
    EXPECT_EQ(shortTable.GetNumColors(), 5u);
    EXPECT_EQ(shortTable.GetDibSize(), CVelora::WithTable(4, 4, 8, 5).GetDibSize());
    EXPECT_TRUE(SameColour(PaletteOf(shortTable)[4], many[4]));
}

TEST(PaletteFiles, HandWrittenAndOtherToolsFilesLoadAsTheirCrLfForm) {
    const auto entries = RandomEntries(16, 21);
    const std::string lf = PalText(entries, "\n");
    std::string blanks = "JASC-PAL  \r\n0100\r\n16 \r\n";
    for (const RGBQUAD& e : entries)
        blanks += "  " + std::to_string(e.rgbRed) + "\t" + std::to_string(e.rgbGreen) + "   " + std::to_string(e.rgbBlue) + " \r\n";
    std::string noFinalEnd = PalText(entries);
    noFinalEnd.resize(noFinalEnd.size() - 2);
    std::string leadingZeros = "JASC-PAL\r\n0100\r\n016\r\n";
    for (const RGBQUAD& e : entries) leadingZeros += "00" + std::to_string(e.rgbRed) + " " + std::to_string(e.rgbGreen) + " " + std::to_string(e.rgbBlue) + "\r\n";
    const std::string variants[] = {lf, blanks, noFinalEnd, PalText(entries) + "\r\n\r\n  \n", "\xEF\xBB\xBF" + lf,
                                    leadingZeros};

    CVelora reference = RandomImage(4, 4, 4, 22);
    ASSERT_EQ(Decode(reference, PalText(entries)), 0u);
    for (const std::string& text : variants) {
        SCOPED_TRACE(text.substr(0, 30));
        CVelora image = RandomImage(4, 4, 4, 22);
        ASSERT_EQ(Decode(image, text), 0u);
        EXPECT_EQ(Block(image), Block(reference));
    }
}

TEST(PaletteFiles, EveryRefusalHasItsCodeAndChangesNothing) {
    const auto entries = RandomEntries(16, 31);
    const std::string good = PalText(entries);
    auto withLine = [&](std::size_t entry, const std::string& line) {
        std::string text = PalText({}, "\r\n", "16");
        for (std::size_t i = 0; i < 16; ++i)
            text += i == entry ? line + "\r\n"
                               : std::to_string(entries[i].rgbRed) + " " + std::to_string(entries[i].rgbGreen) + " " +
                                     std::to_string(entries[i].rgbBlue) + "\r\n";
        return text;
    };
    const struct {
        std::string text;
        unsigned code;
    } cases[] = {
        {"", CVelora::kPaletteNotJasc},
        {"JASC-PAL", CVelora::kPaletteNotJasc},
        {"JASC-PAX\r\n0100\r\n16\r\n", CVelora::kPaletteNotJasc},
        {"jasc-pal" + good.substr(8), CVelora::kPaletteNotJasc},
        {PalText(RandomEntries(255, 1)), CVelora::kPaletteNotJasc},
        {PalText(entries, "\r\n", "0x10"), CVelora::kPaletteNotJasc},
        {PalText(entries, "\r\n", "99999999999999999999"), CVelora::kPaletteNotJasc},
        {"JASC-PAL\r\n16\r\n" + good.substr(good.find("16\r\n") + 4), CVelora::kPaletteNotJasc},
        {withLine(3, "1 2"), CVelora::kPaletteBadEntry},
        {withLine(3, "1 2 3 4"), CVelora::kPaletteBadEntry},
        {withLine(0, "256 0 0"), CVelora::kPaletteBadEntry},
        {withLine(15, "0 0 1000"), CVelora::kPaletteBadEntry},
        {withLine(5, "-1 0 0"), CVelora::kPaletteBadEntry},
        {withLine(5, "+1 0 0"), CVelora::kPaletteBadEntry},
        {withLine(7, "1,2,3"), CVelora::kPaletteBadEntry},
        {withLine(7, "1a 2 3"), CVelora::kPaletteBadEntry},
        {withLine(8, ""), CVelora::kPaletteBadEntry},
        {withLine(9, "1\r2 3"), CVelora::kPaletteBadEntry},
        {good.substr(0, good.rfind("\r\n", good.size() - 3) + 2), CVelora::kPaletteWrongCount},
        {PalText(RandomEntries(16, 2), "\r\n", "256"), CVelora::kPaletteWrongCount},
        {good + "1 2 3\r\n", CVelora::kPaletteWrongCount},
        {good + "\r\nJASC-PAL\r\n", CVelora::kPaletteWrongCount},
        {good + std::string(CVelora::kMaxPaletteFileBytes, ' '), CVelora::kPaletteTooLarge},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        for (int depth : {4, 8}) {
            CVelora image = RandomImage(5, 3, depth, 32);
            EXPECT_EQ(Decode(image, c.text), c.code) << depth;
        }
    }
    for (int depth : {1, 24, 32}) {
        CVelora image = RandomImage(5, 3, depth, 33);
        EXPECT_EQ(Decode(image, good), CVelora::kPaletteBadDepth) << depth;
        EXPECT_EQ(image.LoadPalette(TempPath("no such file.pal")), CVelora::kPaletteBadDepth) << depth;
    }
}

TEST(PaletteFiles, PathsThatAreNoPaletteFileNeitherHangNorLoad) {
    CVelora image = RandomImage(5, 3, 8, 41);
    const auto before = Block(image);
    for (const std::string& path : {TempPath("missing.pal"), std::string(VELORA_TEST_TMP), std::string("/dev/zero")})
        EXPECT_EQ(image.LoadPalette(path), CVelora::kPaletteCannotOpen) << path;  // missing, a folder, endless
    const std::string fifo = TempPath("palette.fifo");
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(image.LoadPalette(fifo), CVelora::kPaletteCannotOpen);  // no writer: must not wait for one
    ::unlink(fifo.c_str());
    const std::string huge = TempPath("huge.pal");
    WriteFile(huge, Bytes(PalText(RandomEntries(256, 4)) + std::string(1 << 20, '\n')));
    EXPECT_EQ(image.LoadPalette(huge), CVelora::kPaletteTooLarge);
    EXPECT_EQ(Block(image), before);
}

TEST(PaletteFiles, AFailedSaveKeepsTheOldFile) {
    const CVelora image = RandomImage(5, 3, 8, 51);
    EXPECT_EQ(image.SavePalette(TempPath("no such folder/x.pal")), 2u);

    SmallDisk disk("palette");
    SKIP_WITHOUT_SMALL_DISK(disk);
    const CVelora other = RandomImage(5, 3, 4, 52);
    ASSERT_EQ(other.SavePalette(disk / "old.pal"), 0u);
    const auto old = ReadFile(disk / "old.pal");
    disk.Fill();
    EXPECT_EQ(image.SavePalette(disk / "old.pal"), 3u);
    EXPECT_EQ(ReadFile(disk / "old.pal"), old);
    EXPECT_EQ(disk.Names(), (std::vector<std::string>{"filler", "old.pal"}));
}

TEST(PaletteRamps, EachChannelGetsTheIndexAndTheOthersZero) {
    for (int depth : {1, 4, 8})
        for (int channel = 0; channel < 3; ++channel) {
            SCOPED_TRACE(std::to_string(depth) + " bits, channel " + std::to_string(channel));
            CVelora image = RandomImage(6, 4, depth, 61);
            const CVelora original = image;
            ASSERT_EQ(image.SetChannelPalette(channel), 0u);
            EXPECT_EQ(image.CountDifferentPixels(original), 0u);
            const auto table = PaletteOf(image);
            ASSERT_EQ(table.size(), std::size_t(1) << depth);
            for (std::uint32_t i = 0; i < table.size(); ++i)
                for (int k = 0; k < 3; ++k) EXPECT_EQ(ChannelOf(table[i], k), k == channel ? i : 0u) << i;
        }
    CVelora shortTable = CVelora::WithTable(3, 3, 8, 7, RandomEntries(7, 62).data());
    ASSERT_EQ(shortTable.SetChannelPalette(2), 0u);
    EXPECT_EQ(shortTable.GetNumColors(), 7u);
    EXPECT_EQ(PaletteOf(shortTable)[6].rgbBlue, 6);
}

TEST(PaletteRamps, RearrangementMovesTheChosenChannelsOfEveryEntryEntryZeroIncluded) {
    for (int depth : {1, 4, 8}) {
        const CVelora original = RandomImage(6, 4, depth, 71);
        const auto before = PaletteOf(original);
        for (int r = 0; r < 3; ++r)
            for (int g = 0; g < 3; ++g)
                for (int b = 0; b < 3; ++b) {
                    SCOPED_TRACE(std::to_string(depth) + " bits " + std::to_string(r) + std::to_string(g) + std::to_string(b));
                    CVelora image = original;
                    ASSERT_EQ(image.RearrangePaletteChannels(r, g, b), 0u);
                    const auto after = PaletteOf(image);
                    for (std::size_t i = 0; i < after.size(); ++i)
                        EXPECT_EQ(after[i], (RGBQUAD{ChannelOf(before[i], b), ChannelOf(before[i], g), ChannelOf(before[i], r), 0})) << i;
                    EXPECT_EQ(image.CountDifferentPixels(original), 0u);
                }
    }
}
