// Commands on the active image that need no dialog: the flips, in place, and equalization
// and channel separation, whose results open in new windows, leaving the image as it is.
#pragma once

class CCommandRegistry;
class CWorkbench;

// Registers the flips, "Ecualizar Histograma" and "Separar Canales".
void InstallImageCommands(CCommandRegistry& registry, CWorkbench& bench);

// "Ecualizar Histograma": the active image equalized in the active model, in a new window.
void EqualizeIntoNewWindow(CWorkbench& bench);
// "Separar Canales - Split": one gray window per component of the active model.
void SplitIntoWindows(CWorkbench& bench);
