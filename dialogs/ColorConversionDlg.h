// The conversion dialog: one colour, given in hexadecimal or as R, G, B, shown in every
// colour model in the range chosen for each; the CMYK boxes also convert back.
#pragma once

#include <QDialog>
#include <array>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QSpinBox;

class CConversionValoresModelosColorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CConversionValoresModelosColorDlg(QWidget* parent);

    // One row per model, in the order of the models after RGB.
    struct ModelRow {
        std::vector<QLineEdit*> components;
        QButtonGroup* ranges;
    };
    QLineEdit* hexEdit;
    std::array<QSpinBox*, 3> rgb{};
    std::vector<ModelRow> rows;
    QLabel* sample;

    std::uint32_t Colour() const { return m_colour; }  // 0x00RRGGBB
    void SetColour(std::uint32_t colour);               // shows it everywhere

private:
    void Recompute(std::size_t row);
    void HexEdited(const QString& text);
    void CmykEdited();
    void ShowSample();
    std::uint32_t m_colour = 0;
    bool m_updating = false;
};
