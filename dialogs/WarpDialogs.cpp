#include "WarpDialogs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "CommandIds.h"
#include "CommandRegistry.h"
#include "DialogTable.h"
#include "Document.h"
#include "Help.h"
#include "Messages.h"
#include "QtText.h"
#include "View.h"
#include "Workbench.h"

using velora::ui::Q;

CWarpDialog::CWarpDialog(CUtilidadView* view, int commandId) : CGenericOperationDialog(view, commandId) {
    const CVelora& image = Backup();
    if (CColourButton* button = ColourButton("background"); button && image.GetBitCount() <= 8 && image.GetPaletteData()) {
        const RGBQUAD e = image.GetPaletteData()[0];
        button->SetColourRef(std::uint32_t(e.rgbRed) | std::uint32_t(e.rgbGreen) << 8 | std::uint32_t(e.rgbBlue) << 16);
    }
}

namespace {

// The slider's range and ticks from the image, its typed values kept inside [low, high], and
// a "Máx" label beside it.
void BoundSlider(CSliderEdit* pair, int sliderMin, int low, int high, int value) {
    pair->Slider()->setRange(sliderMin, high);
    pair->Slider()->setTickInterval(high / 10);
    pair->SetBounds([low, high] { return std::pair{low, high}; });
    pair->SetValue(value);
}

void AddMaxLabel(CSliderEdit* pair, int maximum) {
    if (auto* row = qobject_cast<QHBoxLayout*>(pair->layout())) row->addWidget(new QLabel(QString("Máx: %1").arg(maximum), pair));
}

}  // namespace

COndulacionDlg::COndulacionDlg(CUtilidadView* view) : CWarpDialog(view, kCmdRipple) {
    const int height = Backup().GetHeight(), width = Backup().GetWidth();
    CSliderEdit* amplitude = SliderEdit("amplitude");
    CSliderEdit* divisor = SliderEdit("divisor");
    BoundSlider(amplitude, 0, 0, height, 25);
    BoundSlider(divisor, 1, 1, width, 30);
    AddMaxLabel(amplitude, height);
    AddMaxLabel(divisor, width);
    formulaX = new QLabel(this);
    formulaY = new QLabel(this);
    Body()->addWidget(formulaX);
    Body()->addWidget(formulaY);
    connect(ChoiceGroup("startZone"), &QButtonGroup::idClicked, this, &COndulacionDlg::ShowFormula);
    ShowFormula();
}

void COndulacionDlg::ShowFormula() {
    formulaX->setText("x = i;");
    formulaY->setText(ChoiceGroup("startZone")->checkedId() == 1 ? "y = Nº Filas - 1 - j - Amplitud*(sen(x / Divisor) + 1)"
                                                                 : "y = j + Amplitud * (sen(x / Divisor) + 1)");
}

CRemolinoDlg::CRemolinoDlg(CUtilidadView* view) : CWarpDialog(view, kCmdSwirl) {
    const int width = Backup().GetWidth();
    BoundSlider(SliderEdit("radius"), 0, 1, width, 100);
}

namespace {

constexpr std::array<std::array<const char*, 2>, 10> kShearFormulas = {{
    {"x = i + Porcentaje * j", "y = j"},
    {"x = i - Porcentaje * j;", "y = j"},
    {"x = i", "y = j + Porcentaje * i"},
    {"x = i", "y = j - Porcentaje * i"},
    {"x = i - Porcentaje * j", "y = j - Porcentaje * i"},
    {"x = i", "y = j - Porcentaje * j"},
    {"x = i - Porcentaje * j", "y = j - Porcentaje * j"},
    {"x = i - Porcentaje * i", "y = j"},
    {"x = i - Porcentaje * i", "y = j - Porcentaje * i"},
    {"x = i + Porcentaje * j", "y = j + Porcentaje * i"},
}};

}  // namespace

CInclinacionDlg::CInclinacionDlg(CUtilidadView* view) : CWarpDialog(view, kCmdShear) {
    // The corners the options name.
    Body()->insertWidget(0, new QLabel("SI ─── SD\n│          │\nII ─── ID", this));
    formulaX = new QLabel(this);
    formulaY = new QLabel(this);
    Body()->insertWidget(1, formulaX);
    Body()->insertWidget(2, formulaY);
    connect(ChoiceGroup("type"), &QButtonGroup::idClicked, this, &CInclinacionDlg::ShowFormula);
    ShowFormula();
}

void CInclinacionDlg::ShowFormula() {
    const int type = std::clamp(ChoiceGroup("type")->checkedId(), 0, 9);
    formulaX->setText(kShearFormulas[std::size_t(type)][0]);
    formulaY->setText(kShearFormulas[std::size_t(type)][1]);
}

// ---------------------------------------------------------------- interlacing

CEntrelazarDlg::CEntrelazarDlg(CWorkbench& bench, QWidget* parent) : QDialog(parent), m_bench(bench) {
    const DialogInfo* info = FindDialog("CEntrelazarDlg");
    setWindowTitle(Q(info->caption));
    auto* body = new QVBoxLayout(this);
    const auto chooser = [&](const char* label) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(label, this));
        auto* box = new QComboBox(this);
        row->addWidget(box, 1);
        body->addLayout(row);
        return box;
    };
    imageA = chooser("Imagen A");
    imageB = chooser("Imagen B");
    // The open documents by title, the active one first; nothing chosen yet.
    std::vector<std::shared_ptr<CUtilidadDoc>> documents = bench.OpenDocuments();
    const auto active = std::find_if(documents.begin(), documents.end(),
                                     [&](const auto& d) { return d.get() == bench.ActiveDocument(); });
    if (active != documents.end()) std::rotate(documents.begin(), active, active + 1);
    for (const auto& document : documents) {
        imageA->addItem(QString::fromStdString(document->Title()));
        imageB->addItem(QString::fromStdString(document->Title()));
        m_documents.push_back(document);
    }
    imageA->setCurrentIndex(-1);
    imageB->setCurrentIndex(-1);

    auto* group = new QGroupBox("Tipo entrelazado", this);
    auto* groupLayout = new QVBoxLayout(group);
    kind = new QButtonGroup(group);
    for (const auto& [id, text] : {std::pair{0, "Horizontal"}, std::pair{1, "Vertical"}}) {
        auto* radio = new QRadioButton(text, group);
        kind->addButton(radio, id);
        groupLayout->addWidget(radio);
        radio->setChecked(id == 0);
    }
    body->addWidget(group);

    auto* buttons = new QHBoxLayout;
    interlaceButton = new QPushButton("Entrelazar", this);
    interlaceButton->setEnabled(false);
    exitButton = new QPushButton("Salir", this);
    auto* help = new QPushButton("Ayuda", this);
    buttons->addWidget(interlaceButton);
    buttons->addWidget(exitButton);
    buttons->addWidget(help);
    body->addLayout(buttons);

    connect(imageA, &QComboBox::activated, this, &CEntrelazarDlg::Check);
    connect(imageB, &QComboBox::activated, this, &CEntrelazarDlg::Check);
    connect(kind, &QButtonGroup::idClicked, this, &CEntrelazarDlg::Check);
    connect(interlaceButton, &QPushButton::clicked, this, &CEntrelazarDlg::Interlace);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this, topic = info->helpTopic] { velora::ui::ShowHelpTopic(Q(topic), this); });
}

const CVelora* CEntrelazarDlg::Chosen(const QComboBox* box) const {
    const int i = box->currentIndex();
    if (i < 0 || std::size_t(i) >= m_documents.size()) return nullptr;
    const auto document = m_documents[std::size_t(i)].lock();
    return document ? &document->Image() : nullptr;
}

void CEntrelazarDlg::Check() {
    interlaceButton->setEnabled(false);
    const CVelora *a = Chosen(imageA), *b = Chosen(imageB);
    if (!a || !b) return;
    const char* fault = nullptr;
    if (a->GetBitCount() != b->GetBitCount()) fault = "Error. Las imágenes tienen distinta profundidad de color";
    else if (kind->checkedId() == 0 && a->GetWidth() != b->GetWidth()) fault = "Error. Las imágenes tienen distinto nº de columnas";
    else if (kind->checkedId() == 1 && a->GetHeight() != b->GetHeight()) fault = "Error. Las imágenes tienen distinto nº de filas";
    if (fault) {
        velora::ui::ShowError(this, fault, "Error");
        return;
    }
    interlaceButton->setEnabled(true);
}

void CEntrelazarDlg::Interlace() {
    CUtilidadDoc* active = m_bench.ActiveDocument();
    const CVelora *a = Chosen(imageA), *b = Chosen(imageB);
    if (!active || !a || !b) return;
    // The pictures are copied first: the new window becomes the active document.
    const CVelora pictureA = *a, pictureB = *b;
    CVelora result = active->Image();
    active->TimeOperation(false, "");
    if (result.Interlace(kind->checkedId(), &pictureA, &pictureB) != 0) return;
    active->TimeOperation(true, "Entrelazar las 2 imágenes seleccionadas");
    m_bench.OpenResult(std::move(result), "Entrelazado de Imágenes");
}

void InstallWarpCommands(CCommandRegistry& registry, CWorkbench& bench) {
    registry.SetCommandHandler(kCmdInterlace, [&bench] { CEntrelazarDlg(bench, bench.MainWindow()).exec(); });
}
