// The frame itself: its menus, toolbars and status bar built from the command table, the
// routing of commands, the shared state, and the documents' windows. The handlers of the
// File and Edit menus are in MainFrameFile.cpp, those of the View and Window menus in
// MainFrameWindow.cpp; the other commands are installed from outside (ImageCommands,
// PeripheryCommands, and the operation dialogs by the program's start).
#include "MainFrame.h"
#include "QtText.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>

#include "ChildFrame.h"
#include "Clipboard.h"
#include "ConfigDlg.h"
#include "ImageCommands.h"
#include "OperationRunner.h"
#include "PeripheryCommands.h"
#include "ToolWindowHost.h"
#include "ToolWindowTable.h"
#include "View.h"
#include "Workbench.h"

namespace {

using velora::ui::Q;

// Icons of the commands that have one: freedesktop names from the icon theme, and ours
// (res/icons) where no standard name fits. A system without the theme gets the style's icons.
QIcon IconFor(int id, QStyle* style) {
    struct Icon {
        int id;
        const char* name;  // a theme name, or a resource path
        QStyle::StandardPixmap fallback;
    };
    static const Icon icons[] = {
        {kCmdNew, "document-new", QStyle::SP_FileIcon},
        {kCmdOpen, "document-open", QStyle::SP_DialogOpenButton},
        {kCmdSave, "document-save", QStyle::SP_DialogSaveButton},
        {kCmdCopy, "edit-copy", QStyle::SP_CustomBase},
        {kCmdPaste, "edit-paste", QStyle::SP_CustomBase},
        {kCmdUndo, "edit-undo", QStyle::SP_ArrowBack},
        {kCmdRedo, "edit-redo", QStyle::SP_ArrowForward},
        {kCmdPrint, "document-print", QStyle::SP_CustomBase},
        {kCmdImageInfo, "dialog-information", QStyle::SP_MessageBoxInformation},
        {kCmdDibProperties, ":/icons/dib-properties.svg", QStyle::SP_CustomBase},
        {kCmdHistogram, ":/icons/histogram.svg", QStyle::SP_CustomBase},
        {kCmdAbout, "help-about", QStyle::SP_DialogHelpButton},
        {kCmdStepByStep, ":/icons/step-by-step.svg", QStyle::SP_CustomBase},
        {kCmdFlipVertical, "object-flip-vertical", QStyle::SP_ArrowDown},
        {kCmdFlipHorizontal, "object-flip-horizontal", QStyle::SP_ArrowRight},
        {kCmdNegative, ":/icons/negative.svg", QStyle::SP_CustomBase},
        {kCmdBrightness, ":/icons/brightness.svg", QStyle::SP_CustomBase},
        {kCmdGrayScale, ":/icons/gray-scale.svg", QStyle::SP_CustomBase},
        {kCmdScaleToFit, "zoom-fit-best", QStyle::SP_CustomBase},
        {kCmdSizeToImage, "zoom-original", QStyle::SP_CustomBase},
        {kCmdFullScreen, "view-fullscreen", QStyle::SP_TitleBarMaxButton},
        {kCmdCloseToolWindows, "window-close", QStyle::SP_DialogCloseButton},
    };
    const auto it = std::find_if(std::begin(icons), std::end(icons), [id](const Icon& icon) { return icon.id == id; });
    if (it == std::end(icons)) return {};
    if (it->name[0] == ':') return QIcon(it->name);
    const QIcon themed = QIcon::fromTheme(it->name);
    if (!themed.isNull() || it->fallback == QStyle::SP_CustomBase) return themed;
    return style->standardIcon(it->fallback);
}

// A small badge with the initials of the command, for toolbar buttons left without an icon.
QIcon BadgeIcon(const QString& text) {
    QString initials;
    for (const QString& word : QString(text).remove('&').split(' ', Qt::SkipEmptyParts))
        if (word.size() > 2 && initials.size() < 2) initials += word[0].toUpper();
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(40, 90, 160));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, initials);
    return QIcon(pixmap);
}

// The frame as its windows and dialogs see it.
class CFrameWorkbench final : public CWorkbench {
public:
    explicit CFrameWorkbench(CMainFrame& frame) : m_frame(frame) {}
    CUtilidadView* ActiveView() const override { return m_frame.ActiveView(); }
    CUtilidadDoc* ActiveDocument() const override { return m_frame.ActiveDocument(); }
    std::vector<std::shared_ptr<CUtilidadDoc>> OpenDocuments() const override {
        std::vector<std::shared_ptr<CUtilidadDoc>> documents;
        for (CChildFrame* child : m_frame.Children()) {
            const std::shared_ptr<CUtilidadDoc>& document = child->View()->SharedDocument();
            if (std::find(documents.begin(), documents.end(), document) == documents.end()) documents.push_back(document);
        }
        return documents;
    }
    QWidget* MainWindow() const override { return &m_frame; }
    int ColorModel() const override { return m_frame.ColorModel(); }
    void SetColorModel(int model) override { m_frame.SetColorModel(model); }
    bool StepByStep() const override { return m_frame.StepByStep(); }
    bool ShowLoadedPaletteFiles() const override { return m_frame.Configuration().switches.notepad != 0; }
    void DocumentChanged(CUtilidadDoc& document, bool sizeChanged) override { m_frame.DocumentChanged(document, sizeChanged); }
    CUtilidadDoc* OpenResult(CVelora&& image, const ResultWindow& how) override {
        auto document = m_frame.NewDocument();
        document->Image() = std::move(image);
        // The information window and "Guardar" read the extension off the name.
        const std::string name = how.name.find('.') == std::string::npos ? how.name + ".bmp" : how.name;
        document->Image().SetName(name);
        document->SetTitle(name);
        document->SetModified(how.modified);
        if (how.source) document->Record().Derive(how.source->Record(), how.steps, how.seed);
        m_frame.AddView(document);
        return document.get();
    }
    void CloseToolWindows() override { m_frame.CloseToolWindows(); }
    void RefreshToolWindows() override { m_frame.RefreshToolWindows(); }
    void SetReadout(const QString& text) override { m_frame.SetReadout(text); }
    void SizeViewToImage(CUtilidadView* view) override { m_frame.SizeViewToImage(view); }
    void ScaleByKeypad(CUtilidadView* view, float factor) override { m_frame.ScaleByKeypad(view, factor); }
    void ShowContextMenu(const QPoint& globalPos) override { m_frame.ShowContextMenu(globalPos); }
    void OpenToolWindowsIfPending() override { m_frame.OpenToolWindowsIfPending(); }
    bool MayCloseView(CUtilidadView* view) override { return m_frame.MayCloseView(view); }

private:
    CMainFrame& m_frame;
};

}  // namespace

CMainFrame::CMainFrame(CConfiguration& configuration)
    : m_configuration(configuration),
      m_bench(std::make_unique<CFrameWorkbench>(*this)),
      m_tools(std::make_unique<CToolWindowHost>(*m_bench, configuration, ToolWindowTable())) {
    setWindowTitle(kTitle);
    setAcceptDrops(true);
    m_mdi = new QMdiArea;
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    BuildActions();
    RegisterHandlers();
    BuildMenus();
    BuildToolBars();
    BuildStatusBar();
    SetStepByStep(m_configuration.switches.stepByStep != 0);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] {
        if (m_closing) return;
        emit m_bench->ActiveDocumentChanged();  // the tool windows follow
        UpdateCommandStates();
    });
    connect(m_tools.get(), &CToolWindowHost::PendingChanged, this, &CMainFrame::UpdateCommandStates);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::UpdateCommandStates);
    UpdateCommandStates();
    m_tools->RestoreLayout();  // once the toolbars exist: their places are saved with the docks'
    // Said once: the pixel read-out takes the pane over as soon as the mouse is on an image.
    if (const std::string fallback = m_configuration.FallbackMessage(); !fallback.empty())
        SetReadout(QString::fromStdString(fallback));
}

CMainFrame::~CMainFrame() {
    // The windows about to go must not call back into a frame that is half destroyed.
    m_closing = true;
    m_mdi->disconnect(this);
    QApplication::clipboard()->disconnect(this);
    m_tools.reset();
    for (CChildFrame* child : Children()) delete child;
}

// ---------------------------------------------------------------- building from the table

void CMainFrame::BuildActions() {
    for (const CommandInfo& c : Commands()) {
        const QString full = Q(c.menuText);
        const int tab = full.indexOf('\t');
        auto* action = new QAction(tab < 0 ? full : full.left(tab), this);
        if (tab >= 0) action->setShortcut(QKeySequence(full.mid(tab + 1)));
        action->setStatusTip(Q(c.prompt));
        action->setToolTip(QString(action->text()).remove('&'));
        action->setIcon(IconFor(c.id, style()));
        action->setData(c.id);
        connect(action, &QAction::triggered, this, [this, id = c.id] { Execute(id); });
        m_actions[c.id] = action;
    }
    for (int id : {int(kCmdStepByStep), int(kCmdToolBar), int(kCmdStatusBar), int(kCmdFullScreen)})
        m_actions[id]->setCheckable(true);
    m_actions[kCmdToolBar]->setChecked(true);
    m_actions[kCmdStatusBar]->setChecked(true);
    addActions(QList<QAction*>{m_actions[kCmdFullScreen]});  // Ctrl+F also works while the menus are hidden
}

QMenu* CMainFrame::BuildMenu(QMenu* menu, const std::vector<MenuNode>& nodes) {
    for (const MenuNode& node : nodes) {
        switch (node.kind) {
            case MenuNode::Command: {
                QAction* action = m_actions.at(node.id);
                if (!node.title.empty()) {
                    // The context menu names some commands differently; it shares the handler.
                    const QString full = Q(node.title);
                    auto* alias = menu->addAction(full.section('\t', 0, 0));
                    alias->setStatusTip(action->statusTip());
                    connect(alias, &QAction::triggered, action, &QAction::trigger);
                    connect(menu, &QMenu::aboutToShow, alias, [alias, action] { alias->setEnabled(action->isEnabled()); });
                } else {
                    menu->addAction(action);
                }
                break;
            }
            case MenuNode::Separator: menu->addSeparator(); break;
            case MenuNode::Submenu: BuildMenu(menu->addMenu(Q(node.title)), node.children); break;
            case MenuNode::RecentFiles: m_recentMenu = menu->addMenu("Archivos recientes"); break;
            case MenuNode::WindowList: m_windowMenu = menu; break;
        }
    }
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    return menu;
}

void CMainFrame::BuildMenus() {
    for (const MenuNode& top : MainMenu()) BuildMenu(menuBar()->addMenu(Q(top.title)), top.children);
    // The edit menu shows the undo and redo steps' command lines as tooltips.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        if (menu->actions().contains(m_actions[kCmdUndo])) menu->setToolTipsVisible(true);
    UpdateRecentFilesMenu();
    if (m_windowMenu) {
        // The list of open windows after the fixed items.
        QMenu* menu = m_windowMenu;
        QAction* marker = menu->actions().isEmpty() ? nullptr : menu->actions().last();
        connect(menu, &QMenu::aboutToShow, this, [this, menu, marker] {
            const auto actions = menu->actions();
            bool after = false;
            for (QAction* a : actions) {
                if (after) delete a;
                if (a == marker) after = true;
            }
            int n = 1;
            for (QMdiSubWindow* w : m_mdi->subWindowList()) {
                QAction* a = menu->addAction(QString("&%1 %2").arg(n++).arg(w->windowTitle()));
                a->setCheckable(true);
                a->setChecked(w == m_mdi->activeSubWindow());
                connect(a, &QAction::triggered, this, [this, w] { m_mdi->setActiveSubWindow(w); });
            }
        });
    }
}

void CMainFrame::BuildToolBars() {
    auto build = [this](const QString& title, const std::vector<int>& ids) {
        QToolBar* bar = addToolBar(title);
        bar->setObjectName(title);
        for (int id : ids) {
            if (id == 0) {
                bar->addSeparator();
                continue;
            }
            QAction* action = m_actions.at(id);
            if (action->icon().isNull()) action->setIcon(BadgeIcon(action->text()));
            bar->addAction(action);
        }
        return bar;
    };
    m_mainToolBar = build("Estándar", MainToolBar());
    m_secondToolBar = build("Operaciones", SecondToolBar());
}

void CMainFrame::BuildStatusBar() {
    // Pane 0: the pixel read-out; 1: blank; 2-4: keyboard locks; 5: timing of the last operation.
    const char* const texts[6] = {" ", " ", "MAY", "NUM", "DESP", ""};
    for (int i = 0; i < 6; ++i) {
        m_panes[i] = new QLabel(texts[i]);
        m_panes[i]->setObjectName(QString("pane%1").arg(i));
        if (i == 0) statusBar()->addWidget(m_panes[i], 1);
        else statusBar()->addPermanentWidget(m_panes[i]);
    }
    m_panes[5]->setMinimumWidth(260);
}

// ---------------------------------------------------------------- state

void CMainFrame::SetReadout(const QString& text) { m_panes[0]->setText(text); }
void CMainFrame::SetTimingText(const QString& text) { m_panes[5]->setText(text); }
QString CMainFrame::TimingText() const { return m_panes[5]->text(); }

void CMainFrame::SetStepByStep(bool on) {
    m_stepByStep = on;
    m_actions[kCmdStepByStep]->setChecked(on);
}

void CMainFrame::SetColorModel(int model) {
    m_colorModel = model;
    emit m_bench->ColorModelChanged(model);
    UpdateCommandStates();
}

QAction* CMainFrame::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::UpdateCommandStates() {
    if (m_closing) return;
    CommandContext context;
    CUtilidadDoc* doc = ActiveDocument();
    context.image = doc ? &doc->Image() : nullptr;
    // The view keeps IsGray with its display copy; scanning a large image on every update is not needed.
    if (CUtilidadView* view = ActiveView()) context.imageIsGray = view->ImageIsGray();
    context.colorModel = m_colorModel;
    context.toolWindowsPending = m_tools->Pending();
    context.clipboardHasDib = velora::ui::ClipboardHasImage();
    context.canUndo = doc && doc->History().CanUndo();
    context.canRedo = doc && doc->History().CanRedo();
    for (const CommandInfo& c : Commands()) m_actions[c.id]->setEnabled(IsCommandEnabled(c, context));
    // The undo and redo items name their steps.
    // Their tooltips give the command-line steps that do the same.
    if (doc) {
        m_actions[kCmdUndo]->setText(Q(doc->History().UndoText()).section('\t', 0, 0).trimmed());
        m_actions[kCmdRedo]->setText(Q(doc->History().RedoText()).section('\t', 0, 0).trimmed());
        const auto stepsOf = [](const CDocumentRecord::Entry* entry) {
            if (!entry) return QString();
            QStringList steps;
            for (const std::string& step : entry->steps) steps << Q(step);
            return steps.isEmpty() ? QString("Sin orden de velora equivalente") : "velora apply … " + steps.join(' ');
        };
        m_actions[kCmdUndo]->setToolTip(stepsOf(doc->Record().Last()));
        m_actions[kCmdRedo]->setToolTip(stepsOf(doc->Record().Next()));
    } else {
        m_actions[kCmdUndo]->setText("&Deshacer");
        m_actions[kCmdRedo]->setText("&Rehacer");
    }
}

void CMainFrame::ShowContextMenu(const QPoint& globalPos) {
    QMenu menu(this);
    BuildMenu(&menu, ContextMenu());
    UpdateCommandStates();
    menu.exec(globalPos);
}

void CMainFrame::Execute(int id) {
    const auto it = m_handlers.find(id);
    if (it != m_handlers.end() && m_actions.at(id)->isEnabled()) it->second();
    UpdateCommandStates();
}

void CMainFrame::SetCommandHandler(int id, std::function<void()> handler) {
    Q_ASSERT(m_actions.count(id) != 0);  // a command of the table: it has its menu item
    m_handlers[id] = std::move(handler);
}

// ---------------------------------------------------------------- documents and views

QList<CChildFrame*> CMainFrame::Children() const {
    QList<CChildFrame*> list;
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(w)) list << child;
    return list;
}

CUtilidadView* CMainFrame::ActiveView() const {
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    if (!active && !m_mdi->subWindowList().isEmpty()) active = m_mdi->currentSubWindow();
    auto* child = qobject_cast<CChildFrame*>(active);
    return child ? child->View() : nullptr;
}

CUtilidadDoc* CMainFrame::ActiveDocument() const {
    CUtilidadView* view = ActiveView();
    return view ? &view->Document() : nullptr;
}

std::shared_ptr<CUtilidadDoc> CMainFrame::NewDocument() {
    auto doc = std::make_shared<CUtilidadDoc>();
    CUtilidadDoc* active = ActiveDocument();
    doc->OnNewDocument(active ? &active->Image() : nullptr);
    doc->SetTimingSink([this](const std::string& text) { SetTimingText(QString::fromStdString(text)); });
    return doc;
}

CChildFrame* CMainFrame::AddView(std::shared_ptr<CUtilidadDoc> document) {
    auto* view = new CUtilidadView(document, *m_bench);
    auto* child = new CChildFrame(view, *m_bench);
    ++m_childCount;
    connect(child, &CChildFrame::Destroying, this, &CMainFrame::ChildDestroyed);
    const QString title = QString::fromStdString(document->Title().empty() ? document->Image().GetName() : document->Title());
    child->setWindowTitle(title + (document->IsModified() ? "*" : ""));
    m_mdi->addSubWindow(child);
    child->show();
    m_mdi->setActiveSubWindow(child);
    UpdateCommandStates();
    return child;
}

void CMainFrame::DocumentChanged(CUtilidadDoc& document, bool sizeChanged) {
    for (CChildFrame* child : Children()) {
        if (&child->View()->Document() != &document) continue;
        CUtilidadView* view = child->View();
        view->ImageChanged();
        if (sizeChanged) {
            // The window follows the new size; the image stays drawn pixel for pixel unless the
            // user chose to scale it into the window (previews after this are drawn the same way).
            const bool scaled = view->IsScaleToFit();
            SizeViewToImage(view);
            if (scaled) view->SetScaleToFit(true);
        }
        child->setWindowTitle(QString::fromStdString(document.Title()) + (document.IsModified() ? "*" : ""));
    }
    RefreshToolWindows();
    UpdateCommandStates();
}

void CMainFrame::ScaleByKeypad(CUtilidadView* view, float factor) {
    if (view != ActiveView()) m_mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
    // The keypad's + and - are Scale by a factor, labelled as its dialog is.
    const auto scale = velora::catalog::FindByCommand(kCmdScale);
    const velora::catalog::Args args({double(factor), double(factor), std::int64_t(0)});
    velora::ui::RunInPlace(*m_bench, view->Document(), scale.command->undoLabel, scale.command->timingLabel,
                           [&](CVelora& image) { return scale.operation->call(image, args); }, {},
                           {velora::ui::StepOf(*m_bench, *scale.operation, args)});
}

// ---------------------------------------------------------------- child windows and tool windows

void CMainFrame::ChildDestroyed() {
    if (m_closing) return;
    if (--m_childCount == 0) CloseToolWindows();
    QMetaObject::invokeMethod(this, &CMainFrame::UpdateCommandStates, Qt::QueuedConnection);
}

bool CMainFrame::MayCloseView(CUtilidadView* view) {
    CUtilidadDoc& doc = view->Document();
    int views = 0;
    for (CChildFrame* child : Children())
        if (&child->View()->Document() == &doc) ++views;
    return views > 1 || AskToSave(view);
}

void CMainFrame::RefreshToolWindows() {
    if (!m_closing) m_tools->Refresh();
}

void CMainFrame::CloseToolWindows() { m_tools->CloseAll(); }

void CMainFrame::OpenToolWindowsIfPending() { m_tools->OpenIfPending(); }

// ---------------------------------------------------------------- handlers

void CMainFrame::RegisterHandlers() {
    RegisterFileHandlers();
    RegisterWindowHandlers();
    InstallImageCommands(*this, *m_bench);
    InstallPeripheryCommands(*this, *m_bench);
    auto& h = m_handlers;
    h[kCmdConfiguration] = [this] { OnConfiguration(); };
    h[kCmdStepByStep] = [this] { SetStepByStep(!m_stepByStep); };
    for (const ToolWindowKind& kind : m_tools->Kinds()) h[kind.commandId] = [this, id = kind.commandId] { m_tools->Open(id); };
    h[kCmdCloseToolWindows] = [this] { CloseToolWindows(); };
}

void CMainFrame::OnConfiguration() {
    CConfigDlg dialog(m_configuration, this);
    if (dialog.exec() == QDialog::Accepted) SetStepByStep(m_configuration.switches.stepByStep != 0);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // One question per modified document, whatever number of windows shows it.
    for (CChildFrame* child : Children()) {
        if (!AskToSave(child->View())) {
            event->ignore();
            return;
        }
        child->View()->Document().SetModified(false);
    }
    m_closing = true;
    m_tools->SaveLayout();  // while the docks still show where the user left them
    CloseToolWindows();
    QMainWindow::closeEvent(event);
}
