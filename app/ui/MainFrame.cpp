#include "MainFrame.h"

#include "ImageCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "ChildFrame.h"
#include "Clipboard.h"
#include "ConfigDlg.h"
#include "Help.h"
#include "Messages.h"
#include "OperationRunner.h"
#include "RawDimensionDlg.h"
#include "Stopwatch.h"
#include "ToolWindowHost.h"
#include "ToolWindowTable.h"
#include "View.h"
#include "Workbench.h"
#include "periphery/CAboutDlg.h"
#include "periphery/CAccessories.h"
#include "periphery/CCalendarioDlg.h"
#include "periphery/CImagePrinter.h"
#include "periphery/CInfoMonitoresDlg.h"

using velora::ui::MessageKind;
using velora::ui::MessageSink;
using velora::ui::ShowError;

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

constexpr int kMaxRecentFiles = 9;

const char* const kWebProgram = "https://example.org/cveloramdi/";
const char* const kWebAuthor = "https://example.org/cveloramdi/autor/";

// Standard icons for the toolbar buttons that have one; the others show their text.
QIcon IconFor(int id, QStyle* style) {
    switch (id) {
        case kCmdNew: return style->standardIcon(QStyle::SP_FileIcon);
        case kCmdOpen: return style->standardIcon(QStyle::SP_DialogOpenButton);
        case kCmdSave: return style->standardIcon(QStyle::SP_DialogSaveButton);
        case kCmdUndo: return style->standardIcon(QStyle::SP_ArrowBack);
        case kCmdRedo: return style->standardIcon(QStyle::SP_ArrowForward);
        case kCmdImageInfo: return style->standardIcon(QStyle::SP_MessageBoxInformation);
        case kCmdDibProperties: return style->standardIcon(QStyle::SP_FileDialogDetailedView);
        case kCmdAbout: return style->standardIcon(QStyle::SP_DialogHelpButton);
        case kCmdFlipVertical: return style->standardIcon(QStyle::SP_ArrowDown);
        case kCmdFlipHorizontal: return style->standardIcon(QStyle::SP_ArrowRight);
        case kCmdFullScreen: return style->standardIcon(QStyle::SP_TitleBarMaxButton);
        case kCmdCloseToolWindows: return style->standardIcon(QStyle::SP_DialogCloseButton);
        case kCmdPrint: return style->standardIcon(QStyle::SP_DriveFDIcon);
        default: return {};
    }
}

// A small badge with the initials of the command, for buttons without a standard icon.
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
    QWidget* MainWindow() const override { return &m_frame; }
    int ColorModel() const override { return m_frame.ColorModel(); }
    void SetColorModel(int model) override { m_frame.SetColorModel(model); }
    bool StepByStep() const override { return m_frame.StepByStep(); }
    void DocumentChanged(CUtilidadDoc& document, bool sizeChanged) override { m_frame.DocumentChanged(document, sizeChanged); }
    void OpenResult(CVelora&& image, const std::string& name) override {
        auto document = m_frame.NewDocument();
        document->Image() = std::move(image);
        document->Image().SetName(name);
        document->SetTitle(name);
        document->SetModified();
        m_frame.AddView(document);
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
    if (doc) {
        m_actions[kCmdUndo]->setText(Q(doc->History().UndoText()).section('\t', 0, 0).trimmed());
        m_actions[kCmdRedo]->setText(Q(doc->History().RedoText()).section('\t', 0, 0).trimmed());
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

bool CMainFrame::OpenFile(const QString& path) {
    auto doc = std::make_shared<CUtilidadDoc>();
    doc->SetTimingSink([this](const std::string& text) { SetTimingText(QString::fromStdString(text)); });
    const auto outcome = doc->Open(QFile::encodeName(path).toStdString(),
                                   [this](std::uint64_t length, const std::string& name) {
                                       return CRawDimensionDlg::Ask(length, name, this);
                                   });
    if (outcome == CUtilidadDoc::OpenOutcome::Cancelled) return false;
    AddRecentFile(path);
    AddView(doc);  // a failed read shows its message on the window's first paint
    return outcome == CUtilidadDoc::OpenOutcome::Read;
}

void CMainFrame::DocumentChanged(CUtilidadDoc& document, bool sizeChanged) {
    for (CChildFrame* child : Children()) {
        if (&child->View()->Document() != &document) continue;
        child->View()->ImageChanged();
        if (sizeChanged) {
            SizeViewToImage(child->View());
            ScaleToFit(child->View());
        }
        child->setWindowTitle(QString::fromStdString(document.Title()) + (document.IsModified() ? "*" : ""));
    }
    RefreshToolWindows();
    UpdateCommandStates();
}

void CMainFrame::ScaleByKeypad(CUtilidadView* view, float factor) {
    if (view != ActiveView()) m_mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
    velora::ui::RunInPlace(*m_bench, view->Document(), "Escalado", "Cálculo Escalado",
                           [factor](CVelora& image) { return image.Scale(factor, factor, 0); });
}

void CMainFrame::SizeViewToImage(CUtilidadView* view) {
    auto* child = qobject_cast<CChildFrame*>(view->parentWidget());
    if (!child) return;
    const CVelora& image = view->Document().Image();
    view->SetScaleToFit(false);
    const int frame = view->frameWidth() * 2 + 3;
    const QSize client(image.GetWidth() + frame, image.GetHeight() + frame);
    child->SetMaximumClientSize(client);
    const QSize decoration = child->size() - view->size();
    const QSize wanted = client + decoration;
    child->resize(wanted.boundedTo(m_mdi->viewport()->size()).expandedTo(QSize(40, 40)));
}

void CMainFrame::ScaleToFit(CUtilidadView* view) {
    // Only when the image fits on the screen: then the view shows it whole, without scroll bars.
    const CVelora& image = view->Document().Image();
    QScreen* screen = QGuiApplication::screenAt(mapToGlobal(QPoint(100, 100)));
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect work = screen->availableGeometry();
    if (work.right() > image.GetWidth() && work.bottom() > image.GetHeight()) view->SetScaleToFit(true);
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

bool CMainFrame::AskToSave(CUtilidadView* view) {
    CUtilidadDoc& doc = view->Document();
    if (!doc.IsModified()) return true;
    const int answer = MessageSink::ask(this, "CVeloraMDI",
                                        QString("¿Desea guardar los cambios en %1?").arg(QString::fromStdString(doc.Title())),
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::Yes) {
        m_mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
        OnSave(false);
        return !doc.IsModified();
    }
    return true;
}

void CMainFrame::RefreshToolWindows() {
    if (!m_closing) m_tools->Refresh();
}

void CMainFrame::CloseToolWindows() { m_tools->CloseAll(); }

void CMainFrame::OpenToolWindowsIfPending() { m_tools->OpenIfPending(); }

// ---------------------------------------------------------------- handlers

void CMainFrame::RegisterHandlers() {
    auto& h = m_handlers;
    h[kCmdNew] = [this] {
        auto doc = NewDocument();
        doc->SetTitle(doc->Image().GetName());
        AddView(doc);
    };
    h[kCmdOpen] = [this] { OnOpen(); };
    h[kCmdSave] = [this] { OnSave(false); };
    h[kCmdSaveAs] = [this] { OnSave(true); };
    h[kCmdExit] = [this] { close(); };
    h[kCmdUndo] = [this] { OnUndoRedo(false); };
    h[kCmdRedo] = [this] { OnUndoRedo(true); };
    h[kCmdCopy] = [this] { OnCopy(); };
    h[kCmdPaste] = [this] { OnPaste(); };
    h[kCmdEmptyClipboard] = [] { QApplication::clipboard()->clear(); };
    h[kCmdConfiguration] = [this] { OnConfiguration(); };
    h[kCmdStepByStep] = [this] { SetStepByStep(!m_stepByStep); };
    h[kCmdToolBar] = [this] {
        const bool show = m_actions[kCmdToolBar]->isChecked();
        m_mainToolBar->setVisible(show);
        m_secondToolBar->setVisible(show);
    };
    h[kCmdStatusBar] = [this] { statusBar()->setVisible(m_actions[kCmdStatusBar]->isChecked()); };
    h[kCmdFullScreen] = [this] { OnToggleFullScreen(); };
    h[kCmdScaleToFit] = [this] { ScaleToFit(ActiveView()); };
    h[kCmdSizeToImage] = [this] { SizeViewToImage(ActiveView()); };
    for (const ToolWindowKind& kind : m_tools->Kinds()) h[kind.commandId] = [this, id = kind.commandId] { m_tools->Open(id); };
    h[kCmdCloseToolWindows] = [this] { CloseToolWindows(); };
    h[kCmdMonitors] = [this] { CInfoMonitoresDlg(this).exec(); };
    h[kCmdCalendar] = [this] { CCalendarioDlg(this).exec(); };
    h[kCmdAbout] = [this] { CAboutDlg(this).exec(); };
    h[kCmdEqualize] = [this] { EqualizeIntoNewWindow(*m_bench); };
    h[kCmdSplit] = [this] { SplitIntoWindows(*m_bench); };
    const auto flip = [this](int mode, const std::string& name) {
        return [this, mode, name] {
            if (CUtilidadDoc* doc = ActiveDocument())
                velora::ui::RunInPlace(*m_bench, *doc, name, "Cálculo " + name, [mode](CVelora& im) { return im.Flip(mode); },
                                       "Error. Imposible voltear. Modo no válido o la imagen no es válida");
        };
    };
    h[kCmdFlipVertical] = flip(1, "Flip Vertical");
    h[kCmdFlipHorizontal] = flip(0, "Flip Horizontal");
    h[kCmdCloseAllViews] = [this] { OnCloseAllViews(); };
    h[kCmdNewWindow] = [this] {
        if (CUtilidadView* view = ActiveView()) AddView(view->SharedDocument());
    };
    h[kCmdCascade] = [this] { m_mdi->cascadeSubWindows(); };
    h[kCmdTile] = [this] { m_mdi->tileSubWindows(); };
    h[kCmdArrange] = [this] {
        // Minimized windows line up along the bottom of the area.
        int x = 0;
        for (QMdiSubWindow* w : m_mdi->subWindowList())
            if (w->isMinimized()) {
                w->move(x, m_mdi->viewport()->height() - w->height());
                x += w->width();
            }
    };
    h[kCmdPrint] = [this] {
        if (CUtilidadDoc* doc = ActiveDocument()) CImagePrinter::Print(doc->Image(), QString::fromStdString(doc->Title()), this);
    };
    h[kCmdPrintPreview] = [this] {
        if (CUtilidadDoc* doc = ActiveDocument())
            CImagePrinter::PrintPreview(doc->Image(), QString::fromStdString(doc->Title()), this);
    };
    h[kCmdPrintSetup] = [this] { CImagePrinter::PrintSetup(this); };
    h[kCmdSendMail] = [this] {
        CUtilidadDoc* doc = ActiveDocument();
        if (!doc) return;
        // The attachment is the image as BMP in a folder that outlives this call.
        const QString dir = QDir::tempPath() + "/velora-correo";
        QDir().mkpath(dir);
        const QString name = QString::fromStdString(doc->Image().GetNameWithoutExtension().empty()
                                                        ? std::string("imagen")
                                                        : doc->Image().GetNameWithoutExtension());
        const QString path = dir + "/" + QFileInfo(name).fileName() + ".bmp";
        if (doc->Image().SaveBMP(QFile::encodeName(path).toStdString()) != 0) {
            ShowError(this, "Error. No se ha podido preparar la imagen para enviarla por correo");
            return;
        }
        CAccessories::SendByMail(path, QString::fromStdString(doc->Title()), this);
    };
    h[kCmdNotepad] = [this] { CAccessories::Launch(CAccessories::Kind::TextEditor, {}, this); };
    h[kCmdCalculator] = [this] { CAccessories::Launch(CAccessories::Kind::Calculator, {}, this); };
    h[kCmdPaint] = [this] { CAccessories::Launch(CAccessories::Kind::Paint, {}, this); };
    h[kCmdSystemInfo] = [this] { CAccessories::Launch(CAccessories::Kind::SystemInfo, {}, this); };
    h[kCmdWebProgram] = [this] { CAccessories::OpenUrl(kWebProgram, this); };
    h[kCmdWebAuthor] = [this] { CAccessories::OpenUrl(kWebAuthor, this); };
    for (int id : {kCmdHelpTopics, kCmdHelpNew, kCmdHelpClass, kCmdHelpBibliography, kCmdHelpTips, kCmdHelpMoreImages,
                   kCmdHelpConfig, kCmdHelpStepByStep, kCmdHelpHowTo, kCmdHelpVersions})
        h[id] = [this, id] { OnHelp(id); };
}

void CMainFrame::OnHelp(int id) {
    static const std::map<int, const char*> pages = {
        {kCmdHelpNew, "NuevoEnEstaVersion.htm"}, {kCmdHelpClass, "EstructuraClase.htm"},
        {kCmdHelpBibliography, "Bibliografia.htm"}, {kCmdHelpTips, "Trucos.htm"},
        {kCmdHelpMoreImages, "DescargarMasImagenes.htm"}, {kCmdHelpConfig, "ConfigCVeloraMDI.htm"},
        {kCmdHelpStepByStep, "EjecPasoaPaso.htm"}, {kCmdHelpHowTo, "ComoUtilizarCVelora.htm"},
        {kCmdHelpVersions, "VersionesAnteriores.htm"},
    };
    const auto it = pages.find(id);
    velora::ui::ShowHelpTopic(it == pages.end() ? QString("CVelora.chm") : QString("CVelora.chm::/Ayuda/Ayuda/") + it->second,
                              this);
}

void CMainFrame::OnOpen() {
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, "Abrir", QString(),
        "Todos los tipos (*.BMP *.RAW *.PGM *.bmp *.raw *.pgm);;Archivos BMP (*.BMP *.bmp);;"
        "Archivos RAW (*.RAW *.raw);;Archivos PGM (*.PGM *.pgm)");
    for (const QString& path : paths) OpenFile(path);
}

void CMainFrame::OnSave(bool saveAs) {
    CUtilidadDoc* doc = ActiveDocument();
    if (!doc) return;
    CUtilidadDoc::SaveOutcome outcome;
    if (!saveAs) outcome = doc->Save();
    if (saveAs || outcome.needsSaveAs) {
        const CVelora& image = doc->Image();
        QString selected;
        const QString proposed = QString::fromStdString(image.GetNameWithoutExtension().empty() ? image.GetName()
                                                                                                 : image.GetNameWithoutExtension());
        QString path = QFileDialog::getSaveFileName(this, "Guardar como", proposed,
                                                    "Archivos BMP (*.bmp);;Archivos RAW (*.raw)", &selected);
        if (path.isEmpty()) return;
        const int filter = selected.startsWith("Archivos RAW") ? CUtilidadDoc::kFilterRaw : CUtilidadDoc::kFilterBmp;
        if (QFileInfo(path).suffix().isEmpty()) path += filter == CUtilidadDoc::kFilterRaw ? ".raw" : ".bmp";
        outcome = doc->SaveAs(QFile::encodeName(path).toStdString(), filter);
        if (outcome.saved) AddRecentFile(path);
    }
    if (!outcome.saved && !outcome.error.empty()) ShowError(this, QString::fromStdString(outcome.error), "Error al guardar");
    DocumentChanged(*doc, false);
}

void CMainFrame::OnUndoRedo(bool redo) {
    CUtilidadDoc* doc = ActiveDocument();
    if (!doc || !(redo ? doc->Redo() : doc->Undo())) return;
    DocumentChanged(*doc, true);
}

void CMainFrame::OnCopy() {
    CUtilidadDoc* doc = ActiveDocument();
    if (!doc) return;
    doc->TimeOperation(false, "");
    const bool ok = velora::ui::CopyImageToClipboard(doc->Image());
    doc->TimeOperation(true, "Copia en Portapapeles");
    if (!ok) MessageSink::show(this, MessageKind::Warning, "CVeloraMDI", "Imposible escribir datos en el portapapeles");
}

void CMainFrame::OnPaste() {
    if (!velora::ui::ClipboardHasImage()) return;
    auto doc = NewDocument();
    const std::string title = "Imagen del Portapeles " + std::to_string(++m_pasteCounter) + ".bmp";
    doc->SetTitle(title);
    doc->Image().SetName(title);
    doc->TimeOperation(false, "");
    const unsigned code = velora::ui::PasteImageFromClipboard(doc->Image());
    if (code != 0) {
        ShowError(this, QString::fromStdString(*LoadErrorMessage(code, title)), "Error");
        return;
    }
    doc->TimeOperation(true, "Pegar desde Portapapeles");
    doc->SetModified();
    CChildFrame* child = AddView(doc);
    SizeViewToImage(child->View());
}

void CMainFrame::OnCloseAllViews() {
    bool anyModified = false;
    for (CChildFrame* child : Children()) anyModified |= child->View()->Document().IsModified();
    if (anyModified &&
        MessageSink::ask(this, "Cerrar Todas las Vistas (Imágenes)",
                         "Hay imágenes con cambios sin guardar.\n¿Desea cerrarlas todas y perder esos cambios?",
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    CStopwatch watch;  // not a document's: the documents are gone when it stops
    watch.Start();
    for (CChildFrame* child : Children()) {
        child->View()->Document().SetModified(false);  // already asked once
        child->close();
    }
    SetTimingText(QString::fromStdString(CStopwatch::TimingText("Cerrar Todas las Imágenes", watch.Stop())));
    m_tools->MarkPending();
}

void CMainFrame::OnToggleFullScreen() {
    if (!isFullScreen()) {
        m_savedGeometry = saveGeometry();
        m_fullScreenToolBar = new QToolBar("Presiona Ctrl+F para cambiar entre pantalla normal o completa (full screen)");
        m_fullScreenToolBar->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
        m_fullScreenToolBar->setWindowTitle(m_fullScreenToolBar->windowTitle());
        m_fullScreenToolBar->addAction(m_actions[kCmdFullScreen]);
        m_fullScreenToolBar->setToolTip(m_fullScreenToolBar->windowTitle());
        m_fullScreenToolBar->show();
        m_mainToolBar->hide();
        m_secondToolBar->hide();
        showFullScreen();
    } else {
        delete m_fullScreenToolBar;
        m_fullScreenToolBar = nullptr;
        m_mainToolBar->setVisible(m_actions[kCmdToolBar]->isChecked());
        m_secondToolBar->setVisible(m_actions[kCmdToolBar]->isChecked());
        showNormal();
        restoreGeometry(m_savedGeometry);
        showMaximized();
    }
    m_actions[kCmdFullScreen]->setChecked(isFullScreen());
}

void CMainFrame::OnConfiguration() {
    CConfigDlg dialog(m_configuration, this);
    if (dialog.exec() == QDialog::Accepted) SetStepByStep(m_configuration.switches.stepByStep != 0);
}

// ---------------------------------------------------------------- recent files, drops, closing

void CMainFrame::AddRecentFile(const QString& path) {
    QSettings settings("Velora", "CVeloraMDI");
    QStringList files = settings.value("recentFiles").toStringList();
    files.removeAll(QFileInfo(path).absoluteFilePath());
    files.prepend(QFileInfo(path).absoluteFilePath());
    while (files.size() > kMaxRecentFiles) files.removeLast();
    settings.setValue("recentFiles", files);
    UpdateRecentFilesMenu();
}

void CMainFrame::UpdateRecentFilesMenu() {
    if (!m_recentMenu) return;
    m_recentMenu->clear();
    const QStringList files = QSettings("Velora", "CVeloraMDI").value("recentFiles").toStringList();
    int n = 1;
    for (const QString& file : files) {
        QAction* a = m_recentMenu->addAction(QString("&%1 %2").arg(n++).arg(QFileInfo(file).fileName()));
        a->setStatusTip(file);
        connect(a, &QAction::triggered, this, [this, file] { OpenFile(file); });
    }
    m_recentMenu->setEnabled(!files.isEmpty());
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) OpenFile(url.toLocalFile());
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
    CloseToolWindows();
    QMainWindow::closeEvent(event);
}
