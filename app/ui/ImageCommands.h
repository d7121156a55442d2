// View commands whose result opens in new windows, leaving the active image as it is.
#pragma once

class CWorkbench;

// "Ecualizar Histograma": the active image equalized in the active model, in a new window.
void EqualizeIntoNewWindow(CWorkbench& bench);
// "Separar Canales - Split": one gray window per component of the active model.
void SplitIntoWindows(CWorkbench& bench);
