// CUtilidadView: one document's image in an MDI child window. It draws a cached display
// copy of the image (converted once per change into the same buffer, never per mouse move
// or scroll), reports the pixel under the pointer, and scales the image with the keypad +
// and - keys.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <memory>

#include "Document.h"

class CWorkbench;

class CUtilidadView : public QAbstractScrollArea {
    Q_OBJECT
public:
    CUtilidadView(std::shared_ptr<CUtilidadDoc> document, CWorkbench& bench, QWidget* parent = nullptr);

    CUtilidadDoc& Document() { return *m_document; }
    CWorkbench& Workbench() const { return m_bench; }
    const std::shared_ptr<CUtilidadDoc>& SharedDocument() const { return m_document; }

    // The image changed (operation, undo, load): rebuild the display copy and repaint.
    void ImageChanged();
    // The view shows the image scaled into its window, without scroll bars.
    void SetScaleToFit(bool on);
    bool IsScaleToFit() const { return m_scaleToFit; }
    // IsGray of the image, cached with the display copy.
    bool ImageIsGray() const { return m_isGray; }
    QSize ImageSize() const { return m_display.size(); }
    // The image pixel under a viewport point, or (-1, -1).
    QPoint ImagePointAt(const QPoint& viewportPoint) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void UpdateScrollBars();

    std::shared_ptr<CUtilidadDoc> m_document;
    CWorkbench& m_bench;
    QImage m_display;
    bool m_isGray = false;
    bool m_scaleToFit = false;
};
