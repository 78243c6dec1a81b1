#pragma once

#include <QString>
#include <QStringList>

namespace kresbon {

class SettingsFile;

// The recent scripts: the last opened or saved script files, newest first,
// kept as [RecentFiles] File1 .. File8 with absolute paths.
constexpr int MaxRecentFiles = 8;

// The list as the settings file holds it; empty values are skipped and a
// path listed twice counts once.
QStringList ReadRecentFiles(const SettingsFile& settings);

// Writes all eight keys, emptying those beyond the list. Throws when the
// file cannot be written.
void WriteRecentFiles(const SettingsFile& settings, const QStringList& files);

// The list with the file put first (as an absolute path), an earlier entry
// of the same file removed and the oldest beyond eight dropped. A name with
// a line break is not listed: the settings file could not hold it.
QStringList WithRecentFile(QStringList files, const QString& path);

// The caption of the item of the recent list at index (0 is the newest):
// "&1 name.krs  (/folder)"; an "&" of the path is doubled.
QString RecentFileCaption(int index, const QString& path);

}  // namespace kresbon
