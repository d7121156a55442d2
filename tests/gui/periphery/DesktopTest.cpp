// The workbench on the desktop: the toolkit's texts in Spanish.
#include <QAbstractButton>
#include <QDir>
#include <cstdlib>

#include "EditText.h"
#include "Startup.h"
#include "WorkbenchFixture.h"

TEST(Startup, ToolkitTextsAreSpanishAndNumbersKeepTheirPoint) {
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancelar");
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    const auto text = [&box](QMessageBox::StandardButton which) { return box.button(which)->text().remove('&'); };
    EXPECT_EQ(text(QMessageBox::Yes), "Sí");
    EXPECT_EQ(text(QMessageBox::No), "No");
    EXPECT_EQ(text(QMessageBox::Cancel), "Cancelar");
    EXPECT_EQ(text(QMessageBox::Ok), "Aceptar");
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Save As"), "Save As");
    EXPECT_NE(QCoreApplication::translate("QPrintDialog", "Print"), "Print");

    EXPECT_EQ(QLocale().language(), QLocale::Spanish);
    EXPECT_EQ(QLocale().toString(2.5), "2,5");
    // What is typed and what files hold still use the decimal point.
    EXPECT_EQ(ParseDecimalPrefix("2.5"), 2.5);
    EXPECT_EQ(std::strtod("2.5", nullptr), 2.5);
    EXPECT_EQ(QString::number(2.5), "2.5");
}

TEST(Startup, MissingTranslationsAreNoFailure) {
    const QString empty = QString::fromStdString(testing_support::TempPath("no-translations"));
    QDir().mkpath(empty);
    EXPECT_FALSE(velora::ui::InstallSpanishTranslations(empty));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancelar");  // what was loaded stays
}
