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

CDecimalEdit::CDecimalEdit(const QString& label, double value, double step, Range range, QWidget* parent)
    : QWidget(parent), m_value(value), m_step(step), m_range(range) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(label, this));
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
    m_typed = new CTypedNumber(m_edit, CTypedNumber::Kind::Decimal, [this] { return std::pair{m_range.min, m_range.max}; });
    connect(m_typed, &CTypedNumber::Taken, this, &CDecimalEdit::Take);
}

QString CDecimalEdit::Text() const { return m_edit->text(); }

void CDecimalEdit::Step(int direction) {
    m_typed->Commit();  // the arrows step from the value the box shows
    m_value = std::clamp(m_value + direction * m_step, m_range.min, m_range.max);
    m_edit->setText(QString::number(m_value, 'f', 2));
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
    QLayout* groupLayout = nullptr;
    std::string_view groupTitle;
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
        if (param.group.empty()) {
            groupLayout = nullptr;
        } else if (param.group != groupTitle || !groupLayout) {
            auto* box = new QGroupBox(Q(param.group), this);
            groupLayout = new QVBoxLayout(box);
            Body()->addWidget(box);
        }
        groupTitle = param.group;
        m_slots[i] = MakeControl(param, groupLayout ? groupLayout : Body());
    }
    if (const auto& facts = *Command().dialog; facts.previewBox != DialogFacts::Preview::None) AddPreviewBox();
    if (op.stepByStep) AddProgressText();
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
    const Range range = param.ControlRange();
    switch (param.kind) {
        case ParamKind::Integer: {
            auto* pair = AddSliderEdit(label, int(range.min), int(range.max), param.tickInterval, int(param.defaultValue), into);
            slot = {pair, [pair]() -> ArgValue { return std::int64_t(pair->Value()); },
                    [pair] { return pair->Text().toStdString(); }};
            break;
        }
        case ParamKind::Flag: {
            QCheckBox* box = AddCheckBox(label, param.defaultValue != 0, into);
            slot = {box, [box]() -> ArgValue { return std::int64_t(box->isChecked()); },
                    [box] { return std::string(box->isChecked() ? "1" : "0"); }};
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
                radio->setChecked(choice.value == int(param.defaultValue));
            }
            into->addWidget(box);
            connect(group, &QButtonGroup::idClicked, this, &CGenericOperationDialog::ParametersChanged);
            slot = {box, [group]() -> ArgValue { return std::int64_t(group->checkedId()); },
                    [group] { return std::to_string(group->checkedId()); }};
            break;
        }
        case ParamKind::Decimal: {
            const Range bounds = param.controlRange || param.range ? range : Range{0, 1e30};
            auto* edit = new CDecimalEdit(label, param.defaultValue, param.step, bounds, this);
            into->addWidget(edit);
            connect(edit, &CDecimalEdit::ValueChanged, this, &CGenericOperationDialog::ParametersChanged);
            slot = {edit, [edit]() -> ArgValue { return edit->Value(); }, [edit] { return edit->Text().toStdString(); }};
            break;
        }
        case ParamKind::Colour: {
            auto* button = new CColourButton(label, std::uint32_t(param.defaultValue), this);
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

Args CGenericOperationDialog::CurrentArgs() const {
    std::vector<ArgValue> values;
    for (const Slot& slot : m_slots) values.push_back(slot.value ? slot.value() : ArgValue(std::int64_t(0)));
    return Args(std::move(values));
}

unsigned CGenericOperationDialog::Apply(CVelora& image) { return Operation().call(image, CurrentArgs()); }

unsigned CGenericOperationDialog::ApplyStepByStep(CVelora& image, CStepProgress& progress) {
    return Operation().stepByStep ? Operation().stepByStep(image, CurrentArgs(), progress) : Apply(image);
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
