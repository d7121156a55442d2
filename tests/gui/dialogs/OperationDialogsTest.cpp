// Operation dialogs as a user drives them: previews that Cancel takes back, one undo step
// per OK, typed values taken when finished, the parameter file's bytes, and step-by-step runs.
#include <QCheckBox>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <set>

#include "ChildFrame.h"
#include "CommandRegistry.h"
#include "CustomDialogs.h"
#include "GenericOperationDialog.h"
#include "InstallDialogs.h"
#include "IntensityDialogs.h"
#include "ToolWindowHost.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

class OperationDialogs : public DialogWorkbench {
protected:
    CUtilidadView* Open(const std::string& name, int depth = 24, int width = 64, int height = 48) {
        CUtilidadView* view = OpenImage(name, RandomImage(width, height, depth, 7));
        original = view->Document().Image();
        return view;
    }
    bool SameAsOriginal(const CVelora& image) const {
        return Block(image) == Block(original);
    }
};

}  // namespace

TEST_F(OperationDialogs, CancelAfterManyPreviewsLeavesImageHistoryAndFlagAsTheyWere) {
    CUtilidadView* view = Open("cancel.bmp");
    CUtilidadDoc& doc = view->Document();
    CGenericOperationDialog dialog(view, kCmdBrightness);
    CSliderEdit* percent = dialog.SliderEdit("percent");
    ASSERT_NE(percent, nullptr);
    dialog.show();
    for (int position : {10, 40, -60, 100, -100, 35}) {
        percent->Slider()->setValue(position);
        EXPECT_EQ(percent->Text(), QString::number(position));
    }
    EXPECT_FALSE(SameAsOriginal(doc.Image()));  // the preview is on the document's image
    dialog.reject();
    EXPECT_TRUE(SameAsOriginal(doc.Image()));
    EXPECT_FALSE(doc.History().CanUndo());
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(OperationDialogs, OkAfterPreviewsAddsOneUndoStepHoldingTheImageFromBefore) {
    CUtilidadView* view = Open("ok.bmp");
    CUtilidadDoc& doc = view->Document();
    CGammaDlg dialog(view);
    dialog.show();
    EXPECT_EQ(dialog.gammaEdit->text(), "1 ");
    for (int i = 0; i < 4; ++i) dialog.Spin(-1);  // four clicks on the up arrow
    dialog.Spin(+1);
    EXPECT_EQ(dialog.gammaEdit->text(), "1.15");
    dialog.accept();

    CVelora expected = original;
    ASSERT_EQ(expected.Gamma(dialog.Gamma()), 0u);
    EXPECT_EQ(Block(doc.Image()), Block(expected));
    EXPECT_EQ(doc.History().Position(), 1);
    EXPECT_EQ(doc.History().Description(0), "Corrección Gamma");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(Frame().TimingText().startsWith("Tiempo de Cálculo Transformación Gamma: ")) << Frame().TimingText().toStdString();
    EXPECT_TRUE(Frame().TimingText().endsWith(" seg."));
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(SameAsOriginal(doc.Image()));
}

TEST_F(OperationDialogs, TypedValuesWaitWhileTypingAndAreClampedWhenFinished) {
    CUtilidadView* view = Open("typed.bmp");
    CGenericOperationDialog dialog(view, kCmdBrightness);
    CSliderEdit* percent = dialog.SliderEdit("percent");
    dialog.show();
    EXPECT_EQ(percent->Slider()->minimum(), -100);
    EXPECT_EQ(percent->Slider()->maximum(), 100);
    EXPECT_EQ(percent->Slider()->tickInterval(), 20);
    Type(percent->Edit(), "250");
    EXPECT_EQ(percent->Text(), "250");  // the text is the user's while typing
    EXPECT_EQ(percent->Value(), 25);    // "25" on the way was in range: taken and previewed
    EXPECT_EQ(percent->Slider()->value(), 25);
    CVelora expected = original;
    ASSERT_EQ(expected.Brightness(25), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    Leave(percent->Edit());
    EXPECT_EQ(percent->Value(), 100);
    EXPECT_EQ(percent->Text(), "100");
    EXPECT_EQ(percent->Slider()->value(), 100);

    Type(percent->Edit(), "-7.9");
    EXPECT_EQ(percent->Value(), -7);
    EXPECT_EQ(percent->Slider()->value(), -7);
    Leave(percent->Edit());
    EXPECT_EQ(percent->Text(), "-7.9");  // in range: truncated, the text stays
    Type(percent->Edit(), "1e999");      // an overflowing number clamps, it does not wrap
    Leave(percent->Edit());
    EXPECT_EQ(percent->Value(), 100);
    EXPECT_EQ(percent->Text(), "100");
    Type(percent->Edit(), "-");  // unfinished: nothing taken
    EXPECT_EQ(percent->Value(), 100);
    Type(percent->Edit(), "abc");
    Leave(percent->Edit());
    EXPECT_EQ(percent->Value(), 0);
    EXPECT_EQ(percent->Text(), "0");

    // "Aceptar" takes a box still being typed into as it will show it.
    Type(percent->Edit(), "-300");
    EXPECT_EQ(percent->Value(), -30);
    dialog.accept();
    EXPECT_EQ(percent->Text(), "-100");
    expected = original;
    ASSERT_EQ(expected.Brightness(-100), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
}

TEST_F(OperationDialogs, DecimalBoxesOfTheCustomDialogsFollowTheSameRule) {
    CUtilidadView* view = Open("gamma.bmp");
    CGammaDlg gamma(view);
    gamma.show();
    Type(gamma.gammaEdit, "-3");
    EXPECT_EQ(gamma.Gamma(), 1.0f);  // below zero: waits
    EXPECT_EQ(gamma.gammaEdit->text(), "-3");
    EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
    Leave(gamma.gammaEdit);
    EXPECT_EQ(gamma.Gamma(), 0.0f);
    EXPECT_EQ(gamma.gammaEdit->text(), "0");
    gamma.Spin(+1);  // below zero stays at zero
    EXPECT_EQ(gamma.gammaEdit->text(), "0.00");
    Type(gamma.gammaEdit, "2,5");
    EXPECT_FLOAT_EQ(gamma.Gamma(), 2.5f);
    Type(gamma.gammaEdit, "-1");
    gamma.Spin(-1);  // the arrows step from what the box shows once finished: 0 + 0.05
    EXPECT_EQ(gamma.gammaEdit->text(), "0.05");
    gamma.reject();
    EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
}

TEST_F(OperationDialogs, BrightnessParameterFileHoldsTheTypedTextWithCrLf) {
    CUtilidadView* view = Open("params.bmp");
    CGenericOperationDialog dialog(view, kCmdBrightness);
    const std::string path = dir + "/brillo.CfgBrillo";
    QString filterAsked;
    COperationDialog::askSavePath = [&](QWidget*, const QString& filter, const QString&) {
        filterAsked = filter;
        return QString::fromStdString(path);
    };
    Type(dialog.SliderEdit("percent")->Edit(), "35");
    dialog.saveButton()->click();
    EXPECT_EQ(filterAsked, "Archivos CfgBrillo (*.CfgBrillo)");
    EXPECT_EQ(ReadFile(path), Bytes("% INCREMENTO BRILLO=35\r\n"));

    COperationDialog::askSavePath = [](QWidget*, const QString&, const QString&) { return QString(); };
    dialog.saveButton()->click();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last(), "Salvando Parámetros de Brillo|Error al crear el archivo");

    // A folder that does not exist cannot hold the file: said so, not silently dropped.
    COperationDialog::askSavePath = [&](QWidget*, const QString&, const QString&) {
        return QString::fromStdString(dir + "/no/such/folder/b.CfgBrillo");
    };
    dialog.saveButton()->click();
    EXPECT_TRUE(messages.last().startsWith("Salvando Parámetros de Brillo|Error al crear el archivo\n"));
    dialog.reject();
}

TEST_F(OperationDialogs, TitlesJoinThePrefixWithTheImageName) {
    CUtilidadView* view = Open("titulo.bmp");
    EXPECT_EQ(CGenericOperationDialog(view, kCmdBrightness).windowTitle(), "Modificación del Brillo a titulo.bmp");
    EXPECT_EQ(CGammaDlg(view).windowTitle(), "Corrección Gamma");  // no prefix: the caption stays
    view->Document().Image().SetName("sinpunto");
    EXPECT_EQ(CGenericOperationDialog(view, kCmdNegative).windowTitle(), "Negativo de .");

    // However narrow its controls, a dialog is wide enough for its whole title and the
    // title bar's buttons.
    view->Document().Image().SetName("una_imagen_de_clase_con_un_nombre_muy_largo_00_24.bmp");
    CGenericOperationDialog negative(view, kCmdNegative);
    negative.show();
    QFont bold = negative.font();
    bold.setBold(true);
    const int title = QFontMetrics(bold).horizontalAdvance(negative.windowTitle());
    EXPECT_GE(negative.minimumSizeHint().width(), title + 60) << title;
    EXPECT_GE(negative.width(), title + 60) << title;
}

TEST_F(OperationDialogs, NegativeBoxesPreviewEachClick) {
    CUtilidadView* view = Open("negative.bmp");
    CGenericOperationDialog dialog(view, kCmdNegative);
    dialog.show();
    // Four boxes in the frame "Aplicar a", none ticked.
    for (const char* name : {"luminance", "red", "green", "blue"}) {
        ASSERT_NE(dialog.CheckBox(name), nullptr) << name;
        EXPECT_FALSE(dialog.CheckBox(name)->isChecked());
    }
    EXPECT_EQ(dialog.CheckBox("red")->text(), "Rojo");
    auto* box = qobject_cast<QGroupBox*>(dialog.CheckBox("luminance")->parentWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->title(), "Aplicar a");
    EXPECT_EQ(dialog.CheckBox("blue")->parentWidget(), box);
    EXPECT_EQ(dialog.saveButton(), nullptr);
    EXPECT_EQ(dialog.previewBox(), nullptr);
    dialog.CheckBox("red")->click();
    CVelora expected = original;
    expected.Negative(0, 1, 0, 0);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    dialog.CheckBox("red")->click();
    EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
    dialog.reject();
}

TEST_F(OperationDialogs, LinearContrastStartsFromTheLevelsPresentAndKeepsRangesOrdered) {
    CVelora gray = CVelora::WithTable(32, 8, 8, 256);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 32; ++x) gray.SetPixel(x, y, std::uint32_t(40 + (x * 5 + y) % 161));
    CUtilidadView* view = OpenImage("levels.bmp", gray);
    const CVelora before = view->Document().Image();  // the previews go on the document's image
    CContrasteTransfLinealDlg dialog(view);
    dialog.show();
    dialog.previewBox()->click();
    EXPECT_EQ(dialog.inMin->Value(), 40);
    EXPECT_EQ(dialog.inMax->Value(), 200);
    EXPECT_EQ(dialog.outMin->Value(), 0);
    EXPECT_EQ(dialog.outMax->Value(), 255);
    Type(dialog.inMin->Edit(), "230");  // beyond the input maximum: waits for the user to finish
    EXPECT_EQ(dialog.inMin->Value(), 40);
    Leave(dialog.inMin->Edit());
    EXPECT_EQ(dialog.inMin->Value(), 200);
    EXPECT_EQ(dialog.inMin->Text(), "200");
    dialog.inMax->Slider()->setValue(10);  // below the input minimum: the slider goes back
    EXPECT_EQ(dialog.inMax->Value(), 200);
    EXPECT_EQ(dialog.inMax->Slider()->value(), 200);
    dialog.inMin->Slider()->setValue(100);
    // "1" and "18" on the way to "180" lie below the minimum: they neither preview nor
    // rewrite the box. Enter finishes the box and accepts.
    Type(dialog.inMax->Edit(), "18");
    EXPECT_EQ(dialog.inMax->Text(), "18");
    EXPECT_EQ(dialog.inMax->Value(), 200);
    CVelora expected = before;
    ASSERT_EQ(expected.LinearContrast(100, 200, 0, 255, 1, 0, 0, 0), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    QTest::keyClicks(dialog.inMax->Edit(), "0");
    EXPECT_EQ(dialog.inMax->Value(), 180);
    QTest::keyClick(dialog.inMax->Edit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    expected = before;
    ASSERT_EQ(expected.LinearContrast(100, 180, 0, 255, 1, 0, 0, 0), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    EXPECT_EQ(view->Document().History().Position(), 1);
}

TEST_F(OperationDialogs, StepByStepRunClosesToolWindowsShowsProgressAndGivesTheFastResult) {
    CUtilidadView* view = Open("steps.bmp", 24, 24, 5);
    Frame().Execute(kCmdImageInfo);
    Settle();
    ASSERT_NE(Frame().Tools().Find(kCmdImageInfo), nullptr);
    Frame().SetStepByStep(true);

    CContrasteDlg dialog(view);
    dialog.show();
    EXPECT_TRUE(dialog.windowTitle().endsWith(" - EJECUCIÓN PASO A PASO"));
    EXPECT_EQ(dialog.progressLabel()->text(), "Modificación del Contraste con Funciones No Lineales");
    // Every progress text is painted at once; the filter records what each paint shows.
    QStringList texts;
    struct PaintRecorder : QObject {
        QStringList* texts;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                const QString text = static_cast<QLabel*>(watched)->text();
                if (texts->isEmpty() || texts->last() != text) *texts << text;
            }
            return false;
        }
    } recorder;
    recorder.texts = &texts;
    dialog.progressLabel()->installEventFilter(&recorder);
    dialog.function[2]->click();  // square root: the preview box is unchecked, nothing runs
    EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
    dialog.previewBox()->click();
    EXPECT_EQ(Frame().Tools().Find(kCmdImageInfo), nullptr);
    EXPECT_EQ(dialog.progressLabel()->text(), "   Operación Finalizada ...         ");
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    const QString phase = "  Aplicando FUNCIÓN RAÍZ CUADRADA ... ";
    const QStringList expectedTexts = {phase, phase + "20%", phase + "40%", phase + "60%", phase + "80%",
                                       phase + "100%", "   Operación Finalizada ...         "};
    EXPECT_EQ(texts.join("|").toStdString(), expectedTexts.join("|").toStdString());
    dialog.progressLabel()->removeEventFilter(&recorder);

    CVelora expected = original;
    ASSERT_EQ(expected.NonLinearContrast(0, 2, 0.5f), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    dialog.accept();  // the run on show is the result; it does not run again
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    EXPECT_EQ(view->Document().History().Position(), 1);
    ASSERT_TRUE(view->Document().Undo());
    EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
}

TEST_F(OperationDialogs, NonLinearPreviewsInTheActiveModelGiveThePlainCallsBytes) {
    CUtilidadView* view = Open("models.bmp");
    for (int model : {kModelHSI, kModelCIELAB, kModelHSV}) {
        Frame().SetColorModel(model);
        CContrasteDlg dialog(view);
        dialog.show();
        dialog.previewBox()->click();
        for (int function : {3, 6, 0}) {
            dialog.function[std::size_t(function)]->click();
            CVelora expected = original;
            ASSERT_EQ(expected.NonLinearContrast(model, function, 0.5f), 0u);
            EXPECT_EQ(Block(view->Document().Image()), Block(expected)) << model << " f" << function;
        }
        dialog.reject();
        EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
    }
    Frame().SetColorModel(kModelRGB);
}

TEST_F(OperationDialogs, NonLinearAlphaIsEditableOnlyForTheSigmoidsAndClamped) {
    CUtilidadView* view = Open("alpha.bmp");
    CContrasteDlg dialog(view);
    dialog.show();
    EXPECT_FALSE(dialog.windowTitle().endsWith(" - EJECUCIÓN PASO A PASO"));
    EXPECT_TRUE(dialog.alphaEdit->isReadOnly());
    EXPECT_EQ(dialog.alphaEdit->text(), "0,5");
    dialog.function[5]->click();
    EXPECT_FALSE(dialog.alphaEdit->isReadOnly());
    Type(dialog.alphaEdit, "0,25");
    EXPECT_FLOAT_EQ(dialog.Alpha(), 0.25f);
    Type(dialog.alphaEdit, "7");
    EXPECT_FLOAT_EQ(dialog.Alpha(), 0.25f);
    EXPECT_EQ(dialog.alphaEdit->text(), "7");
    Leave(dialog.alphaEdit);
    EXPECT_EQ(dialog.Alpha(), 1.0f);
    EXPECT_EQ(dialog.alphaEdit->text(), "1");
    // Cancelled while the box is still being typed into: nothing previews on the way out.
    Type(dialog.alphaEdit, "-5");
    dialog.reject();
    Settle();
    EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
}

TEST_F(OperationDialogs, EqualizeAndSplitOpenNewWindowsNamedAfterTheActiveModel) {
    CUtilidadView* view = Open("modelos.bmp", 32, 20, 10);
    Frame().SetColorModel(kModelHSV);
    Frame().Execute(kCmdEqualize);
    Settle();
    CUtilidadDoc* equalized = Frame().ActiveDocument();
    ASSERT_NE(equalized, &view->Document());
    EXPECT_EQ(equalized->Title(), "Ecualización HSV de modelos.bmp");
    CVelora expected = original;
    ASSERT_EQ(expected.Equalize(kModelHSV, 0), 0u);
    EXPECT_EQ(Block(equalized->Image()), Block(expected));
    EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
    EXPECT_TRUE(Frame().TimingText().startsWith("Tiempo de Ecualizar Histograma HSV: "));

    Frame().SetColorModel(kModelRGB);
    Frame().MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
    const int before = int(Frame().Children().size());
    Frame().Execute(kCmdSplit);
    Settle();
    QStringList titles;
    for (CChildFrame* child : Frame().Children()) titles << QString::fromStdString(child->View()->Document().Title());
    EXPECT_EQ(int(Frame().Children().size()), before + 4);
    for (const char* component : {"R", "G", "B", "CANAL ALFA"})
        EXPECT_TRUE(titles.contains(QString("Componente %1 de modelos.bmp").arg(component))) << component;
    EXPECT_EQ(Frame().ActiveDocument()->Image().GetPixel(3, 4), original.GetAlfa(3, 4));
}

TEST_F(OperationDialogs, InstalledCommandsOpenTheirDialogOnTheActiveImage) {
    struct Recorder : CCommandRegistry {
        std::set<int> ids;
        void SetCommandHandler(int id, std::function<void()>) override { EXPECT_TRUE(ids.insert(id).second) << id; }
    } recorder;
    InstallDialogCommands(recorder, Frame().Workbench());
    std::set<int> expected = {kCmdColorConversion, kCmdLoadPalette, kCmdSavePalette, kCmdEditPalette, kCmdSwapPalettes,
                               kCmdInterlace, kCmdConvolution};
    for (const auto& op : velora::catalog::Operations())
        for (const auto& command : op.commands)
            if (command.dialog) expected.insert(command.id);
    EXPECT_EQ(recorder.ids, expected);
    EXPECT_GE(expected.size(), 6u);

    // Through the frame's menu command: the dialog opens modal over the active image.
    CUtilidadView* view = Open("menu.bmp");
    QString title;
    QTimer::singleShot(0, [&title] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle();
            dialog->reject();
        }
    });
    Frame().Execute(kCmdGamma);
    EXPECT_EQ(title.toStdString(), "Corrección Gamma");
    EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
}
