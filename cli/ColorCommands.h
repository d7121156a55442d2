// `velora color`: one colour conversion of the library, by its name, printed as JSON.
#pragma once

#include <string>
#include <vector>

namespace velora::cli {

struct ColorOutcome {
    enum Status { Done, Usage, Refused } status = Done;
    std::string text;  // the JSON, or the message
};

// conversion: "RGBToHSV", "HSVToRGB", "XYZToLAB", ...; value: RRGGBB (RGBTo*) or
// comma-separated components; range: a code, or "in,out" for the XYZ/LAB/LUV forms.
ColorOutcome ConvertColour(const std::string& conversion, const std::string& value, const std::string& range);
// The names ConvertColour takes.
std::vector<std::string> ColourConversionNames();

}  // namespace velora::cli
