#include "ChildFrame.h"

#include <QCloseEvent>

#include "MainFrame.h"
#include "View.h"

CChildFrame::CChildFrame(CUtilidadView* view, CMainFrame* frame) : m_view(view), m_frame(frame) {
    setWidget(view);
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(40, 40);
    m_frame->ChildCreated();
}

CChildFrame::~CChildFrame() { m_frame->ChildDestroyed(); }

void CChildFrame::SetMaximumClientSize(QSize size) {
    m_maxClient = size;
    const QSize decoration = this->size() - widget()->size();
    setMaximumSize(size + decoration);
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_frame->MayCloseView(m_view)) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
