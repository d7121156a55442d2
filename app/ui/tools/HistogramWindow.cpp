#include "HistogramWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

#include "DialogTable.h"
#include "Help.h"
#include "MainFrame.h"
#include "View.h"

// ---------------------------------------------------------------- drawing

CHistogramCanvas::CHistogramCanvas(QWidget* parent) : QWidget(parent) {
    setFixedSize(kMargin * 2 + 256 * kLevelWidth, kHeight + 8);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
}

int CHistogramCanvas::LevelAt(int x) {
    const int offset = x - kMargin;
    return offset >= 0 && offset < 256 * kLevelWidth ? offset / kLevelWidth : -1;
}

void CHistogramCanvas::SetCounts(const std::array<std::int32_t, 256>& counts, int lowest, int highest, bool outline,
                                 bool showRange) {
    m_counts = counts;
    m_lowest = lowest;
    m_highest = highest;
    m_outline = outline;
    m_showRange = showRange;
    update();
}

void CHistogramCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const int bottom = kHeight + 4;
    // Scaled like the library's drawing scale: the highest count reaches the top.
    const std::int32_t max = *std::max_element(m_counts.begin(), m_counts.end());
    const auto heightOf = [&](int level) {
        return max > 0 ? int(float(m_counts[std::size_t(level)]) / float(max) * float(kHeight)) : 0;
    };
    const QColor ink = palette().text().color();
    if (m_outline) {
        QPainterPath path(QPointF(kMargin, bottom));
        for (int level = 0; level < 256; ++level) {
            path.lineTo(kMargin + level * kLevelWidth, bottom - heightOf(level));
            path.lineTo(kMargin + (level + 1) * kLevelWidth, bottom - heightOf(level));
        }
        painter.setPen(QPen(ink, 1));
        painter.drawPath(path);
    } else {
        for (int level = 0; level < 256; ++level) {
            const int h = heightOf(level);
            if (h > 0) painter.fillRect(kMargin + level * kLevelWidth, bottom - h, kLevelWidth, h, ink);
        }
    }
    painter.setPen(QPen(palette().mid().color(), 1));
    painter.drawLine(kMargin, bottom, kMargin + 256 * kLevelWidth, bottom);
    if (m_showRange && max > 0) {
        painter.setPen(QPen(QColor(220, 40, 40), 1, Qt::DashLine));
        for (int level : {m_lowest, m_highest}) {
            const int x = kMargin + level * kLevelWidth + kLevelWidth / 2;
            painter.drawLine(x, 0, x, bottom);
        }
    }
}

void CHistogramCanvas::mouseMoveEvent(QMouseEvent* event) { emit Hovered(LevelAt(int(event->position().x()))); }

void CHistogramCanvas::leaveEvent(QEvent*) { emit Hovered(-1); }

// ---------------------------------------------------------------- window

CHistogramaDlg::CHistogramaDlg(CMainFrame* frame) : CToolWindow(frame) {
    auto* layout = new QVBoxLayout(this);
    tabs = new QTabBar;
    for (const char* name : {"Luminancia", "Rojo", "Verde", "Azul"}) tabs->addTab(name);
    layout->addWidget(tabs);
    canvas = new CHistogramCanvas(this);
    layout->addWidget(canvas);
    readout = new QLabel(QString(16, ' '));
    layout->addWidget(readout);
    modeLabel = new QLabel;
    layout->addWidget(modeLabel);
    layout->addWidget(new QLabel("   Rango de Niveles Usados:"));
    rangeLabel = new QLabel;
    layout->addWidget(rangeLabel);

    auto* options = new QHBoxLayout;
    auto* display = new QGroupBox("Tipo de Representación");
    auto* displayLayout = new QVBoxLayout(display);
    filled = new QRadioButton("Relleno");
    outline = new QRadioButton("Contorno");
    filled->setChecked(true);
    showRange = new QCheckBox("Ver Rango");
    for (QWidget* w : std::initializer_list<QWidget*>{filled, outline, showRange}) displayLayout->addWidget(w);
    options->addWidget(display);

    auto* equalize = new QGroupBox("Ecualización");
    auto* equalizeLayout = new QVBoxLayout(equalize);
    auto* roundings = new QButtonGroup(this);
    const char* const kRoundings[3] = {"Redondeo Clásico", "Truncamiento", "Por Exceso"};
    for (int i = 0; i < 3; ++i) {
        rounding[std::size_t(i)] = new QRadioButton(kRoundings[i]);
        roundings->addButton(rounding[std::size_t(i)], i);
        equalizeLayout->addWidget(rounding[std::size_t(i)]);
    }
    rounding[0]->setChecked(true);
    preview = new QCheckBox("Previsualizar Ecualización");
    equalizeLayout->addWidget(preview);
    options->addWidget(equalize);
    layout->addLayout(options);

    auto* buttons = new QHBoxLayout;
    auto* equalizeButton = new QPushButton("Ecualizar");
    auto* help = new QPushButton("Ayuda");
    auto* quit = new QPushButton("Salir");
    for (QPushButton* b : {equalizeButton, help, quit}) buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(tabs, &QTabBar::currentChanged, this, &CHistogramaDlg::Redraw);
    connect(filled, &QRadioButton::toggled, this, &CHistogramaDlg::Redraw);
    connect(showRange, &QCheckBox::toggled, this, &CHistogramaDlg::Redraw);
    connect(canvas, &CHistogramCanvas::Hovered, this, &CHistogramaDlg::ShowLevel);
    connect(roundings, &QButtonGroup::idClicked, this, &CHistogramaDlg::RoundingChosen);
    connect(preview, &QCheckBox::clicked, this, &CHistogramaDlg::PreviewToggled);
    connect(equalizeButton, &QPushButton::clicked, this, &CHistogramaDlg::Equalize);
    connect(help, &QPushButton::clicked, this, [this] { velora::ui::ShowHelpTopic(HelpTopics::kHistogram, this); });
    connect(quit, &QPushButton::clicked, this, &QWidget::close);
    Refresh();
}

CHistogramaDlg::~CHistogramaDlg() = default;

int CHistogramaDlg::Rounding() const {
    for (int i = 0; i < 3; ++i)
        if (rounding[std::size_t(i)]->isChecked()) return i;
    return 0;
}

void CHistogramaDlg::Refresh() {
    CUtilidadView* view = m_frame->ActiveView();
    std::shared_ptr<CUtilidadDoc> document = view ? view->SharedDocument() : nullptr;
    // Another image became active: a preview on the previous one is taken back first.
    if (document != m_document.lock()) EndPreview();
    m_document = document;
    if (!document) {
        setWindowTitle("Histograma");
        m_counts = {};
        m_info = {};
        Redraw();
        return;
    }
    const CVelora& image = document->Image();
    setWindowTitle(QString::fromStdString(ImageTitle("Histograma de ", image)));
    if (image.Histogram(m_counts, 0) != 0) m_counts = {};
    if (image.GetInfoHistogram(m_info) != 0) m_info = {};
    Redraw();
}

void CHistogramaDlg::Redraw() {
    const auto channel = std::size_t(std::max(tabs->currentIndex(), 0));
    std::array<std::int32_t, 256> counts{};
    for (std::size_t level = 0; level < 256; ++level) counts[level] = m_counts[level][channel];
    canvas->SetCounts(counts, m_info.lowest[channel].level, m_info.highest[channel].level, outline->isChecked(),
                      showRange->isChecked());
    modeLabel->setText(QString("Nº Máximo de Píxeles: %1 en Nivel %2").arg(m_info.mode[channel].count).arg(m_info.mode[channel].level));
    rangeLabel->setText(QString("Mín (%1 píxeles en Nivel %2) \nMáx (%3 píxeles en Nivel %4)")
                            .arg(m_info.lowest[channel].count)
                            .arg(m_info.lowest[channel].level)
                            .arg(m_info.highest[channel].count)
                            .arg(m_info.highest[channel].level));
}

void CHistogramaDlg::ShowLevel(int level) {
    if (level < 0) {
        readout->setText(QString(16, ' '));
        return;
    }
    const auto channel = std::size_t(std::max(tabs->currentIndex(), 0));
    readout->setText(QString("Nivel: %1  Número de Píxeles: %2").arg(level).arg(m_counts[std::size_t(level)][channel]));
}

void CHistogramaDlg::PreviewToggled(bool on) {
    if (on) {
        ApplyPreview();
    } else {
        EndPreview();
    }
}

void CHistogramaDlg::RoundingChosen(int) {
    if (preview->isChecked()) ApplyPreview();
}

void CHistogramaDlg::ApplyPreview() {
    std::shared_ptr<CUtilidadDoc> document = m_document.lock();
    if (!document) return;
    if (m_previewed.lock() != document) {
        m_before = document->Image();  // the state every preview starts from
        m_previewed = document;
    }
    document->Image() = m_before;
    document->Image().Equalize(m_frame->ColorModel(), Rounding());
    m_frame->DocumentChanged(*document, false);
}

void CHistogramaDlg::EndPreview() {
    const QSignalBlocker block(preview);
    preview->setChecked(false);
    std::shared_ptr<CUtilidadDoc> previewed = m_previewed.lock();
    m_previewed.reset();
    if (!previewed) return;
    previewed->Image() = m_before;
    m_before = CVelora();
    m_frame->DocumentChanged(*previewed, false);
}

void CHistogramaDlg::Equalize() {
    if (!m_document.lock()) return;
    EndPreview();  // the undo step holds the image as it was before any preview
    const int model = m_frame->ColorModel(), round = Rounding();
    m_frame->RunInPlace("Ecualizar Histograma", "Ecualización",
                        [model, round](CVelora& image) { return image.Equalize(model, round); });
}

void CHistogramaDlg::closeEvent(QCloseEvent* event) {
    EndPreview();
    CToolWindow::closeEvent(event);
}
