// Hands the frame the commands that open dialogs of this folder: every declared command with
// a dialog, on the active image, and the colour conversion dialog.
#pragma once

class CCommandRegistry;
class CWorkbench;

void InstallDialogCommands(CCommandRegistry& registry, CWorkbench& bench);
