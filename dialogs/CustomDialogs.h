// The operation dialogs that the generic one cannot express, by the command that opens them.
// Every other declared dialog is a CGenericOperationDialog built from its declaration.
#pragma once

#include <functional>
#include <memory>
#include <vector>

class COperationDialog;
class CUtilidadView;

struct CustomDialog {
    int commandId;
    std::function<std::unique_ptr<COperationDialog>(CUtilidadView*)> make;
};

const std::vector<CustomDialog>& CustomDialogs();

// The dialog of a declared command on a view: its custom dialog, or the generic one.
std::unique_ptr<COperationDialog> MakeOperationDialog(int commandId, CUtilidadView* view);
