#include "CAccessories.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

std::function<void(QWidget*, const QString&, const QString&)> CAccessories::warn =
    [](QWidget* parent, const QString& title, const QString& text) { QMessageBox::warning(parent, title, text); };

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
        warn(parent, "CVeloraMDI",
             QString("No se ha encontrado %1 en este sistema. Puede indicar uno con la variable de entorno %2.")
                 .arg(Info(kind).what, Info(kind).variable));
        return false;
    }
    if (!QProcess::startDetached(program, files)) {
        warn(parent, "CVeloraMDI", QString("No se ha podido iniciar %1.").arg(program));
        return false;
    }
    return true;
}

bool CAccessories::OpenUrl(const QString& url, QWidget* parent) {
    if (QDesktopServices::openUrl(QUrl(url))) return true;
    warn(parent, "CVeloraMDI", QString("No se ha podido abrir la página %1.").arg(url));
    return false;
}

bool CAccessories::SendByMail(const QString& attachmentPath, const QString& subject, QWidget* parent) {
    const QString mailer = QStandardPaths::findExecutable("xdg-email");
    if (mailer.isEmpty() || !QProcess::startDetached(mailer, {"--attach", attachmentPath, "--subject", subject})) {
        warn(parent, "CVeloraMDI",
             "No se ha podido preparar el correo: hace falta la orden xdg-email (paquete xdg-utils) y un "
             "programa de correo configurado en el escritorio.");
        return false;
    }
    return true;
}
