#include "InstallDialogs.h"

#include "ColorConversionDlg.h"
#include "CommandRegistry.h"
#include "CommandTable.h"
#include "CustomDialogs.h"
#include "FilterDialog.h"
#include "OperationDialog.h"
#include "PaletteDialogs.h"
#include "Workbench.h"

void InstallDialogCommands(CCommandRegistry& registry, CWorkbench& bench) {
    for (const auto& op : velora::catalog::Operations())
        for (const auto& command : op.commands)
            if (command.dialog)
                registry.SetCommandHandler(command.id, [&bench, id = command.id] {
                    if (CUtilidadView* view = bench.ActiveView()) MakeOperationDialog(id, view)->exec();
                });
    registry.SetCommandHandler(kCmdColorConversion,
                               [&bench] { CConversionValoresModelosColorDlg(bench.MainWindow()).exec(); });
    InstallPaletteCommands(registry, bench);
    InstallFilterCommands(registry, bench);
}
