// CChildFrame: the MDI child window around one view; it never grows beyond the image.
#pragma once

#include <QMdiSubWindow>

class CMainFrame;
class CUtilidadView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame(CUtilidadView* view, CMainFrame* frame);
    ~CChildFrame() override;
    CUtilidadView* View() const { return m_view; }

    // Largest client size the view asks for (the image plus a small margin).
    void SetMaximumClientSize(QSize size);
    QSize MaximumClientSize() const { return m_maxClient; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CUtilidadView* m_view;
    CMainFrame* m_frame;
    QSize m_maxClient{270, 245};
};
