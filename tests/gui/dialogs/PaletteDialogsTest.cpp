// The palette commands: files through the file questions, the editor's strip, exchange, channel swap.
#include <QMouseEvent>

#include "PaletteDialogs.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

class PaletteDialogs : public Workbench {
protected:
    void SetUp() override {
        Workbench::SetUp();
        PaletteFileHooks::showFile = [this](QWidget*, const QString& path) { shown << path; };
    }
    static void MoveTo(QWidget* widget, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    QStringList shown;
};

}  // namespace

TEST_F(PaletteDialogs, SaveAndLoadGoThroughTheFileQuestionsAndOnlyALoadIsUndone) {
    CUtilidadView* first = OpenImage("origen.bmp", RandomImage(8, 6, 8, 1));
    const CVelora source = first->Document().Image();
    const QString palette = QString::fromStdString(dir + "/origen.PspPalette");
    QString proposed;
    PaletteFileHooks::askSavePath = [&](QWidget*, const QString& start) {
        proposed = start;
        return palette;
    };
    Frame().Execute(kCmdSavePalette);
    EXPECT_TRUE(proposed.endsWith("origen.PspPalette")) << proposed.toStdString();
    EXPECT_EQ(ReadFile(palette.toStdString()), Bytes(source.EncodePalette()));
    EXPECT_FALSE(first->Document().History().CanUndo());  // nothing changed, nothing to undo

    // A failed save says so and why.
    const QString nowhere = QString::fromStdString(dir + "/no existe/p.pal");
    PaletteFileHooks::askSavePath = [&](QWidget*, const QString&) { return nowhere; };
    Frame().Execute(kCmdSavePalette);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last(), "Mensaje de Error|Error. No se ha podido almacenar la paleta en el archivo " + nowhere +
                                   ":\nno se puede crear el archivo");

    CUtilidadView* second = OpenImage("destino.bmp", RandomImage(8, 6, 8, 2));
    CUtilidadDoc& doc = second->Document();
    const CVelora before = doc.Image();
    PaletteFileHooks::askLoadPath = [&](QWidget*, const QString&) { return palette; };
    config->switches.notepad = 1;  // BLOCNOTAS: the loaded file is shown
    Frame().Execute(kCmdLoadPalette);
    const auto loaded = PaletteOf(doc.Image()), wanted = PaletteOf(source);
    for (std::size_t i = 0; i < 256; ++i) EXPECT_EQ(loaded[i].rgbRed, wanted[i].rgbRed) << i;
    EXPECT_EQ(doc.Image().CountDifferentPixels(before), 0u);
    EXPECT_EQ(doc.History().Position(), 1);
    EXPECT_EQ(shown, QStringList{palette});  // the BLOCNOTAS switch shows the file

    // A file that is no palette: a message naming the cause, no undo step, no change.
    const std::string bad = dir + "/mala.pal";
    WriteFile(bad, Bytes("JASC-PAL\r\n0100\r\n255\r\n"));
    PaletteFileHooks::askLoadPath = [&](QWidget*, const QString&) { return QString::fromStdString(bad); };
    const auto afterLoad = Block(doc.Image());
    Frame().Execute(kCmdLoadPalette);
    EXPECT_EQ(messages.last(), QString::fromStdString("Mensaje de Error|Error. No se ha podido cargar la paleta del archivo " +
                                                      bad + ":\nno es un archivo de paleta JASC-PAL de 16 o 256 colores"));
    EXPECT_EQ(doc.History().Position(), 1);
    EXPECT_EQ(Block(doc.Image()), afterLoad);
    EXPECT_EQ(shown.size(), 1);
    while (doc.Undo()) {}
    EXPECT_EQ(Block(doc.Image()), Block(before));
}

TEST_F(PaletteDialogs, TheEditorStripIsFramedReadsOutAndChangesEntriesWithALivePreview) {
    CUtilidadView* view = OpenImage("editar.bmp", RandomImage(8, 6, 4, 3));
    CUtilidadDoc& doc = view->Document();
    const CVelora original = doc.Image();
    const RGBQUAD e5 = PaletteOf(original)[5];
    CColourButton::askColour = [](QWidget*, std::uint32_t& colour) {
        colour = 0x563412;  // red 0x12, green 0x34, blue 0x56
        return true;
    };
    {
        CEditarPaletaDlg dialog(view);
        dialog.show();
        ASSERT_EQ(dialog.strip->Entries().size(), 16u);
        // A dark line one pixel outside the entries, all round, so that light entries stay in sight.
        const QImage drawn = dialog.grab().toImage();
        const QRect ring = dialog.strip->EntryRect(0).united(dialog.strip->EntryRect(15)).adjusted(-1, -1, 1, 1);
        int faint = 0;
        const auto check = [&](int x, int y) { faint += qGray(drawn.pixel(dialog.strip->mapTo(&dialog, QPoint(x, y)))) >= 128; };
        for (int x = ring.left(); x <= ring.right(); x += 4) check(x, ring.top()), check(x, ring.bottom());
        for (int y = ring.top(); y <= ring.bottom(); y += 4) check(ring.left(), y), check(ring.right(), y);
        EXPECT_EQ(faint, 0);
        const QPoint at5 = dialog.strip->EntryRect(5).center();
        EXPECT_EQ(dialog.strip->EntryAt(at5), 5);
        MoveTo(dialog.strip, at5);
        EXPECT_EQ(dialog.readout->text(),
                  QString("Nivel: 5   RGB(%1,%2,%3)").arg(e5.rgbRed).arg(e5.rgbGreen).arg(e5.rgbBlue));
        QTest::mouseClick(dialog.strip, Qt::LeftButton, {}, at5);
        EXPECT_EQ(dialog.readout->text(), "Nivel: 5   RGB(18,52,86)");
        EXPECT_EQ(PaletteOf(doc.Image())[5].rgbBlue, 0x56);

        dialog.originalButton->click();
        EXPECT_EQ(Block(doc.Image()), Block(original));
        dialog.ChooseColour(5);
        dialog.reject();
        EXPECT_EQ(Block(doc.Image()), Block(original));
        EXPECT_FALSE(doc.History().CanUndo());
    }
    CEditarPaletaDlg dialog(view);
    dialog.ChooseColour(0);
    dialog.accept();
    EXPECT_EQ(PaletteOf(doc.Image())[0].rgbGreen, 0x34);
    EXPECT_EQ(doc.Image().CountDifferentPixels(original), 0u);
}

TEST_F(PaletteDialogs, TheExchangeListsImagesOfTheDepthAndRecordsEachChangedImage) {
    CUtilidadView* x = OpenImage("x.bmp", RandomImage(8, 6, 8, 4));
    OpenImage("colour.bmp", RandomImage(8, 6, 24, 5));
    CUtilidadView* y = OpenImage("y.bmp", RandomImage(8, 6, 8, 6));
    const CVelora xBefore = x->Document().Image(), yBefore = y->Document().Image();
    {
        CCambiarPaletaDlg dialog(y);
        ASSERT_EQ(dialog.imageA->count(), 2);  // the active image first; no 24-bit one
        EXPECT_EQ(dialog.imageA->itemText(0).toStdString(), y->Document().Title());
        EXPECT_EQ(dialog.imageB->itemText(1).toStdString(), x->Document().Title());
        dialog.Choose(0, 0);
        dialog.Choose(1, 1);  // A = y, B = x: y previews with x's palette
        EXPECT_EQ(PaletteOf(y->Document().Image())[7].rgbRed, PaletteOf(xBefore)[7].rgbRed);
        dialog.mode[1]->click();
        EXPECT_EQ(PaletteOf(x->Document().Image())[7].rgbRed, PaletteOf(yBefore)[7].rgbRed);
        dialog.reject();
    }
    EXPECT_EQ(Block(x->Document().Image()), Block(xBefore));
    EXPECT_EQ(Block(y->Document().Image()), Block(yBefore));

    CCambiarPaletaDlg dialog(y);
    dialog.Choose(0, 0);
    dialog.Choose(1, 1);
    dialog.mode[1]->click();
    dialog.accept();
    // Both images changed: each can undo its change, and neither change is lost unnoticed.
    for (CUtilidadView* view : {x, y}) {
        CUtilidadDoc& doc = view->Document();
        EXPECT_EQ(doc.History().Position(), 1);
        EXPECT_TRUE(doc.IsModified());
    }
    EXPECT_EQ(PaletteOf(x->Document().Image())[200].rgbGreen, PaletteOf(yBefore)[200].rgbGreen);
    EXPECT_EQ(PaletteOf(y->Document().Image())[200].rgbGreen, PaletteOf(xBefore)[200].rgbGreen);
    ASSERT_TRUE(x->Document().Undo());
    EXPECT_EQ(Block(x->Document().Image()), Block(xBefore));
}

TEST_F(PaletteDialogs, TheSaveQuestionNamesEachPatternOnceAndShowsItWhole) {
    PaletteFileHooks::askSavePath = hooks.savePalette;
    bool looked = false;
    OnFileDialog([&looked](QFileDialog& dialog) {
        looked = true;
        auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; types && i < types->count(); ++i) {
            const QString text = types->itemText(i), pattern = text.section('(', -1).chopped(1);
            EXPECT_EQ(text.count(pattern), 1) << text.toStdString();
            EXPECT_GE(types->width(), types->sizeHint().width()) << text.toStdString();  // not cut off
        }
        dialog.reject();
    });
    EXPECT_TRUE(PaletteFileHooks::askSavePath(&Frame(), QString::fromStdString(dir + "/p")).isEmpty());
    EXPECT_TRUE(looked);
}
