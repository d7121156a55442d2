// What the workbench sets up once its QApplication exists: the Spanish locale and the
// toolkit's own Spanish texts (file and print dialogs, message-box buttons), the icon theme
// of the toolbars, and the program's icon. The program and the GUI tests both call it.
#pragma once

#include <QString>

namespace velora::ui {

void PrepareApplication();

// Loads the toolkit's Spanish texts from `directory` (by default where Qt keeps its
// translations). Returns false, leaving the English texts, when they are not there.
bool InstallSpanishTranslations(const QString& directory = {});

// The freedesktop icon theme whose names the toolbars use, if this system has it.
inline constexpr const char* kIconTheme = "breeze";

// The program's own icons, compiled in from res/icons.
inline constexpr const char* kProgramIcon = ":/icons/velora-workbench.svg";

}  // namespace velora::ui
