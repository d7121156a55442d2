#include "ThresholdDialogs.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "QtText.h"

namespace {

using velora::catalog::Args;
using velora::catalog::Choice;
using velora::ui::Q;

// A row of a label and a small number box.
QLineEdit* AddNumberRow(QVBoxLayout* into, const QString& label, int value) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(label));
    auto* edit = new QLineEdit(QString::number(value));
    edit->setMaximumWidth(70);
    row->addWidget(edit);
    row->addStretch(1);
    into->addLayout(row);
    return edit;
}

// Radio buttons for choices, ids the choices' values, the first checked.
template <std::size_t N>
QButtonGroup* AddRadios(QObject* owner, QVBoxLayout* into, const std::vector<Choice>& choices, std::array<QRadioButton*, N>& radios) {
    auto* group = new QButtonGroup(owner);
    for (std::size_t i = 0; i < N && i < choices.size(); ++i) {
        radios[i] = new QRadioButton(Q(choices[i].label));
        group->addButton(radios[i], choices[i].value);
        into->addWidget(radios[i]);
    }
    radios[0]->setChecked(true);
    return group;
}

std::int64_t I(int value) { return value; }

}  // namespace

// ---------------------------------------------------------------- threshold

CUmbralizarDlg::CUmbralizarDlg(CUtilidadView* view) : COperationDialog(view, kCmdThreshold) {
    const CVelora& image = Backup();
    const bool indexed = image.GetBitCount() <= 8;
    m_levels = indexed ? int(image.GetNumColors()) : 256;
    m_high = m_levels - 1;
    const int middle = indexed ? m_levels / 2 : 128;
    m_other = middle;
    m_blockMaximum = std::max(1, std::min(image.GetWidth(), image.GetHeight()));
    m_titleStart = windowTitle().toStdString();
    const auto& params = Operation().params;  // t, low, high

    QVBoxLayout* modes = AddGroup("Tipo de Umbralización");
    global = new QRadioButton("Global");
    local = new QRadioButton("Local Adaptativa");
    global->setChecked(true);
    local->setEnabled(image.GetBitCount() == 8);  // the local threshold takes 8 bits only
    modes->addWidget(global);
    modes->addWidget(local);
    auto* modeGroup = new QButtonGroup(this);
    modeGroup->addButton(global);
    modeGroup->addButton(local);
    connect(modeGroup, &QButtonGroup::idClicked, this, [this] {
        ModeChosen();
        ParametersChanged();
    });

    QVBoxLayout* globalBox = AddGroup("Umbral Global");
    threshold = AddSliderEdit(Q(params[0].label), 0, m_high, params[0].tickInterval, middle, globalBox);
    threshold->SetBounds([this] { return std::pair{0, m_high}; });
    lowEdit = AddNumberRow(globalBox, "Rango (Mín, Umbral - 1)", 0);
    highEdit = AddNumberRow(globalBox, "Rango (Umbral, L-1)", m_high);
    auto* lowTyped = new CTypedNumber(lowEdit, CTypedNumber::Kind::Integer, [this] { return std::pair{0.0, double(m_high)}; });
    connect(lowTyped, &CTypedNumber::Taken, this, [this](double value) {
        if (int(value) == m_low) return;
        m_low = int(value);
        ParametersChanged();
    });
    auto* highTyped =
        new CTypedNumber(highEdit, CTypedNumber::Kind::Integer, [this] { return std::pair{0.0, double(m_levels - 1)}; });
    connect(highTyped, &CTypedNumber::Taken, this, [this](double value) { HighTaken(int(value)); });
    connect(highEdit, &QLineEdit::textChanged, this, &CUmbralizarDlg::UpdateTitle);

    QVBoxLayout* localBox = AddGroup("Umbral Local Adaptativo");
    blockSize = AddSliderEdit("Tamaño del Bloque", 1, m_blockMaximum, 20, std::max(1, m_blockMaximum / 4), localBox);
    blockMaximumLabel = new QLabel(QString::number(m_blockMaximum));
    if (auto* row = qobject_cast<QHBoxLayout*>(blockSize->layout())) row->insertWidget(2, blockMaximumLabel);

    const auto* localOp = velora::catalog::FindOperation("LocalThreshold");
    QVBoxLayout* kinds = AddGroup("Umbral de cada Región", localBox);
    const std::vector<Choice> kindChoices = {
        {0, {}, "Valor Medio Región"}, {1, {}, "Máximo Región"}, {2, {}, "Máximo Imagen"}, {3, {}, "Otro"}};
    QButtonGroup* kindGroup = AddRadios(this, kinds, kindChoices, thresholdKind);
    otherEdit = new QLineEdit(QString::number(m_other));
    otherEdit->setMaximumWidth(70);
    auto* otherRow = new QHBoxLayout;
    kinds->removeWidget(thresholdKind[3]);
    otherRow->addWidget(thresholdKind[3]);
    otherRow->addWidget(otherEdit);
    otherRow->addStretch(1);
    kinds->addLayout(otherRow);
    auto* otherTyped = new CTypedNumber(otherEdit, CTypedNumber::Kind::Integer, [this] { return std::pair{0.0, double(m_high)}; });
    connect(otherTyped, &CTypedNumber::Taken, this, [this](double value) {
        if (int(value) == m_other) return;
        m_other = int(value);
        if (thresholdKind[3]->isChecked()) ParametersChanged();
    });
    connect(kindGroup, &QButtonGroup::idClicked, this, [this] {
        ModeChosen();
        ParametersChanged();
    });

    QVBoxLayout* outputs = AddGroup(Q(localOp->params[3].label), localBox);
    QButtonGroup* outputGroup = AddRadios(this, outputs, localOp->params[3].choices, outputKind);
    connect(outputGroup, &QButtonGroup::idClicked, this, [this] { ParametersChanged(); });

    AddPreviewBox();
    AddSaveButton([this] {
        const auto& p = Operation().params;
        return std::vector<ParameterLine>{{std::string(p[0].fileKey), threshold->Text().toStdString()},
                                          {std::string(p[1].fileKey), lowEdit->text().toStdString()},
                                          {std::string(p[2].fileKey), highEdit->text().toStdString()}};
    });
    ModeChosen();
    UpdateTitle();
}

void CUmbralizarDlg::ModeChosen() {
    const bool isGlobal = global->isChecked();
    threshold->setEnabled(isGlobal);
    lowEdit->setEnabled(isGlobal);
    highEdit->setEnabled(isGlobal);
    blockSize->setEnabled(!isGlobal);
    for (QRadioButton* r : thresholdKind) r->setEnabled(!isGlobal);
    for (QRadioButton* r : outputKind) r->setEnabled(!isGlobal);
    otherEdit->setEnabled(!isGlobal && thresholdKind[3]->isChecked());
}

void CUmbralizarDlg::HighTaken(int value) {
    if (value == m_high) return;
    m_high = value;
    // What depends on the high output stays inside it: the low output starts again at 0.
    if (m_low > m_high) {
        m_low = 0;
        lowEdit->setText("0");
    }
    if (m_other > m_high) {
        m_other = m_high;
        otherEdit->setText(QString::number(m_other));
    }
    if (threshold->Value() > m_high) threshold->SetValue(m_high);
    threshold->Slider()->setMaximum(m_high);
    ParametersChanged();
}

void CUmbralizarDlg::UpdateTitle() {
    setWindowTitle(QString::fromStdString(m_titleStart) + " con L-1 = " + highEdit->text());
}

int CUmbralizarDlg::ThresholdKindArgument() const {
    if (thresholdKind[0]->isChecked()) return -1;
    if (thresholdKind[1]->isChecked()) return -2;
    if (thresholdKind[2]->isChecked()) return -3;
    return m_other;
}

Args CUmbralizarDlg::CurrentArgs() const { return Args({I(threshold->Value()), I(m_low), I(m_high)}); }

std::vector<COperationDialog::Step> CUmbralizarDlg::CurrentSteps() const {
    if (global->isChecked()) return {{&Operation(), CurrentArgs()}};
    int output = 0;
    while (output < 3 && !outputKind[std::size_t(output)]->isChecked()) ++output;
    static const velora::catalog::Operation* const localOp = velora::catalog::FindOperation("LocalThreshold");
    const int side = blockSize->Value();
    return {{localOp, Args({I(side), I(side), I(ThresholdKindArgument()), I(output)})}};
}

// ---------------------------------------------------------------- optimal threshold

CBuscarUmbralDlg::CBuscarUmbralDlg(CUtilidadView* view) : COperationDialog(view, kCmdOptimalThreshold) {
    const CVelora& image = Backup();
    m_high = image.GetBitCount() <= 8 ? int(image.GetNumColors()) - 1 : 255;
    for (int code = 0; code < 3; ++code) {
        int extra = 0;
        m_thresholds[std::size_t(code)] = image.OptimalThreshold(code, extra);
        if (code == 1) m_iterations = extra;
        if (code == 2) m_secondPeak = extra;
    }
    InfoHistogram info;
    if (image.GetInfoHistogram(info) == 0) m_highestPeak = info.mode[0].level;

    const auto* optimal = velora::catalog::FindOperation("OptimalThreshold");
    QVBoxLayout* methods = AddGroup("Método");
    QButtonGroup* group = AddRadios(this, methods, optimal->params[0].choices, method);
    connect(group, &QButtonGroup::idClicked, this, &CBuscarUmbralDlg::MethodChosen);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Umbral Óptimo Calculado: "));
    thresholdValue = new QLabel;
    row->addWidget(thresholdValue);
    row->addStretch(1);
    Body()->addLayout(row);
    iterationsLabel = new QLabel("Nº de iteraciones realizadas: " + QString::number(m_iterations));
    highestPeakLabel = new QLabel("Nivel del Pico más Alto: " + QString::number(m_highestPeak));
    secondPeakLabel = new QLabel("Nivel seleccionado como 2º Pico más Alto: " + QString::number(m_secondPeak));
    // Their rows stay reserved while hidden: the dialog keeps its height across the methods,
    // and "Previsualizar" stays under the pointer.
    for (QLabel* label : {iterationsLabel, highestPeakLabel, secondPeakLabel}) {
        QSizePolicy policy = label->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        label->setSizePolicy(policy);
        Body()->addWidget(label);
    }
    AddPreviewBox();

    m_method = 0;
    thresholdValue->setText(QString::number(m_thresholds[0]));
    iterationsLabel->hide();
    highestPeakLabel->hide();
    secondPeakLabel->hide();
}

void CBuscarUmbralDlg::MethodChosen(int code) {
    m_method = code;
    thresholdValue->setText(QString::number(m_thresholds[std::size_t(code)]));
    iterationsLabel->setVisible(code == 1);
    highestPeakLabel->setVisible(code == 2);
    secondPeakLabel->setVisible(code == 2);
    ParametersChanged();
}

Args CBuscarUmbralDlg::CurrentArgs() const { return Args({I(m_thresholds[std::size_t(m_method)]), I(0), I(m_high)}); }
