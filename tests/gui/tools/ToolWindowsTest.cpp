// The histogram and colour-model windows: following the active image, the read-out, the
// equalization preview that leaves no trace, and the active model driving the commands.
#include <QAction>
#include <QButtonGroup>
#include <QLineEdit>
#include <QSpinBox>
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTabBar>

#include "ColorConversionDlg.h"
#include "ColorModelWindow.h"
#include "HistogramWindow.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

CHistogramaDlg* HistogramWindow(CMainFrame& frame) {
    return dynamic_cast<CHistogramaDlg*>(frame.ToolWindow(CMainFrame::kHistogram));
}

}  // namespace

TEST_F(Workbench, HistogramWindowFollowsTheActiveImage) {
    CVelora dark = CVelora::WithTable(10, 10, 8, 256), bright = dark;
    dark.Initialize(20);
    bright.Initialize(200);
    bright.SetPixel(0, 0, 201);
    CUtilidadView* first = OpenImage("oscura.bmp", dark);
    OpenImage("clara.bmp", bright);
    Frame().Execute(kCmdHistogram);
    Settle();
    CHistogramaDlg* window = HistogramWindow(Frame());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Histograma de clara.bmp");
    EXPECT_EQ(window->modeLabel->text(), "Nº Máximo de Píxeles: 99 en Nivel 200");
    EXPECT_EQ(window->rangeLabel->text(), "Mín (99 píxeles en Nivel 200) \nMáx (1 píxeles en Nivel 201)");
    window->ShowLevel(201);
    EXPECT_EQ(window->readout->text(), "Nivel: 201  Número de Píxeles: 1");
    window->ShowLevel(-1);
    EXPECT_EQ(window->readout->text(), QString(16, ' '));
    EXPECT_EQ(CHistogramCanvas::LevelAt(CHistogramCanvas::kMargin + 10 * CHistogramCanvas::kLevelWidth), 10);
    EXPECT_EQ(CHistogramCanvas::LevelAt(CHistogramCanvas::kMargin - 1), -1);

    Frame().MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    Settle();
    window->Refresh();  // as on activation
    EXPECT_EQ(window->windowTitle(), "Histograma de oscura.bmp");
    EXPECT_EQ(window->modeLabel->text(), "Nº Máximo de Píxeles: 100 en Nivel 20");
}

TEST_F(Workbench, HistogramPreviewLeavesNoTraceAndEqualizeIsOneUndoStep) {
    CUtilidadView* view = OpenImage("ecualizar.bmp", RandomImage(30, 20, 24, 3));
    const CVelora original = view->Document().Image();
    Frame().Execute(kCmdHistogram);
    Settle();
    CHistogramaDlg* window = HistogramWindow(Frame());
    ASSERT_NE(window, nullptr);
    window->preview->click();
    CVelora expected = original;
    expected.Equalize(0, 0);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    window->rounding[1]->click();  // another rounding: again from the image before the preview
    expected = original;
    expected.Equalize(0, 1);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    window->preview->click();
    EXPECT_EQ(Block(view->Document().Image()), Block(original));
    EXPECT_FALSE(view->Document().History().CanUndo());
    EXPECT_FALSE(view->Document().IsModified());

    window->preview->click();
    window->Equalize();
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    EXPECT_EQ(view->Document().History().Position(), 1);
    EXPECT_EQ(view->Document().History().Description(0), "Ecualizar Histograma");
    EXPECT_TRUE(Frame().TimingText().startsWith("Tiempo de Ecualización: "));
    ASSERT_TRUE(view->Document().Undo());
    EXPECT_EQ(Block(view->Document().Image()), Block(original));

    // Closing the window during a preview takes the preview back.
    window->preview->click();
    window->close();
    Settle();
    EXPECT_EQ(Block(view->Document().Image()), Block(original));
}

TEST_F(Workbench, ActiveModelWindowSetsTheModelAndTheCommandsFollow) {
    OpenImage("modelo.bmp", RandomImage(8, 8, 24, 4));
    Frame().Execute(kCmdColorModel);
    Settle();
    auto* window = dynamic_cast<CSeleccModeloColorDlg*>(Frame().ToolWindow(CMainFrame::kColorModelSlot));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->model[0]->isChecked());
    EXPECT_TRUE(Frame().Action(kCmdBrightness)->isEnabled());
    window->model[kModelHSV]->click();
    EXPECT_EQ(Frame().ColorModel(), kModelHSV);
    EXPECT_FALSE(Frame().Action(kCmdBrightness)->isEnabled());  // an RGB-only operation
    EXPECT_TRUE(Frame().Action(kCmdEqualize)->isEnabled());
    Frame().SetColorModel(kModelRGB);
    EXPECT_TRUE(window->model[0]->isChecked());
    EXPECT_TRUE(Frame().Action(kCmdBrightness)->isEnabled());
}

TEST_F(Workbench, ConversionDialogShowsEveryModelAndConvertsCmykBack) {
    CConversionValoresModelosColorDlg dialog(&Frame());
    dialog.SetColour(0x000000);
    const auto& hsv = dialog.rows[2];  // CMYK, HSI, HSV, ...
    EXPECT_EQ(hsv.components[0]->text(), "254.0000");
    hsv.ranges->button(2)->click();
    EXPECT_EQ(hsv.components[0]->text(), "359.0000");

    dialog.hexEdit->setText("80");  // not six digits: the colour stays
    EXPECT_EQ(dialog.Colour(), 0u);
    dialog.SetColour(0x808080);
    const auto& cmyk = dialog.rows[0];
    EXPECT_EQ(cmyk.components[3]->text(), "127.0000");
    cmyk.components[1]->setText("300");  // beyond the range: reset to 0
    cmyk.components[3]->setText("0");
    cmyk.components[0]->selectAll();
    QTest::keyClicks(cmyk.components[0], "0");
    EXPECT_EQ(cmyk.components[1]->text(), "0");
    EXPECT_EQ(dialog.rgb[0]->value(), 255);  // C = M = K = 0, Y = 127
    EXPECT_EQ(dialog.rgb[1]->value(), 255);
    EXPECT_EQ(dialog.rgb[2]->value(), 127);  // 255 * (1 - 127/255) in single precision, truncated
    EXPECT_EQ(dialog.hexEdit->text().size(), 6);
}
