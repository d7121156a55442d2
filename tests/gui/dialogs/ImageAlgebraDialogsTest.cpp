// The arithmetic and logical dialogs: choosing A and B, live results, messages, weights, undo, Cancel.
#include <QToolButton>

#include "ImageAlgebraDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

class ImageAlgebraDialogs : public Workbench {
protected:
    CVelora Expected(const CVelora& a, const CVelora& b, unsigned op, float wA, float wB, int col, int row) {
        return Applied(a, [&](CVelora& i) { return i.Arithmetic(op, b, wA, wB, col, row); });
    }
    int Index(QComboBox* box, CUtilidadView* view) {
        return box->findText(QString::fromStdString(view->Document().Title()));
    }
};

}  // namespace

TEST_F(ImageAlgebraDialogs, ArithmeticShowsEveryChangeInAsWindowAndRecordsTheStepThere) {
    CUtilidadView* a = OpenImage("a.bmp", RandomImage(20, 12, 8, 1, true));
    CUtilidadView* b = OpenImage("b.bmp", RandomImage(15, 14, 8, 2, true));
    OpenImage("cuatro.bmp", RandomImage(15, 14, 4, 3));
    CUtilidadView* colour = OpenImage("colour.bmp", RandomImage(9, 9, 24, 4));
    const CVelora aBefore = a->Document().Image(), bBefore = b->Document().Image();
    const CVelora colourBefore = colour->Document().Image();

    // Opened from the colour image: it is listed first; A is another document.
    COperacionesEntreImg dialog(colour);
    dialog.show();
    ASSERT_EQ(dialog.imageA->count(), 4);
    EXPECT_EQ(dialog.imageA->itemText(0).toStdString(), colour->Document().Title());
    dialog.Choose(0, Index(dialog.imageA, a));
    EXPECT_EQ(Block(a->Document().Image()), Block(aBefore));
    dialog.Choose(1, Index(dialog.imageB, b));
    EXPECT_EQ(dialog.differentPixels->text(),
              QString("Nº de Píxeles Distintos: %1").arg(aBefore.CountDifferentPixels(bBefore)));
    dialog.operation->button(3)->click();
    EXPECT_EQ(Block(a->Document().Image()), Block(Expected(aBefore, bBefore, 3, 1, 1, 0, 0)));

    // The weights step by 0.05 and stop at 0.00; each step shows at once.
    for (int i = 0; i < 3; ++i) dialog.weightUp[0]->click();
    EXPECT_EQ(dialog.weight[0]->text(), "1.15");
    for (int i = 0; i < 25; ++i) dialog.weightDown[1]->click();
    EXPECT_EQ(dialog.weight[1]->text(), "0.00");
    dialog.weightUp[1]->click();
    EXPECT_EQ(dialog.weight[1]->text(), "0.05");
    EXPECT_EQ(Block(a->Document().Image()), Block(Expected(aBefore, bBefore, 3, dialog.WeightA(), dialog.WeightB(), 0, 0)));

    // Offsets beyond A (20 x 12) or negative go back to 0.
    Type(dialog.offsetColumn, "7");
    Type(dialog.offsetRow, "12");
    EXPECT_EQ(dialog.offsetRow->text(), "0");
    Type(dialog.offsetRow, "3");
    EXPECT_EQ(dialog.OffsetColumn(), 7);
    const CVelora shown = Expected(aBefore, bBefore, 3, dialog.WeightA(), dialog.WeightB(), 7, 3);
    EXPECT_EQ(Block(a->Document().Image()), Block(shown));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();

    dialog.accept();
    // The step is on A's document, not on the colour image the dialog was opened from.
    ASSERT_EQ(a->Document().History().Position(), 1);
    EXPECT_FALSE(colour->Document().History().CanUndo());
    EXPECT_EQ(Block(a->Document().Image()), Block(shown));
    EXPECT_EQ(Block(b->Document().Image()), Block(bBefore));
    EXPECT_EQ(Block(colour->Document().Image()), Block(colourBefore));
    ASSERT_TRUE(a->Document().Undo());
    EXPECT_EQ(Block(a->Document().Image()), Block(aBefore));
}

TEST_F(ImageAlgebraDialogs, ArithmeticRefusesMixedDepthsAndClosedImagesAndCancelGivesBothBack) {
    CUtilidadView* gray = OpenImage("gris.bmp", RandomImage(10, 8, 8, 5, true));
    CUtilidadView* four = OpenImage("cuatro.bmp", RandomImage(10, 8, 4, 6));
    const CVelora grayBefore = gray->Document().Image();
    {
        COperacionesEntreImg dialog(gray);
        dialog.Choose(0, 0);
        dialog.Choose(1, Index(dialog.imageB, four));
        EXPECT_EQ(messages.takeLast(), "Error|Error. Las imágenes tienen distinta profundidad de color");
        // A chosen as B as well: the sum of the image with itself, then Cancel.
        dialog.Choose(1, 0);
        EXPECT_EQ(Block(gray->Document().Image()), Block(Expected(grayBefore, grayBefore, 0, 1, 1, 0, 0)));
        dialog.reject();
    }
    EXPECT_EQ(Block(gray->Document().Image()), Block(grayBefore));
    EXPECT_FALSE(gray->Document().History().CanUndo());

    // B's window closes meanwhile: B is no longer chosen, and "Aceptar" without both says so and stays open.
    COperacionesEntreImg dialog(gray);
    dialog.show();
    dialog.Choose(0, 0);
    dialog.Choose(1, Index(dialog.imageB, four));
    four->parentWidget()->close();
    Settle();
    dialog.weightUp[0]->click();
    EXPECT_EQ(messages.takeLast(), "Error|Error. Debe Seleccionar las 2 imágenes");
    dialog.accept();
    EXPECT_EQ(messages.takeLast(), "Error|Error. Debe Seleccionar las 2 imágenes");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(gray->Document().History().CanUndo());
    dialog.reject();
    EXPECT_EQ(Block(gray->Document().Image()), Block(grayBefore));
}

TEST_F(ImageAlgebraDialogs, LogicNeedsOneImageForNotAndTwoForTheRest) {
    CUtilidadView* a = OpenImage("a.bmp", RandomImage(12, 7, 8, 7, true));
    CUtilidadView* b = OpenImage("b.bmp", RandomImage(9, 9, 24, 8));
    const CVelora aBefore = a->Document().Image(), bBefore = b->Document().Image();
    COpLogicasDlg dialog(a);
    EXPECT_FALSE(dialog.imageB->isEnabled());
    dialog.operation->button(0)->click();
    EXPECT_EQ(messages.takeLast(), "Error|Error. Debe Seleccionar la Imagen");

    dialog.Choose(0, 0);  // NOT at once
    EXPECT_EQ(Block(a->Document().Image()), Block(Applied(aBefore, [](CVelora& i) { return i.Logical(0, nullptr); })));

    dialog.operation->button(1)->click();  // AND without B
    EXPECT_TRUE(dialog.imageB->isEnabled());
    EXPECT_EQ(messages.takeLast(), "Error|Error. Debe Seleccionar las 2 imágenes");
    dialog.accept();
    EXPECT_EQ(messages.takeLast(), "Error|Error. Debe Seleccionar las 2 imágenes");

    dialog.Choose(1, Index(dialog.imageB, b));  // depths may differ: raw values, cut to A's
    dialog.operation->button(3)->click();
    const CVelora xored = Applied(aBefore, [&](CVelora& i) { return i.Logical(3, &bBefore); });
    EXPECT_EQ(Block(a->Document().Image()), Block(xored));
    dialog.accept();
    EXPECT_EQ(a->Document().History().Position(), 1);
    EXPECT_EQ(Block(a->Document().Image()), Block(xored));
    EXPECT_EQ(Block(b->Document().Image()), Block(bBefore));
}
