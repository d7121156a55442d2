#include "PaletteDialogs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "CAccessories.h"
#include "CommandIds.h"
#include "CommandRegistry.h"
#include "DialogTable.h"
#include "Document.h"
#include "GenericOperationDialog.h"
#include "Help.h"
#include "LastFolder.h"
#include "Messages.h"
#include "OperationRunner.h"
#include "QtText.h"
#include "View.h"
#include "Workbench.h"

namespace {

using velora::ui::Q;

constexpr const char* kHelpTopic = "CVelora.chm::/Ayuda/SetPalette.htm";
constexpr const char* kPaletteFolderKey = "lastFolders/palettes";

QString StartPath(const QString& proposed) {
    const QString folder = velora::ui::LastFolder(kPaletteFolderKey);
    return folder.isEmpty() ? proposed : QDir(folder).filePath(proposed);
}

std::vector<RGBQUAD> PaletteOf(const CVelora& image) {
    std::vector<RGBQUAD> table(image.GetNumColors());
    image.GetPalette(table.data());
    return table;
}

QString ColourText(int index, const RGBQUAD& e) {
    return QString("Nivel: %1   RGB(%2,%3,%4)").arg(index).arg(e.rgbRed).arg(e.rgbGreen).arg(e.rgbBlue);
}

void FillSwatch(QLabel* swatch, const RGBQUAD& e) {
    swatch->setStyleSheet(QString("background-color: %1; border: 1px solid gray")
                              .arg(QColor(e.rgbRed, e.rgbGreen, e.rgbBlue).name()));
}

QPushButton* AddHelpButton(QDialog* dialog, QVBoxLayout* buttons) {
    auto* help = new QPushButton("Ayuda", dialog);
    QObject::connect(help, &QPushButton::clicked, dialog, [dialog] { velora::ui::ShowHelpTopic(kHelpTopic, dialog); });
    buttons->addWidget(help);
    return help;
}

// "Aceptar", "Cancelar" and "Ayuda" down the right side, as in the operation dialogs.
QVBoxLayout* AddButtons(QDialog* dialog, QHBoxLayout* outer) {
    auto* buttons = new QVBoxLayout;
    auto* ok = new QPushButton("Aceptar", dialog);
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancelar", dialog);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    AddHelpButton(dialog, buttons);
    buttons->addStretch(1);
    outer->addLayout(buttons);
    return buttons;
}

}  // namespace

// ---------------------------------------------------------------- palette files

std::function<QString(QWidget*, const QString&)> PaletteFileHooks::askLoadPath = [](QWidget* parent,
                                                                                    const QString& startPath) {
    return QFileDialog::getOpenFileName(parent, "Cargar Paleta", startPath,
                                        "Todos los tipos JASC (*.pal *.PspPalette *.PAL);;"
                                        "Paleta Paint Shop Pro v7.02 (*.pal *.PAL);;"
                                        "Paleta Paint Shop Pro X v10.01 (*.PspPalette)");
};

std::function<QString(QWidget*, const QString&)> PaletteFileHooks::askSavePath = [](QWidget* parent,
                                                                                    const QString& startPath) {
    QString selected;
    QString path = QFileDialog::getSaveFileName(parent, "Almacenar Paleta", startPath,
                                                "Paleta JASC de Paint Shop Pro X v10.01 (*.PspPalette);;"
                                                "Paleta JASC de Paint Shop Pro v7.02 (*.pal)",
                                                &selected);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += selected.endsWith("(*.pal)") ? ".pal" : ".PspPalette";
    return path;
};

std::function<void(QWidget*, const QString&)> PaletteFileHooks::showFile = [](QWidget* parent, const QString& path) {
    CAccessories::Launch(CAccessories::Kind::TextEditor, {path}, parent);
};


QString PaletteLoadError(unsigned code, const QString& path) {
    QString why;
    switch (code) {
        case CVelora::kPaletteBadDepth: why = "la imagen no es de 4 ni de 8 bits por píxel"; break;
        case CVelora::kPaletteCannotOpen: why = "no se puede abrir el archivo"; break;
        case CVelora::kPaletteNotJasc: why = "no es un archivo de paleta JASC-PAL de 16 o 256 colores"; break;
        case CVelora::kPaletteBadEntry: why = "una línea de color no tiene tres números entre 0 y 255"; break;
        case CVelora::kPaletteWrongCount: why = "el número de líneas de color no coincide con el indicado en el archivo"; break;
        case CVelora::kPaletteTooLarge: why = "el archivo es demasiado grande para ser una paleta"; break;
        default: why = QString("error %1").arg(code); break;
    }
    return "Error. No se ha podido cargar la paleta del archivo " + path + ":\n" + why;
}

QString PaletteSaveError(unsigned code, const QString& path) {
    const QString why = code == 1   ? "la imagen no es de 4 ni de 8 bits por píxel"
                        : code == 2 ? "no se puede crear el archivo"
                                    : "la escritura del archivo ha fallado; el archivo anterior se conserva";
    return "Error. No se ha podido almacenar la paleta en el archivo " + path + ":\n" + why;
}

bool LoadPaletteFile(CWorkbench& bench) {
    CUtilidadDoc* document = bench.ActiveDocument();
    if (!document) return false;
    const QString path = PaletteFileHooks::askLoadPath(bench.MainWindow(), velora::ui::LastFolder(kPaletteFolderKey));
    if (path.isEmpty()) return false;
    velora::ui::RememberFolderOf(kPaletteFolderKey, path);
    // Not RunOperation: a palette file does not mark the image as modified.
    const auto load = velora::catalog::FindByCommand(kCmdLoadPalette);
    const velora::catalog::Args args({QFile::encodeName(path).toStdString()});
    if (!document->PushUndo(std::string(load.command->undoLabel), {velora::ui::StepOf(bench, *load.operation, args)})) {
        velora::ui::ShowNotCompleted(bench.MainWindow());
        return false;
    }
    document->TimeOperation(false, "");
    const unsigned code = load.operation->call(document->Image(), args);
    if (code != 0) {
        document->DiscardLastUndo();
        velora::ui::ShowError(bench.MainWindow(), PaletteLoadError(code, path));
        return false;
    }
    document->TimeOperation(true, std::string(load.command->timingLabel));
    bench.DocumentChanged(*document, false);
    if (bench.ShowLoadedPaletteFiles()) PaletteFileHooks::showFile(bench.MainWindow(), path);
    return true;
}

bool SavePaletteFile(CWorkbench& bench) {
    CUtilidadDoc* document = bench.ActiveDocument();
    if (!document) return false;
    const CVelora& image = document->Image();
    const QString proposed = QString::fromStdString(image.GetNameWithoutExtension()) + ".PspPalette";
    const QString path = PaletteFileHooks::askSavePath(bench.MainWindow(), StartPath(proposed));
    if (path.isEmpty()) return false;
    velora::ui::RememberFolderOf(kPaletteFolderKey, path);
    // No undo step: saving changes nothing to undo, and a step would throw away the redo steps.
    const auto save = velora::catalog::FindByCommand(kCmdSavePalette);
    document->TimeOperation(false, "");
    CVelora unchanged = image;  // the call takes the image as a step does; saving leaves it as it is
    const unsigned code = save.operation->call(unchanged, velora::catalog::Args({QFile::encodeName(path).toStdString()}));
    if (code != 0) {
        velora::ui::ShowError(bench.MainWindow(), PaletteSaveError(code, path));
        return false;
    }
    document->TimeOperation(true, std::string(save.command->timingLabel));
    return true;
}

// ---------------------------------------------------------------- CPaletteStrip

namespace {
constexpr int kStripWidth = 512;  // 2 pixels per entry of a 256-entry palette
constexpr int kStripHeight = 20;
}  // namespace

CPaletteStrip::CPaletteStrip(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFixedSize(sizeHint());
}

// The frame's line is in the contents margins.
QSize CPaletteStrip::sizeHint() const { return QSize(kStripWidth, kStripHeight).grownBy(contentsMargins()); }

void CPaletteStrip::SetEntries(std::vector<RGBQUAD> entries) {
    m_entries = std::move(entries);
    update();
}

int CPaletteStrip::EntryWidth() const {
    return m_entries.empty() ? kStripWidth : std::max(1, kStripWidth / int(m_entries.size()));
}

QRect CPaletteStrip::EntryRect(int index) const {
    return QRect(index * EntryWidth(), 0, EntryWidth(), kStripHeight).translated(contentsRect().topLeft());
}

int CPaletteStrip::EntryAt(const QPoint& at) const {
    const QPoint point = at - contentsRect().topLeft();
    if (point.y() < 0 || point.y() >= kStripHeight || point.x() < 0) return -1;
    const int index = point.x() / EntryWidth();
    return index < int(m_entries.size()) ? index : -1;
}

void CPaletteStrip::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    for (int i = 0; i < int(m_entries.size()); ++i) {
        const RGBQUAD& e = m_entries[std::size_t(i)];
        painter.fillRect(EntryRect(i), QColor(e.rgbRed, e.rgbGreen, e.rgbBlue));
    }
}

void CPaletteStrip::mouseMoveEvent(QMouseEvent* event) {
    if (const int index = EntryAt(event->position().toPoint()); index >= 0) emit Hovered(index);
}

void CPaletteStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (const int index = EntryAt(event->position().toPoint()); index >= 0) emit Clicked(index);
}

// ---------------------------------------------------------------- CEditarPaletaDlg

CEditarPaletaDlg::CEditarPaletaDlg(CUtilidadView* view)
    : QDialog(view), m_bench(view->Workbench()), m_document(view->Document()), m_backup(view->Document().Image()) {
    setModal(true);
    setWindowTitle("Editar Paleta");
    m_initial = m_working = PaletteOf(m_backup);

    auto* outer = new QHBoxLayout(this);
    auto* group = new QGroupBox("Paleta de la Imagen Activa", this);
    auto* body = new QVBoxLayout(group);
    strip = new CPaletteStrip(group);
    strip->SetEntries(m_working);
    body->addWidget(strip);
    auto* line = new QHBoxLayout;
    swatch = new QLabel(group);
    swatch->setFixedSize(40, 20);
    readout = new QLabel(group);
    readout->setMinimumWidth(220);
    line->addWidget(swatch);
    line->addWidget(readout, 1);
    body->addLayout(line);
    originalButton = new QPushButton("Paleta Original", group);
    body->addWidget(originalButton, 0, Qt::AlignLeft);
    outer->addWidget(group, 1);
    AddButtons(this, outer);

    connect(strip, &CPaletteStrip::Hovered, this, &CEditarPaletaDlg::ShowEntry);
    connect(strip, &CPaletteStrip::Clicked, this, &CEditarPaletaDlg::ChooseColour);
    connect(originalButton, &QPushButton::clicked, this, &CEditarPaletaDlg::RestoreOriginal);
}

void CEditarPaletaDlg::ShowEntry(int index) {
    if (index < 0 || index >= int(m_working.size())) return;
    const RGBQUAD& e = m_working[std::size_t(index)];
    FillSwatch(swatch, e);
    readout->setText(ColourText(index, e));
}

void CEditarPaletaDlg::ChooseColour(int index) {
    if (index < 0 || index >= int(m_working.size())) return;
    m_lastIndex = index;
    ShowEntry(index);
    RGBQUAD& e = m_working[std::size_t(index)];
    std::uint32_t colour = RGB(e.rgbRed, e.rgbGreen, e.rgbBlue);
    if (!CColourButton::askColour(this, colour)) return;
    e.rgbRed = std::uint8_t(colour);
    e.rgbGreen = std::uint8_t(colour >> 8);
    e.rgbBlue = std::uint8_t(colour >> 16);
    SetWorking();
    ShowEntry(index);
}

void CEditarPaletaDlg::SetWorking() {
    m_document.Image().SetPalette(m_working.data());
    strip->SetEntries(PaletteOf(m_document.Image()));
    m_bench.DocumentChanged(m_document, false);
}

void CEditarPaletaDlg::RestoreOriginal() {
    m_working = m_initial;
    SetWorking();
    if (m_lastIndex >= 0) ShowEntry(m_lastIndex);
}

void CEditarPaletaDlg::accept() {
    m_document.Image() = m_backup;
    if (!m_document.PushUndo("Editar Paleta")) {
        SetWorking();  // the edits stay on show; the dialog stays open
        return velora::ui::ShowNotCompleted(this);
    }
    m_document.TimeOperation(false, "");
    m_document.Image().SetPalette(m_working.data());
    m_document.TimeOperation(true, "Edición de la Paleta");
    m_document.SetModified();
    m_bench.DocumentChanged(m_document, false);
    QDialog::accept();
}

void CEditarPaletaDlg::reject() {
    m_document.Image() = m_backup;
    m_bench.DocumentChanged(m_document, false);
    QDialog::reject();
}

// ---------------------------------------------------------------- CCambiarPaletaDlg

CCambiarPaletaDlg::CCambiarPaletaDlg(CUtilidadView* view)
    : QDialog(view), m_bench(view->Workbench()), m_active(&view->Document()) {
    setModal(true);
    setWindowTitle("Intercambiar la Paleta");  // not a library operation: its texts are its own

    // The active image first (when it has a palette), then every other of its depth.
    const CVelora& active = m_active->Image();
    const unsigned depth = active.GetBitCount();
    if (depth == 1 || depth == 4 || depth == 8) {
        for (const auto& document : m_bench.OpenDocuments())
            if (document.get() == m_active) m_documents.insert(m_documents.begin(), document);
            else if (document->Image().GetBitCount() == depth) m_documents.push_back(document);
    }

    auto* outer = new QHBoxLayout(this);
    auto* body = new QVBoxLayout;
    auto* grid = new QGridLayout;
    imageA = new QComboBox(this);
    imageB = new QComboBox(this);
    for (QComboBox* box : {imageA, imageB}) {
        box->setMinimumWidth(260);
        // The items carry their place in the list: two windows may show the same title.
        for (const auto& document : m_documents) box->addItem(QString::fromStdString(document->Title()));
        box->setCurrentIndex(-1);
    }
    grid->addWidget(new QLabel("Imagen A", this), 0, 0);
    grid->addWidget(imageA, 0, 1);
    grid->addWidget(new QLabel("Imagen B", this), 1, 0);
    grid->addWidget(imageB, 1, 1);
    body->addLayout(grid);
    auto* modes = new QGroupBox(this);
    auto* modeLayout = new QVBoxLayout(modes);
    mode[0] = new QRadioButton("Asignar a Imagen A la paleta de B", modes);
    mode[1] = new QRadioButton("Intercambiar Paletas", modes);
    mode[0]->setChecked(true);
    for (QRadioButton* r : mode) modeLayout->addWidget(r);
    body->addWidget(modes);
    differentPixels = new QLabel(this);
    differentPixels->setMinimumWidth(260);
    body->addWidget(differentPixels);
    outer->addLayout(body, 1);
    AddButtons(this, outer);

    connect(imageA, qOverload<int>(&QComboBox::activated), this, [this](int item) { Choose(0, item); });
    connect(imageB, qOverload<int>(&QComboBox::activated), this, [this](int item) { Choose(1, item); });
    for (int m = 0; m < 2; ++m)
        connect(mode[std::size_t(m)], &QRadioButton::toggled, this, [this, m](bool on) {
            if (!on) return;
            m_mode = m;
            if (m_chosen[0] && m_chosen[1]) {
                RestoreBoth();
                Preview();
            }
        });
}

void CCambiarPaletaDlg::RestoreBoth() {
    // B before A: when both are the same document, A's backup is the one taken first.
    for (int i : {1, 0})
        if (m_chosen[std::size_t(i)]) m_chosen[std::size_t(i)]->Image() = m_backups[std::size_t(i)];
}

void CCambiarPaletaDlg::Choose(int which, int item) {
    if (item < 0 || item >= int(m_documents.size())) return;
    RestoreBoth();
    CUtilidadDoc* document = m_documents[std::size_t(item)].get();
    m_chosen[std::size_t(which)] = document;
    m_backups[std::size_t(which)] = document->Image();
    (which == 0 ? imageA : imageB)->setCurrentIndex(item);
    if (m_chosen[0] && m_chosen[1]) {
        differentPixels->setText(
            QString("Nº de Píxeles Distintos: %1").arg(m_chosen[0]->Image().CountDifferentPixels(m_chosen[1]->Image())));
        Preview();
    } else {
        Repaint();
    }
}

void CCambiarPaletaDlg::ApplyTo(CVelora& a, CVelora& b) const {
    const std::vector<RGBQUAD> paletteA = PaletteOf(a), paletteB = PaletteOf(b);
    const std::size_t common = std::min(paletteA.size(), paletteB.size());
    std::vector<RGBQUAD> newA = paletteA, newB = paletteB;
    std::copy_n(paletteB.begin(), common, newA.begin());
    std::copy_n(paletteA.begin(), common, newB.begin());
    a.SetPalette(newA.data());
    if (m_mode == 1) b.SetPalette(newB.data());
}

void CCambiarPaletaDlg::Preview() {
    m_active->TimeOperation(false, "");
    ApplyTo(m_chosen[0]->Image(), m_chosen[1]->Image());
    m_active->TimeOperation(true, "Cambio de Paleta(s)");
    Repaint();
}

void CCambiarPaletaDlg::Repaint() {
    // Every listed image: one chosen before may just have been restored.
    for (const auto& document : m_documents) m_bench.DocumentChanged(*document, false);
}

void CCambiarPaletaDlg::accept() {
    if (m_chosen[0] && m_chosen[1]) {
        RestoreBoth();
        // Every document whose image changes gets its own step and its modified mark, so
        // that its change can be undone there and is not lost when it is closed.
        std::vector<CUtilidadDoc*> changed{m_chosen[0]};
        if (m_mode == 1 && m_chosen[1] != m_chosen[0]) changed.push_back(m_chosen[1]);
        for (std::size_t i = 0; i < changed.size(); ++i)
            if (!changed[i]->PushUndo("Cambiar Paleta")) {
                while (i-- > 0) changed[i]->DiscardLastUndo();
                Repaint();
                return velora::ui::ShowNotCompleted(this);
            }
        ApplyTo(m_chosen[0]->Image(), m_chosen[1]->Image());
        for (CUtilidadDoc* document : changed) document->SetModified();
        Repaint();
    }
    QDialog::accept();
}

void CCambiarPaletaDlg::reject() {
    RestoreBoth();
    Repaint();
    QDialog::reject();
}

// ---------------------------------------------------------------- commands

void InstallPaletteCommands(CCommandRegistry& registry, CWorkbench& bench) {
    registry.SetCommandHandler(kCmdLoadPalette, [&bench] { LoadPaletteFile(bench); });
    registry.SetCommandHandler(kCmdSavePalette, [&bench] { SavePaletteFile(bench); });
    registry.SetCommandHandler(kCmdEditPalette, [&bench] {
        if (CUtilidadView* view = bench.ActiveView()) CEditarPaletaDlg(view).exec();
    });
    registry.SetCommandHandler(kCmdSwapPalettes, [&bench] {
        if (CUtilidadView* view = bench.ActiveView()) CCambiarPaletaDlg(view).exec();
    });
}
