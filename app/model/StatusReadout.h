// The text of status pane 0 for the pixel under the mouse pointer.
#pragma once

#include <string>

#include "CVelora.h"

// Names of the eleven colour models as the read-out shows them, by model index (0 = RGB).
const char* ColorModelName(int model);

// The read-out for (x, y) in image coordinates; " " when the point is outside the image.
// isGray is the image's IsGray(), which a view caches: it scans the pixels of direct colour.
std::string PixelReadout(const CVelora& image, int x, int y, int colorModel, bool isGray);
