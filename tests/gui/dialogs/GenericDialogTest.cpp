// The generic dialog over a parameter of every kind: its controls, arguments, previews, parameter file.
#include "WorkbenchFixture.h"

using namespace testing_support;
using namespace velora::catalog;

namespace {

class GenericDialog : public Workbench {
protected:
    void SetUp() override {
        Workbench::SetUp();
        probe.name = "Probe";
        probe.params = {
            {.name = "level", .range = Range{-50, 50}, .defaultValue = 5, .label = "Nivel", .fileKey = "NIVEL=", .tickInterval = 10},
            {.name = "factor", .kind = ParamKind::Decimal, .range = Range{0, 10}, .defaultValue = 1, .label = "Factor:",
             .fileKey = "FACTOR=", .step = 0.5},
            {.name = "inverse", .kind = ParamKind::Flag, .label = "Invertir"},
            {.name = "shape", .kind = ParamKind::Choice, .range = Range{0, 2}, .defaultValue = 1, .label = "Forma",
             .choices = {{0, "square", "Cuadrado"}, {1, "circle", "Círculo"}, {2, "cross", "Cruz"}}},
            {.name = "fill", .kind = ParamKind::Colour, .defaultValue = 0x0000FF, .label = "Color Fondo"},
            {.name = "other", .kind = ParamKind::Image, .label = "Segunda imagen"},
            {.name = "colorModel", .kind = ParamKind::Choice, .range = Range{0, 10}, .source = ParamSource::ActiveColorModel},
            {.name = "mode", .kind = ParamKind::Choice, .range = Range{0, 1}, .label = "Modo"},
        };
        probe.call = [this](CVelora& image, const Args& args) {
            ++calls;
            last = args;
            return image.Negative(1, 0, 0, 0);
        };
        command = {.id = 1, .undoLabel = "Sonda", .timingLabel = "Cálculo Sonda",
                   .dialog = DialogFacts{.className = "CSondaDlg", .caption = "Sonda", .previewBox = DialogFacts::Preview::Checked,
                                         .parameterFile = ParameterFileKind{"CfgSonda", "Salvando Sonda", false}},
                   .presets = {{"mode", 1}}};
    }
    Operation probe;
    Command command;
    int calls = 0;
    Args last;
};

}  // namespace

TEST_F(GenericDialog, BuildsOneControlPerParameterTheUserSetsAndStartsFromTheDefaults) {
    OpenImage("segunda.bmp", RandomImage(6, 6, 24, 2));
    CUtilidadView* view = OpenImage("primera.bmp", RandomImage(8, 8, 24, 1));
    Frame().SetColorModel(kModelHSV);
    CGenericOperationDialog dialog(view, probe, command);
    EXPECT_TRUE(dialog.SliderEdit("level") && dialog.DecimalEdit("factor") && dialog.CheckBox("inverse") &&
                dialog.ChoiceGroup("shape") && dialog.ColourButton("fill"));
    QComboBox* other = dialog.ImageChooser("other");
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(other->count(), 2);
    // The preset and the active model take no control.
    EXPECT_EQ(dialog.ChoiceGroup("mode"), nullptr);
    EXPECT_EQ(dialog.ChoiceGroup("colorModel"), nullptr);

    const Args args = dialog.CurrentArgs();
    EXPECT_EQ(std::tuple(args.Int(0), args.Double(1), args.Int(2), args.Int(3), args.Colour(4), args.Int(6), args.Int(7)),
              std::tuple(5, 1.0, 0, 1, 0x0000FFu, int(kModelHSV), 1));
    // The chosen image is a copy of that window's image, read when the operation runs.
    const int second = other->findText("segunda.bmp");
    ASSERT_GE(second, 0);
    other->setCurrentIndex(second);
    const Args chosen = dialog.CurrentArgs();
    EXPECT_EQ(chosen.Image(5).GetWidth(), 6);
    EXPECT_EQ(chosen.Image(5).CountDifferentPixels(RandomImage(6, 6, 24, 2)), 0u);
    dialog.reject();
}

TEST_F(GenericDialog, EveryChangePreviewsWithTheValuesTheControlsHold) {
    CUtilidadView* view = OpenImage("cambios.bmp", RandomImage(8, 8, 24, 1));
    const CVelora original = view->Document().Image();
    CGenericOperationDialog dialog(view, probe, command);
    dialog.show();
    CDecimalEdit* factor = dialog.DecimalEdit("factor");
    factor->Step(+1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(last.Double(1), 1.5);
    EXPECT_EQ(factor->Text(), "1.50");
    Finish(factor->Edit(), "99");
    Type(factor->Edit(), "12");  // the arrows step from the finished value, 10
    factor->Step(-1);
    EXPECT_EQ(factor->Text(), "9.50");
    EXPECT_EQ(last.Double(1), 9.5);
    for (int i = 0; i < 30; ++i) factor->Step(-1);
    EXPECT_EQ(last.Double(1), 0.0);

    dialog.ChoiceGroup("shape")->button(2)->click();
    EXPECT_EQ(last.Int(3), 2);
    dialog.CheckBox("inverse")->click();
    EXPECT_EQ(last.Int(2), 1);
    CColourButton::askColour = [](QWidget*, std::uint32_t& colour) { return colour = 0x563412, true; };
    dialog.ColourButton("fill")->click();
    EXPECT_EQ(last.Colour(4), 0x563412u);

    // Each preview starts from the image as it was: one negative, not an accumulation.
    CVelora once = original;
    once.Negative(1, 0, 0, 0);
    EXPECT_EQ(Block(view->Document().Image()), Block(once));
    dialog.reject();
    EXPECT_EQ(Block(view->Document().Image()), Block(original));
    EXPECT_FALSE(view->Document().History().CanUndo());
    EXPECT_FALSE(view->Document().IsModified());
}

TEST_F(GenericDialog, SavesTheParametersThatHaveAFileKeyAsTyped) {
    CUtilidadView* view = OpenImage("guardar.bmp", RandomImage(8, 8, 24, 1));
    CGenericOperationDialog dialog(view, probe, command);
    ASSERT_NE(dialog.saveButton(), nullptr);
    QTest::keyClicks(dialog.SliderEdit("level")->Edit(), "2");  // "52" is still being typed: saving clamps it to 50
    const std::string path = dir + "/sonda.CfgSonda";
    SaveParametersTo(path);
    dialog.saveButton()->click();
    EXPECT_EQ(ReadFile(path), Bytes("NIVEL=50\r\nFACTOR=1"));
    // A folder that does not exist cannot hold the file: said so, not silently dropped.
    SaveParametersTo(dir + "/no/such/folder/sonda.CfgSonda");
    dialog.saveButton()->click();
    EXPECT_TRUE(messages.value(0).startsWith("Salvando Sonda|Error al crear el archivo\n")) << messages.join("|").toStdString();
    dialog.reject();
}
