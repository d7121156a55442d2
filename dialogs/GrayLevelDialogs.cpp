#include "GrayLevelDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "QtText.h"

namespace {

using velora::catalog::Args;
using velora::catalog::ArgValue;
using velora::ui::Q;

}  // namespace

// ---------------------------------------------------------------- gray-level slicing

CFraccNivelGrisDlg::CFraccNivelGrisDlg(CUtilidadView* view) : COperationDialog(view, kCmdGraySlice) {
    m_levelMax = Backup().GetBitCount() == 4 ? 15 : 255;
    // A third of the span of the levels present.
    int span = 0;
    if (InfoHistogram info; Backup().GetInfoHistogram(info) == 0)
        span = std::max(0, std::min(info.highest[0].level, m_levelMax) - std::min(info.lowest[0].level, m_levelMax));
    const int t = span / 3;

    const auto& params = Operation().params;  // mode, lo, hi, inValue, outValue
    QVBoxLayout* type = AddGroup(Q(params[0].label));
    auto* choices = new QButtonGroup(this);
    for (const auto& choice : params[0].choices) {
        auto* radio = new QRadioButton(Q(choice.label));
        mode.at(std::size_t(choice.value)) = radio;
        choices->addButton(radio, choice.value);
        type->addWidget(radio);
    }
    mode[0]->setChecked(true);
    connect(choices, &QButtonGroup::idClicked, this, [this](int id) {
        m_mode = id;
        ParametersChanged();
    });

    QVBoxLayout* input = AddGroup(Q(params[1].group));
    lo = AddSliderEdit(Q(params[1].label), 0, m_levelMax, 0, t, input);
    hi = AddSliderEdit(Q(params[2].label), 0, m_levelMax, 0, 2 * t, input);
    // The range stays a range: the library refuses lo above hi.
    lo->SetBounds([this] { return std::pair{0, hi->Value()}; });
    hi->SetBounds([this] { return std::pair{lo->Value(), m_levelMax}; });
    QVBoxLayout* output = AddGroup(Q(params[3].group));
    inValue = AddSliderEdit(Q(params[3].label), 0, m_levelMax, 0, t / 2, output);
    outValue = AddSliderEdit(Q(params[4].label), 0, m_levelMax, 0, 2 * t, output);
    AddPreviewBox();
}

unsigned CFraccNivelGrisDlg::Apply(CVelora& image) {
    std::vector<ArgValue> values{std::int64_t(m_mode)};
    for (const CSliderEdit* level : {lo, hi, inValue, outValue}) values.emplace_back(std::int64_t(level->Value()));
    return Operation().call(image, Args(std::move(values)));
}

// ---------------------------------------------------------------- bit-plane erasing

CPlanosBitsDlg::CPlanosBitsDlg(CUtilidadView* view) : COperationDialog(view, kCmdEraseBitPlanes) {
    const int depth = Backup().GetBitCount();
    const int planes = depth == 32 ? 24 : depth;
    QVBoxLayout* group = AddGroup(Q(Operation().params[0].label));
    for (int p = 7; p >= 0; --p) {
        QCheckBox* box = AddCheckBox(QString("Plano %1").arg(p), false, group);
        box->setEnabled(p < planes);
        plane[std::size_t(p)] = box;
    }
    AddPreviewBox();
}

unsigned CPlanosBitsDlg::Apply(CVelora& image) {
    std::vector<std::int64_t> planes;
    for (int p = 0; p < 8; ++p)
        if (plane[std::size_t(p)]->isEnabled() && plane[std::size_t(p)]->isChecked()) planes.push_back(p);
    return Operation().call(image, Args({ArgValue(std::move(planes))}));
}

// ---------------------------------------------------------------- gray bands

CCambiarNumeroGrises::CCambiarNumeroGrises(CUtilidadView* view) : COperationDialog(view, kCmdGrayBands) {
    const velora::catalog::Param& n = Operation().params[0];
    m_min = int(n.range->min);
    m_max = int(n.range->max);
    m_bands = int(n.defaultValue);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(Q(n.label)));
    // The box starts with the default and a blank after it, as the dialog always has.
    bandsEdit = new QLineEdit(QString::number(m_bands) + " ");
    bandsEdit->setMaximumWidth(80);
    row->addWidget(bandsEdit);
    std::tie(up, down) = AddArrows(row);
    row->addStretch(1);
    Body()->addLayout(row);
    Body()->addWidget(new QLabel(QString::asprintf("Nº mínimo: %4d", m_min)));
    Body()->addWidget(new QLabel(QString::asprintf("Nº máximo: %d", m_max)));
    AddPreviewBox();
    connect(up, &QToolButton::clicked, this, [this] { Spin(+1); });
    connect(down, &QToolButton::clicked, this, [this] { Spin(-1); });
    m_typed = new CTypedNumber(bandsEdit, CTypedNumber::Kind::Integer, [this] { return std::pair{double(m_min), double(m_max)}; });
    connect(m_typed, &CTypedNumber::Taken, this, &CCambiarNumeroGrises::Take);
    AddSaveButton([this] {
        return std::vector<ParameterLine>{{std::string(Operation().params[0].fileKey), bandsEdit->text().toStdString()}};
    });
}

void CCambiarNumeroGrises::Spin(int delta) {
    m_typed->Commit();  // the arrows step from the value the box shows
    m_bands = std::clamp(m_bands + delta, m_min, m_max);
    bandsEdit->setText(QString::number(m_bands));
    ParametersChanged();
}

void CCambiarNumeroGrises::Take(double value) {
    if (int(value) == m_bands) return;
    m_bands = int(value);
    ParametersChanged();
}

unsigned CCambiarNumeroGrises::Apply(CVelora& image) { return Operation().call(image, Args({std::int64_t(m_bands)})); }

// ---------------------------------------------------------------- colour to gray

CColorToGrisDlg::CColorToGrisDlg(CUtilidadView* view) : COperationDialog(view, kCmdGrayScale) {
    static const char* const kFormulas[] = {"Y = 0.299 * Rojo + 0.587 * Verde + 0.114 * Azul", "Y = (Rojo + Verde + Azul) / 3"};
    const velora::catalog::Param& methods = Operation().params[0];
    QVBoxLayout* group = AddGroup(Q(methods.label));
    auto* choices = new QButtonGroup(this);
    for (const auto& choice : methods.choices) {
        auto* radio = new QRadioButton(Q(choice.label));
        method.at(std::size_t(choice.value)) = radio;
        choices->addButton(radio, choice.value);
        group->addWidget(radio);
        auto* formula = new QLabel(kFormulas[choice.value]);
        formula->setIndent(24);
        group->addWidget(formula);
    }
    m_method = int(methods.defaultValue);
    method.at(std::size_t(m_method))->setChecked(true);
    connect(choices, &QButtonGroup::idClicked, this, [this](int id) {
        m_method = id;
        ParametersChanged();
    });
}

unsigned CColorToGrisDlg::Apply(CVelora& image) { return Operation().call(image, Args({std::int64_t(m_method)})); }

// ---------------------------------------------------------------- colour balance

CCalibracionColorDlg::CCalibracionColorDlg(CUtilidadView* view) : COperationDialog(view, kCmdColorBalance) {
    const auto& params = Operation().params;  // red, green, blue
    QVBoxLayout* group = AddGroup(Q(params[0].group));
    std::array<CSliderEdit*, 3> pairs{};
    for (std::size_t i = 0; i < 3; ++i) {
        const velora::catalog::Range range = params[i].ControlRange();
        pairs[i] = AddSliderEdit(Q(params[i].label), int(range.min), int(range.max), params[i].tickInterval,
                                 int(params[i].defaultValue), group);
    }
    red = pairs[0];
    green = pairs[1];
    blue = pairs[2];
    resetButton = new QPushButton("Restablecer Valores", this);
    Body()->addWidget(resetButton);
    connect(resetButton, &QPushButton::clicked, this, &CCalibracionColorDlg::Reset);
}

void CCalibracionColorDlg::Reset() {
    for (CSliderEdit* pair : {red, green, blue}) pair->SetValue(0);
    ParametersChanged();
}

unsigned CCalibracionColorDlg::Apply(CVelora& image) {
    return Operation().call(image, Args({std::int64_t(red->Value()), std::int64_t(green->Value()), std::int64_t(blue->Value())}));
}
