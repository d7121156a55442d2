// CMainFrame: the MDI main window. It builds its menus, context menu and toolbars from the
// command table, routes every command to its handler (its own, or one installed from outside
// through CCommandRegistry), holds the state that operations read (step-by-step flag, active
// colour model), the image windows, the tool-window host, full screen and the clipboard.
// Image windows, tool windows and dialogs reach it only through Workbench().
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>

#include "CommandRegistry.h"
#include "CommandTable.h"
#include "Configuration.h"
#include "Document.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
class CChildFrame;
class CToolWindowHost;
class CUtilidadView;
class CWorkbench;

class CMainFrame : public QMainWindow, public CCommandRegistry {
    Q_OBJECT
public:
    static constexpr const char* kTitle =
        "CVeloraMDI v3.9 x64 - Herramienta de Aplicación de la Librería para el Tratamiento de Imágenes Digitales CVELORA";

    explicit CMainFrame(CConfiguration& configuration);
    ~CMainFrame() override;

    // ---- Documents and views
    CUtilidadView* ActiveView() const;
    CUtilidadDoc* ActiveDocument() const;
    // Opens a file as a new document; false (with its message shown) when it could not be read.
    bool OpenFile(const QString& path);
    // A new window on a document (File New copies the active image first).
    CChildFrame* AddView(std::shared_ptr<CUtilidadDoc> document);
    std::shared_ptr<CUtilidadDoc> NewDocument();
    QList<CChildFrame*> Children() const;
    QMdiArea* MdiArea() const { return m_mdi; }

    // What the windows and dialogs see of the frame: an object of its own, forwarding here,
    // since a widget cannot derive from a second QObject.
    CWorkbench& Workbench() const { return *m_bench; }

    // ---- Changes and the sizing of views
    // After a document's image changed: every view of it and the tool windows repaint.
    void DocumentChanged(CUtilidadDoc& document, bool sizeChanged);
    void ScaleByKeypad(CUtilidadView* view, float factor);
    void SizeViewToImage(CUtilidadView* view);
    void ScaleToFit(CUtilidadView* view);

    // ---- Shared state
    int ColorModel() const { return m_colorModel; }
    void SetColorModel(int model);
    bool StepByStep() const { return m_stepByStep; }
    void SetStepByStep(bool on);
    void SetReadout(const QString& text);
    void SetTimingText(const QString& text);
    QString TimingText() const;
    CConfiguration& Configuration() { return m_configuration; }

    // ---- Tool windows
    CToolWindowHost& Tools() const { return *m_tools; }
    void RefreshToolWindows();
    void CloseToolWindows();
    void OpenToolWindowsIfPending();

    // ---- Child windows
    bool MayCloseView(CUtilidadView* view);
    // Asks whether to save a modified document; false when the user cancels.
    bool AskToSave(CUtilidadView* view);

    // ---- Commands
    QAction* Action(int id) const;
    void UpdateCommandStates();
    void ShowContextMenu(const QPoint& globalPos);
    // Runs a command as its menu item would (for the keyboard and for tests).
    void Execute(int id);
    void SetCommandHandler(int id, std::function<void()> handler) override;
    bool HasCommandHandler(int id) const { return m_handlers.count(id) != 0; }
    int PasteCounter() const { return m_pasteCounter; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    void BuildToolBars();
    void BuildStatusBar();
    void RegisterHandlers();
    void RegisterFileHandlers();    // MainFrameFile.cpp
    void RegisterWindowHandlers();  // MainFrameWindow.cpp
    QMenu* BuildMenu(QMenu* menu, const std::vector<MenuNode>& nodes);
    void UpdateRecentFilesMenu();
    void AddRecentFile(const QString& path);
    void ChildDestroyed();

    // Handlers.
    void OnOpen();
    void OnSave(bool saveAs);
    void OnUndoRedo(bool redo);
    void OnCopy();
    void OnPaste();
    void OnCloseAllViews();
    void OnToggleFullScreen();
    void Cascade();
    void OnConfiguration();

    CConfiguration& m_configuration;
    std::unique_ptr<CWorkbench> m_bench;
    QMdiArea* m_mdi = nullptr;
    std::map<int, QAction*> m_actions;
    std::map<int, std::function<void()>> m_handlers;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QToolBar* m_mainToolBar = nullptr;
    QToolBar* m_secondToolBar = nullptr;
    QToolBar* m_fullScreenToolBar = nullptr;
    QLabel* m_panes[6] = {};
    QByteArray m_savedGeometry;

    bool m_stepByStep = false;
    int m_colorModel = 0;
    int m_childCount = 0;
    int m_pasteCounter = 0;
    bool m_closing = false;
    std::unique_ptr<CToolWindowHost> m_tools;
};
