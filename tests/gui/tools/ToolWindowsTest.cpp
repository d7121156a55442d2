// The tool windows and their docks; the histogram, colour-model and conversion windows as the user drives them.
#include <QDockWidget>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>

#include "ColorConversionDlg.h"
#include "ColorModelWindow.h"
#include "HistogramWindow.h"
#include "ToolWindowHost.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

class ToolWindows : public Workbench {
protected:
    CHistogramaDlg* OpenHistogram() {
        RunCommand(kCmdHistogram);
        return dynamic_cast<CHistogramaDlg*>(Frame().Tools().Find(kCmdHistogram));
    }
    static QString Mode(int count, int level) { return QString("Nº Máximo de Píxeles: %1 en Nivel %2").arg(count).arg(level); }
};

}  // namespace

TEST_F(ToolWindows, EachOpensTimedAndTheUsualOnesShareOneTabbedAreaBesideTheImages) {
    config->switches.modelessOnTop = 1;
    Frame().resize(1366, 768);
    // A result's long name: the tabs still read whole.
    OpenImage("Negativo de Rotación de Escalado de la fotografía de prueba.bmp", RandomImage(20, 10, 24, 2));
    QList<QDockWidget*> docks;
    for (const ToolWindowKind& kind : Frame().Tools().Kinds()) {
        RunCommand(kind.commandId);
        QWidget* window = Frame().Tools().Find(kind.commandId);
        ASSERT_NE(window, nullptr) << kind.name;
        EXPECT_TRUE(window->isVisible()) << kind.name;
        QDockWidget* dock = Frame().Tools().DockOf(kind.commandId);
        EXPECT_EQ(dock != nullptr, kind.docked) << kind.name;
        if (!dock) continue;
        EXPECT_TRUE(dock->isAncestorOf(window));
        EXPECT_EQ(Frame().dockWidgetArea(dock), Qt::RightDockWidgetArea);
        docks << dock;
    }
    ASSERT_GE(docks.size(), 4);
    EXPECT_EQ(Frame().tabifiedDockWidgets(docks[0]).size(), docks.size() - 1);

    // All fit beside the images on a small screen, clear of the status bar; each tab shows its whole title.
    Settle();
    EXPECT_EQ(Frame().size(), QSize(1366, 768));
    EXPECT_GT(Frame().centralWidget()->width(), 600);
    for (QDockWidget* dock : docks) {
        dock->raise();
        Settle();
        const QRect place = dock->geometry();
        EXPECT_TRUE(Frame().rect().contains(place) && !place.intersects(Frame().statusBar()->geometry()) &&
                    !place.intersects(Frame().centralWidget()->geometry()))
            << dock->windowTitle().toStdString();
    }
    QTabBar* tabs = nullptr;
    for (QTabBar* bar : Frame().findChildren<QTabBar*>())
        if (bar->isVisible() && bar->count() == docks.size()) tabs = bar;
    ASSERT_NE(tabs, nullptr);
    for (int i = 0; i < tabs->count(); ++i) {
        EXPECT_FALSE(tabs->tabText(i).contains("fotografía")) << tabs->tabText(i).toStdString();
        EXPECT_GE(tabs->tabRect(i).width(), tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)) + 8)
            << tabs->tabText(i).toStdString();
    }

    // With one screen the second-monitor window opens over the images, hiding no control.
    QWidget* second = Frame().Tools().Find(kCmdSecondMonitor);
    const QRect images(Frame().centralWidget()->mapToGlobal(QPoint(0, 0)), Frame().centralWidget()->size());
    EXPECT_TRUE(images.contains(second->frameGeometry())) << second->frameGeometry().y();

    Frame().Execute(kCmdCloseToolWindows);
    for (const ToolWindowKind& kind : Frame().Tools().Kinds()) EXPECT_EQ(Frame().Tools().Find(kind.commandId), nullptr);
    Settle();
    for (QDockWidget* dock : docks) EXPECT_FALSE(dock->isVisible());
}

TEST_F(ToolWindows, FloatingOnesStayOverTheMainWindowAndOnScreenKeepTheirPlaceAndCloseTheirWindow) {
    config->switches.modelessOnTop = 1;
    OpenImage("flota.bmp", RandomImage(20, 10, 24, 2));
    CHistogramaDlg* window = OpenHistogram();
    ASSERT_NE(window, nullptr);
    QDockWidget* dock = Frame().Tools().DockOf(kCmdHistogram);
    dock->setFloating(true);
    Settle();
    // Over the main window, below its dialogs; its caption is the window's own (naming the image), and fits.
    EXPECT_EQ(dock->windowType(), Qt::Tool);
    EXPECT_EQ(dock->parentWidget(), &Frame());
    EXPECT_FALSE(dock->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dock->windowTitle(), window->windowTitle());
    EXPECT_GE(dock->width(), QFontMetrics(dock->font()).horizontalAdvance(dock->windowTitle()));

    // Left partly off the screen, it comes back whole when the window opens again.
    const QRect screen = dock->screen()->availableGeometry();
    dock->move(screen.left() + 10, screen.bottom() - 30);
    ASSERT_NE(OpenHistogram(), nullptr);
    EXPECT_TRUE(dock->isFloating());
    EXPECT_TRUE(screen.contains(dock->frameGeometry())) << dock->frameGeometry().bottom();

    // Its place is kept for the next run: hidden until the window opens, then where it was left.
    const QRect left(120, 40, dock->width(), 400);
    dock->setGeometry(left);
    Settle();
    ASSERT_TRUE(Frame().close());
    frame.reset();
    dock = Frame().Tools().DockOf(kCmdHistogram);
    EXPECT_TRUE(dock->isFloating() && !dock->isVisible());
    OpenImage("flota.bmp", RandomImage(20, 10, 24, 2));
    ASSERT_NE(OpenHistogram(), nullptr);
    EXPECT_EQ(dock->geometry(), left);

    // The dock's own close button closes the window inside.
    dock->close();
    Settle();
    EXPECT_EQ(Frame().Tools().Find(kCmdHistogram), nullptr);
    EXPECT_FALSE(dock->isVisible());
}

TEST_F(ToolWindows, HistogramFollowsTheActiveImageReadsLevelsOnEachChannelAndCatchesUpInFront) {
    CVelora dark = CVelora::WithTable(10, 10, 8, 256), bright = dark;
    dark.Initialize(20);
    bright.Initialize(200);
    bright.SetPixel(0, 0, 201);
    CUtilidadView* first = OpenImage("oscura.bmp", dark);
    OpenImage("clara.bmp", bright);
    CHistogramaDlg* window = OpenHistogram();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->modeLabel->text(), Mode(99, 200));

    // The read-out from a real mouse move: the level is the offset after the margin.
    const int x = CHistogramCanvas::kMargin + 201 * CHistogramCanvas::kLevelWidth + 1;
    QMouseEvent move(QEvent::MouseMove, QPointF(x, 20), window->canvas->mapToGlobal(QPointF(x, 20)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window->canvas, &move);
    EXPECT_EQ(window->readout->text(), "Nivel: 201  Número de Píxeles: 1");
    EXPECT_EQ(CHistogramCanvas::LevelAt(CHistogramCanvas::kMargin + 256 * CHistogramCanvas::kLevelWidth), -1);
    Activate(first);
    EXPECT_TRUE(window->windowTitle().endsWith("oscura.bmp"));
    EXPECT_EQ(window->modeLabel->text(), Mode(100, 20));

    // A tab behind another reads a changed image only once brought to the front.
    RunCommand(kCmdImageInfo);
    ASSERT_TRUE(window->visibleRegion().isEmpty());
    first->Document().Image().Initialize(70);
    Frame().Workbench().DocumentChanged(first->Document(), false);
    Settle();
    EXPECT_EQ(window->modeLabel->text(), Mode(100, 20));
    Frame().Tools().DockOf(kCmdHistogram)->raise();
    Settle();
    EXPECT_EQ(window->modeLabel->text(), Mode(100, 70));

    // Each tab its channel, and the read-out follows the tab.
    CVelora colour(nullptr, nullptr, 4, 4, 24);
    colour.InitializeRGB(RGBQUAD{30, 20, 10, 0});  // blue, green, red
    OpenImage("canales.bmp", colour);
    const int levels[4] = {20, 10, 20, 30};  // luminance, red, green, blue
    for (int tab = 0; tab < 4; ++tab) {
        window->tabs->setCurrentIndex(tab);
        EXPECT_EQ(window->modeLabel->text(), Mode(16, levels[tab])) << tab;
    }
    window->ShowLevel(30);
    EXPECT_EQ(window->readout->text(), "Nivel: 30  Número de Píxeles: 16");
    window->tabs->setCurrentIndex(1);
    EXPECT_EQ(window->readout->text(), "Nivel: 30  Número de Píxeles: 0");
}

// The library's scaled histogram; direct colour's luminance, which the library leaves unscaled, scaled alike.
TEST(HistogramWindow, HeightsAreTheLibrarysScaledCounts) {
    for (const CVelora& image : {RandomImage(37, 23, 4, 4), RandomImage(30, 9, 8, 3, true), RandomImage(37, 23, 24, 24)}) {
        SCOPED_TRACE(image.GetBitCount());
        HistogramTable counts, scaled;
        InfoHistogram expected;
        ASSERT_EQ(image.Histogram(counts, 0), 0u);
        ASSERT_EQ(image.Histogram(scaled, CHistogramCanvas::kHeight), 0u);
        ASSERT_EQ(image.GetInfoHistogram(expected), 0u);
        const HistogramTable heights = HistogramHeightsOf(counts, CHistogramCanvas::kHeight);
        const bool direct = image.GetBitCount() >= 24;
        for (std::size_t level = 0; level < 256; ++level)
            for (std::size_t c = 0; c < 4; ++c)
                ASSERT_EQ(heights[level][c], direct && c == 0 ? std::int32_t(float(counts[level][0]) / float(expected.mode[0].count) *
                                                                             float(CHistogramCanvas::kHeight))
                                                              : scaled[level][c])
                    << level << "," << c;
    }
}

TEST_F(ToolWindows, PreviewLeavesNoTraceIsTakenBackWhenTheWindowGoesAndEqualizeIsOneUndoStep) {
    CUtilidadView* view = OpenImage("ecualizar.bmp", RandomImage(30, 20, 24, 3));
    CUtilidadDoc& doc = view->Document();
    const CVelora original = doc.Image();
    CHistogramaDlg* window = OpenHistogram();
    ASSERT_NE(window, nullptr);
    window->preview->click();
    CVelora expected;
    // Another rounding previews again from the image before the preview.
    for (int rounding : {0, 1}) {
        window->rounding[std::size_t(rounding)]->click();
        expected = original;
        expected.Equalize(0, rounding);
        EXPECT_EQ(Block(doc.Image()), Block(expected)) << rounding;
    }
    window->preview->click();
    EXPECT_EQ(Block(doc.Image()), Block(original));
    EXPECT_FALSE(doc.History().CanUndo());
    EXPECT_FALSE(doc.IsModified());

    window->preview->click();
    window->Equalize();
    EXPECT_FALSE(window->preview->isChecked());
    EXPECT_EQ(Block(doc.Image()), Block(expected));
    EXPECT_EQ(doc.History().Position(), 1);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Block(doc.Image()), Block(original));

    // An operation during a preview is not undone by ending it.
    window->preview->click();
    Frame().Execute(kCmdFlipVertical);
    QApplication::processEvents();  // the window re-reads the image on the next turn of the loop
    const CVelora flipped = doc.Image();
    EXPECT_FALSE(window->preview->isChecked());
    window->preview->click();
    window->preview->click();
    EXPECT_EQ(Block(doc.Image()), Block(flipped));
    EXPECT_EQ(doc.History().Position(), 1);

    // Another image made active, the window closed or opened afresh take the preview back.
    CUtilidadView* first = OpenImage("a.bmp", RandomImage(16, 12, 8, 5, true));
    CUtilidadView* second = OpenImage("b.bmp", RandomImage(16, 12, 24, 6));
    const CVelora originalFirst = first->Document().Image(), originalSecond = second->Document().Image();
    window->preview->click();
    ASSERT_NE(Block(second->Document().Image()), Block(originalSecond));
    Activate(first);
    EXPECT_EQ(Block(second->Document().Image()), Block(originalSecond));
    EXPECT_FALSE(window->preview->isChecked());

    window->preview->click();
    window->close();
    Settle();
    EXPECT_EQ(Block(first->Document().Image()), Block(originalFirst));

    // The command opens a fresh window in place of the old one, which is deleted unclosed.
    window = OpenHistogram();
    ASSERT_NE(window, nullptr);
    window->preview->click();
    window = OpenHistogram();
    EXPECT_EQ(Block(first->Document().Image()), Block(originalFirst));
    EXPECT_FALSE(first->Document().History().CanUndo());
}

TEST_F(ToolWindows, ActiveModelWindowSetsTheModelAndTheCommandsFollow) {
    OpenImage("modelo.bmp", RandomImage(8, 8, 24, 4));
    Frame().SetColorModel(kModelYIQ);
    RunCommand(kCmdColorModel);
    auto* window = dynamic_cast<CSeleccModeloColorDlg*>(Frame().Tools().Find(kCmdColorModel));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->model[kModelYIQ]->isChecked());  // opens on the current model
    window->model[kModelHSV]->click();
    EXPECT_EQ(Frame().ColorModel(), kModelHSV);
    EXPECT_FALSE(Frame().Action(kCmdBrightness)->isEnabled());  // RGB only
    Frame().SetColorModel(kModelRGB);
    EXPECT_TRUE(window->model[kModelRGB]->isChecked());
    EXPECT_TRUE(Frame().Action(kCmdBrightness)->isEnabled());
}

// The values are the colour models' own tests; here each row's range, the hex box, an edited row converted back.
TEST_F(ToolWindows, ConversionDialogShowsEveryModelInItsRangeAndCmykEditsConvertBack) {
    CConversionValoresModelosColorDlg dialog(&Frame());
    const auto& cmyk = dialog.rows[0];
    const auto& hsv = dialog.rows[2];  // CMYK, HSI, HSV, ...
    for (const auto* row : {&hsv, &cmyk}) row->ranges->button(2)->click();
    EXPECT_EQ(hsv.components[0]->text(), "359.0000");  // black: H and K at the top of their ranges
    EXPECT_EQ(cmyk.components[3]->text(), "1.0000");
    cmyk.ranges->button(1)->click();
    Type(dialog.hexEdit, "FFFFFF");
    Type(dialog.hexEdit, "12zz");  // text that is no colour keeps the last one
    EXPECT_EQ(dialog.Colour(), 0xFFFFFFu);
    EXPECT_LE(dialog.sizeHint().height(), 740);  // fits a small screen

    dialog.SetColour(0x808080);
    cmyk.components[1]->setText("300");  // beyond the range: reset to 0
    cmyk.components[3]->setText("0");
    Type(cmyk.components[0], "0");
    EXPECT_EQ(cmyk.components[1]->text(), "0");
    EXPECT_EQ(dialog.hexEdit->text(), "FFFF7F");  // C = M = K = 0, Y = 127: 255 * (1 - 127/255), truncated
    EXPECT_EQ(hsv.components[2]->text(), "1.0000");  // V of the new colour
}
