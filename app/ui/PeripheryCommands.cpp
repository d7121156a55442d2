#include "PeripheryCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <map>

#include "CommandRegistry.h"
#include "CommandTable.h"
#include "Document.h"
#include "Help.h"
#include "Messages.h"
#include "Workbench.h"
#include "periphery/CAboutDlg.h"
#include "periphery/CAccessories.h"
#include "periphery/CCalendarioDlg.h"
#include "periphery/CImagePrinter.h"
#include "periphery/CInfoMonitoresDlg.h"

using velora::ui::ShowError;

namespace {

const char* const kWebProgram = "https://example.org/cveloramdi/";
const char* const kWebAuthor = "https://example.org/cveloramdi/autor/";

void ShowHelpPage(int id, QWidget* parent) {
    static const std::map<int, const char*> pages = {
        {kCmdHelpNew, "NuevoEnEstaVersion.htm"}, {kCmdHelpClass, "EstructuraClase.htm"},
        {kCmdHelpBibliography, "Bibliografia.htm"}, {kCmdHelpTips, "Trucos.htm"},
        {kCmdHelpMoreImages, "DescargarMasImagenes.htm"}, {kCmdHelpConfig, "ConfigCVeloraMDI.htm"},
        {kCmdHelpStepByStep, "EjecPasoaPaso.htm"}, {kCmdHelpHowTo, "ComoUtilizarCVelora.htm"},
        {kCmdHelpVersions, "VersionesAnteriores.htm"},
    };
    const auto it = pages.find(id);
    velora::ui::ShowHelpTopic(it == pages.end() ? QString("CVelora.chm") : QString("CVelora.chm::/Ayuda/Ayuda/") + it->second,
                              parent);
}

}  // namespace

void InstallPeripheryCommands(CCommandRegistry& registry, CWorkbench& bench) {
    const auto set = [&registry](int id, std::function<void()> handler) {
        registry.SetCommandHandler(id, std::move(handler));
    };
    set(kCmdMonitors, [&bench] { CInfoMonitoresDlg(bench.MainWindow()).exec(); });
    set(kCmdCalendar, [&bench] { CCalendarioDlg(bench.MainWindow()).exec(); });
    set(kCmdAbout, [&bench] { CAboutDlg(bench.MainWindow()).exec(); });
    set(kCmdPrint, [&bench] {
        if (CUtilidadDoc* doc = bench.ActiveDocument())
            CImagePrinter::Print(doc->Image(), QString::fromStdString(doc->Title()), bench.MainWindow());
    });
    set(kCmdPrintPreview, [&bench] {
        if (CUtilidadDoc* doc = bench.ActiveDocument())
            CImagePrinter::PrintPreview(doc->Image(), QString::fromStdString(doc->Title()), bench.MainWindow());
    });
    set(kCmdPrintSetup, [&bench] { CImagePrinter::PrintSetup(bench.MainWindow()); });
    set(kCmdSendMail, [&bench] {
        CUtilidadDoc* doc = bench.ActiveDocument();
        if (!doc) return;
        // The attachment is the image as BMP in a folder that outlives this call.
        const QString dir = QDir::tempPath() + "/velora-correo";
        QDir().mkpath(dir);
        const QString name = QString::fromStdString(doc->Image().GetNameWithoutExtension().empty()
                                                        ? std::string("imagen")
                                                        : doc->Image().GetNameWithoutExtension());
        const QString path = dir + "/" + QFileInfo(name).fileName() + ".bmp";
        if (doc->Image().SaveBMP(QFile::encodeName(path).toStdString()) != 0) {
            ShowError(bench.MainWindow(), "Error. No se ha podido preparar la imagen para enviarla por correo");
            return;
        }
        CAccessories::SendByMail(path, QString::fromStdString(doc->Title()), bench.MainWindow());
    });
    set(kCmdNotepad, [&bench] { CAccessories::Launch(CAccessories::Kind::TextEditor, {}, bench.MainWindow()); });
    set(kCmdCalculator, [&bench] { CAccessories::Launch(CAccessories::Kind::Calculator, {}, bench.MainWindow()); });
    set(kCmdPaint, [&bench] { CAccessories::Launch(CAccessories::Kind::Paint, {}, bench.MainWindow()); });
    set(kCmdSystemInfo, [&bench] { CAccessories::Launch(CAccessories::Kind::SystemInfo, {}, bench.MainWindow()); });
    set(kCmdWebProgram, [&bench] { CAccessories::OpenUrl(kWebProgram, bench.MainWindow()); });
    set(kCmdWebAuthor, [&bench] { CAccessories::OpenUrl(kWebAuthor, bench.MainWindow()); });
    for (int id : {kCmdHelpTopics, kCmdHelpNew, kCmdHelpClass, kCmdHelpBibliography, kCmdHelpTips, kCmdHelpMoreImages,
                   kCmdHelpConfig, kCmdHelpStepByStep, kCmdHelpHowTo, kCmdHelpVersions})
        set(id, [&bench, id] { ShowHelpPage(id, bench.MainWindow()); });
}
