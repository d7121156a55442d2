// View commands whose result opens in new windows, leaving the active image as it is.
#pragma once

class CMainFrame;

// "Ecualizar Histograma": the active image equalized in the active model, in a new window.
void EqualizeIntoNewWindow(CMainFrame& frame);
// "Separar Canales - Split": one gray window per component of the active model.
void SplitIntoWindows(CMainFrame& frame);
