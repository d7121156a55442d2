#include "LastFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace velora::ui {

QString LastFolder(const char* key) {
    const QString folder = QSettings("Velora", "CVeloraMDI").value(key).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void RememberFolderOf(const char* key, const QString& chosenFile) {
    if (chosenFile.isEmpty()) return;
    QSettings("Velora", "CVeloraMDI").setValue(key, QFileInfo(chosenFile).absolutePath());
}

}  // namespace velora::ui
