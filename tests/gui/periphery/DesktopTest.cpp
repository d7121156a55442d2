// The workbench on the desktop: the toolkit's texts in Spanish, the toolbars' and the program's icons.
#include <QAbstractButton>
#include <QDir>
#include <QMdiSubWindow>
#include <QToolBar>
#include <cstdlib>

#include "CommandTable.h"
#include "EditText.h"
#include "Startup.h"
#include "WorkbenchFixture.h"

namespace {

QImage Render(const QIcon& icon) { return icon.pixmap(QSize(22, 22)).toImage().convertToFormat(QImage::Format_ARGB32); }

bool HasInk(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) return true;
    return false;
}

}  // namespace

TEST(Startup, ToolkitTextsAreSpanishAndNumbersKeepTheirPoint) {
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancelar");
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    const auto text = [&box](QMessageBox::StandardButton which) { return box.button(which)->text().remove('&'); };
    EXPECT_EQ(text(QMessageBox::Yes) + text(QMessageBox::Ok), "SíAceptar");
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Save As"), "Save As");

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

TEST_F(Workbench, EveryToolbarButtonHasAnIconOfItsOwnAndWindowsCarryTheProgramIcon) {
    std::vector<std::pair<QString, QImage>> seen;
    for (QToolBar* bar : Frame().findChildren<QToolBar*>()) {
        for (QAction* action : bar->actions()) {
            if (action->isSeparator()) continue;
            const QString name = action->toolTip();
            ASSERT_FALSE(action->icon().isNull()) << name.toStdString();
            const QImage image = Render(action->icon());
            EXPECT_TRUE(HasInk(image)) << name.toStdString();
            for (const auto& [other, otherImage] : seen)
                EXPECT_NE(image, otherImage) << name.toStdString() << " / " << other.toStdString();
            seen.emplace_back(name, image);
        }
    }
    const auto buttons = [](const std::vector<int>& ids) { return std::count_if(ids.begin(), ids.end(), [](int id) { return id != 0; }); };
    EXPECT_EQ(std::ptrdiff_t(seen.size()), buttons(MainToolBar()) + buttons(SecondToolBar()));

    // The program's own icon, on every window.
    const QImage program = Render(QIcon(velora::ui::kProgramIcon));
    ASSERT_TRUE(HasInk(program));
    EXPECT_EQ(Render(QApplication::windowIcon()), program);
    OpenImage("icono.bmp", testing_support::RandomImage(4, 4, 24, 1));
    const auto children = Frame().findChildren<QMdiSubWindow*>();
    ASSERT_FALSE(children.isEmpty());
    EXPECT_EQ(Render(children.first()->windowIcon()), program);
}
