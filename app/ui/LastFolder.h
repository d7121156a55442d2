// The folder each kind of file dialog last used, kept with the recent files in
// QSettings("Velora", "CVeloraMDI"), so that the next dialog of that kind starts there.
#pragma once

#include <QString>

namespace velora::ui {

// Settings keys, one per kind of dialog.
inline constexpr const char* kOpenFolderKey = "lastFolders/open";
inline constexpr const char* kSaveFolderKey = "lastFolders/saveAs";
inline constexpr const char* kParameterFolderKey = "lastFolders/parameters";

// The folder the dialog of this kind last used; empty (the start directory) when none was
// kept or it no longer exists.
QString LastFolder(const char* key);
// Keeps the folder of a file the user chose in a dialog of this kind.
void RememberFolderOf(const char* key, const QString& chosenFile);

}  // namespace velora::ui
