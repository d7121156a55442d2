// The help pages: every topic an operation or a tool window opens has its own page, and no
// page links to one that is missing.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>

#include "DialogTable.h"
#include "Operation.h"
#include "Help.h"

namespace {

// The page a topic opens must exist, be more than a stub, and not be the index.
void ExpectOwnPage(const QString& topic, bool linksOnward = true) {
    const QUrl url = velora::ui::HelpUrlForTopic(topic);
    EXPECT_NE(url, QUrl("qrc:/help/index.htm")) << topic.toStdString();
    QFile page(":" + url.path());
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << topic.toStdString();
    EXPECT_GT(page.size(), 200) << topic.toStdString();
    const QString text = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(text.contains("<h1>")) << topic.toStdString();
    EXPECT_TRUE(!linksOnward || text.contains("Véase también")) << topic.toStdString();
}

}  // namespace

TEST(HelpPages, EveryOperationAndToolWindowTopicHasItsOwnPage) {
    for (const char* inspector : {HelpTopics::kInformation, HelpTopics::kDibProperties}) ExpectOwnPage(inspector, false);
    QStringList topics = {HelpTopics::kHistogram, HelpTopics::kColorModel, HelpTopics::kColorConversion};
    for (const auto& op : velora::catalog::Operations())
        if (!op.helpTopic.empty()) topics << QString::fromUtf8(op.helpTopic.data(), qsizetype(op.helpTopic.size()));
    EXPECT_GE(topics.size(), 9);
    for (const QString& topic : topics) ExpectOwnPage(topic);
    // The form without "/" after "::" opens the same page.
    EXPECT_EQ(velora::ui::HelpUrlForTopic("CVelora.chm::Ayuda/Negative.htm"),
              velora::ui::HelpUrlForTopic("CVelora.chm::/Ayuda/Negative.htm"));
}

TEST(HelpPages, EveryLinkLeadsToAPage) {
    velora::ui::HelpUrlForTopic("CVelora.chm");  // registers the pages
    const QRegularExpression href("href=\"([^\"]*)\"");
    int pages = 0, links = 0;
    for (QDirIterator it(":/help", QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (!path.endsWith(".htm")) continue;
        ++pages;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = href.globalMatch(text); match.hasNext();) {
            QString target = match.next().captured(1);
            if (target.contains(':')) continue;  // http:, mailto: and the like leave the help
            target = target.section('#', 0, 0);
            if (target.isEmpty()) continue;      // an anchor in the same page
            ++links;
            const QUrl resolved = QUrl("qrc" + path).resolved(QUrl(target));
            EXPECT_TRUE(QFile::exists(":" + resolved.path())) << path.toStdString() << " -> " << target.toStdString();
        }
        // The help window's browser reads the page and its title, as it follows a link to it.
        QTextBrowser browser;
        browser.setSource(QUrl("qrc" + path));
        const auto title = QRegularExpression("<title>([^<]*)</title>").match(text).captured(1);
        EXPECT_FALSE(title.isEmpty()) << path.toStdString();
        EXPECT_EQ(browser.documentTitle(), title) << path.toStdString();
    }
    EXPECT_GE(pages, 20);
    EXPECT_GT(links, 50);
}
