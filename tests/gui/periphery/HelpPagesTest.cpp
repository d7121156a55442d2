// The help pages: every topic the built dialogs and tool windows open has its own page,
// and no page links to one that is missing.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

#include "DialogTable.h"
#include "Help.h"

TEST(HelpPages, TopicsOfTheBuiltWindowsHaveTheirPages) {
    QStringList topics = {HelpTopics::kHistogram, HelpTopics::kInformation, HelpTopics::kDibProperties,
                          HelpTopics::kColorModel, HelpTopics::kColorConversion};
    for (const char* dialog : {"CNegativoDlg", "CBrilloDlg", "CGammaDlg", "CContrasteTransfLinealDlg", "CContrasteDlg"})
        topics << QString::fromUtf8(FindDialog(dialog)->helpTopic.data(), qsizetype(FindDialog(dialog)->helpTopic.size()));
    for (const QString& topic : topics) {
        const QUrl url = velora::ui::HelpUrlForTopic(topic);
        EXPECT_NE(url, QUrl("qrc:/help/index.htm")) << topic.toStdString();
        QFile page(":" + url.path());
        ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << topic.toStdString();
        EXPECT_GT(page.size(), 200) << topic.toStdString();
    }
}

TEST(HelpPages, EveryLinkLeadsToAPage) {
    velora::ui::HelpUrlForTopic("CVelora.chm");  // registers the pages
    const QRegularExpression href("href=\"([^\"#:]+)\"");
    int pages = 0;
    for (QDirIterator it(":/help", QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (!path.endsWith(".htm")) continue;
        ++pages;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = href.globalMatch(text); match.hasNext();) {
            const QString target = QUrl("qrc" + path).resolved(QUrl(match.next().captured(1).replace(" ", "%20"))).path();
            EXPECT_TRUE(QFile::exists(":" + target)) << path.toStdString() << " -> " << target.toStdString();
        }
    }
    EXPECT_GE(pages, 20);
}
