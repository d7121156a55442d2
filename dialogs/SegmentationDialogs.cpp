#include "SegmentationDialogs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "CommandIds.h"
#include "EditText.h"
#include "GenericOperationDialog.h"
#include "Messages.h"
#include "QtText.h"
#include "TranslationDialogs.h"

using velora::ui::Q;

// ---------------------------------------------------------------- COpConjuntosDlg

namespace {

constexpr int kTranslation = 2;  // the radio between reflection and union, which runs no set operation

// The library's code of a radio; the radios after the translation are one place further on.
int CodeOf(int radio) { return radio < kTranslation ? radio : radio - 1; }

}  // namespace

COpConjuntosDlg::COpConjuntosDlg(CUtilidadView* view) : CTwoImageDialog(view, kCmdSetOperations, kD1) {
    AddChoosers(Body());
    imageB->setEnabled(false);
    auto* group = AddGroup("Operación");
    operation = new QButtonGroup(this);
    std::vector<std::pair<int, QString>> radios;
    for (const auto& choice : Operation().params[0].choices)
        radios.emplace_back(choice.value < kTranslation ? choice.value : choice.value + 1, Q(choice.label));
    radios.emplace_back(kTranslation, "Traslación");
    std::sort(radios.begin(), radios.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    for (const auto& [index, label] : radios) {
        auto* radio = new QRadioButton(label, this);
        radio->setChecked(index == 0);
        operation->addButton(radio, index);
        group->addWidget(radio);
    }
    connect(operation, &QButtonGroup::idClicked, this, &COpConjuntosDlg::OperationChosen);
    differentPixels = new QLabel("Seleccione Imagen", this);
    differentPixels->setMinimumWidth(260);
    Body()->addWidget(differentPixels);
}

velora::catalog::Args COpConjuntosDlg::ArgsWith(const CVelora* b) const {
    const int code = CodeOf(m_operation == kTranslation ? 0 : m_operation);
    // Complement and reflection read no second image: the command line leaves it off.
    return velora::catalog::Args({std::int64_t(code), code >= 2 ? ImageArgument(b) : ImageArgument(nullptr)});
}

std::vector<COperationDialog::Step> COpConjuntosDlg::CurrentSteps() const {
    if (m_operation == kTranslation) return {};
    return {{&Operation(), CurrentArgs()}};
}

void COpConjuntosDlg::Chosen(int which) {
    if (m_operation == kTranslation || !ImageOf(0) || (NeedsB() && !ImageOf(1))) {
        RepaintAll();
        return;
    }
    if (which == 1 || NeedsB()) ShowDifferentPixels();
    Reapply("Operación de conjuntos");
}

void COpConjuntosDlg::OperationChosen(int index) {
    static const char* const kTimingNames[] = {"Operación de conjuntos COMPLEMENTO", "Operación de conjuntos REFLEXIÓN", "",
                                               "Operación de conjuntos UNIÓN", "Operación de conjuntos INTERSECCIÓN",
                                               "Operación de conjuntos DIFERENCIA"};
    m_operation = index;
    imageB->setEnabled(NeedsB());
    if (index == kTranslation) return Translate();
    if (!ImageOf(0) || (NeedsB() && !ImageOf(1))) {
        ShowError(NeedsB() ? "Error. Debe Seleccionar las 2 imágenes" : "Error. Debe Seleccionar la Imagen");
        return;
    }
    Reapply(kTimingNames[index]);
}

void COpConjuntosDlg::Translate() {
    if (!ImageOf(0)) {
        ShowError("Error. Debe Seleccionar la Imagen");
        return;
    }
    RestoreBoth();
    RepaintAll();
    {
        CTraslacionDlg translation(View());
        translation.exec();
    }
    // An accepted translation has its undo step: the images start from it from now on.
    RetakeCopies();
    RepaintAll();
}

bool COpConjuntosDlg::ReadyToAccept() {
    if (ImageOf(0) && (!NeedsB() || ImageOf(1))) return true;
    ShowError("Error. Debe Seleccionar Imagen");
    return false;
}

void COpConjuntosDlg::accept() {
    if (m_operation != kTranslation) return CTwoImageDialog::accept();
    // The translation dialog recorded what it did.
    if (ReadyToAccept()) QDialog::accept();
}

// ---------------------------------------------------------------- CElemEstructDlg

CElemEstructDlg::CElemEstructDlg(CUtilidadView* view) : COperationDialog(view, kCmdMorphology) {
    // Parameters: operation, width, height, originX, originY, values.
    const auto& params = Operation().params;
    auto* columns = new QHBoxLayout;
    Body()->addLayout(columns);

    auto* left = new QVBoxLayout;
    columns->addLayout(left);
    auto* element = AddGroup(Q(params[5].label), left);
    auto* grid = new QGridLayout;
    element->addLayout(grid);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) {
            auto* cell = new QLineEdit("0", this);
            cell->setMaximumWidth(44);
            grid->addWidget(cell, r, c);
            cells[std::size_t(r)][std::size_t(c)] = cell;
            auto* typed = new CTypedNumber(cell, CTypedNumber::Kind::Integer,
                                           [range = *params[5].range] { return std::pair{range.min, range.max}; });
            connect(typed, &CTypedNumber::Taken, this, [this, r, c](double value) {
                m_cells[std::size_t(r)][std::size_t(c)] = int(value);
                ParametersChanged();
            });
        }
    const unsigned depth = Backup().GetBitCount();
    element->addWidget(new QLabel("0: Negro", this));
    whiteLevel = new QLabel(QString("%1: Blanco").arg(depth <= 8 ? (1 << depth) - 1 : 255), this);
    element->addWidget(whiteLevel);

    // Width and height: a value outside 1..5 goes back to 3, with a message.
    auto* dimensions = AddGroup("Dimensiones", left);
    auto* origins = AddGroup("Origen", left);
    for (int which = 0; which < 2; ++which) {
        auto* row = new QHBoxLayout;
        auto* caption = new QLabel(Q(params[std::size_t(1 + which)].label), this);
        caption->setObjectName("rowLabel");
        row->addWidget(caption);
        QLineEdit*& edit = size[std::size_t(which)];
        edit = new QLineEdit(QString::number(m_size[std::size_t(which)]), this);
        edit->setMaximumWidth(60);
        row->addWidget(edit);
        row->addStretch(1);
        dimensions->addLayout(row);
        connect(edit, &QLineEdit::editingFinished, this, [this, which] { SizeLeft(which); });
    }
    // The origin follows the typing rule within the element; a value outside it is said first.
    for (int which = 0; which < 2; ++which) {
        auto* row = new QHBoxLayout;
        auto* caption = new QLabel(Q(params[std::size_t(3 + which)].label), this);
        caption->setObjectName("rowLabel");
        row->addWidget(caption);
        QLineEdit*& edit = origin[std::size_t(which)];
        edit = new QLineEdit(QString::number(m_origin[std::size_t(which)]), this);
        edit->setMaximumWidth(60);
        row->addWidget(edit);
        row->addStretch(1);
        origins->addLayout(row);
        connect(edit, &QLineEdit::editingFinished, this, [this, which] { OriginLeft(which); });
        auto* typed = new CTypedNumber(edit, CTypedNumber::Kind::Integer,
                                       [this, which] { return std::pair{0.0, double(m_size[std::size_t(which)] - 1)}; });
        connect(typed, &CTypedNumber::Taken, this, [this, which](double value) {
            m_origin[std::size_t(which)] = int(value);
            ParametersChanged();
        });
    }

    auto* right = new QVBoxLayout;
    columns->addLayout(right);
    auto* operations = AddGroup("Operación", right);
    operation = new QButtonGroup(this);
    for (const auto& choice : params[0].choices) {
        auto* radio = new QRadioButton(Q(choice.label), this);
        radio->setChecked(choice.value == 0);
        operation->addButton(radio, choice.value);
        operations->addWidget(radio);
    }
    operations->addStretch(1);
    connect(operation, &QButtonGroup::idClicked, this, &CElemEstructDlg::ParametersChanged);

    AddPreviewBox();
    AddProgressText();
    FollowSize();
}

void CElemEstructDlg::SizeLeft(int which) {
    QLineEdit* edit = size[std::size_t(which)];
    const auto typed = ParseNumberPrefix(edit->text().toStdString());
    int value = typed && std::isfinite(*typed) ? int(std::clamp(std::trunc(*typed), -1.0, 6.0)) : 0;
    if (value < 1 || value > 5) {
        value = 3;
        edit->setText("3");
        velora::ui::ShowError(this,
                              which == 0 ? "El valor del ANCHO del Elemento Estructural debe estar comprendido entre 1 y 5"
                                         : "El valor del ALTO del Elemento Estructural debe estar comprendido entre 1 y 5",
                              "Error en la dimensión del Elemento Estructural");
        edit->setFocus();
    } else if (edit->text() != QString::number(value)) {
        edit->setText(QString::number(value));
    }
    m_size[std::size_t(which)] = value;
    FollowSize();
    ParametersChanged();
}

void CElemEstructDlg::OriginLeft(int which) {
    const auto typed = ParseNumberPrefix(origin[std::size_t(which)]->text().toStdString());
    if (!typed || (*typed >= 0 && std::trunc(*typed) <= m_size[std::size_t(which)] - 1)) return;
    if (which == 0)
        velora::ui::ShowError(this, "El valor debe estar entre 0 y (Ancho del Elemento Estructural - 1)", "ERROR");
    else
        velora::ui::ShowError(this, "El valor debe estar entre 0 y (Alto del Elemento Estructural - 1)", "AVISO");
    origin[std::size_t(which)]->setFocus();
}

void CElemEstructDlg::FollowSize() {
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) cells[std::size_t(r)][std::size_t(c)]->setEnabled(r < m_size[1] && c < m_size[0]);
    for (std::size_t which = 0; which < 2; ++which)
        if (m_origin[which] > m_size[which] - 1) {
            m_origin[which] = m_size[which] - 1;
            origin[which]->setText(QString::number(m_origin[which]));
        }
}

void CElemEstructDlg::BeforeAccept() {
    // A size still being typed is taken as leaving the box would.
    for (int which = 0; which < 2; ++which)
        if (size[std::size_t(which)]->text() != QString::number(m_size[std::size_t(which)])) SizeLeft(which);
}

velora::catalog::Args CElemEstructDlg::CurrentArgs() const {
    std::vector<std::int64_t> values;
    for (int r = 0; r < m_size[1]; ++r)
        for (int c = 0; c < m_size[0]; ++c) values.push_back(m_cells[std::size_t(r)][std::size_t(c)]);
    return velora::catalog::Args({std::int64_t(operation->checkedId()), std::int64_t(m_size[0]), std::int64_t(m_size[1]),
                                  std::int64_t(m_origin[0]), std::int64_t(m_origin[1]), std::move(values)});
}

// ---------------------------------------------------------------- region growing

void FinishRegionGrowingDialog(CGenericOperationDialog& dialog) {
    CSliderEdit* threshold = dialog.SliderEdit("threshold");
    QButtonGroup* criterion = dialog.ChoiceGroup("criterion");
    const int levels = int(dialog.Operation().FindParam("threshold")->ControlRange(dialog.Backup()).max);
    // The value each criterion keeps while the other is chosen: levels, or 10 per cent.
    auto kept = std::make_shared<std::array<int, 2>>(std::array<int, 2>{threshold->Value(), 10});
    // Toggled before clicked: the preview the click starts sees the new box.
    QObject::connect(criterion, &QButtonGroup::idToggled, threshold, [threshold, kept, levels](int id, bool on) {
        if (id < 0 || id > 1) return;
        if (!on) {
            (*kept)[std::size_t(id)] = threshold->Value();
            return;
        }
        {
            const QSignalBlocker block(threshold->Slider());
            threshold->Slider()->setRange(0, id == 0 ? levels : 100);
        }
        threshold->SetValue((*kept)[std::size_t(id)]);
    });
    if (auto* body = dialog.findChild<QVBoxLayout*>("body")) {
        auto* group = new QGroupBox("Dimensiones Imagen", &dialog);
        auto* layout = new QVBoxLayout(group);
        layout->addWidget(new QLabel(QString("%1 x %2").arg(dialog.Backup().GetWidth()).arg(dialog.Backup().GetHeight()), group));
        body->insertWidget(0, group);
    }
}
