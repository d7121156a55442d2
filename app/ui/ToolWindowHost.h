// CToolWindowHost: the tool windows over the main window (image information, histogram,
// DIB properties, active colour model, second monitor). It opens them by command, times
// the opening, places them down the right of the main window, keeps them on top when the
// configuration says so, re-reads the active image into them, and opens the usual ones by
// themselves at the first paint of an image when the configuration asks for it.
//
// The windows are not known by type here: each kind is one row of a table (ToolWindowTable.h).
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class CConfiguration;
class CWorkbench;
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
    const char* timingLabel;  // the status bar times the opening under this label
    bool downTheRight;        // placed down the right of the main window, below earlier rows
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
    // The open window of the kind this command opens, or null.
    QWidget* Find(int commandId) const;

    // A fresh window of this command's kind over the active image (none without one).
    void Open(int commandId);
    // The active image, or its pixels, changed: every open window re-reads it.
    void Refresh();
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
    void Place(std::size_t index, QWidget& window) const;

    CWorkbench& m_bench;
    const CConfiguration& m_configuration;
    std::vector<ToolWindowKind> m_kinds;
    std::vector<QPointer<QWidget>> m_windows;      // by row of m_kinds
    std::vector<std::function<void()>> m_refresh;  // likewise
    bool m_pending = true;
};
