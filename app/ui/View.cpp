#include "View.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "StatusReadout.h"
#include "Workbench.h"

namespace {

constexpr int kWheelLine = 20;  // pixels in a line of wheel scrolling

}  // namespace

CUtilidadView::CUtilidadView(std::shared_ptr<CUtilidadDoc> document, CWorkbench& bench, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(std::move(document)), m_bench(bench) {
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    ImageChanged();
}

namespace {

// The size of an image's display copy; an image without pixels has an empty (null) one.
QSize DisplaySize(const CVelora& image) {
    const int width = image.GetWidth(), height = image.GetHeight();
    return width > 0 && height > 0 ? QSize(width, height) : QSize(0, 0);
}

}  // namespace

void CUtilidadView::ImageChanged() {
    ResetDisplay();
    viewport()->update();
}

void CUtilidadView::ShowInstead(const CVelora* image) {
    if (image == m_instead) return;
    m_instead = image;
    ImageChanged();
}

void CUtilidadView::ResetDisplay() {
    const CVelora& image = Shown();
    const QSize size = DisplaySize(image);
    // The same buffer while the size stays: a preview changes the pixels many times a second,
    // and a fresh 16 MiB image each time costs more than the conversion.
    if (m_display.size() != size || (!size.isEmpty() && !m_display.isDetached()))
        m_display = size.isEmpty() ? QImage() : QImage(size, QImage::Format_RGB32);
    // Rows are converted when they are first painted: a large image shows only some of them.
    m_freshRows.assign(std::size_t(m_display.height()), 0);
    m_isGray.reset();
    UpdateScrollBars();
}

void CUtilidadView::ConvertRows(int top, int bottom) {
    const CVelora& image = Shown();
    top = std::max(top, 0);
    bottom = std::min(bottom, int(m_freshRows.size()));
    const auto stride = std::size_t(m_display.bytesPerLine() / 4);
    auto* bits = reinterpret_cast<std::uint32_t*>(m_display.bits());
    for (int y = top; y < bottom;) {
        if (m_freshRows[std::size_t(y)]) {
            ++y;
            continue;
        }
        int end = y + 1;
        while (end < bottom && !m_freshRows[std::size_t(end)]) ++end;
        image.ConvertToRGB32(y, end - y, bits + std::size_t(y) * stride, stride);
        std::fill(m_freshRows.begin() + y, m_freshRows.begin() + end, 1);
        y = end;
    }
}

void CUtilidadView::SetScaleToFit(bool on) {
    m_scaleToFit = on;
    UpdateScrollBars();
    viewport()->update();
}

void CUtilidadView::UpdateScrollBars() {
    const QSize area = viewport()->size();
    // An image that fits the view once its bars are gone needs none: measured against the
    // viewport as it is, the bars would keep themselves in place.
    const QSize whole = maximumViewportSize();
    const bool fits = m_display.width() <= whole.width() && m_display.height() <= whole.height();
    const bool bars = !m_scaleToFit && !fits;
    horizontalScrollBar()->setRange(0, bars ? std::max(0, m_display.width() - area.width()) : 0);
    verticalScrollBar()->setRange(0, bars ? std::max(0, m_display.height() - area.height()) : 0);
    horizontalScrollBar()->setPageStep(area.width());
    verticalScrollBar()->setPageStep(area.height());
    // One wheel notch moves wheelScrollLines() lines of this many pixels; Shift, a page.
    horizontalScrollBar()->setSingleStep(kWheelLine);
    verticalScrollBar()->setSingleStep(kWheelLine);
    setHorizontalScrollBarPolicy(m_scaleToFit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(m_scaleToFit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

QPoint CUtilidadView::ImagePointAt(const QPoint& p) const {
    if (m_scaleToFit) {
        // Scaled into the window: map back through the scale, so the read-out names the pixel seen.
        const QSize area = viewport()->size();
        if (area.isEmpty() || m_display.isNull()) return {-1, -1};
        return {int(std::int64_t(p.x()) * m_display.width() / area.width()),
                int(std::int64_t(p.y()) * m_display.height() / area.height())};
    }
    return {p.x() + horizontalScrollBar()->value(), p.y() + verticalScrollBar()->value()};
}

void CUtilidadView::paintEvent(QPaintEvent*) {
    if (!m_document->frameSized) {
        m_document->frameSized = true;
        QTimer::singleShot(0, this, [this] { m_bench.SizeViewToImage(this); });
    }
    // The image changed size without a word: its rows must not be written into a buffer of
    // another size.
    if (DisplaySize(Shown()) != m_display.size()) ResetDisplay();
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    if (m_scaleToFit) {
        ConvertRows(0, m_display.height());
        if (m_display.isNull()) painter.fillRect(area, palette().color(QPalette::Dark));
        else painter.drawImage(area, m_display);
    } else {
        const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
        const QRect source = QRect(offset, viewport()->size()).intersected(m_display.rect());
        ConvertRows(source.top(), source.top() + source.height());
        const QRect target(source.topLeft() - offset, source.size());
        // Only the background around the image: under it every pixel is drawn anyway.
        const QColor background = palette().color(QPalette::Dark);
        for (const QRect& rest : QRegion(area).subtracted(QRegion(target))) painter.fillRect(rest, background);
        if (!source.isEmpty()) painter.drawImage(target.topLeft(), m_display, source);
    }
    m_bench.OpenToolWindowsIfPending();
}

bool CUtilidadView::ImageIsGray() const {
    if (!m_isGray) m_isGray = m_document->Image().IsGray();
    return *m_isGray;
}

void CUtilidadView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = ImagePointAt(event->position().toPoint());
    m_bench.SetReadout(QString::fromStdString(
        PixelReadout(m_document->Image(), p.x(), p.y(), m_bench.ColorModel(), ImageIsGray())));
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CUtilidadView::leaveEvent(QEvent* event) {
    m_bench.SetReadout(" ");
    QAbstractScrollArea::leaveEvent(event);
}

void CUtilidadView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Plus) m_bench.ScaleByKeypad(this, 1.1f);
        if (event->key() == Qt::Key_Minus) m_bench.ScaleByKeypad(this, 0.9f);
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CUtilidadView::contextMenuEvent(QContextMenuEvent* event) { m_bench.ShowContextMenu(event->globalPos()); }

void CUtilidadView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CUtilidadView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    m_bench.RefreshToolWindows();
}
