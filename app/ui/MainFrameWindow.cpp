// The View and Window menus of the frame: toolbars, status bar, full screen, the size of
// the image windows, new windows on a document, and arranging or closing them all.
#include "MainFrame.h"

#include <QAction>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "ChildFrame.h"
#include "Messages.h"
#include "Stopwatch.h"
#include "ToolWindowHost.h"
#include "View.h"

using velora::ui::MessageSink;

void CMainFrame::RegisterWindowHandlers() {
    auto& h = m_handlers;
    h[kCmdToolBar] = [this] {
        const bool show = m_actions[kCmdToolBar]->isChecked();
        m_mainToolBar->setVisible(show);
        m_secondToolBar->setVisible(show);
    };
    h[kCmdStatusBar] = [this] { statusBar()->setVisible(m_actions[kCmdStatusBar]->isChecked()); };
    h[kCmdFullScreen] = [this] { OnToggleFullScreen(); };
    h[kCmdScaleToFit] = [this] { ScaleToFit(ActiveView()); };
    h[kCmdSizeToImage] = [this] { SizeViewToImage(ActiveView()); };
    h[kCmdCloseAllViews] = [this] { OnCloseAllViews(); };
    h[kCmdNewWindow] = [this] {
        if (CUtilidadView* view = ActiveView()) AddView(view->SharedDocument());
    };
    h[kCmdCascade] = [this] { Cascade(); };
    h[kCmdTile] = [this] { m_mdi->tileSubWindows(); };
    h[kCmdArrange] = [this] {
        // Minimized windows line up along the bottom of the area.
        int x = 0;
        for (QMdiSubWindow* w : m_mdi->subWindowList())
            if (w->isMinimized()) {
                w->move(x, m_mdi->viewport()->height() - w->height());
                x += w->width();
            }
    };
}

void CMainFrame::OnCloseAllViews() {
    bool anyModified = false;
    for (CChildFrame* child : Children()) anyModified |= child->View()->Document().IsModified();
    if (anyModified &&
        MessageSink::ask(this, "Cerrar Todas las Vistas (Imágenes)",
                         "Hay imágenes con cambios sin guardar.\n¿Desea cerrarlas todas y perder esos cambios?",
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    CStopwatch watch;  // not a document's: the documents are gone when it stops
    watch.Start();
    for (CChildFrame* child : Children()) {
        child->View()->Document().SetModified(false);  // already asked once
        child->close();
    }
    SetTimingText(QString::fromStdString(CStopwatch::TimingText("Cerrar Todas las Imágenes", watch.Stop())));
    m_tools->MarkPending();
}

void CMainFrame::OnToggleFullScreen() {
    if (!isFullScreen()) {
        m_savedGeometry = saveGeometry();
        m_fullScreenToolBar = new QToolBar("Presiona Ctrl+F para cambiar entre pantalla normal o completa (full screen)");
        m_fullScreenToolBar->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
        m_fullScreenToolBar->setWindowTitle(m_fullScreenToolBar->windowTitle());
        m_fullScreenToolBar->addAction(m_actions[kCmdFullScreen]);
        m_fullScreenToolBar->setToolTip(m_fullScreenToolBar->windowTitle());
        m_fullScreenToolBar->show();
        m_mainToolBar->hide();
        m_secondToolBar->hide();
        showFullScreen();
    } else {
        delete m_fullScreenToolBar;
        m_fullScreenToolBar = nullptr;
        m_mainToolBar->setVisible(m_actions[kCmdToolBar]->isChecked());
        m_secondToolBar->setVisible(m_actions[kCmdToolBar]->isChecked());
        showNormal();
        restoreGeometry(m_savedGeometry);
        showMaximized();
    }
    m_actions[kCmdFullScreen]->setChecked(isFullScreen());
}

void CMainFrame::SizeViewToImage(CUtilidadView* view) {
    if (auto* child = qobject_cast<CChildFrame*>(view->parentWidget())) child->SizeToImage(m_mdi->viewport()->size());
}

void CMainFrame::Cascade() {
    // Each window keeps its size (QMdiArea's cascade would shrink a large image's window),
    // bounded by the workspace; a window that would leave it starts a new cascade at the corner.
    const QSize area = m_mdi->viewport()->size();
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    QPoint next(0, 0);
    for (QMdiSubWindow* w : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (w->isMinimized() || w->isHidden()) continue;
        if (w->isMaximized()) w->showNormal();
        const int step = w->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, w);
        QSize size = w->size().boundedTo(area);
        if (next != QPoint(0, 0) && (next.x() + size.width() > area.width() || next.y() + size.height() > area.height()))
            next = QPoint(0, 0);
        w->setGeometry(QRect(next, size.boundedTo(area - QSize(next.x(), next.y()))));
        w->raise();
        next += QPoint(step, step);
    }
    if (active) m_mdi->setActiveSubWindow(active);
}

void CMainFrame::ScaleToFit(CUtilidadView* view) {
    // Only when the image fits on the screen: then the view shows it whole, without scroll bars.
    const CVelora& image = view->Document().Image();
    QScreen* screen = QGuiApplication::screenAt(mapToGlobal(QPoint(100, 100)));
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect work = screen->availableGeometry();
    if (work.right() > image.GetWidth() && work.bottom() > image.GetHeight()) view->SetScaleToFit(true);
}
