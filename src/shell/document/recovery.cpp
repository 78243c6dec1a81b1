#include "shell/document/recovery.h"

#include <QDir>
#include <QUrl>
#include <utility>

#include "interpreter/script_text.h"
#include "shell/document/script_file.h"

namespace kresbon {

namespace {

// The copy's first line is the script's name, percent-encoded so that it
// stays one line; the editor's text in UTF-8 follows.
constexpr char CopyName[] = "unsaved.krs";
constexpr char LockName[] = "unsaved.lock";

}  // namespace

QString Recovery::StateFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative value is to be ignored.
    if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/Kresbon");
}

Recovery::Recovery(QString folder) : folder_(folder.isEmpty() ? StateFolder() : std::move(folder))
{
    if (!QDir().mkpath(folder_)) return;
    auto lock = std::make_unique<QLockFile>(QDir(folder_).filePath(QLatin1String(LockName)));
    // A lock left by a program that was killed is taken over.
    if (!lock->tryLock(0)) return;
    lock_ = std::move(lock);
    leftOver_ = readCopy();
}

Recovery::~Recovery() = default;

QString Recovery::copyPath() const
{
    return QDir(folder_).filePath(QLatin1String(CopyName));
}

void Recovery::store(const QString& text, const QString& scriptFile)
{
    if (!active() || leftOver_) return;
    const QByteArray bytes = QUrl::toPercentEncoding(scriptFile) + '\n' + text.toUtf8();
    WriteFileSafely(copyPath(), bytes.toStdString());
}

void Recovery::discard()
{
    if (active() && !leftOver_) QFile::remove(copyPath());
}

std::optional<Recovery::Copy> Recovery::takeLeftOver()
{
    return std::exchange(leftOver_, std::nullopt);
}

std::optional<Recovery::Copy> Recovery::readCopy() const
{
    if (!active() || !FileCanBeRead(copyPath())) return std::nullopt;
    std::string bytes;
    try {
        bytes = ReadFileBytes(copyPath().toStdString());
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const std::size_t end = bytes.find('\n');
    if (end == std::string::npos) return std::nullopt;
    Copy copy;
    copy.scriptFile = QUrl::fromPercentEncoding(QByteArray::fromStdString(bytes.substr(0, end)));
    copy.text = QString::fromUtf8(bytes.data() + end + 1, static_cast<qsizetype>(bytes.size() - end - 1));
    return copy;
}

}  // namespace kresbon
