#include "CVerImagen2MonitorDlg.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPainter>
#include <QScreen>
#include <QStyle>

#include "CVelora.h"

CVerImagen2MonitorDlg::CVerImagen2MonitorDlg(QWidget* parent) : QWidget(parent, Qt::Window) {
    const auto screens = QGuiApplication::screens();
    if (screens.size() >= 2) {
        setWindowTitle("Imagen activa en el 2º monitor");
        setGeometry(screens[1]->geometry());
        setWindowState(Qt::WindowFullScreen);
    } else {
        // One screen: an ordinary window over the images' area of the main window, where it
        // hides none of its menus, toolbars or status bar.
        setWindowTitle("Imagen activa (no hay un 2º monitor)");
        QSize size(640, 480);
        const auto* main = qobject_cast<const QMainWindow*>(parent ? parent->window() : nullptr);
        if (const QWidget* images = main ? main->centralWidget() : nullptr; images && images->isVisible()) {
            const QRect area(images->mapToGlobal(QPoint(0, 0)), images->size());
            const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
            size = size.boundedTo(area.size() - QSize(2 * titleBar, 3 * titleBar)).expandedTo(QSize(160, 120));
            QRect place(QPoint(0, 0), size);
            place.moveCenter(area.center() + QPoint(0, titleBar / 2));
            setGeometry(place);
        } else {
            resize(size);
        }
    }
}

void CVerImagen2MonitorDlg::SetImage(const CVelora* image) {
    if (image != m_image) m_converted = nullptr;
    m_image = image;
    update();
}

void CVerImagen2MonitorDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(96, 96, 96));
    if (!m_image || !m_image->HasImage()) return;
    if (m_converted != m_image) {
        m_display = QImage(m_image->GetWidth(), m_image->GetHeight(), QImage::Format_RGB32);
        if (!m_display.isNull())
            m_image->ConvertToRGB32(0, m_image->GetHeight(), reinterpret_cast<std::uint32_t*>(m_display.bits()),
                                    std::size_t(m_display.bytesPerLine() / 4));
        m_converted = m_image;
    }
    if (m_display.isNull()) return;
    // Centred, reduced to fit when larger than the window, never enlarged.
    QSize size = m_display.size();
    if (size.width() > width() || size.height() > height()) size.scale(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawImage(target, m_display);
}

void CVerImagen2MonitorDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) close();
    else QWidget::keyPressEvent(event);
}
