// Commands on the active image that need no dialog: every declared command without one (the
// flips, in place; equalization, into a new window), channel separation and the bit-plane
// view, whose results open in new windows, leaving the image as it is.
#pragma once

class CCommandRegistry;
class CWorkbench;

// Registers the declared commands without a dialog, "Separar Canales" and "Ver Planos".
void InstallImageCommands(CCommandRegistry& registry, CWorkbench& bench);

// "Separar Canales - Split": one gray window per component of the active model.
void SplitIntoWindows(CWorkbench& bench);

// "Ver Planos": one 1-bit window per bit plane of the active image ("%s Plano %d.%s"),
// not marked modified.
void ShowBitPlanes(CWorkbench& bench);

// "Desentralazar" Horizontal (kind 0, rows) and Vertical (1, columns): two windows, the even
// ("Filas Pares-Desentrelazado de " + file name) and the odd rows or columns, both modified.
void DeinterlaceIntoWindows(CWorkbench& bench, int kind);
