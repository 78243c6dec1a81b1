#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace kresbon {

// Hands work from a worker thread to the window's thread, as a queued call
// does, but through a queue under a lock of this program's own: whatever the
// work carries was written before it was posted, and a thread checker sees
// that, which it cannot through the toolkit's event queue (the toolkit is
// not built for the checker). The event that wakes the window's thread
// carries nothing. Each piece of work runs once, in the order posted; work
// still queued when the Handoff goes is dropped, so it belongs to the
// object whose members the work uses, and the worker ends before it.
class Handoff : public QObject {
    Q_OBJECT
public:
    // Lives on the thread that makes it.
    Handoff();

    // From any thread; the work runs on the Handoff's thread, later.
    void post(std::function<void()> work);

signals:
    void posted();

private:
    void deliver();

    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace kresbon
