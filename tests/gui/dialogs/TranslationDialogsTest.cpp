// The translation dialog: offsets bounded by the image, the read-out, the parameter file, what Aceptar does.
#include "ScreenGeometry.h"
#include "TranslationDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;
using TranslationDialogs = DialogWorkbench;

TEST_F(TranslationDialogs, StartsByPixelsAndKeepsTheOffsetsWithinTheImage) {
    CUtilidadView* view = Open("mover.bmp", RandomImage(40, 24, 24, 3));
    CTraslacionDlg dialog(view);
    EXPECT_FALSE(dialog.alphaEdit->isEnabled());
    // Offsets beyond the size become the size; the spins stop there.
    Finish(dialog.dxEdit, "55");
    EXPECT_EQ(dialog.Dx(), 40);
    Finish(dialog.dyEdit, "-99");
    EXPECT_EQ(dialog.Dy(), -24);
    dialog.SpinDy(-1);
    EXPECT_EQ(dialog.Dy(), -24);
    dialog.SpinDy(+1);
    EXPECT_EQ(dialog.Dy(), -23);
    // "Preservar Proporciones": dy follows dx and cannot be typed.
    Finish(dialog.dxEdit, "-5");
    dialog.preserve->click();
    EXPECT_TRUE(dialog.dyEdit->isReadOnly());
    EXPECT_EQ(dialog.Dy(), -5);
    dialog.SpinDx(-1);
    EXPECT_EQ(dialog.Dy(), -6);
    dialog.newSize->click();
    EXPECT_EQ(dialog.resultSize->text(), "Nuevo Tamaño:    46 x 30");

    // "Aceptar": one undo step, the translation of the image as it was.
    dialog.background->SetColourRef(0x0000FF);
    dialog.accept();
    EXPECT_EQ(Block(view->Document().Image()), Block(Applied(original, [](CVelora& i) { return i.Translate(0, -6, -6, 0x0000FF); })));
}

TEST_F(TranslationDialogs, ByAngleShowsTheReadoutAndSavesItsParameterFile) {
    CUtilidadView* view = Open("angulo.bmp", RandomImage(64, 32, 8, 5));
    CTraslacionDlg dialog(view);
    const MonitorGeometry monitors = QueryMonitorGeometry();
    dialog.byAngle->click();
    EXPECT_FALSE(dialog.dxEdit->isEnabled());
    Finish(dialog.betaEdit, "90");
    Finish(dialog.alphaEdit, "2.5");
    DisplacementReadout expectedReadout;
    ASSERT_EQ(CVelora::AngularDisplacement(40, 2.5f, 90, monitors, expectedReadout), 0u);
    EXPECT_EQ(dialog.Readout().dx, expectedReadout.dx);
    EXPECT_EQ(dialog.Readout().dy, 0);
    EXPECT_TRUE(dialog.components->text().contains(QString("(%1, 0 píx.)").arg(expectedReadout.dx)));

    // The file: five lines in CR LF, the distance line fixed whatever the box says.
    Finish(dialog.distanceEdit, "57");
    dialog.background->SetColourRef(0x00FF8040);
    const std::string path = dir + "/traslacion.CfgTranslation";
    SaveParametersTo(path);
    dialog.saveButton()->click();
    EXPECT_EQ(ReadFile(path), Bytes("ORIGINAL IMAGE SIZE\r\nFILL COLOR=16744512\r\nDISTANCE = 40 cm\r\n"
                                    "ANGLE ALPHA=2.5000\r\nANGLE BETA=90.0000\r\n"));

    dialog.accept();
    DisplacementReadout readout;
    EXPECT_EQ(Block(view->Document().Image()), Block(Applied(original, [&](CVelora& i) {
                  return i.TranslateByAngle(1, 57, 2.5f, 90, 0x00FF8040, readout, monitors);
              })));
}

TEST(ScreenGeometry, TheSecondMonitorIsTheOneRightOfTheMain) {
    const ScreenMeasures left{{1280, 1024, 376, 301, 96, 96}, QRect(-1280, 0, 1280, 1024), false};
    const ScreenMeasures main{{1920, 1080, 531, 299, 96, 96}, QRect(0, 0, 1920, 1080), true};
    const ScreenMeasures right{{1600, 900, 443, 249, 120, 120}, QRect(1920, 0, 1600, 900), false};
    MonitorGeometry g = MonitorGeometryOf({left, main, right});
    EXPECT_EQ(g.monitors, 3u);
    EXPECT_EQ(g.mainWidth, 1920u);
    EXPECT_EQ(g.secondWidth, 1600u);
    EXPECT_EQ(g.secondDpiX, 120u);
    EXPECT_EQ(g.mainDiagonal, 24u);
    // Only one screen: no second monitor.
    g = MonitorGeometryOf({main});
    EXPECT_EQ(g.monitors, 1u);
    EXPECT_EQ(g.secondWidth, 0u);
    EXPECT_EQ(MonitorGeometryOf({}).monitors, 0u);
}
