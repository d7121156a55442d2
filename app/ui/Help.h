// The help window: our HTML pages, reached by topic paths of the form
// "CVelora.chm::/Ayuda/Brightness.htm" (or "CVelora.chm" alone for the index).
#pragma once

#include <QString>
#include <QUrl>

class QWidget;

namespace velora::ui {

// The page a topic path names (qrc:/help/...); the index for the file alone.
QUrl HelpUrlForTopic(const QString& topic);
// Opens the shared help window at the topic, in front and usable even under a modal dialog.
void ShowHelpTopic(const QString& topic, QWidget* parent);
// The shared help window, or null while it is closed.
QWidget* HelpWindowIfOpen();

}  // namespace velora::ui
