// The scotoma against its pixel-by-pixel rules, its parameter files, and the stimulus batch.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "BatchSettings.h"
#include "CliRun.h"
#include "ScotomaReference.h"
#include "StepCases.h"
#include "StimulusBatch.h"

using namespace testing_support;
using namespace velora::catalog;

TEST(Scotoma, EveryDepthTypeModeAndFillGivesThePlainRulesBytes) {
    struct Geometry {
        unsigned cc, cr, a, b, c, e;
    };
    Threads four(4);  // the 300-column subject is split into bands
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        for (const int width : {23, 300}) {
            if (width == 300 && depth != 24) continue;
            const CVelora image = RandomImage(width, width == 300 ? 240 : 18, depth, unsigned(depth));
            const int w = image.GetWidth(), h = image.GetHeight();
            std::uint32_t paletteColour = 0x00FF8040;  // in no table: the last entry
            if (depth <= 8) paletteColour = SwapRedBlue(Packed(image.GetPaletteData()[1]));
            for (unsigned type : {0u, 1u}) {
                const unsigned along = type == 0 ? unsigned(w) : unsigned(h), across = type == 0 ? unsigned(h) : unsigned(w);
                const unsigned mid = along / 2, cross = across / 2;
                // Inside, each edge of the fit test, a band of nothing, and one past each edge.
                const std::vector<Geometry> geometries = {
                    {mid, cross, 3, 5, 2, 1},           {mid, cross, mid, along - 1 - mid, cross, across - 1 - cross},
                    {mid, cross, 0, 0, 0, 0},           {mid, cross, mid + 1, 1, 1, 1},
                    {mid, cross, 1, along - mid, 1, 1}, {mid, cross, 1, 1, 1, cross + 1},
                    {mid, cross, 1, 1, across - cross, 1}, {1, 1, 1, 0, 0, 1}};
                for (const Geometry& g : geometries)
                    for (unsigned mode : {0u, 1u, 2u})
                        for (unsigned withImage : {0u, 1u})
                            for (std::uint32_t fill : {paletteColour, 0x00123456u}) {
                                const unsigned cc = type == 0 ? g.cc : g.cr, cr = type == 0 ? g.cr : g.cc;
                                SCOPED_TRACE(::testing::Message() << depth << "," << w << "," << type << "," << cc << "," << cr << ","
                                                                  << g.a << "," << g.b << "," << g.c << "," << g.e << "," << mode);
                                PixelGrid expected;
                                const unsigned code = ReferenceScotoma(image, expected, type, cc, cr, g.a, g.b, g.c, g.e,
                                                                       mode, withImage, fill);
                                CVelora result = image;
                                ASSERT_EQ(result.Scotoma(type, cc, cr, g.a, g.b, g.c, g.e, mode, withImage, fill), code);
                                if (code != 0) {
                                    EXPECT_EQ(Block(result), Block(image));
                                    continue;
                                }
                                const std::vector<std::uint8_t> bits(result.GetBits(), result.GetBits() + result.GetImageSize());
                                ASSERT_EQ(bits, BitsOfGrid(expected, depth));
                            }
            }
        }
    }
    CVelora image = RandomImage(9, 9, 8, 1);
    EXPECT_EQ(image.Scotoma(2, 4, 4, 0, 0, 0, 0, 0, 0, 0), 1u);
    EXPECT_EQ(image.Scotoma(0, 4, 4, 0, 0, 0, 0, 0, 2, 0), 4u);
}

// Columns hold their own number: with loss, the left side moves out by a and the right by b.
TEST(Scotoma, WithLossOnAHundredColumnsMovesColumnsFortyNineAndFiftyOut) {
    std::vector<int> levels(100 * 3);
    for (std::size_t i = 0; i < levels.size(); ++i) levels[i] = int(i % 100);
    CVelora image = Gray8(100, 3, levels);
    ASSERT_EQ(image.Scotoma(0, 50, 1, 10, 20, 1, 1, 0, 0, RGB(200, 200, 200)), 0u);
    EXPECT_EQ(image.GetPixel(39, 1), 49u);
    EXPECT_EQ(image.GetPixel(70, 1), 50u);
    for (int x = 40; x < 70; ++x) EXPECT_EQ(image.GetPixel(x, 0), 200u);
    EXPECT_EQ(image.GetPixel(0, 2), 10u);
    EXPECT_EQ(image.GetPixel(99, 2), 79u);
}

TEST(ScotomaFile, HasThirteenCrLfLinesAndReadsBackAsWritten) {
    const ScotomaSettings s{1, 1, 0, 1.0f, 3.0f, 4.0f, 4.25f, 25, 75, 512, 100, 101, 384};
    const std::string path = TempPath("scotoma.CfgScotoma");
    ASSERT_TRUE(WriteParameterFile(path, ScotomaFileLines(s), kScotomaFile.crlfAfterLast));
    EXPECT_EQ(ReadText(path),
              "TYPE SCOTOMA=VERTICAL\r\nWITHOUT LOSS OF VISUAL FIELD\r\nMONITOR=MAIN\r\nLEFT ANGLE OF ALPHA=1.0000\r\n"
              "RIGHT ANGLE OF ALPHA=3.0000\r\nLEFT WIDTH OF ALPHA IN PIXELS=25\r\nRIGHT WIDTH OF ALPHA IN PIXELS=75\r\n"
              "CENTER OF ALPHA IN COLUMNS=512\r\nLOW ANGLE OF BETA=4.0000\r\nTOP ANGLE OF BETA=4.2500\r\n"
              "LOW WIDTH OF BETA IN PIXELS=100\r\nTOP WIDTH OF BETA IN PIXELS=101\r\nCENTER OF BETA IN ROWS=384\r\n");
    ScotomaSettings back;
    ASSERT_FALSE(ReadScotomaFile(path, back));
    EXPECT_EQ(ParameterFileContent(ScotomaFileLines(back)), ReadText(path));
}

TEST(BatchFiles, MalformedFilesAreRefusedWithTheirLine) {
    const std::string translation = "ORIGINAL IMAGE SIZE\r\nFILL COLOR=16744512\r\nDISTANCE = 40 cm\r\nANGLE ALPHA=2.5000\r\n"
                                    "ANGLE BETA=90.0000\r\n";
    TranslationSettings t;
    ASSERT_FALSE(ParseTranslationFile(translation, t));
    EXPECT_TRUE(t.mode == 1 && t.background == 16744512u && t.alpha == 2.5f);
    int bands = 0;
    ASSERT_FALSE(ParseBandsFile("NUMBER OF BANDS OF GRAY LEVELS=24 \r\n", bands));
    EXPECT_EQ(bands, 24);
    for (const auto& c : std::vector<std::pair<std::string, int>>{{translation.substr(0, 60), 4},
                                           {"NEW SIZE\r\n" + translation.substr(21), 1},
                                           {translation.substr(0, 72) + "2.5x\r\nANGLE BETA=1\r\n", 4},
                                           {translation + "ANGLE GAMMA=1\r\n", 6},
                                           {translation.substr(0, 21) + "FILL COLOUR=1\r\n" + translation.substr(42), 2}}) {
        TranslationSettings untouched;
        const auto problem = ParseTranslationFile(c.first, untouched);
        ASSERT_TRUE(problem) << c.first;
        EXPECT_EQ(problem->line, c.second) << c.first << problem->reason;
        EXPECT_EQ(untouched.alpha, 0.0f);
    }
    EXPECT_EQ(ParseBandsFile("NUMBER OF BANDS OF GRAY LEVELS=\r\n", bands)->line, 1);
    EXPECT_EQ(ParseBandsFile("", bands)->line, 1);
    std::string scotoma = ParameterFileContent(ScotomaFileLines({}));
    scotoma.replace(scotoma.find("BETA IN PIXELS=0"), 16, "BETA IN PIXELS=-3");
    ScotomaSettings k;
    EXPECT_EQ(ParseScotomaFile(scotoma, k)->line, 11);
    EXPECT_EQ(ReadScotomaFile(TempPath("no such file"), k)->line, 0);

    // On the command line: the file and the line, exit 1, nothing generated.
    const std::string input = TempPath("batch-refused.bmp"), folder = FreshDir(TempPath("batch-refused"));
    ASSERT_EQ(RandomImage(8, 8, 24, 1).SaveBMP(input), 0u);
    const std::string bad = TempPath("bad.CfgTranslation"), good = TempPath("good.CfgBandasNivelesGris");
    WriteFile(bad, Bytes(translation.substr(0, 60)));
    WriteFile(good, Bytes("NUMBER OF BANDS OF GRAY LEVELS=8\r\n"));
    const CliRun run = Velora(std::string("--monitor ") + kMonitorOption + " batch " + input + " " + folder +
                              " --translation " + bad + " --scotoma " + good + " --bands " + good);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(bad + "', line 4: the file ends too early"), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

// Every item's file for N = 8, and representative items against the same steps through `velora apply`.
TEST(StimulusBatch, WritesEveryItemAndItsBytesAreTheStepsOfTheCommandLine) {
    const std::string dir = FreshDir(TempPath("batch")), folder = FreshDir(dir + "/out");
    const std::string input = dir + "/in.bmp", translation = dir + "/t.CfgTranslation", scotoma = dir + "/s.CfgScotoma",
                      bands = dir + "/b.CfgBandasNivelesGris";
    ASSERT_EQ(RandomImage(40, 30, 24, 3).SaveBMP(input), 0u);
    WriteFile(translation, Bytes("NEW IMAGE SIZE\r\nFILL COLOR=255\r\nDISTANCE = 40 cm\r\nANGLE ALPHA=0.5000\r\n"
                                 "ANGLE BETA=135.0000\r\n"));
    WriteFile(bands, Bytes("NUMBER OF BANDS OF GRAY LEVELS=8\r\n"));
    // Vertical, so the centre's coordinates are exchanged; too wide for the unscaled image's rows.
    ASSERT_TRUE(WriteParameterFile(scotoma, ScotomaFileLines({1, 1, 0, 1, 3, 4, 4, 5, 3, 20, 7, 9, 11})));
    const std::string monitor = std::string("--monitor ") + kMonitorOption;
    const CliRun run = Velora(monitor + " batch " + input + " " + folder + " --translation " + translation +
                              " --scotoma " + scotoma + " --bands " + bands);
    ASSERT_EQ(run.status, 0) << run.err;

    std::set<std::string> expected, written;
    for (const BatchItem& item : BatchItems(BatchBasis::Real)) expected.insert(BatchFileName(item, 8));
    for (const auto& entry : std::filesystem::directory_iterator(folder)) written.insert(entry.path().filename());
    EXPECT_EQ(written, expected);
    EXPECT_TRUE(expected.count("17 8 Bands of Gray Levels.bmp"));
    EXPECT_TRUE(expected.count("06 Scaling 1.8 + 256 Levels of Gray + Edges(Laplacian (5) + Negative.bmp"));
    // The band fits: rows 20 - 5 .. 20 + 3, columns 11 - 9 .. 11 + 7; scaled, rows 36 - 9 .. 36 + 5 of 54.
    EXPECT_EQ(run.out.find("left the image unchanged"), std::string::npos) << run.out;

    const std::vector<std::pair<std::string, std::string>> items = {
        {"08 Scaling 1.8 + Scotoma.bmp", "Scale:1.8,1.8,0 Scotoma:1,19,36,9,5,12,16,1,0,#000000"},
        {"10 Scaling 1.8 + 256 Levels of Gray + Edges(Laplacian (5) + Negative) + Scotoma.bmp",
         "Scale:1.8,1.8,0 ColorToGray:1 ChangeColorDepth:2 PredefinedFilter:62,1,2 Negative:1,0,0,0 "
         "Scotoma:1,19,36,9,5,12,16,1,0,#000000"},
        {"14 Translation + Scaling 1.8 + 256 Levels of Gray + Edges(Laplacian (5) + Negative).bmp",
         "TranslateByAngle:0,40,0.5,135,#FF0000 Scale:1.8,1.8,0 ColorToGray:1 ChangeColorDepth:2 PredefinedFilter:62,1,2 "
         "Negative:1,0,0,0"},
        {"22 8 Bands of Gray Levels + Scaling 1.8 + Scotoma.bmp",
         "ColorToGray:1 GrayBands:8 Scale:1.8,1.8,0 Scotoma:1,19,36,9,5,12,16,1,0,#000000"},
        {"27 8 Bands of Gray Levels + Translation + Edges(Laplacian (5) + Negative).bmp",
         "ColorToGray:1 GrayBands:8 TranslateByAngle:0,40,0.5,135,#FF0000 PredefinedFilter:62,1,2 Negative:1,0,0,0"}};
    for (const auto& [file, steps] : items) {
        const CliRun apply = Velora(monitor + " apply " + input + " " + dir + "/expected.bmp " + steps);
        ASSERT_EQ(apply.status, 0) << apply.err;
        EXPECT_EQ(ReadFile(folder + "/" + file), ReadFile(dir + "/expected.bmp")) << file;
    }

    // The text list: gray from item 00 on, and a scotoma that does not fit is still saved, with the reason.
    ASSERT_TRUE(WriteParameterFile(scotoma, ScotomaFileLines({0, 0, 0, 1, 3, 4, 4, 5, 3, 39, 7, 9, 11})));
    const CliRun text = Velora(monitor + " batch " + input + " " + FreshDir(folder) + " --basis text --translation " +
                               translation + " --scotoma " + scotoma + " --bands " + bands);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 15);
    CVelora gray;
    ASSERT_EQ(gray.LoadBMP(folder + "/00 Original Image in Raw - 256 Levels of Gray.bmp"), 0u);
    EXPECT_EQ(gray.GetBitCount(), 8);
    EXPECT_NE(text.out.find("03 Scotoma.bmp: Scotoma:0,39,11,5,3,7,9,0,0,#000000 left the image unchanged (result 2"),
              std::string::npos)
        << text.out;
    EXPECT_EQ(ReadFile(folder + "/03 Scotoma.bmp"), ReadFile(folder + "/00 Original Image in Raw - 256 Levels of Gray.bmp"));
}

// A cancel heard after the first item: the item under way ends, no other starts, none is half there.
TEST(StimulusBatch, ACancelledRunStopsAfterTheItemsUnderWay) {
    struct CancelAtFirst : CBatchObserver {
        std::atomic<bool> cancel{false};
        std::size_t ended = 0;
        void ItemEnded(const BatchItemReport&, std::size_t done) override {
            ended = done;
            cancel = true;
        }
    } observer;
    const std::string folder = FreshDir(TempPath("batch-cancel"));
    BatchSettings settings;
    settings.bands = 4;
    const auto reports = RunBatch(RandomImage(12, 10, 24, 2), BatchBasis::Real, settings, folder,
                                  {.threads = 1, .cancel = &observer.cancel, .observer = &observer});
    ASSERT_EQ(reports.size(), 29u);
    EXPECT_EQ(reports[0].outcome, BatchItemReport::Outcome::Written);
    EXPECT_EQ(observer.ended, 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    for (std::size_t i = 1; i < reports.size(); ++i) EXPECT_EQ(reports[i].outcome, BatchItemReport::Outcome::Cancelled);
}
