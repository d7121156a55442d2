// The pixel-value dialogs: the choices each image is offered, what each runs, the preview Cancel takes back.
#include "PixelValueDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;
using PixelValueDialogs = DialogWorkbench;

TEST_F(PixelValueDialogs, FillOffersAnIndexOrAColourByDepth) {
    {
        CUtilidadView* view = Open("fill8.bmp", CVelora::WithTable(12, 7, 8, 40));
        CFijarValoresBitmapDlg dialog(view);
        ASSERT_NE(dialog.index, nullptr);
        Finish(dialog.index->Edit(), "90");  // beyond the table: its last entry
        EXPECT_EQ(dialog.index->Edit()->text(), "39");
        dialog.accept();
        EXPECT_EQ(Block(view->Document().Image()), Block(Applied(original, [](CVelora& i) { return i.FillIndex(39); })));
    }
    CUtilidadView* view = Open("fill24.bmp", RandomImage(12, 7, 24, 4));
    CFijarValoresBitmapDlg dialog(view);
    ASSERT_NE(dialog.rgb[0], nullptr);
    Finish(dialog.rgb[0]->Edit(), "10");
    Finish(dialog.rgb[2]->Edit(), "250");
    // Previewed at once, the boxes red, green, blue.
    EXPECT_EQ(Block(view->Document().Image()),
              Block(Applied(original, [](CVelora& i) { return i.InitializeRGB(RGBQUAD{250, 128, 10, 0}); })));
    dialog.reject();
}

TEST_F(PixelValueDialogs, DepthChoicesLeaveOutTheCurrentDepthAndGrayTargetsForColour) {
    const auto offered = [](const CCambiarProfundidadColor& dialog) {
        std::string bits;
        for (QRadioButton* radio : dialog.depth) bits += radio->isEnabled() ? '1' : '0';
        return bits;
    };
    CUtilidadView* colour = Open("depth24.bmp", RandomImage(10, 6, 24, 5));
    CCambiarProfundidadColor dialog(colour);
    EXPECT_EQ(offered(dialog), "10001");
    dialog.depth[4]->click();
    EXPECT_EQ(colour->Document().Image().GetBitCount(), 32);
    dialog.depth[0]->click();
    dialog.accept();
    EXPECT_EQ(colour->Document().Image().GetBitCount(), 1);
    // Accepting the depth the image has does nothing: the catalogue's dialog test.
    EXPECT_EQ(offered(CCambiarProfundidadColor(Open("depth8.bmp", RandomImage(10, 6, 8, 5, true)))), "11011");
    EXPECT_EQ(offered(CCambiarProfundidadColor(Open("depth1.bmp", RandomImage(10, 6, 1, 5)))), "01111");  // two colours count as gray
}
