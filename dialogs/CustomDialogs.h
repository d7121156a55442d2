// The operation dialogs that the generic one cannot express, by the command that opens them,
// and the short hooks that finish a generic dialog. Every other declared dialog is a
// CGenericOperationDialog built from its declaration.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class CGenericOperationDialog;
class COperationDialog;
class CUtilidadView;

struct CustomDialog {
    int commandId;
    std::string_view reason;  // why the generic dialog cannot be it
    std::function<std::unique_ptr<COperationDialog>(CUtilidadView*)> make;
};

const std::vector<CustomDialog>& CustomDialogs();

// A generic dialog finished by a few lines of its own.
struct DialogHook {
    int commandId;
    std::function<void(CGenericOperationDialog&)> finish;
};

const std::vector<DialogHook>& DialogHooks();

// The dialog of a declared command on a view: its custom dialog, or the generic one.
std::unique_ptr<COperationDialog> MakeOperationDialog(int commandId, CUtilidadView* view);
