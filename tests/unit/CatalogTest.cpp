// The operation catalogue against the library, the command line and the command table:
// every declaration must say what the library really does, so that nothing built from it
// can drift.
#include <gtest/gtest.h>

#include <set>

#include "CommandTable.h"
#include "Json.h"
#include "Operation.h"
#include "RandomSeed.h"
#include "TestImages.h"

using namespace testing_support;
using namespace velora::catalog;

namespace {

CVelora ImageOfDepth(unsigned depth, const Operation& op) {
    // 9 x 5, or 8 x 4 for an operation that refuses that size whatever the depth (the spectrum).
    const int w = op.takesSize && !op.takesSize(CVelora(nullptr, nullptr, 9, 5, 8)) ? 8 : 9, h = w == 8 ? 4 : 5;
    return depth == 16 ? SixteenBitImage(w, h) : RandomImage(w, h, int(depth), depth, depth == 8);
}

// The defaults, with every image argument the image itself.
Args DefaultsOn(const Operation& op, const CVelora& image) {
    Args args = DefaultArgs(op);
    for (std::size_t i = 0; i < op.params.size(); ++i)
        if (op.params[i].kind == ParamKind::Image) args.Values()[i] = std::make_shared<const CVelora>(image);
    return args;
}

bool TakesFiles(const Operation& op) {
    for (const Param& p : op.params)
        if (p.kind == ParamKind::Image || p.kind == ParamKind::Path) return true;
    return false;
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
            EXPECT_TRUE(c.produces != Produces::InPlace || !c.undoLabel.empty()) << c.id;
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
            CVelora image = ImageOfDepth(depth, op);
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

TEST(Catalog, CommandLineWithTheDefaultsGivesTheLibrarysBytes) {
    const std::string input = TempPath("catalog_in.bmp");
    for (const Operation& op : Operations()) {
        // Those that measure visual angles need --monitor (TranslationTest runs them).
        if (op.IsQuery() || TakesFiles(op) || op.needsMonitor) continue;
        SCOPED_TRACE(std::string(op.name));
        CVelora image = ImageOfDepth(op.depths & kD24 ? 24 : op.depths & kD8 ? 8 : 32, op);
        // Operations on gray images only refuse colour: they get its gray levels.
        if (CVelora probe = image; op.call(probe, DefaultArgs(op)) != 0) image.ColorToGray(0);
        ASSERT_EQ(image.SaveBMP(input), 0u);
        CVelora expected;
        ASSERT_EQ(expected.LoadBMP(input), 0u);
        // Random operations draw from the seed both sides are given.
        velora::SetFixedRandomSeed(5);
        ASSERT_EQ(op.call(expected, DefaultArgs(op)), 0u);
        velora::SetFixedRandomSeed(std::nullopt);

        const std::string output = TempPath("catalog_" + std::string(op.name) + ".bmp");
        const std::string command = std::string(VELORA_CLI_PATH) + " --seed 5 apply " + input + " " + output + " " +
                                    DefaultArgumentText(op) + " 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(ReadFile(output), expected.EncodeBMP());
    }
}

TEST(Catalog, RefusalsAndLabelsAreSaidInWords) {
    const Operation& brightness = *FindOperation("Brightness");
    EXPECT_EQ(RefusalText(brightness, 1), "percent must lie in -100..100");
    EXPECT_EQ(RefusalText(brightness, 2), "the image must have 4, 8, 24 or 32 bits per pixel");
    EXPECT_EQ(RefusalText(brightness, 9), "");
    EXPECT_EQ(DepthList(kD8), "8");
    EXPECT_EQ(ExpandLabel("Ecualización {model} de {image}", "HSV", "a.bmp"), "Ecualización HSV de a.bmp");
    EXPECT_EQ(ExpandLabel("{model}{model}", "{model}"), "{model}{model}");  // a value is not expanded again

    const auto flip = FindByCommand(kCmdFlipVertical);
    ASSERT_TRUE(flip);
    EXPECT_EQ(flip.operation->name, "Flip");
    EXPECT_EQ(flip.command->undoLabel, "Flip Vertical");
    EXPECT_FALSE(FindByCommand(kCmdOpen));
}
