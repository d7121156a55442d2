// The inspector tool windows, which follow the image of the active window: image
// information (with pixel editing) and the raw fields of the DIB.
#pragma once

#include <QWidget>

class CWorkbench;
class CVelora;
class QCheckBox;
class QLabel;
class QLineEdit;

// A tool window over the main window: re-reads the active image on Refresh.
class CToolWindow : public QWidget {
    Q_OBJECT
public:
    explicit CToolWindow(CWorkbench& bench);
    virtual void Refresh() = 0;

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    const CVelora* ActiveImage() const;
    CWorkbench& m_bench;
};

class CInformacionDlg : public CToolWindow {
    Q_OBJECT
public:
    explicit CInformacionDlg(CWorkbench& bench);
    void Refresh() override;

    // Named fields, for tests and for the look of the window.
    QLineEdit* columnEdit;
    QLineEdit* rowEdit;
    QLineEdit* componentEdit[3];  // red, green, blue
    QLineEdit* valueEdit;
    QCheckBox* editBox;
    QLabel* nameLabel;
    QLabel* levelsLabel;
    QLabel* sizeLabel;
    QLabel* depthLabel;
    QLabel* bitmapLabel;
    QLabel* containerLabel;
    QLabel* equalsLabel;
    QLabel* alphaLabel;
    QLabel* meanColour[3][3];  // column, row, image x red, green, blue
    QLabel* meanValue[3];

private:
    void ShowPixel(const CVelora& image);
    void CoordinateEdited();
    void ComponentEdited(int component);
    void ValueEdited();
    void SetEditable(bool on);
    int Column() const;
    int Row() const;
};

class CPropiedadesDIB : public CToolWindow {
    Q_OBJECT
public:
    explicit CPropiedadesDIB(CWorkbench& bench);
    void Refresh() override;
    // Label by field name ("m_lpDIB", "biWidth", "Paleta", "DIB", ...), for tests.
    QLabel* Field(const QString& name) const;

private:
    QList<QPair<QString, QLabel*>> m_fields;
};
