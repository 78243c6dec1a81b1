// Work handed from worker threads to the window's thread. Built under
// ThreadSanitizer as well (tests/sanitize.sh thread): what a piece of work
// carries is written on the worker and read on the window's thread, which
// the checker reports unless the handoff orders the two where it can see.

#include <QTest>
#include <QThread>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "shell/run/handoff.h"

using namespace kresbon;

class HandoffTest : public QObject {
    Q_OBJECT
private slots:
    void workFromWorkersRunsOnTheWindowThreadInOrder()
    {
        constexpr int Pieces = 300;
        Handoff handoff;
        // Which worker's piece ran, with what it carried, on which thread.
        struct Ran {
            int worker;
            int piece;
            std::size_t carried;
            bool windowThread;
        };
        std::vector<Ran> ran;
        const auto work = [&](int worker) {
            for (int i = 0; i < Pieces; ++i) {
                auto carried = std::make_shared<std::vector<int>>(static_cast<std::size_t>(i % 17 + 1), i);
                handoff.post([&ran, worker, i, carried] {
                    std::size_t sum = 0;
                    for (int v : *carried) sum += static_cast<std::size_t>(v == i);
                    ran.push_back({worker, i, sum, QThread::currentThread() == qApp->thread()});
                });
                // The window's thread takes pieces while more come.
                if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
        std::thread first(work, 0);
        std::thread second(work, 1);
        QTRY_COMPARE(ran.size(), static_cast<std::size_t>(2 * Pieces));
        first.join();
        second.join();
        QTest::qWait(20);
        QCOMPARE(ran.size(), static_cast<std::size_t>(2 * Pieces));
        int next[2] = {0, 0};
        for (const Ran& r : ran) {
            QVERIFY(r.windowThread);
            QCOMPARE(r.piece, next[r.worker]++);
            QCOMPARE(r.carried, static_cast<std::size_t>(r.piece % 17 + 1));
        }
    }

    void workLeftWhenTheHandoffGoesIsDropped()
    {
        int ran = 0;
        {
            Handoff handoff;
            std::thread([&] { handoff.post([&ran] { ++ran; }); }).join();
        }
        QTest::qWait(50);
        QCOMPARE(ran, 0);
    }
};

QTEST_MAIN(HandoffTest)
#include "tst_handoff.moc"
