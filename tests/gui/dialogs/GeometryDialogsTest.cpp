// Scaling, rotation and crop dialogs: boxes that follow one another, the preview, the window sized again.
#include <QToolButton>

#include "GeometryDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;
using GeometryDialogs = DialogWorkbench;

TEST_F(GeometryDialogs, ScalingModesProportionsAndTheWindowFollowingTheImage) {
    CUtilidadView* view = Open("escala.bmp", RandomImage(40, 30, 24, 1));
    const QSize before = view->parentWidget()->size();
    CEscaladoDlg dialog(view);
    Type(dialog.factorColumns, "2.5");
    EXPECT_EQ(view->Document().Image().GetWidth(), 100);  // no preview box: every change previews
    dialog.keepProportions->click();
    EXPECT_TRUE(dialog.factorRows->isReadOnly());
    Type(dialog.factorColumns, "0.5");
    EXPECT_EQ(dialog.FactorY(), 0.5);
    EXPECT_EQ(dialog.newSize->text(), "Nuevo Tamaño: 20 x 15    Píxeles");
    dialog.keepProportions->click();
    dialog.pixelMode->click();
    EXPECT_TRUE(dialog.factorColumns->isReadOnly());
    Type(dialog.pixelColumns, "200");
    Type(dialog.pixelRows, "120");
    EXPECT_EQ(dialog.factorRows->text(), "4.00");
    dialog.accept();
    Settle();
    EXPECT_EQ(Block(view->Document().Image()), Block(Applied(original, [](CVelora& i) { return i.Scale(5, 4, 0); })));
    EXPECT_GT(view->parentWidget()->width(), before.width());
    EXPECT_GT(view->parentWidget()->height(), before.height());
}

TEST_F(GeometryDialogs, ANewSizeIsPreviewedPixelForPixelAfterAnUndo) {
    CUtilidadView* view = Open("deshacer.bmp", RandomImage(64, 48, 24, 5));
    Frame().Execute(kCmdFlipVertical);
    RunCommand(kCmdUndo);
    CEscaladoDlg dialog(view);
    Type(dialog.factorColumns, "2");
    Settle();
    ASSERT_EQ(view->Document().Image().GetWidth(), 128);
    EXPECT_TRUE(ShowsTheImage(view));
}

TEST_F(GeometryDialogs, RotationAnglesDirectionAndPreview) {
    CUtilidadView* view = Open("gira.bmp", RandomImage(30, 20, 8, 3));
    CUtilidadDoc& doc = view->Document();
    CRotarDlg dialog(view);
    EXPECT_EQ(dialog.background->ColourRef(), ColourRef(original.GetPaletteData()[0]));
    Type(dialog.edit[2], "400");  // "4", "40", then beyond 360: 45
    EXPECT_EQ(dialog.edit[2]->text(), "45");
    Type(dialog.edit[2], "30.5");
    EXPECT_EQ(dialog.Angle(2), 30.5);
    EXPECT_EQ(dialog.slider[2]->value(), 30);

    dialog.slider[0]->setValue(20);  // the other angles stay as they are
    EXPECT_EQ(dialog.Angle(1), 0.0);
    dialog.left->click();
    dialog.newSize->click();
    const CVelora expected = Applied(original, [&](CVelora& i) { return i.Rotate3D(0, -20, 0, -30.5, dialog.background->ColourRef()); });
    EXPECT_EQ(Block(doc.Image()), Block(expected));
    dialog.accept();
    EXPECT_EQ(Block(doc.Image()), Block(expected));
}

TEST_F(GeometryDialogs, CropCornersKeepTheirOrderAndABadRectangleKeepsTheDialogOpen) {
    CUtilidadView* view = Open("recorte.bmp", RandomImage(400, 300, 24, 4));
    CUtilidadDoc& doc = view->Document();
    CRecortarDlg dialog(view);
    EXPECT_EQ(dialog.Corner(2), 200);  // the image's middle
    EXPECT_EQ(dialog.Corner(3), 150);
    Type(dialog.edit[0], "250");  // not below x2: x2 - 1
    EXPECT_EQ(dialog.edit[0]->text(), "199");
    Type(dialog.edit[3], "999");  // beyond the height: the last row
    EXPECT_EQ(dialog.edit[3]->text(), "299");
    Type(dialog.edit[0], "5");
    dialog.up[0]->click();
    EXPECT_EQ(dialog.Corner(0), 6);
    EXPECT_EQ(Block(doc.Image()), Block(original));  // the preview starts off

    // The right edge brought down to the left one: refused, said so, and the dialog stays.
    Type(dialog.edit[2], "10");
    for (int i = 0; i < 5; ++i) dialog.down[2]->click();
    EXPECT_EQ(dialog.Corner(2), 6);
    dialog.accept();
    EXPECT_EQ(messages, QStringList{"Mensaje de Error|Error. Rectángulo definido por las coordenadas incorrecto. Revise los valores"});
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_FALSE(doc.History().CanUndo());

    dialog.up[2]->click();
    dialog.accept();
    Settle();
    EXPECT_EQ(Block(doc.Image()), Block(Applied(original, [](CVelora& i) { return i.Crop(6, 0, 7, 299); })));
}
