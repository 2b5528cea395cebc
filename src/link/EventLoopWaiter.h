#pragma once

#include "Waiter.h"

#include <QElapsedTimer>
#include <QTimer>

// The production waiter: sleeps in the Qt event loop until an event arrives or
// the deadline passes. It never spins and never starts a nested exec().
class EventLoopWaiter : public Waiter {
public:
    EventLoopWaiter();

    qint64 now() const override;
    void yield() override;
    bool waitUntil(const std::function<bool()>& condition, qint64 deadline) override;

private:
    QElapsedTimer clock_;
};
