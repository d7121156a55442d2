// The captions and labels of the operation dialogs still to come, kept until their
// operations are declared (a built dialog takes its facts from its operation's declaration),
// and the title and help rules that dialogs and tool windows share.
#pragma once

#include <string>
#include <string_view>

#include "CVelora.h"

struct DialogInfo {
    std::string_view className;    // "CBrilloDlg"
    std::string_view caption;      // the dialog's own caption
    std::string_view titlePrefix;  // replaces the caption when it opens; empty: the caption stays
    std::string_view helpTopic;    // "CVelora.chm::/Ayuda/Brightness.htm"
    std::string_view undoLabel;    // empty: the result goes elsewhere (new window, second image)
    std::string_view timingLabel;
};

// nullptr for a class the table does not list.
const DialogInfo* FindDialog(std::string_view className);

// The help topics of the tool windows, which have no undo or timing labels.
namespace HelpTopics {
inline constexpr const char* kHistogram = "CVelora.chm::/Ayuda/GetHistogram.htm";
inline constexpr const char* kInformation = "CVelora.chm::/Ayuda/InfoImagen.htm";
inline constexpr const char* kDibProperties = "CVelora.chm::/Ayuda/GetBitmapInfoHeader.htm";
inline constexpr const char* kColorModel = "CVelora.chm::Ayuda/Modelos de Color - Conversion.htm";
inline constexpr const char* kColorConversion = "CVelora.chm::/Ayuda/RGBToCMYK.htm";
inline constexpr const char* kSetRGBPixel = "CVelora.chm::/Ayuda/SetRGBPixel.htm";
}  // namespace HelpTopics

// prefix + the image name's base + "." + its extension (both empty when the name holds
// no "."), as dialog and tool-window titles are made.
std::string ImageTitle(std::string_view prefix, const CVelora& image);

// The suffix a dialog that runs step by step adds to its title.
inline constexpr const char* kStepByStepTitleSuffix = " - EJECUCIÓN PASO A PASO";
