// The effect dialogs: mosaic (one square block size, bounded by the image) and hoover
// (direction, a count of iterations from three presets or typed, and the start point).
#pragma once

#include <array>

#include "OperationDialog.h"

class QButtonGroup;
class QLineEdit;
class QTimer;

class CHooverDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CHooverDlg(CUtilidadView* view);
    QButtonGroup* direction;
    QButtonGroup* iterations;  // ids 100, 150, 200 and 0 for "Fijar nº"
    QLineEdit* count;          // the count of "Fijar nº"
    QLineEdit* column;
    QLineEdit* row;
    int Iterations() const { return m_iterations; }
    int Column() const { return m_column; }
    int Row() const { return m_row; }

    velora::catalog::Args CurrentArgs() const override;
    void BeforeAccept() override;

private:
    void IterationsChosen(int id);
    void CountFinished();
    void PointFinished(QLineEdit* box);
    // A preview costs a pass of 50000 draws per iteration: changes that come together
    // (typing) preview once, when the events have been handled.
    void Changed();

    QTimer* m_pending;
    int m_iterations = 0;  // the declaration's default at the start
    int m_column = 0, m_row = 0;
};
