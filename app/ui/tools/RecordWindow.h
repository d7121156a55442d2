// "Registro": what the workbench did to each open image, as the `velora` command lines that
// do it again. The active image's entries come first; "Copiar" puts the script of every open
// image on the clipboard and "Guardar como guion…" writes it to a file.
#pragma once

#include <QString>
#include <functional>

#include "Inspectors.h"

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

class CRegistroDlg : public CToolWindow {
    Q_OBJECT
public:
    explicit CRegistroDlg(CWorkbench& bench);
    void Refresh() override;
    // The shell script of every open image.
    QString Script() const;
    void SaveScript();

    // The file question of "Guardar como guion…"; replaced by tests.
    static std::function<QString(QWidget* parent)> askScriptPath;

    QTreeWidget* steps;
    QPlainTextEdit* commandLine;  // the active image's
    QPushButton* copyButton;
    QPushButton* saveButton;
};
