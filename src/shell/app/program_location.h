#pragma once

#include <QString>

namespace kresbon {

// Where the program finds its files and keeps its settings.
struct ProgramLocation {
    // Folder of the executable, without a trailing separator.
    QString programFolder;
    // Full path of Kresbon.ini.
    QString settingsPath;
};

// Kresbon.ini lies beside the executable when that folder is writable
// (portable use), else in $XDG_CONFIG_HOME/Kresbon (default ~/.config/Kresbon).
QString ChooseSettingsPath(const QString& programFolder, bool programFolderWritable,
                           const QString& xdgConfigHome, const QString& home);

// A file shipped with the program: beside the executable in a build tree,
// else in ../share/kresbon of an installed layout. When neither exists the
// path beside the executable is returned.
QString FindProgramFile(const QString& programFolder, const QString& name);

// Whether the program may keep its settings in a folder.
using FolderWritable = bool (*)(const QString& folder);

// True for an existing folder that this process may create files in.
bool IsWritableFolder(const QString& folder);

// The location for an executable in programFolder: the settings beside it
// when folderWritable says that folder is writable, else in the user's
// configuration folder.
ProgramLocation LocateProgram(const QString& programFolder, FolderWritable folderWritable,
                              const QString& xdgConfigHome, const QString& home);

// The location of the running executable, from the process environment.
ProgramLocation CurrentProgramLocation();

// The toolkit's own dialogs keep what they remember (the file dialog's last
// folder and view) in QtProject.conf among the user's settings. When the
// program keeps its settings beside the executable, that file is kept there
// too, so that a portable copy writes nothing outside its folder. Called
// before the first dialog is made.
void KeepToolkitSettingsWithProgram(const ProgramLocation& location);

// Where the copy of unsaved work is kept against a crash: beside the
// executable when the settings are kept there, else empty for the user's
// state folder.
QString RecoveryFolderFor(const ProgramLocation& location);

}  // namespace kresbon
