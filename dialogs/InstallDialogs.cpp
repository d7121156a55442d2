#include "InstallDialogs.h"

#include "ColorConversionDlg.h"
#include "CommandRegistry.h"
#include "CommandTable.h"
#include "DialogCommands.h"
#include "OperationDialog.h"
#include "Workbench.h"

void InstallDialogCommands(CCommandRegistry& registry, CWorkbench& bench) {
    for (const DialogCommand& command : DialogCommands()) {
        registry.SetCommandHandler(command.commandId, [&bench, make = command.make] {
            if (CUtilidadView* view = bench.ActiveView()) make(view)->exec();
        });
    }
    registry.SetCommandHandler(kCmdColorConversion,
                               [&bench] { CConversionValoresModelosColorDlg(bench.MainWindow()).exec(); });
}
