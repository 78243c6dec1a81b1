#include "shell/document/recent_files.h"

#include <QDir>
#include <QFileInfo>
#include <string>

#include "shell/settings/settings_file.h"

namespace kresbon {

namespace {

constexpr const char* Section = "RecentFiles";

std::string KeyOf(int index)
{
    return "File" + std::to_string(index + 1);
}

}  // namespace

QStringList ReadRecentFiles(const SettingsFile& settings)
{
    QStringList files;
    for (int i = 0; i < MaxRecentFiles; ++i) {
        const QString path = QString::fromStdString(settings.Read(Section, KeyOf(i)));
        if (!path.isEmpty() && !files.contains(path)) files << path;
    }
    return files;
}

void WriteRecentFiles(const SettingsFile& settings, const QStringList& files)
{
    for (int i = 0; i < MaxRecentFiles; ++i)
        settings.Write(Section, KeyOf(i), i < files.size() ? files[i].toStdString() : std::string());
}

QStringList WithRecentFile(QStringList files, const QString& path)
{
    // A line break would end the value in the settings file and start a
    // line of its own there.
    if (path.contains(u'\n') || path.contains(u'\r')) return files;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > MaxRecentFiles) files.removeLast();
    return files;
}

QString RecentFileCaption(int index, const QString& path)
{
    const QFileInfo file(path);
    QString caption = QStringLiteral("&%1 %2  (%3)")
                          .arg(index + 1)
                          .arg(QString(file.fileName()).replace(u'&', QStringLiteral("&&")))
                          .arg(QDir::toNativeSeparators(file.absolutePath()).replace(u'&', QStringLiteral("&&")));
    return caption;
}

}  // namespace kresbon
