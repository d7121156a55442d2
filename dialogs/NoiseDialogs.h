// The noise dialog: previews noise on the active image and, on "Aplicar", puts a noisy copy
// of the source into a new window, staying open for more.
#pragma once

#include <array>

#include "OperationDialog.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QToolButton;

class CRuidoDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CRuidoDlg(CUtilidadView* view);
    QButtonGroup* noiseMode;
    QButtonGroup* distribution;
    // The noise range and the band of levels: maximum first, as the dialog shows them.
    QLineEdit* noiseMax;
    QLineEdit* noiseMin;
    QLineEdit* bandMax;
    QLineEdit* bandMin;
    CSliderEdit* count;
    QLabel* percent;
    QPushButton* applyButton() const { return okButton(); }
    // A click of the arrows of a box (one of the four above): +1 up, -1 down.
    void Spin(QLineEdit* box, int delta);
    // "Aplicar": a noisy copy of the source in a new window. The dialog stays open.
    void accept() override;
    // The windows "Aplicar" has opened in this run of the program.
    static int AppliedCount();

protected:
    velora::catalog::Args CurrentArgs() const override;

private:
    void Typed(QLineEdit* box);
    void Committed(QLineEdit* box);
    std::pair<int, int> Bounds(QLineEdit* box) const;
    void ModesChanged();
    void ShowPercent();
    int* ValueOf(QLineEdit* box);

    CUtilidadDoc& m_source;
    int m_top = 255;
    int m_max = 255, m_min = -255, m_bandMax = 255, m_bandMin = 0;
    int m_lowest = 0, m_highest = 255;
    std::int64_t m_pixels = 1;
};
