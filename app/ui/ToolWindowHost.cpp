#include "ToolWindowHost.h"

#include <QWidget>
#include <algorithm>

#include "Configuration.h"
#include "Document.h"
#include "Workbench.h"

CToolWindowHost::CToolWindowHost(CWorkbench& bench, const CConfiguration& configuration, std::vector<ToolWindowKind> kinds)
    : m_bench(bench),
      m_configuration(configuration),
      m_kinds(std::move(kinds)),
      m_windows(m_kinds.size()),
      m_refresh(m_kinds.size()) {
    connect(&m_bench, &CWorkbench::ActiveDocumentChanged, this, &CToolWindowHost::Refresh);
}

CToolWindowHost::~CToolWindowHost() {
    for (auto& window : m_windows) delete window.data();
}

std::size_t CToolWindowHost::IndexOf(int commandId) const {
    const auto it = std::find_if(m_kinds.begin(), m_kinds.end(), [&](const ToolWindowKind& k) { return k.commandId == commandId; });
    return std::size_t(it - m_kinds.begin());
}

QWidget* CToolWindowHost::Find(int commandId) const {
    const std::size_t index = IndexOf(commandId);
    return index < m_windows.size() ? m_windows[index].data() : nullptr;
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
    if (m_configuration.switches.modelessOnTop) window->setWindowFlag(Qt::WindowStaysOnTopHint);
    m_windows[index] = window;
    m_refresh[index] = std::move(parts.refresh);
    doc->TimeOperation(true, m_kinds[index].timingLabel);
    if (m_kinds[index].downTheRight) Place(index, *window);
    window->show();
}

void CToolWindowHost::Place(std::size_t index, QWidget& window) const {
    // Down the right side of the main window, one below the other, clear of the images.
    window.adjustSize();
    const QRect area = m_bench.MainWindow()->geometry();
    int y = area.top() + 60;
    for (std::size_t other = 0; other < index; ++other)
        if (m_windows[other] && m_kinds[other].downTheRight) y = std::max(y, m_windows[other]->frameGeometry().bottom() + 8);
    window.move(std::max(area.left(), area.right() - window.width() - 16), y);
}

void CToolWindowHost::Refresh() {
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        QWidget* window = m_windows[i].data();
        if (!window) continue;
        if (m_refresh[i]) m_refresh[i]();
        window->update();
    }
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
        // Opened after the paint that asked for them has finished.
        QMetaObject::invokeMethod(this, [this] {
            for (const ToolWindowKind& kind : m_kinds)
                if (kind.opensWithImages) Open(kind.commandId);
        }, Qt::QueuedConnection);
    }
    emit PendingChanged();
}
