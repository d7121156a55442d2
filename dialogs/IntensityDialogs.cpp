#include "IntensityDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "EditText.h"
#include "Workbench.h"

namespace {

const char* const kChannelNames[4] = {"Luminancia", "Rojo", "Verde", "Azul"};

QVBoxLayout* AddGroup(QVBoxLayout* body, const QString& title) {
    auto* group = new QGroupBox(title);
    auto* layout = new QVBoxLayout(group);
    body->addWidget(group);
    return layout;
}

// The typed number (a decimal comma is accepted), clamped; a value beyond a bound puts
// the bound in the box.
float ReadClamped(QLineEdit* edit, double low, double high) {
    const double value = ParseDecimalPrefix(edit->text().toStdString(), true);
    if (std::isnan(value) || value < low) {
        edit->setText(QString::number(low));
        return float(low);
    }
    if (value > high) {
        edit->setText(QString::number(high));
        return float(high);
    }
    return float(value);
}

}  // namespace

// ---------------------------------------------------------------- negative

CNegativoDlg::CNegativoDlg(CUtilidadView* view) : COperationDialog(view, "CNegativoDlg") {
    QVBoxLayout* group = AddGroup(Body(), "Aplicar a");
    for (int i = 0; i < 4; ++i) channel[std::size_t(i)] = AddCheckBox(kChannelNames[i], false, group);
}

unsigned CNegativoDlg::Apply(CVelora& image) {
    return image.Negative(channel[0]->isChecked(), channel[1]->isChecked(), channel[2]->isChecked(),
                          channel[3]->isChecked());
}

// ---------------------------------------------------------------- brightness

CBrilloDlg::CBrilloDlg(CUtilidadView* view) : COperationDialog(view, "CBrilloDlg") {
    percent = AddSliderEdit("% Brillo", -100, 100, 20, 0);
    AddSaveButton(kBrightnessParameters, [this] {
        return std::vector<ParameterLine>{{"% INCREMENTO BRILLO=", percent->Text().toStdString()}};
    });
}

unsigned CBrilloDlg::Apply(CVelora& image) { return image.Brightness(percent->Value()); }

// ---------------------------------------------------------------- gamma

CGammaDlg::CGammaDlg(CUtilidadView* view) : COperationDialog(view, "CGammaDlg") {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Gamma:"));
    gammaEdit = new QLineEdit("1 ");
    gammaEdit->setMaximumWidth(80);
    row->addWidget(gammaEdit);
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    auto* up = new QToolButton;
    up->setArrowType(Qt::UpArrow);
    auto* down = new QToolButton;
    down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up, down}) {
        b->setAutoRepeat(true);
        b->setFixedSize(18, 12);
        arrows->addWidget(b);
    }
    row->addLayout(arrows);
    row->addStretch(1);
    Body()->addLayout(row);
    Body()->addWidget(new QLabel("f(x) = L * ((x / L) ^ 1/Gamma)"));
    Body()->addWidget(new QLabel("L = Nº de niveles - 1"));
    Body()->addWidget(new QLabel("oscurece si Gamma < 1\nilumina    si Gamma > 1"));
    AddPreviewBox(true);
    connect(up, &QToolButton::clicked, this, [this] { Spin(-1); });
    connect(down, &QToolButton::clicked, this, [this] { Spin(+1); });
    connect(gammaEdit, &QLineEdit::textEdited, this, &CGammaDlg::TextEdited);
}

void CGammaDlg::Spin(int delta) {
    double value = double(m_gamma) + (delta < 0 ? 0.05 : -0.05);
    m_gamma = value < 0 ? 0.0f : float(value);
    gammaEdit->setText(QString::asprintf("%.2f", double(m_gamma)));
    ParametersChanged();
}

void CGammaDlg::TextEdited(const QString&) {
    m_gamma = ReadClamped(gammaEdit, 0.0, std::numeric_limits<float>::max());  // no upper limit but the float's
    ParametersChanged();
}

unsigned CGammaDlg::Apply(CVelora& image) { return image.Gamma(m_gamma); }

// ---------------------------------------------------------------- linear contrast

CContrasteTransfLinealDlg::CContrasteTransfLinealDlg(CUtilidadView* view)
    : COperationDialog(view, "CContrasteTransfLinealDlg") {
    InfoHistogram info;
    if (Backup().GetInfoHistogram(info) == 0) {
        m_lowestPresent = info.lowest[0].level;
        m_highestPresent = info.highest[0].level;
    }
    m_levelMax = Backup().GetBitCount() >= 8 ? 255 : 15;
    m_highestPresent = std::min(m_highestPresent, m_levelMax);
    m_lowestPresent = std::min(m_lowestPresent, m_highestPresent);

    QVBoxLayout* input = AddGroup(Body(), "Rango de Entrada");
    inMin = AddSliderEdit("Nivel Mínimo:", 0, m_levelMax, 0, m_lowestPresent, input);
    inMax = AddSliderEdit("Nivel Máximo:", 0, m_levelMax, 0, m_highestPresent, input);
    QVBoxLayout* output = AddGroup(Body(), "Rango de Salida");
    outMin = AddSliderEdit("Nivel Mínimo:", 0, m_levelMax, 0, 0, output);
    outMax = AddSliderEdit("Nivel Máximo:", 0, m_levelMax, 0, m_levelMax, output);
    inMin->SetBounds([this] { return std::pair{m_lowestPresent, inMax->Value()}; });
    inMax->SetBounds([this] { return std::pair{inMin->Value(), m_highestPresent}; });
    outMin->SetBounds([this] { return std::pair{0, outMax->Value()}; });
    outMax->SetBounds([this] { return std::pair{outMin->Value(), m_levelMax}; });

    QVBoxLayout* channels = AddGroup(Body(), "Aplicar a");
    for (int i = 0; i < 4; ++i) {
        channel[std::size_t(i)] = AddCheckBox(kChannelNames[i], i == 0, channels);
        connect(channel[std::size_t(i)], &QCheckBox::clicked, this, &CContrasteTransfLinealDlg::ResetOutputMinimum);
    }
    AddPreviewBox(false);
}

void CContrasteTransfLinealDlg::ResetOutputMinimum() {
    if (outMin->Value() < 0 || outMin->Value() > outMax->Value()) outMin->SetValue(0);
}

void CContrasteTransfLinealDlg::BeforeAccept() { ResetOutputMinimum(); }

unsigned CContrasteTransfLinealDlg::Apply(CVelora& image) {
    return image.LinearContrast(inMin->Value(), inMax->Value(), outMin->Value(), outMax->Value(),
                                channel[0]->isChecked(), channel[1]->isChecked(), channel[2]->isChecked(),
                                channel[3]->isChecked());
}

// ---------------------------------------------------------------- non-linear contrast

CContrasteDlg::CContrasteDlg(CUtilidadView* view) : COperationDialog(view, "CContrasteDlg", {.stepByStep = true}) {
    static const char* const kFunctions[7] = {"Cuadrada",    "Cúbica",           "Raíz Cuadrada",      "Raíz Cúbica",
                                              "Logarítmica", "Sigmoide Senoidal", "Sigmoide Tangencial"};
    QVBoxLayout* group = AddGroup(Body(), "Tipo de Función a Aplicar");
    auto* choices = new QButtonGroup(this);
    for (int code = 0; code < 7; ++code) {
        auto* radio = new QRadioButton(kFunctions[code]);
        function[std::size_t(code)] = radio;
        choices->addButton(radio, code);
        group->addWidget(radio);
    }
    function[0]->setChecked(true);
    connect(choices, &QButtonGroup::idClicked, this, &CContrasteDlg::FunctionChosen);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Alfa:"));
    alphaEdit = new QLineEdit("0,5");
    alphaEdit->setPlaceholderText("0,0 ... 1,0");
    alphaEdit->setToolTip("0,0 ... 1,0");
    alphaEdit->setMaximumWidth(80);
    alphaEdit->setReadOnly(true);
    row->addWidget(alphaEdit);
    row->addWidget(new QLabel("0,0 ... 1,0"));
    row->addStretch(1);
    Body()->addLayout(row);
    connect(alphaEdit, &QLineEdit::textEdited, this, &CContrasteDlg::AlphaEdited);
    AddPreviewBox(false);
    AddProgressText("Modificación del Contraste con Funciones No Lineales");
}

void CContrasteDlg::FunctionChosen(int code) {
    m_function = code;
    alphaEdit->setReadOnly(code < 5);  // only the sigmoids have an alpha
    ParametersChanged();
}

void CContrasteDlg::AlphaEdited(const QString&) {
    m_alpha = ReadClamped(alphaEdit, 0.0, 1.0);  // "0,7" and "0.7" both: the box shows a decimal comma
    ParametersChanged();
}

unsigned CContrasteDlg::Apply(CVelora& image) { return image.NonLinearContrast(Workbench().ColorModel(), m_function, m_alpha); }

unsigned CContrasteDlg::ApplyStepByStep(CVelora& image, CStepProgress& progress) {
    return image.NonLinearContrastStepByStep(m_function, m_alpha, progress);
}
