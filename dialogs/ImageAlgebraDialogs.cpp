#include "ImageAlgebraDialogs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

#include "CommandIds.h"
#include "Document.h"
#include "Messages.h"
#include "OperationRunner.h"
#include "QtText.h"
#include "View.h"
#include "Workbench.h"

using velora::ui::Q;

namespace {

constexpr const char* kNeedBoth = "Error. Debe Seleccionar las 2 imágenes";
constexpr const char* kNeedOne = "Error. Debe Seleccionar la Imagen";
constexpr const char* kDepthsDiffer = "Error. Las imágenes tienen distinta profundidad de color";

bool IsTrueColour(unsigned depth) { return depth == 24 || depth == 32; }

}  // namespace

// ---------------------------------------------------------------- CTwoImageDialog

CTwoImageDialog::CTwoImageDialog(CUtilidadView* view, int commandId, unsigned depths)
    : COperationDialog(view, commandId) {
    // The image the dialog was opened from first, then every other open one it can take.
    CUtilidadDoc* active = &view->Document();
    for (const auto& document : Workbench().OpenDocuments()) {
        if (depths && !(DepthBitOf(document->Image().GetBitCount()) & depths)) continue;
        if (document.get() == active) m_documents.insert(m_documents.begin(), document);
        else m_documents.push_back(document);
    }
}

void CTwoImageDialog::AddChoosers(QVBoxLayout* into) {
    auto* row = new QHBoxLayout;
    for (int which = 0; which < 2; ++which) {
        auto* group = new QGroupBox(which == 0 ? "Imagen A" : "Imagen B", this);
        auto* layout = new QVBoxLayout(group);
        auto* box = new QComboBox(group);
        box->setMinimumWidth(200);
        for (const auto& weak : m_documents)
            if (const auto document = weak.lock()) box->addItem(QString::fromStdString(document->Title()));
        box->setCurrentIndex(-1);
        layout->addWidget(box);
        row->addWidget(group);
        (which == 0 ? imageA : imageB) = box;
        connect(box, qOverload<int>(&QComboBox::activated), this, [this, which](int item) { Choose(which, item); });
    }
    into->addLayout(row);
}

CVelora* CTwoImageDialog::ImageOf(int which) const {
    const auto document = m_chosen[std::size_t(which)].lock();
    return document ? &document->Image() : nullptr;
}

void CTwoImageDialog::RestoreBoth() {
    for (int which : {1, 0})
        if (CVelora* image = ImageOf(which)) *image = m_copies[std::size_t(which)];
}

void CTwoImageDialog::RetakeCopies() {
    for (int which : {0, 1})
        if (const CVelora* image = ImageOf(which)) m_copies[std::size_t(which)] = *image;
}

void CTwoImageDialog::Choose(int which, int item) {
    if (item < 0 || std::size_t(item) >= m_documents.size()) return;
    RestoreBoth();
    QComboBox* box = which == 0 ? imageA : imageB;
    const auto document = m_documents[std::size_t(item)].lock();
    if (!document) {
        // Closed since the dialog opened.
        m_chosen[std::size_t(which)].reset();
        box->setCurrentIndex(-1);
        RepaintAll();
        return;
    }
    m_chosen[std::size_t(which)] = document;
    m_copies[std::size_t(which)] = document->Image();
    box->setCurrentIndex(item);
    Chosen(which);
}

void CTwoImageDialog::Reapply(const std::string& timingLabel) {
    const auto documentA = m_chosen[0].lock();
    if (!documentA) return;
    RestoreBoth();
    m_changed = true;
    if (!timingLabel.empty()) documentA->TimeOperation(false, "");
    ApplyTo(documentA->Image(), ImageOf(1));
    if (!timingLabel.empty()) documentA->TimeOperation(true, timingLabel);
    RepaintAll();
}

void CTwoImageDialog::ShowDifferentPixels() {
    const CVelora *a = ImageOf(0), *b = ImageOf(1);
    if (a && b) differentPixels->setText(QString("Nº de Píxeles Distintos: %1").arg(a->CountDifferentPixels(*b)));
}

void CTwoImageDialog::RepaintAll() {
    // Every listed image: one chosen before may just have been restored.
    for (const auto& weak : m_documents)
        if (const auto document = weak.lock()) Workbench().DocumentChanged(*document, false);
    Workbench().RefreshToolWindows();
}

void CTwoImageDialog::ShowError(const char* text) { velora::ui::ShowError(this, text, "Error"); }

unsigned CTwoImageDialog::Apply(CVelora& image) { return ApplyTo(image, ImageOf(1)); }

velora::catalog::ArgValue CTwoImageDialog::ImageArgument(const CVelora* b) {
    return std::shared_ptr<const CVelora>(std::shared_ptr<const CVelora>(), b);  // not owned
}

unsigned CTwoImageDialog::ApplyTo(CVelora& a, const CVelora* b) const { return Operation().call(a, ArgsWith(b)); }

void CTwoImageDialog::accept() {
    if (!ReadyToAccept()) return;
    RestoreBoth();
    // The undo step goes to the document whose image changes: A's, which need not be the
    // one the dialog was opened from.
    const auto documentA = m_chosen[0].lock();
    const CVelora* b = ImageOf(1);
    velora::ui::RunInPlace(Workbench(), *documentA, Command().undoLabel, Command().timingLabel,
                           [this, b](CVelora& image) { return ApplyTo(image, b); }, {},
                           {velora::ui::StepOf(Workbench(), Operation(), ArgsWith(b))});
    RepaintAll();
    QDialog::accept();
}

void CTwoImageDialog::reject() {
    if (m_changed) {
        RestoreBoth();
        RepaintAll();
    }
    QDialog::reject();
}

// ---------------------------------------------------------------- COperacionesEntreImg

COperacionesEntreImg::COperacionesEntreImg(CUtilidadView* view) : CTwoImageDialog(view, kCmdArithmetic, kDepthsAll5) {
    AddChoosers(Body());

    auto* middle = new QHBoxLayout;
    Body()->addLayout(middle);
    auto* operations = new QVBoxLayout;
    middle->addLayout(operations);
    auto* group = AddGroup("Operación", operations);
    operation = new QButtonGroup(this);
    for (const auto& choice : Operation().params[0].choices) {
        auto* radio = new QRadioButton(Q(choice.label), this);
        radio->setChecked(choice.value == 0);
        operation->addButton(radio, choice.value);
        group->addWidget(radio);
    }
    connect(operation, &QButtonGroup::idClicked, this, &COperacionesEntreImg::OperationChosen);

    auto* right = new QVBoxLayout;
    middle->addLayout(right);
    // Parameters: operation, imageB, weightA, weightB, offsetColumn, offsetRow.
    const auto& params = Operation().params;
    auto* weights = AddGroup(Q(params[2].group), right);
    for (int which = 0; which < 2; ++which) {
        auto* row = new QHBoxLayout;
        auto* caption = new QLabel(Q(params[std::size_t(2 + which)].label), this);
        caption->setObjectName("rowLabel");
        row->addWidget(caption);
        QLineEdit*& edit = weight[std::size_t(which)];
        edit = new QLineEdit("1.0", this);
        edit->setReadOnly(true);
        edit->setMaximumWidth(70);
        row->addWidget(edit);
        const auto [up, down] = AddArrows(row);
        row->addStretch(1);
        weightUp[std::size_t(which)] = up;
        weightDown[std::size_t(which)] = down;
        connect(up, &QToolButton::clicked, this, [this, which] { Step(which, true); });
        connect(down, &QToolButton::clicked, this, [this, which] { Step(which, false); });
        weights->addLayout(row);
    }
    auto* offsets = AddGroup(Q(params[4].group), right);
    for (int which = 0; which < 2; ++which) {
        auto* row = new QHBoxLayout;
        auto* caption = new QLabel(Q(params[std::size_t(4 + which)].label), this);
        caption->setObjectName("rowLabel");
        row->addWidget(caption);
        QLineEdit* edit = new QLineEdit("0", this);
        edit->setMaximumWidth(70);
        row->addWidget(edit);
        row->addStretch(1);
        offsets->addLayout(row);
        (which == 0 ? offsetColumn : offsetRow) = edit;
        connect(edit, &QLineEdit::textChanged, this, [this, which] { OffsetTyped(which); });
    }

    differentPixels = new QLabel("Seleccione las 2 Imágenes", this);
    differentPixels->setMinimumWidth(260);
    Body()->addWidget(differentPixels);
}

velora::catalog::Args COperacionesEntreImg::ArgsWith(const CVelora* b) const {
    return velora::catalog::Args({std::int64_t(m_operation), ImageArgument(b), double(m_weights[0]), double(m_weights[1]),
                                  std::int64_t(m_offset[0]), std::int64_t(m_offset[1])});
}

bool COperacionesEntreImg::CheckOffset(int which) {
    const CVelora* a = ImageOf(0);
    const int limit = !a ? INT_MAX : which == 0 ? a->GetWidth() : a->GetHeight();
    int& offset = m_offset[std::size_t(which)];
    if (offset >= 0 && offset < limit) return true;
    offset = 0;
    m_writingOffset = true;
    (which == 0 ? offsetColumn : offsetRow)->setText("0");
    m_writingOffset = false;
    return false;
}

void COperacionesEntreImg::Chosen(int which) {
    // An offset typed before A was chosen may lie beyond it.
    if (which == 0) {
        CheckOffset(0);
        CheckOffset(1);
    }
    const CVelora *a = ImageOf(0), *b = ImageOf(1);
    if (!a || !b) {
        RepaintAll();
        return;
    }
    const unsigned da = a->GetBitCount(), db = b->GetBitCount();
    if (da != db && !(IsTrueColour(da) && IsTrueColour(db))) {
        ShowError(kDepthsDiffer);
        RepaintAll();
        return;
    }
    ShowDifferentPixels();
    Reapply("Operación aritmética");
}

void COperacionesEntreImg::OperationChosen(int index) {
    static const char* const kTimingNames[] = {
        "Suma de Imágenes",           "Diferencia de Imágenes",
        "Producto de Imágenes",       "División de Imágenes",
        "Valor medio de las 2 Imágenes", "Valores más claros de las Imágenes",
        "Valores más oscuros de las Imágenes"};
    m_operation = index;
    if (!HasBoth()) {
        ShowError(kNeedBoth);
        return;
    }
    Reapply(kTimingNames[index]);
}

void COperacionesEntreImg::Step(int which, bool up) {
    const double step = Operation().params[std::size_t(2 + which)].step;
    float value = float(double(m_weights[std::size_t(which)]) + (up ? step : -step));
    if (!(value > 0)) value = 0;
    m_weights[std::size_t(which)] = value;
    weight[std::size_t(which)]->setText(QString::asprintf("%.2f", double(value)));
    if (!HasBoth()) {
        ShowError(kNeedBoth);
        return;
    }
    Reapply({});
}

void COperacionesEntreImg::OffsetTyped(int which) {
    if (m_writingOffset) return;
    bool ok = false;
    const int value = (which == 0 ? offsetColumn : offsetRow)->text().trimmed().toInt(&ok);
    m_offset[std::size_t(which)] = ok ? value : 0;
    CheckOffset(which);
    if (HasBoth()) Reapply({});
}

bool COperacionesEntreImg::ReadyToAccept() {
    if (HasBoth()) return true;
    ShowError(kNeedBoth);
    return false;
}

// ---------------------------------------------------------------- COpLogicasDlg

COpLogicasDlg::COpLogicasDlg(CUtilidadView* view) : CTwoImageDialog(view, kCmdLogical, 0) {
    AddChoosers(Body());
    imageB->setEnabled(false);
    auto* group = AddGroup("Operación");
    auto* row = new QHBoxLayout;
    group->addLayout(row);
    operation = new QButtonGroup(this);
    for (const auto& choice : Operation().params[0].choices) {
        auto* radio = new QRadioButton(Q(choice.label), this);
        radio->setChecked(choice.value == 0);
        operation->addButton(radio, choice.value);
        row->addWidget(radio);
    }
    connect(operation, &QButtonGroup::idClicked, this, &COpLogicasDlg::OperationChosen);
    differentPixels = new QLabel("Seleccione Imagen", this);
    differentPixels->setMinimumWidth(260);
    Body()->addWidget(differentPixels);
}

velora::catalog::Args COpLogicasDlg::ArgsWith(const CVelora* b) const {
    return velora::catalog::Args({std::int64_t(m_operation), ImageArgument(b)});
}

void COpLogicasDlg::Chosen(int) {
    if (!CanApply()) {
        RepaintAll();
        return;
    }
    if (m_operation != 0) ShowDifferentPixels();
    Reapply("Operación lógica");
}

void COpLogicasDlg::OperationChosen(int index) {
    static const char* const kTimingNames[] = {"Operación lógica NOT", "Operación lógica AND", "Operación lógica OR",
                                               "Operación lógica XOR", "Operación lógica NAND", "Operación lógica NOR"};
    m_operation = index;
    imageB->setEnabled(index != 0);
    if (!CanApply()) {
        ShowError(index == 0 ? kNeedOne : kNeedBoth);
        return;
    }
    Reapply(kTimingNames[index]);
}

bool COpLogicasDlg::ReadyToAccept() {
    if (CanApply()) return true;
    ShowError(kNeedBoth);
    return false;
}
