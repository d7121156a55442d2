// The gray-level dialogs as a user drives them: their defaults, clamps and disabled boxes,
// "Restablecer Valores", the gray-band parameter file's bytes, and the bit-plane view's windows.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>

#include "ChildFrame.h"
#include "GrayLevelDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

class GrayLevelDialogs : public DialogWorkbench {
protected:
    static QStringList Labels(const QWidget& dialog) {
        QStringList texts;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
        return texts;
    }
};

// A gray 8-bit image whose levels run from 30 to 180.
CVelora GrayFrom30To180() {
    CVelora image = CVelora::WithTable(16, 10, 8, 256);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 16; ++x) image.SetPixel(x, y, std::uint32_t(30 + (x * 10 + y * 7) % 151));
    image.SetPixel(0, 0, 30);
    image.SetPixel(1, 0, 180);
    return image;
}

}  // namespace

TEST_F(GrayLevelDialogs, SlicingStartsFromTheLevelsPresentAndKeepsItsRangeOrdered) {
    CUtilidadView* view = Open("slice.bmp", GrayFrom30To180());
    CFraccNivelGrisDlg dialog(view);
    EXPECT_EQ(dialog.windowTitle(), "Fraccionamiento del Nivel de Gris a slice.bmp");
    // t = (180 - 30) / 3 = 50.
    EXPECT_EQ(dialog.lo->Value(), 50);
    EXPECT_EQ(dialog.hi->Value(), 100);
    EXPECT_EQ(dialog.inValue->Value(), 25);
    EXPECT_EQ(dialog.outValue->Value(), 100);
    EXPECT_TRUE(dialog.mode[0]->isChecked());
    EXPECT_FALSE(dialog.previewBox()->isChecked());
    EXPECT_EQ(dialog.lo->Slider()->maximum(), 255);

    dialog.previewBox()->click();
    dialog.mode[1]->click();
    Type(dialog.lo->Edit(), "300");
    Leave(dialog.lo->Edit());
    EXPECT_EQ(dialog.lo->Value(), 100);  // not past the maximum
    CVelora expected = original;
    ASSERT_EQ(expected.GrayLevelSlice(1, 100, 100, 25, 100), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    dialog.accept();
    EXPECT_EQ(view->Document().History().Description(0), "Fraccionamiento del Nivel de Gris");
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));

    // Four bits: levels up to 15.
    CUtilidadView* four = Open("four.bmp", RandomImage(9, 4, 4, 3, true));
    CFraccNivelGrisDlg small(four);
    EXPECT_EQ(small.lo->Slider()->maximum(), 15);
    EXPECT_LE(small.outValue->Value(), 15);
    small.reject();
}

TEST_F(GrayLevelDialogs, BitPlaneBoxesFollowTheDepthAndPreviewLive) {
    CUtilidadView* view = Open("planes.bmp", RandomImage(12, 6, 4, 9, true));
    {
        CPlanosBitsDlg dialog(view);
        EXPECT_EQ(dialog.windowTitle(), "Eliminación de Planos de Bits de planes.bmp");
        for (int p = 0; p < 8; ++p) {
            EXPECT_EQ(dialog.plane[std::size_t(p)]->text(), QString("Plano %1").arg(p));
            EXPECT_EQ(dialog.plane[std::size_t(p)]->isEnabled(), p < 4) << p;
        }
        EXPECT_TRUE(dialog.previewBox()->isChecked());
        dialog.plane[3]->click();
        dialog.plane[0]->click();
        CVelora expected = original;
        std::array<int, 24> flags{};
        flags[23 - 3] = flags[23 - 0] = 1;
        ASSERT_EQ(expected.EraseBitPlanes(flags), 0u);
        EXPECT_EQ(Block(view->Document().Image()), Block(expected));  // previewed at once
        dialog.accept();
        EXPECT_EQ(Block(view->Document().Image()), Block(expected));
        ASSERT_EQ(view->Document().History().Position(), 1);
        EXPECT_EQ(view->Document().History().Description(0), "Eliminar Planos de Bits");
    }
    CUtilidadView* one = Open("one.bmp", RandomImage(12, 6, 1, 9));
    CPlanosBitsDlg dialog(one);
    for (int p = 0; p < 8; ++p) EXPECT_EQ(dialog.plane[std::size_t(p)]->isEnabled(), p == 0) << p;
    dialog.reject();
}

TEST_F(GrayLevelDialogs, GrayBandsEditArrowsClampsAndTheParameterFileBytes) {
    CUtilidadView* view = Open("bands.bmp", GrayFrom30To180());
    CCambiarNumeroGrises dialog(view);
    EXPECT_EQ(dialog.windowTitle(), "Cambiar nº niveles de gris de la imagen");
    EXPECT_EQ(dialog.bandsEdit->text(), "24 ");
    EXPECT_EQ(dialog.Bands(), 24);
    const QStringList labels = Labels(dialog);
    EXPECT_TRUE(labels.contains("Nº mínimo:    2"));
    EXPECT_TRUE(labels.contains("Nº máximo: 128"));

    const auto askedBefore = COperationDialog::askSavePath;
    const std::string path = dir + "/bandas.CfgBandasNivelesGris";
    QString filterAsked;
    COperationDialog::askSavePath = [&](QWidget*, const QString& filter, const QString&) {
        filterAsked = filter;
        return QString::fromStdString(path);
    };
    dialog.saveButton()->click();
    EXPECT_EQ(filterAsked, "Archivos CfgBandasNivelesGris (*.CfgBandasNivelesGris)");
    // As the box shows it, CR LF after: the batch reader takes the value up to the CR.
    EXPECT_EQ(ReadFile(path), Bytes("NUMBER OF BANDS OF GRAY LEVELS=24 \r\n"));
    Type(dialog.bandsEdit, "7");
    dialog.saveButton()->click();
    EXPECT_EQ(ReadFile(path), Bytes("NUMBER OF BANDS OF GRAY LEVELS=7\r\n"));
    COperationDialog::askSavePath = [](QWidget*, const QString&, const QString&) { return QString(); };
    dialog.saveButton()->click();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last(), "Salvando Parámetros de Bandas de Niveles de Gris|Error al crear el archivo");
    COperationDialog::askSavePath = askedBefore;

    Type(dialog.bandsEdit, "500");
    Leave(dialog.bandsEdit);
    EXPECT_EQ(dialog.Bands(), 128);
    EXPECT_EQ(dialog.bandsEdit->text(), "128");
    dialog.up->click();
    EXPECT_EQ(dialog.Bands(), 128);
    Type(dialog.bandsEdit, "1");
    Leave(dialog.bandsEdit);
    EXPECT_EQ(dialog.Bands(), 2);
    dialog.down->click();
    EXPECT_EQ(dialog.Bands(), 2);
    dialog.up->click();
    EXPECT_EQ(dialog.bandsEdit->text(), "3");
    EXPECT_EQ(Block(view->Document().Image()), Block(original));  // the preview box is off
    dialog.accept();
    CVelora expected = original;
    ASSERT_EQ(expected.GrayBands(3), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    EXPECT_EQ(view->Document().History().Description(0), "Modificación del Nº de Niveles de Gris de la Imagen");
}

TEST_F(GrayLevelDialogs, ColourToGrayShowsTheFormulasAndPreviewsTheChosenMethod) {
    CUtilidadView* view = Open("colour.bmp", RandomImage(10, 6, 24, 4));
    CColorToGrisDlg dialog(view);
    EXPECT_EQ(dialog.windowTitle(), "Color a Gris");
    EXPECT_TRUE(dialog.method[0]->isChecked());
    EXPECT_EQ(dialog.method[0]->text(), "Luminancia YIQ en NTSC");
    EXPECT_EQ(dialog.method[1]->text(), "Media");
    const QStringList labels = Labels(dialog);
    EXPECT_TRUE(labels.contains("Y = 0.299 * Rojo + 0.587 * Verde + 0.114 * Azul"));
    EXPECT_TRUE(labels.contains("Y = (Rojo + Verde + Azul) / 3"));
    dialog.method[1]->click();
    CVelora expected = original;
    ASSERT_EQ(expected.ColorToGray(1), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    dialog.accept();
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    EXPECT_EQ(view->Document().History().Description(0), "Transformar a Nivel de Gris");
}

TEST_F(GrayLevelDialogs, ColourBalanceSlidersClampAndResetToZero) {
    CUtilidadView* view = Open("balance.bmp", RandomImage(10, 6, 24, 6));
    CCalibracionColorDlg dialog(view);
    EXPECT_EQ(dialog.windowTitle(), "Calibración del Color a balance.bmp");
    for (const CSliderEdit* pair : {dialog.red, dialog.green, dialog.blue}) {
        EXPECT_EQ(pair->Value(), 0);
        EXPECT_EQ(pair->Slider()->minimum(), -100);
        EXPECT_EQ(pair->Slider()->maximum(), 100);
        EXPECT_EQ(pair->Slider()->tickInterval(), 20);
    }
    Type(dialog.red->Edit(), "250");
    Leave(dialog.red->Edit());
    EXPECT_EQ(dialog.red->Text(), "100");
    dialog.blue->Slider()->setValue(-40);
    CVelora expected = original;
    ASSERT_EQ(expected.ColorBalance(100, 0, -40), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    EXPECT_EQ(dialog.resetButton->text(), "Restablecer Valores");
    dialog.resetButton->click();
    for (const CSliderEdit* pair : {dialog.red, dialog.green, dialog.blue}) {
        EXPECT_EQ(pair->Value(), 0);
        EXPECT_EQ(pair->Text(), "0");
        EXPECT_EQ(pair->Slider()->value(), 0);
    }
    EXPECT_EQ(Block(view->Document().Image()), Block(original));
    dialog.green->Slider()->setValue(20);
    dialog.accept();
    expected = original;
    ASSERT_EQ(expected.ColorBalance(0, 20, 0), 0u);
    EXPECT_EQ(Block(view->Document().Image()), Block(expected));
    ASSERT_EQ(view->Document().History().Position(), 1);
    EXPECT_EQ(view->Document().History().Description(0), "Calibración de Color");
}

TEST_F(GrayLevelDialogs, SeePlanesOpensOneUnmodifiedWindowPerPlane) {
    for (const auto& [depth, planes] : {std::pair{8, 8}, std::pair{32, 24}, std::pair{1, 1}}) {
        SCOPED_TRACE(depth);
        const std::string name = "vista" + std::to_string(depth) + ".bmp";
        CUtilidadView* view = Open(name, RandomImage(13, 5, depth, unsigned(depth), true));
        const int before = int(Frame().Children().size());
        Frame().Execute(kCmdBitPlanes);
        Settle();
        ASSERT_EQ(int(Frame().Children().size()), before + planes);
        for (CChildFrame* child : Frame().Children()) {
            const CUtilidadDoc& doc = child->View()->Document();
            const QString title = QString::fromStdString(doc.Title());
            if (!title.startsWith(QString::fromStdString("vista" + std::to_string(depth) + " Plano "))) continue;
            const int p = title.section(' ', 2, 2).section('.', 0, 0).toInt();
            EXPECT_EQ(title, QString("vista%1 Plano %2.bmp").arg(depth).arg(p));
            EXPECT_EQ(doc.Image().GetName(), title.toStdString());
            EXPECT_FALSE(doc.IsModified());
            CVelora expected = original;
            ASSERT_EQ(expected.ExtractBitPlane(p), 0u);
            EXPECT_EQ(Block(doc.Image()), Block(expected)) << p;
        }
        EXPECT_EQ(Block(view->Document().Image()), Block(original));
        EXPECT_TRUE(Frame().TimingText().startsWith("Tiempo de Cálculo Planos de Bits: "));
    }
}
