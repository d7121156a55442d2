// CUtilidadView: one document's image in an MDI child window. It draws a cached display
// copy of the image (kept in one buffer, each row converted once per change when it is
// first painted, never per mouse move), reports the pixel under the pointer, and scales the
// image with the keypad + and - keys.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <memory>
#include <optional>
#include <vector>

#include "Document.h"

class CWorkbench;

class CUtilidadView : public QAbstractScrollArea {
    Q_OBJECT
public:
    CUtilidadView(std::shared_ptr<CUtilidadDoc> document, CWorkbench& bench, QWidget* parent = nullptr);

    CUtilidadDoc& Document() { return *m_document; }
    CWorkbench& Workbench() const { return m_bench; }
    const std::shared_ptr<CUtilidadDoc>& SharedDocument() const { return m_document; }

    // The image changed (operation, undo, load): the display copy is out of date; repaint.
    void ImageChanged();
    // Draws another image in place of the document's until called with nullptr: the working
    // copy of a step-by-step run, which the caller keeps alive meanwhile.
    void ShowInstead(const CVelora* image);
    // The view shows the image scaled into its window, without scroll bars.
    void SetScaleToFit(bool on);
    bool IsScaleToFit() const { return m_scaleToFit; }
    // IsGray of the image, found when first asked after a change (it may scan every pixel,
    // which a preview's repaint does not need).
    bool ImageIsGray() const;
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
    const CVelora& Shown() const { return m_instead ? *m_instead : m_document->Image(); }
    // A new display copy, all of it out of date, when the size changed; the same one otherwise.
    void ResetDisplay();
    // Brings the display copy's rows top..bottom - 1 up to date with the image.
    void ConvertRows(int top, int bottom);

    std::shared_ptr<CUtilidadDoc> m_document;
    CWorkbench& m_bench;
    QImage m_display;
    std::vector<char> m_freshRows;  // by display row: converted since the last change
    mutable std::optional<bool> m_isGray;
    bool m_scaleToFit = false;
    const CVelora* m_instead = nullptr;
};
