#include "ToolWindowHost.h"

#include <QDockWidget>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "Configuration.h"
#include "Document.h"
#include "Workbench.h"

namespace {

// The frame's own settings; the layout of its toolbars and docks under one key.
constexpr const char* kLayoutKey = "toolWindowLayout";
constexpr int kLayoutVersion = 1;

// The width a title bar needs to show a title whole: the text in the bold face window
// managers like, the float and close buttons, and the margins (with room to spare for a
// window manager's own buttons when the window floats).
int TitleWidth(const QWidget& widget, const QString& title) {
    QFont bold = widget.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const QStyle* style = widget.style();
    const int button = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &widget) +
                       2 * style->pixelMetric(QStyle::PM_DockWidgetTitleBarButtonMargin, nullptr, &widget);
    return metrics.horizontalAdvance(title) + 2 * button + 2 * style->pixelMetric(QStyle::PM_DockWidgetTitleMargin) +
           2 * metrics.height();
}

}  // namespace

CToolWindowHost::CToolWindowHost(CWorkbench& bench, const CConfiguration& configuration, std::vector<ToolWindowKind> kinds)
    : m_bench(bench),
      m_configuration(configuration),
      m_kinds(std::move(kinds)),
      m_windows(m_kinds.size()),
      m_refresh(m_kinds.size()),
      m_docks(m_kinds.size()),
      m_stale(m_kinds.size(), 0) {
    connect(&m_bench, &CWorkbench::ActiveDocumentChanged, this, [this] {
        m_activeChanged = true;
        Refresh();
    });
    MakeDocks();
}

CToolWindowHost::~CToolWindowHost() {
    for (auto& window : m_windows) {
        if (!window) continue;
        window->disconnect(this);
        delete window.data();
    }
}

QMainWindow* CToolWindowHost::Main() const { return qobject_cast<QMainWindow*>(m_bench.MainWindow()); }

void CToolWindowHost::MakeDocks() {
    // One dock per docked kind, made once and hidden while its window is closed, so that the
    // saved layout always finds them. They share one tabbed area: all fit beside an image on
    // a small screen, none over another.
    QMainWindow* main = Main();
    if (!main) return;
    QDockWidget* first = nullptr;
    for (std::size_t i = 0; i < m_kinds.size(); ++i) {
        if (!m_kinds[i].docked) continue;
        auto* dock = new QDockWidget(main);
        dock->setObjectName(QString("toolDock%1").arg(m_kinds[i].commandId));
        dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
        dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
        dock->toggleViewAction()->setVisible(false);  // an empty dock is never shown by hand
        dock->installEventFilter(this);
        connect(dock, &QDockWidget::topLevelChanged, this, [this, dock, i](bool floating) {
            FitTitle(i);
            if (floating) SettleFloating(dock);
        });
        // A tab brought to the front (a tab behind is moved away, not hidden) catches up.
        connect(dock, &QDockWidget::visibilityChanged, this, [this, i](bool visible) {
            if (visible && m_stale[i] && m_windows[i]) RefreshWindow(i);
        });
        main->addDockWidget(Qt::RightDockWidgetArea, dock);
        if (first) main->tabifyDockWidget(first, dock);
        else first = dock;
        dock->hide();
        m_docks[i] = dock;
    }
}

std::size_t CToolWindowHost::IndexOf(int commandId) const {
    const auto it = std::find_if(m_kinds.begin(), m_kinds.end(), [&](const ToolWindowKind& k) { return k.commandId == commandId; });
    return std::size_t(it - m_kinds.begin());
}

QWidget* CToolWindowHost::Find(int commandId) const {
    const std::size_t index = IndexOf(commandId);
    return index < m_windows.size() ? m_windows[index].data() : nullptr;
}

QDockWidget* CToolWindowHost::DockOf(int commandId) const {
    const std::size_t index = IndexOf(commandId);
    return index < m_docks.size() ? m_docks[index].data() : nullptr;
}

void CToolWindowHost::Open(int commandId) {
    const std::size_t index = IndexOf(commandId);
    CUtilidadDoc* doc = m_bench.ActiveDocument();
    if (index >= m_kinds.size() || !doc) return;
    delete m_windows[index].data();
    m_windows[index] = nullptr;
    doc->TimeOperation(false, "");
    ToolWindowParts parts = m_kinds[index].make(m_bench);
    QWidget* window = parts.window;
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_windows[index] = window;
    m_refresh[index] = std::move(parts.refresh);
    m_stale[index] = 0;
    connect(window, &QObject::destroyed, this, [this, index] { WindowGone(index); });
    connect(window, &QWidget::windowTitleChanged, this, [this, index] { FitTitle(index); });
    window->installEventFilter(this);  // shown again after a refresh skipped while hidden
    doc->TimeOperation(true, m_kinds[index].timingLabel);
    if (m_docks[index]) {
        PutInDock(index, *window);
    } else {
        FitTitle(index);
        window->show();
    }
}

void CToolWindowHost::PutInDock(std::size_t index, QWidget& window) {
    QDockWidget* dock = m_docks[index];
    window.setWindowFlags(Qt::Widget);
    // Scrolled when the area is shorter than the window: the main window never grows past
    // the screen, nor pushes its status bar out, to make room for a tall one.
    auto* holder = new QScrollArea;
    holder->setFrameShape(QFrame::NoFrame);
    holder->setWidgetResizable(true);
    holder->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    holder->setWidget(&window);
    dock->setWidget(holder);
    FitTitle(index);
    dock->show();
    dock->raise();
    if (dock->isFloating()) {
        SettleFloating(dock);
    } else if (!m_areaSized) {
        // The area starts as narrow as its windows allow, however long the tabs' titles: the
        // images keep the rest. A restored layout keeps the width the user gave it.
        m_areaSized = true;
        Main()->resizeDocks({dock}, {dock->minimumSizeHint().width()}, Qt::Horizontal);
    }
}

void CToolWindowHost::FitTitle(std::size_t index) {
    QWidget* window = m_windows[index];
    if (!window) return;
    QDockWidget* dock = m_docks[index];
    const QString title = dock && !dock->isFloating() ? QString(m_kinds[index].name) : window->windowTitle();
    if (!dock) {
        window->setMinimumWidth(std::max(window->minimumSizeHint().width(), TitleWidth(*window, title)));
        return;
    }
    dock->setWindowTitle(title);
    auto* holder = qobject_cast<QScrollArea*>(dock->widget());
    if (!holder) return;
    const int content = window->minimumSizeHint().width() + holder->verticalScrollBar()->sizeHint().width();
    holder->setMinimumWidth(std::max(content, TitleWidth(*dock, title)));
}

void CToolWindowHost::WindowGone(std::size_t index) {
    m_windows[index] = nullptr;
    m_refresh[index] = nullptr;
    QDockWidget* dock = m_docks[index];
    if (!dock) return;
    dock->hide();
    // The window is still being destroyed inside its holder: the holder goes afterwards.
    if (QWidget* holder = dock->widget()) holder->deleteLater();
}

void CToolWindowHost::SettleFloating(QDockWidget* dock) {
    if (!dock || !dock->isFloating() || !dock->isVisible()) return;
    // Not while the user drags it: the dock may yet land in an area.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        QTimer::singleShot(100, dock, [this, dock] { SettleFloating(dock); });
        return;
    }
    // Over the main window when configured so (a tool window of it), a plain window
    // otherwise; never above the application's dialogs.
    const Qt::WindowType type = m_configuration.switches.modelessOnTop ? Qt::Tool : Qt::Window;
    QRect place = dock->geometry();
    if (dock->windowType() != type) {
        dock->setWindowFlags((dock->windowFlags() & ~Qt::WindowType_Mask & ~Qt::WindowStaysOnTopHint) | type);
        dock->setGeometry(place);
        dock->show();
    }
    // Wholly on the available area of its screen, whatever the saved place was.
    const QScreen* screen = dock->screen() ? dock->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = dock->frameGeometry();
    const QSize margins = frame.size() - place.size();
    place.setSize(place.size().boundedTo(area.size() - margins));
    const int x = std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - place.width() - margins.width()));
    const int y = std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - place.height() - margins.height()));
    place.moveTopLeft(place.topLeft() + QPoint(x, y) - frame.topLeft());
    if (place != dock->geometry()) dock->setGeometry(place);
}

bool CToolWindowHost::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        const auto index = std::size_t(std::find(m_windows.begin(), m_windows.end(), watched) - m_windows.begin());
        if (index < m_windows.size() && m_stale[index]) RefreshWindow(index);
    }
    // The dock's close button closes the window inside, which may refuse.
    if (event->type() == QEvent::Close) {
        const auto it = std::find(m_docks.begin(), m_docks.end(), watched);
        if (it != m_docks.end()) {
            QWidget* window = m_windows[std::size_t(it - m_docks.begin())];
            if (window && !window->close()) {
                event->ignore();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void CToolWindowHost::SaveLayout() const {
    if (QMainWindow* main = Main()) QSettings("Velora", "CVeloraMDI").setValue(kLayoutKey, main->saveState(kLayoutVersion));
}

void CToolWindowHost::RestoreLayout() {
    QMainWindow* main = Main();
    if (!main) return;
    m_areaSized = main->restoreState(QSettings("Velora", "CVeloraMDI").value(kLayoutKey).toByteArray(), kLayoutVersion);
    // The saved layout shows the docks that were open; their windows open later, by command.
    for (std::size_t i = 0; i < m_docks.size(); ++i)
        if (m_docks[i] && !m_windows[i]) m_docks[i]->hide();
}

void CToolWindowHost::Refresh() {
    if (m_refreshPending) return;
    m_refreshPending = true;
    QMetaObject::invokeMethod(this, &CToolWindowHost::RefreshNow, Qt::QueuedConnection);
}

void CToolWindowHost::RefreshNow() {
    if (!m_refreshPending) return;
    m_refreshPending = false;
    // A window that follows the active image must hear of a new one even out of sight: the
    // histogram takes back its preview on the image left.
    const bool all = std::exchange(m_activeChanged, false);
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        QWidget* window = m_windows[i].data();
        if (!window) continue;
        // Out of sight: hidden, or a dock's tab behind another (moved off the frame).
        if (!all && (!window->isVisible() || window->visibleRegion().isEmpty())) {
            m_stale[i] = 1;
            continue;
        }
        RefreshWindow(i);
    }
}

void CToolWindowHost::RefreshWindow(std::size_t index) {
    m_stale[index] = 0;
    if (m_refresh[index]) m_refresh[index]();
    if (QWidget* window = m_windows[index]) window->update();
}

void CToolWindowHost::CloseAll() {
    for (auto& window : m_windows) {
        if (window) window->close();
        delete window.data();
        window = nullptr;
    }
    MarkPending();
}

void CToolWindowHost::MarkPending() {
    m_pending = true;
    emit PendingChanged();
}

void CToolWindowHost::OpenIfPending() {
    if (!m_pending) return;
    m_pending = false;
    if (m_configuration.switches.loadModeless) {
        // Opened after the paint that asked for them has finished; the first one in front.
        QMetaObject::invokeMethod(this, [this] {
            for (const ToolWindowKind& kind : m_kinds)
                if (kind.opensWithImages) Open(kind.commandId);
            for (const ToolWindowKind& kind : m_kinds)
                if (QDockWidget* dock = kind.opensWithImages ? DockOf(kind.commandId) : nullptr) {
                    dock->raise();
                    break;
                }
        }, Qt::QueuedConnection);
    }
    emit PendingChanged();
}
