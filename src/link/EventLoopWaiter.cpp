#include "EventLoopWaiter.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

EventLoopWaiter::EventLoopWaiter() {
    clock_.start();
}

qint64 EventLoopWaiter::now() const {
    return clock_.elapsed();
}

void EventLoopWaiter::yield() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool EventLoopWaiter::waitUntil(const std::function<bool()>& condition, qint64 deadline) {
    // A single-shot timer at the deadline guarantees that WaitForMoreEvents
    // wakes up even when the port stays silent.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!condition()) {
        const qint64 left = deadline - now();
        if (left <= 0)
            return condition();
        // What has already arrived is handled before sleeping. Windows' event
        // loop can take the message that announces a posted event (a byte
        // read, a timer) without delivering the event; a wait begun then
        // delivers it and sleeps on regardless, until the next message.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents();
        if (condition())
            return true;
        wake.start(int(qMin<qint64>(left, 60'000)));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
