// Commands on the active image that need no dialog: every declared command without one (the
// flips, in place; equalization, the bit planes and deinterlacing, into new windows) and
// channel separation, whose results open in new windows, leaving the image as it is.
#pragma once

class CCommandRegistry;
class CWorkbench;

// Registers the declared commands without a dialog and "Separar Canales".
void InstallImageCommands(CCommandRegistry& registry, CWorkbench& bench);

// "Separar Canales - Split": one gray window per component of the active model.
void SplitIntoWindows(CWorkbench& bench);
