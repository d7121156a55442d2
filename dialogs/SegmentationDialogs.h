// Segmentation and morphology: the set operations between two-colour images (COpConjuntosDlg)
// and the structuring element of the morphology (CElemEstructDlg). Binary smoothing and
// region growing are generic dialogs; region growing gets a hook (FinishRegionGrowingDialog).
#pragma once

#include <array>

#include "ImageAlgebraDialogs.h"

class CGenericOperationDialog;
class QButtonGroup;
class QLabel;
class QLineEdit;

// Complement, reflection, translation, union, intersection and difference of two 1-bit images
// chosen among the open ones, shown at once in their windows; A is written in place.
class COpConjuntosDlg : public CTwoImageDialog {
    Q_OBJECT
public:
    explicit COpConjuntosDlg(CUtilidadView* view);
    // 0 "Complemento", 1 "Reflexión", 2 "Traslación", 3 "Unión", 4 "Intersección", 5 "Diferencia"
    QButtonGroup* operation = nullptr;
    velora::catalog::Args CurrentArgs() const override { return ArgsWith(ImageOf(1)); }
    // None for the translation, which its own dialog applies.
    std::vector<Step> CurrentSteps() const override;
    void accept() override;

protected:
    velora::catalog::Args ArgsWith(const CVelora* b) const override;
    void Chosen(int which) override;
    bool ReadyToAccept() override;

private:
    void OperationChosen(int index);
    void Translate();
    bool NeedsB() const { return m_operation >= 3; }
    int m_operation = 0;
};

// The morphology with a structuring element of up to 5 x 5 cells: the cells inside the
// element's width and height are enabled, and its origin stays inside it.
class CElemEstructDlg : public COperationDialog {
    Q_OBJECT
public:
    explicit CElemEstructDlg(CUtilidadView* view);
    QButtonGroup* operation = nullptr;  // 0 "Dilatación" ... 6 "Transf. Sombrero Copa"
    std::array<std::array<QLineEdit*, 5>, 5> cells{};  // [row][column]
    std::array<QLineEdit*, 2> size{};    // width, height
    std::array<QLineEdit*, 2> origin{};  // x, y
    QLabel* whiteLevel = nullptr;        // "255: Blanco"
    velora::catalog::Args CurrentArgs() const override;

protected:
    void BeforeAccept() override;

private:
    void SizeLeft(int which);
    void OriginLeft(int which);
    // The cells inside the element enabled, the origin kept inside it.
    void FollowSize();

    std::array<std::array<int, 5>, 5> m_cells{};
    std::array<int, 2> m_size{3, 3};
    std::array<int, 2> m_origin{1, 1};
};

// Region growing's generic dialog, finished: one threshold box for the two criteria, each
// with its own value and bounds, and the image's size shown.
void FinishRegionGrowingDialog(CGenericOperationDialog& dialog);
