// The workbench as a user drives it: opening files, load errors, pasting, keypad scaling,
// tool windows that follow the image windows, and pixel edits with their undo steps.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTest>
#include <filesystem>
#include <functional>

#include "ChildFrame.h"
#include "ConfigDlg.h"
#include "Clipboard.h"
#include "Inspectors.h"
#include "LastFolder.h"
#include "MainFrame.h"
#include "Messages.h"
#include "OperationRunner.h"
#include "RawDimensionDlg.h"
#include "TestImages.h"
#include "ToolWindowHost.h"
#include "WorkbenchFixture.h"
#include "View.h"
#include "Workbench.h"

using namespace testing_support;
using velora::ui::MessageKind;
using velora::ui::MessageSink;


TEST_F(Workbench, OpenedFileGetsAChildSizedToTheImage) {
    ASSERT_TRUE(Frame().OpenFile(WriteImage("open.bmp", RandomImage(300, 200, 24, 1))));
    Settle();
    CUtilidadView* view = Frame().ActiveView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Document().Image().GetWidth(), 300);
    // The whole image, every edge in sight: no scroll bar takes a strip of it.
    const auto shownWhole = [view] {
        EXPECT_EQ(view->viewport()->size(), QSize(300, 200));
        EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
        EXPECT_FALSE(view->verticalScrollBar()->isVisible());
    };
    shownWhole();
    EXPECT_TRUE(Frame().TimingText().startsWith("Tiempo de Cargar Imagen BMP: ")) << Frame().TimingText().toStdString();
    EXPECT_TRUE(messages.isEmpty());

    // Made smaller by hand, the window scrolls; "Mostrar Vista CON barras" fits it again.
    view->parentWidget()->resize(150, 120);
    Settle();
    EXPECT_TRUE(view->horizontalScrollBar()->isVisible());
    Frame().Execute(kCmdSizeToImage);
    Settle();
    shownWhole();
}

TEST_F(Workbench, LargeImagesFitTheWorkspaceScrollByWheelStepsAndKeepTheirSizeInACascade) {
    CUtilidadView* large = OpenImage("grande.bmp", RandomImage(1800, 2400, 8, 2));
    auto* largeChild = qobject_cast<QMdiSubWindow*>(large->parentWidget());
    const QRect workspace = Frame().MdiArea()->viewport()->rect();
    ASSERT_LT(workspace.width(), 1800);
    EXPECT_TRUE(workspace.contains(largeChild->geometry())) << workspace.width() << "x" << workspace.height();
    EXPECT_TRUE(large->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(large->verticalScrollBar()->isVisible());

    // One notch: the platform's lines of about 20 pixels; with Shift, a page.
    const auto notch = [large](Qt::KeyboardModifiers modifiers) {
        QWheelEvent wheel(QPointF(10, 10), large->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(large->viewport(), &wheel);
    };
    QScrollBar* vertical = large->verticalScrollBar();
    notch(Qt::NoModifier);
    EXPECT_EQ(vertical->value(), QApplication::wheelScrollLines() * 20);
    const int before = vertical->value();
    notch(Qt::ShiftModifier);
    EXPECT_GT(vertical->pageStep(), 100);
    ASSERT_LT(before + vertical->pageStep(), vertical->maximum());
    EXPECT_EQ(vertical->value(), before + vertical->pageStep());

    // "Cascada" keeps each window's size.
    CUtilidadView* small = OpenImage("pequena.bmp", RandomImage(50, 40, 8, 3));
    auto* smallChild = qobject_cast<QMdiSubWindow*>(small->parentWidget());
    const QSize largeSize = largeChild->size(), smallSize = smallChild->size();
    Frame().Execute(kCmdCascade);
    Settle();
    EXPECT_EQ(largeChild->size(), largeSize);
    EXPECT_EQ(smallChild->size(), smallSize);
    EXPECT_TRUE(workspace.contains(largeChild->geometry()));
    EXPECT_TRUE(workspace.contains(smallChild->geometry()));
    EXPECT_NE(largeChild->pos(), smallChild->pos());
    EXPECT_FALSE(small->horizontalScrollBar()->isVisible());
}

TEST_F(Workbench, AFailedLoadIsSaidAtOnceAndOpensNoWindow) {
    const std::string bad = dir + "/roto.bmp";
    WriteFile(bad, Bytes("BM this is not a bitmap at all, just text"));
    EXPECT_FALSE(Frame().OpenFile(QString::fromStdString(bad)));
    ASSERT_EQ(messages.size(), 1);  // before any event is processed
    EXPECT_TRUE(messages[0].startsWith("Error|Error. Se intenta cargar un archivo BMP ó PGM no válido"));
    EXPECT_TRUE(messages[0].contains("roto.bmp"));
    Settle();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(Frame().Children().isEmpty());

    // A RAW file whose dimensions dialog is cancelled, by its button or by Esc, opens no
    // window and says nothing.
    WriteFile(dir + "/a.raw", std::vector<std::uint8_t>(50));
    for (bool escape : {false, true}) {
        bool answered = false;
        QTimer::singleShot(0, [&answered, escape] {
            auto* dialog = qobject_cast<CRawDimensionDlg*>(QApplication::activeModalWidget());
            if (!dialog) return;
            answered = true;
            if (escape) {
                QTest::keyClick(dialog, Qt::Key_Escape);
            } else {
                for (QPushButton* button : dialog->findChildren<QPushButton*>())
                    if (button->text() == "Cancelar") button->click();
            }
        });
        EXPECT_FALSE(Frame().OpenFile(QString::fromStdString(dir + "/a.raw")));
        EXPECT_TRUE(answered) << escape;
        Settle();
        EXPECT_TRUE(Frame().Children().isEmpty()) << escape;
        EXPECT_EQ(messages.size(), 1) << escape;
    }
}

TEST_F(Workbench, PastesAreCountedAnd32BitImagesArriveAs24) {
    ASSERT_TRUE(velora::ui::CopyImageToClipboard(RandomImage(7, 5, 32, 2)));
    Settle();
    ASSERT_TRUE(Frame().Action(kCmdPaste)->isEnabled());
    Frame().Execute(kCmdPaste);
    Frame().Execute(kCmdPaste);
    Settle();
    ASSERT_EQ(Frame().Children().size(), 2);
    EXPECT_EQ(Frame().Children()[0]->View()->Document().Title(), "Imagen del Portapeles 1.bmp");
    EXPECT_EQ(Frame().Children()[1]->View()->Document().Title(), "Imagen del Portapeles 2.bmp");
    const CVelora& pasted = Frame().ActiveView()->Document().Image();
    EXPECT_EQ(pasted.GetBitCount(), 24);
    EXPECT_EQ(pasted.GetWidth(), 7);
    EXPECT_EQ(pasted.GetName(), "Imagen del Portapeles 2.bmp");
}

TEST_F(Workbench, KeypadPlusScalesWithOneUndoStep) {
    ASSERT_TRUE(Frame().OpenFile(WriteImage("scale.bmp", RandomImage(100, 100, 8, 3))));
    Settle();
    CUtilidadView* view = Frame().ActiveView();
    QTest::keyClick(view, Qt::Key_Plus, Qt::KeypadModifier);
    Settle();
    CUtilidadDoc& doc = view->Document();
    EXPECT_EQ(doc.Image().GetWidth(), 110);
    EXPECT_EQ(doc.Image().GetHeight(), 110);
    EXPECT_EQ(doc.History().Position(), 1);
    EXPECT_EQ(doc.History().UndoText(), "Deshacer (1) Escalado \tCtrl+Z");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(Frame().Action(kCmdUndo)->text(), "Deshacer (1) Escalado");
    Frame().Execute(kCmdUndo);
    EXPECT_EQ(doc.Image().GetWidth(), 100);
    QTest::keyClick(view, Qt::Key_Plus);  // the main keyboard's + does not scale
    EXPECT_EQ(doc.Image().GetWidth(), 100);
}

TEST_F(Workbench, InPlaceRunnerRefusalLeavesNoStepAndAResizeRefitsTheWindow) {
    CUtilidadView* view = OpenImage("runner.bmp", RandomImage(40, 30, 8, 9));
    CUtilidadDoc& doc = view->Document();
    const CVelora original = doc.Image();
    const QString timing = Frame().TimingText();
    EXPECT_FALSE(velora::ui::RunInPlace(Frame().Workbench(), doc, "Roto", "Cálculo Roto",
                                        [](CVelora&) { return 4u; }, "Error. No se puede"));
    EXPECT_EQ(messages, QStringList{"Mensaje de Error|Error. No se puede"});
    EXPECT_FALSE(doc.History().CanUndo());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(Frame().TimingText(), timing);
    EXPECT_EQ(Block(doc.Image()), Block(original));
    EXPECT_FALSE(velora::ui::RunInPlace(Frame().Workbench(), doc, "Roto", "Cálculo Roto", [](CVelora&) { return 1u; }));
    EXPECT_EQ(messages.size(), 1);  // no message given, none shown

    EXPECT_TRUE(velora::ui::RunInPlace(Frame().Workbench(), doc, "Escalado", "Cálculo Escalado",
                                       [](CVelora& im) { return im.Scale(2.0f, 2.0f, 0); }));
    Settle();
    EXPECT_TRUE(Frame().TimingText().startsWith("Tiempo de Cálculo Escalado: ")) << Frame().TimingText().toStdString();
    EXPECT_EQ(doc.History().Description(0), "Escalado");
    EXPECT_TRUE(view->parentWidget()->windowTitle().endsWith("runner.bmp*"));
    EXPECT_GE(view->viewport()->width(), 80);  // the child grew with the image
    EXPECT_GE(view->viewport()->height(), 60);
}

TEST_F(Workbench, ViewShowsEveryChangeWhetherItsBufferIsKeptOrMadeAnew) {
    CUtilidadView* view = OpenImage("vista.bmp", RandomImage(40, 30, 24, 3));
    CUtilidadDoc& doc = view->Document();
    // What the viewport shows, against the image's own colours at the scrolled place.
    const auto showsTheImage = [&] {
        const QImage shown = view->viewport()->grab().toImage();
        const CVelora& image = doc.Image();
        const int left = view->horizontalScrollBar()->value(), top = view->verticalScrollBar()->value();
        for (int y = 0; y < std::min(image.GetHeight() - top, shown.height()); ++y)
            for (int x = 0; x < std::min(image.GetWidth() - left, shown.width()); ++x) {
                RGBQUAD c{};
                image.GetRGBPixel(x + left, y + top, c);
                if (shown.pixel(x, y) != qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue)) return false;
            }
        return true;
    };
    EXPECT_TRUE(showsTheImage());
    doc.Image() = RandomImage(40, 30, 24, 4);  // new pixels, same size: the buffer is kept
    Frame().Workbench().DocumentChanged(doc, false);
    EXPECT_TRUE(showsTheImage());
    doc.Image() = RandomImage(40, 30, 8, 5);  // same size, a colour table
    Frame().Workbench().DocumentChanged(doc, false);
    EXPECT_TRUE(showsTheImage());
    doc.Image() = RandomImage(23, 37, 32, 6);  // another size: a new buffer
    Frame().Workbench().DocumentChanged(doc, true);
    Settle();
    EXPECT_EQ(view->ImageSize(), QSize(23, 37));
    view->SetScaleToFit(false);  // pixel for pixel, as the comparison reads it
    EXPECT_TRUE(showsTheImage());
    // Beside a narrower image the viewport shows the background.
    if (view->viewport()->width() > 23) {
        EXPECT_EQ(view->viewport()->grab().toImage().pixel(23, 0), view->palette().color(QPalette::Dark).rgb());
    }

    // Taller than the window: the rows scrolled into sight show the image as it is now.
    doc.Image() = RandomImage(60, 3000, 24, 7);
    Frame().Workbench().DocumentChanged(doc, true);
    Settle();
    view->SetScaleToFit(false);
    Settle();
    ASSERT_GT(view->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(showsTheImage());
    doc.Image() = RandomImage(60, 3000, 24, 8);
    Frame().Workbench().DocumentChanged(doc, false);
    EXPECT_TRUE(showsTheImage());
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    EXPECT_TRUE(showsTheImage());
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
    EXPECT_TRUE(showsTheImage());
}

TEST_F(Workbench, OpenDocumentsListsEachDocumentOnceInWindowOrder) {
    CUtilidadView* first = OpenImage("uno.bmp", RandomImage(8, 8, 8, 1));
    OpenImage("dos.bmp", RandomImage(8, 8, 8, 2));
    Frame().MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    Frame().Execute(kCmdNewWindow);  // a second window on the first document
    Settle();
    ASSERT_EQ(Frame().Children().size(), 3);
    const auto documents = Frame().Workbench().OpenDocuments();
    ASSERT_EQ(documents.size(), 2u);
    EXPECT_EQ(documents[0]->Title(), "uno.bmp");
    EXPECT_EQ(documents[1]->Title(), "dos.bmp");
    EXPECT_EQ(documents[0], first->SharedDocument());
}

TEST_F(Workbench, ToolWindowsCloseWithTheLastChildAndReopen) {
    config->switches.loadModeless = 1;
    ASSERT_TRUE(Frame().OpenFile(WriteImage("tools.bmp", RandomImage(30, 20, 24, 4))));
    Settle();
    EXPECT_FALSE(Frame().Tools().Pending());
    EXPECT_NE(Frame().Tools().Find(kCmdImageInfo), nullptr);
    EXPECT_NE(Frame().Tools().Find(kCmdDibProperties), nullptr);
    EXPECT_TRUE(Frame().Action(kCmdImageInfo)->isEnabled());

    Frame().Children()[0]->close();
    Settle();
    EXPECT_EQ(Frame().Tools().Find(kCmdImageInfo), nullptr);
    EXPECT_TRUE(Frame().Tools().Pending());
    EXPECT_FALSE(Frame().Action(kCmdImageInfo)->isEnabled());

    ASSERT_TRUE(Frame().OpenFile(WriteImage("tools2.bmp", RandomImage(10, 10, 8, 5))));
    Settle();
    auto* dib = dynamic_cast<CPropiedadesDIB*>(Frame().Tools().Find(kCmdDibProperties));
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->windowTitle(), "Propiedades del DIB de tools2.bmp");
    EXPECT_EQ(dib->Field("Paleta")->text(), "1024");
    EXPECT_EQ(dib->Field("biCompression")->text(), "BI_RGB");
}

TEST_F(Workbench, InformationEditsRecordUndoSteps) {
    CVelora image = RandomImage(6, 4, 24, 6);
    image.SetPixel(2, 1, 0x405060);
    ASSERT_TRUE(Frame().OpenFile(WriteImage("info.bmp", image)));
    Settle();
    Frame().Execute(kCmdImageInfo);
    auto* info = dynamic_cast<CInformacionDlg*>(Frame().Tools().Find(kCmdImageInfo));
    ASSERT_NE(info, nullptr);
    EXPECT_FALSE(info->valueEdit->isVisibleTo(info));  // 24 bits: no value field
    info->columnEdit->setText("");
    QTest::keyClicks(info->columnEdit, "2");
    info->rowEdit->setText("");
    QTest::keyClicks(info->rowEdit, "1");
    EXPECT_EQ(info->componentEdit[0]->text(), "64");
    info->columnEdit->setText("");
    QTest::keyClicks(info->columnEdit, "6");  // the width: back to 0
    EXPECT_EQ(info->columnEdit->text(), "0");
    info->columnEdit->setText("2");

    info->editBox->setChecked(true);
    info->componentEdit[0]->setText("");
    QTest::keyClicks(info->componentEdit[0], "300");
    CUtilidadDoc& doc = Frame().ActiveView()->Document();
    EXPECT_EQ(doc.Image().GetPixel(2, 1), 0x405060u);  // nothing written while typing
    EXPECT_FALSE(doc.History().CanUndo());
    QTest::keyClick(info->componentEdit[0], Qt::Key_Return);
    QApplication::processEvents();  // the window re-reads the edited image on the next turn
    EXPECT_EQ(info->componentEdit[0]->text(), "0");  // beyond the range: the box and the pixel hold 0
    EXPECT_EQ(doc.Image().GetPixel(2, 1), 0x005060u);
    EXPECT_EQ(doc.History().UndoText(), "Deshacer (1) Editar componente R coordenada \tCtrl+Z");
    EXPECT_TRUE(doc.IsModified());
    // Committing the value the pixel already has records nothing.
    QTest::keyClick(info->componentEdit[1], Qt::Key_Return);
    EXPECT_EQ(doc.History().Position(), 1);
    info->componentEdit[1]->setText("");
    QTest::keyClicks(info->componentEdit[1], "17");
    QTest::keyClick(info->componentEdit[1], Qt::Key_Return);
    EXPECT_EQ(doc.Image().GetPixel(2, 1), 0x001160u);
    EXPECT_EQ(doc.History().Position(), 2);
    Frame().Execute(kCmdUndo);
    Frame().Execute(kCmdUndo);
    EXPECT_EQ(doc.Image().GetPixel(2, 1), 0x405060u);
}

TEST_F(Workbench, InformationValueEditIsOneUndoStep) {
    CVelora image = RandomImage(5, 5, 8, 9, true);
    image.SetPixel(1, 1, 3);
    ASSERT_TRUE(Frame().OpenFile(WriteImage("valor.bmp", image)));
    Settle();
    Frame().Execute(kCmdImageInfo);
    auto* info = dynamic_cast<CInformacionDlg*>(Frame().Tools().Find(kCmdImageInfo));
    ASSERT_NE(info, nullptr);
    info->columnEdit->setText("1");
    info->rowEdit->setText("1");
    info->editBox->setChecked(true);
    info->valueEdit->setText("");
    QTest::keyClicks(info->valueEdit, "200");
    QTest::keyClick(info->valueEdit, Qt::Key_Return);
    CUtilidadDoc& doc = Frame().ActiveView()->Document();
    EXPECT_EQ(doc.Image().GetPixel(1, 1), 200u);
    EXPECT_EQ(doc.History().UndoText(), "Deshacer (1) Editar valor coordenada \tCtrl+Z");
    Frame().Execute(kCmdUndo);
    EXPECT_EQ(doc.Image().GetPixel(1, 1), 3u);
}

TEST_F(Workbench, ClosingAllViewsAsksOnceAboutUnsavedChanges) {
    ASSERT_TRUE(Frame().OpenFile(WriteImage("c1.bmp", RandomImage(8, 8, 8, 7))));
    ASSERT_TRUE(Frame().OpenFile(WriteImage("c2.bmp", RandomImage(8, 8, 8, 8))));
    Settle();
    Frame().Execute(kCmdFlipVertical);
    answer = QMessageBox::No;
    Frame().Execute(kCmdCloseAllViews);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_EQ(Frame().Children().size(), 2);  // refused: nothing closed
    answer = QMessageBox::Yes;
    Frame().Execute(kCmdCloseAllViews);
    Settle();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_TRUE(Frame().Children().isEmpty());
    EXPECT_TRUE(Frame().TimingText().startsWith("Tiempo de Cerrar Todas las Imágenes: "));
}

TEST_F(Workbench, SettingsDialogAndStepByStepToggle) {
    Frame().Execute(kCmdStepByStep);
    EXPECT_TRUE(Frame().StepByStep());
    EXPECT_TRUE(Frame().Action(kCmdStepByStep)->isChecked());
    EXPECT_EQ(config->switches.stepByStep, 0u);  // the toolbar toggle leaves the file's switch alone
    Frame().Execute(kCmdStepByStep);

    CConfigDlg dialog(*config, &Frame());
    dialog.Box(1)->setChecked(true);
    dialog.Box(3)->setChecked(false);
    dialog.accept();
    EXPECT_TRUE(config->writeOnExit);
    EXPECT_EQ(config->switches.stepByStep, 1u);
    EXPECT_EQ(config->switches.loadModeless, 0u);

    CRawDimensionDlg raw(10304, "cara.raw", nullptr);
    EXPECT_EQ(raw.windowTitle(), "Seleccionar Dimensión de cara.raw");
    EXPECT_EQ(raw.WidthEdit()->text(), "92");
    EXPECT_TRUE(raw.AcceptButton()->isEnabled());
    raw.WidthEdit()->setText("93");
    EXPECT_FALSE(raw.AcceptButton()->isEnabled());
}

TEST_F(Workbench, SaveOfAPgmAsksForANameAndFailuresAreReported) {
    const std::string pgm = dir + "/p.pgm";
    WriteFile(pgm, Bytes("P5 2 1 255\n\x01\x02"));
    ASSERT_TRUE(Frame().OpenFile(QString::fromStdString(pgm)));
    Settle();
    CUtilidadDoc& doc = Frame().ActiveView()->Document();
    EXPECT_TRUE(doc.Save().needsSaveAs);
    EXPECT_EQ(ReadFile(pgm).size(), 13u);  // never opened for writing
    std::filesystem::create_directories(dir + "/taken.bmp/x");
    doc.SetModified();
    const auto outcome = doc.SaveAs(dir + "/taken.bmp", CUtilidadDoc::kFilterBmp);
    EXPECT_FALSE(outcome.saved);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(Workbench, FileDialogsStartInTheFolderTheirKindLastUsed) {
    // The settings are the user's: what this test changes is put back.
    QSettings settings("Velora", "CVeloraMDI");
    std::vector<std::pair<const char*, QVariant>> kept;
    for (const char* key : {velora::ui::kOpenFolderKey, velora::ui::kSaveFolderKey, velora::ui::kParameterFolderKey})
        kept.emplace_back(key, settings.value(key));
    const std::string folder = dir + "/carpeta";
    std::filesystem::remove_all(folder);  // nothing left to overwrite from an earlier run
    std::filesystem::create_directories(folder);
    const QString folderPath = QFileInfo(QString::fromStdString(folder)).absoluteFilePath();

    // Answers the next file dialog: records where it starts, then chooses the file (or
    // cancels). It looks until the dialog is up.
    QString startedIn;
    std::function<void(const QString&)> choose = [&startedIn, &choose](const QString& file) {
        QTimer::singleShot(10, [&startedIn, &choose, file] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) dialog = d;
            }
            if (!dialog) {
                choose(file);
                return;
            }
            startedIn = dialog->directory().absolutePath();
            if (file.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(file);
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
        });
    };
    choose(WriteImage("carpeta/abierta.bmp", RandomImage(8, 8, 8, 1)));
    Frame().Execute(kCmdOpen);
    Settle();
    ASSERT_EQ(Frame().Children().size(), 1);
    choose("");
    Frame().Execute(kCmdOpen);
    EXPECT_EQ(startedIn, folderPath);

    // Each kind keeps its own folder.
    velora::ui::RememberFolderOf(velora::ui::kParameterFolderKey, QString::fromStdString(dir) + "/brillo.CfgBrillo");
    EXPECT_EQ(velora::ui::LastFolder(velora::ui::kParameterFolderKey), QFileInfo(QString::fromStdString(dir)).absoluteFilePath());
    EXPECT_EQ(velora::ui::LastFolder(velora::ui::kOpenFolderKey), folderPath);

    // A folder removed since: the dialog starts where it would without one.
    Frame().Children()[0]->close();
    Settle();
    std::filesystem::remove_all(folder);
    EXPECT_TRUE(velora::ui::LastFolder(velora::ui::kOpenFolderKey).isEmpty());
    choose("");
    Frame().Execute(kCmdOpen);
    EXPECT_NE(startedIn, folderPath);
    EXPECT_TRUE(QFileInfo(startedIn).isDir());

    for (const auto& [key, value] : kept) {
        if (value.isValid()) settings.setValue(key, value);
        else settings.remove(key);
    }
}

TEST_F(Workbench, AConfigurationFileThatCannotBeReadIsSaidOnceInTheStatusBar) {
    // A folder where the file should be: start-up goes on with the defaults and leaves it be.
    std::filesystem::create_directories(dir + "/" + CConfiguration::kFileName);
    config->Read();
    EXPECT_EQ(config->switches, CConfiguration::Defaults());
    bool said = false;
    for (const QLabel* pane : Frame().statusBar()->findChildren<QLabel*>())
        said = said || pane->text() == QString::fromStdString(config->FallbackMessage());
    EXPECT_FALSE(config->FallbackMessage().empty());
    EXPECT_TRUE(said);
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/" + CConfiguration::kFileName));
    std::filesystem::remove_all(dir + "/" + CConfiguration::kFileName);
}
