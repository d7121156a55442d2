#include "DialogCommands.h"

#include "CommandTable.h"
#include "IntensityDialogs.h"

namespace {

template <class Dialog>
DialogCommand Entry(int id) {
    return {id, [](CUtilidadView* view) { return std::unique_ptr<COperationDialog>(new Dialog(view)); }};
}

}  // namespace

const std::vector<DialogCommand>& DialogCommands() {
    static const std::vector<DialogCommand> commands = {
        Entry<CNegativoDlg>(kCmdNegative),
        Entry<CBrilloDlg>(kCmdBrightness),
        Entry<CGammaDlg>(kCmdGamma),
        Entry<CContrasteTransfLinealDlg>(kCmdLinearContrast),
        Entry<CContrasteDlg>(kCmdNonLinear),
    };
    return commands;
}
