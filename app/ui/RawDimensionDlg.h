// CDimensionRawDlg: asks the columns and rows of a RAW file. "Aceptar" is enabled only when
// they account for the whole file; "Cancelar", Esc and closing the window end with code 10,
// which skips the load.
#pragma once

#include <QDialog>
#include <optional>

#include "CVelora.h"
#include "RawDimensions.h"

class QLabel;
class QLineEdit;
class QPushButton;

class CRawDimensionDlg : public QDialog {
    Q_OBJECT
public:
    CRawDimensionDlg(std::uint64_t fileLength, const std::string& fileName, QWidget* parent);
    // Runs the dialog: the dimensions to load with, or nullopt when cancelled.
    static std::optional<CVelora::RawSize> Ask(std::uint64_t fileLength, const std::string& fileName, QWidget* parent);
    // Replaced by tests to answer without showing the dialog.
    static std::function<std::optional<CVelora::RawSize>(std::uint64_t, const std::string&)> testAnswer;

    const CRawDimensions& Model() const { return m_model; }
    QLineEdit* WidthEdit() const { return m_width; }
    QLineEdit* HeightEdit() const { return m_height; }
    QPushButton* AcceptButton() const { return m_accept; }
    void reject() override;

private:
    void Update();

    CRawDimensions m_model;
    QLineEdit* m_width;
    QLineEdit* m_height;
    QLabel* m_product;
    QPushButton* m_accept;
};
