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

    // The window shows the whole image without scroll bars when it fits the workspace (the
    // MDI area's viewport); otherwise it is as large as the workspace allows, moved inside
    // it, with its scroll bars in sight. It never grows beyond the image afterwards.
    void SizeToImage(const QSize& workspace);
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
