// The clipboard: images go out as a BMP file ("image/bmp", which other Linux programs paste)
// and as an ordinary image; images come in from either form.
#pragma once

#include "CVelora.h"

namespace velora::ui {

bool ClipboardHasImage();
bool CopyImageToClipboard(const CVelora& image);
// Replaces image by the clipboard's picture (a 32-bit one arrives as 24 bits); a load code.
unsigned PasteImageFromClipboard(CVelora& image);

}  // namespace velora::ui
