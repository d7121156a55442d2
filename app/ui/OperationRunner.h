// The in-place operation as every command, keypad and dialog runs it: one undo step, the
// stopwatch in the status bar, a wait cursor while it works, the modified mark and the
// repaint of the document's views and of the tool windows.
#pragma once

#include <QString>
#include <functional>
#include <string_view>

#include "Operation.h"

class CUtilidadDoc;
class CVelora;
class CWorkbench;

namespace velora::ui {

// Runs op on the document's image. A refusal (non-zero code) leaves no undo step and shows
// failureMessage as an error, when there is one; the image is assumed unchanged then.
// On success the timing text reads "Tiempo de <timingLabel>: ... seg.". True on success.
bool RunInPlace(CWorkbench& bench, CUtilidadDoc& document, std::string_view undoLabel, std::string_view timingLabel,
                const std::function<unsigned(CVelora&)>& op, const QString& failureMessage = {});

// The arguments a declared command runs with: its presets, the active colour model where the
// declaration asks for it, and the declared defaults for the rest.
velora::catalog::Args CommandArguments(const velora::catalog::Operation& op, const velora::catalog::Command& command,
                                       int colorModel);

// A declared command without a dialog, on the active image: in place (as RunInPlace), or
// into a new window named by the command's result name. False when nothing was done.
bool RunDeclaredCommand(CWorkbench& bench, const velora::catalog::Operation& op, const velora::catalog::Command& command);

}  // namespace velora::ui
