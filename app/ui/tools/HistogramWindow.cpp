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
#include <cstring>

#include "DialogTable.h"
#include "Help.h"
#include "OperationRunner.h"
#include "View.h"
#include "Workbench.h"

// ---------------------------------------------------------------- from the counts

HistogramTable HistogramHeightsOf(const HistogramTable& counts, int height) {
    HistogramTable heights = counts;
    CVelora::ScaleHistogram(heights, height, 0);
    return heights;
}

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

void CHistogramCanvas::SetHeights(const std::array<std::int32_t, 256>& heights, int lowest, int highest, bool outline,
                                  bool showRange) {
    m_heights = heights;
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
    const auto heightOf = [&](int level) { return std::clamp(m_heights[std::size_t(level)], 0, kHeight); };
    const QColor ink = palette().text().color();
    if (m_outline) {
        QPainterPath path(QPointF(kMargin, bottom));
        for (int level = 0; level < 256; ++level) {
            path.lineTo(kMargin + level * kLevelWidth, bottom - heightOf(level));
            path.lineTo(kMargin + (level + 1) * kLevelWidth, bottom - heightOf(level));
        }
        path.lineTo(kMargin + 256 * kLevelWidth, bottom);
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
    if (m_showRange) {
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

CHistogramaDlg::CHistogramaDlg(CWorkbench& bench) : CToolWindow(bench) {
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

CHistogramaDlg::~CHistogramaDlg() {
    // Deleted without being closed (the command opens a fresh window, the frame goes away):
    // a preview must not stay behind in the image unrecorded.
    std::shared_ptr<CUtilidadDoc> previewed = m_previewed.lock();
    if (!previewed || DropOvertakenPreview()) return;
    previewed->Image() = m_before;
    // Repainted later: the frame may be refreshing its tool windows, this one among them.
    QMetaObject::invokeMethod(
        &m_bench,
        [bench = &m_bench, weak = m_previewed] {
            if (std::shared_ptr<CUtilidadDoc> doc = weak.lock()) bench->DocumentChanged(*doc, false);
        },
        Qt::QueuedConnection);
}

int CHistogramaDlg::Rounding() const {
    for (int i = 0; i < 3; ++i)
        if (rounding[std::size_t(i)]->isChecked()) return i;
    return 0;
}

void CHistogramaDlg::Refresh() {
    CUtilidadView* view = m_bench.ActiveView();
    std::shared_ptr<CUtilidadDoc> document = view ? view->SharedDocument() : nullptr;
    DropOvertakenPreview();
    const bool changed = document != m_document.lock();
    m_document = document;
    // Another image became active: a preview on the previous one is taken back first.
    if (changed) EndPreview();
    m_counts = {};
    m_heights = {};
    m_info = {};
    if (!document) {
        setWindowTitle("Histograma");
        Redraw();
        return;
    }
    const CVelora& image = document->Image();
    setWindowTitle(QString::fromStdString(ImageTitle("Histograma de ", image)));
    if (image.Histogram(m_counts, 0) != 0) {
        m_counts = {};
    } else {
        m_info = CVelora::SummarizeHistogram(m_counts);
        m_heights = HistogramHeightsOf(m_counts, CHistogramCanvas::kHeight);
    }
    Redraw();
}

void CHistogramaDlg::Redraw() {
    const auto channel = std::size_t(std::max(tabs->currentIndex(), 0));
    std::array<std::int32_t, 256> heights{};
    for (std::size_t level = 0; level < 256; ++level) heights[level] = m_heights[level][channel];
    canvas->SetHeights(heights, m_info.lowest[channel].level, m_info.highest[channel].level, outline->isChecked(),
                       showRange->isChecked() && m_info.mode[channel].count > 0);
    modeLabel->setText(QString("Nº Máximo de Píxeles: %1 en Nivel %2").arg(m_info.mode[channel].count).arg(m_info.mode[channel].level));
    rangeLabel->setText(QString("Mín (%1 píxeles en Nivel %2) \nMáx (%3 píxeles en Nivel %4)")
                            .arg(m_info.lowest[channel].count)
                            .arg(m_info.lowest[channel].level)
                            .arg(m_info.highest[channel].count)
                            .arg(m_info.highest[channel].level));
    ShowLevel(m_hovered);
}

void CHistogramaDlg::ShowLevel(int level) {
    m_hovered = level >= 0 && level < 256 ? level : -1;
    if (m_hovered < 0) {
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

bool CHistogramaDlg::DropOvertakenPreview() {
    std::shared_ptr<CUtilidadDoc> previewed = m_previewed.lock();
    if (!previewed) return false;
    const CVelora& now = previewed->Image();
    const bool same = now.GetDibSize() == m_previewImage.GetDibSize() &&
                      (now.GetDibSize() == 0 || std::memcmp(now.GetDIB(), m_previewImage.GetDIB(), now.GetDibSize()) == 0);
    if (same) return false;
    // An operation, an undo or an edit replaced the preview: restoring now would throw that away.
    m_previewed.reset();
    m_before = CVelora();
    m_previewImage = CVelora();
    const QSignalBlocker block(preview);
    preview->setChecked(false);
    return true;
}

void CHistogramaDlg::ApplyPreview() {
    std::shared_ptr<CUtilidadDoc> document = m_document.lock();
    if (!document) {
        const QSignalBlocker block(preview);
        preview->setChecked(false);
        return;
    }
    DropOvertakenPreview();
    if (m_previewed.lock() != document) {
        m_before = document->Image();  // the state every preview starts from
        m_previewed = document;
    }
    document->Image() = m_before;
    document->Image().Equalize(m_bench.ColorModel(), Rounding());
    m_previewImage = document->Image();
    {
        const QSignalBlocker block(preview);
        preview->setChecked(true);
    }
    m_bench.DocumentChanged(*document, false);
}

void CHistogramaDlg::EndPreview() {
    {
        const QSignalBlocker block(preview);
        preview->setChecked(false);
    }
    if (DropOvertakenPreview()) return;
    std::shared_ptr<CUtilidadDoc> previewed = m_previewed.lock();
    m_previewed.reset();
    if (!previewed) return;
    previewed->Image() = m_before;
    m_before = CVelora();
    m_previewImage = CVelora();
    m_bench.DocumentChanged(*previewed, false);
}

void CHistogramaDlg::Equalize() {
    if (!m_document.lock()) return;
    EndPreview();  // the undo step holds the image as it was before any preview
    const int model = m_bench.ColorModel(), round = Rounding();
    // The next preview starts from the result: its copy is taken then.
    if (CUtilidadDoc* doc = m_bench.ActiveDocument())
        velora::ui::RunInPlace(m_bench, *doc, "Ecualizar Histograma", "Ecualización",
                               [model, round](CVelora& image) { return image.Equalize(model, round); });
}

void CHistogramaDlg::closeEvent(QCloseEvent* event) {
    EndPreview();
    CToolWindow::closeEvent(event);
}
