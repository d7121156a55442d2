#include "DialogTable.h"

#include <algorithm>
#include <array>

namespace {

// The dialogs still to come: class, caption, title prefix, help topic, undo label, timing
// label. When an operation gets its dialog, its row moves into the operation's declaration.
constexpr std::array kDialogs = {
    DialogInfo{"CEscotomaZoomDlg", "", "Zoom de Escotoma de ",
               "CVelora.chm::/Ayuda/ScotomaZoom.htm", "Zoom Escotoma", "Cálculo Zoom Escotoma"},
};

}  // namespace

const DialogInfo* FindDialog(std::string_view className) {
    const auto it = std::find_if(kDialogs.begin(), kDialogs.end(),
                                 [&](const DialogInfo& info) { return info.className == className; });
    return it == kDialogs.end() ? nullptr : &*it;
}

std::string ImageTitle(std::string_view prefix, const CVelora& image) {
    std::string title(prefix);
    title += image.GetNameWithoutExtension();
    title += '.';
    title += image.GetExtension();
    return title;
}
