#include "shell/document/file_watch.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <sys/stat.h>

namespace kresbon {

namespace {

// The pause after the last event before the files are compared: editors
// that save through a temporary file, or save several files at once, have
// finished by then.
constexpr int SettleMs = 100;

}  // namespace

FileWatch::FileWatch(QObject* parent) : QObject(parent)
{
    settle_.setSingleShot(true);
    settle_.setInterval(SettleMs);
    connect(&settle_, &QTimer::timeout, this, &FileWatch::checkNow);
    auto restart = [this] {
        if (enabled_) settle_.start();
    };
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, restart);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, restart);
}

FileWatch::State FileWatch::stateOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return {};
    State state;
    state.exists = true;
    state.device = static_cast<unsigned long long>(info.st_dev);
    state.inode = static_cast<unsigned long long>(info.st_ino);
    state.size = static_cast<long long>(info.st_size);
    state.modifiedSeconds = static_cast<long long>(info.st_mtim.tv_sec);
    state.modifiedNanoseconds = static_cast<long long>(info.st_mtim.tv_nsec);
    return state;
}

void FileWatch::follow(const QStringList& paths)
{
    std::map<QString, State> known;
    QStringList order;
    for (const QString& path : paths) {
        if (path.isEmpty() || known.contains(path)) continue;
        const auto old = known_.find(path);
        known.emplace(path, old != known_.end() ? old->second : stateOf(path));
        order.append(path);
    }
    if (order == order_) return;
    known_ = std::move(known);
    order_ = std::move(order);
    rewatch();
}

QStringList FileWatch::followed() const
{
    return order_;
}

void FileWatch::acknowledge(const QString& path)
{
    const auto entry = known_.find(path);
    if (entry == known_.end()) return;
    entry->second = stateOf(path);
    rewatch();
}

void FileWatch::setEnabled(bool on)
{
    if (on == enabled_) return;
    enabled_ = on;
    rewatch();
    if (on)
        checkNow();
    else
        settle_.stop();
}

void FileWatch::checkNow()
{
    settle_.stop();
    if (!enabled_) return;
    QStringList differing;
    for (const QString& path : order_) {
        State& known = known_[path];
        const State now = stateOf(path);
        if (now == known) continue;
        known = now;
        differing.append(path);
    }
    // A file that came back, or was replaced by a new one, needs its watch
    // set again.
    rewatch();
    if (!differing.isEmpty()) emit changed(differing);
}

void FileWatch::rewatch()
{
    const QStringList watched = watcher_.files() + watcher_.directories();
    if (!watched.isEmpty()) watcher_.removePaths(watched);
    if (!enabled_) return;
    QSet<QString> paths;
    for (const QString& path : order_) {
        const QFileInfo file(path);
        if (file.exists()) paths.insert(path);
        // The folder tells of the file appearing, vanishing or being renamed over.
        if (file.absoluteDir().exists()) paths.insert(file.absolutePath());
    }
    if (!paths.isEmpty()) watcher_.addPaths(paths.values());
}

}  // namespace kresbon
