// The BMP, RAW and PGM readers and writers, and what they do with damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <utility>
#include <sys/stat.h>
#include <sys/types.h>

#include "CVelora.h"
#include "SafeFile.h"
#include "SmallDiskFiles.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

const int kAllDepths[] = {1, 4, 8, 24, 32};

// A reader's result on bytes, with the check that a refusal leaves the image alone.
unsigned LoadChecked(unsigned (CVelora::*reader)(const std::uint8_t*, std::size_t), const std::vector<std::uint8_t>& bytes,
                     CVelora& image) {
    const auto before = Block(image);
    const std::string name = image.GetName();
    const unsigned code = (image.*reader)(bytes.data(), bytes.size());
    if (code != 0) {
        EXPECT_EQ(Block(image), before) << "a refused file changed the image";
        EXPECT_EQ(image.GetName(), name);
    }
    return code;
}

std::vector<std::uint8_t> Pgm(const std::string& header, const std::vector<std::uint8_t>& samples) {
    auto bytes = Bytes(header);
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
}

}  // namespace

TEST(BmpFiles, RoundTripIsByteForByteThroughEveryForm) {
    for (int depth : kAllDepths)
        for (int width : {1, 7, 32}) {
            SCOPED_TRACE("depth " + std::to_string(depth) + " width " + std::to_string(width));
            const CVelora original = RandomImage(width, 5, depth, unsigned(depth * 100 + width));
            const std::string path = TempPath("roundtrip_" + std::to_string(depth) + "_" + std::to_string(width) + ".bmp");
            ASSERT_EQ(original.SaveBMP(path), 0u);
            const auto file = ReadFile(path);
            EXPECT_EQ(file, original.EncodeBMP());

            CVelora fromPath, fromMemory, fromFile;
            ASSERT_EQ(fromPath.LoadBMP(path), 0u);
            ASSERT_EQ(fromMemory.LoadBMP(file.data(), file.size()), 0u);
            CFile open;
            ASSERT_TRUE(open.Open(path, CFile::modeRead));
            ASSERT_EQ(fromFile.LoadBMP(open), 0u);
            // The image read back is the one written, but for direct colour's counts, which the file carries as 0.
            auto expected = Block(original);
            if (depth > 8) std::fill(expected.begin() + 32, expected.begin() + 40, 0);
            for (const CVelora* read : {&fromPath, &fromMemory, &fromFile}) EXPECT_EQ(Block(*read), expected);
            EXPECT_EQ(fromPath.GetName(), path.substr(path.rfind('/') + 1));
            EXPECT_EQ(fromMemory.GetName(), "SIN_NOMBRE.RAW");  // the memory form leaves the name to the caller
            EXPECT_EQ(fromPath.EncodeBMP(), file);
        }
}

TEST(BmpFiles, RefusalsAndTheirCodes) {
    BmpSpec good;
    good.palette.assign(256, RGBQUAD{});
    good.pixels.assign(8, 0);
    CVelora image = RandomImage(3, 3, 24, 9);

    auto withSpec = [&](auto change) {
        BmpSpec s = good;
        change(s);
        return LoadChecked(&CVelora::LoadBMP, MakeBmp(s), image);
    };
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.bitCount = 2; }), 3u);
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.compression = BI_RLE8; }), 4u);
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.bitCount = 2; s.compression = BI_RLE8; }), 3u);  // depth first
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.planes = 2; }), 2u);
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.width = -4; }), 2u);
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.height = 0; }), 2u);
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.headerSize = 66; }), 2u);
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.clrUsed = 300; }), 2u);            // more colours than the depth indexes
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.clrUsed = 2; s.palette.resize(2); s.pixels[0] = 7; }), 2u);  // index beyond table
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.sizeImage = 0x7FFFFFFF; }), 2u);   // promises more data than there is
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.width = 70000; s.height = 70000; s.bitCount = 32; }), 5u);
    EXPECT_EQ(withSpec([](BmpSpec& s) { s.pixels.resize(7); }), 2u);

    // The magic; bfSize beyond the end (data was lost); bfOffBits inside the colour table.
    for (auto [at, value] : {std::pair{0, 'X'}, {2, '\xFF'}, {10, '\x14'}}) {
        auto bytes = MakeBmp(good);
        bytes[std::size_t(at)] = std::uint8_t(value);
        EXPECT_EQ(LoadChecked(&CVelora::LoadBMP, bytes, image), 2u) << at;
    }

    // Every truncation of a valid file is refused.
    const auto whole = RandomImage(5, 3, 8, 2).EncodeBMP();
    for (std::size_t n = 0; n < whole.size(); ++n) {
        std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + std::ptrdiff_t(n));
        ASSERT_NE(LoadChecked(&CVelora::LoadBMP, prefix, image), 0u) << n;
    }
    EXPECT_EQ(image.LoadBMP(TempPath("does-not-exist.bmp")), 1u);
}

TEST(RawFiles, SizeTableAndDimensions) {
    EXPECT_TRUE(CVelora::RawSizeForLength(10304)->width == 92 && CVelora::RawSizeForLength(10304)->height == 112);
    EXPECT_EQ(CVelora::RawSizeForLength(1048576)->width, 1024);
    EXPECT_FALSE(CVelora::RawSizeForLength(1000));

    std::vector<std::uint8_t> samples(10304);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = std::uint8_t(i * 7);
    const std::string path = TempPath("table.raw");
    WriteFile(path, samples);
    CVelora image;
    ASSERT_EQ(image.LoadRAW(path), 0u);
    EXPECT_EQ(image.GetName(), "table.raw");
    EXPECT_TRUE(image.GetPixel(1, 0) == samples[1] && image.GetPixel(0, 1) == samples[92]);  // the first row is the top
    EXPECT_EQ(image.GetDibSize(), 40u + 1024u + 92u * 112u);

    // The same bytes with given dimensions; a mismatch is refused.
    CVelora sized;
    ASSERT_EQ(sized.LoadRAW(path, 112, 92), 0u);
    EXPECT_EQ(sized.LoadRAW(path, 100, 100), 2u);
    EXPECT_EQ(sized.GetWidth(), 112);

    // A length outside the table: 2 from a file, 1 from memory.
    const std::string odd = TempPath("odd.raw");
    WriteFile(odd, std::vector<std::uint8_t>(1000));
    EXPECT_EQ(image.LoadRAW(odd), 2u);
    EXPECT_EQ(LoadChecked(&CVelora::LoadRAW, std::vector<std::uint8_t>(1000), image), 1u);
    EXPECT_EQ(LoadChecked(&CVelora::LoadRAW, samples, image), 0u);
    EXPECT_EQ(image.GetName(), "table.raw");  // memory forms keep the name
}

TEST(RawFiles, WritingKeepsTheImageAndWritesLuminance) {
    CVelora colour(nullptr, nullptr, 3, 2, 24);
    for (auto [x, y, c] : {std::tuple{0, 0, 0xFF0000u}, {1, 0, 0x00FF00u}, {2, 1, 0x0000FFu}}) colour.SetPixel(x, y, c);
    const auto before = Block(colour);
    const std::string path = TempPath("colour.raw");
    ASSERT_EQ(colour.SaveRAW(path), 0u);
    EXPECT_EQ(Block(colour), before);
    EXPECT_EQ(ReadFile(path), (std::vector<std::uint8_t>{76, 149, 0, 0, 0, 29}));

    // 8-bit gray RAW round trip, byte for byte; a 4-bit gray image writes 8-bit levels.
    std::vector<std::uint8_t> samples(4096);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = std::uint8_t(i * 13 + i / 64);
    CVelora gray;
    ASSERT_EQ(gray.LoadRAW(samples.data(), samples.size()), 0u);
    EXPECT_EQ(gray.EncodeRAW(), samples);
    CVelora four(nullptr, nullptr, 2, 1, 4);
    four.SetGrayPalette();
    four.SetPixel(1, 0, 15);
    EXPECT_EQ(four.EncodeRAW(), (std::vector<std::uint8_t>{0, 255}));

    CVelora empty(nullptr, nullptr, 2, 2, 2);
    EXPECT_TRUE(empty.SaveRAW(TempPath("empty.raw")) == 3 && empty.SaveBMP(TempPath("empty.bmp")) == 3);
    EXPECT_TRUE(gray.SaveRAW(TempPath("no-such-dir/x.raw")) == 1 && gray.SaveBMP(TempPath("no-such-dir/x.bmp")) == 1);
}

TEST(PgmFiles, HeadersByTheNetpbmRules) {
    const std::vector<std::uint8_t> six = {1, 2, 3, 4, 5, 6};
    CVelora reference;
    ASSERT_EQ(LoadChecked(&CVelora::LoadPGM, Pgm("P5\n3 2\n255\n", six), reference), 0u);
    EXPECT_EQ(reference.GetWidth(), 3);
    EXPECT_TRUE(reference.GetPixel(2, 0) == 3 && reference.GetPixel(0, 1) == 4);  // the top row comes first
    EXPECT_EQ(reference.GetNumColors(), 256u);

    for (const char* header : {"P5 3 2 255\n", "P5\n# comment\n3 2\n# another\n255\n", "P5\n3\n2\n255\n",
                               "P5\t3\t2\t255 ", "P5\n3 2\n255\r\n", "P5\n3 2 #c\n255  \n", "# before\nP5 3 2 255\n"}) {
        SCOPED_TRACE(header);
        CVelora image;
        ASSERT_EQ(LoadChecked(&CVelora::LoadPGM, Pgm(header, six), image), 0u);
        EXPECT_EQ(Block(image), Block(reference));
    }
    // The byte after the maximum ends the header even when it looks like a line feed of data.
    CVelora image;
    ASSERT_EQ(LoadChecked(&CVelora::LoadPGM, Pgm("P5 3 2 255 ", {10, 2, 3, 4, 5, 6}), image), 0u);
    EXPECT_EQ(image.GetPixel(0, 0), 10u);
}

TEST(PgmFiles, MaximumsBelowAndAbove255) {
    CVelora image;
    ASSERT_EQ(LoadChecked(&CVelora::LoadPGM, Pgm("P5 2 1 15\n", {0, 15}), image), 0u);
    EXPECT_TRUE(image.GetNumColors() == 16 && image.GetPixel(1, 0) == 15);  // indices on a 16-entry ramp 0..15
    EXPECT_EQ(image.GetPaletteData()[15], (RGBQUAD{15, 15, 15, 0}));
    EXPECT_EQ(image.GetDibSize(), 40u + 64u + 4u);

    ASSERT_EQ(LoadChecked(&CVelora::LoadPGM, Pgm("P5 3 1 65535\n", {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x01}), image), 0u);
    for (auto [x, level] : {std::pair{0, 255u}, {1, 0x8000u * 255 / 65535}, {2, 0u}}) EXPECT_EQ(image.GetPixel(x, 0), level) << x;
    EXPECT_EQ(image.GetNumColors(), 256u);
}

TEST(PgmFiles, DamagedFilesAreRefused) {
    CVelora image = RandomImage(4, 4, 8, 4);
    const std::vector<std::uint8_t> six = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(LoadChecked(&CVelora::LoadPGM, Pgm("P2 3 2 255\n", six), image), 1u);  // memory form: not P5 is 1
    EXPECT_EQ(LoadChecked(&CVelora::LoadPGM, Pgm("no magic here", {}), image), 1u);
    for (const char* header : {"P5 3 2 255\n", "P5 3x 2 255\n", "P5 3 2\n", "P5 0 2 255\n", "P5 3 2 0\n",
                               "P5 3 2 70000\n", "P5 99999999999 2 255\n", "P5 3 -2 255\n"}) {
        SCOPED_TRACE(header);
        EXPECT_EQ(LoadChecked(&CVelora::LoadPGM, Pgm(header, {1, 2, 3, 4, 5}), image), 2u);  // one sample short
    }
    EXPECT_EQ(LoadChecked(&CVelora::LoadPGM, Pgm("P5 3 2 15\n", {1, 2, 3, 4, 5, 16}), image), 2u);  // above maximum
    EXPECT_EQ(LoadChecked(&CVelora::LoadPGM, Pgm("P5 60000 60000 255\n", {}), image), 5u);

    // File forms: not P5 is 2; the name changes only on success.
    const std::string bad = TempPath("plain.pgm"), good = TempPath("good.pgm");
    WriteFile(bad, Pgm("P2 3 2 255\n1 2 3 4 5 6\n", {}));
    WriteFile(good, Pgm("P5 3 2 255\n", six));
    image.SetName("before.bmp");
    EXPECT_TRUE(image.LoadPGM(bad) == 2 && image.GetName() == "before.bmp");
    EXPECT_TRUE(image.LoadPGM(good) == 0 && image.GetName() == "good.pgm");
    EXPECT_EQ(image.LoadPGM(TempPath("missing.pgm")), 1u);
}

// ---------------------------------------------------------------- the readers' file forms

TEST(BmpFiles, FileAndMemoryFormsAgreeOnEveryCorpusFileAndItsTruncations) {
    // The file form, reading the header and then rows into the image, decides as the memory form, cut or whole.
    const std::string cut = TempPath("cut.bmp");
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("tests/data/bmpsuite")) {
        if (entry.path().extension() != ".bmp") continue;
        ++files;
        const auto bytes = ReadFile(entry.path().string());
        for (std::size_t length : {bytes.size(), bytes.size() - 1, bytes.size() / 2, std::size_t(60), std::size_t(20)}) {
            if (length > bytes.size()) continue;
            SCOPED_TRACE(entry.path().string() + " cut to " + std::to_string(length));
            WriteFile(cut, {bytes.begin(), bytes.begin() + std::ptrdiff_t(length)});
            CVelora fromMemory = RandomImage(3, 2, 8, 1), fromPath = fromMemory;
            const unsigned memoryCode = fromMemory.LoadBMP(bytes.data(), length);
            EXPECT_EQ(fromPath.LoadBMP(cut), memoryCode);
            EXPECT_EQ(Block(fromPath), Block(fromMemory));
        }
    }
    EXPECT_GT(files, 50);
}

TEST(BmpFiles, AHeaderOverTheLimitIsRefusedBeforeTheRowsAreRead) {
    // 40000 x 40000 at 24 bits is 4.8 GB of rows: the header alone says no.
    BmpSpec huge;
    huge.bitCount = 24;
    huge.width = huge.height = 40000;
    huge.pixels.assign(std::size_t(1) << 20, 7);
    const std::string path = TempPath("huge-header.bmp");
    WriteFile(path, MakeBmp(huge));
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    CVelora image;
    const auto before = Block(image);
    EXPECT_EQ(image.LoadBMP(file), unsigned(kLoadTooLarge));
    EXPECT_LT(file.Tell(), 64 * 1024) << "the rows were read";
    EXPECT_EQ(Block(image), before);

    // A RAW file whose length is not the size asked is refused unread as well.
    const std::string raw = TempPath("long.raw");
    WriteFile(raw, std::vector<std::uint8_t>(std::size_t(1) << 20, 1));
    CFile rawFile;
    ASSERT_TRUE(rawFile.Open(raw, CFile::modeRead));
    EXPECT_EQ(image.LoadRAW(rawFile, 100, 100), unsigned(kLoadInvalid));
    EXPECT_EQ(rawFile.Tell(), 0);
}

// ---------------------------------------------------------------- the safe writer

TEST(SafeFiles, AFullDiskLeavesTheOldFileWholeAndNoTemporary) {
    SmallDisk disk("writer");
    SKIP_WITHOUT_SMALL_DISK(disk);
    const CVelora small = RandomImage(20, 20, 24, 1), large = RandomImage(120, 60, 24, 2);
    ASSERT_EQ(small.SaveBMP(disk / "out.bmp"), 0u);
    const auto old = ReadFile(disk / "out.bmp");
    disk.Fill();

    errno = 0;
    EXPECT_EQ(large.SaveBMP(disk / "out.bmp"), 2u);
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(ReadFile(disk / "out.bmp"), old);
    EXPECT_EQ(large.SaveBMP(disk / "new.bmp"), 2u);
    EXPECT_EQ(large.SaveRAW(disk / "out.raw"), 2u);
    const velora::SafeFileStatus status = velora::WriteFileSafely(disk / "out.bmp", std::string(20000, 'x'));
    EXPECT_EQ(status.stage, velora::SafeFileStatus::kWrite);
    EXPECT_EQ(status.Text(), std::strerror(ENOSPC));
    EXPECT_EQ(ReadFile(disk / "out.bmp"), old);
    EXPECT_EQ(disk.Names(), (std::vector<std::string>{"filler", "out.bmp"}));

    // Files written together: one that cannot be written takes the others with it.
    {
        std::vector<velora::CSafeFile> files(2);
        ASSERT_TRUE(files[0].Open(disk / "a.bmp"));
        ASSERT_TRUE(files[0].Write("abc", 3));
        ASSERT_TRUE(files[1].Open(disk / "b.bmp"));
        files[1].Write(std::string(20000, 'y').data(), 20000);  // gathered, or refused at once
        const velora::SafeFileStatus together = velora::PublishTogether(files);
        EXPECT_EQ(together.stage, velora::SafeFileStatus::kWrite);
        EXPECT_EQ(together.error, ENOSPC);
    }
    EXPECT_EQ(disk.Names(), (std::vector<std::string>{"filler", "out.bmp"}));
}

TEST(SafeFiles, ModesLinksDevicesAndFolders) {
    const std::string dir = FreshDir(TempPath("safe-files"));
    const UmaskFor umaskForTheTest(027);

    // A new file: 0666 less the umask. A replaced one keeps its mode.
    ASSERT_TRUE(velora::WriteFileSafely(dir + "/new.txt", "one").Ok());
    EXPECT_EQ(ModeOf(dir + "/new.txt"), 0640u);
    chmod((dir + "/new.txt").c_str(), 0604);
    ASSERT_TRUE(velora::WriteFileSafely(dir + "/new.txt", "two").Ok());
    EXPECT_EQ(ModeOf(dir + "/new.txt"), 0604u);
    EXPECT_EQ(ReadText(dir + "/new.txt"), "two");

    // Through a link, the file it names is replaced and the link stays.
    std::filesystem::create_symlink("new.txt", dir + "/link.txt");
    ASSERT_TRUE(velora::WriteFileSafely(dir + "/link.txt", "three").Ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.txt"));
    EXPECT_EQ(ReadText(dir + "/new.txt"), "three");

    // A device is written into, never replaced by a file.
    ASSERT_TRUE(velora::WriteFileSafely("/dev/null", "gone").Ok());
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));

    // A folder in the way, or a folder that is not there: nothing is created.
    std::filesystem::create_directories(dir + "/folder.bmp/inside");
    velora::SafeFileStatus status = velora::WriteFileSafely(dir + "/folder.bmp", "x");
    EXPECT_EQ(status.stage, velora::SafeFileStatus::kCreate);
    EXPECT_EQ(status.error, EISDIR);
    EXPECT_EQ(RandomImage(2, 2, 8, 1).SaveBMP(dir + "/missing/a.bmp"), 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 3);

    // A rename that fails after every file was complete: the rest keep their contents.
    ASSERT_TRUE(velora::WriteFileSafely(dir + "/second.txt", "old").Ok());
    std::vector<velora::CSafeFile> files(2);
    ASSERT_TRUE(files[0].Open(dir + "/second.txt") && files[0].Write("new", 3));
    ASSERT_TRUE(files[1].Open(dir + "/third.txt") && files[1].Write("new", 3));
    std::filesystem::create_directories(dir + "/third.txt/inside");
    std::swap(files[0], files[1]);  // the blocked one first
    EXPECT_FALSE(velora::PublishTogether(files).Ok());
    EXPECT_EQ(ReadText(dir + "/second.txt"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 5);  // no temporaries
}
