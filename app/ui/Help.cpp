#include "Help.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>

// The pages are compiled into a resource object; naming its initializer keeps the linker
// from dropping it from the static library.
static void RegisterHelpPages() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    (void)registered;
}

namespace velora::ui {

namespace {

class HelpWindow : public QWidget {
public:
    HelpWindow() : QWidget(nullptr, Qt::Window) {
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle("Ayuda de CVeloraMDI");
        resize(760, 620);
        auto* layout = new QVBoxLayout(this);
        auto* buttons = new QHBoxLayout;
        auto* back = new QPushButton("Atrás");
        auto* forward = new QPushButton("Adelante");
        auto* home = new QPushButton("Índice");
        buttons->addWidget(back);
        buttons->addWidget(forward);
        buttons->addWidget(home);
        buttons->addStretch();
        layout->addLayout(buttons);
        m_browser = new QTextBrowser;
        m_browser->setOpenExternalLinks(true);
        layout->addWidget(m_browser);
        connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
        connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
        connect(home, &QPushButton::clicked, this, [this] { Show(HelpUrlForTopic("CVelora.chm")); });
    }
    void Show(const QUrl& url) {
        // A modal dialog blocks every window but its own: the help it asks for is made one
        // of them, so that it can be read and used while the dialog stays open.
        BelongTo(QApplication::activeModalWidget());
        m_browser->setSource(url);
        show();
        raise();
        activateWindow();
    }
    QTextBrowser* m_browser;

private:
    void BelongTo(QWidget* owner) {
        if (parentWidget() == owner) return;
        if (parentWidget()) parentWidget()->removeEventFilter(this);
        const bool shown = isVisible();
        const QRect place = geometry();
        setParent(owner, Qt::Window);
        if (owner) owner->installEventFilter(this);
        if (shown) {
            setGeometry(place);
            show();
        }
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The dialog closes: the help stays open, on its own, rather than go with it.
        if (watched == parentWidget() && (event->type() == QEvent::Hide || event->type() == QEvent::DeferredDelete))
            BelongTo(nullptr);
        return QWidget::eventFilter(watched, event);
    }
};

QPointer<HelpWindow> g_window;

}  // namespace

QUrl HelpUrlForTopic(const QString& topic) {
    RegisterHelpPages();
    const int separator = topic.indexOf("::");
    QString page = separator < 0 ? QString("index.htm") : topic.mid(separator + 2);
    while (page.startsWith('/')) page.remove(0, 1);
    const QString path = ":/help/" + page;
    if (!QFile::exists(path)) return QUrl("qrc:/help/index.htm");
    return QUrl("qrc:/help/" + page);
}

void ShowHelpTopic(const QString& topic, QWidget*) {
    if (!g_window) g_window = new HelpWindow;
    g_window->Show(HelpUrlForTopic(topic));
}

QWidget* HelpWindowIfOpen() { return g_window; }

}  // namespace velora::ui
