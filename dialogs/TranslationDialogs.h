// The translation dialog: by pixel offsets or by a visual angle measured on the monitor,
// with the displacement read-out, the monitors' measures and the sizes before and after.
#pragma once

#include <vector>

#include "OperationDialog.h"

class QRadioButton;
class QToolButton;

class CTraslacionDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CTraslacionDlg(CUtilidadView* view);

    int Mode() const { return m_mode; }
    bool ByAngle() const { return m_byAngle; }
    int Dx() const { return m_dx; }
    int Dy() const { return m_dy; }
    int Distance() const { return m_distance; }
    float Alpha() const { return m_alpha; }
    float Beta() const { return m_beta; }
    const DisplacementReadout& Readout() const { return m_readout; }
    const MonitorGeometry& Monitors() const { return m_monitors; }
    // The arrows of the dx (or dy) spin: +1 up, -1 down, within minus and plus the limit.
    void SpinDx(int delta);
    void SpinDy(int delta);

    QRadioButton* newSize;
    QRadioButton* keepSize;
    QRadioButton* byAngle;
    QRadioButton* relative;
    QLineEdit* dxEdit;
    QLineEdit* dyEdit;
    QCheckBox* preserve;  // "Preservar Proporciones": dy follows dx
    QLineEdit* distanceEdit;
    QLineEdit* alphaEdit;
    QLineEdit* betaEdit;
    QLabel* radius;       // "Valor de r:"
    QLabel* components;   // "TRASLACIÓN  X,Y"
    QLabel* currentSize;
    QLabel* resultSize;
    QLabel* monitorInfo;
    class CColourButton* background;

    velora::catalog::Args CurrentArgs() const override;
    std::vector<Step> CurrentSteps() const override;

private:
    void Changed();  // a parameter changed: labels, then the preview
    void UpdateEnabling();
    void UpdateLabels();
    void SetDx(int value);
    void SetDy(int value);
    std::vector<ParameterLine> FileLines() const;

    std::vector<QToolButton*> m_spinButtons;
    MonitorGeometry m_monitors;
    DisplacementReadout m_readout;
    int m_mode = 1;
    bool m_byAngle = false;
    int m_dx = 0, m_dy = 0;
    int m_distance = 40;
    float m_alpha = 5, m_beta = 45;
    int m_width = 0, m_height = 0;
};
