// The catalogue against the library, the command line and the command table: declarations must not drift.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <set>

#include "CliRun.h"
#include "CommandTable.h"
#include "Json.h"
#include "Operation.h"
#include "RandomSeed.h"
#include "StepCases.h"
#include "TestImages.h"

using namespace testing_support;
using namespace velora::catalog;

namespace {

// The defaults, with every image argument the image itself.
Args DefaultsOn(const Operation& op, const CVelora& image) {
    Args args = DefaultArgs(op);
    for (std::size_t i = 0; i < op.params.size(); ++i)
        if (op.params[i].kind == ParamKind::Image) args.Values()[i] = std::make_shared<const CVelora>(image);
    return args;
}

// Random pixels of the depth, or their gray levels (gray-palette for indexed depths).
CVelora Subject(int width, int height, unsigned depth, unsigned seed, bool gray) {
    CVelora image = RandomImage(width, height, int(depth), seed, gray);
    if (gray && depth >= 24) image.ColorToGray(0);
    return image;
}

// The first depth the operation takes of 24, 8, 32, 4, 1, 16; 21 x 12, or 16 x 8 for the spectrum.
unsigned PreferredDepth(const Operation& op) {
    for (unsigned depth : {24u, 8u, 32u, 4u, 1u, 16u})
        if (op.depths & DepthBitOf(depth)) return depth;
    return 24;
}
std::pair<int, int> SubjectSize(const Operation& op) {
    return op.takesSize && !op.takesSize(CVelora(nullptr, nullptr, 21, 12, 8)) ? std::pair{16, 8} : std::pair{21, 12};
}

CliRun RunCli(const std::string& arguments) {
    return Velora("--seed 5 --monitor " + std::string(kMonitorOption) + " " + arguments);
}

// "Name:arg,..." for the command line from parsed arguments; images are the file given.
std::string ArgumentText(const Operation& op, const Args& args, const std::string& imagePath) {
    std::string text;
    for (std::size_t i = 0; i < op.params.size(); ++i) {
        const ArgValue& v = args.Values()[i];
        std::string part;
        if (op.params[i].kind == ParamKind::Image) part = imagePath;
        else if (const auto* d = std::get_if<double>(&v)) part = std::isnan(*d) ? "nan" : velora::JsonNumber(*d);
        else if (const auto* n = std::get_if<std::int64_t>(&v)) part = std::to_string(*n);
        else if (const auto* s = std::get_if<std::string>(&v)) part = *s;
        else if (const auto* list = std::get_if<std::vector<std::int64_t>>(&v))
            for (std::int64_t x : *list) part += (part.empty() ? "" : ",") + std::to_string(x);
        if (part.empty()) continue;
        text += (text.empty() ? ":" : ",") + part;
    }
    return std::string(op.name) + text;
}

std::string DefaultArgumentText(const Operation& op) {
    std::string text;
    for (const Param& p : op.params) {
        if (p.kind == ParamKind::IntegerList) continue;  // its default is the empty list
        text += text.empty() ? ':' : ',';
        text += velora::JsonNumber(p.defaultValue);
    }
    return std::string(op.name) + text;
}

}  // namespace

TEST(Catalog, DeclarationsAreCompleteAndTheirFactsHangTogether) {
    std::set<std::string_view> names;
    std::set<int> commandIds;
    for (const Operation& op : Operations()) {
        SCOPED_TRACE(std::string(op.name));
        EXPECT_TRUE(names.insert(op.name).second) << "declared twice";
        EXPECT_FALSE(op.summary.empty());
        EXPECT_EQ(op.IsQuery(), bool(op.query));
        EXPECT_EQ(!op.IsQuery(), bool(op.call));
        for (const Param& p : op.params) {
            EXPECT_TRUE(!p.range || p.range->Contains(p.defaultValue)) << p.name;
            for (const Choice& c : p.choices) EXPECT_TRUE(!p.range || p.range->Contains(c.value)) << p.name;
        }
        std::set<unsigned> codes;
        for (const ResultCode& r : op.results) {
            EXPECT_NE(r.code, 0u);
            EXPECT_TRUE(codes.insert(r.code).second) << "code " << r.code << " declared twice";
            if (r.check == ResultCode::Check::ParamRange) {
                const Param* p = op.FindParam(r.param);
                ASSERT_NE(p, nullptr) << r.param;
                EXPECT_TRUE(p->range.has_value()) << r.param;
            }
            EXPECT_FALSE(RefusalText(op, r.code).empty());
        }
        for (const Command& c : op.commands) {
            EXPECT_TRUE(commandIds.insert(c.id).second) << "command " << c.id << " runs two operations";
            for (const auto& [param, value] : c.presets) EXPECT_NE(op.FindParam(param), nullptr) << param;
            EXPECT_TRUE(c.produces != Produces::InPlace || c.asksForFile || !c.undoLabel.empty()) << c.id;
            EXPECT_FALSE(c.timingLabel.empty()) << c.id;
            // The command table lists it, built, and takes its enabling from here.
            const CommandInfo* info = FindCommand(c.id);
            ASSERT_NE(info, nullptr) << c.id;
            EXPECT_TRUE(info->built) << c.id;
            EXPECT_TRUE(info->rule.fromOperation) << c.id;
        }
    }
    // And no command claims an operation that does not declare it.
    for (const CommandInfo& info : Commands())
        EXPECT_TRUE(!info.rule.fromOperation || FindByCommand(info.id)) << info.id;
}

TEST(Catalog, TheLibraryRefusesExactlyTheDepthsOutsideEachDeclaration) {
    for (const Operation& op : Operations()) {
        if (op.IsQuery()) continue;
        SCOPED_TRACE(std::string(op.name));
        const unsigned depthCode = op.DepthCode();
        EXPECT_TRUE(depthCode != 0 || op.depths == unsigned(kDepthsAll6)) << "takes every depth but says otherwise";
        for (unsigned depth : {1u, 4u, 8u, 16u, 24u, 32u}) {
            const auto [w, h] = SubjectSize(op);
            CVelora image = Subject(w, h, depth, depth, depth == 8);
            const Args args = DefaultsOn(op, image);
            const auto before = Block(image);
            const unsigned code = op.call(image, args);
            if (op.depths & DepthBitOf(depth)) {
                EXPECT_TRUE(code != depthCode || depthCode == 0) << depth << " bits refused";
            } else {
                EXPECT_EQ(code, depthCode) << depth << " bits";
                EXPECT_EQ(Block(image), before) << "a refusal changed the image";
            }
        }
    }
}

TEST(Catalog, RefusalsAndLabelsAreSaidInWords) {
    const Operation& brightness = *FindOperation("Brightness");
    EXPECT_EQ(RefusalText(brightness, 2), "the image must have 4, 8, 24 or 32 bits per pixel");
    EXPECT_EQ(RefusalText(brightness, 9), "");
    EXPECT_EQ(ExpandLabel("Ecualización {model} de {image}", "HSV", "a.bmp"), "Ecualización HSV de a.bmp");
    EXPECT_EQ(ExpandLabel("{model}{model}", "{model}"), "{model}{model}");  // a value is not expanded again
    EXPECT_EQ(ExpandLabel("{image} ({model})", "{image}", "x{model}.bmp"), "x{model}.bmp ({image})");  // nor across keys
    EXPECT_FALSE(FindByCommand(kCmdOpen));
}

TEST(Catalog, EveryDeclaredRangeHoldsAtItsEdgesInTheLibraryAndOnTheCommandLine) {
    const std::string input = TempPath("catalog_range_in.bmp"), output = TempPath("catalog_range_out.bmp");
    int cases = 0;
    for (const Operation& op : Operations()) {
        // A subject of an accepted depth whose defaults the operation takes.
        const auto [w, h] = SubjectSize(op);
        CVelora subject = Subject(w, h, PreferredDepth(op), 3, false);
        if (!op.IsQuery())
            if (CVelora probe = subject; op.call(probe, DefaultsOn(op, probe)) != 0) subject = Subject(w, h, PreferredDepth(op), 3, true);
        ASSERT_EQ(subject.SaveBMP(input), 0u);
        for (const ResultCode& result : op.results) {
            if (result.check != ResultCode::Check::ParamRange) continue;
            const int index = op.ParamIndex(result.param);
            ASSERT_GE(index, 0) << op.name << " " << result.param;
            const Param& param = op.params[std::size_t(index)];
            const Range range = param.range.value();
            const bool decimal = param.kind == ParamKind::Decimal;
            const double step = decimal ? 1e-3 : 1;
            std::vector<std::pair<double, bool>> values = {
                {range.min - step, false}, {range.min, true}, {range.max, true}, {range.max + step, false}};
            if (decimal) values.push_back({std::numeric_limits<double>::quiet_NaN(), false});
            for (const auto& [value, inside] : values) {
                SCOPED_TRACE(std::string(op.name) + " " + std::string(param.name) + " = " + std::to_string(value));
                ++cases;
                Args args = DefaultsOn(op, subject);
                ArgValue& arg = args.Values()[std::size_t(index)];
                if (decimal) arg = value;
                else if (param.kind == ParamKind::IntegerList) arg = std::vector<std::int64_t>{std::int64_t(value)};
                else arg = std::int64_t(value);
                if (op.needsMonitor) args.SetMonitor(TestMonitor());
                const std::string codeField = "\"code\":" + std::to_string(result.code) + ",";
                unsigned code = 0;
                if (op.IsQuery()) {
                    const std::string json = op.query(subject, args);
                    code = json.find(codeField) != std::string::npos ? result.code : 0;
                } else {
                    CVelora image = subject;
                    code = op.call(image, args);
                    if (!inside) {
                        EXPECT_EQ(Block(image), Block(subject)) << "a refusal changed the image";
                    }
                }
                EXPECT_EQ(code == result.code, !inside) << code;
                // The command line hands the value on, says what the library refused, and writes nothing.
                std::remove(output.c_str());
                const CliRun run = RunCli((op.IsQuery() ? "query " + input : "apply " + input + " " + output) + " " +
                                          ArgumentText(op, args, input));
                if (op.IsQuery()) {
                    // A value out of its type (a NaN) is a usage error before the query.
                    EXPECT_TRUE((run.status == 1 && !inside) ||
                                (run.status == 0 && (run.out.find(codeField) == std::string::npos) == inside))
                        << run.status << " " << run.out << run.err;
                } else if (inside) {
                    EXPECT_EQ(run.status, code == 0 ? 0 : 3) << run.err;
                } else {
                    EXPECT_TRUE(run.status == 1 ||
                                (run.status == 3 && run.err.find("(result " + std::to_string(result.code) + ":") != std::string::npos))
                        << run.status << " " << run.err;
                    EXPECT_TRUE(ReadFile(output).empty());
                }
            }
        }
    }
    EXPECT_GT(cases, 150);  // 178 when written
}

TEST(Catalog, TheStepTableCallsEveryStepWithValuesOfItsOwn) {
    std::set<std::string_view> covered;
    for (const StepCase& c : StepCases()) {
        const Operation* op = FindOperation(StepName(c));
        ASSERT_TRUE(op && !op->IsQuery()) << c.text;
        EXPECT_TRUE(op->params.empty() || c.text != DefaultArgumentText(*op)) << c.text << ": the range edges run the defaults";
        covered.insert(op->name);
    }
    for (const Operation& op : Operations())
        EXPECT_TRUE(op.IsQuery() || covered.count(op.name)) << op.name << " has no row in StepCases()";
}

TEST(Catalog, EveryStepOnTheCommandLineGivesItsMemberCallsBytes) {
    const std::string input = TempPath("steps_in.bmp"), otherPath = TempPath("steps_other.bmp"),
                      output = TempPath("steps_out.bmp"), palette = TempPath("steps.pal"),
                      writtenByCli = TempPath("steps_cli.out"), writtenDirectly = TempPath("steps_direct.out");
    ASSERT_EQ(RandomImage(4, 4, 8, 17).SavePalette(palette), 0u);
    for (const StepCase& c : StepCases()) {
        SCOPED_TRACE(std::string(c.text));
        const Operation& op = *FindOperation(StepName(c));
        const auto [w, h] = SubjectSize(op);
        // Colour pixels, or gray ones where the call takes only those.
        CVelora subject, other;
        for (bool gray : {false, true}) {
            subject = Subject(w, h, PreferredDepth(op), 41, gray);
            other = Subject(w, h, PreferredDepth(op), 42, gray);
            CVelora probe = subject;
            const unsigned code = c.call(probe, {subject, other, palette, writtenDirectly});
            velora::SetFixedRandomSeed(std::nullopt);
            if (code == 0) break;
            ASSERT_TRUE(!gray) << "refused with " << code;
        }
        ASSERT_EQ(subject.SaveBMP(input), 0u);
        ASSERT_EQ(other.SaveBMP(otherPath), 0u);
        CVelora expected, self, otherRead;  // as the command line reads them
        ASSERT_EQ(expected.LoadBMP(input), 0u);
        ASSERT_EQ(otherRead.LoadBMP(otherPath), 0u);
        self = expected;
        std::remove(writtenByCli.c_str());
        std::remove(writtenDirectly.c_str());
        ASSERT_EQ(c.call(expected, {self, otherRead, palette, writtenDirectly}), 0u);
        velora::SetFixedRandomSeed(std::nullopt);

        std::string text(c.text);
        for (const auto& [key, path] : {std::pair<std::string, std::string>{"{self}", input},
                                        {"{other}", otherPath}, {"{palette}", palette}, {"{written}", writtenByCli}})
            if (const auto at = text.find(key); at != std::string::npos) text.replace(at, key.size(), path);
        const CliRun run = RunCli("apply " + input + " " + output + " " + text);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadFile(output), expected.EncodeBMP());
        EXPECT_EQ(ReadFile(writtenByCli), ReadFile(writtenDirectly));
    }
}
