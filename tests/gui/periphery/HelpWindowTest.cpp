// Help asked for from a modal dialog: in front, usable while the dialog is open, still open after it.
#include <QDialog>
#include <QPointer>
#include <QTextBrowser>

#include "Help.h"
#include "WorkbenchFixture.h"

using testing_support::ButtonNamed;

namespace {

// A click delivered as the platform delivers it, so that modal blocking applies.
void PlatformClick(QWidget* widget) {
    QWidget* window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, widget->mapTo(window, widget->rect().center()));
}

}  // namespace

TEST(HelpWindow, OpensUsableOverAModalDialogAndOutlivesIt) {
    QWidget main;
    main.show();
    auto dialog = std::make_unique<QDialog>(&main);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeModalWidget(), dialog.get());

    velora::ui::ShowHelpTopic("CVelora.chm::/Ayuda/Negative.htm", dialog.get());
    QApplication::processEvents();
    const QPointer<QWidget> help = velora::ui::HelpWindowIfOpen();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->isWindow());
    EXPECT_EQ(QApplication::activeWindow(), help.data());
    auto* browser = help->findChild<QTextBrowser*>();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source(), velora::ui::HelpUrlForTopic("CVelora.chm::/Ayuda/Negative.htm"));

    // Its buttons answer while the dialog is still open.
    PlatformClick(ButtonNamed(help, "Índice"));
    EXPECT_EQ(browser->source(), QUrl("qrc:/help/index.htm"));
    PlatformClick(ButtonNamed(help, "Atrás"));
    EXPECT_EQ(browser->source(), velora::ui::HelpUrlForTopic("CVelora.chm::/Ayuda/Negative.htm"));

    // The dialog closes and goes: the help stays open.
    dialog->accept();
    dialog.reset();
    QApplication::processEvents();
    ASSERT_FALSE(help.isNull());
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->parentWidget(), nullptr);

    // Asked for again with no dialog open: the same window.
    velora::ui::ShowHelpTopic("CVelora.chm", &main);
    EXPECT_EQ(velora::ui::HelpWindowIfOpen(), help.data());
    help->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(velora::ui::HelpWindowIfOpen(), nullptr);
}
