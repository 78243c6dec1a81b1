#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <vector>

namespace kresbon::bench {

// Lets the event loop run for ms milliseconds.
inline void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Does what, then waits for the answer sender gives by signal and for view
// to paint it: the time a person waits, in ms of wall time. The answer is
// there once done holds (asked before waiting and at each signal), or,
// without done, once the signal has come.
template <typename Sender, typename Signal>
double TimedToPaint(QWidget& view, Sender* sender, Signal signal, const std::function<void()>& what,
                    const std::function<bool()>& done = {})
{
    QEventLoop loop;
    bool signalled = false;
    const auto answered = [&] { return done ? done() : signalled; };
    const auto connection = QObject::connect(sender, signal, &loop, [&] {
        signalled = true;
        if (answered()) loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    what();
    if (!answered()) loop.exec();
    view.repaint();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(connection);
    return ms;
}

// The value below which the share p (0 to 1) of the values lies: 0.5 the
// median, 1 the largest; 0 without values.
inline double Percentile(std::vector<double> values, double p)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

}  // namespace kresbon::bench
