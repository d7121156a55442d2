// The warp dialogs: ripple and swirl bound their sliders by the image's size, the ripple and
// shear dialogs show the formula of the chosen option; interlacing weaves two open images
// into a new window, from a dialog that stays open.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "GenericOperationDialog.h"

class CWorkbench;
class CUtilidadDoc;
class QButtonGroup;
class QComboBox;
class QLabel;
class CCommandRegistry;

// A generic dialog whose colour button starts at the image's first palette entry.
class CWarpDialog : public CGenericOperationDialog {
    Q_OBJECT
public:
    CWarpDialog(CUtilidadView* view, int commandId);
};

class COndulacionDlg : public CWarpDialog {
    Q_OBJECT
public:
    explicit COndulacionDlg(CUtilidadView* view);
    QLabel* formulaX;
    QLabel* formulaY;

private:
    void ShowFormula();
};

class CRemolinoDlg : public CWarpDialog {
    Q_OBJECT
public:
    explicit CRemolinoDlg(CUtilidadView* view);
};

class CInclinacionDlg : public CWarpDialog {
    Q_OBJECT
public:
    explicit CInclinacionDlg(CUtilidadView* view);
    QLabel* formulaX;
    QLabel* formulaY;

private:
    void ShowFormula();
};

// "Entrelazar Imágenes": not an operation dialog, since its result opens a new window and
// the active image stays as it is.
class CEntrelazarDlg : public QDialog {
    Q_OBJECT
public:
    CEntrelazarDlg(CWorkbench& bench, QWidget* parent);
    QComboBox* imageA;
    QComboBox* imageB;
    QButtonGroup* kind;
    QPushButton* interlaceButton;
    QPushButton* exitButton;
    // Weaves the chosen images into a new window ("Entrelazar").
    void Interlace();

private:
    void Check();
    const CVelora* Chosen(const QComboBox* box) const;
    CWorkbench& m_bench;
    std::vector<std::weak_ptr<CUtilidadDoc>> m_documents;
};

// "Entrelazar" opens CEntrelazarDlg.
void InstallWarpCommands(CCommandRegistry& registry, CWorkbench& bench);
