#include "shell/app/program_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace kresbon {

QString ChooseSettingsPath(const QString& programFolder, bool programFolderWritable,
                           const QString& xdgConfigHome, const QString& home)
{
    const QString name = QStringLiteral("Kresbon.ini");
    if (programFolderWritable) return programFolder + QLatin1Char('/') + name;
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    const QString config = xdgConfigHome.startsWith(QLatin1Char('/'))
                               ? xdgConfigHome
                               : home + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/Kresbon/") + name);
}

QString FindProgramFile(const QString& programFolder, const QString& name)
{
    const QString beside = programFolder + QLatin1Char('/') + name;
    if (QFileInfo::exists(beside)) return beside;
    const QString shared = QDir::cleanPath(programFolder + QStringLiteral("/../share/kresbon/") + name);
    return QFileInfo::exists(shared) ? shared : beside;
}

bool IsWritableFolder(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

ProgramLocation LocateProgram(const QString& programFolder, FolderWritable folderWritable,
                              const QString& xdgConfigHome, const QString& home)
{
    ProgramLocation location;
    location.programFolder = programFolder;
    location.settingsPath = ChooseSettingsPath(programFolder, folderWritable(programFolder), xdgConfigHome, home);
    return location;
}

ProgramLocation CurrentProgramLocation()
{
    return LocateProgram(QCoreApplication::applicationDirPath(), IsWritableFolder,
                         qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
}

namespace {

bool SettingsBesideProgram(const ProgramLocation& location)
{
    return QDir(QFileInfo(location.settingsPath).absolutePath()) == QDir(location.programFolder);
}

}  // namespace

void KeepToolkitSettingsWithProgram(const ProgramLocation& location)
{
    if (!SettingsBesideProgram(location)) return;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, location.programFolder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, location.programFolder);
}

QString RecoveryFolderFor(const ProgramLocation& location)
{
    return SettingsBesideProgram(location) ? location.programFolder : QString();
}

}  // namespace kresbon
