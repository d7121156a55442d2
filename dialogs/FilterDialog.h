// "Filtros - Convolución": a neighbourhood filter on the active image, its result in a new
// window each time "Aplicar filtro" is pressed, the source left as it is. The filter is one
// of the predefined entries of the list, or a mask of up to 11 x 11 typed into the grid.
#pragma once

#include <QDialog>
#include <QSpinBox>
#include <array>
#include <string>
#include <vector>

#include "CVelora.h"

class CCommandRegistry;
class CUtilidadDoc;
class CUtilidadView;
class CWorkbench;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace velora {
struct FilterEntry;
}

// The mask size box: its arrows step 3 -> 5 -> 7 -> 9 -> 11 and back (one by one below 3).
class CMaskSizeBox : public QSpinBox {
    Q_OBJECT
public:
    explicit CMaskSizeBox(QWidget* parent = nullptr);
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;
    QLineEdit* Edit() const { return lineEdit(); }
    // The sizes a mask may have: 1, 2, 3, 5, 7, 9, 11; anything else goes to the nearest
    // one that the arrows would reach (10 -> 9, 4 -> 3, 0 -> 1, above 11 -> 11).
    static int Corrected(int size);
};

class CFiltros : public QDialog {
    Q_OBJECT
public:
    static constexpr int kGridSide = 11;
    enum Mode { Predefined = 0, User = 1 };

    CFiltros(CWorkbench& bench, CUtilidadView* view);

    // ---- Controls (public for the tests)
    QLabel* description;
    QListWidget* list;
    std::array<QLineEdit*, kGridSide * kGridSide> grid{};  // row by row from the top row
    CMaskSizeBox* sizeBox;
    QLineEdit* divisorEdit;
    QLabel* sumLabel = nullptr;  // the sum of the mask's coefficients: the divisor that keeps the mean level
    QButtonGroup* modeGroup;    // Predefined, User
    QButtonGroup* rangeGroup;   // 0 Reescalado, 1 MINMAX, 2 Valor Absoluto
    QButtonGroup* borderGroup;  // 0 No aplicar máscara, 1 Zero-padding, 2 Replicar filas y columnas
    QPushButton* applyButton;
    QPushButton* exitButton;
    QPushButton* helpButton;

    Mode CurrentMode() const;
    int MaskSize() const { return m_size; }
    int Divisor() const { return m_divisor; }
    const velora::FilterEntry* ChosenEntry() const { return m_entry; }
    // The top-left n x n coefficients of the grid, row by row (an empty box counts 0).
    std::vector<int> UserMask() const;

    // "Aplicar filtro": the filter on a copy of the source, into a new window. False when
    // nothing was opened (a value out of range, or the library refused the image).
    bool ApplyFilter();
    // The number the next result window's name carries; it lives as long as the program.
    static int NextResultNumber();

    void reject() override;  // "Salir", Escape and the close box

private:
    void BuildList(QLayout* into);
    QLayout* BuildGrid();
    void ChooseLine(QListWidgetItem* item);
    void SetMode(Mode mode);
    void ShowEntry(const velora::FilterEntry& entry);
    void TakeSize(int size);
    bool CommitSize();
    bool CommitDivisor();
    void UpdateGridState();
    void UpdateApplyButton();
    void UpdateSum();
    QString RefusalMessage(unsigned code, bool predefined) const;
    std::string ResultName(int number) const;
    bool eventFilter(QObject* watched, QEvent* event) override;

    CWorkbench& m_bench;
    CUtilidadDoc& m_document;
    CVelora m_backup;  // the source as it was when the dialog opened
    const velora::FilterEntry* m_entry = nullptr;
    int m_size = 3;
    int m_divisor = 1;
};

// "Filtros - Convolución" opens CFiltros on the active image.
void InstallFilterCommands(CCommandRegistry& registry, CWorkbench& bench);
