#include "EffectDialogs.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cmath>

#include "EditText.h"
#include "QtText.h"

namespace {

using velora::catalog::Args;
using velora::ui::Q;

std::optional<int> TypedInteger(const QLineEdit* edit) {
    const auto value = ParseNumberPrefix(edit->text().toStdString());
    if (!value || std::isnan(*value)) return std::nullopt;
    return TruncateClamped(*value, INT_MIN, INT_MAX);
}

}  // namespace

// ---------------------------------------------------------------- hoover

CHooverDlg::CHooverDlg(CUtilidadView* view) : COperationDialog(view, kCmdHoover) {
    const auto& params = Operation().params;
    m_column = Backup().GetWidth() / 2;
    m_row = Backup().GetHeight() / 2;
    m_iterations = int(params[3].defaultValue);
    m_pending = new QTimer(this);
    m_pending->setSingleShot(true);
    m_pending->setInterval(0);
    connect(m_pending, &QTimer::timeout, this, [this] { ParametersChanged(); });

    QVBoxLayout* directions = AddGroup(Q(params[0].label));
    direction = new QButtonGroup(this);
    for (const auto& choice : params[0].choices) {
        auto* radio = new QRadioButton(Q(choice.label));
        direction->addButton(radio, choice.value);
        directions->addWidget(radio);
    }
    direction->button(0)->setChecked(true);
    connect(direction, &QButtonGroup::idClicked, this, [this] { Changed(); });

    QVBoxLayout* counts = AddGroup(Q(params[3].label));
    iterations = new QButtonGroup(this);
    auto* presets = new QHBoxLayout;
    for (int n : {100, 150, 200}) {
        auto* radio = new QRadioButton(QString::number(n));
        iterations->addButton(radio, n);
        presets->addWidget(radio);
    }
    auto* fixed = new QRadioButton("Fijar nº");
    iterations->addButton(fixed, 0);
    presets->addWidget(fixed);
    count = new QLineEdit(QString::number(m_iterations));
    count->setMaximumWidth(70);
    count->setReadOnly(true);
    presets->addWidget(count);
    presets->addStretch(1);
    counts->addLayout(presets);
    iterations->button(m_iterations)->setChecked(true);
    connect(iterations, &QButtonGroup::idClicked, this, &CHooverDlg::IterationsChosen);
    connect(count, &QLineEdit::editingFinished, this, &CHooverDlg::CountFinished);

    QVBoxLayout* start = AddGroup(Q(params[1].group));
    const auto pointBox = [&](const velora::catalog::Param& p, int value) {
        auto* line = new QHBoxLayout;
        line->addWidget(new QLabel(Q(p.label)));
        auto* edit = new QLineEdit(QString::number(value));
        edit->setMaximumWidth(70);
        line->addWidget(edit);
        line->addStretch(1);
        start->addLayout(line);
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { PointFinished(edit); });
        return edit;
    };
    column = pointBox(params[1], m_column);
    row = pointBox(params[2], m_row);
    AddPreviewBox();
}

void CHooverDlg::Changed() { m_pending->start(); }

void CHooverDlg::IterationsChosen(int id) {
    count->setReadOnly(id != 0);
    if (id != 0) {
        m_iterations = id;
        count->setText(QString::number(id));
    }
    Changed();
}

void CHooverDlg::CountFinished() {
    if (count->isReadOnly()) return;
    // A count below 1 (or none) takes the usual one; one above the bound, the bound.
    const auto& param = Operation().params[3];
    const int typed = TypedInteger(count).value_or(0);
    const int taken = typed < 1 ? int(param.defaultValue) : std::min(typed, int(param.range->max));
    count->setText(QString::number(taken));
    if (taken == m_iterations) return;
    m_iterations = taken;
    Changed();
}

void CHooverDlg::PointFinished(QLineEdit* box) {
    const bool isColumn = box == column;
    const int last = (isColumn ? Backup().GetWidth() : Backup().GetHeight()) - 1;
    int& value = isColumn ? m_column : m_row;
    const int taken = std::clamp(TypedInteger(box).value_or(value), 0, std::max(0, last));
    box->setText(QString::number(taken));
    if (taken == value) return;
    value = taken;
    Changed();
}

void CHooverDlg::BeforeAccept() {
    CountFinished();
    PointFinished(column);
    PointFinished(row);
}

Args CHooverDlg::CurrentArgs() const {
    return Args({std::int64_t(direction->checkedId()), std::int64_t(m_column), std::int64_t(m_row), std::int64_t(m_iterations)});
}
