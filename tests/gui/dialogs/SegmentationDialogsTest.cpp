// Segmentation dialogs: the structuring element's grid, the set choosers, stopping a step-by-step run,
// region growing's threshold per criterion and a refusal that records nothing.
#include "SegmentationDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

class SegmentationDialogs : public DialogWorkbench {};

// "x" for an enabled cell, "." for a disabled one, row by row.
std::string EnabledCells(const CElemEstructDlg& dialog) {
    std::string cells;
    for (const auto& row : dialog.cells) {
        for (const QLineEdit* cell : row) cells += cell->isEnabled() ? 'x' : '.';
        cells += '/';
    }
    return cells;
}

}  // namespace

TEST_F(SegmentationDialogs, ElementGridFollowsTheSizeAndTheOriginStaysInside) {
    CUtilidadView* view = Open("gris.bmp", RandomImage(30, 20, 8, 3, true));
    CElemEstructDlg dialog(view);
    dialog.show();
    EXPECT_EQ(dialog.whiteLevel->text(), "255: Blanco");
    EXPECT_EQ(EnabledCells(dialog), "xxx../xxx../xxx../...../...../");

    Finish(dialog.size[0], "2");
    Finish(dialog.size[1], "4");
    EXPECT_EQ(EnabledCells(dialog), "xx.../xx.../xx.../xx.../...../");
    // Outside 1..5 the size goes back to 3, said so; the origin then clamped by typing, said so too.
    Finish(dialog.size[0], "7");
    EXPECT_EQ(dialog.size[0]->text(), "3");
    Finish(dialog.origin[0], "4");
    Finish(dialog.origin[1], "-1");
    EXPECT_EQ(dialog.origin[0]->text() + dialog.origin[1]->text(), "20");
    EXPECT_EQ(messages.join("\n").toStdString(),
              "Error en la dimensión del Elemento Estructural|El valor del ANCHO del Elemento Estructural debe estar "
              "comprendido entre 1 y 5\n"
              "ERROR|El valor debe estar entre 0 y (Ancho del Elemento Estructural - 1)\n"
              "AVISO|El valor debe estar entre 0 y (Alto del Elemento Estructural - 1)");
    // Narrowing the element brings the origin inside it, without a word.
    Finish(dialog.size[0], "1");
    EXPECT_EQ(dialog.origin[0]->text(), "0");
    EXPECT_EQ(messages.size(), 3);

    // The element is the enabled cells, row by row; the preview gives the library's bytes.
    Finish(dialog.cells[1][0], "7");
    Finish(dialog.cells[0][1], "9");  // disabled: outside the element
    dialog.operation->button(5)->click();
    dialog.previewBox()->click();
    const auto args = dialog.CurrentArgs();
    EXPECT_EQ(args.IntList(5), (std::vector<std::int64_t>{0, 7, 0, 0}));
    const CVelora expected = Applied(original, [](CVelora& im) {
        return im.Morphology(5, std::vector<std::uint8_t>{0, 7, 0, 0}, 1, 4, 0, 0);
    });
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
}

TEST_F(SegmentationDialogs, SetChoosersListOneBitImagesAndUndoLandsOnA) {
    CUtilidadView* a = OpenImage("a.bmp", RandomImage(20, 12, 1, 1));
    CUtilidadView* b = OpenImage("b.bmp", RandomImage(15, 14, 1, 2));
    OpenImage("gris.bmp", RandomImage(15, 14, 8, 3, true));
    const CVelora aBefore = a->Document().Image(), bBefore = b->Document().Image();

    COpConjuntosDlg dialog(b);  // opened from B's window; A is the other one
    dialog.show();
    ASSERT_EQ(dialog.imageA->count(), 2);
    EXPECT_EQ(dialog.imageA->itemText(0).toStdString(), b->Document().Title());
    EXPECT_FALSE(dialog.imageB->isEnabled());
    const int itemA = dialog.imageA->findText(QString::fromStdString(a->Document().Title()));
    dialog.Choose(0, itemA);
    EXPECT_EQ(Block(a->Document().Image()), Block(Applied(aBefore, [](CVelora& im) { return im.SetOperation(0, nullptr); })));

    dialog.operation->button(3)->click();  // union without B
    EXPECT_EQ(messages.join("|").toStdString(), "Error|Error. Debe Seleccionar las 2 imágenes");
    EXPECT_TRUE(dialog.imageB->isEnabled());
    dialog.Choose(1, 0);
    EXPECT_EQ(dialog.differentPixels->text(), QString("Nº de Píxeles Distintos: %1").arg(aBefore.CountDifferentPixels(bBefore)));
    dialog.operation->button(1)->click();
    EXPECT_FALSE(dialog.imageB->isEnabled());
    dialog.operation->button(5)->click();
    const CVelora difference = Applied(aBefore, [&](CVelora& im) { return im.SetOperation(4, &bBefore); });
    EXPECT_EQ(Block(a->Document().Image()), Block(difference));

    dialog.accept();
    EXPECT_EQ(Block(a->Document().Image()), Block(difference));
    EXPECT_TRUE(a->Document().IsModified());
    EXPECT_FALSE(b->Document().History().CanUndo() || b->Document().IsModified());
    ASSERT_EQ(a->Document().History().Position(), 1);
    EXPECT_EQ(a->Document().History().Description(0), "Operaciones de Conjuntos");
    ASSERT_TRUE(a->Document().Undo());
    EXPECT_EQ(Block(a->Document().Image()), Block(aBefore));
}

// Esc or "Cancelar" stop a run: the image as it was, no undo step, the dialog open and usable again.
TEST_F(SegmentationDialogs, StoppingAStepByStepRunRestoresTheImageAndRecordsNothing) {
    CUtilidadView* view = Open("binaria.bmp", RandomImage(40, 40, 1, 4));
    Frame().SetStepByStep(true);
    auto dialog = Generic(kCmdBinarySmoothing, view);
    QTimer::singleShot(100, dialog->cancelButton(), &QPushButton::click);
    dialog->CheckBox("r1")->click();  // previews, step by step
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Block(view->Document().Image()), Block(original));

    dialog->CheckBox("r2")->setChecked(true);  // no click, no preview: "Aceptar" runs it
    QTimer::singleShot(100, dialog.get(), [&] { QTest::keyClick(dialog.get(), Qt::Key_Escape); });
    dialog->accept();
    EXPECT_TRUE(dialog->okButton()->isEnabled());
    EXPECT_EQ(Block(view->Document().Image()), Block(original));
    EXPECT_FALSE(view->Document().History().CanUndo() || view->Document().IsModified());
    EXPECT_TRUE(dialog->isVisible());

    dialog->accept();
    EXPECT_FALSE(dialog->isVisible());
    const CVelora smoothed = Applied(original, [](CVelora& im) { return im.BinarySmoothing({true, true}); });
    EXPECT_EQ(Block(view->Document().Image()), Block(smoothed));
    EXPECT_EQ(view->Document().History().Position(), 1);
}

TEST_F(SegmentationDialogs, RegionGrowingKeepsAThresholdPerCriterionAndARefusalRecordsNothing) {
    CUtilidadView* view = Open("cuatro.bmp", RandomImage(9, 7, 4, 5));
    auto dialog = Generic(kCmdRegionGrowing, view);
    CSliderEdit* threshold = dialog->SliderEdit("threshold");
    EXPECT_TRUE(threshold->Value() == 6 && threshold->Slider()->maximum() == 15);
    dialog->ChoiceGroup("criterion")->button(1)->click();
    EXPECT_EQ(threshold->Value(), 10);
    Finish(threshold->Edit(), "250");
    EXPECT_EQ(threshold->Value(), 100);
    dialog->ChoiceGroup("criterion")->button(0)->click();
    EXPECT_EQ(threshold->Value(), 6);
    dialog->reject();

    // A 1-bit image is refused: no undo step, nothing modified.
    CUtilidadView* binary = Open("binaria.bmp", RandomImage(9, 7, 1, 6));
    Generic(kCmdRegionGrowing, binary)->accept();
    EXPECT_FALSE(binary->Document().History().CanUndo() || binary->Document().IsModified());
    EXPECT_EQ(Block(binary->Document().Image()), Block(original));
}
