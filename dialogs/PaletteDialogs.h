// The palette commands of the workbench: loading and saving palette files, the palette
// editor, the exchange of palettes between two open images, and the rearrangement of the
// palette's colour channels.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "CVelora.h"
#include "OperationDialog.h"

class CCommandRegistry;
class CUtilidadDoc;
class CUtilidadView;
class CWorkbench;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The file questions and the text editor of the palette file commands; replaced by tests.
struct PaletteFileHooks {
    // The chosen path, or empty when cancelled. startPath: the folder last used and the
    // proposed name.
    static std::function<QString(QWidget* parent, const QString& startPath)> askLoadPath;
    static std::function<QString(QWidget* parent, const QString& startPath)> askSavePath;
    // Shows a loaded palette file (when the BLOCNOTAS switch is on).
    static std::function<void(QWidget* parent, const QString& path)> showFile;
};

// "Cargar Paleta" and "Almacenar Paleta" on the active document. False when nothing was done.
bool LoadPaletteFile(CWorkbench& bench);
bool SavePaletteFile(CWorkbench& bench);
// The Spanish reasons of the palette file results.
QString PaletteLoadError(unsigned code, const QString& path);
QString PaletteSaveError(unsigned code, const QString& path);

// The entries of a palette side by side, each at least 2 pixels wide, 20 high, inside a
// line that keeps light entries apart from the dialog. Hovering an entry and clicking it
// are reported by index.
class CPaletteStrip : public QFrame {
    Q_OBJECT
public:
    explicit CPaletteStrip(QWidget* parent = nullptr);
    void SetEntries(std::vector<RGBQUAD> entries);
    const std::vector<RGBQUAD>& Entries() const { return m_entries; }
    // The entry under a point of the widget, or -1.
    int EntryAt(const QPoint& point) const;
    // The rectangle an entry is drawn in.
    QRect EntryRect(int index) const;
    QSize sizeHint() const override;

signals:
    void Hovered(int index);
    void Clicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int EntryWidth() const;
    std::vector<RGBQUAD> m_entries;
};

// The palette editor: click an entry to choose its colour; the image shows it at once.
class CEditarPaletaDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEditarPaletaDlg(CUtilidadView* view);
    CPaletteStrip* strip;
    QLabel* readout;      // "Nivel: i   RGB(r,g,b)"
    QLabel* swatch;       // the colour of that entry
    QPushButton* originalButton;
    void accept() override;
    void reject() override;
    // Hover and click as the mouse does them.
    void ShowEntry(int index);
    void ChooseColour(int index);
    void RestoreOriginal();

private:
    void SetWorking();
    CWorkbench& m_bench;
    CUtilidadDoc& m_document;
    CVelora m_backup;
    std::vector<RGBQUAD> m_initial;
    std::vector<RGBQUAD> m_working;
    int m_lastIndex = -1;
};

// The exchange of palettes between two open images of the active image's depth.
class CCambiarPaletaDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCambiarPaletaDlg(CUtilidadView* view);
    QComboBox* imageA;
    QComboBox* imageB;
    std::array<QRadioButton*, 2> mode{};  // 0 "Asignar a Imagen A la paleta de B", 1 "Intercambiar Paletas"
    QLabel* differentPixels;
    void accept() override;
    void reject() override;
    // Choosing an entry of a combo box (0 A, 1 B), as its close-up does.
    void Choose(int which, int item);

private:
    void RestoreBoth();
    void Preview();
    // A's palette becomes B's (mode 0), or they exchange (mode 1).
    void ApplyTo(CVelora& a, CVelora& b) const;
    void Repaint();
    CWorkbench& m_bench;
    std::vector<std::shared_ptr<CUtilidadDoc>> m_documents;  // the combo boxes' items, in order
    CUtilidadDoc* m_active;
    std::array<CUtilidadDoc*, 2> m_chosen{};
    std::array<CVelora, 2> m_backups;
    int m_mode = 0;
};

// The palette commands that do not come from a declaration's dialog.
void InstallPaletteCommands(CCommandRegistry& registry, CWorkbench& bench);
