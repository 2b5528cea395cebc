#pragma once

#include "link/Waiter.h"

#include <optional>
#include <vector>

// The test waiter: a virtual clock. Waiting jumps straight to the next moment
// something can change (the next byte a simulated port delivers, or the
// deadline), so a test of three 850 ms time-outs runs in microseconds and
// gives the same result every time.
class VirtualWaiter : public Waiter {
public:
    // Something that changes at a known virtual time: returns the next time it
    // will change (strictly after now), or nothing when it is idle.
    using EventSource = std::function<std::optional<qint64>()>;

    qint64 now() const override { return now_; }
    void yield() override;
    bool waitUntil(const std::function<bool()>& condition, qint64 deadline) override;

    // Registers a source of events; returns an id for removeSource().
    int addSource(EventSource source);
    void removeSource(int id);

    // Moves the clock forward (never back) as if nothing else happened.
    void advanceTo(qint64 t);
    void advanceBy(qint64 ms) { advanceTo(now_ + ms); }

    // Called on every yield(), and after every jump of the clock inside
    // waitUntil(): the place where a test stands in for events arriving during
    // a wait (a timer tick, a click).
    std::function<void()> onYield;

    qint64 yieldCount() const { return yields_; }

private:
    std::optional<qint64> nextEvent() const;

    qint64 now_ = 0;
    qint64 yields_ = 0;
    int nextId_ = 1;
    std::vector<std::pair<int, EventSource>> sources_;
};
