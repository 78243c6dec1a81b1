#pragma once

#include <QEventLoop>
#include <QTimer>

namespace kresbon::bench {

// Lets the event loop run for ms milliseconds.
inline void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace kresbon::bench
