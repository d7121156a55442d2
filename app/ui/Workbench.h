// CWorkbench: what the image windows, the tool windows and the operation dialogs may ask of
// the main window. They hold this interface, never the frame itself, so that each of them
// can be built and tested without the menus, toolbars and command routing of the frame.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CUtilidadDoc;
class CUtilidadView;
class CVelora;
class QPoint;
class QWidget;

class CWorkbench : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // ---- The image being worked on: the active window's, or null without one.
    virtual CUtilidadView* ActiveView() const = 0;
    virtual CUtilidadDoc* ActiveDocument() const = 0;
    // Every open document once, in the order of their windows: the choices of a second image.
    virtual std::vector<std::shared_ptr<CUtilidadDoc>> OpenDocuments() const = 0;
    // The main window: parent of tool windows, of dialogs opened without a view, and of messages.
    virtual QWidget* MainWindow() const = 0;

    // ---- Shared settings that operations read
    // The active colour model (kModelRGB...): equalization, contrast and splitting work in it.
    virtual int ColorModel() const = 0;
    virtual void SetColorModel(int model) = 0;
    // Dialogs with a slow variant run it, row by row, while this is on.
    virtual bool StepByStep() const = 0;
    // A palette file loaded into an image is also shown in the text editor while this is on.
    virtual bool ShowLoadedPaletteFiles() const = 0;

    // ---- After a change
    // The document's image changed: every view of it repaints (and is sized again when the
    // image size changed), the titles show the modified mark, the tool windows re-read it.
    virtual void DocumentChanged(CUtilidadDoc& document, bool sizeChanged) = 0;
    // A result that leaves the active image as it is opens in a new window, as unsaved work
    // unless said otherwise. Its record continues the source document's with the steps that
    // made it. Returns the new window's document.
    struct ResultWindow {
        std::string name;  // a name without an extension gets ".bmp"
        const CUtilidadDoc* source = nullptr;
        std::vector<std::string> steps;
        bool modified = true;
        std::optional<unsigned> seed{};  // the seed the steps drew from, where they draw
    };
    virtual CUtilidadDoc* OpenResult(CVelora&& image, const ResultWindow& how) = 0;

    // ---- Tool windows (step-by-step runs close them; a view's focus refreshes them)
    virtual void CloseToolWindows() = 0;
    virtual void RefreshToolWindows() = 0;

    // ---- Services of the frame to its views
    virtual void SetReadout(const QString& text) = 0;        // the pixel under the pointer
    virtual void SizeViewToImage(CUtilidadView* view) = 0;   // the child window fits the image
    virtual void ScaleByKeypad(CUtilidadView* view, float factor) = 0;
    virtual void ShowContextMenu(const QPoint& globalPos) = 0;
    // The tool windows wait for the first paint of an image to open; the view calls this then.
    virtual void OpenToolWindowsIfPending() = 0;
    // Closing a view: false when it is the document's last one and the user keeps it open.
    virtual bool MayCloseView(CUtilidadView* view) = 0;

signals:
    void ActiveDocumentChanged();
    void ColorModelChanged(int model);
};
