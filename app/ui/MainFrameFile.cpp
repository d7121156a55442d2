// The File and Edit menus of the frame: new, open, save, recent and dropped files, undo and
// redo, and the clipboard.
#include "MainFrame.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>

#include "ChildFrame.h"
#include "Clipboard.h"
#include "LastFolder.h"
#include "Messages.h"
#include "RawDimensionDlg.h"
#include "View.h"

using velora::ui::MessageKind;
using velora::ui::MessageSink;
using velora::ui::ShowError;

namespace {

constexpr int kMaxRecentFiles = 9;

}  // namespace

void CMainFrame::RegisterFileHandlers() {
    auto& h = m_handlers;
    h[kCmdNew] = [this] {
        auto doc = NewDocument();
        doc->SetTitle(doc->Image().GetName());
        AddView(doc);
    };
    h[kCmdOpen] = [this] { OnOpen(); };
    h[kCmdSave] = [this] { OnSave(false); };
    h[kCmdSaveAs] = [this] { OnSave(true); };
    h[kCmdExit] = [this] { close(); };
    h[kCmdUndo] = [this] { OnUndoRedo(false); };
    h[kCmdRedo] = [this] { OnUndoRedo(true); };
    h[kCmdCopy] = [this] { OnCopy(); };
    h[kCmdPaste] = [this] { OnPaste(); };
    h[kCmdEmptyClipboard] = [] { QApplication::clipboard()->clear(); };
}

void CMainFrame::OnOpen() {
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, "Abrir", velora::ui::LastFolder(velora::ui::kOpenFolderKey),
        "Todos los tipos (*.BMP *.RAW *.PGM *.bmp *.raw *.pgm);;Archivos BMP (*.BMP *.bmp);;"
        "Archivos RAW (*.RAW *.raw);;Archivos PGM (*.PGM *.pgm)");
    if (!paths.isEmpty()) velora::ui::RememberFolderOf(velora::ui::kOpenFolderKey, paths.first());
    for (const QString& path : paths) OpenFile(path);
}

void CMainFrame::OnSave(bool saveAs) {
    CUtilidadDoc* doc = ActiveDocument();
    if (!doc) return;
    CUtilidadDoc::SaveOutcome outcome;
    if (!saveAs) outcome = doc->Save();
    if (saveAs || outcome.needsSaveAs) {
        const CVelora& image = doc->Image();
        QString selected;
        const QString proposed = QString::fromStdString(image.GetNameWithoutExtension().empty() ? image.GetName()
                                                                                                 : image.GetNameWithoutExtension());
        const QString folder = velora::ui::LastFolder(velora::ui::kSaveFolderKey);
        QString path = QFileDialog::getSaveFileName(this, "Guardar como", folder.isEmpty() ? proposed : QDir(folder).filePath(proposed),
                                                    "Archivos BMP (*.bmp);;Archivos RAW (*.raw)", &selected);
        if (path.isEmpty()) return;
        velora::ui::RememberFolderOf(velora::ui::kSaveFolderKey, path);
        const int filter = selected.startsWith("Archivos RAW") ? CUtilidadDoc::kFilterRaw : CUtilidadDoc::kFilterBmp;
        if (QFileInfo(path).suffix().isEmpty()) path += filter == CUtilidadDoc::kFilterRaw ? ".raw" : ".bmp";
        outcome = doc->SaveAs(QFile::encodeName(path).toStdString(), filter);
        if (outcome.saved) AddRecentFile(path);
    }
    if (!outcome.saved && !outcome.error.empty()) ShowError(this, QString::fromStdString(outcome.error), "Error al guardar");
    DocumentChanged(*doc, false);
}

void CMainFrame::OnUndoRedo(bool redo) {
    CUtilidadDoc* doc = ActiveDocument();
    if (!doc || !(redo ? doc->Redo() : doc->Undo())) return;
    DocumentChanged(*doc, true);
}

void CMainFrame::OnCopy() {
    CUtilidadDoc* doc = ActiveDocument();
    if (!doc) return;
    doc->TimeOperation(false, "");
    const bool ok = velora::ui::CopyImageToClipboard(doc->Image());
    doc->TimeOperation(true, "Copia en Portapapeles");
    if (!ok) MessageSink::show(this, MessageKind::Warning, "CVeloraMDI", "Imposible escribir datos en el portapapeles");
}

void CMainFrame::OnPaste() {
    if (!velora::ui::ClipboardHasImage()) return;
    auto doc = NewDocument();
    const std::string title = "Imagen del Portapeles " + std::to_string(++m_pasteCounter) + ".bmp";
    doc->SetTitle(title);
    doc->Image().SetName(title);
    doc->TimeOperation(false, "");
    const unsigned code = velora::ui::PasteImageFromClipboard(doc->Image());
    if (code != 0) {
        ShowError(this, QString::fromStdString(*LoadErrorMessage(code, title)), "Error");
        return;
    }
    doc->TimeOperation(true, "Pegar desde Portapapeles");
    doc->SetModified();
    CChildFrame* child = AddView(doc);
    SizeViewToImage(child->View());
}

bool CMainFrame::OpenFile(const QString& path) {
    auto doc = std::make_shared<CUtilidadDoc>();
    doc->SetTimingSink([this](const std::string& text) { SetTimingText(QString::fromStdString(text)); });
    const auto outcome = doc->Open(QFile::encodeName(path).toStdString(),
                                   [this](std::uint64_t length, const std::string& name) {
                                       return CRawDimensionDlg::Ask(length, name, this);
                                   });
    if (outcome == CUtilidadDoc::OpenOutcome::Cancelled) return false;
    if (outcome == CUtilidadDoc::OpenOutcome::Failed) {
        // Said at once, and no window is left holding the empty image of a document that failed.
        if (const auto text = LoadErrorMessage(doc->TakeLoadResult(), doc->Title()))
            ShowError(this, QString::fromStdString(*text), "Error");
        return false;
    }
    AddRecentFile(path);
    AddView(doc);
    return true;
}

bool CMainFrame::AskToSave(CUtilidadView* view) {
    CUtilidadDoc& doc = view->Document();
    if (!doc.IsModified()) return true;
    const int answer = MessageSink::ask(this, "CVeloraMDI",
                                        QString("¿Desea guardar los cambios en %1?").arg(QString::fromStdString(doc.Title())),
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::Yes) {
        m_mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
        OnSave(false);
        return !doc.IsModified();
    }
    return true;
}

// ---------------------------------------------------------------- recent files and dropped files

void CMainFrame::AddRecentFile(const QString& path) {
    QSettings settings("Velora", "CVeloraMDI");
    QStringList files = settings.value("recentFiles").toStringList();
    files.removeAll(QFileInfo(path).absoluteFilePath());
    files.prepend(QFileInfo(path).absoluteFilePath());
    while (files.size() > kMaxRecentFiles) files.removeLast();
    settings.setValue("recentFiles", files);
    UpdateRecentFilesMenu();
}

void CMainFrame::UpdateRecentFilesMenu() {
    if (!m_recentMenu) return;
    m_recentMenu->clear();
    const QStringList files = QSettings("Velora", "CVeloraMDI").value("recentFiles").toStringList();
    int n = 1;
    for (const QString& file : files) {
        QAction* a = m_recentMenu->addAction(QString("&%1 %2").arg(n++).arg(QFileInfo(file).fileName()));
        a->setStatusTip(file);
        connect(a, &QAction::triggered, this, [this, file] { OpenFile(file); });
    }
    m_recentMenu->setEnabled(!files.isEmpty());
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) OpenFile(url.toLocalFile());
}
