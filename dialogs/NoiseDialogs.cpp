#include "NoiseDialogs.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cmath>

#include "Document.h"
#include "EditText.h"
#include "Messages.h"
#include "OperationRunner.h"
#include "QtText.h"
#include "View.h"
#include "Workbench.h"

namespace {

using velora::catalog::Args;
using velora::ui::Q;

int g_applied = 0;  // "Aplicar" in this run of the program: the counter of the names

std::optional<int> TypedInteger(const QLineEdit* edit) {
    const auto value = ParseNumberPrefix(edit->text().toStdString());
    if (!value || std::isnan(*value)) return std::nullopt;
    return TruncateClamped(*value, INT_MIN, INT_MAX);
}

}  // namespace

int CRuidoDlg::AppliedCount() { return g_applied; }

CRuidoDlg::CRuidoDlg(CUtilidadView* view) : COperationDialog(view, kCmdNoise), m_source(view->Document()) {
    const CVelora& image = Backup();
    const int depth = image.GetBitCount();
    m_top = depth == 1 ? 1 : depth == 4 ? 15 : 255;
    m_max = m_top;
    m_min = -m_top;
    InfoHistogram info;
    if (image.GetInfoHistogram(info) == 0) {
        m_lowest = info.lowest[0].level;
        m_highest = info.highest[0].level;
    }
    m_bandMin = m_lowest;
    m_bandMax = m_highest;
    m_pixels = std::max<std::int64_t>(1, std::int64_t(image.GetWidth()) * image.GetHeight());
    const auto& params = Operation().params;

    // Parameters: noiseMode, distributionMode, minimum, maximum, bandMinimum, bandMaximum, count.
    QVBoxLayout* modes = AddGroup(Q(params[0].group));
    const auto radios = [&](const velora::catalog::Param& p) {
        auto* group = new QButtonGroup(this);
        auto* row = new QHBoxLayout;
        for (const auto& choice : p.choices) {
            auto* radio = new QRadioButton(Q(choice.label));
            group->addButton(radio, choice.value);
            row->addWidget(radio);
        }
        group->button(0)->setChecked(true);
        modes->addLayout(row);
        connect(group, &QButtonGroup::idClicked, this, [this] { ModesChanged(); });
        return group;
    };
    noiseMode = radios(params[0]);
    distribution = radios(params[1]);

    const auto boxRow = [&](QVBoxLayout* into, const QString& label, int value) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(label));
        auto* edit = new QLineEdit(QString::number(value));
        edit->setMaximumWidth(70);
        row->addWidget(edit);
        const auto [up, down] = AddArrows(row);
        row->addStretch(1);
        into->addLayout(row);
        connect(up, &QToolButton::clicked, this, [this, edit] { Spin(edit, +1); });
        connect(down, &QToolButton::clicked, this, [this, edit] { Spin(edit, -1); });
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { Typed(edit); });
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { Committed(edit); });
        return edit;
    };
    QVBoxLayout* range = AddGroup(Q(params[2].group));
    noiseMax = boxRow(range, Q(params[3].label), m_max);
    noiseMin = boxRow(range, Q(params[2].label), m_min);

    QVBoxLayout* affected = AddGroup(Q(params[6].group));
    const int pixels = int(std::min<std::int64_t>(m_pixels, INT_MAX));
    count = AddSliderEdit(QString(), 1, pixels, std::max(1, pixels / 8), std::max(1, pixels / 4), affected);
    percent = new QLabel;
    affected->addWidget(percent);
    connect(count, &CSliderEdit::ValueChanged, this, [this] {
        ShowPercent();
        ParametersChanged();
    });

    QVBoxLayout* band = AddGroup(Q(params[4].group));
    bandMax = boxRow(band, Q(params[5].label), m_bandMax);
    bandMin = boxRow(band, Q(params[4].label), m_bandMin);

    AddPreviewBox();
    okButton()->setText("Aplicar");
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == "Cancelar") b->setText("Salir");
    ShowPercent();
    ModesChanged();
}

int* CRuidoDlg::ValueOf(QLineEdit* box) {
    if (box == noiseMax) return &m_max;
    if (box == noiseMin) return &m_min;
    if (box == bandMax) return &m_bandMax;
    return &m_bandMin;
}

// The noise range keeps -top <= minimum < maximum <= top; the band stays within the levels present.
std::pair<int, int> CRuidoDlg::Bounds(QLineEdit* box) const {
    if (box == noiseMax) return {m_min + 1, m_top};
    if (box == noiseMin) return {-m_top, m_max - 1};
    return {m_lowest, m_highest};
}

void CRuidoDlg::Spin(QLineEdit* box, int delta) {
    int* value = ValueOf(box);
    const auto [low, high] = Bounds(box);
    const int next = std::clamp(*value + delta, low, high);
    box->setText(QString::number(next));
    if (next == *value) return;
    *value = next;
    ParametersChanged();
}

void CRuidoDlg::Typed(QLineEdit* box) {
    const auto typed = TypedInteger(box);
    const auto [low, high] = Bounds(box);
    if (!typed || *typed < low || *typed > high) return;  // taken when the box is left
    int* value = ValueOf(box);
    if (*typed == *value) return;
    *value = *typed;
    ParametersChanged();
}

void CRuidoDlg::Committed(QLineEdit* box) {
    const auto [low, high] = Bounds(box);
    int* value = ValueOf(box);
    const int taken = std::clamp(TypedInteger(box).value_or(*value), low, high);
    box->setText(QString::number(taken));
    if (taken == *value) return;
    *value = taken;
    ParametersChanged();
}

void CRuidoDlg::ModesChanged() {
    const bool random = distribution->checkedId() == 0, coloured = noiseMode->checkedId() == 1;
    count->Slider()->setEnabled(random);
    count->Edit()->setEnabled(random);
    bandMax->setEnabled(coloured);
    bandMin->setEnabled(coloured);
    ParametersChanged();
}

void CRuidoDlg::ShowPercent() {
    percent->setText(QString::asprintf("%.0f%%", 100.0 * double(count->Value()) / double(m_pixels)));
}

velora::catalog::Args CRuidoDlg::CurrentArgs() const {
    return Args({std::int64_t(noiseMode->checkedId()), std::int64_t(distribution->checkedId()), std::int64_t(m_min),
                 std::int64_t(m_max), std::int64_t(m_bandMin), std::int64_t(m_bandMax), std::int64_t(count->Value())});
}

void CRuidoDlg::accept() {
    for (QLineEdit* box : {noiseMax, noiseMin, bandMax, bandMin}) Committed(box);
    CommitEdits();
    const Args args = CurrentArgs();
    const velora::ui::CRandomRunSeed seed(Operation().drawsRandomNumbers);
    const auto noisy = [&](const CVelora&, std::vector<velora::ui::NewWindowImage>& out) {
        CVelora result = Backup();
        if (const unsigned code = Operation().call(result, args)) return code;
        const std::string name = Backup().GetNameWithoutExtension() + "Ruidosa" + std::to_string(g_applied + 1) + "." +
                                 Backup().GetExtension();
        out.push_back({std::move(result), name, {velora::ui::StepOf(Workbench(), Operation(), args)}, seed.Seed()});
        return 0u;
    };
    // Nothing noisy to show: no window with an unchanged copy. The dialog stays open, aside.
    if (velora::ui::RunIntoNewWindows(Workbench(), m_source, Command().timingLabel, noisy,
                                      "Error. No es posible añadir ruido con estos parámetros. Revise los valores", true, this))
        ++g_applied;
}
