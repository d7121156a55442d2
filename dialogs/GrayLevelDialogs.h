// The gray-level dialogs that the generic dialog cannot express: slicing (defaults from the
// levels present, ranges that stay ordered), bit-plane erasing (a box per plane, those the
// depth lacks disabled), gray bands (an edit with arrows and its limits), colour to gray
// (each method with its formula) and colour balance ("Restablecer Valores").
#pragma once

#include <array>

#include "OperationDialog.h"

class QRadioButton;
class QToolButton;

class CFraccNivelGrisDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CFraccNivelGrisDlg(CUtilidadView* view);
    std::array<QRadioButton*, 2> mode{};  // "Binario", "Preservar fondo"
    CSliderEdit* lo;
    CSliderEdit* hi;
    CSliderEdit* inValue;
    CSliderEdit* outValue;
    int LevelMax() const { return m_levelMax; }

protected:
    unsigned Apply(CVelora& image) override;

private:
    int m_mode = 0;
    int m_levelMax = 255;
};

class CPlanosBitsDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CPlanosBitsDlg(CUtilidadView* view);
    std::array<QCheckBox*, 8> plane{};  // plane[p] is "Plano p"

protected:
    unsigned Apply(CVelora& image) override;
};

class CCambiarNumeroGrises : public COperationDialog {
    Q_OBJECT
public:
    explicit CCambiarNumeroGrises(CUtilidadView* view);
    int Bands() const { return m_bands; }
    // A click of the up-down control: +1 the up arrow, -1 the down arrow.
    void Spin(int delta);
    QLineEdit* bandsEdit;
    QToolButton* up;
    QToolButton* down;

protected:
    unsigned Apply(CVelora& image) override;

private:
    void Take(double value);
    CTypedNumber* m_typed;
    int m_bands = 0;  // the declared default, set on opening
    int m_min = 0, m_max = 0;
};

class CColorToGrisDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CColorToGrisDlg(CUtilidadView* view);
    std::array<QRadioButton*, 2> method{};  // "Luminancia YIQ en NTSC", "Media"
    int Method() const { return m_method; }

protected:
    unsigned Apply(CVelora& image) override;

private:
    int m_method = 0;
};

class CCalibracionColorDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CCalibracionColorDlg(CUtilidadView* view);
    CSliderEdit* red;
    CSliderEdit* green;
    CSliderEdit* blue;
    QPushButton* resetButton;  // "Restablecer Valores"
    void Reset();

protected:
    unsigned Apply(CVelora& image) override;
};
