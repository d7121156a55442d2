// CChildFrame: the MDI child window around one view; it never grows beyond the image.
#pragma once

#include <QMdiSubWindow>

class CWorkbench;
class CUtilidadView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame(CUtilidadView* view, CWorkbench& bench);
    ~CChildFrame() override;
    CUtilidadView* View() const { return m_view; }

    // Largest client size the view asks for (the image plus a small margin).
    void SetMaximumClientSize(QSize size);
    QSize MaximumClientSize() const { return m_maxClient; }

signals:
    // From the destructor, while the window is still whole: the frame counts its children.
    void Destroying();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CUtilidadView* m_view;
    CWorkbench& m_bench;
    QSize m_maxClient{270, 245};
};
