// The intensity dialogs that the generic dialog cannot express: gamma (its edit starts as
// "1 " and its arrows step from the value typed), linear contrast (ranges that start from the
// levels present and stay ordered) and the non-linear functions (alpha only for the sigmoids).
#pragma once

#include <array>

#include "OperationDialog.h"

class QRadioButton;

class CGammaDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CGammaDlg(CUtilidadView* view);
    float Gamma() const { return m_gamma; }
    // A click of the up-down control: -1 is the up arrow (adds 0.05), +1 the down arrow.
    void Spin(int delta);
    QLineEdit* gammaEdit;

protected:
    unsigned Apply(CVelora& image) override;

private:
    void Take(double value);
    CTypedNumber* m_typed;
    float m_gamma = 0;  // the declared default, set on opening
};

class CContrasteTransfLinealDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CContrasteTransfLinealDlg(CUtilidadView* view);
    CSliderEdit* inMin;
    CSliderEdit* inMax;
    CSliderEdit* outMin;
    CSliderEdit* outMax;
    std::array<QCheckBox*, 4> channel{};  // luminance, red, green, blue
    int LevelMax() const { return m_levelMax; }

protected:
    unsigned Apply(CVelora& image) override;
    void BeforeAccept() override;

private:
    void ResetOutputMinimum();
    int m_lowestPresent = 0;
    int m_highestPresent = 0;
    int m_levelMax = 255;
};

class CContrasteDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CContrasteDlg(CUtilidadView* view);
    int Function() const { return m_function; }
    float Alpha() const { return m_alpha; }
    std::array<QRadioButton*, 7> function{};
    QLineEdit* alphaEdit;

protected:
    unsigned Apply(CVelora& image) override;
    unsigned ApplyStepByStep(CVelora& image, CStepProgress& progress) override;

private:
    velora::catalog::Args CurrentArgs() const;
    void FunctionChosen(int code);
    void AlphaTaken(double value);
    int m_function = 0;
    float m_alpha = 0;  // the declared default, set on opening
    // Every preview converts the same backup into the active model: what that costs is kept.
    CModelPreview m_modelPreview;
};
