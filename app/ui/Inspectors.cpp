#include "Inspectors.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "CVelora.h"
#include "Help.h"
#include "Messages.h"
#include "Document.h"
#include "Workbench.h"

namespace {

// Decimal text read as atof reads it, truncated.
int ParseInt(const QString& text) { return int(std::atof(text.toLatin1().constData())); }

QString ImageName(const CVelora& image) {
    return QString::fromStdString(image.GetNameWithoutExtension() + "." + image.GetExtension());
}

}  // namespace

// ---------------------------------------------------------------- common

CToolWindow::CToolWindow(CWorkbench& bench) : QWidget(bench.MainWindow(), Qt::Tool), m_bench(bench) {}

const CVelora* CToolWindow::ActiveImage() const {
    CUtilidadDoc* doc = m_bench.ActiveDocument();
    return doc ? &doc->Image() : nullptr;
}

void CToolWindow::showEvent(QShowEvent* event) {
    Refresh();
    QWidget::showEvent(event);
}

bool CToolWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) Refresh();
    return QWidget::event(event);
}

// ---------------------------------------------------------------- image information

CInformacionDlg::CInformacionDlg(CWorkbench& bench) : CToolWindow(bench) {
    setWindowTitle("Información de la Imagen");
    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const QString& caption, QWidget* widget) {
        grid->addWidget(new QLabel(caption), row, 0);
        grid->addWidget(widget, row++, 1, 1, 3);
    };
    nameLabel = new QLabel;
    levelsLabel = new QLabel;
    sizeLabel = new QLabel;
    depthLabel = new QLabel;
    bitmapLabel = new QLabel;
    containerLabel = new QLabel;
    addRow("Nombre:", nameLabel);
    addRow("Niveles:", levelsLabel);
    addRow("Dimensiones (Col, Fil):", sizeLabel);
    addRow("Bits por píxel:", depthLabel);
    addRow("Bitmap:", bitmapLabel);
    addRow("BMP contenedor:", containerLabel);

    auto* pixel = new QGroupBox("Píxel");
    auto* pixelGrid = new QGridLayout(pixel);
    columnEdit = new QLineEdit("0");
    rowEdit = new QLineEdit("0");
    pixelGrid->addWidget(new QLabel("Columna"), 0, 0);
    pixelGrid->addWidget(columnEdit, 0, 1);
    pixelGrid->addWidget(new QLabel("Fila"), 0, 2);
    pixelGrid->addWidget(rowEdit, 0, 3);
    const char* const names[3] = {"R", "G", "B"};
    for (QLineEdit*& edit : componentEdit) edit = new QLineEdit;
    auto* components = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        components->addWidget(new QLabel(names[i]));
        components->addWidget(componentEdit[i]);
    }
    equalsLabel = new QLabel("= ");
    valueEdit = new QLineEdit;
    alphaLabel = new QLabel("Canal Alfa");
    components->addWidget(equalsLabel);
    components->addWidget(alphaLabel);
    components->addWidget(valueEdit);
    pixelGrid->addLayout(components, 1, 0, 1, 4);
    for (QLineEdit* e : {columnEdit, rowEdit, componentEdit[0], componentEdit[1], componentEdit[2], valueEdit})
        e->setMaximumWidth(64);
    editBox = new QCheckBox("Editar");
    pixelGrid->addWidget(editBox, 2, 0, 1, 4);

    auto* means = new QGroupBox("Medias (R, G, B, valor)");
    auto* meansGrid = new QGridLayout(means);
    const char* const runs[3] = {"Columna X:", "Fila Y:", "Imagen:"};
    for (int r = 0; r < 3; ++r) {
        meansGrid->addWidget(new QLabel(runs[r]), r, 0);
        for (int c = 0; c < 3; ++c) meansGrid->addWidget(meanColour[r][c] = new QLabel, r, 1 + c);
        meansGrid->addWidget(meanValue[r] = new QLabel, r, 4);
    }

    auto* buttons = new QHBoxLayout;
    auto* help = new QPushButton("Ayuda");
    auto* quit = new QPushButton("Salir");
    buttons->addStretch();
    buttons->addWidget(help);
    buttons->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(pixel);
    layout->addWidget(means);
    layout->addLayout(buttons);

    connect(columnEdit, &QLineEdit::textEdited, this, &CInformacionDlg::CoordinateEdited);
    connect(rowEdit, &QLineEdit::textEdited, this, &CInformacionDlg::CoordinateEdited);
    // A pixel is written once per value the user commits (Enter or leaving the box), so that
    // typing "120" is one undo step, not three.
    for (int i = 0; i < 3; ++i) connect(componentEdit[i], &QLineEdit::editingFinished, this, [this, i] { ComponentEdited(i); });
    connect(valueEdit, &QLineEdit::editingFinished, this, &CInformacionDlg::ValueEdited);
    connect(editBox, &QCheckBox::toggled, this, &CInformacionDlg::SetEditable);
    connect(help, &QPushButton::clicked, this, [this] { velora::ui::ShowHelpTopic("CVelora.chm::/Ayuda/InfoImagen.htm", this); });
    connect(quit, &QPushButton::clicked, this, [this] {
        editBox->setChecked(false);
        close();
    });
    SetEditable(false);
}

int CInformacionDlg::Column() const { return ParseInt(columnEdit->text()); }
int CInformacionDlg::Row() const { return ParseInt(rowEdit->text()); }

void CInformacionDlg::SetEditable(bool on) {
    const CVelora* image = ActiveImage();
    const int depth = image ? image->GetBitCount() : 8;
    for (QLineEdit* e : componentEdit) e->setReadOnly(!on);
    valueEdit->setReadOnly(!on || (depth > 8 && depth != 32));
}

void CInformacionDlg::Refresh() {
    const CVelora* image = ActiveImage();
    if (!image) return;
    const int depth = image->GetBitCount();
    sizeLabel->setText(QString("%1, %2").arg(image->GetWidth()).arg(image->GetHeight()));
    depthLabel->setText(QString::number(depth));
    bitmapLabel->setText(QString::number(image->GetSizeImage()));
    containerLabel->setText(QString::number(std::uint64_t(image->GetDibSize()) + 14));
    nameLabel->setText(ImageName(*image));
    const bool gray = image->IsGray();
    levelsLabel->setText(gray && depth > 8 ? QString("256 niveles de gris")
                                           : QString("%1%2").arg(image->GetMaxColors()).arg(gray ? " niveles de gris" : " colores"));
    const bool palette = depth <= 8;
    equalsLabel->setVisible(palette);
    valueEdit->setVisible(palette || depth == 32);
    alphaLabel->setVisible(depth == 32);
    for (QLabel* l : meanValue) l->setVisible(palette);
    ShowPixel(*image);
}

void CInformacionDlg::ShowPixel(const CVelora& image) {
    const int x = Column(), y = Row();
    valueEdit->setText(image.GetBitCount() == 32 ? QString::number(image.GetAlfa(x, y)) : QString::number(image.GetPixel(x, y)));
    RGBQUAD c{};
    image.GetRGBPixel(x, y, c);
    componentEdit[0]->setText(QString::number(c.rgbRed));
    componentEdit[1]->setText(QString::number(c.rgbGreen));
    componentEdit[2]->setText(QString::number(c.rgbBlue));
    RGBQUAD m[3] = {};
    const std::int64_t values[3] = {image.GetMeanColumn(x, m[0]), image.GetMeanRow(y, m[1]), image.GetMeanImage(m[2])};
    for (int r = 0; r < 3; ++r) {
        meanColour[r][0]->setText(QString::number(m[r].rgbRed));
        meanColour[r][1]->setText(QString::number(m[r].rgbGreen));
        meanColour[r][2]->setText(QString::number(m[r].rgbBlue));
        meanValue[r]->setText(QString::number(values[r]));
    }
}

void CInformacionDlg::CoordinateEdited() {
    const CVelora* image = ActiveImage();
    if (!image) return;
    // Coordinates outside the image fall back to 0.
    if (Column() < 0 || Column() >= image->GetWidth()) columnEdit->setText("0");
    if (Row() < 0 || Row() >= image->GetHeight()) rowEdit->setText("0");
    ShowPixel(*image);
}

void CInformacionDlg::ComponentEdited(int component) {
    CUtilidadDoc* doc = m_bench.ActiveDocument();
    if (!doc || !editBox->isChecked()) return;
    int value = ParseInt(componentEdit[component]->text());
    if (value > 255 || value < 0) {
        value = 0;
        componentEdit[component]->setText("0");
    }
    CVelora& image = doc->Image();
    RGBQUAD c{};
    image.GetRGBPixel(Column(), Row(), c);
    std::uint8_t* channels[3] = {&c.rgbRed, &c.rgbGreen, &c.rgbBlue};
    if (*channels[component] == value) return;  // leaving the box unchanged writes nothing
    static const char* const kLabels[3] = {"Editar componente R coordenada", "Editar componente G coordenada",
                                           "Editar componente B coordenada"};
    if (!doc->PushUndo(kLabels[component])) {
        componentEdit[component]->setText(QString::number(*channels[component]));
        return velora::ui::ShowNotCompleted(this);
    }
    doc->SetModified();
    *channels[component] = std::uint8_t(value);
    image.SetRGBPixel(Column(), Row(), c);
    m_bench.DocumentChanged(*doc, false);
}

void CInformacionDlg::ValueEdited() {
    CUtilidadDoc* doc = m_bench.ActiveDocument();
    if (!doc || !editBox->isChecked()) return;
    CVelora& image = doc->Image();
    const std::int64_t levels = std::min<std::int64_t>(image.GetMaxColors(), 256);
    std::int64_t value = ParseInt(valueEdit->text());
    if (value < 0 || value >= levels) {
        value = 0;
        valueEdit->setText("0");
    }
    const bool alpha = image.GetBitCount() == 32;
    if (value == std::int64_t(alpha ? image.GetAlfa(Column(), Row()) : image.GetPixel(Column(), Row()))) return;
    if (!doc->PushUndo(alpha ? "Editar canal alfa coordenada" : "Editar valor coordenada")) {
        valueEdit->setText(QString::number(alpha ? image.GetAlfa(Column(), Row()) : image.GetPixel(Column(), Row())));
        return velora::ui::ShowNotCompleted(this);
    }
    if (alpha) image.SetAlfa(Column(), Row(), std::uint8_t(value));
    else image.SetPixel(Column(), Row(), std::uint32_t(value));
    doc->SetModified();
    m_bench.DocumentChanged(*doc, false);
}

// ---------------------------------------------------------------- DIB properties

CPropiedadesDIB::CPropiedadesDIB(CWorkbench& bench) : CToolWindow(bench) {
    auto* layout = new QVBoxLayout(this);
    auto addGroup = [&](const QString& title, const QStringList& names) {
        auto* group = new QGroupBox(title);
        auto* grid = new QGridLayout(group);
        int r = 0;
        for (const QString& name : names) {
            auto* value = new QLabel;
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(new QLabel(name == "Paleta" || name == "DIB" ? name + " =" : name), r, 0);
            grid->addWidget(value, r++, 1);
            m_fields.append({name, value});
        }
        layout->addWidget(group);
    };
    addGroup("VALORES DE LOS PUNTEROS (HEX.)", {"m_lpDIB", "m_lpBmIH", "m_lpBmI", "m_pPaleta", "m_pchMapaBits"});
    addGroup("BITMAPINFOHEADER (m_lpBmIH)", {"biSize", "biWidth", "biHeight", "biPlanes", "biBitCount", "biCompression",
                                             "biSizeImage", "biXPelsPerMeter", "biYPelsPerMeter", "biClrUsed",
                                             "biClrImportant"});
    addGroup("TAMAÑO (en bytes)", {"Paleta", "DIB"});
    auto* help = new QPushButton("Ayuda");
    layout->addWidget(help);
    connect(help, &QPushButton::clicked, this,
            [this] { velora::ui::ShowHelpTopic("CVelora.chm::/Ayuda/GetBitmapInfoHeader.htm", this); });
}

QLabel* CPropiedadesDIB::Field(const QString& name) const {
    for (const auto& [n, label] : m_fields)
        if (n == name) return label;
    return nullptr;
}

void CPropiedadesDIB::Refresh() {
    const CVelora* image = ActiveImage();
    if (!image) return;
    setWindowTitle("Propiedades del DIB de " + ImageName(*image));
    auto hex = [](const void* p) {
        return p ? QString::number(std::uint32_t(reinterpret_cast<std::uintptr_t>(p)), 16) : QString("NULL");
    };
    const BITMAPINFO* info = image->GetBitmapInfo();
    Field("m_lpDIB")->setText(hex(image->GetDIB()));
    Field("m_lpBmIH")->setText(hex(info));
    Field("m_lpBmI")->setText(hex(info));
    Field("m_pPaleta")->setText(hex(image->GetPaletteData()));
    Field("m_pchMapaBits")->setText(hex(image->GetBits()));
    const BITMAPINFOHEADER h = image->GetBitmapInfoHeader();
    const bool direct = h.biBitCount > 8;
    Field("biSize")->setText(QString::number(h.biSize));
    Field("biWidth")->setText(QString::number(h.biWidth));
    Field("biHeight")->setText(QString::number(h.biHeight));
    Field("biPlanes")->setText(QString::number(h.biPlanes));
    Field("biBitCount")->setText(QString::number(h.biBitCount));
    Field("biCompression")->setText(h.biCompression == 0 ? QString("BI_RGB") : QString::number(h.biCompression));
    Field("biSizeImage")->setText(QString::number(h.biSizeImage));
    Field("biXPelsPerMeter")->setText(QString::number(h.biXPelsPerMeter));
    Field("biYPelsPerMeter")->setText(QString::number(h.biYPelsPerMeter));
    Field("biClrUsed")->setText(direct ? QString("0") : QString::number(h.biClrUsed));
    Field("biClrImportant")->setText(direct ? QString("0") : QString::number(h.biClrImportant));
    const std::uint32_t paletteSize = image->GetPaletteSize();
    Field("Paleta")->setText(QString::number(paletteSize == 0xFFFFFFFFu ? 0 : paletteSize));
    Field("DIB")->setText(QString::number(image->GetDibSize()));
}
