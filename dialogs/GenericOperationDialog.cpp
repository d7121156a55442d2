#include "GenericOperationDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "Document.h"
#include "EditText.h"
#include "QtText.h"
#include "View.h"
#include "Workbench.h"

using namespace velora::catalog;

namespace {

using velora::ui::Q;

// A row with the label first, added to a box layout, for controls that go beside it.
QHBoxLayout* LabelledRow(const QString& label, QWidget* parent, QLayout* into) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(label, parent));
    if (auto* box = qobject_cast<QBoxLayout*>(into)) box->addLayout(row);
    return row;
}

}  // namespace

// ---------------------------------------------------------------- CDecimalEdit

CDecimalEdit::CDecimalEdit(const QString& label, double value, double step, Range range, QWidget* parent,
                           CTypedNumber::Kind kind)
    : QWidget(parent), m_value(value), m_step(step), m_range(range), m_kind(kind) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(label, this);
    caption->setObjectName("rowLabel");
    row->addWidget(caption);
    m_edit = new QLineEdit(QString::number(value), this);
    m_edit->setMaximumWidth(80);
    row->addWidget(m_edit);
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    for (int direction : {+1, -1}) {
        auto* arrow = new QToolButton(this);
        arrow->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
        arrow->setAutoRepeat(true);
        arrow->setFixedSize(18, 12);
        arrows->addWidget(arrow);
        connect(arrow, &QToolButton::clicked, this, [this, direction] { Step(direction); });
    }
    row->addLayout(arrows);
    row->addStretch(1);
    m_typed = new CTypedNumber(m_edit, kind, [this] { return std::pair{m_range.min, m_range.max}; });
    connect(m_typed, &CTypedNumber::Taken, this, &CDecimalEdit::Take);
}

QString CDecimalEdit::Text() const { return m_edit->text(); }

void CDecimalEdit::SetValue(double value) {
    m_value = value;
    m_edit->setText(QString::number(value));
}

void CDecimalEdit::Step(int direction) {
    m_typed->Commit();  // the arrows step from the value the box shows
    m_value = std::clamp(m_value + direction * m_step, m_range.min, m_range.max);
    m_edit->setText(m_kind == CTypedNumber::Kind::Integer ? QString::number(m_value) : QString::number(m_value, 'f', 2));
    emit ValueChanged(m_value);
}

void CDecimalEdit::Take(double value) {
    if (value == m_value) return;
    m_value = value;
    emit ValueChanged(m_value);
}

// ---------------------------------------------------------------- CColourButton

std::function<bool(QWidget*, std::uint32_t&)> CColourButton::askColour = [](QWidget* parent, std::uint32_t& colourRef) {
    const QColor chosen = QColorDialog::getColor(QColor(int(colourRef & 0xFF), int(colourRef >> 8 & 0xFF), int(colourRef >> 16 & 0xFF)),
                                                 parent);
    if (!chosen.isValid()) return false;
    colourRef = RGB(std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue()));
    return true;
};

CColourButton::CColourButton(const QString& label, std::uint32_t colourRef, QWidget* parent)
    : QPushButton(label, parent), m_colourRef(colourRef) {
    SetColourRef(colourRef);
    connect(this, &QPushButton::clicked, this, [this] {
        std::uint32_t colour = m_colourRef;
        if (askColour(this, colour)) {
            SetColourRef(colour);
            emit ColourChanged(colour);
        }
    });
}

void CColourButton::SetColourRef(std::uint32_t colourRef) {
    m_colourRef = colourRef;
    const QColor colour(int(colourRef & 0xFF), int(colourRef >> 8 & 0xFF), int(colourRef >> 16 & 0xFF));
    setStyleSheet(QString("background-color: %1; color: %2").arg(colour.name(), colour.lightness() < 128 ? "white" : "black"));
}

// ---------------------------------------------------------------- CGenericOperationDialog

CGenericOperationDialog::CGenericOperationDialog(CUtilidadView* view, int commandId) : COperationDialog(view, commandId) {
    BuildControls();
}

CGenericOperationDialog::CGenericOperationDialog(CUtilidadView* view, const velora::catalog::Operation& op, const velora::catalog::Command& command)
    : COperationDialog(view, op, command) {
    BuildControls();
}

void CGenericOperationDialog::BuildControls() {
    const auto& op = Operation();
    m_slots.resize(op.params.size());
    if (!Command().dialog->note.empty()) Body()->addWidget(new QLabel(Q(Command().dialog->note), this));
    QLayout* groupLayout = nullptr;
    std::string_view groupTitle;
    QHBoxLayout* choiceRow = nullptr;
    if (Command().dialog->choicesSideBySide) {
        choiceRow = new QHBoxLayout;
        Body()->addLayout(choiceRow);
    }
    for (std::size_t i = 0; i < op.params.size(); ++i) {
        const Param& param = op.params[i];
        // What the command fixes and what the workbench already knows take no control.
        const auto preset = std::find_if(Command().presets.begin(), Command().presets.end(),
                                         [&](const auto& p) { return p.first == param.name; });
        if (preset != Command().presets.end()) {
            const double value = preset->second;
            m_slots[i].value = [value, kind = param.kind]() -> ArgValue {
                if (kind == ParamKind::Decimal) return value;
                return std::int64_t(value);
            };
            continue;
        }
        if (param.source == ParamSource::ActiveColorModel) {
            m_slots[i].value = [this]() -> ArgValue { return std::int64_t(Workbench().ColorModel()); };
            continue;
        }
        if (!param.sameAs.empty()) {
            const auto tied = std::size_t(op.ParamIndex(param.sameAs));
            m_slots[i].value = [this, tied] { return m_slots[tied].value(); };
            continue;
        }
        if (param.group.empty()) {
            groupLayout = nullptr;
        } else if (param.group != groupTitle || !groupLayout) {
            auto* box = new QGroupBox(Q(param.group), this);
            groupLayout = new QVBoxLayout(box);
            Body()->addWidget(box);
        }
        groupTitle = param.group;
        QLayout* into = groupLayout ? groupLayout : choiceRow && param.kind == ParamKind::Choice ? static_cast<QLayout*>(choiceRow) : Body();
        m_slots[i] = MakeControl(param, into);
        if (!param.note.empty()) {
            m_slots[i].note = new QLabel(Q(param.note), this);
            into->addWidget(m_slots[i].note);
        }
    }
    RelateControls();
    if (const auto& facts = *Command().dialog; facts.previewBox != DialogFacts::Preview::None) AddPreviewBox();
    if (op.stepByStep) AddProgressText();
    if (const auto& text = Command().dialog->resetText; !text.empty()) {
        auto* reset = new QPushButton(Q(text), this);
        Body()->addWidget(reset, 0, Qt::AlignLeft);
        connect(reset, &QPushButton::clicked, this, [this] {
            for (const Slot& slot : m_slots)
                if (slot.reset) slot.reset();
            ParametersChanged();
        });
    }
    if (Command().dialog->parameterFile) {
        AddSaveButton([this] {
            std::vector<ParameterLine> lines;
            const auto& params = Operation().params;
            for (std::size_t i = 0; i < params.size(); ++i)
                if (!params[i].fileKey.empty() && m_slots[i].text)
                    lines.push_back({std::string(params[i].fileKey), m_slots[i].text()});
            return lines;
        });
    }
}

CGenericOperationDialog::Slot CGenericOperationDialog::MakeControl(const Param& param, QLayout* into) {
    Slot slot;
    const QString label = Q(param.label);
    const Range range = param.ControlRange(Backup());
    const bool bounded = (param.range || param.controlRange || param.imageRange) && param.kind != ParamKind::Colour;
    double start = param.imageStart ? param.imageStart(Backup()) : param.defaultValue;
    if (bounded) start = std::clamp(start, range.min, std::max(range.min, range.max));
    // A negative interval asks for that many parts of the range.
    const int ticks = param.tickInterval >= 0 ? param.tickInterval
                                               : std::max(1, int(range.max - range.min) / -param.tickInterval);
    const bool slider = param.kind == ParamKind::Integer ? !param.arrowsOnly : param.tickInterval != 0;
    switch (param.kind) {
        case ParamKind::Integer:
        case ParamKind::Decimal: {
            if (slider) {
                // A decimal with ticks is dragged in whole units, as a teacher does in class.
                auto* pair = AddSliderEdit(label, int(range.min), int(range.max), ticks, int(start), into);
                if (param.showMaximum)
                    if (auto* row = qobject_cast<QHBoxLayout*>(pair->layout()))
                        row->addWidget(new QLabel(QString("Máx: %1").arg(int(range.max)), pair));
                const bool decimal = param.kind == ParamKind::Decimal;
                slot = {pair, [pair, decimal]() -> ArgValue {
                            if (decimal) return double(pair->Value());
                            return std::int64_t(pair->Value());
                        },
                        [pair] { return pair->Text().toStdString(); }};
                slot.reset = [pair, start] { pair->SetValue(int(start)); };
                break;
            }
            const bool integer = param.kind == ParamKind::Integer;
            const Range bounds = param.controlRange || param.range || param.imageRange ? range : Range{0, 1e30};
            auto* edit = new CDecimalEdit(label, start, param.step, bounds, this,
                                          integer ? CTypedNumber::Kind::Integer : CTypedNumber::Kind::Decimal);
            into->addWidget(edit);
            connect(edit, &CDecimalEdit::ValueChanged, this, &CGenericOperationDialog::ParametersChanged);
            slot = {edit, [edit, integer]() -> ArgValue {
                        if (integer) return std::int64_t(edit->Value());
                        return edit->Value();
                    },
                    [edit] { return edit->Text().toStdString(); }};
            slot.reset = [edit, start] { edit->SetValue(start); };
            break;
        }
        case ParamKind::Flag: {
            QCheckBox* box = AddCheckBox(label, param.defaultValue != 0, into);
            slot = {box, [box]() -> ArgValue { return std::int64_t(box->isChecked()); },
                    [box] { return std::string(box->isChecked() ? "1" : "0"); }};
            slot.reset = [box, start] { box->setChecked(start != 0); };
            break;
        }
        case ParamKind::Choice: {
            auto* box = new QGroupBox(label, this);
            auto* layout = new QVBoxLayout(box);
            auto* group = new QButtonGroup(box);
            for (const Choice& choice : param.choices) {
                auto* radio = new QRadioButton(Q(choice.label), box);
                group->addButton(radio, choice.value);
                layout->addWidget(radio);
                radio->setChecked(choice.value == int(start));
                if (!choice.note.empty() && param.notePlace == NotePlace::UnderEachChoice) {
                    auto* note = new QLabel(Q(choice.note), box);
                    note->setIndent(24);
                    layout->addWidget(note);
                }
            }
            into->addWidget(box);
            connect(group, &QButtonGroup::idClicked, this, &CGenericOperationDialog::ParametersChanged);
            if (param.notePlace == NotePlace::OfChosen) {
                // One text under the group: the chosen one's formula.
                auto* chosen = new QLabel(box);
                layout->addWidget(chosen);
                const auto show = [chosen, group, &param] {
                    for (const Choice& choice : param.choices)
                        if (choice.value == group->checkedId()) chosen->setText(Q(choice.note));
                };
                show();
                connect(group, &QButtonGroup::idClicked, chosen, show);
            }
            slot = {box, [group]() -> ArgValue { return std::int64_t(group->checkedId()); },
                    [group] { return std::to_string(group->checkedId()); }};
            slot.reset = [group, start] {
                if (auto* button = group->button(int(start))) button->setChecked(true);
                group->idClicked(int(start));  // notes follow
            };
            break;
        }
        case ParamKind::Colour: {
            auto* button = new CColourButton(label, std::uint32_t(param.imageStart ? param.imageStart(Backup()) : param.defaultValue), this);
            into->addWidget(button);
            connect(button, &CColourButton::ColourChanged, this, &CGenericOperationDialog::ParametersChanged);
            slot = {button, [button]() -> ArgValue { return std::int64_t(button->ColourRef()); },
                    [button] { return std::to_string(button->ColourRef()); }};
            break;
        }
        case ParamKind::Image: {
            // The open images by their window titles; the choice is read when the operation runs.
            QHBoxLayout* row = LabelledRow(label, this, into);
            auto* chooser = new QComboBox(this);
            std::vector<std::weak_ptr<CUtilidadDoc>> documents;
            for (const auto& document : Workbench().OpenDocuments()) {
                chooser->addItem(QString::fromStdString(document->Title()));
                documents.push_back(document);
            }
            row->addWidget(chooser, 1);
            connect(chooser, &QComboBox::currentIndexChanged, this, &CGenericOperationDialog::ParametersChanged);
            slot = {chooser, [chooser, documents]() -> ArgValue {
                        const int i = chooser->currentIndex();
                        const auto document = i < 0 ? nullptr : documents[std::size_t(i)].lock();
                        return document ? std::make_shared<const CVelora>(document->Image()) : std::make_shared<const CVelora>();
                    },
                    [chooser] { return chooser->currentText().toStdString(); }};
            break;
        }
        case ParamKind::Path: {
            QHBoxLayout* row = LabelledRow(label, this, into);
            auto* edit = new QLineEdit(this);
            auto* browse = new QPushButton("...", this);
            row->addWidget(edit, 1);
            row->addWidget(browse);
            connect(browse, &QPushButton::clicked, this, [this, edit] {
                const QString path = QFileDialog::getOpenFileName(this, QString(), edit->text());
                if (!path.isEmpty()) edit->setText(path);
            });
            slot = {edit, [edit]() -> ArgValue { return QFile::encodeName(edit->text()).toStdString(); },
                    [edit] { return edit->text().toStdString(); }};
            break;
        }
        case ParamKind::IntegerList: {
            if (!param.choices.empty()) {
                // A box per value the declaration offers, those beyond the image's range disabled.
                auto* box = new QGroupBox(label, this);
                auto* layout = new QVBoxLayout(box);
                std::vector<std::pair<QCheckBox*, int>> boxes;
                for (const Choice& choice : param.choices) {
                    auto* check = new QCheckBox(Q(choice.label), box);
                    check->setEnabled(range.Contains(choice.value));
                    layout->addWidget(check);
                    connect(check, &QCheckBox::clicked, this, &CGenericOperationDialog::ParametersChanged);
                    boxes.emplace_back(check, choice.value);
                }
                into->addWidget(box);
                slot = {box, [boxes]() -> ArgValue {
                            std::vector<std::int64_t> list;
                            for (auto it = boxes.rbegin(); it != boxes.rend(); ++it)
                                if (it->first->isEnabled() && it->first->isChecked()) list.push_back(it->second);
                            return list;
                        },
                        [boxes] {
                            std::string text;
                            for (const auto& [check, value] : boxes)
                                if (check->isEnabled() && check->isChecked()) text += (text.empty() ? "" : ",") + std::to_string(value);
                            return text;
                        }};
                slot.reset = [boxes] {
                    for (const auto& entry : boxes) entry.first->setChecked(false);
                };
                break;
            }
            auto* edit = new QLineEdit(this);
            LabelledRow(label, this, into)->addWidget(edit, 1);
            connect(edit, &QLineEdit::textEdited, this, &CGenericOperationDialog::ParametersChanged);
            slot = {edit, [edit]() -> ArgValue {
                        std::vector<std::int64_t> list;
                        for (const QString& part : edit->text().split(',', Qt::SkipEmptyParts)) {
                            bool ok = false;
                            const qlonglong v = part.trimmed().toLongLong(&ok);
                            if (ok) list.push_back(v);
                        }
                        return list;
                    },
                    [edit] { return edit->text().toStdString(); }};
            break;
        }
    }
    return slot;
}

void CGenericOperationDialog::RelateControls() {
    const auto& params = Operation().params;
    for (std::size_t i = 0; i < params.size(); ++i) {
        const Param& param = params[i];
        if (!param.notAbove.empty()) {
            // An ordered pair: each bound by the other's committed value.
            CSliderEdit* low = SliderEdit(param.name);
            CSliderEdit* high = SliderEdit(param.notAbove);
            if (!low || !high) continue;
            const Range lowRange = param.ControlRange(Backup());
            const Range highRange = Operation().FindParam(param.notAbove)->ControlRange(Backup());
            low->SetBounds([low = int(lowRange.min), high] { return std::pair{low, high->Value()}; });
            high->SetBounds([low, top = int(highRange.max)] { return std::pair{low->Value(), top}; });
        }
        if (param.enabledWhen) {
            QButtonGroup* group = ChoiceGroup(param.enabledWhen->param);
            QWidget* control = m_slots[i].control;
            if (!group || !control) continue;
            const auto update = [group, control, values = param.enabledWhen->values] {
                control->setEnabled(std::find(values.begin(), values.end(), group->checkedId()) != values.end());
            };
            update();
            connect(group, &QButtonGroup::idClicked, control, update);
        }
    }
}

QLabel* CGenericOperationDialog::NoteOf(std::string_view param) const {
    const int i = Operation().ParamIndex(param);
    if (i < 0) return nullptr;
    if (QLabel* note = m_slots[std::size_t(i)].note) return note;
    auto* box = ControlOf<QGroupBox>(param);
    const auto labels = box ? box->findChildren<QLabel*>() : QList<QLabel*>{};
    return labels.isEmpty() ? nullptr : labels.back();
}

Args CGenericOperationDialog::CurrentArgs() const {
    std::vector<ArgValue> values;
    for (const Slot& slot : m_slots) values.push_back(slot.value ? slot.value() : ArgValue(std::int64_t(0)));
    return Args(std::move(values));
}

unsigned CGenericOperationDialog::Apply(CVelora& image) {
    return m_fastApply ? m_fastApply(image, CurrentArgs()) : COperationDialog::Apply(image);
}

template <class Widget>
Widget* CGenericOperationDialog::ControlOf(std::string_view param) const {
    const int i = Operation().ParamIndex(param);
    return i < 0 ? nullptr : qobject_cast<Widget*>(m_slots[std::size_t(i)].control);
}

CSliderEdit* CGenericOperationDialog::SliderEdit(std::string_view param) const { return ControlOf<CSliderEdit>(param); }
CDecimalEdit* CGenericOperationDialog::DecimalEdit(std::string_view param) const { return ControlOf<CDecimalEdit>(param); }
QCheckBox* CGenericOperationDialog::CheckBox(std::string_view param) const { return ControlOf<QCheckBox>(param); }
CColourButton* CGenericOperationDialog::ColourButton(std::string_view param) const { return ControlOf<CColourButton>(param); }
QComboBox* CGenericOperationDialog::ImageChooser(std::string_view param) const { return ControlOf<QComboBox>(param); }
QLineEdit* CGenericOperationDialog::TextEdit(std::string_view param) const { return ControlOf<QLineEdit>(param); }

QButtonGroup* CGenericOperationDialog::ChoiceGroup(std::string_view param) const {
    auto* box = ControlOf<QGroupBox>(param);
    return box ? box->findChild<QButtonGroup*>() : nullptr;
}
