#include "TranslationDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "GenericOperationDialog.h"
#include "QtText.h"
#include "ScreenGeometry.h"

namespace {

using velora::catalog::Args;
using velora::ui::Q;

QGridLayout* AddGrid(QVBoxLayout* body, const QString& title) {
    auto* group = new QGroupBox(title);
    auto* grid = new QGridLayout(group);
    body->addWidget(group);
    return grid;
}

// An up and a down arrow, stacked, as the spin buttons of the edit boxes.
QVBoxLayout* Arrows(QToolButton*& up, QToolButton*& down) {
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    up = new QToolButton;
    up->setArrowType(Qt::UpArrow);
    down = new QToolButton;
    down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up, down}) {
        b->setAutoRepeat(true);
        b->setFixedSize(18, 12);
        arrows->addWidget(b);
    }
    return arrows;
}

QString Size(std::int64_t w, std::int64_t h) { return QString("%1 x %2").arg(w).arg(h); }

}  // namespace

CTraslacionDlg::CTraslacionDlg(CUtilidadView* view)
    : COperationDialog(view, kCmdTranslate), m_monitors(QueryMonitorGeometry()) {
    m_width = Backup().GetWidth();
    m_height = Backup().GetHeight();
    m_dx = m_width / 16;
    m_dy = m_height / 16;
    const velora::catalog::Operation& byAngleOp = *velora::catalog::FindOperation("TranslateByAngle");
    m_distance = int(byAngleOp.FindParam("distance")->defaultValue);
    m_alpha = float(byAngleOp.FindParam("alpha")->defaultValue);
    m_beta = float(byAngleOp.FindParam("beta")->defaultValue);

    // Size of the result.
    auto* sizeRow = new QHBoxLayout;
    newSize = new QRadioButton("Nuevo Tamaño");
    keepSize = new QRadioButton("Mantener Tamaño Original");
    keepSize->setChecked(true);
    auto* sizeGroup = new QButtonGroup(this);
    sizeGroup->addButton(newSize, 0);
    sizeGroup->addButton(keepSize, 1);
    sizeRow->addWidget(newSize);
    sizeRow->addWidget(keepSize);
    Body()->addLayout(sizeRow);

    // How the displacement is given.
    auto* kindRow = new QHBoxLayout;
    byAngle = new QRadioButton("Distancia y ángulo");
    relative = new QRadioButton("Coordenadas relativas (píx.)");
    relative->setChecked(true);
    auto* kindGroup = new QButtonGroup(this);
    kindGroup->addButton(byAngle, 1);
    kindGroup->addButton(relative, 0);
    kindRow->addWidget(byAngle);
    kindRow->addWidget(relative);
    Body()->addLayout(kindRow);

    // Relative coordinates.
    QGridLayout* pixels = AddGrid(Body(), "Coordenadas relativas (píx.)");
    QToolButton *dxUp, *dxDown, *dyUp, *dyDown;
    dxEdit = new QLineEdit(QString::number(m_dx));
    dyEdit = new QLineEdit(QString::number(m_dy));
    pixels->addWidget(new QLabel("dx"), 0, 0);
    pixels->addWidget(dxEdit, 0, 1);
    pixels->addLayout(Arrows(dxUp, dxDown), 0, 2);
    pixels->addWidget(new QLabel("dy"), 1, 0);
    pixels->addWidget(dyEdit, 1, 1);
    pixels->addLayout(Arrows(dyUp, dyDown), 1, 2);
    preserve = new QCheckBox("Preservar Proporciones");
    pixels->addWidget(preserve, 2, 0, 1, 3);
    m_spinButtons = {dxUp, dxDown, dyUp, dyDown};

    // Distance and angle.
    QGridLayout* angle = AddGrid(Body(), "Distancia y ángulo");
    distanceEdit = new QLineEdit(QString::number(m_distance));
    alphaEdit = new QLineEdit("5");
    betaEdit = new QLineEdit("45");
    angle->addWidget(new QLabel(Q(byAngleOp.FindParam("distance")->label)), 0, 0);
    angle->addWidget(distanceEdit, 0, 1);
    angle->addWidget(new QLabel("Ángulo Alfa (grados)"), 1, 0);
    angle->addWidget(alphaEdit, 1, 1);
    angle->addWidget(new QLabel("Dirección Beta (grados)"), 2, 0);
    angle->addWidget(betaEdit, 2, 1);
    radius = new QLabel;
    components = new QLabel;
    angle->addWidget(new QLabel("Valor de r:"), 3, 0);
    angle->addWidget(radius, 3, 1);
    angle->addWidget(new QLabel("TRASLACIÓN  X,Y"), 4, 0);
    angle->addWidget(components, 4, 1);

    // Background colour: palette images start at their first entry.
    std::uint32_t colour = 0;
    if (Backup().GetBitCount() <= 8 && Backup().GetPaletteData() && Backup().GetNumColors() > 0) {
        const RGBQUAD& e = Backup().GetPaletteData()[0];
        colour = std::uint32_t(e.rgbRed) | std::uint32_t(e.rgbGreen) << 8 | std::uint32_t(e.rgbBlue) << 16;
    }
    background = new CColourButton("Color Fondo", colour);
    Body()->addWidget(background);

    // The monitors and the sizes.
    monitorInfo = new QLabel;
    QString monitors = QString("Número de monitores: %1\nMonitor Principal: %2 píx.  %3 mm")
                           .arg(m_monitors.monitors)
                           .arg(Size(m_monitors.mainWidth, m_monitors.mainHeight))
                           .arg(Size(m_monitors.mainWidthMm, m_monitors.mainHeightMm));
    if (m_monitors.monitors > 1)
        monitors += QString("\nMonitor Auxiliar: %1 píx.  %2 mm")
                        .arg(Size(m_monitors.secondWidth, m_monitors.secondHeight))
                        .arg(Size(m_monitors.secondWidthMm, m_monitors.secondHeightMm));
    monitors += QString("\n- Cálculos relativos al monitor: %1").arg(m_monitors.monitors);
    monitorInfo->setText(monitors);
    Body()->addWidget(monitorInfo);
    currentSize = new QLabel(QString("Tamaño Actual:     %1 x %2").arg(m_width).arg(m_height));
    resultSize = new QLabel;
    Body()->addWidget(currentSize);
    Body()->addWidget(resultSize);
    AddPreviewBox();
    AddSaveButton([this] { return FileLines(); });

    // The boxes: offsets within minus and plus the size, angles within their ranges.
    using Kind = CTypedNumber::Kind;
    auto* dxTyped = new CTypedNumber(dxEdit, Kind::Integer, [this] { return std::pair{-double(m_width), double(m_width)}; });
    auto* dyTyped = new CTypedNumber(dyEdit, Kind::Integer, [this] { return std::pair{-double(m_height), double(m_height)}; });
    const velora::catalog::Range distanceRange{0, 100000};
    auto* distanceTyped = new CTypedNumber(distanceEdit, Kind::Integer, [distanceRange] {
        return std::pair{distanceRange.min, distanceRange.max};
    });
    auto* alphaTyped = new CTypedNumber(alphaEdit, Kind::Decimal, [] { return std::pair{0.0, 80.0}; });
    auto* betaTyped = new CTypedNumber(betaEdit, Kind::Decimal, [] { return std::pair{0.0, 360.0}; });
    connect(dxTyped, &CTypedNumber::Taken, this, [this](double v) { SetDx(int(v)); });
    connect(dyTyped, &CTypedNumber::Taken, this, [this](double v) { SetDy(int(v)); });
    connect(distanceTyped, &CTypedNumber::Taken, this, [this](double v) {
        if (int(v) == m_distance) return;
        m_distance = int(v);
        Changed();
    });
    connect(alphaTyped, &CTypedNumber::Taken, this, [this](double v) {
        if (float(v) == m_alpha) return;
        m_alpha = float(v);
        Changed();
    });
    connect(betaTyped, &CTypedNumber::Taken, this, [this](double v) {
        if (float(v) == m_beta) return;
        m_beta = float(v);
        Changed();
    });
    connect(dxUp, &QToolButton::clicked, this, [this] { SpinDx(+1); });
    connect(dxDown, &QToolButton::clicked, this, [this] { SpinDx(-1); });
    connect(dyUp, &QToolButton::clicked, this, [this] { SpinDy(+1); });
    connect(dyDown, &QToolButton::clicked, this, [this] { SpinDy(-1); });
    connect(preserve, &QCheckBox::toggled, this, [this](bool on) {
        dyEdit->setReadOnly(on);
        if (on) SetDy(m_dx);
    });
    connect(sizeGroup, &QButtonGroup::idClicked, this, [this](int mode) {
        m_mode = mode;
        Changed();
    });
    connect(kindGroup, &QButtonGroup::idClicked, this, [this](int angleMode) {
        m_byAngle = angleMode == 1;
        UpdateEnabling();
        Changed();
    });
    connect(background, &CColourButton::ColourChanged, this, [this] { Changed(); });
    UpdateEnabling();
    UpdateLabels();
}

void CTraslacionDlg::SetDx(int value) {
    const bool same = value == m_dx;
    m_dx = value;
    if (dxEdit->text() != QString::number(value) && !dxEdit->hasFocus()) dxEdit->setText(QString::number(value));
    if (preserve->isChecked() && m_dy != m_dx) {
        SetDy(m_dx);  // previews once, for both
        return;
    }
    if (!same) Changed();
}

void CTraslacionDlg::SetDy(int value) {
    // With "Preservar Proporciones" dy is dx, within the height's limits.
    const int limited = std::clamp(value, -m_height, m_height);
    if ((preserve->isChecked() || !dyEdit->hasFocus()) && dyEdit->text() != QString::number(limited))
        dyEdit->setText(QString::number(limited));
    if (limited == m_dy) return;
    m_dy = limited;
    Changed();
}

void CTraslacionDlg::SpinDx(int delta) {
    CommitEdits();
    if ((delta > 0 && m_dx < m_width) || (delta < 0 && m_dx > -m_width)) {
        dxEdit->setText(QString::number(m_dx + delta));
        SetDx(m_dx + delta);
    }
}

void CTraslacionDlg::SpinDy(int delta) {
    CommitEdits();
    if (preserve->isChecked()) return;  // dy follows dx
    if ((delta > 0 && m_dy < m_height) || (delta < 0 && m_dy > -m_height)) SetDy(m_dy + delta);
}

void CTraslacionDlg::UpdateEnabling() {
    for (QWidget* w : std::initializer_list<QWidget*>{dxEdit, dyEdit, preserve}) w->setEnabled(!m_byAngle);
    for (QToolButton* b : m_spinButtons) b->setEnabled(!m_byAngle);
    for (QWidget* w : {distanceEdit, alphaEdit, betaEdit}) w->setEnabled(m_byAngle);
}

void CTraslacionDlg::UpdateLabels() {
    // The read-out needs no image: the displacement depends on the angles and the monitor.
    DisplacementReadout readout;
    if (CVelora::AngularDisplacement(m_distance, m_alpha, m_beta, m_monitors, readout) == 0) m_readout = readout;
    else m_readout = DisplacementReadout{};
    radius->setText(QString::asprintf("%.3f cm  (%.3f pulgadas)", double(m_readout.centimetres), double(m_readout.inches)));
    components->setText(QString::asprintf("%.3f, %.3f cm  (%d, %d píx.)", double(m_readout.horizontal),
                                          double(m_readout.vertical), m_readout.dx, m_readout.dy));
    const std::int64_t dx = m_byAngle ? m_readout.dx : m_dx, dy = m_byAngle ? m_readout.dy : m_dy;
    const std::int64_t w = m_mode == 0 ? std::abs(dx) + m_width : m_width;
    const std::int64_t h = m_mode == 0 ? std::abs(dy) + m_height : m_height;
    resultSize->setText(QString("Nuevo Tamaño:    %1 x %2").arg(w).arg(h));
}

void CTraslacionDlg::Changed() {
    UpdateLabels();
    ParametersChanged();
}

Args CTraslacionDlg::CurrentArgs() const {
    return Args({std::int64_t(m_mode), std::int64_t(m_dx), std::int64_t(m_dy), std::int64_t(background->ColourRef())});
}

std::vector<COperationDialog::Step> CTraslacionDlg::CurrentSteps() const {
    if (!m_byAngle) return {{&Operation(), CurrentArgs()}};
    Args args({std::int64_t(m_mode), std::int64_t(m_distance), double(m_alpha), double(m_beta),
               std::int64_t(background->ColourRef())});
    args.SetMonitor(m_monitors);
    return {{velora::catalog::FindOperation("TranslateByAngle"), std::move(args)}};
}

std::vector<ParameterLine> CTraslacionDlg::FileLines() const {
    // The distance line is fixed: the batch generator always works at 40 cm.
    return {{m_mode == 0 ? "NEW IMAGE SIZE" : "ORIGINAL IMAGE SIZE", ""},
            {"FILL COLOR=", std::to_string(background->ColourRef())},
            {"DISTANCE = 40 cm", ""},
            {"ANGLE ALPHA=", QString::asprintf("%.4f", double(m_alpha)).toStdString()},
            {"ANGLE BETA=", QString::asprintf("%.4f", double(m_beta)).toStdString()}};
}
