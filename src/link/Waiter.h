#pragma once

#include <QtGlobal>
#include <functional>

// How the link waits for the meter without blocking the user interface.
//
// The program's procedures read top to bottom: send, wait, go on. While they
// wait, timer ticks and clicks are still handled, so every wait goes through
// this seam. Production code sleeps in the event loop until something happens;
// tests use a virtual clock so that time-outs cost no real time.
class Waiter {
public:
    virtual ~Waiter() = default;

    // Milliseconds on a monotonic clock.
    virtual qint64 now() const = 0;

    // Lets pending events run once, without waiting for new ones.
    virtual void yield() = 0;

    // Waits until condition() holds or now() reaches deadline; returns the
    // condition's last value. The condition is checked first, so a condition
    // that already holds returns at once.
    virtual bool waitUntil(const std::function<bool()>& condition, qint64 deadline) = 0;

    // Waits for ms milliseconds while events are handled.
    void pause(qint64 ms) {
        waitUntil([] { return false; }, now() + ms);
    }
};
