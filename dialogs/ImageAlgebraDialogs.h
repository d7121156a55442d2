// The operations between two open images: arithmetic (COperacionesEntreImg) and logic
// (COpLogicasDlg). Image A and image B are chosen among the open documents; every change is
// shown at once in their windows, A being written in place. Each keeps a copy of A and of B
// as they were when chosen, so that a new choice, Cancel and Aceptar start from them.
#pragma once

#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "CVelora.h"
#include "OperationDialog.h"

class CUtilidadDoc;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;

// What both dialogs share: the two choosers, the copies, Cancel and Aceptar. The documents
// are held weakly: one closed while the dialog is open is no longer chosen.
class CTwoImageDialog : public COperationDialog {
    Q_OBJECT
public:
    // The choosers list the open images of these depths (a DepthBit set; 0: any).
    CTwoImageDialog(CUtilidadView* view, int commandId, unsigned depths);
    QComboBox* imageA = nullptr;
    QComboBox* imageB = nullptr;
    QLabel* differentPixels = nullptr;
    // Choosing an entry of a combo box (0 A, 1 B), as its close-up does.
    void Choose(int which, int item);
    void accept() override;
    void reject() override;

protected:
    // The operation on A's image with B as chosen (B may be A's own image): the declared call.
    unsigned ApplyTo(CVelora& a, const CVelora* b) const;
    // B as an argument: the chosen document's image itself, not a copy.
    static velora::catalog::ArgValue ImageArgument(const CVelora* b);
    // After a choice, with the copies restored and the new one taken.
    virtual void Chosen(int which) = 0;
    // Whether Aceptar has what it needs; shows the message when not.
    virtual bool ReadyToAccept() = 0;
    unsigned Apply(CVelora& image) override;
    // The arguments with B as given.
    virtual velora::catalog::Args ArgsWith(const CVelora* b) const = 0;

    CVelora* ImageOf(int which) const;  // null when not chosen or closed
    bool HasBoth() const { return ImageOf(0) && ImageOf(1); }
    void RestoreBoth();
    // The images as they are now become the ones a restore gives back.
    void RetakeCopies();
    // Restores both, applies (timed under timingLabel when not empty) and repaints.
    void Reapply(const std::string& timingLabel);
    void ShowDifferentPixels();
    void RepaintAll();
    void AddChoosers(QVBoxLayout* into);
    void ShowError(const char* text);
    bool m_changed = false;

private:
    std::vector<std::weak_ptr<CUtilidadDoc>> m_documents;  // the combo boxes' items, in order
    std::array<std::weak_ptr<CUtilidadDoc>, 2> m_chosen;
    std::array<CVelora, 2> m_copies;
};

class COperacionesEntreImg : public CTwoImageDialog {
    Q_OBJECT
public:
    explicit COperacionesEntreImg(CUtilidadView* view);
    QButtonGroup* operation = nullptr;     // 0 "Suma" ... 6 "El más oscuro"
    std::array<QLineEdit*, 2> weight{};    // read-only, "%.2f"
    std::array<QToolButton*, 2> weightUp{}, weightDown{};
    QLineEdit* offsetColumn = nullptr;
    QLineEdit* offsetRow = nullptr;
    float WeightA() const { return m_weights[0]; }
    float WeightB() const { return m_weights[1]; }
    int OffsetColumn() const { return m_offset[0]; }
    int OffsetRow() const { return m_offset[1]; }
    // A click on a weight's arrow: up adds 0.05, down takes it away, never below 0.
    void Step(int which, bool up);
    velora::catalog::Args CurrentArgs() const override { return ArgsWith(ImageOf(1)); }

protected:
    velora::catalog::Args ArgsWith(const CVelora* b) const override;
    void Chosen(int which) override;
    bool ReadyToAccept() override;

private:
    void OperationChosen(int index);
    void OffsetTyped(int which);
    // Puts an offset out of A back to 0, as typing it would.
    bool CheckOffset(int which);
    int m_operation = 0;
    std::array<float, 2> m_weights{1.0f, 1.0f};
    std::array<int, 2> m_offset{0, 0};
    bool m_writingOffset = false;
};

class COpLogicasDlg : public CTwoImageDialog {
    Q_OBJECT
public:
    explicit COpLogicasDlg(CUtilidadView* view);
    QButtonGroup* operation = nullptr;  // 0 "NOT" ... 5 "NOR"
    velora::catalog::Args CurrentArgs() const override { return ArgsWith(ImageOf(1)); }

protected:
    velora::catalog::Args ArgsWith(const CVelora* b) const override;
    void Chosen(int which) override;
    bool ReadyToAccept() override;

private:
    void OperationChosen(int index);
    bool CanApply() const { return ImageOf(0) && (m_operation == 0 || ImageOf(1)); }
    int m_operation = 0;
};
