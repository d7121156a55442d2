// The workbench as a user drives it: files, load errors, pasting, scaling, views, tool windows, pixel edits.
#include <QDockWidget>
#include <QStatusBar>
#include <QWheelEvent>

#include "Clipboard.h"
#include "ConfigDlg.h"
#include "Inspectors.h"
#include "LastFolder.h"
#include "OperationRunner.h"
#include "RawDimensionDlg.h"
#include "ToolWindowHost.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

TEST_F(Workbench, ImageWindowsFitTheirImageOrTheWorkspaceScrollByWheelStepsAndKeepTheirSizeInACascade) {
    CUtilidadView* view = OpenImage("open.bmp", RandomImage(300, 200, 24, 1));
    // The whole image, every edge in sight: no scroll bar takes a strip of it.
    const auto shownWhole = [view] {
        EXPECT_EQ(view->viewport()->size(), QSize(300, 200));
        EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
        EXPECT_FALSE(view->verticalScrollBar()->isVisible());
    };
    shownWhole();
    // Made smaller by hand, the window scrolls; "Mostrar Vista CON barras" fits it again.
    view->parentWidget()->resize(150, 120);
    Settle();
    EXPECT_TRUE(view->horizontalScrollBar()->isVisible());
    RunCommand(kCmdSizeToImage);
    shownWhole();

    // A large image fits the workspace and scrolls.
    CUtilidadView* large = OpenImage("grande.bmp", RandomImage(1800, 2400, 8, 2));
    QWidget* largeChild = large->parentWidget();
    const QRect workspace = Frame().MdiArea()->viewport()->rect();
    EXPECT_TRUE(workspace.contains(largeChild->geometry())) << workspace.width() << "x" << workspace.height();
    EXPECT_TRUE(large->horizontalScrollBar()->isVisible() && large->verticalScrollBar()->isVisible());

    // One notch: the platform's lines of about 20 pixels; with Shift, a page.
    QScrollBar* vertical = large->verticalScrollBar();
    int expected = 0;
    for (const auto& [modifiers, step] : {std::pair{Qt::NoModifier, QApplication::wheelScrollLines() * 20},
                                         std::pair{Qt::ShiftModifier, vertical->pageStep()}}) {
        QWheelEvent wheel(QPointF(10, 10), large->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(large->viewport(), &wheel);
        EXPECT_EQ(vertical->value(), expected += step);
    }

    // "Cascada" keeps each window's size, inside the workspace.
    QWidget* smallChild = OpenImage("pequena.bmp", RandomImage(50, 40, 8, 3))->parentWidget();
    const QSize largeSize = largeChild->size(), smallSize = smallChild->size();
    RunCommand(kCmdCascade);
    EXPECT_EQ(largeChild->size(), largeSize);
    EXPECT_EQ(smallChild->size(), smallSize);
    EXPECT_TRUE(workspace.contains(largeChild->geometry()) && workspace.contains(smallChild->geometry()));
    EXPECT_NE(largeChild->pos(), smallChild->pos());
}

TEST_F(Workbench, AFailedLoadIsSaidAtOnceAndOpensNoWindow) {
    const std::string bad = dir + "/roto.bmp";
    WriteFile(bad, Bytes("BM this is not a bitmap at all, just text"));
    EXPECT_FALSE(Frame().OpenFile(QString::fromStdString(bad)));
    ASSERT_EQ(messages.size(), 1);  // before any event is processed
    EXPECT_TRUE(messages[0].contains("roto.bmp"));

    // A RAW file whose dimensions dialog is cancelled (button or Esc) opens no window, says nothing.
    WriteFile(dir + "/a.raw", std::vector<std::uint8_t>(50));
    for (bool escape : {false, true}) {
        bool answered = false;
        QTimer::singleShot(0, [&answered, escape] {
            auto* dialog = qobject_cast<CRawDimensionDlg*>(QApplication::activeModalWidget());
            if (!dialog) return;
            answered = true;
            if (escape) QTest::keyClick(dialog, Qt::Key_Escape);
            else ButtonNamed(dialog, "Cancelar")->click();
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
    Frame().Execute(kCmdPaste);
    RunCommand(kCmdPaste);
    ASSERT_EQ(Frame().Children().size(), 2);
    EXPECT_EQ(Frame().Children()[0]->View()->Document().Title(), "Imagen del Portapeles 1.bmp");
    const CVelora& pasted = Frame().ActiveView()->Document().Image();
    EXPECT_EQ(pasted.GetName(), "Imagen del Portapeles 2.bmp");
    EXPECT_EQ(pasted.GetBitCount(), 24);
}

TEST_F(Workbench, KeypadPlusScalesWithOneUndoStep) {
    CUtilidadView* view = OpenImage("scale.bmp", RandomImage(100, 100, 8, 3));
    CUtilidadDoc& doc = view->Document();
    QTest::keyClick(view, Qt::Key_Plus, Qt::KeypadModifier);
    Settle();
    EXPECT_EQ(QSize(doc.Image().GetWidth(), doc.Image().GetHeight()), QSize(110, 110));
    EXPECT_TRUE(view->parentWidget()->windowTitle().endsWith("scale.bmp*"));
    EXPECT_EQ(Frame().Action(kCmdUndo)->text(), "Deshacer (1) Escalado");  // the item names its step
    Frame().Execute(kCmdUndo);
    EXPECT_EQ(doc.Image().GetWidth(), 100);
    QTest::keyClick(view, Qt::Key_Plus);  // the main keyboard's + does not scale
    EXPECT_EQ(doc.Image().GetWidth(), 100);
}

// A refusal is said when there is something to say (that it leaves no trace: the document's test).
TEST_F(Workbench, InPlaceRunnerRefusalIsSaidAndLeavesNoStep) {
    CUtilidadDoc& doc = OpenImage("runner.bmp", RandomImage(40, 30, 8, 9))->Document();
    for (const QString& message : {QString("Error. No se puede"), QString()})
        EXPECT_FALSE(velora::ui::RunInPlace(Frame().Workbench(), doc, "Roto", "Cálculo Roto", [](CVelora&) { return 4u; }, message));
    EXPECT_EQ(messages, QStringList{"Mensaje de Error|Error. No se puede"});
    EXPECT_FALSE(doc.History().CanUndo());
}

TEST_F(Workbench, ViewShowsEveryChangePixelForPixelWhetherItsBufferIsKeptOrMadeAnew) {
    CUtilidadView* view = OpenImage("vista.bmp", RandomImage(40, 30, 24, 3));
    CUtilidadDoc& doc = view->Document();
    EXPECT_TRUE(ShowsTheImage(view));
    // Same size (buffer kept, with or without a table), then new sizes, the last taller than the window.
    const struct {
        CVelora image;
        bool sizeChanged;
    } changes[] = {{RandomImage(40, 30, 24, 4), false}, {RandomImage(40, 30, 8, 5), false},
                   {RandomImage(23, 37, 32, 6), true},  {RandomImage(60, 3000, 24, 7), true},
                   {RandomImage(60, 3000, 24, 8), false}};
    for (const auto& change : changes) {
        doc.Image() = change.image;
        Frame().Workbench().DocumentChanged(doc, change.sizeChanged);
        Settle();
        EXPECT_EQ(view->ImageSize(), QSize(change.image.GetWidth(), change.image.GetHeight()));
        EXPECT_TRUE(ShowsTheImage(view)) << change.image.GetWidth();
    }
    // The rows scrolled into sight show the image as it is now.
    QScrollBar* vertical = view->verticalScrollBar();
    ASSERT_GT(vertical->maximum(), 0);
    for (int value : {vertical->maximum(), vertical->maximum() / 2}) {
        vertical->setValue(value);
        EXPECT_TRUE(ShowsTheImage(view)) << value;
    }
    // The user's scaling into the window outlasts a new size.
    for (const bool chosen : {false, true}) {
        if (chosen) Frame().Execute(kCmdScaleToFit);
        doc.Image() = RandomImage(30, 20 + chosen, 24, 9);
        Frame().Workbench().DocumentChanged(doc, true);
        EXPECT_EQ(view->IsScaleToFit(), chosen);
    }
}

TEST_F(Workbench, OpenDocumentsListsEachDocumentOnceInWindowOrder) {
    CUtilidadView* first = OpenImage("uno.bmp", RandomImage(8, 8, 8, 1));
    CUtilidadView* second = OpenImage("dos.bmp", RandomImage(8, 8, 8, 2));
    Activate(first);
    RunCommand(kCmdNewWindow);  // a second window on the first document
    ASSERT_EQ(Frame().Children().size(), 3);
    const auto documents = Frame().Workbench().OpenDocuments();
    ASSERT_EQ(documents.size(), 2u);
    EXPECT_EQ(documents[0], first->SharedDocument());
    EXPECT_EQ(documents[1], second->SharedDocument());
}

TEST_F(Workbench, ToolWindowsCloseWithTheLastChildAndReopen) {
    config->switches.loadModeless = 1;
    OpenImage("tools.bmp", RandomImage(30, 20, 24, 4));
    for (const ToolWindowKind& kind : Frame().Tools().Kinds())
        EXPECT_EQ(Frame().Tools().Find(kind.commandId) != nullptr, kind.opensWithImages) << kind.timingLabel;
    Frame().Children()[0]->close();
    Settle();
    EXPECT_EQ(Frame().Tools().Find(kCmdImageInfo), nullptr);
    EXPECT_FALSE(Frame().Action(kCmdImageInfo)->isEnabled());

    OpenImage("tools2.bmp", RandomImage(10, 10, 8, 5));
    auto* dib = dynamic_cast<CPropiedadesDIB*>(Frame().Tools().Find(kCmdDibProperties));
    ASSERT_NE(dib, nullptr);
    EXPECT_TRUE(dib->windowTitle().endsWith("tools2.bmp"));
    EXPECT_EQ(dib->Field("Paleta")->text(), "1024");
}

TEST_F(Workbench, SaveAsRenamesTheImageInTheToolWindowsAndUndoKeepsTheNewName) {
    CUtilidadView* view = OpenImage("antes.bmp", RandomImage(8, 8, 24, 1));
    Frame().Execute(kCmdFlipVertical);
    for (const ToolWindowKind& kind : Frame().Tools().Kinds()) Frame().Execute(kind.commandId);
    std::filesystem::remove(dir + "/despues.bmp");  // no question about replacing it
    AnswerFileDialog(QString::fromStdString(dir + "/despues.bmp"));
    RunCommand(kCmdSaveAs);
    ASSERT_EQ(view->Document().Title(), "despues.bmp");
    Frame().Execute(kCmdUndo);
    // No window names the image as it was: not in its title, nor in any text it shows.
    for (const ToolWindowKind& kind : Frame().Tools().Kinds()) {
        if (QDockWidget* dock = Frame().Tools().DockOf(kind.commandId)) dock->raise();  // a tab in sight
        Settle();
        QWidget* window = Frame().Tools().Find(kind.commandId);
        ASSERT_NE(window, nullptr) << kind.name;
        EXPECT_FALSE(window->windowTitle().contains("antes")) << window->windowTitle().toStdString();
        for (const QLabel* label : window->findChildren<QLabel*>())
            EXPECT_FALSE(label->text().contains("antes")) << label->text().toStdString();
    }
    EXPECT_EQ(dynamic_cast<CInformacionDlg*>(Frame().Tools().Find(kCmdImageInfo))->nameLabel->text(), "despues.bmp");
}

TEST_F(Workbench, InformationEditsAreOneUndoStepPerCommittedValue) {
    // A component of a 24-bit pixel, and the value of a palette pixel.
    for (const int depth : {24, 8}) {
        CVelora image = RandomImage(6, 4, depth, 6, depth == 8);
        image.SetPixel(2, 1, depth == 8 ? 3 : 0x405060);
        const std::uint32_t before = image.GetPixel(2, 1);
        OpenImage("info" + std::to_string(depth) + ".bmp", image);
        Frame().Execute(kCmdImageInfo);
        auto* info = dynamic_cast<CInformacionDlg*>(Frame().Tools().Find(kCmdImageInfo));
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->valueEdit->isVisibleTo(info), depth == 8);
        Type(info->columnEdit, "6");  // the width: back to 0
        EXPECT_EQ(info->columnEdit->text(), "0");
        Type(info->columnEdit, "2");
        Type(info->rowEdit, "1");
        info->editBox->setChecked(true);
        QLineEdit* edit = depth == 8 ? info->valueEdit : info->componentEdit[0];
        Type(edit, "300");
        CUtilidadDoc& doc = Frame().ActiveView()->Document();
        EXPECT_EQ(doc.Image().GetPixel(2, 1), before);  // nothing written while typing
        QTest::keyClick(edit, Qt::Key_Return);
        QApplication::processEvents();  // the window re-reads the edited image on the next turn
        EXPECT_EQ(edit->text(), "0");   // beyond the range: the box and the pixel hold 0
        EXPECT_EQ(doc.Image().GetPixel(2, 1), depth == 8 ? 0u : 0x005060u);
        ASSERT_EQ(doc.History().Position(), 1);
        EXPECT_TRUE(doc.IsModified());
        QTest::keyClick(edit, Qt::Key_Return);  // the value the pixel already has: nothing recorded
        EXPECT_EQ(doc.History().Position(), 1);
        if (depth == 24) {
            Type(info->componentEdit[1], "17");
            QTest::keyClick(info->componentEdit[1], Qt::Key_Return);
            EXPECT_EQ(doc.Image().GetPixel(2, 1), 0x001160u);
            EXPECT_EQ(doc.History().Description(1), "Editar componente G coordenada");  // the component edited
        }
        while (doc.History().CanUndo()) Frame().Execute(kCmdUndo);
        EXPECT_EQ(doc.Image().GetPixel(2, 1), before);
    }
}

TEST_F(Workbench, ClosingAllViewsAsksOnceAboutUnsavedChanges) {
    OpenImage("c1.bmp", RandomImage(8, 8, 8, 7));
    OpenImage("c2.bmp", RandomImage(8, 8, 8, 8));
    Frame().Execute(kCmdFlipVertical);
    answer = QMessageBox::No;
    Frame().Execute(kCmdCloseAllViews);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_EQ(Frame().Children().size(), 2);  // refused: nothing closed
    answer = QMessageBox::Yes;
    RunCommand(kCmdCloseAllViews);
    EXPECT_EQ(questions.size(), 2);
    EXPECT_TRUE(Frame().Children().isEmpty());
}

TEST_F(Workbench, SettingsDialogAndStepByStepToggle) {
    Frame().Execute(kCmdStepByStep);
    EXPECT_TRUE(Frame().StepByStep());
    EXPECT_EQ(config->switches.stepByStep, 0u);  // the toolbar toggle leaves the file's switch alone
    CConfigDlg dialog(*config, &Frame());
    dialog.Box(1)->setChecked(true);
    dialog.Box(3)->setChecked(false);
    dialog.accept();
    EXPECT_TRUE(config->writeOnExit);
    EXPECT_EQ(config->switches.stepByStep, 1u);
    EXPECT_EQ(config->switches.loadModeless, 0u);
}

TEST_F(Workbench, FileDialogsStartInTheFolderTheirKindLastUsed) {
    const std::string folder = FreshDir(dir + "/carpeta");  // nothing left to overwrite from an earlier run
    const QString folderPath = QFileInfo(QString::fromStdString(folder)).absoluteFilePath();

    QString startedIn;
    AnswerFileDialog(WriteImage("carpeta/abierta.bmp", RandomImage(8, 8, 8, 1)));
    RunCommand(kCmdOpen);
    ASSERT_EQ(Frame().Children().size(), 1);
    AnswerFileDialog("", &startedIn);
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
    AnswerFileDialog("", &startedIn);
    Frame().Execute(kCmdOpen);
    EXPECT_NE(startedIn, folderPath);
    EXPECT_TRUE(QFileInfo(startedIn).isDir());
}

// The defaults, and the file left be, are the configuration's own test; the status bar says so.
TEST_F(Workbench, AConfigurationFileThatCannotBeReadIsSaidInTheStatusBar) {
    const std::string path = dir + "/" + CConfiguration::kFileName;
    std::filesystem::create_directories(path);
    config->Read();
    ASSERT_FALSE(config->FallbackMessage().empty());
    bool said = false;
    for (const QLabel* pane : Frame().statusBar()->findChildren<QLabel*>())
        said = said || pane->text() == QString::fromStdString(config->FallbackMessage());
    EXPECT_TRUE(said);
    std::filesystem::remove_all(path);
}
