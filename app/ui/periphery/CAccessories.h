// The accessories (text editor, calculator, paint program, system information), web pages
// and e-mail: desktop programs found on this system or configured by environment variable.
// Programs are started directly with their arguments, never through a shell. Failures are
// told through velora::ui::MessageSink.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

class CAccessories {
public:
    enum class Kind { TextEditor, Calculator, Paint, SystemInfo };

    // The configured program (VELORA_TEXT_EDITOR, VELORA_CALCULATOR, VELORA_PAINT,
    // VELORA_SYSINFO), else the first common desktop program of that kind on PATH; empty if none.
    static QString FindProgram(Kind kind);
    static bool Launch(Kind kind, const QStringList& files, QWidget* parentForMessages);
    // Both return false when nothing could be started. The desktop's helpers (xdg-open,
    // xdg-email) may also give up later, having found no browser or mail program; that is
    // told when they end.
    static bool OpenUrl(const QString& url, QWidget* parentForMessages);
    static bool SendByMail(const QString& attachmentPath, const QString& subject, QWidget* parentForMessages);
};
