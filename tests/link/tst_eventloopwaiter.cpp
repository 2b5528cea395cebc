// The production waiter: it sleeps in the event loop, wakes at its deadline
// when nothing happens, and at once when the condition comes true. Its CPU
// use is measured by bench/link_latency, not here.
#include "link/EventLoopWaiter.h"

#include <QScopeGuard>
#include <QThread>
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

    // As the serial port's driver reports a byte: an event posted from
    // another thread, several times, each of which must end its own wait.
    void eventsFromAnotherThreadEndTheirWaits() {
        EventLoopWaiter waiter;
        QObject receiver;
        int arrived = 0;
        constexpr int kEvents = 3;
        // Long enough for the wait to be asleep before the event comes.
        constexpr unsigned long kPostAfterMs = 20;
        QThread* poster = QThread::create([&] {
            for (int i = 0; i < kEvents; ++i) {
                QThread::msleep(kPostAfterMs);
                QMetaObject::invokeMethod(
                    &receiver, [&] { ++arrived; }, Qt::QueuedConnection);
            }
        });
        poster->start();
        // A failed check leaves early; the thread must not outlive what it uses.
        const auto joined = qScopeGuard([poster] {
            poster->wait();
            delete poster;
        });
        for (int i = 1; i <= kEvents; ++i) {
            // Far beyond the post's own time: a wait that sleeps through the
            // event ends only here.
            const qint64 deadline = waiter.now() + 20'000;
            QVERIFY2(waiter.waitUntil([&] { return arrived >= i; }, deadline),
                     qPrintable(QString::number(i)));
            QVERIFY2(waiter.now() < deadline, qPrintable(QString::number(i)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_eventloopwaiter)
#include "tst_eventloopwaiter.moc"
