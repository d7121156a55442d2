#include "Startup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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
}

}  // namespace velora::ui
