// The warp dialogs: starting values and bounds taken from the image, the formula shown for
// the chosen option, one undo step on "Aceptar"; interlacing into a new window and
// deinterlacing into two.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "ChildFrame.h"
#include "CommandIds.h"
#include "DialogTable.h"
#include "WarpDialogs.h"
#include "Workbench.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

class WarpDialogs : public Workbench {};

}  // namespace

TEST_F(WarpDialogs, RippleBoundsItsSlidersByTheImageAndShowsTheZonesFormula) {
    CUtilidadView* view = OpenImage("ola.bmp", RandomImage(120, 80, 24, 1));
    CUtilidadDoc& doc = view->Document();
    const CVelora original = doc.Image();
    COndulacionDlg dialog(view);
    EXPECT_EQ(dialog.windowTitle(), "Ondulación de ola.bmp");
    CSliderEdit* amplitude = dialog.SliderEdit("amplitude");
    CSliderEdit* divisor = dialog.SliderEdit("divisor");
    EXPECT_EQ(amplitude->Value(), 25);
    EXPECT_EQ(amplitude->Slider()->maximum(), 80);
    EXPECT_EQ(amplitude->Slider()->tickInterval(), 8);
    EXPECT_EQ(divisor->Value(), 30);
    EXPECT_EQ(divisor->Slider()->minimum(), 1);
    EXPECT_EQ(divisor->Slider()->maximum(), 120);
    EXPECT_FALSE(dialog.previewBox()->isChecked());
    EXPECT_EQ(dialog.formulaY->text(), "y = j + Amplitud * (sen(x / Divisor) + 1)");
    dialog.ChoiceGroup("startZone")->button(1)->click();
    EXPECT_EQ(dialog.formulaY->text(), "y = Nº Filas - 1 - j - Amplitud*(sen(x / Divisor) + 1)");
    Finish(amplitude->Edit(), "500");
    EXPECT_EQ(amplitude->Value(), 80);
    Finish(divisor->Edit(), "0");
    EXPECT_EQ(divisor->Value(), 1);
    EXPECT_EQ(Block(doc.Image()), Block(original));  // no preview while the box is off
    dialog.accept();
    CVelora expected = original;
    ASSERT_EQ(expected.Ripple(80, 1, 1, 0), 0u);
    EXPECT_EQ(Block(doc.Image()), Block(expected));
    ASSERT_EQ(doc.History().Position(), 1);
    EXPECT_EQ(doc.History().Description(0), "Ondulación");
}

TEST_F(WarpDialogs, SwirlAndShearStartValuesBoundsAndFormulas) {
    CUtilidadView* view = OpenImage("giro.bmp", RandomImage(60, 40, 8, 2));
    CUtilidadDoc& doc = view->Document();
    const CVelora original = doc.Image();
    {
        CRemolinoDlg dialog(view);
        EXPECT_EQ(dialog.windowTitle(), "Espiral/Remolino de giro.bmp");
        EXPECT_EQ(dialog.DecimalEdit("angle")->Value(), 125);
        CSliderEdit* radius = dialog.SliderEdit("radius");
        EXPECT_EQ(radius->Value(), 100);
        EXPECT_EQ(radius->Slider()->maximum(), 60);
        Finish(radius->Edit(), "0");
        EXPECT_EQ(radius->Value(), 1);
        Finish(dialog.DecimalEdit("angle")->Edit(), "900");
        EXPECT_EQ(dialog.DecimalEdit("angle")->Value(), 720);
        // The colour button of a palette image starts at its first entry (no colour here).
        dialog.reject();
    }
    {
        CInclinacionDlg dialog(view);
        EXPECT_EQ(dialog.windowTitle(), "Inclinar la Imagen");
        EXPECT_EQ(dialog.ChoiceGroup("type")->checkedId(), 0);
        EXPECT_EQ(dialog.DecimalEdit("percent")->Value(), 10);
        EXPECT_EQ(dialog.formulaX->text(), "x = i + Porcentaje * j");
        dialog.ChoiceGroup("type")->button(1)->click();
        EXPECT_EQ(dialog.formulaX->text(), "x = i - Porcentaje * j;");
        dialog.ChoiceGroup("type")->button(8)->click();
        EXPECT_EQ(dialog.formulaY->text(), "y = j - Porcentaje * i");
        Finish(dialog.DecimalEdit("percent")->Edit(), "150");
        EXPECT_EQ(dialog.DecimalEdit("percent")->Value(), 100);
        const RGBQUAD first = original.GetPaletteData()[0];
        EXPECT_EQ(dialog.ColourButton("background")->ColourRef(),
                  std::uint32_t(first.rgbRed) | std::uint32_t(first.rgbGreen) << 8 | std::uint32_t(first.rgbBlue) << 16);
        dialog.accept();
        CVelora expected = original;
        ASSERT_EQ(expected.Shear(8, 100, dialog.ColourButton("background")->ColourRef()), 0u);
        EXPECT_EQ(Block(doc.Image()), Block(expected));
        ASSERT_EQ(doc.History().Position(), 1);
        EXPECT_EQ(doc.History().Description(0), "Inclinación");
    }
}

TEST_F(WarpDialogs, InterlaceChecksTheChoiceAndOpensTheResultInANewWindow) {
    const CVelora a = RandomImage(10, 6, 24, 3), b = RandomImage(10, 4, 24, 4), narrow = RandomImage(7, 4, 24, 5);
    OpenImage("b.bmp", b);
    OpenImage("narrow.bmp", narrow);
    CUtilidadView* view = OpenImage("a.bmp", a);
    const CVelora active = view->Document().Image();
    CEntrelazarDlg dialog(Frame().Workbench(), view);
    EXPECT_EQ(dialog.windowTitle(), "Entrelazar Imágenes");
    ASSERT_EQ(dialog.imageA->count(), 3);
    EXPECT_EQ(dialog.imageA->itemText(0), "a.bmp");  // the active one first
    EXPECT_FALSE(dialog.interlaceButton->isEnabled());
    const auto choose = [](QComboBox* box, const QString& title) {
        box->setCurrentIndex(box->findText(title));
        emit box->activated(box->currentIndex());
    };
    choose(dialog.imageA, "a.bmp");
    EXPECT_FALSE(dialog.interlaceButton->isEnabled());
    choose(dialog.imageB, "narrow.bmp");
    EXPECT_FALSE(dialog.interlaceButton->isEnabled());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Error|Error. Las imágenes tienen distinto nº de columnas");
    choose(dialog.imageB, "b.bmp");
    ASSERT_TRUE(dialog.interlaceButton->isEnabled());
    const int windows = int(Frame().Children().size());
    dialog.interlaceButton->click();
    Settle();
    EXPECT_EQ(int(Frame().Children().size()), windows + 1);
    CUtilidadDoc* result = Frame().ActiveDocument();
    EXPECT_EQ(result->Title(), "Entrelazado de Imágenes");
    EXPECT_TRUE(result->IsModified());
    const CVelora* readB = nullptr;
    for (const auto& d : Frame().Workbench().OpenDocuments())
        if (d->Title() == "b.bmp") readB = &d->Image();
    ASSERT_TRUE(readB);
    CVelora expected = active;
    ASSERT_EQ(expected.Interlace(0, &active, readB), 0u);
    EXPECT_EQ(result->Image().GetHeight(), 10);
    EXPECT_EQ(Block(result->Image()), Block(expected));
    EXPECT_EQ(Block(view->Document().Image()), Block(active));
    EXPECT_FALSE(view->Document().History().CanUndo());
    EXPECT_TRUE(Frame().TimingText().startsWith("Tiempo de Entrelazar las 2 imágenes seleccionadas: "));
}

TEST_F(WarpDialogs, DeinterlaceOpensTheEvenAndTheOddHalves) {
    for (auto [command, what] : {std::pair{int(kCmdDeinterlaceRows), "Filas"}, std::pair{int(kCmdDeinterlaceColumns), "Columnas"}}) {
        const std::string name = std::string(what) + ".bmp";
        OpenImage(name, RandomImage(9, 5, 8, 6));
        const CVelora original = Frame().ActiveDocument()->Image();
        const int windows = int(Frame().Children().size());
        Frame().Execute(command);
        Settle();
        ASSERT_EQ(int(Frame().Children().size()), windows + 2);
        const auto documents = Frame().Workbench().OpenDocuments();
        const CUtilidadDoc& odd = *Frame().ActiveDocument();
        EXPECT_EQ(odd.Title(), std::string(what) + " Impares-Desentrelazado de " + name);
        EXPECT_TRUE(odd.IsModified());
        CVelora expected = original;
        ASSERT_EQ(expected.Deinterlace(command == kCmdDeinterlaceRows ? 0 : 1, 2), 0u);
        EXPECT_EQ(Block(odd.Image()), Block(expected));
        bool evenFound = false;
        for (const auto& d : documents) evenFound |= d->Title() == std::string(what) + " Pares-Desentrelazado de " + name;
        EXPECT_TRUE(evenFound);
        EXPECT_TRUE(Frame().TimingText().startsWith("Tiempo de ´Desentrelazado de la Imagen "));
    }
}
