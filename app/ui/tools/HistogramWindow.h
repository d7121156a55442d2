// The histogram window: the histogram of the active image by channel, its used range and
// mode, the level and count under the mouse, and equalization with an optional preview.
#pragma once

#include <QWidget>
#include <array>
#include <memory>

#include "CVelora.h"
#include "Inspectors.h"

class CUtilidadDoc;
class QCheckBox;
class QLabel;
class QRadioButton;
class QTabBar;

// The bar heights the window draws from one count of the image (Histogram with no scale), so
// that a refresh reads the pixels once: each channel scaled to its highest count as Histogram
// scales them (the luminance of direct colour too, which the library leaves unscaled).
HistogramTable HistogramHeightsOf(const HistogramTable& counts, int height);

// The drawing: 256 levels, each kLevelWidth pixels wide, after a 3-pixel margin.
class CHistogramCanvas : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 3, kLevelWidth = 2, kHeight = 160;
    explicit CHistogramCanvas(QWidget* parent);
    // Bar heights in pixels (0..kHeight); the range marks go at lowest and highest.
    void SetHeights(const std::array<std::int32_t, 256>& heights, int lowest, int highest, bool outline, bool showRange);
    // The level under a point of the drawing, or -1.
    static int LevelAt(int x);

signals:
    void Hovered(int level);  // -1 when the pointer leaves

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::array<std::int32_t, 256> m_heights{};
    int m_lowest = 0, m_highest = 0;
    bool m_outline = false, m_showRange = false;
};

class CHistogramaDlg : public CToolWindow {
    Q_OBJECT
public:
    explicit CHistogramaDlg(CWorkbench& bench);
    ~CHistogramaDlg() override;
    void Refresh() override;

    // Controls, named for tests.
    QTabBar* tabs;
    CHistogramCanvas* canvas;
    QRadioButton* filled;
    QRadioButton* outline;
    QCheckBox* showRange;
    std::array<QRadioButton*, 3> rounding{};
    QCheckBox* preview;
    QLabel* modeLabel;
    QLabel* rangeLabel;
    QLabel* readout;

    void ShowLevel(int level);  // the mouse read-out of a level (-1: none)
    void Equalize();            // the "Ecualizar" button

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PreviewToggled(bool on);
    void RoundingChosen(int rounding);
    void ApplyPreview();
    void EndPreview();
    // Forgets a preview whose image something else has since replaced; true when it did.
    bool DropOvertakenPreview();
    void Redraw();
    int Rounding() const;

    std::weak_ptr<CUtilidadDoc> m_document;   // the image shown
    std::weak_ptr<CUtilidadDoc> m_previewed;  // the image under preview
    CVelora m_before;                         // its state before the preview
    CVelora m_previewImage;                   // what the preview put in it
    HistogramTable m_counts{};
    HistogramTable m_heights{};
    InfoHistogram m_info{};
    int m_hovered = -1;
};
