// Operation dialogs as a user drives them: previews that Cancel takes back, one undo step
// per OK, typed values taken when finished, the parameter file's bytes, and step-by-step runs.
#include "ToolWindowHost.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

class OperationDialogs : public DialogWorkbench {
protected:
    CUtilidadView* Open(const std::string& name, int depth = 24, int width = 64, int height = 48) {
        return DialogWorkbench::Open(name, RandomImage(width, height, depth, 7));
    }
    bool SameAsOriginal(const CVelora& image) const { return Block(image) == Block(original); }
};

}  // namespace

TEST_F(OperationDialogs, CancelAfterPreviewsRestoresTheImage) {
    CUtilidadView* view = Open("ok.bmp");
    CUtilidadDoc& doc = view->Document();
    CGenericOperationDialog dialog(view, kCmdBrightness);
    dialog.show();
    for (int position : {10, 40, -60, 100}) dialog.SliderEdit("percent")->Slider()->setValue(position);
    EXPECT_FALSE(SameAsOriginal(doc.Image()));  // the preview is on the document's image
    dialog.reject();
    EXPECT_TRUE(SameAsOriginal(doc.Image()));
    EXPECT_FALSE(doc.History().CanUndo());
    EXPECT_FALSE(doc.IsModified());
}

// The one typing rule of every number box: nothing is taken while typing; Enter or leaving
// the box takes the number, clamped and truncated, with a decimal comma or point.
TEST_F(OperationDialogs, TypedValuesAreTakenWhenFinishedClampedAndWithAComma) {
    CUtilidadView* view = Open("typed.bmp");
    CGenericOperationDialog dialog(view, kCmdBrightness);
    CSliderEdit* percent = dialog.SliderEdit("percent");
    dialog.show();
    Type(percent->Edit(), "25");
    EXPECT_EQ(percent->Value(), 0);  // "2" on the way to "25" is no value
    EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
    const struct {
        const char* typed;
        int value;
        const char* shown;
    } cases[] = {{"250", 100, "100"}, {"-7.9", -7, "-7.9"}, {"-7,9", -7, "-7,9"}, {"1e999", 100, "100"}, {"abc", 0, "0"}};
    for (const auto& c : cases) {
        Finish(percent->Edit(), c.typed);
        EXPECT_EQ(percent->Value(), c.value) << c.typed;
        EXPECT_EQ(percent->Text(), c.shown) << c.typed;
        EXPECT_EQ(percent->Slider()->value(), c.value) << c.typed;
    }
    CGenericOperationDialog gamma(view, kCmdGamma);
    Finish(gamma.DecimalEdit("gamma")->Edit(), "2,5");
    EXPECT_DOUBLE_EQ(gamma.DecimalEdit("gamma")->Value(), 2.5);
    Finish(gamma.DecimalEdit("gamma")->Edit(), "-3");  // the declared lower bound
    EXPECT_DOUBLE_EQ(gamma.DecimalEdit("gamma")->Value(), 0);
    gamma.reject();

    // "Aceptar" takes a box still being typed into as it will show it.
    Type(percent->Edit(), "-300");
    dialog.accept();
    EXPECT_EQ(percent->Text(), "-100");
    CVelora expected = original;
    ASSERT_EQ(expected.Brightness(-100), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
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

    // A folder that does not exist cannot hold the file: said so, not silently dropped.
    COperationDialog::askSavePath = [&](QWidget*, const QString&, const QString&) {
        return QString::fromStdString(dir + "/no/such/folder/b.CfgBrillo");
    };
    dialog.saveButton()->click();
    EXPECT_TRUE(messages.last().startsWith("Salvando Parámetros de Brillo|Error al crear el archivo\n"));
    dialog.reject();
}

TEST_F(OperationDialogs, TheWholeTitleFitsHoweverNarrowTheControls) {
    CUtilidadView* view = Open("titulo.bmp");
    view->Document().Image().SetName("una_imagen_de_clase_con_un_nombre_muy_largo_00_24.bmp");
    CGenericOperationDialog negative(view, kCmdNegative);
    negative.show();
    QFont bold = negative.font();
    bold.setBold(true);
    const int title = QFontMetrics(bold).horizontalAdvance(negative.windowTitle());
    EXPECT_GE(negative.width(), title + 60) << title;
}

TEST_F(OperationDialogs, StepByStepRunClosesToolWindowsShowsProgressAndGivesTheFastResult) {
    CUtilidadView* view = Open("steps.bmp", 24, 24, 5);
    Frame().Execute(kCmdImageInfo);
    Settle();
    ASSERT_NE(Frame().Tools().Find(kCmdImageInfo), nullptr);
    Frame().SetStepByStep(true);

    auto made = MakeOperationDialog(kCmdNonLinear, view);
    auto& dialog = dynamic_cast<CGenericOperationDialog&>(*made);
    dialog.show();
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
    dialog.ChoiceGroup("function")->button(2)->click();  // square root: the preview box is unchecked
    EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
    dialog.previewBox()->click();
    EXPECT_EQ(Frame().Tools().Find(kCmdImageInfo), nullptr);
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
}

// The non-linear dialog's fast preview keeps the image in the model: the same bytes.
TEST_F(OperationDialogs, NonLinearPreviewsInTheActiveModelGiveThePlainCallsBytes) {
    CUtilidadView* view = Open("models.bmp");
    for (int model : {kModelHSI, kModelCIELAB, kModelHSV}) {
        Frame().SetColorModel(model);
        auto made = MakeOperationDialog(kCmdNonLinear, view);
        auto& dialog = dynamic_cast<CGenericOperationDialog&>(*made);
        dialog.show();
        dialog.previewBox()->click();
        for (int function : {3, 6, 0}) {
            dialog.ChoiceGroup("function")->button(function)->click();
            CVelora expected = original;
            ASSERT_EQ(expected.NonLinearContrast(model, function, 0.5f), 0u);
            EXPECT_EQ(Block(view->Document().Image()), Block(expected)) << model << " f" << function;
        }
        dialog.reject();
        EXPECT_TRUE(SameAsOriginal(view->Document().Image()));
    }
    Frame().SetColorModel(kModelRGB);
}

// The catalogue's command test runs in RGB: equalizing in another model names and computes
// the new window by that model.
TEST_F(OperationDialogs, EqualizeOpensANewWindowNamedAfterTheActiveModel) {
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
    Frame().SetColorModel(kModelRGB);
}

// Through the frame's menu command: the dialog opens modal over the active image.
TEST_F(OperationDialogs, TheMenuCommandOpensItsDialogModal) {
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
