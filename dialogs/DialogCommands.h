// Which command opens which operation dialog: the one list InstallDialogCommands() registers.
#pragma once

#include <functional>
#include <memory>
#include <vector>

class COperationDialog;
class CUtilidadView;

struct DialogCommand {
    int commandId;
    std::function<std::unique_ptr<COperationDialog>(CUtilidadView*)> make;
};

const std::vector<DialogCommand>& DialogCommands();
