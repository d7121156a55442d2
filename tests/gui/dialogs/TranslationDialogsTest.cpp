// The translation dialog as a user drives it: its defaults, the limits of the offsets and
// angles, the read-out, the parameter file's bytes and the one undo step of "Aceptar".
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "GenericOperationDialog.h"
#include "ScreenGeometry.h"
#include "TranslationDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

class TranslationDialogs : public DialogWorkbench {};

}  // namespace

TEST_F(TranslationDialogs, StartsByPixelsAndKeepsTheOffsetsWithinTheImage) {
    CUtilidadView* view = Open("mover.bmp", RandomImage(40, 24, 24, 3));
    CTraslacionDlg dialog(view);
    EXPECT_EQ(dialog.windowTitle(), "Traslación de mover.bmp");
    EXPECT_TRUE(dialog.keepSize->isChecked());
    EXPECT_TRUE(dialog.relative->isChecked());
    EXPECT_EQ(dialog.dxEdit->text(), "2");  // width div 16
    EXPECT_EQ(dialog.dyEdit->text(), "1");
    EXPECT_EQ(dialog.distanceEdit->text(), "40");
    EXPECT_EQ(dialog.alphaEdit->text(), "5");
    EXPECT_EQ(dialog.betaEdit->text(), "45");
    EXPECT_FALSE(dialog.alphaEdit->isEnabled());
    EXPECT_TRUE(dialog.dxEdit->isEnabled());
    EXPECT_EQ(dialog.currentSize->text(), "Tamaño Actual:     40 x 24");
    EXPECT_EQ(dialog.resultSize->text(), "Nuevo Tamaño:    40 x 24");

    // Offsets beyond the size become the size; the spins stop there.
    Type(dialog.dxEdit, "55");
    Leave(dialog.dxEdit);
    EXPECT_EQ(dialog.Dx(), 40);
    EXPECT_EQ(dialog.dxEdit->text(), "40");
    dialog.SpinDx(+1);
    EXPECT_EQ(dialog.Dx(), 40);
    Type(dialog.dyEdit, "-99");
    Leave(dialog.dyEdit);
    EXPECT_EQ(dialog.Dy(), -24);
    dialog.SpinDy(-1);
    EXPECT_EQ(dialog.Dy(), -24);
    dialog.SpinDy(+1);
    EXPECT_EQ(dialog.Dy(), -23);
    // "Preservar Proporciones": dy follows dx and cannot be typed.
    Type(dialog.dxEdit, "-5");
    Leave(dialog.dxEdit);
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
    CVelora expected = original;
    ASSERT_EQ(expected.Translate(0, -6, -6, 0x0000FF), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    EXPECT_EQ(view->Document().History().Description(0), "Traslación");
    EXPECT_EQ(view->Document().History().Position(), 1);
}

TEST_F(TranslationDialogs, ByAngleShowsTheReadoutAndSavesItsParameterFile) {
    CUtilidadView* view = Open("angulo.bmp", RandomImage(64, 32, 8, 5));
    CTraslacionDlg dialog(view);
    const MonitorGeometry monitors = QueryMonitorGeometry();
    EXPECT_EQ(dialog.Monitors().monitors, monitors.monitors);
    EXPECT_TRUE(dialog.monitorInfo->text().contains(
        QString("- Cálculos relativos al monitor: %1").arg(monitors.monitors)));
    // Palette images start with the colour of their first entry.
    const RGBQUAD first = original.GetPaletteData()[0];
    EXPECT_EQ(dialog.background->ColourRef(),
              std::uint32_t(first.rgbRed) | std::uint32_t(first.rgbGreen) << 8 | std::uint32_t(first.rgbBlue) << 16);

    dialog.byAngle->click();
    EXPECT_TRUE(dialog.alphaEdit->isEnabled());
    EXPECT_FALSE(dialog.dxEdit->isEnabled());
    EXPECT_FALSE(dialog.preserve->isEnabled());
    Type(dialog.alphaEdit, "95");
    Leave(dialog.alphaEdit);
    EXPECT_EQ(dialog.alphaEdit->text(), "80");
    Type(dialog.betaEdit, "90");
    Leave(dialog.betaEdit);
    Type(dialog.alphaEdit, "2,5");
    Leave(dialog.alphaEdit);
    EXPECT_FLOAT_EQ(dialog.Alpha(), 2.5f);
    DisplacementReadout expectedReadout;
    ASSERT_EQ(CVelora::AngularDisplacement(40, 2.5f, 90, monitors, expectedReadout), 0u);
    EXPECT_EQ(dialog.Readout().dx, expectedReadout.dx);
    EXPECT_EQ(dialog.Readout().dy, 0);
    EXPECT_TRUE(dialog.components->text().contains(QString("(%1, 0 píx.)").arg(expectedReadout.dx)));

    // The file: five lines in CR LF, the distance line fixed whatever the box says.
    Type(dialog.distanceEdit, "57");
    Leave(dialog.distanceEdit);
    dialog.background->SetColourRef(0x00FF8040);
    const auto askedBefore = COperationDialog::askSavePath;
    const std::string path = dir + "/traslacion.CfgTranslation";
    QString filterAsked;
    COperationDialog::askSavePath = [&](QWidget*, const QString& filter, const QString&) {
        filterAsked = filter;
        return QString::fromStdString(path);
    };
    dialog.saveButton()->click();
    COperationDialog::askSavePath = askedBefore;
    EXPECT_EQ(filterAsked, "Archivos CfgTranslation (*.CfgTranslation)");
    EXPECT_EQ(ReadFile(path), Bytes("ORIGINAL IMAGE SIZE\r\nFILL COLOR=16744512\r\nDISTANCE = 40 cm\r\n"
                                    "ANGLE ALPHA=2.5000\r\nANGLE BETA=90.0000\r\n"));

    dialog.accept();
    CVelora expected = original;
    DisplacementReadout readout;
    ASSERT_EQ(expected.TranslateByAngle(1, 57, 2.5f, 90, 0x00FF8040, readout, monitors), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    EXPECT_EQ(view->Document().History().Position(), 1);
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
