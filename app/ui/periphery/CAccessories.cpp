#include "CAccessories.h"

#include <QDesktopServices>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>
#include <functional>

#include "Messages.h"

namespace {

struct KindInfo {
    const char* variable;
    const char* what;  // "ningún editor de textos"
    QStringList candidates;
};

const KindInfo& Info(CAccessories::Kind kind) {
    static const KindInfo infos[] = {
        {"VELORA_TEXT_EDITOR", "ningún editor de textos",
         {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "pluma", "xed", "leafpad"}},
        {"VELORA_CALCULATOR", "ninguna calculadora", {"gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "xcalc"}},
        {"VELORA_PAINT", "ningún programa de dibujo", {"kolourpaint", "pinta", "mtpaint", "gimp"}},
        {"VELORA_SYSINFO", "ningún programa de información del sistema",
         {"gnome-system-monitor", "hardinfo", "ksysguard", "plasma-systemmonitor", "xfce4-taskmanager"}},
    };
    return infos[int(kind)];
}

void Warn(QWidget* parent, const QString& text) {
    velora::ui::MessageSink::show(parent, velora::ui::MessageKind::Warning, "CVeloraMDI", text);
}

// Starts a desktop helper and reports failed() if it cannot start or ends with an error (the
// xdg tools exit non-zero when no program handles the request). The process has no parent,
// so that closing the workbench never kills a browser or mail program started through it.
bool StartWatched(const QString& program, const QStringList& arguments, std::function<void()> failed) {
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed](int code, QProcess::ExitStatus status) {
                         if (code != 0 || status != QProcess::NormalExit) failed();
                         process->deleteLater();
                     });
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    return true;
}

}  // namespace

QString CAccessories::FindProgram(Kind kind) {
    const KindInfo& info = Info(kind);
    const QString configured = qEnvironmentVariable(info.variable);
    if (!configured.isEmpty()) {
        const QString found = QStandardPaths::findExecutable(configured);
        return found.isEmpty() && configured.startsWith('/') ? configured : found;
    }
    for (const QString& name : info.candidates) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty()) return found;
    }
    return {};
}

bool CAccessories::Launch(Kind kind, const QStringList& files, QWidget* parent) {
    const QString program = FindProgram(kind);
    if (program.isEmpty()) {
        Warn(parent, QString("No se ha encontrado %1 en este sistema. Puede indicar cuál usar con la variable de entorno %2.")
                         .arg(Info(kind).what, Info(kind).variable));
        return false;
    }
    if (!QProcess::startDetached(program, files)) {
        Warn(parent, QString("No se ha podido iniciar %1.").arg(program));
        return false;
    }
    return true;
}

bool CAccessories::OpenUrl(const QString& url, QWidget* parent) {
    const QString text = QString("No se ha podido abrir la página %1: no se ha encontrado ningún navegador web. Hace falta "
                                 "la orden xdg-open (paquete xdg-utils) y un navegador instalado en el escritorio.")
                             .arg(url);
    QPointer<QWidget> guard(parent);
    const auto failed = [guard, text] { Warn(guard, text); };
    const QString opener = QStandardPaths::findExecutable("xdg-open");
    // Without xdg-open the toolkit looks for a browser itself (BROWSER and the common ones).
    const bool started = opener.isEmpty() ? QDesktopServices::openUrl(QUrl(url)) : StartWatched(opener, {url}, failed);
    if (!started) failed();
    return started;
}

bool CAccessories::SendByMail(const QString& attachmentPath, const QString& subject, QWidget* parent) {
    QPointer<QWidget> guard(parent);
    const auto failed = [guard] {
        Warn(guard, "No se ha podido preparar el correo: hace falta la orden xdg-email (paquete xdg-utils) y un "
                    "programa de correo configurado en el escritorio.");
    };
    const QString mailer = QStandardPaths::findExecutable("xdg-email");
    const bool started =
        !mailer.isEmpty() && StartWatched(mailer, {"--attach", attachmentPath, "--subject", subject}, failed);
    if (!started) failed();
    return started;
}
