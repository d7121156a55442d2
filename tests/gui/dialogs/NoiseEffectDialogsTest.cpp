// Noise and hoover dialogs: starts and bounds from the image, numbered new windows (none on a refusal).
#include "EffectDialogs.h"
#include "NoiseDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;
using NoiseEffectDialogs = DialogWorkbench;

namespace {

// A gray image whose levels run from 20 to 200.
CVelora Levels(int width, int height) {
    CVelora image(nullptr, nullptr, width, height, 8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.SetPixel(x, y, std::uint32_t(20 + (x * 7 + y * 3) % 181));
    return image;
}

}  // namespace

TEST_F(NoiseEffectDialogs, NoiseStartsFromTheImageAndKeepsItsRangesInOrder) {
    CRuidoDlg dialog(Open("ruido.bmp", Levels(40, 30)));
    EXPECT_EQ(dialog.bandMax->text(), "200");  // the levels present
    EXPECT_EQ(dialog.bandMin->text(), "20");
    EXPECT_EQ(dialog.count->Value(), 300);  // a quarter of the pixels
    // The spins keep -top <= minimum < maximum <= top.
    dialog.Spin(dialog.noiseMax, +1);
    EXPECT_EQ(dialog.noiseMax->text(), "255");
    Finish(dialog.noiseMax, "-255");
    EXPECT_EQ(dialog.noiseMax->text(), "-254");
    dialog.Spin(dialog.noiseMin, +1);
    EXPECT_EQ(dialog.noiseMin->text(), "-255");
    // The band stays within the levels present; the count within the pixels.
    Finish(dialog.bandMax, "250");
    EXPECT_EQ(dialog.bandMax->text(), "200");
    Finish(dialog.count->Edit(), "5000");
    EXPECT_EQ(dialog.count->Value(), 1200);
    EXPECT_EQ(dialog.percent->text(), "100%");
    dialog.distribution->button(1)->click();
    EXPECT_FALSE(dialog.count->Edit()->isEnabled());
    dialog.reject();
}

TEST_F(NoiseEffectDialogs, NoiseOpensNumberedNoisyCopiesAndNoneOnARefusal) {
    CUtilidadView* view = Open("ruido.bmp", Levels(40, 30));
    CUtilidadDoc& source = view->Document();
    CRuidoDlg dialog(view);
    dialog.previewBox()->click();  // a preview on the source, which "Aplicar" does not start from
    EXPECT_NE(Block(source.Image()), Block(original));
    Finish(dialog.count->Edit(), "100");
    const int windows = Windows(), before = CRuidoDlg::AppliedCount();
    for (int i = 1; i <= 2; ++i) {
        const FixedSeed seed(12);
        dialog.applyButton()->click();
        Settle();
        ASSERT_EQ(Windows(), windows + i);
        EXPECT_EQ(Frame().ActiveDocument()->Title(), "ruidoRuidosa" + std::to_string(before + i) + ".bmp");
    }
    CUtilidadDoc* noisy = Frame().ActiveDocument();
    EXPECT_EQ(noisy->Image().GetName(), noisy->Title());
    EXPECT_TRUE(noisy->IsModified());
    CVelora expected = original;
    {
        const FixedSeed seed(12);
        ASSERT_EQ(expected.Noise(0, 0, -255, 255, 20, 200, 100), 0u);
    }
    EXPECT_EQ(Block(noisy->Image()), Block(expected));
    EXPECT_FALSE(source.History().CanUndo());
    EXPECT_TRUE(messages.isEmpty());

    // A reversed band, which coloured noise refuses: said so; no window, no number taken.
    dialog.previewBox()->click();
    dialog.noiseMode->button(1)->click();
    Finish(dialog.bandMin, "150");
    Finish(dialog.bandMax, "60");
    dialog.applyButton()->click();
    Settle();
    EXPECT_EQ(Windows(), windows + 2);
    EXPECT_EQ(CRuidoDlg::AppliedCount(), before + 2);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("Error. No es posible añadir ruido")) << messages[0].toStdString();
    // "Salir" puts the source back as it was.
    dialog.reject();
    EXPECT_EQ(Block(source.Image()), Block(original));
}

TEST_F(NoiseEffectDialogs, HooverStartsAtTheCentreAndCorrectsWhatIsTyped) {
    CUtilidadView* view = Open("hoover.bmp", RandomImage(64, 48, 8, 4));
    CHooverDlg dialog(view);
    EXPECT_EQ(dialog.column->text(), "32");
    EXPECT_EQ(dialog.row->text(), "24");
    EXPECT_TRUE(dialog.count->isReadOnly());
    dialog.iterations->button(0)->click();
    EXPECT_FALSE(dialog.count->isReadOnly());
    Finish(dialog.count, "0");
    EXPECT_EQ(dialog.Iterations(), 150);
    Finish(dialog.count, "99999999");
    EXPECT_EQ(dialog.Iterations(), CVelora::kMaxHooverIterations);
    dialog.iterations->button(100)->click();
    EXPECT_EQ(dialog.Iterations(), 100);
    Finish(dialog.column, "0");
    Finish(dialog.row, "480");
    EXPECT_EQ(dialog.row->text(), "47");
    dialog.iterations->button(0)->click();
    Finish(dialog.count, "2");
    dialog.direction->button(1)->click();

    // Changes preview once the burst of events is handled.
    dialog.previewBox()->click();
    Settle();
    EXPECT_NE(Block(view->Document().Image()), Block(original));
    {
        const FixedSeed seed(77);
        dialog.accept();
    }
    CVelora expected = original;
    {
        const FixedSeed seed(77);
        ASSERT_EQ(expected.Hoover(1, 0, 47, 2), 0u);
    }
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
}

// Two columns pass the power-of-two test but not the library: the spectrum command is off.
TEST_F(NoiseEffectDialogs, TheSpectrumCommandIsOffWhereTheLibraryRefuses) {
    Open("impar.bmp", RandomImage(3, 8, 8, 7, true));
    EXPECT_FALSE(Frame().Action(kCmdFft)->isEnabled());
    Open("estrecha.bmp", RandomImage(2, 8, 8, 7, true));
    EXPECT_TRUE(Frame().Action(kCmdFft)->isEnabled());
}
