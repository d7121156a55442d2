// The dialogs that write pixel values over the whole image: the alpha channel (one choice
// among six, which run three operations), filling the bitmap (an index or a colour by the
// image's depth) and the change of colour depth (the targets the image can take).
#pragma once

#include <array>

#include "OperationDialog.h"

class QButtonGroup;
class QRadioButton;

// A line of "label [box]" taking integers within fixed bounds, as CTypedNumber does.
class CIntegerBox : public QWidget {
    Q_OBJECT
public:
    CIntegerBox(const QString& label, int minimum, int maximum, int value, QWidget* parent = nullptr);
    int Value() const { return m_value; }
    QLineEdit* Edit() const { return m_edit; }

signals:
    void ValueChanged(int value);

private:
    QLineEdit* m_edit;
    int m_value;
};

class CFijarValoresBitmapDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CFijarValoresBitmapDlg(CUtilidadView* view);
    // Indexed images: the index box; the others: red, green, blue. The other kind is null.
    CIntegerBox* index = nullptr;
    std::array<CIntegerBox*, 3> rgb{};
    QPushButton* pixelHelpButton;

    velora::catalog::Args CurrentArgs() const override;
    std::vector<Step> CurrentSteps() const override;
};

class CCambiarProfundidadColor : public COperationDialog {
    Q_OBJECT
public:
    explicit CCambiarProfundidadColor(CUtilidadView* view);
    int Code() const { return m_code; }
    std::array<QRadioButton*, 5> depth{};  // by code: 1, 4, 8, 24, 32 bits

    velora::catalog::Args CurrentArgs() const override;
    std::vector<Step> CurrentSteps() const override;

private:
    int m_code = 3;
    int m_current = 3;
};
