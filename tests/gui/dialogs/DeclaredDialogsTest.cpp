// What a declaration tells the generic dialog beyond ranges and defaults, each shown once where it is needed.
#include <set>

#include "ImageAlgebraDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;
using velora::catalog::Args;

namespace {

class DeclaredDialogs : public DialogWorkbench {
protected:
    std::unique_ptr<CGenericOperationDialog> Dialog(int commandId, const std::string& name, const CVelora& image) {
        return Generic(commandId, Open(name, image));
    }
    // An 8-bit gray image whose levels run from low to high.
    static CVelora Levels(int low, int high) {
        CVelora image = RandomImage(16, 16, 8, 3, true);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) image.SetPixel(x, y, std::uint32_t(low + (x + 16 * y) % (high - low + 1)));
        return image;
    }
};

std::vector<std::int64_t> Integers(const Args& args) {
    std::vector<std::int64_t> out;
    for (const auto& value : args.Values())
        if (const auto* i = std::get_if<std::int64_t>(&value)) out.push_back(*i);
    return out;
}

}  // namespace

TEST_F(DeclaredDialogs, BoundsFromTheImageTiedValuesAndTheShownMaximum) {
    auto mosaic = Dialog(kCmdMosaic, "mosaico.bmp", RandomImage(30, 20, 24, 1));
    CSliderEdit* block = mosaic->SliderEdit("blockHeight");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->Slider()->maximum(), 10);  // min(20 / 2, 30 / 2)
    EXPECT_EQ(mosaic->SliderEdit("blockWidth"), nullptr);
    Finish(block->Edit(), "40");
    EXPECT_EQ(Integers(mosaic->CurrentArgs()), (std::vector<std::int64_t>{10, 10}));
    mosaic->reject();

    // The background starts as the table's first colour; the maximum is shown at the slider's end.
    auto ripple = Dialog(kCmdRipple, "onda.bmp", RandomImage(40, 25, 8, 2));
    EXPECT_EQ(ripple->SliderEdit("amplitude")->Slider()->maximum(), 25);
    QStringList texts;
    for (const QLabel* label : ripple->findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains("Máx: 25")) << texts.join("|").toStdString();
    EXPECT_EQ(ripple->ColourButton("background")->ColourRef(), ColourRef(original.GetPaletteData()[0]));
    ripple->reject();
}

TEST_F(DeclaredDialogs, StartsFromTheLevelsPresentAndKeepsPairsOrdered) {
    auto slicing = Dialog(kCmdGraySlice, "cortes.bmp", Levels(30, 180));
    EXPECT_EQ(slicing->SliderEdit("lo")->Value(), 50);  // a third of 150
    EXPECT_EQ(slicing->SliderEdit("hi")->Value(), 100);
    Finish(slicing->SliderEdit("lo")->Edit(), "200");
    EXPECT_EQ(slicing->SliderEdit("lo")->Value(), 100);  // not above hi
    Finish(slicing->SliderEdit("hi")->Edit(), "20");
    EXPECT_EQ(slicing->SliderEdit("hi")->Value(), 100);  // not below lo
    slicing->reject();

    auto contrast = Dialog(kCmdLinearContrast, "contraste.bmp", Levels(40, 200));
    EXPECT_EQ(contrast->SliderEdit("inMin")->Value(), 40);
    EXPECT_EQ(contrast->SliderEdit("inMax")->Value(), 200);
    Finish(contrast->SliderEdit("inMin")->Edit(), "10");
    EXPECT_EQ(contrast->SliderEdit("inMin")->Value(), 40);  // below the levels present
    contrast->reject();
}

TEST_F(DeclaredDialogs, ChoicesEnableControlsAndShowTheirFormulas) {
    auto contrast = Dialog(kCmdNonLinear, "alfa.bmp", RandomImage(12, 8, 24, 4));
    EXPECT_FALSE(contrast->DecimalEdit("alpha")->isEnabled());
    contrast->ChoiceGroup("function")->button(5)->click();
    EXPECT_TRUE(contrast->DecimalEdit("alpha")->isEnabled());
    contrast->reject();

    auto shear = Dialog(kCmdShear, "inclinar.bmp", RandomImage(12, 8, 24, 4));
    QLabel* formula = shear->NoteOf("type");
    ASSERT_NE(formula, nullptr);
    EXPECT_EQ(formula->text(), "x = i + Porcentaje * j\ny = j");
    shear->ChoiceGroup("type")->button(3)->click();
    EXPECT_EQ(formula->text(), "x = i\ny = j - Porcentaje * i");
    shear->reject();
}

TEST_F(DeclaredDialogs, ResetButtonsAndChoicesSideBySide) {
    auto balance = Dialog(kCmdColorBalance, "balance.bmp", RandomImage(12, 8, 24, 4));
    balance->SliderEdit("red")->Slider()->setValue(40);
    balance->SliderEdit("blue")->Slider()->setValue(-20);
    QPushButton* reset = ButtonNamed(balance.get(), "Restablecer Valores");
    ASSERT_NE(reset, nullptr);
    reset->click();
    EXPECT_EQ(Integers(balance->CurrentArgs()), (std::vector<std::int64_t>{0, 0, 0}));
    EXPECT_EQ(Block(Frame().ActiveDocument()->Image()), Block(original));
    balance->reject();

    auto swap = Dialog(kCmdSwapChannels, "canales.bmp", RandomImage(12, 8, 8, 4));
    const QWidget* red = swap->ChoiceGroup("newRed")->button(0)->parentWidget();
    const QWidget* blue = swap->ChoiceGroup("newBlue")->button(0)->parentWidget();
    EXPECT_EQ(red->y(), blue->y());
    EXPECT_LT(red->x(), blue->x());
    swap->ChoiceGroup("newRed")->button(2)->click();
    EXPECT_NE(Block(Frame().ActiveDocument()->Image()), Block(original));
    swap->reject();
}

TEST_F(DeclaredDialogs, AListOfPlanesIsABoxPerPlaneThatTheImageHas) {
    auto planes = Dialog(kCmdEraseBitPlanes, "planos.bmp", RandomImage(12, 8, 4, 4));
    QStringList enabled;
    for (QCheckBox* box : planes->findChildren<QCheckBox*>()) {
        if (!box->text().startsWith("Plano")) continue;
        if (box->isEnabled()) enabled << box->text();
        if (box->text() == "Plano 1" || box->text() == "Plano 3") box->click();
    }
    EXPECT_EQ(enabled.join(",").toStdString(), "Plano 3,Plano 2,Plano 1,Plano 0");
    EXPECT_EQ(std::get<std::vector<std::int64_t>>(planes->CurrentArgs().Values()[0]), (std::vector<std::int64_t>{1, 3}));
    planes->reject();
}

// The rows' labels share one width, so sliders line up; a teacher drags swirl angles and shears in class.
TEST_F(DeclaredDialogs, SlidersLineUpAndDecimalsWithTicksAreSliders) {
    for (const auto& [command, decimal] : {std::pair{kCmdColorBalance, ""}, {kCmdGraySlice, ""}, {kCmdSwirl, "angle"}, {kCmdShear, "percent"}}) {
        auto dialog = Dialog(command, "filas.bmp", RandomImage(24, 16, command == kCmdGraySlice ? 8 : 24, 6, true));
        Settle();
        std::set<int> lefts;
        for (const CSliderEdit* pair : dialog->findChildren<CSliderEdit*>())
            lefts.insert(pair->Slider()->mapTo(dialog.get(), QPoint(0, 0)).x());
        EXPECT_EQ(lefts.size(), 1u) << command;
        if (*decimal) {
            ASSERT_NE(dialog->SliderEdit(decimal), nullptr) << decimal;
            dialog->SliderEdit(decimal)->Slider()->setValue(30);
            const auto index = std::size_t(dialog->Operation().ParamIndex(decimal));
            EXPECT_DOUBLE_EQ(std::get<double>(dialog->CurrentArgs().Values()[index]), 30.0) << decimal;
        }
        dialog->reject();
    }
    COperacionesEntreImg arithmetic(Frame().ActiveView());
    arithmetic.show();
    Settle();
    std::set<int> lefts;
    for (const QWidget* box : {arithmetic.weight[0], arithmetic.weight[1], arithmetic.offsetColumn, arithmetic.offsetRow})
        lefts.insert(box->mapTo(&arithmetic, QPoint(0, 0)).x());
    EXPECT_EQ(lefts.size(), 1u);
    arithmetic.reject();
}
