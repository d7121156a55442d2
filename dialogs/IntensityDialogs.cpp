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

#include "QtText.h"
#include "Workbench.h"

namespace {

using velora::catalog::Args;

using velora::ui::Q;

// A decimal as the dialogs show it, with a comma: "0,5".
QString CommaDecimal(double value, int decimals) { return QString::number(value, 'f', decimals).replace('.', ','); }

}  // namespace

// ---------------------------------------------------------------- gamma

CGammaDlg::CGammaDlg(CUtilidadView* view) : COperationDialog(view, kCmdGamma) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(Q(Operation().params[0].label)));
    // The box starts with the default and a blank after it, as the dialog always has.
    m_gamma = float(Operation().params[0].defaultValue);
    gammaEdit = new QLineEdit(QString::number(m_gamma) + " ");
    gammaEdit->setMaximumWidth(80);
    row->addWidget(gammaEdit);
    const auto [up, down] = AddArrows(row);
    row->addStretch(1);
    Body()->addLayout(row);
    Body()->addWidget(new QLabel("f(x) = L * ((x / L) ^ 1/Gamma)"));
    Body()->addWidget(new QLabel("L = Nº de niveles - 1"));
    Body()->addWidget(new QLabel("oscurece si Gamma < 1\nilumina    si Gamma > 1"));
    AddPreviewBox();
    connect(up, &QToolButton::clicked, this, [this] { Spin(-1); });
    connect(down, &QToolButton::clicked, this, [this] { Spin(+1); });
    // No upper limit but the float's.
    m_typed = new CTypedNumber(gammaEdit, CTypedNumber::Kind::Decimal,
                               [] { return std::pair{0.0, double(std::numeric_limits<float>::max())}; });
    connect(m_typed, &CTypedNumber::Taken, this, &CGammaDlg::Take);
}

void CGammaDlg::Spin(int delta) {
    m_typed->Commit();  // the arrows step from the value the box shows
    const double step = Operation().params[0].step;
    double value = double(m_gamma) + (delta < 0 ? step : -step);
    m_gamma = value < 0 ? 0.0f : float(value);
    gammaEdit->setText(QString::asprintf("%.2f", double(m_gamma)));
    ParametersChanged();
}

void CGammaDlg::Take(double value) {
    if (float(value) == m_gamma) return;
    m_gamma = float(value);
    ParametersChanged();
}

unsigned CGammaDlg::Apply(CVelora& image) { return Operation().call(image, Args({double(m_gamma)})); }

// ---------------------------------------------------------------- linear contrast

CContrasteTransfLinealDlg::CContrasteTransfLinealDlg(CUtilidadView* view)
    : COperationDialog(view, kCmdLinearContrast) {
    InfoHistogram info;
    if (Backup().GetInfoHistogram(info) == 0) {
        m_lowestPresent = info.lowest[0].level;
        m_highestPresent = info.highest[0].level;
    }
    m_levelMax = Backup().GetBitCount() >= 8 ? 255 : 15;
    m_highestPresent = std::min(m_highestPresent, m_levelMax);
    m_lowestPresent = std::min(m_lowestPresent, m_highestPresent);

    const auto& params = Operation().params;  // inMin, inMax, outMin, outMax, then the four channels
    QVBoxLayout* input = AddGroup(Q(params[0].group));
    inMin = AddSliderEdit(Q(params[0].label), 0, m_levelMax, 0, m_lowestPresent, input);
    inMax = AddSliderEdit(Q(params[1].label), 0, m_levelMax, 0, m_highestPresent, input);
    QVBoxLayout* output = AddGroup(Q(params[2].group));
    outMin = AddSliderEdit(Q(params[2].label), 0, m_levelMax, 0, 0, output);
    outMax = AddSliderEdit(Q(params[3].label), 0, m_levelMax, 0, m_levelMax, output);
    inMin->SetBounds([this] { return std::pair{m_lowestPresent, inMax->Value()}; });
    inMax->SetBounds([this] { return std::pair{inMin->Value(), m_highestPresent}; });
    outMin->SetBounds([this] { return std::pair{0, outMax->Value()}; });
    outMax->SetBounds([this] { return std::pair{outMin->Value(), m_levelMax}; });

    QVBoxLayout* channels = AddGroup(Q(params[4].group));
    for (int i = 0; i < 4; ++i) {
        const auto& flag = params[std::size_t(4 + i)];
        channel[std::size_t(i)] = AddCheckBox(Q(flag.label), flag.defaultValue != 0, channels);
        connect(channel[std::size_t(i)], &QCheckBox::clicked, this, &CContrasteTransfLinealDlg::ResetOutputMinimum);
    }
    AddPreviewBox();
}

void CContrasteTransfLinealDlg::ResetOutputMinimum() {
    if (outMin->Value() < 0 || outMin->Value() > outMax->Value()) outMin->SetValue(0);
}

void CContrasteTransfLinealDlg::BeforeAccept() { ResetOutputMinimum(); }

unsigned CContrasteTransfLinealDlg::Apply(CVelora& image) {
    std::vector<velora::catalog::ArgValue> values;
    for (const CSliderEdit* level : {inMin, inMax, outMin, outMax}) values.emplace_back(std::int64_t(level->Value()));
    for (const QCheckBox* box : channel) values.emplace_back(std::int64_t(box->isChecked()));
    return Operation().call(image, Args(std::move(values)));
}

// ---------------------------------------------------------------- non-linear contrast

CContrasteDlg::CContrasteDlg(CUtilidadView* view) : COperationDialog(view, kCmdNonLinear), m_modelPreview(Backup()) {
    const velora::catalog::Param& functions = *Operation().FindParam("function");
    QVBoxLayout* group = AddGroup(Q(functions.label));
    auto* choices = new QButtonGroup(this);
    for (const auto& choice : functions.choices) {
        auto* radio = new QRadioButton(Q(choice.label));
        function.at(std::size_t(choice.value)) = radio;
        choices->addButton(radio, choice.value);
        group->addWidget(radio);
    }
    function[0]->setChecked(true);
    connect(choices, &QButtonGroup::idClicked, this, &CContrasteDlg::FunctionChosen);

    const velora::catalog::Param& alpha = *Operation().FindParam("alpha");
    const velora::catalog::Range alphaRange = *alpha.range;
    const QString rangeText = CommaDecimal(alphaRange.min, 1) + " ... " + CommaDecimal(alphaRange.max, 1);
    m_alpha = float(alpha.defaultValue);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(Q(alpha.label)));
    alphaEdit = new QLineEdit(CommaDecimal(alpha.defaultValue, 1));
    alphaEdit->setPlaceholderText(rangeText);
    alphaEdit->setToolTip(rangeText);
    alphaEdit->setMaximumWidth(80);
    alphaEdit->setReadOnly(true);
    row->addWidget(alphaEdit);
    row->addWidget(new QLabel(rangeText));
    row->addStretch(1);
    Body()->addLayout(row);
    // "0,7" and "0.7" both: the box shows a decimal comma.
    auto* typed = new CTypedNumber(alphaEdit, CTypedNumber::Kind::Decimal,
                                   [alphaRange] { return std::pair{alphaRange.min, alphaRange.max}; });
    connect(typed, &CTypedNumber::Taken, this, &CContrasteDlg::AlphaTaken);
    AddPreviewBox();
    AddProgressText();
}

void CContrasteDlg::FunctionChosen(int code) {
    m_function = code;
    alphaEdit->setReadOnly(code < 5);  // only the sigmoids have an alpha
    ParametersChanged();
}

void CContrasteDlg::AlphaTaken(double value) {
    if (float(value) == m_alpha) return;
    m_alpha = float(value);
    ParametersChanged();
}

velora::catalog::Args CContrasteDlg::CurrentArgs() const {
    return Args({std::int64_t(Workbench().ColorModel()), std::int64_t(m_function), double(m_alpha)});
}

// The image is the backup restored (or, on "Aceptar", the document's image, which is the same):
// the kept preview gives what the declared call gives.
unsigned CContrasteDlg::Apply(CVelora& image) {
    return m_modelPreview.NonLinearContrast(image, Workbench().ColorModel(), m_function, m_alpha);
}

unsigned CContrasteDlg::ApplyStepByStep(CVelora& image, CStepProgress& progress) {
    return Operation().stepByStep(image, CurrentArgs(), progress);
}
