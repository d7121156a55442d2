// The threshold dialogs: a global or locally adaptive threshold (its two modes enable two
// sets of controls, and the title follows the high output), and the optimal threshold found
// by one of three methods, with what each method reports.
#pragma once

#include <array>

#include "OperationDialog.h"

class QLabel;
class QLineEdit;
class QRadioButton;

class CUmbralizarDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CUmbralizarDlg(CUtilidadView* view);

    // Mode
    QRadioButton* global;
    QRadioButton* local;
    // Global: the threshold, and the output levels below and from it.
    CSliderEdit* threshold;
    QLineEdit* lowEdit;
    QLineEdit* highEdit;
    // Local: the block's side, the threshold of each block and its output levels.
    CSliderEdit* blockSize;
    QLabel* blockMaximumLabel;
    std::array<QRadioButton*, 4> thresholdKind{};  // mean, maximum, image maximum, other
    QLineEdit* otherEdit;
    std::array<QRadioButton*, 4> outputKind{};

    int Low() const { return m_low; }
    int High() const { return m_high; }
    int Other() const { return m_other; }
    int Levels() const { return m_levels; }
    int BlockMaximum() const { return m_blockMaximum; }

    velora::catalog::Args CurrentArgs() const override;
    std::vector<Step> CurrentSteps() const override;

private:
    void ModeChosen();
    void HighTaken(int value);
    void UpdateTitle();
    int ThresholdKindArgument() const;

    int m_levels = 256;  // n: table entries, 256 for direct colour
    int m_low = 0;
    int m_high = 255;
    int m_other = 128;
    int m_blockMaximum = 1;
    std::string m_titleStart;
};

class CBuscarUmbralDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CBuscarUmbralDlg(CUtilidadView* view);

    std::array<QRadioButton*, 3> method{};  // mean, ISODATA, two peaks
    QLabel* thresholdValue;
    QLabel* iterationsLabel;
    QLabel* highestPeakLabel;
    QLabel* secondPeakLabel;

    int Method() const { return m_method; }
    int ThresholdOf(int methodCode) const { return m_thresholds[std::size_t(methodCode)]; }

    velora::catalog::Args CurrentArgs() const override;

private:
    void MethodChosen(int code);

    int m_method = 0;
    std::array<int, 3> m_thresholds{};  // found once: the image does not change while open
    int m_iterations = 0;
    int m_highestPeak = 0;
    int m_secondPeak = 0;
    int m_high = 255;
};
