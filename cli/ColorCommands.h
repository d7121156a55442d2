// `velora color` and `velora split`: the colour conversions of the library by name, and
// channel separation into one gray BMP file per component, reported as JSON.
#pragma once

#include <string>
#include <vector>

#include "CVelora.h"

namespace velora::cli {

struct ColorOutcome {
    enum Status { Done, Usage, Refused, WriteFailed } status = Done;
    std::string text;  // the JSON, or the message
};

// conversion: "RGBToHSV", "HSVToRGB", "XYZToLAB", ...; value: RRGGBB or #RRGGBB (RGBTo*)
// or comma-separated components; range: a code, or "in,out" for the XYZ/LAB/LUV forms.
ColorOutcome ConvertColour(const std::string& conversion, const std::string& value, const std::string& range);
// The names ConvertColour takes.
std::vector<std::string> ColourConversionNames();

// A model by number, name or short name ("9", "CIE LAB", "CIELAB"; also "CMYK"); -1 if none.
int ColourModelOf(const std::string& text);
// prefix + "_" + the component's name with blanks as underscores + ".bmp": parts_CIE_L.bmp.
std::string ComponentFileName(const std::string& prefix, int model, int component);
// Splits the image by the model (the alpha byte of a 32-bit image in RGB as a fourth
// component) and writes one file per component; the JSON lists the files written.
ColorOutcome SplitIntoFiles(const CVelora& image, int model, const std::string& prefix);

}  // namespace velora::cli
