#include "ChildFrame.h"

#include <QCloseEvent>

#include "View.h"
#include "Workbench.h"

CChildFrame::CChildFrame(CUtilidadView* view, CWorkbench& bench) : m_view(view), m_bench(bench) {
    setWidget(view);
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(40, 40);
}

CChildFrame::~CChildFrame() { emit Destroying(); }

void CChildFrame::SetMaximumClientSize(QSize size) {
    m_maxClient = size;
    const QSize decoration = this->size() - widget()->size();
    setMaximumSize(size + decoration);
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_bench.MayCloseView(m_view)) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
