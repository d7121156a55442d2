// The active image shown on the second monitor (full screen there), for projecting in class;
// with one screen, an ordinary window over the main window's images.
#pragma once

#include <QImage>
#include <QWidget>

class CVelora;

class CVerImagen2MonitorDlg : public QWidget {
    Q_OBJECT
public:
    explicit CVerImagen2MonitorDlg(QWidget* parent = nullptr);
    // The image to show (null: an empty gray window). Converted for display on the next paint.
    void SetImage(const CVelora* image);
    // The image's pixels changed: convert again on the next paint.
    void InvalidateImage() { m_converted = nullptr; update(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const CVelora* m_image = nullptr;
    const CVelora* m_converted = nullptr;  // the image m_display was made from
    QImage m_display;
};
