// CToolWindowHost: the tool windows of the main window (image information, histogram,
// DIB properties, active colour model, second monitor). It opens them by command, times
// the opening, docks the usual ones in one tabbed area down the right of the main window
// (where they cover neither the dialogs nor the status bar), remembers where the user left
// them, re-reads the active image into them, and opens the usual ones by themselves at the
// first paint of an image when the configuration asks for it.
//
// The windows are not known by type here: each kind is one row of a table (ToolWindowTable.h).
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class CConfiguration;
class CWorkbench;
class QDockWidget;
class QMainWindow;
class QWidget;

// A window as its kind makes it: the window, and how it re-reads the active image (or its
// pixels, when they changed).
struct ToolWindowParts {
    QWidget* window = nullptr;
    std::function<void()> refresh;
};

// One kind of tool window.
struct ToolWindowKind {
    int commandId;            // the command that opens it
    const char* name;         // its own name: a docked one's tab, whatever image it shows
    const char* timingLabel;  // the status bar times the opening under this label
    bool docked;              // in the tool area down the right of the main window
    bool opensWithImages;     // opened with the others at an image's first paint, if configured
    std::function<ToolWindowParts(CWorkbench&)> make;
};

class CToolWindowHost : public QObject {
    Q_OBJECT
public:
    // The configuration is read when a window opens: its switches may change meanwhile.
    CToolWindowHost(CWorkbench& bench, const CConfiguration& configuration, std::vector<ToolWindowKind> kinds);
    // Open windows are deleted, not closed: nothing asks or repaints while the frame goes.
    ~CToolWindowHost() override;

    const std::vector<ToolWindowKind>& Kinds() const { return m_kinds; }
    // The open window of the kind this command opens, or null (for a docked kind, the window
    // inside its dock).
    QWidget* Find(int commandId) const;
    // The dock of a docked kind, open or not; null for the others.
    QDockWidget* DockOf(int commandId) const;

    // The docks' places, docked or floating, kept between runs with the frame's settings.
    void SaveLayout() const;
    void RestoreLayout();

    // A fresh window of this command's kind over the active image (none without one).
    void Open(int commandId);
    // The active image, or its pixels, changed: the open windows re-read it on the next turn
    // of the event loop, once however many changes ask for it before then. A window out of
    // sight (hidden, or a tab behind another) re-reads when it comes into sight, unless another
    // image became active.
    void Refresh();
    bool RefreshPending() const { return m_refreshPending; }
    // Closes them all; they open again at the next image's first paint.
    void CloseAll();
    // At an image's paint: the first since the windows were closed opens the usual ones.
    void OpenIfPending();
    void MarkPending();
    bool Pending() const { return m_pending; }

signals:
    // The pending flag was set or cleared: commands that wait for the first image follow it.
    void PendingChanged();

private:
    std::size_t IndexOf(int commandId) const;
    QMainWindow* Main() const;
    void MakeDocks();
    void PutInDock(std::size_t index, QWidget& window);
    void WindowGone(std::size_t index);
    void RefreshNow();
    void RefreshWindow(std::size_t index);
    // The whole title fits: the window is made at least as wide as its title bar needs. A
    // docked window's tab shows the kind's own name (long image names would leave the tabs
    // side by side unreadable); floating, it has the window's own title.
    void FitTitle(std::size_t index);
    // A floating dock: a plain window or one over the main window as configured, on screen.
    void SettleFloating(QDockWidget* dock);
    bool eventFilter(QObject* watched, QEvent* event) override;

    CWorkbench& m_bench;
    const CConfiguration& m_configuration;
    std::vector<ToolWindowKind> m_kinds;
    std::vector<QPointer<QWidget>> m_windows;      // by row of m_kinds
    std::vector<std::function<void()>> m_refresh;  // likewise
    std::vector<QPointer<QDockWidget>> m_docks;    // likewise; null for kinds that float
    std::vector<char> m_stale;                     // likewise: a refresh skipped out of sight
    bool m_pending = true;
    bool m_refreshPending = false;
    bool m_activeChanged = false;  // since the last refresh: every open window re-reads
    bool m_areaSized = false;  // the dock area's width was set, or restored
};
