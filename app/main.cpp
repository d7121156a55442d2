// CUtilidadApp: start-up of the workbench, where its parts are put together: the frame, and
// the dialogs' commands installed into it. The start directory (the one current when the
// program starts) holds "configuracion.ini"; no document is opened at start.
#include <QApplication>
#include <QTimer>
#include <climits>
#include <clocale>
#include <string>
#include <unistd.h>

#include "Configuration.h"
#include "InstallDialogs.h"
#include "MainFrame.h"
#include "Messages.h"
#include "Startup.h"
#include "periphery/CSplashScreen.h"

namespace {

// The directory current at start; empty when it has been deleted, so that the configuration
// is then kept nowhere rather than at the root.
std::string StartDirectory() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

// The last net under every event: an exception that escapes a command where nothing else
// caught it (memory that ran out) is reported once the event has unwound, and the open
// images stay, to be saved.
class CVeloraApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception&) {
            QTimer::singleShot(0, [] {
                velora::ui::ShowError(QApplication::activeWindow(),
                                      QString::fromUtf8("Error. No hay memoria suficiente: la última orden no se ha "
                                                        "completado.\nLas imágenes abiertas se conservan; guárdelas "
                                                        "antes de seguir."));
            });
            return false;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::string startDirectory = StartDirectory();
    CVeloraApplication app(argc, argv);
    // Numbers in files and in typed values use a decimal point, whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("CVeloraMDI");
    QApplication::setOrganizationName("Velora");
    QApplication::setDesktopFileName("velora-workbench");
    velora::ui::PrepareApplication();

    auto splash = ShowSplash();
    CConfiguration configuration(startDirectory);
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
