#include "Startup.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

// Outside any namespace, as the resource's registration function is global. Calling it keeps
// the linker from dropping the icons from the static library.
static void RegisterIcons() { Q_INIT_RESOURCE(icons); }

namespace velora::ui {

bool InstallSpanishTranslations(const QString& directory) {
    const QString folder = directory.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : directory;
    auto* translator = new QTranslator(QCoreApplication::instance());
    // qtbase holds every text of the widgets, the file dialog and the print dialog.
    if (!translator->load(QLocale(QLocale::Spanish, QLocale::Spain), "qtbase", "_", folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

void PrepareApplication() {
    // Dates and the toolkit's texts in Spanish. Typed numbers are read by the program's own
    // parser and files use a decimal point, so the C library's LC_NUMERIC stays as it is.
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    InstallSpanishTranslations();

    // One theme for every toolbar button whatever the desktop prefers; without it the buttons
    // fall back to the style's icons (MainFrame.cpp). Some platforms (offscreen, a bare X
    // server) search only inside the program, so the freedesktop folders are added.
    QStringList searchPaths = QIcon::themeSearchPaths();
    for (const QString& folder :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, "icons", QStandardPaths::LocateDirectory))
        if (!searchPaths.contains(folder)) searchPaths << folder;
    QIcon::setThemeSearchPaths(searchPaths);
    for (const QString& path : searchPaths) {
        if (QFileInfo::exists(QDir(path).filePath(QString(kIconTheme) + "/index.theme"))) {
            QIcon::setThemeName(kIconTheme);
            break;
        }
    }
    RegisterIcons();
    QApplication::setWindowIcon(QIcon(kProgramIcon));
}

}  // namespace velora::ui
