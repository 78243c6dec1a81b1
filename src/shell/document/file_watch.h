#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <map>

namespace kresbon {

// Follows a set of files on disk and reports those whose state (there or
// not, size, time of change, identity) differs from the one last known.
//
// Each file's folder is watched as well as the file itself, so that a file
// saved by writing a new one and renaming it over the old, a file deleted
// and created again, and a file that comes back after being away are all
// noticed. Events are gathered until the disk has been quiet for the settle
// time, so that a save made of several writes is reported once, complete.
class FileWatch : public QObject {
    Q_OBJECT
public:
    explicit FileWatch(QObject* parent = nullptr);

    // Follows exactly these files from now on. A file already followed keeps
    // its known state; a new one is known as it is now.
    void follow(const QStringList& paths);
    QStringList followed() const;

    // The file was written by the program itself: its present state becomes
    // the known one, so that it is not reported.
    void acknowledge(const QString& path);

    // Off, nothing is reported and the known states stay as they were;
    // switched on again, any difference from them is reported.
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }

    void setSettleTime(int milliseconds) { settle_.setInterval(milliseconds); }

    // Compares every followed file with its known state now, without
    // waiting for the settle time.
    void checkNow();

signals:
    // Files whose state changed since last known, in the order followed;
    // their new states are the known ones from now on.
    void changed(const QStringList& paths);

private:
    // What tells one version of a file from another; a missing file has
    // exists false and nothing else.
    struct State {
        bool exists = false;
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long size = 0;
        long long modifiedSeconds = 0;
        long long modifiedNanoseconds = 0;
        bool operator==(const State&) const = default;
    };
    static State stateOf(const QString& path);

    void rewatch();

    QFileSystemWatcher watcher_;
    QTimer settle_;
    QStringList order_;
    std::map<QString, State> known_;
    bool enabled_ = true;
};

}  // namespace kresbon
