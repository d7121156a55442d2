// The threshold dialogs' own rules: starts by depth, modes, bounds and title, parameter files, read-outs.
#include "ThresholdDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;
using ThresholdDialogs = DialogWorkbench;

namespace {

// 8 bits, gray, half the pixels at 50 and half at 150.
CVelora Halves() {
    CVelora image(nullptr, nullptr, 16, 8, 8);
    for (int i = 0; i < 128; ++i) image.SetPixel(i % 16, i / 16, i % 2 ? 150 : 50);
    return image;
}

}  // namespace

// The table's size gives the high output and the threshold its middle; local thresholds are for 8 bits only.
TEST_F(ThresholdDialogs, StartingValuesFollowTheDepthAndLocalModeIsFor8BitsOnly) {
    for (const auto& [image, high, local] : {std::tuple{RandomImage(40, 30, 32, 7), 255, false},
                                             {CVelora::WithTable(40, 30, 4, 16), 15, false},
                                             {CVelora::WithTable(40, 30, 8, 100), 99, true}}) {
        CUmbralizarDlg dialog(Open("umbral.bmp", image));
        EXPECT_EQ(dialog.local->isEnabled(), local) << high;
        EXPECT_EQ(dialog.High(), high);
        EXPECT_EQ(dialog.threshold->Value(), (high + 1) / 2) << high;
        dialog.reject();
    }
}

TEST_F(ThresholdDialogs, ModesEnableTheirControlsAndTheHighOutputBoundsTheRest) {
    CUmbralizarDlg dialog(Open("modos.bmp", RandomImage(50, 30, 8, 3, true)));
    EXPECT_FALSE(dialog.blockSize->isEnabled());
    dialog.local->click();
    EXPECT_FALSE(dialog.threshold->isEnabled());
    EXPECT_TRUE(dialog.blockSize->isEnabled());
    EXPECT_FALSE(dialog.otherEdit->isEnabled());  // only while "Otro" is chosen
    dialog.thresholdKind[3]->click();
    EXPECT_TRUE(dialog.otherEdit->isEnabled());
    dialog.global->click();
    EXPECT_FALSE(dialog.otherEdit->isEnabled());

    Finish(dialog.highEdit, "200");  // "2" on the way would have clamped the threshold to 2
    EXPECT_EQ(dialog.threshold->Value(), 128);
    Finish(dialog.lowEdit, "90");
    Finish(dialog.highEdit, "9");
    EXPECT_TRUE(dialog.windowTitle().endsWith(" con L-1 = 9"));
    EXPECT_EQ(dialog.Low(), 0);  // it lay above the new high output: back to 0
    EXPECT_EQ(dialog.threshold->Value(), 9);
    EXPECT_EQ(dialog.threshold->Slider()->maximum(), 9);
    EXPECT_EQ(dialog.Other(), 9);
    Finish(dialog.lowEdit, "20");
    EXPECT_EQ(dialog.Low(), 9);

    dialog.local->click();
    Finish(dialog.blockSize->Edit(), "999");  // the shorter side bounds the block
    EXPECT_EQ(dialog.blockSize->Value(), 30);
    dialog.reject();
}

TEST_F(ThresholdDialogs, PreviewOnlyWhenCheckedAndOkTakesTheLocalModesChoices) {
    CUtilidadView* view = Open("local.bmp", RandomImage(50, 30, 8, 4, true));
    CUtilidadDoc& doc = view->Document();
    CUmbralizarDlg dialog(view);
    dialog.threshold->Slider()->setValue(90);
    EXPECT_EQ(Block(doc.Image()), Block(original));  // no preview while the box is unchecked
    dialog.previewBox()->click();
    EXPECT_EQ(Block(doc.Image()), Block(Applied(original, [](CVelora& i) { return i.Threshold(90, 0, 255); })));
    dialog.local->click();
    dialog.thresholdKind[1]->click();
    dialog.outputKind[2]->click();
    dialog.blockSize->Slider()->setValue(9);
    dialog.accept();
    EXPECT_EQ(Block(doc.Image()), Block(Applied(original, [](CVelora& i) { return i.LocalThreshold(9, 9, -2, 2); })));
}

TEST_F(ThresholdDialogs, ParameterFileHasThreeLinesInWindows1252AndNoCrLfAfterTheLast) {
    CUmbralizarDlg dialog(Open("guardar.bmp", RandomImage(20, 10, 24, 5)));
    const std::string path = dir + "/umbral.CfgUmbralizar";
    SaveParametersTo(path);
    Type(dialog.highEdit, "200");
    Type(dialog.threshold->Edit(), "100");
    dialog.saveButton()->click();
    EXPECT_EQ(ReadFile(path), Bytes("UMBRAL=100\r\nNIVEL M\xCDNIMO RANGO SALIDA=0\r\nNIVEL M\xC1XIMO RANGO SALIDA=200"));
    dialog.reject();
}

// Each method's threshold and read-outs, the dialog's size kept so "Previsualizar" stays under the pointer.
TEST_F(ThresholdDialogs, OptimalThresholdShowsWhatEachMethodFindsInAStableLayoutAndAppliesIt) {
    CUtilidadView* view = Open("optimo.bmp", Halves());
    CBuscarUmbralDlg dialog(view);
    dialog.show();
    const auto place = [&dialog] {
        QApplication::processEvents();
        return QRect(dialog.previewBox()->mapTo(&dialog, QPoint()), dialog.size());
    };
    const QRect first = place();
    EXPECT_EQ(dialog.thresholdValue->text(), "100");
    EXPECT_TRUE(dialog.iterationsLabel->isHidden());
    dialog.method[1]->click();
    EXPECT_EQ(dialog.iterationsLabel->text(), "Nº de iteraciones realizadas: 1");
    EXPECT_FALSE(dialog.iterationsLabel->isHidden());
    EXPECT_EQ(place(), first);
    dialog.method[2]->click();
    EXPECT_EQ(dialog.thresholdValue->text(), "51");  // the first level below the peaks' counts
    EXPECT_TRUE(dialog.iterationsLabel->isHidden());
    EXPECT_EQ(dialog.secondPeakLabel->text(), "Nivel seleccionado como 2º Pico más Alto: 150");
    EXPECT_FALSE(dialog.secondPeakLabel->isHidden());
    EXPECT_EQ(place(), first);
    dialog.accept();
    EXPECT_EQ(Block(view->Document().Image()), Block(Applied(original, [](CVelora& i) { return i.Threshold(51, 0, 255); })));
}
