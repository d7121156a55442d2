// The velora command: commands, exit statuses and messages, run as a user would run it.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <cstdlib>
#include <sys/stat.h>

#include "CVelora.h"
#include "CallFacts.h"
#include "CliRun.h"
#include "FilterCatalogue.h"
#include "Json.h"
#include "Operations.h"
#include "SmallDiskFiles.h"
#include "TestImages.h"

using namespace testing_support;
using velora::catalog::Operations;

namespace {

// Each line a JSON text of its own, as Python's json module reads it (no NaN or Infinity, strict UTF-8).
bool JsonLines(const std::string& out) {
    static int calls = 0;
    const std::string path = TempPath("lines_" + std::to_string(getpid()) + "_" + std::to_string(++calls) + ".txt");
    WriteFile(path, Bytes(out));
    const std::string check = "python3 -c 'import json, sys\n"
                              "lines = open(sys.argv[1], encoding=\"utf-8\").read().split(\"\\n\")\n"
                              "assert len(lines) > 1 and lines.pop() == \"\"\n"
                              "for line in lines: json.loads(line, parse_constant=lambda c: 1 / 0)' " + path;
    return std::system(check.c_str()) == 0;
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

TEST_F(CommandLine, HelpAndListsHoldEveryOperationAndTheReferenceIsCurrent) {
    const CliRun help = Velora("--help"), list = Velora("list"), json = Velora("list --json");
    ASSERT_EQ(help.status + list.status + json.status, 0);
    for (const velora::catalog::Operation& op : Operations()) {
        const std::string signature = velora::catalog::Signature(op);
        EXPECT_NE(help.out.find(signature), std::string::npos) << signature;
        EXPECT_NE(list.out.find("  " + signature + " "), std::string::npos) << signature;
        EXPECT_NE(json.out.find(R"({"name":")" + std::string(op.name) + R"(","kind")"), std::string::npos) << op.name;
    }
    EXPECT_TRUE(JsonLines(json.out));
    const CliRun markdown = Velora("list --markdown");
    ASSERT_EQ(markdown.status, 0);
    EXPECT_TRUE(markdown.out == ReadText("docs/operations.md"))
        << "docs/operations.md is stale: build/default/cli/velora list --markdown > docs/operations.md";
}

TEST_F(CommandLine, InfoApplyQueryConvert) {
    const CliRun info = Velora("info " + input);
    ASSERT_EQ(info.status, 0) << info.err;
    for (const char* field : {R"("name":"cli_in.bmp","width":7,"height":4,"bitCount":24,"numColors":16777216)",
                              R"("paletteSize":null)", R"("biSizeImage":96)"})
        EXPECT_NE(info.out.find(field), std::string::npos) << field << " in " << info.out;

    const std::string out = TempPath("cli_out.bmp");
    ASSERT_EQ(Velora("apply " + input + " " + out + " Negative:1,0,0,0 Flip:0").status, 0);
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
        {"apply " + input + " " + out + " EraseBitPlanes:3,24", 1, "EraseBitPlanes: argument 2 (planes) must lie in 0..23, not '24'"},
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

TEST_F(CommandLine, ColorConvertsOneColourAndSplitWritesOneFilePerComponent) {
    const CliRun hsv = Velora("color RGBToHSV 1A2B3C 1");
    ASSERT_EQ(hsv.status, 0) << hsv.err;
    float expected[3];
    CVelora::RGBToHSV(expected, 0x1A2B3C, 1);
    char digits[128];
    std::snprintf(digits, sizeof digits, "[%.9g,%.9g,%.9g]", double(expected[0]), double(expected[1]), double(expected[2]));
    EXPECT_NE(hsv.out.find(std::string("\"result\":") + digits), std::string::npos) << hsv.out;
    EXPECT_EQ(Velora("color RGBToHSV '#1a2b3c' 1").out, hsv.out);
    float cmyk[4];
    CVelora::RGBToCMYK(cmyk, 0x804000, 2);
    std::snprintf(digits, sizeof digits, "[%.9g,%.9g,%.9g,%.9g]", double(cmyk[0]), double(cmyk[1]), double(cmyk[2]), double(cmyk[3]));
    EXPECT_NE(Velora("color RGBToCMYK 804000 2").out.find(std::string("\"result\":") + digits), std::string::npos) << digits;
    EXPECT_NE(Velora("color HSVToRGB 0,0,255 1").out.find(R"("result":{"red":255,"green":255,"blue":255})"), std::string::npos);
    const float hsvIn[3] = {12.5f, 200, 30};
    RGBQUAD rgb{};
    CVelora::HSVToRGB(&rgb, hsvIn, 1);
    const std::string bytes = std::to_string(rgb.rgbRed) + ",\"green\":" + std::to_string(rgb.rgbGreen) + ",\"blue\":" + std::to_string(rgb.rgbBlue);
    EXPECT_NE(Velora("color HSVToRGB 12.5,200,30 1").out.find(R"("input":[12.5,200,30],"result":{"red":)" + bytes + "}"), std::string::npos);
    for (auto [args, status] : {std::pair{"XYZToLAB 1,2,3 1,2", 0}, {"RGBToHSV 1A2B3C 7", 3}, {"RGBToHSV 1A2B 1", 1},
                                {"XYZToLAB 1,2,3 1", 1}, {"HSVToRGB nan,0,0 1", 1}, {"XYZToLAB inf,2,3 1,2", 1}})
        EXPECT_EQ(Velora(std::string("color ") + args).status, status) << args;

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

TEST_F(CommandLine, HistogramQueriesPrintTheLibraryTables) {
    const std::string gray = TempPath("cli_hist8.bmp");
    CVelora image = RandomImage(9, 5, 8, 31);
    ASSERT_EQ(image.SaveBMP(gray), 0u);

    const CliRun q = Velora("query " + gray + " GetInfoHistogram Histogram:100");
    ASSERT_EQ(q.status, 0) << q.err;
    InfoHistogram info;
    ASSERT_EQ(image.GetInfoHistogram(info), 0u);
    HistogramTable table;
    ASSERT_EQ(image.Histogram(table, 100), 0u);
    const char* const channels[4] = {"luminance", "red", "green", "blue"};
    const auto pair = [](const auto& lc) { return R"({"level":)" + std::to_string(lc.level) + R"(,"count":)" + std::to_string(lc.count) + "}"; };
    std::string infoJson = R"({"query":"GetInfoHistogram","arguments":[],"result":{"code":0)";
    std::string histJson = R"({"query":"Histogram","arguments":[100],"result":{"code":0)";
    for (std::size_t c = 0; c < 4; ++c) {
        infoJson += ",\"" + std::string(channels[c]) + R"(":{"lowest":)" + pair(info.lowest[c]) + R"(,"highest":)" +
                    pair(info.highest[c]) + R"(,"mode":)" + pair(info.mode[c]) + "}";
        histJson += ",\"" + std::string(channels[c]) + "\":[";
        for (std::size_t level = 0; level < 256; ++level) histJson += (level ? "," : "") + std::to_string(table[level][c]);
        histJson += "]";
    }
    EXPECT_EQ(q.out, infoJson + "}}\n" + histJson + "}}\n");
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

TEST_F(CommandLine, PaletteFilesAreWrittenWithTheImageOrNotAtAll) {
    const std::string in = TempPath("cli_pal_in.bmp"), out = TempPath("cli_pal_out.bmp");
    const std::string pal = TempPath("cli_pal.pal"), missing = TempPath("no-dir/x");
    const CVelora image = RandomImage(6, 3, 8, 81);
    ASSERT_EQ(image.SaveBMP(in), 0u);
    // The file holds the table as its step saw it.
    ASSERT_EQ(Velora("apply " + in + " " + out + " SavePalette:" + pal + " SetChannelPalette:red").status, 0);
    EXPECT_EQ(ReadFile(pal), Bytes(image.EncodePalette()));
    CVelora red = image;
    ASSERT_EQ(red.SetChannelPalette(0), 0u);
    EXPECT_EQ(ReadFile(out), red.EncodeBMP());

    // A later refusal, an output or a palette file that cannot be written: neither file is.
    const std::pair<std::string, int> failures[] = {
        {in + " " + out + " SavePalette:" + pal + " Brightness:101", 3},
        {in + " " + missing + ".bmp SavePalette:" + pal, 4},
        {in + " " + out + " SavePalette:" + pal + " SavePalette:" + missing + ".pal", 4},
        {input + " " + out + " SavePalette:" + pal, 3},  // 24 bits: no colour table
    };
    for (const auto& [args, status] : failures) {
        SCOPED_TRACE(args);
        std::remove(out.c_str());
        std::remove(pal.c_str());
        const CliRun r = Velora("apply " + args);
        EXPECT_EQ(r.status, status);
        EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_FALSE(std::filesystem::exists(pal));
    }

    ASSERT_EQ(image.SaveBMP(out), 0u);
    ASSERT_EQ(Velora("apply " + in + " " + pal + ".bmp SavePalette:" + pal).status, 0);
    ASSERT_EQ(Velora("apply " + in + " " + out + " SetChannelPalette:green LoadPalette:" + pal).status, 0);
    EXPECT_EQ(ReadFile(out), ReadFile(in));
    WriteFile(pal, Bytes("JASC-PAL\r\n0100\r\n255\r\n"));
    const CliRun refused = Velora("apply " + in + " " + out + " LoadPalette:" + pal);
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.err.find("not a JASC-PAL file of 16 or 256 entries"), std::string::npos) << refused.err;
}

// Every integer reaches the library as typed: one its library type cannot hold is a usage error, never wrapped.
TEST_F(CommandLine, IntegersBeyondTheirLibraryTypeAreRefusedNotWrapped) {
    using velora::catalog::ParamKind;
    const velora::cli::ImageLoader loader = [this](const std::string&, CVelora& image, std::string&) {
        return image.LoadBMP(input);
    };
    int checked = 0;
    for (const velora::catalog::Operation& op : Operations()) {
        const velora::catalog::Args defaults = velora::catalog::DefaultArgs(op);
        for (std::size_t i = 0; i < op.params.size(); ++i) {
            const ParamKind kind = op.params[i].kind;
            if (kind != ParamKind::Integer && kind != ParamKind::Choice && kind != ParamKind::Colour &&
                kind != ParamKind::IntegerList)
                continue;
            const auto type = velora::catalog::IntegerType(op, op.params[i]);
            const auto min = std::int64_t(type.range.min), max = std::int64_t(type.range.max);
            for (const std::int64_t value : {min, max, min - 1, max + 1, max + (std::int64_t(1) << 32)}) {
                std::string text(op.name);
                for (std::size_t j = 0; j < op.params.size(); ++j) {
                    const auto& v = defaults.Values()[j];
                    if (j != i && std::holds_alternative<std::vector<std::int64_t>>(v)) continue;  // a list may be empty
                    text += j ? "," : ":";
                    text += j == i ? std::to_string(value)
                            : std::holds_alternative<double>(v) ? std::to_string(std::get<double>(v))
                            : std::holds_alternative<std::int64_t>(v) ? std::to_string(std::get<std::int64_t>(v))
                                                                      : input;
                }
                SCOPED_TRACE(text);
                velora::cli::ParsedCall call;
                std::string message;
                bool loadFailed = false;
                const bool parsed = velora::cli::ParseCall(text, op.kind, loader, call, message, loadFailed);
                const bool fits = value >= min && value <= max;
                const bool inRange = kind != ParamKind::IntegerList || !op.params[i].range || op.params[i].range->Contains(double(value));
                EXPECT_EQ(parsed, fits && inRange) << message;
                if (!fits) {
                    EXPECT_TRUE(message.find("must fit " + std::string(type.name)) != std::string::npos ||
                                (!inRange && message.find("must lie in") != std::string::npos)) << message;
                }
                if (!parsed) continue;
                const auto& got = call.args.Values()[i];
                EXPECT_EQ(kind == ParamKind::IntegerList ? std::get<std::vector<std::int64_t>>(got).at(0) : std::get<std::int64_t>(got), value);
                // What the call reads back is the value, in the library's type.
                if (kind == ParamKind::Colour) {
                    EXPECT_EQ(call.args.Colour(i), std::uint32_t(value));
                } else if (kind != ParamKind::IntegerList && type.range.max <= INT32_MAX) {
                    EXPECT_EQ(call.args.Int(i), value);
                }
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 100);
    // The first of the faults this guards, as a user meets it.
    const CliRun wrapped = Velora("apply " + input + " " + TempPath("cli_wrapped.bmp") + " Brightness:-4294967246");
    EXPECT_EQ(wrapped.status, 1);
    EXPECT_NE(wrapped.err.find("Brightness: argument 1 (percent) must fit an int (-2147483648..2147483647), not '-4294967246'"),
              std::string::npos) << wrapped.err;
}

TEST_F(CommandLine, QueriesPrintValidJsonWhateverTheArgumentsLookLike) {
    const std::string monitor = " --monitor 1920x1080:531x299 ";
    // Every query on its defaults (images: the input itself).
    std::string all;
    for (const velora::catalog::Operation& op : Operations()) {
        if (!op.IsQuery()) continue;
        all += " " + std::string(op.name);
        for (std::size_t i = 0; i < op.params.size(); ++i)
            all += (i ? "," : ":") + (op.params[i].kind == velora::catalog::ParamKind::Image
                                          ? input : velora::JsonNumber(op.params[i].defaultValue));
    }
    // A file name that is not UTF-8.
    const std::string latin1 = TempPath("cli_\xE9t\xE9.bmp");
    ASSERT_EQ(RandomImage(3, 2, 24, 5).SaveBMP(latin1), 0u);
    const std::pair<std::string, std::string> cases[] = {
        {all, ""},
        {" AngularExtent:40,.5,0", R"("arguments":[40,0.5,0])"},
        {" AngularExtent:40,5.,main", R"("arguments":[40,5,0])"},
        {" AngularExtent:007,+5,0 AngularExtent:0x28,1e1,0", R"("arguments":[7,5,0])"},
        {" AngularExtent:40,-0.0,0 AngularExtent:40,1e-7,0", R"("arguments":[40,1e-07,0])"},
        {" GetPixel:+3,-0", R"("arguments":[3,0])"},
        {" CountDifferentPixels:'" + latin1 + "'", R"(\ufffdt\ufffd.bmp)"},
    };
    for (const auto& [queries, echo] : cases) {
        SCOPED_TRACE(queries);
        const CliRun r = Velora(monitor + "query " + input + queries);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(JsonLines(r.out)) << r.out;
        EXPECT_NE(r.out.find(echo), std::string::npos) << r.out;
    }
    // No number outside a float's finite values reaches the library.
    for (const char* angle : {"inf", "-inf", "nan", "infinity", "1e39", "1e400", "+-1", "0x1p3", "1,5"}) {
        const CliRun r = Velora(monitor + "query " + input + " AngularExtent:40," + angle + ",0");
        EXPECT_EQ(r.status, 1) << angle;
        EXPECT_TRUE(r.out.empty()) << angle;
    }
}

TEST_F(CommandLine, EveryPredefinedFilterByItsNameGivesWhatItsNumberGives) {
    const velora::catalog::Operation& op = *velora::catalog::FindOperation("PredefinedFilter");
    const CVelora image = RandomImage(12, 9, 8, 77, true);
    const std::string json = Velora("list --json").out;
    std::set<std::string_view> names;
    for (const velora::FilterEntry& entry : velora::FilterEntries()) {
        const auto choice = std::find_if(op.params[0].choices.begin(), op.params[0].choices.end(),
                                         [&](const auto& c) { return c.value == entry.index; });
        ASSERT_NE(choice, op.params[0].choices.end()) << entry.index;
        const std::string name(choice->name);
        SCOPED_TRACE(name);
        EXPECT_TRUE(names.insert(choice->name).second);
        EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"), std::string::npos);
        EXPECT_NE(json.find(R"({"value":)" + std::to_string(entry.index) + R"(,"name":")" + name + "\""), std::string::npos);
        CVelora byName = image, byNumber = image;
        for (auto [text, target] : {std::pair{name + ",minmax,none", &byName},
                                    std::pair{std::to_string(entry.index) + ",1,0", &byNumber}}) {
            velora::cli::ParsedCall call;
            std::string message;
            bool loadFailed = false;
            ASSERT_TRUE(velora::cli::ParseCall("PredefinedFilter:" + text, op.kind, {}, call, message, loadFailed)) << message;
            ASSERT_EQ(op.call(*target, call.args), 0u);
        }
        EXPECT_EQ(byName.EncodeBMP(), byNumber.EncodeBMP());
    }
}

// Not plain files: nothing waits for a process that never comes, and a link stays a link.
TEST_F(CommandLine, FifosAreNotWaitedForAndDanglingLinksStayLinks) {
    const std::string fifoIn = TempPath("cli_fifo_in.bmp"), fifoOut = TempPath("cli_fifo_out.bmp");
    for (const std::string& fifo : {fifoIn, fifoOut}) {
        std::remove(fifo.c_str());
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    }
    // Run under timeout(1): a wait would end as status 124.
    const auto status = [](const std::string& args) {
        const int raw = std::system(("timeout 20 " + std::string(VELORA_CLI_PATH) + " " + args + " 2>/dev/null").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(status("convert " + fifoIn + " " + TempPath("cli_never.bmp")), 2);
    EXPECT_EQ(status("apply " + input + " " + TempPath("cli_never.bmp") + " Interlace:0," + input + "," + fifoIn), 2);
    EXPECT_EQ(status("convert " + input + " " + fifoOut), 4);  // nobody reads it
    struct stat st {};
    ASSERT_EQ(stat(fifoOut.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced";

    const std::string link = TempPath("cli_dangling.bmp"), made = TempPath("cli_made_by_link.bmp");
    std::remove(link.c_str());
    std::remove(made.c_str());
    ASSERT_EQ(symlink("cli_made_by_link.bmp", link.c_str()), 0);
    ASSERT_EQ(Velora("convert " + input + " " + link).status, 0);
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
    EXPECT_EQ(ReadFile(made), ReadFile(input));
}
