// The velora command: commands, exit statuses and messages, run as a user would run it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#include "CVelora.h"
#include "SmallDiskFiles.h"
#include "TestImages.h"

using namespace testing_support;

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Velora(const std::string& args) {
    // One file per call: tests of this suite may run in parallel processes.
    static int calls = 0;
    const std::string errPath = TempPath("stderr_" + std::to_string(getpid()) + "_" + std::to_string(++calls) + ".txt");
    const std::string command = std::string(VELORA_CLI_PATH) + " " + args + " 2>" + errPath;
    CliRun run{};
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) run.out.append(buf.data(), n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const auto err = ReadFile(errPath);
    run.err.assign(err.begin(), err.end());
    return run;
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        input = TempPath("cli_in.bmp");
        CVelora image = RandomImage(7, 4, 24, 21);
        image.SetPixel(2, 1, 0x102030);
        ASSERT_EQ(image.SaveBMP(input), 0u);
    }
    std::string input;
};

}  // namespace

TEST_F(CommandLine, HelpAndListComeFromTheOperationTable) {
    const CliRun help = Velora("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Negative:luminance,red,green,blue"), std::string::npos);
    const CliRun list = Velora("list");
    EXPECT_EQ(list.status, 0);
    for (const char* sig : {"Negative:luminance,red,green,blue", "Flip:mode", "ColorToGray:method",
                            "ChangeColorDepth:code", "GetRGBPixel:x,y", "CountDifferentPixels:imageB", "IsGray",
                            "Logical:operation[,imageB]"})
        EXPECT_NE(list.out.find(sig), std::string::npos) << sig;
    const CliRun json = Velora("list --json");
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.front(), '[');
    // Ranges, defaults, choices, depths and result meanings come from the declarations.
    for (const char* fragment :
         {R"({"name":"Flip","kind":"step","family":"Geometry","arguments":[{"name":"mode","type":"choice","range":[0,1],"default":0,"choices":[{"value":0,"name":"horizontal")",
          R"({"name":"percent","type":"int","range":[-100,100],"default":0,"label":"% Brillo"})",
          R"("depths":[4,8,24,32],"rgbModelOnly":true,"results":[{"code":1,"meaning":"percent must lie in -100..100"},)",
          R"({"name":"alpha","type":"float","range":[0,1],"default":0.5,)"})
        EXPECT_NE(json.out.find(fragment), std::string::npos) << fragment;
    EXPECT_NE(list.out.find("function: 0 square, 1 cube, 2 squareRoot"), std::string::npos);
}

TEST_F(CommandLine, InfoApplyQueryConvert) {
    const CliRun info = Velora("info " + input);
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find(R"("name":"cli_in.bmp","width":7,"height":4,"bitCount":24,"numColors":16777216)"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find(R"("paletteSize":null)"), std::string::npos);
    EXPECT_NE(info.out.find(R"("biSizeImage":96)"), std::string::npos);

    const std::string out = TempPath("cli_out.bmp");
    ASSERT_EQ(Velora("apply " + input + " " + out + " Negative:1,0,0,0 Flip:0").status, 0);
    const std::string inverted = TempPath("cli_not.bmp");
    ASSERT_EQ(Velora("apply " + out + " " + inverted + " Logical:not Flip:0").status, 0);
    CVelora restored;
    ASSERT_EQ(restored.LoadBMP(inverted), 0u);
    EXPECT_EQ(restored.GetPixel(2, 1), 0x102030u) << "NOT undoes the negative";
    const CliRun q = Velora("query " + out + " GetPixel:4,1 GetRGBPixel:4,1 IsGray GetAlfa:0,0 CountDifferentPixels:" + input);
    ASSERT_EQ(q.status, 0) << q.err;
    EXPECT_EQ(q.out, R"({"query":"GetPixel","arguments":[4,1],"result":15720399}
{"query":"GetRGBPixel","arguments":[4,1],"result":{"code":0,"blue":207,"green":223,"red":239,"reserved":0}}
{"query":"IsGray","arguments":[],"result":false}
{"query":"GetAlfa","arguments":[0,0],"result":254}
{"query":"CountDifferentPixels","arguments":[")" + input + R"("],"result":28}
)");

    // BMP -> RAW -> BMP keeps the luminance; RAW of an unknown length needs --raw-size.
    const std::string raw = TempPath("cli_out.raw"), back = TempPath("cli_back.bmp");
    ASSERT_EQ(Velora("convert " + input + " " + raw).status, 0);
    const CliRun noSize = Velora("convert " + raw + " " + back);
    EXPECT_EQ(noSize.status, 2);
    EXPECT_NE(noSize.err.find("--raw-size"), std::string::npos);
    ASSERT_EQ(Velora("--raw-size 7x4 convert " + raw + " " + back).status, 0);
    CVelora gray;
    ASSERT_EQ(gray.LoadBMP(back), 0u);
    EXPECT_EQ(gray.GetBitCount(), 8);
    EXPECT_EQ(gray.GetPixel(2, 1), std::uint32_t(0.299f * 16 + 0.587f * 32 + 0.114f * 48));
}

TEST_F(CommandLine, ExitStatusesAndMessages) {
    const std::string out = TempPath("cli_refused.bmp");
    std::remove(out.c_str());
    struct Case { std::string args; int status; std::string message; };
    const Case cases[] = {
        {"", 1, "no command"},
        {"frobnicate", 1, "unknown command"},
        {"apply " + input + " " + out + " Negate", 1, "unknown operation 'Negate'"},
        {"apply " + input + " " + out + " Negative:1,0", 1, "Negative takes 4 arguments"},
        {"apply " + input + " " + out + " Negative:1,0,2,0", 1, "must be 0 or 1"},
        {"apply " + input + " " + out + " Flip:x", 1, "must be an integer"},
        {"apply " + input + " out.png Flip:0", 1, "must be a .bmp or .raw"},
        {"query " + input + " CountDifferentPixels:" + TempPath("nothing.bmp"), 2, "cannot open"},
        {"info " + TempPath("nothing.bmp"), 2, "reader result 1"},
        {"info tests/data/bmpsuite/b/shortfile.bmp", 2, "reader result 2"},
        {"info tests/data/bmpsuite/g/pal8rle.bmp", 2, "compressed BMP files are not supported (reader result 4)"},
        {"info tests/data/bmpsuite/b/reallybig.bmp", 2, "reader result 5"},
        {"apply " + input + " " + out + " Flip:0 ChangeColorDepth:9", 3,
         "ChangeColorDepth refused the image (result 2: code must lie in 0..4); nothing was written"},
        {"apply " + input + " " + out + " ChangeColorDepth:2", 3, "result 3: a colour image cannot become 4 or 8 bits"},
        // Out of range is the library's to refuse: it still gets the value, and its code is named.
        {"apply " + input + " " + out + " Brightness:101", 3, "Brightness refused the image (result 1: percent must lie in -100..100)"},
        {"apply " + input + " " + out + " Equalize:11,0", 3, "(result 2: colorModel must lie in 0..10)"},
        {"apply " + input + " " + out + " NonLinearContrast:HSV,cubic,0", 1, "must be an integer or a choice's name, not 'cubic'"},
        {"convert " + input + " " + TempPath("no-dir/x.bmp"), 4, "cannot be created"},
        // NOT alone may leave the second image off; the others need it.
        {"apply " + input + " " + out + " Logical", 1, "Logical takes 1 to 2 arguments"},
        {"apply " + input + " " + out + " Logical:and", 3, "result 3: a second image is needed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun r = Velora(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_TRUE(ReadFile(out).empty()) << "a refused step wrote its output";
}

TEST_F(CommandLine, ContrastAndHistogramStepsGiveTheLibraryResults) {
    const std::string out = TempPath("cli_contrast.bmp");
    ASSERT_EQ(Velora("apply " + input + " " + out + " Equalize:3,0 NonLinearContrast:9,5,0.25").status, 0);
    CVelora expected;
    ASSERT_EQ(expected.LoadBMP(input), 0u);
    ASSERT_EQ(expected.Equalize(3, 0), 0u);
    ASSERT_EQ(expected.NonLinearContrast(9, 5, 0.25f), 0u);
    CVelora written;
    ASSERT_EQ(written.LoadBMP(out), 0u);
    EXPECT_EQ(written.CountDifferentPixels(expected), 0u);
    EXPECT_EQ(Velora("apply " + input + " " + out + " Equalize:0,3").status, 3);

    const CliRun q = Velora("query " + input + " GetInfoHistogram Histogram:0");
    ASSERT_EQ(q.status, 0) << q.err;
    // The one pixel set to (16, 32, 48) is among 28 random ones: its red level is counted.
    EXPECT_NE(q.out.find(R"("result":{"code":0,"luminance":{"lowest":{"level":)"), std::string::npos) << q.out;
    const std::size_t red = q.out.find(R"("red":[)", q.out.find("Histogram\""));
    ASSERT_NE(red, std::string::npos);
    int commas = 0, count16 = -1;
    for (std::size_t i = red + 7; q.out[i] != ']'; ++i) {
        if (q.out[i] == ',') ++commas;
        if (commas == 16 && count16 < 0) count16 = std::atoi(q.out.c_str() + i + 1);
    }
    EXPECT_EQ(commas, 255);
    EXPECT_GE(count16, 1);
}

TEST_F(CommandLine, ColorConvertsOneColourAndSplitWritesOneFilePerComponent) {
    const CliRun hsv = Velora("color RGBToHSV 1A2B3C 1");
    ASSERT_EQ(hsv.status, 0) << hsv.err;
    float expected[3];
    CVelora::RGBToHSV(expected, 0x1A2B3C, 1);
    char digits[96];
    std::snprintf(digits, sizeof digits, "[%.9g,%.9g,%.9g]", double(expected[0]), double(expected[1]), double(expected[2]));
    EXPECT_NE(hsv.out.find(std::string("\"result\":") + digits), std::string::npos) << hsv.out;
    EXPECT_NE(Velora("color HSVToRGB 0,0,255 1").out.find(R"("result":{"red":255,"green":255,"blue":255})"), std::string::npos);
    EXPECT_EQ(Velora("color XYZToLAB 1,2,3 1,2").status, 0);
    EXPECT_EQ(Velora("color RGBToHSV 1A2B3C 7").status, 3);
    EXPECT_EQ(Velora("color RGBToHSV 1A2B 1").status, 1);
    EXPECT_EQ(Velora("color XYZToLAB 1,2,3 1").status, 1);

    const std::string prefix = TempPath("cli_split");
    const CliRun split = Velora("split " + input + " CIELAB " + prefix);
    ASSERT_EQ(split.status, 0) << split.err;
    CVelora source, lightness;
    ASSERT_EQ(source.LoadBMP(input), 0u);
    ASSERT_EQ(lightness.LoadBMP(prefix + "_CIE_L.bmp"), 0u);
    CVelora parts[3] = {CVelora::WithTable(7, 4, 8, 256), CVelora::WithTable(7, 4, 8, 256), CVelora::WithTable(7, 4, 8, 256)};
    ASSERT_EQ(source.SplitChannels(kModelCIELAB, &parts[0], &parts[1], &parts[2], nullptr), 0u);
    EXPECT_EQ(lightness.CountDifferentPixels(parts[0]), 0u);
    EXPECT_EQ(Velora("split " + input + " NOSUCH " + prefix).status, 1);
}

TEST_F(CommandLine, HistogramQueriesPrintTheLibraryTablesAndContrastStepsTheirResults) {
    const std::string gray = TempPath("cli_hist8.bmp"), out = TempPath("cli_hist8_out.bmp");
    CVelora image = RandomImage(9, 5, 8, 31);
    ASSERT_EQ(image.SaveBMP(gray), 0u);

    const CliRun q = Velora("query " + gray + " GetInfoHistogram Histogram:100");
    ASSERT_EQ(q.status, 0) << q.err;
    InfoHistogram info;
    ASSERT_EQ(image.GetInfoHistogram(info), 0u);
    HistogramTable table;
    ASSERT_EQ(image.Histogram(table, 100), 0u);
    const char* const channels[4] = {"luminance", "red", "green", "blue"};
    const auto pair = [](const InfoHistogram::LevelCount& lc) {
        return R"({"level":)" + std::to_string(lc.level) + R"(,"count":)" + std::to_string(lc.count) + "}";
    };
    std::string infoJson = R"({"query":"GetInfoHistogram","arguments":[],"result":{"code":0)";
    std::string histJson = R"({"query":"Histogram","arguments":[100],"result":{"code":0)";
    for (std::size_t c = 0; c < 4; ++c) {
        infoJson += ",\"" + std::string(channels[c]) + R"(":{"lowest":)" + pair(info.lowest[c]) + R"(,"highest":)" +
                    pair(info.highest[c]) + R"(,"mode":)" + pair(info.mode[c]) + "}";
        histJson += ",\"" + std::string(channels[c]) + "\":[";
        for (std::size_t level = 0; level < 256; ++level) {
            if (level) histJson += ",";
            histJson += std::to_string(table[level][c]);
        }
        histJson += "]";
    }
    EXPECT_EQ(q.out, infoJson + "}}\n" + histJson + "}}\n");

    ASSERT_EQ(Velora("apply " + gray + " " + out + " NonLinearContrast:0,6,0.75 Equalize:0,2").status, 0);
    ASSERT_EQ(image.NonLinearContrast(0, 6, 0.75f), 0u);
    ASSERT_EQ(image.Equalize(0, 2), 0u);
    CVelora written;
    ASSERT_EQ(written.LoadBMP(out), 0u);
    EXPECT_EQ(written.CountDifferentPixels(image), 0u);
    const CliRun refused = Velora("apply " + gray + " " + out + " NonLinearContrast:0,1,1.5");
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.err.find("NonLinearContrast refused the image (result 2: alpha must lie in 0..1)"), std::string::npos)
        << refused.err;
    // Choices may be named: the same result as their numbers.
    ASSERT_EQ(Velora("apply " + gray + " " + out + " NonLinearContrast:RGB,tangentSigmoid,0.75 Equalize:RGB,upwards").status, 0);
    ASSERT_EQ(written.LoadBMP(out), 0u);
    EXPECT_EQ(written.CountDifferentPixels(image), 0u);
}

TEST_F(CommandLine, AFullDiskKeepsTheOldOutputAndSplitWritesAllOrNothing) {
    SmallDisk disk("cli");
    SKIP_WITHOUT_SMALL_DISK(disk);
    const std::string big = TempPath("cli_big.bmp");
    ASSERT_EQ(RandomImage(120, 60, 24, 4).SaveBMP(big), 0u);
    ASSERT_EQ(Velora("convert " + input + " " + (disk / "out.bmp")).status, 0);
    const auto old = ReadFile(disk / "out.bmp");
    disk.Fill();

    const CliRun convert = Velora("convert " + big + " " + (disk / "out.bmp"));
    EXPECT_EQ(convert.status, 4);
    EXPECT_NE(convert.err.find("No space left on device"), std::string::npos) << convert.err;
    EXPECT_EQ(ReadFile(disk / "out.bmp"), old);
    EXPECT_EQ(Velora("apply " + big + " " + (disk / "new.raw") + " Flip:1").status, 4);
    const CliRun split = Velora("split " + big + " HSV " + (disk / "parts"));
    EXPECT_EQ(split.status, 4);
    EXPECT_NE(split.err.find("none of the files was written"), std::string::npos) << split.err;
    EXPECT_EQ(disk.Names(), (std::vector<std::string>{"filler", "out.bmp"}));
}

TEST_F(CommandLine, NoFileItsOwnReaderWouldRefuse) {
    // A scale to no columns or rows is refused, and says why, in the list too.
    const std::string output = TempPath("cli_scaled.bmp");
    std::remove(output.c_str());
    const CliRun scaled = Velora("apply " + input + " " + output + " Scale:1.0,0.0,0");
    EXPECT_EQ(scaled.status, 3);
    EXPECT_NE(scaled.err.find("result 4: the result would have no columns or no rows"), std::string::npos)
        << scaled.err;
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_NE(Velora("list --json").out.find(R"({"code":4,"meaning":"the result would have no columns or no rows"})"),
              std::string::npos);

    // Equalization of an image whose colour table is short: what is written reads back.
    RGBQUAD table[16];
    for (int i = 0; i < 16; ++i) table[i] = RGBQUAD{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    CVelora shortTable = CVelora::WithTable(6, 3, 8, 16, table);
    for (int x = 0; x < 6; ++x) shortTable.SetPixel(x, 1, std::uint32_t(x));
    const std::string shortInput = TempPath("cli_short.bmp");
    ASSERT_EQ(shortTable.SaveBMP(shortInput), 0u);
    const std::string equalized = TempPath("cli_equalized.bmp");
    ASSERT_EQ(Velora("apply " + shortInput + " " + equalized + " Equalize:0,0").status, 0);
    CVelora back;
    ASSERT_EQ(back.LoadBMP(equalized), 0u);
    EXPECT_EQ(back.GetNumColors(), 256u);
}

TEST_F(CommandLine, EraseBitPlanesTakesAListOfPlaneNumbers) {
    const std::string output = TempPath("cli_planes.bmp");
    CVelora expected;
    ASSERT_EQ(expected.LoadBMP(input), 0u);
    std::array<int, 24> flags{};
    flags[23 - 0] = flags[23 - 7] = flags[23 - 20] = 1;
    ASSERT_EQ(expected.EraseBitPlanes(flags), 0u);
    CliRun run = Velora("apply " + input + " " + output + " EraseBitPlanes:0,7,20,7");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(output), expected.EncodeBMP());

    run = Velora("apply " + input + " " + output + " EraseBitPlanes:3,24");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("EraseBitPlanes: argument 2 (planes) must lie in 0..23, not '24'"), std::string::npos) << run.err;
    run = Velora("apply " + input + " " + output + " EraseBitPlanes:-1");
    EXPECT_EQ(run.status, 1);
    run = Velora("apply " + input + " " + output + " EraseBitPlanes:two");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("must be an integer, not 'two'"), std::string::npos) << run.err;
}

TEST_F(CommandLine, PaletteStepsWriteAndReadPaletteFiles) {
    const std::string in = TempPath("cli_pal_in.bmp"), out = TempPath("cli_pal_out.bmp");
    const std::string pal = TempPath("cli_pal.pal");
    const CVelora image = RandomImage(6, 3, 8, 81);
    ASSERT_EQ(image.SaveBMP(in), 0u);
    // Saving leaves the image as it was; the file is the step's side effect.
    ASSERT_EQ(Velora("apply " + in + " " + out + " SavePalette:" + pal).status, 0);
    EXPECT_EQ(ReadFile(pal), Bytes(image.EncodePalette()));
    EXPECT_EQ(ReadFile(out), ReadFile(in));

    ASSERT_EQ(Velora("apply " + in + " " + out + " SetChannelPalette:green LoadPalette:" + pal).status, 0);
    EXPECT_EQ(ReadFile(out), ReadFile(in));
    WriteFile(pal, Bytes("JASC-PAL\r\n0100\r\n255\r\n"));
    const CliRun refused = Velora("apply " + in + " " + out + " LoadPalette:" + pal);
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.err.find("not a JASC-PAL file of 16 or 256 entries"), std::string::npos) << refused.err;
}
