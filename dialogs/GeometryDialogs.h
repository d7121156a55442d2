// The geometric dialogs: scaling (factors or pixels, kept in proportion, with the new size
// shown), rotation (three angles with sliders, a direction and a background colour) and crop
// (two corners that keep each other in order). Their edits follow rules of their own, which
// the generic dialog's number boxes do not express.
#pragma once

#include <array>

#include "GenericOperationDialog.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QToolButton;

class CEscaladoDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CEscaladoDlg(CUtilidadView* view);
    QRadioButton* factorMode;
    QRadioButton* pixelMode;
    QLineEdit* factorColumns;
    QLineEdit* factorRows;
    QLineEdit* pixelColumns;
    QLineEdit* pixelRows;
    QCheckBox* keepProportions;
    QLabel* currentSize;
    QLabel* newSize;
    double FactorX() const { return m_fx; }
    double FactorY() const { return m_fy; }
    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    bool PixelMode() const;

    velora::catalog::Args CurrentArgs() const override;

private:
    void ModeChosen();
    void FactorTyped(bool columns);
    void PixelsTyped(bool columns);
    void Proportions();
    void ShowNewSize();
    double m_fx = 2, m_fy = 2;
    int m_columns = 0, m_rows = 0;
};

class CRotarDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CRotarDlg(CUtilidadView* view);
    QRadioButton* right;
    QRadioButton* left;
    QRadioButton* newSize;
    QRadioButton* originalSize;
    std::array<QSlider*, 3> slider{};  // about X (alfa), Y (beta), Z (theta)
    std::array<QLineEdit*, 3> edit{};
    CColourButton* background;
    double Angle(int axis) const { return m_angle[std::size_t(axis)]; }

    velora::catalog::Args CurrentArgs() const override;

private:
    void AngleTyped(int axis);
    void SliderMoved(int axis, int position);
    std::array<double, 3> m_angle{};
};

class CRecortarDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CRecortarDlg(CUtilidadView* view);
    // x1, y1, x2, y2
    std::array<QLineEdit*, 4> edit{};
    std::array<QToolButton*, 4> up{};
    std::array<QToolButton*, 4> down{};
    QLabel* originalSize;
    QLabel* newSize;
    int Corner(int i) const { return m_corner[std::size_t(i)]; }
    void accept() override;

    velora::catalog::Args CurrentArgs() const override;

private:
    void Typed(int i);
    void Spin(int i, int direction);
    void Show(int i);
    void ShowNewSize();
    std::array<int, 4> m_corner{};
};
