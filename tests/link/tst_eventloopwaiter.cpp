// The production waiter: it sleeps in the event loop, wakes at its deadline
// when nothing happens, and at once when the condition comes true. Its CPU
// use is measured by bench/link_latency, not here.
#include "link/EventLoopWaiter.h"

#include <QTimer>
#include <QtTest>

class tst_eventloopwaiter : public QObject {
    Q_OBJECT
private slots:
    void silentPortWakesAtItsDeadline() {
        EventLoopWaiter waiter;
        int checks = 0;
        const qint64 start = waiter.now();
        QVERIFY(!waiter.waitUntil([&] { return ++checks, false; }, start + 200));
        QVERIFY(waiter.now() >= start + 200);
        // Sleeping, not spinning: a busy loop would check thousands of times.
        QVERIFY2(checks < 20, qPrintable(QString::number(checks)));
    }

    void eventEndsTheWait() {
        EventLoopWaiter waiter;
        bool arrived = false;
        QTimer::singleShot(20, [&] { arrived = true; });
        const qint64 deadline = waiter.now() + 60'000;
        QVERIFY(waiter.waitUntil([&] { return arrived; }, deadline));
        QVERIFY(waiter.now() < deadline);
    }
};

QTEST_GUILESS_MAIN(tst_eventloopwaiter)
#include "tst_eventloopwaiter.moc"
