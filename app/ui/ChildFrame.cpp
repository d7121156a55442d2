#include "ChildFrame.h"

#include <QCloseEvent>
#include <QLayout>
#include <QStyle>
#include <algorithm>

#include "View.h"
#include "Workbench.h"

CChildFrame::CChildFrame(CUtilidadView* view, CWorkbench& bench) : m_view(view), m_bench(bench) {
    setWidget(view);
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(40, 40);
}

CChildFrame::~CChildFrame() { emit Destroying(); }

void CChildFrame::SizeToImage(const QSize& workspace) {
    m_view->SetScaleToFit(false);
    // The margins as they are, not guessed: the title bar and border of this window, and the
    // frame of the view around its viewport (without scroll bars).
    if (layout()) layout()->activate();
    const QSize decoration = size() - m_view->size();
    const QSize viewFrame = m_view->size() - m_view->maximumViewportSize();
    const QSize image = m_view->ImageSize();
    QSize client = image + viewFrame;
    const QSize room = workspace - decoration;
    // A bar along one side takes room from the other: it is added to what that side wants.
    const int bar = m_view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_view);
    const bool wide = client.width() > room.width();
    if (wide) client.rheight() += bar;
    if (client.height() > room.height()) {
        client.rwidth() += bar;
        if (!wide && client.width() > room.width()) client.rheight() += bar;
    }
    m_maxClient = client;
    setMaximumSize(client + decoration);
    const QSize wanted = (client + decoration).boundedTo(workspace).expandedTo(minimumSize());
    // Inside the workspace, so that the scroll bars of a large image can be reached.
    QPoint topLeft = pos();
    topLeft.setX(std::clamp(topLeft.x(), 0, std::max(0, workspace.width() - wanted.width())));
    topLeft.setY(std::clamp(topLeft.y(), 0, std::max(0, workspace.height() - wanted.height())));
    setGeometry(QRect(topLeft, wanted));
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_bench.MayCloseView(m_view)) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
