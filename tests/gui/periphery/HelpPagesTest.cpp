// The compiled-in help: a page per topic, every link leads to a page, every page reachable from the index.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <map>
#include <tuple>
#include <vector>

#include "DialogTable.h"
#include "Help.h"
#include "Operation.h"

namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

struct Page {
    QString text;
    QStringList links;  // what it links to inside the help (pages, the style sheet), as resource paths
};

// Every compiled page by its resource path (":/help/Ayuda/Brightness.htm").
const std::map<QString, Page>& Pages() {
    static const std::map<QString, Page> pages = [] {
        velora::ui::HelpUrlForTopic("CVelora.chm");  // registers the pages
        const QRegularExpression href("href=\"([^\"]*)\"");
        std::map<QString, Page> all;
        for (QDirIterator it(":/help", QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            if (!path.endsWith(".htm")) continue;
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) continue;
            Page page{QString::fromUtf8(file.readAll()), {}};
            for (auto match = href.globalMatch(page.text); match.hasNext();) {
                const QString target = match.next().captured(1).section('#', 0, 0);
                if (target.isEmpty() || target.contains(':')) continue;  // an anchor, or http:, mailto: and the like
                page.links << ":" + QUrl("qrc" + path).resolved(QUrl(target)).path();
            }
            all.emplace(path, page);
        }
        return all;
    }();
    return pages;
}

QString PageOfTopic(const QString& topic) { return ":" + velora::ui::HelpUrlForTopic(topic).path(); }

}  // namespace

// Each page has a heading and, but for the inspectors' notes, links on; an operation's has its declared table.
TEST(HelpPages, EveryTopicOpensAPageOfItsOwnAndOperationsCarryTheirTable) {
    std::vector<std::tuple<QString, bool, QString>> topics = {{HelpTopics::kHistogram, true, {}}, {HelpTopics::kColorModel, true, {}},
                                                              {HelpTopics::kColorConversion, true, {}}, {HelpTopics::kInformation, false, {}},
                                                              {HelpTopics::kDibProperties, false, {}}};
    for (const auto& op : velora::catalog::Operations())
        if (!op.helpTopic.empty()) topics.emplace_back(Q(op.helpTopic), true, " " + Q(velora::catalog::Signature(op)) + "</code>");
    for (const auto& [topic, linksOnward, table] : topics) {
        const QString path = PageOfTopic(topic);
        ASSERT_NE(path, ":/help/index.htm") << topic.toStdString();
        ASSERT_TRUE(Pages().count(path)) << topic.toStdString();
        const QString& text = Pages().at(path).text;
        EXPECT_TRUE(text.contains("<h1>")) << topic.toStdString();
        EXPECT_TRUE(!linksOnward || text.contains("Véase también")) << topic.toStdString();
        EXPECT_TRUE(table.isEmpty() || text.contains(table)) << topic.toStdString();
    }
    for (const auto& [path, page] : Pages()) EXPECT_FALSE(page.text.contains("<!-- tabla")) << path.toStdString();
}

TEST(HelpPages, EveryLinkLeadsToAPageAndEveryPageIsReachableFromTheIndex) {
    int links = 0;
    for (const auto& [path, page] : Pages())
        for (const QString& target : page.links) {
            ++links;
            EXPECT_TRUE(QFile::exists(target)) << path.toStdString() << " -> " << target.toStdString();
        }
    EXPECT_GT(links, 50);
    QSet<QString> reached;
    QStringList pending = {":/help/index.htm"};
    while (!pending.isEmpty()) {
        const QString path = pending.takeLast();
        if (reached.contains(path) || !Pages().count(path)) continue;
        reached.insert(path);
        pending << Pages().at(path).links;
    }
    EXPECT_GE(Pages().size(), 20u);
    for (const auto& [path, page] : Pages()) EXPECT_TRUE(reached.contains(path)) << path.toStdString();
}
