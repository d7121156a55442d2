// Operation dialogs: typed values, the title's room, step-by-step runs, model previews, the modal dialog.
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

// Number boxes take nothing while typing; Enter or leaving takes it clamped, truncated, with comma or point.
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
    gamma.reject();

    // "Aceptar" takes a box still being typed into as it will show it.
    Type(percent->Edit(), "-300");
    dialog.accept();
    EXPECT_EQ(percent->Text(), "-100");
    CVelora expected = original;
    ASSERT_EQ(expected.Brightness(-100), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
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
    RunCommand(kCmdImageInfo);
    ASSERT_NE(Frame().Tools().Find(kCmdImageInfo), nullptr);
    Frame().SetStepByStep(true);

    auto made = Generic(kCmdNonLinear, view);
    auto& dialog = *made;
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
        auto made = Generic(kCmdNonLinear, view);
        auto& dialog = *made;
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
}

// The catalogue's command test runs in RGB: in another model Equalize names and computes by that model.
TEST_F(OperationDialogs, EqualizeOpensANewWindowNamedAfterTheActiveModel) {
    CUtilidadView* view = Open("modelos.bmp", 32, 20, 10);
    Frame().SetColorModel(kModelHSV);
    RunCommand(kCmdEqualize);
    CUtilidadDoc* equalized = Frame().ActiveDocument();
    ASSERT_NE(equalized, &view->Document());
    EXPECT_EQ(equalized->Title(), "Ecualización HSV de modelos.bmp");
    CVelora expected = original;
    ASSERT_EQ(expected.Equalize(kModelHSV, 0), 0u);
    EXPECT_EQ(Block(equalized->Image()), Block(expected));
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
