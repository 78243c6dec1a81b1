#include "shell/program_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

ProgramLocation CurrentProgramLocation()
{
    ProgramLocation location;
    location.programFolder = QCoreApplication::applicationDirPath();
    const QFileInfo folder(location.programFolder);
    location.settingsPath =
        ChooseSettingsPath(location.programFolder, folder.isDir() && folder.isWritable(),
                           qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
    return location;
}

}  // namespace kresbon
