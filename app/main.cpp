// CUtilidadApp: start-up of the workbench, where its parts are put together: the frame, and
// the dialogs' commands installed into it. The start directory (the one current when the
// program starts) holds "configuracion.ini"; no document is opened at start.
#include <QApplication>
#include <QDir>
#include <clocale>

#include "Configuration.h"
#include "InstallDialogs.h"
#include "MainFrame.h"
#include "Startup.h"
#include "periphery/CSplashScreen.h"

int main(int argc, char** argv) {
    const QString startDirectory = QDir::currentPath();
    QApplication app(argc, argv);
    // Numbers in files and in typed values use a decimal point, whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("CVeloraMDI");
    QApplication::setOrganizationName("Velora");
    QApplication::setDesktopFileName("velora-workbench");
    velora::ui::PrepareApplication();

    auto splash = ShowSplash();
    CConfiguration configuration(QFile::encodeName(startDirectory).toStdString());
    configuration.Read();
    int status = 0;
    {
        CMainFrame frame(configuration);
        InstallDialogCommands(frame, frame.Workbench());
        frame.showMaximized();
        if (splash) splash->finish(&frame);
        status = QApplication::exec();
    }
    configuration.WriteIfAccepted();
    return status;
}
