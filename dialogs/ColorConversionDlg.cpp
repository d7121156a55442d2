#include "ColorConversionDlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "CVelora.h"
#include "DialogTable.h"
#include "EditText.h"
#include "Help.h"

namespace {

using Conversion = float* (*)(float*, std::uint32_t, int);

struct ModelRange {
    const char* label;
    int code;
};
struct ModelEntry {
    const char* title;
    int model;
    Conversion convert;
    std::vector<ModelRange> ranges;
};

const std::vector<ModelEntry>& Models() {
    static const std::vector<ModelEntry> models = {
        {"Rango CMYK", kModelCMYK, &CVelora::RGBToCMYK, {{"[0..255]", 1}, {"[0..1]", 2}}},
        {"HSI", kModelHSI, &CVelora::RGBToHSI, {{"[0..255]", 1}, {"S, I: [0..1]", 2}, {"S, I: [0..100]", 3}}},
        {"HSV", kModelHSV, &CVelora::RGBToHSV, {{"[0..255]", 1}, {"S, V: [0..1]", 2}, {"S, V: [0..100]", 3}}},
        {"HSL", kModelHSL, &CVelora::RGBToHSL, {{"[0..255]", 1}, {"S, L: [0..1]", 2}, {"S, L: [0..100]", 3}}},
        {"YIQ", kModelYIQ, &CVelora::RGBToYIQ, {{"[0..255]", 1}, {"[0..1]", 2}, {"[0..100]", 3}, {"Y: [0..1]", 4}}},
        {"YUV", kModelYUV, &CVelora::RGBToYUV,
         {{"[0..255]", 1}, {"[0..1]", 2}, {"[0..100]", 3}, {"Y: [0..1]", 4}, {"Y: [0..255]", 5}}},
        {"YCbCr", kModelYCbCr, &CVelora::RGBToYCbCr, {{"[0..255]", 1}, {"Y: [16..235]", 2}}},
        {"Rango XYZ", kModelCIEXYZ, &CVelora::RGBToXYZ, {{"[0..255]", 1}, {"[0..1]", 2}, {"[0..100]", 3}}},
        {"Rango LAB", kModelCIELAB, &CVelora::RGBToLAB, {{"[0..255]", 1}, {"[0..1]", 2}, {"L: [0..100]", 3}}},
        {"Rango LUV", kModelCIELUV, &CVelora::RGBToLUV, {{"[0..255]", 1}, {"[0..1]", 2}, {"L: [0..100]", 3}}},
    };
    return models;
}

}  // namespace

CConversionValoresModelosColorDlg::CConversionValoresModelosColorDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Conversión de Valores entre Diferentes Modelos de Color");
    auto* layout = new QVBoxLayout(this);

    auto* input = new QHBoxLayout;
    input->addWidget(new QLabel("HEX (6 díg): "));
    hexEdit = new QLineEdit("000000");
    hexEdit->setMaxLength(6);
    hexEdit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{0,6}"), hexEdit));
    hexEdit->setMaximumWidth(80);
    input->addWidget(hexEdit);
    input->addWidget(new QLabel("Rango RGB: [0..255]"));
    for (int i = 0; i < 3; ++i) {
        input->addWidget(new QLabel(QString("RGB").mid(i, 1) + ":"));
        rgb[std::size_t(i)] = new QSpinBox;
        rgb[std::size_t(i)]->setRange(0, 255);
        input->addWidget(rgb[std::size_t(i)]);
        connect(rgb[std::size_t(i)], &QSpinBox::valueChanged, this, [this] {
            if (m_updating) return;
            SetColour((std::uint32_t(rgb[0]->value()) << 16) | (std::uint32_t(rgb[1]->value()) << 8) |
                      std::uint32_t(rgb[2]->value()));
        });
    }
    sample = new QLabel;
    sample->setFixedSize(48, 24);
    sample->setFrameShape(QFrame::Box);
    input->addWidget(sample);
    input->addStretch(1);
    layout->addLayout(input);
    connect(hexEdit, &QLineEdit::textEdited, this, &CConversionValoresModelosColorDlg::HexEdited);

    auto* grid = new QGridLayout;
    for (std::size_t m = 0; m < Models().size(); ++m) {
        const ModelEntry& entry = Models()[m];
        auto* box = new QGroupBox(entry.title);
        auto* boxLayout = new QVBoxLayout(box);
        auto* values = new QHBoxLayout;
        ModelRow row{{}, new QButtonGroup(this)};
        const ColorModelInfo* info = FindColorModel(entry.model);
        for (int c = 0; c < info->components; ++c) {
            values->addWidget(new QLabel(QString(info->componentNames[c]) + ":"));
            auto* edit = new QLineEdit;
            edit->setMinimumWidth(74);  // "-134.0000" whole, in the four-component rows too
            edit->setMaximumWidth(90);
            if (entry.model != kModelCMYK) {
                // Shown, not typed into: the window's colour tells them from the CMYK boxes.
                edit->setReadOnly(true);
                QPalette palette = edit->palette();
                palette.setColor(QPalette::Base, palette.color(QPalette::Window));
                edit->setPalette(palette);
            }
            values->addWidget(edit);
            row.components.push_back(edit);
            if (entry.model == kModelCMYK) connect(edit, &QLineEdit::textEdited, this, &CConversionValoresModelosColorDlg::CmykEdited);
        }
        boxLayout->addLayout(values);
        auto* radios = new QHBoxLayout;
        for (const ModelRange& range : entry.ranges) {
            auto* radio = new QRadioButton(range.label);
            row.ranges->addButton(radio, range.code);
            radios->addWidget(radio);
        }
        row.ranges->button(1)->setChecked(true);
        boxLayout->addLayout(radios);
        connect(row.ranges, &QButtonGroup::idClicked, this, [this, m] { Recompute(m); });
        rows.push_back(row);
        grid->addWidget(box, int(m / 2), int(m % 2));
    }
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* help = new QPushButton("Ayuda");
    auto* close = new QPushButton("Cerrar");
    buttons->addWidget(help);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(help, &QPushButton::clicked, this, [this] { velora::ui::ShowHelpTopic(HelpTopics::kColorConversion, this); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    SetColour(0);
}

void CConversionValoresModelosColorDlg::SetColour(std::uint32_t colour) {
    m_colour = colour & 0xFFFFFF;
    m_updating = true;
    for (int i = 0; i < 3; ++i) rgb[std::size_t(i)]->setValue(int((m_colour >> (16 - 8 * i)) & 0xFF));
    if (!hexEdit->hasFocus()) hexEdit->setText(QString("%1").arg(m_colour, 6, 16, QChar('0')).toUpper());
    m_updating = false;
    for (std::size_t m = 0; m < rows.size(); ++m) Recompute(m);
    ShowSample();
}

void CConversionValoresModelosColorDlg::Recompute(std::size_t m) {
    float values[4] = {};
    const int range = rows[m].ranges->checkedId();
    if (!Models()[m].convert(values, m_colour, range)) return;
    for (std::size_t c = 0; c < rows[m].components.size(); ++c)
        if (!rows[m].components[c]->hasFocus()) rows[m].components[c]->setText(QString::asprintf("%.4f", double(values[c])));
}

void CConversionValoresModelosColorDlg::HexEdited(const QString& text) {
    // Exactly six hexadecimal digits; anything else keeps the last valid colour.
    static const QRegularExpression kHex("^[0-9A-Fa-f]{6}$");
    if (kHex.match(text).hasMatch()) SetColour(text.toUInt(nullptr, 16));
}

void CConversionValoresModelosColorDlg::CmykEdited() {
    const int range = rows[0].ranges->checkedId();
    const float top = range == 1 ? 255.0f : 1.0f;
    float values[4];
    for (std::size_t c = 0; c < 4; ++c) {
        QLineEdit* edit = rows[0].components[c];
        const double v = ParseDecimalPrefix(edit->text().toStdString(), true);
        values[c] = v >= 0 && v <= top ? float(v) : 0.0f;
        if (!(v >= 0 && v <= top)) edit->setText("0");
    }
    RGBQUAD back{};
    CVelora::CMYKToRGB(&back, values, range);
    m_colour = (std::uint32_t(back.rgbRed) << 16) | (std::uint32_t(back.rgbGreen) << 8) | back.rgbBlue;
    m_updating = true;
    for (int i = 0; i < 3; ++i) rgb[std::size_t(i)]->setValue(int((m_colour >> (16 - 8 * i)) & 0xFF));
    hexEdit->setText(QString("%1").arg(m_colour, 6, 16, QChar('0')).toUpper());
    m_updating = false;
    for (std::size_t m = 1; m < rows.size(); ++m) Recompute(m);
    ShowSample();
}

void CConversionValoresModelosColorDlg::ShowSample() {
    sample->setStyleSheet(QString("background-color: #%1;").arg(m_colour, 6, 16, QChar('0')));
}
